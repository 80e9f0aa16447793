// Imports of model, rail and software blocks from the demo installer media.
#include "catalogue/Catalogue.h"
#include "catalogue/MediaImport.h"
#include "demodata/lib/DemoData.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QDirIterator>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <functional>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

QByteArray Leggo(const QString& p)
{
    QFile f(p);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void Scrivo(const QString& p, const QByteArray& d)
{
    QDir().mkpath(QFileInfo(p).absolutePath());
    QFile f(p);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(d);
}

// A file whose name is raw bytes that need not decode (folders created first).
void ScrivoNomeGrezzo(const QString& cartella, const QByteArray& nome)
{
    QDir().mkpath(cartella);
    const int fd = ::open((QFile::encodeName(cartella) + "/" + nome).constData(), O_CREAT | O_WRONLY, 0644);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::write(fd, "x", 1), 1);
    ::close(fd);
}

// A value file of n value lines under a comment line.
QByteArray Mappa(int n, const QByteArray& valore = "000123")
{
    QByteArray m = "* MAP\r\n";
    for (int i = 0; i < n; ++i)
        m += valore + "\r\n";
    return m;
}

QList<RecordCatalogo> Letto(const QString& marca)
{
    QList<RecordCatalogo> r;
    LeggoCatalogo(PercorsoCatalogo(marca), r);
    return r;
}

const RecordCatalogo* Cerca(const QList<RecordCatalogo>& rr, const QString& chiave)
{
    for (const RecordCatalogo& r : rr)
        if (r.ModelloTesto() == chiave)
            return &r;
    return nullptr;
}

class ImportoDaSupporto : public ::testing::Test {
protected:
    void SetUp() override
    {
        QString errore;
        ASSERT_TRUE(DemoData::ScrivoProgramma(prog.path(), &errore)) << errore.toStdString();
        ASSERT_TRUE(DemoData::ScrivoSupporto(media.path(), &errore)) << errore.toStdString();
    }
    QString M(const QString& rel) const { return media.path() + "/" + rel; }
    // A model update file of its own on the media, with a slot folder for each block.
    void FileModelli(const QByteArray& testo) { Scrivo(M("TEST.DAT"), testo); }
    static QByteArray K(const char* k, const QByteArray& v) { return DemoData::RigaChiave(k, v); }
    // One block for model KEYX of make `marca` using slot 1.
    static QByteArray BloccoX(const QByteArray& marca)
    {
        return K("MARCA", marca) + K("MODELLO", "KEYX") + K("DESCRIZIONE_MODELLO", "MODEL X")
               + K("VALVOLE_DA_MONTARE", "4") + K("VERSIONE_CENTR_BENZ", "1") + K("CENTRALINA_BENZINA", "E1")
               + K("TIPO_IMPIANTO", "G") + "END\r\n";
    }

    CartellaProgramma prog;
    QTemporaryDir media;
};

} // namespace

TEST_F(ImportoDaSupporto, DemoModelsAreAppendedReplacedAndSorted)
{
    const int primaBoreas = Letto("BOREAS").size();
    // A catalogue the update replaces, made read-only, is found before anything is written
    // and named with the reason.
    const QByteArray catalogo = QFile::encodeName(prog.file("AURELIA.PRN"));
    ASSERT_EQ(::chmod(catalogo, 0444), 0);
    QString perche;
    EXPECT_FALSE(Sostituibili(QString::fromLatin1(DemoData::NomeFileModelli()), media.path(), perche));
    EXPECT_TRUE(perche.contains(prog.file("AURELIA.PRN") + ": " + QString::fromLocal8Bit(std::strerror(EACCES))))
        << perche.toStdString();
    ASSERT_EQ(::chmod(catalogo, 0644), 0);
    EXPECT_TRUE(Sostituibili(QString::fromLatin1(DemoData::NomeFileModelli()), media.path(), perche));
    ASSERT_EQ(ImportoModelli(QString::fromLatin1(DemoData::NomeFileModelli()), media.path()), Importo::Fatto);

    // Appended with the block's default flag "G" for its one slot.
    const QList<RecordCatalogo> aurelia = Letto("AURELIA");
    ASSERT_EQ(aurelia.size(), 4);
    EXPECT_EQ(aurelia.first().ModelloTesto(), "ALBA10");  // sorted by description
    EXPECT_EQ(aurelia.first().Tipo, QByteArray("GM "));
    EXPECT_EQ(aurelia.first().CentralinaTesto(1), "PETRONIX P3");

    // Replaced in place: stored "G" and imported "M" merge to "E"; the count stays.
    const QList<RecordCatalogo> boreas = Letto("BOREAS");
    EXPECT_EQ(boreas.size(), primaBoreas);
    const RecordCatalogo* t = Cerca(boreas, "TUNDRA18T");
    ASSERT_TRUE(t);
    EXPECT_EQ(t->DescrizioneTesto(), "BOREAS TUNDRA 1.8 TURBO GT");
    EXPECT_EQ(t->Tipo, QByteArray("E  "));

    // A new make.
    const QList<RecordCatalogo> delfino = Letto("DELFINO");
    ASSERT_EQ(delfino.size(), 1);
    EXPECT_EQ(delfino[0].Tipo, QByteArray("GME"));
    EXPECT_EQ(delfino[0].CentralinaTesto(3), "FUELTEK MK4");

    // The legacy catalogue is converted before the new record is written.
    const QByteArray caldera = prog.leggi("CALDERA.PRN");
    ASSERT_EQ(caldera.size(), 3 * 182);
    const QList<RecordCatalogo> cal = Letto("CALDERA");
    EXPECT_EQ(Cerca(cal, "LAVA16")->Tipo, QByteArray("MGG"));
    EXPECT_EQ(Cerca(cal, "MAGMA13")->Tipo, QByteArray("GGG"));
    EXPECT_EQ(Cerca(cal, "FUMO20")->Tipo, QByteArray("E  "));

    // Slot files copied with upper-case names.
    EXPECT_EQ(prog.leggi("DELFINO/MAREA16/CENTRAL2/METANO02.QOX"),
              Leggo(M("DELFINO/MAREA16/CENTRAL2/METANO02.QOX")));
    EXPECT_TRUE(QFileInfo::exists(prog.file("DELFINO/MAREA16/CENTRAL2/MAREA16M.PDF")));
    EXPECT_TRUE(QFileInfo::exists(prog.file("AURELIA/ALBA10/CENTRAL1/LIMITI.TXT")));
}

TEST_F(ImportoDaSupporto, ArrivingStandardMapRemovesItsStaleSRecordForm)
{
    prog.scrivi("BOREAS/TUNDRA18T/CENTRAL1/C_META02.F19", "S0 old\r\n");
    prog.scrivi("BOREAS/TUNDRA18T/CENTRAL1/C_META01.F19", "S0 old\r\n");
    ASSERT_EQ(ImportoModelli(QString::fromLatin1(DemoData::NomeFileModelli()), media.path()), Importo::Fatto);
    EXPECT_FALSE(QFileInfo::exists(prog.file("BOREAS/TUNDRA18T/CENTRAL1/C_META02.F19")));
    // METANO01 lies outside the "METANO02".."METANO99" range.
    EXPECT_TRUE(QFileInfo::exists(prog.file("BOREAS/TUNDRA18T/CENTRAL1/C_META01.F19")));
}

TEST_F(ImportoDaSupporto, StaleSRecordFormThatCannotBeRemovedStopsTheImport)
{
    // Something that is not a file stands where the stale map is: it cannot be removed, so
    // the import must not report success with the old S-record map left in place.
    prog.scrivi("BOREAS/TUNDRA18T/CENTRAL1/C_META02.F19/KEEP", "x");
    EXPECT_EQ(ImportoModelli(QString::fromLatin1(DemoData::NomeFileModelli()), media.path()), Importo::Errore);
    EXPECT_TRUE(QFileInfo::exists(prog.file("BOREAS/TUNDRA18T/CENTRAL1/C_META02.F19/KEEP")));
}

TEST_F(ImportoDaSupporto, StoredFlagsMergeWithTheBlock)
{
    // Stored flags of one record against a block that uses slots 1 and 2 with flag "M".
    struct Caso {
        QByteArray salvati;
        QByteArray attesi;
    };
    const Caso casi[] = {
        {"GGG", "EEG"}, {"MMM", "MMM"}, {"EEE", "EEE"}, {"   ", "GG "}, {"X?M", "EEM"},
    };
    for (const Caso& c : casi) {
        SCOPED_TRACE(c.salvati.constData());
        QByteArray rec = QByteArray("MODEL X").leftJustified(41) + "4   " + QByteArray(120, ' ')
                         + QByteArray("KEYX").leftJustified(12) + c.salvati + "\r\n";
        prog.scrivi("ZULU.PRN", rec);
        QDir().mkpath(M("ZULU/KEYX/CENTRAL1"));
        QDir().mkpath(M("ZULU/KEYX/CENTRAL2"));
        FileModelli(K("MARCA", "zulu") + K("MODELLO", "keyx") + K("DESCRIZIONE_MODELLO", "MODEL X")
                    + K("VALVOLE_DA_MONTARE", "4") + K("VERSIONE_CENTR_BENZ", "1") + K("CENTRALINA_BENZINA", "E1")
                    + K("TIPO_IMPIANTO", "M") + K("VERSIONE_CENTR_BENZ", " 2") + K("CENTRALINA_BENZINA", "E2")
                    + K("TIPO_IMPIANTO", "m") + "END\r\n");
        ASSERT_EQ(ImportoModelli("TEST.DAT", media.path()), Importo::Fatto);
        const QList<RecordCatalogo> z = Letto("ZULU");
        ASSERT_EQ(z.size(), 1);
        EXPECT_EQ(z[0].Tipo, c.attesi);
        EXPECT_EQ(z[0].CentralinaTesto(2), "E2");
    }
}

TEST_F(ImportoDaSupporto, BadBlocksStopTheImportWithoutWriting)
{
    const QByteArray testa = K("MODELLO", "NEWKEY") + K("DESCRIZIONE_MODELLO", "NEW MODEL") + K("VALVOLE_DA_MONTARE", "4");
    const QByteArray slot1 = K("VERSIONE_CENTR_BENZ", "1") + K("CENTRALINA_BENZINA", "E1") + K("TIPO_IMPIANTO", "G");
    QDir().mkpath(M("NEWMAKE/NEWKEY/CENTRAL1"));
    struct Caso {
        const char* nome;
        QByteArray testo;
        int atteso;
    };
    const Caso casi[] = {
        {"keyword without colon", K("MARCA", "NEWMAKE") + "MODELLO\r\n" + testa + slot1 + "END\r\n", 1},
        {"slot number 4", K("MARCA", "NEWMAKE") + testa + K("VERSIONE_CENTR_BENZ", "4") + "END\r\n", 1},
        {"ECU before a slot", K("MARCA", "NEWMAKE") + testa + K("CENTRALINA_BENZINA", "E1") + "END\r\n", 1},
        {"incomplete block", K("MARCA", "NEWMAKE") + K("MODELLO", "NEWKEY") + slot1 + "END\r\n", 1},
        {"no END", K("MARCA", "NEWMAKE") + testa + slot1, -1},
        {"rail catalogue as make", K("MARCA", "valvole") + testa + slot1 + "END\r\n", 1},
        {"staging folder as make", K("MARCA", "Tempor") + testa + slot1 + "END\r\n", 1},
        {"make with a separator", K("MARCA", "../NEWMAKE") + testa + slot1 + "END\r\n", 1},
        {"make is ..", K("MARCA", "..") + testa + slot1 + "END\r\n", 1},
        {"key with a separator", K("MARCA", "NEWMAKE") + K("MODELLO", "A\\B") + K("DESCRIZIONE_MODELLO", "D")
                                     + K("VALVOLE_DA_MONTARE", "4") + slot1 + "END\r\n", 1},
        {"key longer than 12", K("MARCA", "NEWMAKE") + K("MODELLO", "ABCDEFGHIJKLM") + K("DESCRIZIONE_MODELLO", "D")
                                   + K("VALVOLE_DA_MONTARE", "4") + slot1 + "END\r\n", 1},
        {"INIZIO climbing out", K("INIZIO", "..\\..\\X") + K("MARCA", "NEWMAKE") + testa + slot1 + "END\r\n", 1},
        {"INIZIO with a drive", K("INIZIO", "C:\\X") + K("MARCA", "NEWMAKE") + testa + slot1 + "END\r\n", 1},
        {"INIZIO past the system's limit on a path",
         K("INIZIO", QByteArray("A\\").repeated(200000)) + K("MARCA", "NEWMAKE") + testa + slot1 + "END\r\n", 1},
        {"missing slot folder", K("MARCA", "NEWMAKE") + testa + slot1 + K("VERSIONE_CENTR_BENZ", "2")
                                    + K("CENTRALINA_BENZINA", "E2") + "END\r\n", 1},
    };
    for (const Caso& c : casi) {
        SCOPED_TRACE(c.nome);
        FileModelli(c.testo);
        EXPECT_EQ(ImportoModelli("TEST.DAT", media.path()), c.atteso);
        EXPECT_FALSE(QFileInfo::exists(prog.file("NEWMAKE.PRN")));
        EXPECT_FALSE(QFileInfo::exists(prog.file("VALVOLE.PRN")) && Leggo(prog.file("VALVOLE.PRN")).contains("NEW MODEL"));
        EXPECT_FALSE(QFileInfo::exists(prog.file("TEMPOR.PRN")));
        EXPECT_FALSE(QFileInfo::exists(QDir(prog.path()).absoluteFilePath("../NEWMAKE.PRN")));
    }
    EXPECT_EQ(ImportoModelli("NOSUCH.DAT", media.path()), 1);
}

TEST_F(ImportoDaSupporto, BlockWithInizioGoesBelowThatFolder)
{
    QDir().mkpath(M("NEWMAKE/NEWKEY/CENTRAL1"));
    Scrivo(M("NEWMAKE/NEWKEY/CENTRAL1/motoro02.qox"), "000001\r\n");
    FileModelli(K("INIZIO", "\\TEMPOR\\") + K("MARCA", "newmake") + K("MODELLO", "newkey")
                + K("DESCRIZIONE_MODELLO", "New Model") + K("VALVOLE_DA_MONTARE", "4") + K("TIPO_IMPIANTO", "g")
                + K("VERSIONE_CENTR_BENZ", "1") + K("CENTRALINA_BENZINA", "E1") + "END\r\n");
    ASSERT_EQ(ImportoModelli("TEST.DAT", media.path()), Importo::Fatto);
    const QList<RecordCatalogo> r = Letto("TEMPOR/NEWMAKE");
    ASSERT_EQ(r.size(), 1);
    EXPECT_EQ(r[0].DescrizioneTesto(), "New Model");
    EXPECT_EQ(r[0].Tipo, QByteArray("G  "));
    EXPECT_EQ(prog.leggi("TEMPOR/NEWMAKE/NEWKEY/CENTRAL1/MOTORO02.QOX"), QByteArray("000001\r\n"));
}

TEST_F(ImportoDaSupporto, LinksOnTheMediaAreNeverFollowed)
{
    QDir().mkpath(M("NEWMAKE/NEWKEY/CENTRAL1"));
    Scrivo(media.path() + "/secret.txt", "secret");
    ASSERT_TRUE(QFile::link(media.path() + "/secret.txt", M("NEWMAKE/NEWKEY/CENTRAL1/LIMITI.TXT")));
    FileModelli(K("MARCA", "NEWMAKE") + K("MODELLO", "NEWKEY") + K("DESCRIZIONE_MODELLO", "D")
                + K("VALVOLE_DA_MONTARE", "4") + K("VERSIONE_CENTR_BENZ", "1") + K("CENTRALINA_BENZINA", "E1")
                + K("TIPO_IMPIANTO", "G") + "END\r\n");
    EXPECT_EQ(ImportoModelli("TEST.DAT", media.path()), Importo::Errore);
    EXPECT_FALSE(QFileInfo::exists(prog.file("NEWMAKE/NEWKEY/CENTRAL1/LIMITI.TXT")));
}

TEST_F(ImportoDaSupporto, RailsAreOverwrittenByDescriptionOrAppended)
{
    ASSERT_EQ(ImportoValvole("VALVOLE.DAT", media.path()), Importo::Fatto);
    const QByteArray v = prog.leggi("VALVOLE.PRN");
    ASSERT_EQ(v.size(), 3 * 180);
    EXPECT_EQ(v.mid(180, 178), QByteArray("RB2XMODEL_2  RAIL BETA 3 CYLINDERS").leftJustified(178));
    EXPECT_EQ(v.mid(360, 13), QByteArray("RG03MODEL_3  "));
    EXPECT_EQ(prog.leggi("VALVOLE/MODEL_3/TABPWM02.PWM"), DemoData::TabellaPWM());
}

TEST_F(ImportoDaSupporto, RailImportRefusesOtherCataloguesAndTooManyDataFiles)
{
    const QByteArray prima = prog.leggi("VALVOLE.PRN");
    QDir().mkpath(M("AURELIA/MODEL_9"));
    struct Caso {
        const char* nome;
        QByteArray testo;
    };
    const Caso casi[] = {
        {"make other than VALVOLE", K("MARCA", "AURELIA") + K("MODELLO", "MODEL_9") + K("DESCR_TIPO_VALVOLE", "X") + "END\r\n"},
        {"four data files", K("MARCA", "VALVOLE") + K("MODELLO", "MODEL_3") + K("FILE_DATI_001", "A")
                                + K("FILE_DATI_002", "B") + K("FILE_DATI_003", "C") + K("FILE_DATI_4", "D") + "END\r\n"},
        {"folder name climbing out", K("MARCA", "VALVOLE") + K("MODELLO", "..") + "END\r\n"},
        {"missing media folder", K("MARCA", "VALVOLE") + K("MODELLO", "MODEL_8") + K("DESCR_TIPO_VALVOLE", "Y") + "END\r\n"},
        {"colon missing", K("MARCA", "VALVOLE") + "CODICE_VALVOLA\r\nEND\r\n"},
    };
    for (const Caso& c : casi) {
        SCOPED_TRACE(c.nome);
        Scrivo(M("RAILS.DAT"), c.testo);
        EXPECT_EQ(ImportoValvole("RAILS.DAT", media.path()), Importo::Errore);
        EXPECT_EQ(prog.leggi("VALVOLE.PRN"), prima);
        EXPECT_FALSE(QFileInfo::exists(prog.file("AURELIA/MODEL_9")));
    }
    // A rail copied before a later block fails stays entered in the catalogue.
    Scrivo(M("RAILS.DAT"), K("MARCA", "VALVOLE") + K("MODELLO", "MODEL_3") + K("DESCR_TIPO_VALVOLE", "NEW RAIL") + "END\r\n"
                               + K("MARCA", "VALVOLE") + K("MODELLO", "MODEL_8") + "END\r\n");
    EXPECT_EQ(ImportoValvole("RAILS.DAT", media.path()), Importo::Errore);
    EXPECT_EQ(prog.leggi("VALVOLE.PRN"), prima + CatalogoValvole::Record("", "MODEL_3", "NEW RAIL"));
}

TEST_F(ImportoDaSupporto, SoftwareBlockCopiesTheLastDataFileAndItsDescription)
{
    ASSERT_EQ(ImportoFileDati("SOFTWARE.DAT", media.path()), Importo::Fatto);
    EXPECT_EQ(prog.leggi("SOFTWARE/02/L0AB/L0AB.S19"), Leggo(M("SOFTWARE/02/L0AB/L0AB.S19")));
    EXPECT_EQ(prog.leggi("SOFTWARE/02/L0AB/L0AB.TXT").left(9), QByteArray("ZQ3020460"));

    Scrivo(M("EXTRA/FAM/NAME/FIRST.BIN"), "first");
    Scrivo(M("EXTRA/FAM/NAME/second.bin"), "second");
    Scrivo(M("EXTRA/FAM/NAME/SECOND.TXT"), "description");
    Scrivo(M("SW2.DAT"), K("INIZIO", "extra") + K("MARCA", "fam") + K("MODELLO", "name") + K("FILE_DATI_001", "first.bin")
                             + K("FILE_DATI_002", "second.bin") + "END\r\n");
    ASSERT_EQ(ImportoFileDati("SW2.DAT", media.path()), Importo::Fatto);
    EXPECT_FALSE(QFileInfo::exists(prog.file("EXTRA/FAM/NAME/FIRST.BIN")));
    EXPECT_EQ(prog.leggi("EXTRA/FAM/NAME/SECOND.BIN"), QByteArray("second"));
    EXPECT_EQ(prog.leggi("EXTRA/FAM/NAME/SECOND.TXT"), QByteArray("description"));
}

TEST_F(ImportoDaSupporto, SoftwareBlockRefusesBadNames)
{
    const QByteArray casi[] = {
        K("MARCA", "02") + K("MODELLO", "X") + K("FILE_DATI_001", "../../ESCAPE") + "END\r\n",
        K("INIZIO", "..") + K("MARCA", "02") + K("MODELLO", "X") + K("FILE_DATI_001", "A.S19") + "END\r\n",
        K("MARCA", "02") + K("MODELLO", "X") + "END\r\n",
        K("MARCA", "02") + K("MODELLO", "X") + K("FILE_DATI_001", "MISSING.S19") + "END\r\n",
    };
    for (const QByteArray& c : casi) {
        Scrivo(M("SW3.DAT"), c);
        EXPECT_EQ(ImportoFileDati("SW3.DAT", media.path()), Importo::Errore) << c.constData();
    }
    EXPECT_FALSE(QFileInfo::exists(QDir(prog.path()).absoluteFilePath("../ESCAPE")));
}

TEST_F(ImportoDaSupporto, WritesRefusedByTheDiskStopWithoutPartialFiles)
{
    // 500 bytes: the first catalogue rewrite is refused; 10000: the first map copy is.
    prog.scrivi("DELFINO/MAREA16/CENTRAL1/MOTORO01.QOX", "old map\r\n");
    const QByteArray aurelia = prog.leggi("AURELIA.PRN");
    for (const rlim_t limite : {rlim_t(500), rlim_t(10000)}) {
        SCOPED_TRACE(limite);
        const pid_t figlio = fork();
        ASSERT_GE(figlio, 0);
        if (figlio == 0) {
            signal(SIGXFSZ, SIG_IGN);
            rlimit r{limite, limite};
            setrlimit(RLIMIT_FSIZE, &r);
            _exit(ImportoModelli(QString::fromLatin1(DemoData::NomeFileModelli()), media.path()) + 10);
        }
        int stato = 0;
        waitpid(figlio, &stato, 0);
        ASSERT_TRUE(WIFEXITED(stato));
        EXPECT_EQ(WEXITSTATUS(stato), Importo::Errore + 10);
        const QByteArray a = prog.leggi("AURELIA.PRN");
        EXPECT_TRUE(a == aurelia || (a.size() == 4 * 182)) << a.size();
        EXPECT_EQ(prog.leggi("DELFINO/MAREA16/CENTRAL1/MOTORO01.QOX"), QByteArray("old map\r\n"));
        // Every map in the program folder is either the old one or a whole copy.
        QDirIterator it(prog.path(), {"*.QOX"}, QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString p = it.next();
            const QByteArray d = Leggo(p);
            EXPECT_TRUE(d == "old map\r\n" || d.size() > 20000) << p.toStdString();
        }
    }
}

TEST_F(ImportoDaSupporto, ReservedMakesAreRefusedWithAnOtherwiseValidMediaFolder)
{
    for (const char* riservata : {"Valvole", "TEMPOR", "software", "PERSONALIZZATE", "Archivi"}) {
        SCOPED_TRACE(riservata);
        const QString nome = QString::fromLatin1(riservata).toUpper();
        Scrivo(M(nome + "/KEYX/CENTRAL1/LIMITI.TXT"), "limits");
        const QByteArray prima = prog.leggi(nome + ".PRN");
        FileModelli(BloccoX(riservata));
        EXPECT_EQ(ImportoModelli("TEST.DAT", media.path()), Importo::Errore);
        EXPECT_EQ(prog.leggi(nome + ".PRN"), prima);
        EXPECT_FALSE(QFileInfo::exists(prog.file(nome + "/KEYX")));
    }
}

TEST_F(ImportoDaSupporto, StrayBytesInAnInstalledCatalogueNeverCostARecord)
{
    const QByteArray zulu = QByteArray("MODEL A").leftJustified(165) + QByteArray("KEYA").leftJustified(12) + "G  ";
    const QByteArray zulu2 = QByteArray("MODEL B\x1a more").leftJustified(165) + QByteArray("KEYB").leftJustified(12) + "M  ";
    const QByteArray zulu3 = QByteArray("MODEL C\r split").leftJustified(165) + QByteArray("KEYC").leftJustified(12) + "E  ";
    const QByteArray rail = CatalogoValvole::Record("RA01", "MODEL_1", "RAIL\x1a ALPHA");
    const QByteArray rail2 = CatalogoValvole::Record("RB02", "MODEL_2", "RAIL\r BETA");
    QDir().mkpath(M("ZULU/KEYX/CENTRAL1"));
    Scrivo(M("RAILS.DAT"), K("MARCA", "VALVOLE") + K("MODELLO", "MODEL_3") + K("DESCR_TIPO_VALVOLE", "NEW RAIL") + "END\r\n");
    struct Caso {
        const char* nome;
        const char* file;
        QByteArray contenuto;
        int atteso;
        qsizetype dimensione;   // of the catalogue afterwards; 0: unchanged
    };
    const Caso casi[] = {
        {"make catalogue of whole records", "ZULU.PRN", zulu + "\r\n" + zulu2 + "\r\n" + zulu3 + "\r\n", 0, 4 * 182},
        {"make catalogue with text after a Ctrl-Z", "ZULU.PRN", zulu + "\n\x1a" + zulu2 + "\r\n", 1, 0},
        {"rail catalogue of whole records", "VALVOLE.PRN", rail + rail2, 0, 3 * 180},
        {"rail catalogue with text after a Ctrl-Z", "VALVOLE.PRN", rail.left(178) + "\n\x1a" + rail2, 1, 0},
    };
    for (const Caso& c : casi) {
        SCOPED_TRACE(c.nome);
        prog.scrivi(c.file, c.contenuto);
        FileModelli(BloccoX("ZULU"));
        const int esito = QByteArray(c.file) == "ZULU.PRN" ? ImportoModelli("TEST.DAT", media.path())
                                                           : ImportoValvole("RAILS.DAT", media.path());
        EXPECT_EQ(esito, c.atteso);
        const QByteArray dopo = prog.leggi(c.file);
        if (c.dimensione == 0) {
            EXPECT_EQ(dopo, c.contenuto);
            continue;
        }
        EXPECT_EQ(dopo.size(), c.dimensione);
        for (const QByteArray& r : QByteArrayList{zulu, zulu2, zulu3, rail.left(178), rail2.left(178)})
            EXPECT_EQ(dopo.contains(r), c.contenuto.contains(r)) << r.left(20).constData();
    }
}

TEST_F(ImportoDaSupporto, CutMapNeverReplacesAnInstalledOne)
{
    const QByteArray buona = Mappa(2850, "000777");
    QDir().mkpath(M("ZULU/KEYX/CENTRAL1"));
    struct Caso {
        const char* nome;
        QByteArray mappa;
        int atteso;
    };
    const Caso casi[] = {
        {"cut to a third", Mappa(950), Importo::Errore},
        {"one value short of the version", Mappa(2826), Importo::Errore},
        {"a value too wide", Mappa(2850, "1234567"), Importo::Errore},
        {"values up to the version", Mappa(2827), Importo::Fatto},
    };
    for (const Caso& c : casi) {
        SCOPED_TRACE(c.nome);
        QFile::remove(prog.file("ZULU.PRN"));
        prog.scrivi("ZULU/KEYX/CENTRAL1/MOTORO02.QOX", buona);
        prog.scrivi("ZULU/KEYX/CENTRAL1/C_GPL02.F19", "S0 map\r\n");
        Scrivo(M("ZULU/KEYX/CENTRAL1/motoro02.qox"), c.mappa);
        FileModelli(BloccoX("ZULU"));
        EXPECT_EQ(ImportoModelli("TEST.DAT", media.path()), c.atteso);
        const bool fatto = c.atteso == Importo::Fatto;
        EXPECT_EQ(prog.leggi("ZULU/KEYX/CENTRAL1/MOTORO02.QOX"), fatto ? c.mappa : buona);
        EXPECT_NE(QFileInfo::exists(prog.file("ZULU/KEYX/CENTRAL1/C_GPL02.F19")), fatto);
        EXPECT_EQ(QFileInfo::exists(prog.file("ZULU.PRN")), fatto);
    }
}

TEST_F(ImportoDaSupporto, UpdateFileCutShortOrOversizedFailsTheImport)
{
    const QString nome = QString::fromLatin1(DemoData::NomeFileModelli());
    const QByteArray demo = Leggo(M(nome));
    const QByteArray blocco = QByteArray(1000, '*') + "\r\n";
    QDir().mkpath(M("ZULU/KEYX/CENTRAL1"));
    struct Caso {
        const char* nome;
        QByteArray testo;
        int atteso;
    };
    const Caso casi[] = {
        {"last block without its END", demo.left(demo.lastIndexOf("END")), Importo::Errore},
        {"CR LF across the pieces read", QByteArray(65535, '*') + "\r\n" + demo, Importo::Fatto},
        {"keyword line across the pieces read", QByteArray(65530, '*') + "\r\n" + demo, Importo::Fatto},
        {"block over 64 MB", demo + blocco.repeated(67200) + BloccoX("ZULU"), Importo::Errore},
        {"line over 64 MB", demo + QByteArray(Importo::MassimoBlocco + 1, '*'), Importo::Errore},
    };
    for (const Caso& c : casi) {
        SCOPED_TRACE(c.nome);
        FileModelli(c.testo);
        EXPECT_EQ(ImportoModelli("TEST.DAT", media.path()), c.atteso);
    }
    EXPECT_EQ(Letto("AURELIA").size(), 4);
}

TEST_F(ImportoDaSupporto, UndecodableNamesAndLinkedDescriptionsFailTheBlock)
{
    QDir().mkpath(M("ZULU/KEYX/CENTRAL1"));
    FileModelli(BloccoX("ZULU"));
    Scrivo(M("RAILS.DAT"), K("MARCA", "VALVOLE") + K("MODELLO", "MODEL_3") + K("DESCR_TIPO_VALVOLE", "NEW RAIL") + "END\r\n");
    Scrivo(M("EXTRA/FAM/NAME/FIRST.BIN"), "first");
    Scrivo(media.path() + "/elsewhere.txt", "not the description");
    Scrivo(M("SW2.DAT"), K("INIZIO", "extra") + K("MARCA", "fam") + K("MODELLO", "name") + K("FILE_DATI_001", "first.bin")
                             + "END\r\n");
    const QByteArray valvole = prog.leggi("VALVOLE.PRN");
    struct Caso {
        const char* nome;
        std::function<void()> prepara;
        std::function<int()> importo;
    };
    const Caso casi[] = {
        {"map name in a slot folder",
         [&] { ScrivoNomeGrezzo(M("ZULU/KEYX/CENTRAL1"), "MOTORO\xff.QOX"); },
         [&] { return ImportoModelli("TEST.DAT", media.path()); }},
        {"table name in a rail folder",
         [&] { ScrivoNomeGrezzo(M("VALVOLE/MODEL_3"), "TAB\xe9.PWM"); },
         [&] { return ImportoValvole("RAILS.DAT", media.path()); }},
        {"description through a link",
         [&] { ASSERT_TRUE(QFile::link(media.path() + "/elsewhere.txt", M("EXTRA/FAM/NAME/FIRST.TXT"))); },
         [&] { return ImportoFileDati("SW2.DAT", media.path()); }},
    };
    for (const Caso& c : casi) {
        SCOPED_TRACE(c.nome);
        c.prepara();
        EXPECT_EQ(c.importo(), Importo::Errore);
    }
    EXPECT_FALSE(QFileInfo::exists(prog.file("ZULU.PRN")));
    EXPECT_EQ(prog.leggi("VALVOLE.PRN"), valvole);
    EXPECT_FALSE(QFileInfo::exists(prog.file("EXTRA/FAM/NAME/FIRST.TXT")));
}

TEST(ChiaveFileDati, RangeIsComparedAsText)
{
    const std::pair<QByteArray, bool> casi[] = {
        {"FILE_DATI_001", true}, {"FILE_DATI_999", true}, {"FILE_DATI_1", true}, {"FILE_DATI_000", false},
        {"FILE_DATI_", false},   {"FILE_DATI_A", false},  {"MARCA", false},
    };
    for (const auto& [chiave, atteso] : casi)
        EXPECT_EQ(ChiaveFileDati(chiave), atteso) << chiave.constData();
    EXPECT_TRUE(MarcaRiservata("personalizzate"));
    EXPECT_TRUE(MarcaRiservata("Archivi"));
    EXPECT_FALSE(MarcaRiservata("AURELIA"));
}
