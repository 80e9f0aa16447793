// The archive's data is never lost: foreign files are left alone, a damaged file is repaired
// keeping every readable row and the original, a crash during writes loses nothing committed.
#include "ArchiveTestSupport.h"
#include "shell/Modulo.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QMap>
#include <gtest/gtest.h>

#include <csignal>
#include <sys/wait.h>
#include <unistd.h>

using namespace Archivi;

namespace {

class SicurezzaArchivio : public ::testing::Test {
protected:
    void SetUp() override { Archivio.reset(); }
    void TearDown() override
    {
        Archivio.reset();
        ImpostaOrologioRiparazione(nullptr);
    }
    CartellaProgramma prog;

    QStringList FileArchivi() const
    {
        return QDir(prog.file("ARCHIVI")).entryList(QDir::Files | QDir::Hidden, QDir::Name);
    }

    // Fills an archive with `n` customers; returns plate -> name.
    QMap<QString, QString> Riempio(int n)
    {
        QMap<QString, QString> righe;
        CreoEApro();
        Archivio.DbArchivio->Inizia();
        for (int i = 0; i < n; ++i) {
            const QString targa = ChiaveTarga(QString("TG%1").arg(i, 5, 10, QChar('0')));
            const QString nome = QString("CLIENTE %1 %2").arg(i).arg(QString(30, QChar('a' + i % 26)));
            AggiungoCliente(*Archivio.RsClienti, targa, nome, QDate(2004, 1 + i % 12, 1 + i % 28));
            righe[targa] = nome;
        }
        Archivio.DbArchivio->Conferma();
        ChiudoArchivio();
        return righe;
    }

    QMap<QString, QString> Leggo()
    {
        QMap<QString, QString> righe;
        auto db = Db::Database::Apri(FileArchivio());
        auto rs = db->ApriTabella("CLIENTI");
        for (rs->MoveFirst(); !rs->EOF_(); rs->MoveNext())
            righe[rs->Valore("TARGA_AUTO").toString()] = rs->Valore("DITTA_NOME").toString();
        return righe;
    }
};

TEST_F(SicurezzaArchivio, ForeignFilesAreLeftByteForByte)
{
    QByteArray jet(4096, '\0');
    jet[1] = 1;
    jet.replace(4, 15, "Standard Jet DB");
    QByteArray sqliteAltrui;
    {
        // An SQLite database of some other program.
        Db::Database::Crea(prog.file("ALTRO.DB"), [](Db::Database& db) { db.Esegui("CREATE TABLE CLIENTI (X)"); })->Chiudi();
        sqliteAltrui = prog.leggi("ALTRO.DB");
    }
    QByteArray spazzatura;
    for (int i = 0; i < 10000; ++i)
        spazzatura.append(char((i * 7919) % 251));
    const QByteArray casi[] = {jet, spazzatura, QByteArray(), QByteArray("SQLite format 3"), sqliteAltrui};
    for (const QByteArray& contenuto : casi) {
        QDir(prog.file("ARCHIVI")).removeRecursively();
        prog.scrivi("ARCHIVI/ARCHIVIO.MDB", contenuto);
        CreoArchivio();
        EXPECT_EQ(Archivio.ErroreCreazione, Db::Err::FormatoIgnoto);
        EXPECT_FALSE(RiparoArchivio());
        EXPECT_EQ(prog.leggi("ARCHIVI/ARCHIVIO.MDB"), contenuto);
        EXPECT_EQ(FileArchivi(), QStringList({"ARCHIVIO.MDB"}));
        EXPECT_FALSE(Archivio.Riparato);
    }
}

TEST_F(SicurezzaArchivio, DamagedArchiveIsRepairedKeepingEveryReadableRowAndTheOriginal)
{
    const QMap<QString, QString> originali = Riempio(3000);
    // Damage one leaf page of the table in the middle of the file.
    int pagina = 0, dimensione = 0;
    {
        auto db = Db::Database::Apri(FileArchivio());
        dimensione = db->Valore("PRAGMA page_size").toInt();
        pagina = db->Valore("SELECT pageno FROM dbstat WHERE name='CLIENTI' AND pagetype='leaf' "
                            "ORDER BY pageno LIMIT 1 OFFSET 40").toInt();
    }
    ASSERT_GT(pagina, 1);
    QByteArray dati = prog.leggi("ARCHIVI/ARCHIVIO.MDB");
    for (int i = 0; i < dimensione; ++i)
        dati[(pagina - 1) * dimensione + i] = char(0xA5 ^ (i * 31));
    prog.scrivi("ARCHIVI/ARCHIVIO.MDB", dati);

    ImpostaOrologioRiparazione([] { return QDateTime(QDate(2026, 3, 4), QTime(5, 6, 7)); });
    CreoArchivio();
    EXPECT_EQ(Archivio.ErroreCreazione, 0);
    ASSERT_TRUE(Archivio.Riparato);
    EXPECT_EQ(Archivio.CopiaDanneggiata, "ARCHIVIO.20260304-050607.BAD");
    EXPECT_EQ(prog.leggi("ARCHIVI/ARCHIVIO.20260304-050607.BAD"), dati);
    EXPECT_FALSE(QFile::exists(FileRiparazione()));

    const QMap<QString, QString> salvati = Leggo();
    EXPECT_EQ(salvati.size(), Archivio.RecordRecuperati);
    // Only the rows of the damaged page are missing, and every row kept is intact.
    EXPECT_GE(salvati.size(), 3000 - 40);
    EXPECT_LT(salvati.size(), 3000);
    for (auto it = salvati.begin(); it != salvati.end(); ++it)
        EXPECT_EQ(originali.value(it.key()), it.value());
    {
        auto db = Db::Database::Apri(FileArchivio());
        EXPECT_EQ(db->Valore("PRAGMA integrity_check").toString(), "ok");
        EXPECT_EQ(db->Indici("CLIENTI").size(), 3);
    }
    // The repaired archive is sound: the next creation step leaves it alone.
    CreoArchivio();
    EXPECT_FALSE(Archivio.Riparato);
}

TEST_F(SicurezzaArchivio, DamagedArchiveWhoseRepairFailsIsNotOpened)
{
    Riempio(300);
    int pagina = 0, dimensione = 0;
    {
        auto db = Db::Database::Apri(FileArchivio());
        dimensione = db->Valore("PRAGMA page_size").toInt();
        pagina = db->Valore("SELECT pageno FROM dbstat WHERE name='CLIENTI' AND pagetype='leaf' "
                            "ORDER BY pageno LIMIT 1 OFFSET 3").toInt();
    }
    ASSERT_GT(pagina, 1);
    QByteArray dati = prog.leggi("ARCHIVI/ARCHIVIO.MDB");
    for (int i = 0; i < dimensione; ++i)
        dati[(pagina - 1) * dimensione + i] = char(0xA5 ^ (i * 31));
    prog.scrivi("ARCHIVI/ARCHIVIO.MDB", dati);
    // The repaired copy cannot be built: a folder stands where its work file goes.
    ASSERT_TRUE(QDir().mkpath(FileRiparazione() + ".NUOVO"));

    RegistroBox box;
    EXPECT_FALSE(AproArchivio());
    EXPECT_EQ(box.testi(), QStringList({Msg(174)}));
    EXPECT_EQ(Archivio.DbArchivio, nullptr);
    EXPECT_EQ(Archivio.RsClienti, nullptr);
    EXPECT_EQ(prog.leggi("ARCHIVI/ARCHIVIO.MDB"), dati);
}

TEST_F(SicurezzaArchivio, InterruptedRepairIsFinishedNotReplacedByAnEmptyArchive)
{
    const QMap<QString, QString> originali = Riempio(50);
    ASSERT_TRUE(QFile::rename(FileArchivio(), prog.file("ARCHIVI/ARCHIVIO.REP")));
    CreoArchivio();
    EXPECT_EQ(Archivio.ErroreCreazione, 0);
    EXPECT_FALSE(QFile::exists(prog.file("ARCHIVI/ARCHIVIO.REP")));
    EXPECT_EQ(Leggo(), originali);

    // A half-made work file is no archive: a new one is created and the work file is left.
    QFile::remove(FileArchivio());
    prog.scrivi("ARCHIVI/ARCHIVIO.REP", "SQLite format 3");
    CreoArchivio();
    EXPECT_EQ(Archivio.ErroreCreazione, 0);
    EXPECT_TRUE(Leggo().isEmpty());
    EXPECT_EQ(prog.leggi("ARCHIVI/ARCHIVIO.REP"), QByteArray("SQLite format 3"));
}

TEST_F(SicurezzaArchivio, KilledWriterLeavesEveryCommittedRecord)
{
    CreoArchivio();
    for (int giro = 0; giro < 3; ++giro) {
        int tubo[2];
        ASSERT_EQ(pipe(tubo), 0);
        const pid_t figlio = fork();
        ASSERT_GE(figlio, 0);
        if (figlio == 0) {
            close(tubo[0]);
            try {
                auto db = Db::Database::Apri(FileArchivio());
                auto rs = db->ApriTabella("CLIENTI");
                for (int i = 0;; ++i) {
                    AggiungoCliente(*rs, QString("K%1-%2").arg(giro).arg(i), QString("UCCISO %1").arg(i));
                    // Reported only after Update has returned: the record is committed.
                    if (write(tubo[1], &i, sizeof i) != sizeof i)
                        _exit(2);
                }
            } catch (...) {
                _exit(1);
            }
        }
        close(tubo[1]);
        int ultimo = -1, letto = 0;
        while (ultimo < 30 + giro * 40 && read(tubo[0], &letto, sizeof letto) == sizeof letto)
            ultimo = letto;
        kill(figlio, SIGKILL);
        while (read(tubo[0], &letto, sizeof letto) == sizeof letto)
            ultimo = letto;
        int stato = 0;
        waitpid(figlio, &stato, 0);
        close(tubo[0]);
        ASSERT_TRUE(WIFSIGNALED(stato));
        ASSERT_GE(ultimo, 30);

        CreoArchivio();
        EXPECT_EQ(Archivio.ErroreCreazione, 0);
        EXPECT_FALSE(Archivio.Riparato);
        const QMap<QString, QString> righe = Leggo();
        for (int i = 0; i <= ultimo; ++i)
            EXPECT_EQ(righe.value(ChiaveTarga(QString("K%1-%2").arg(giro).arg(i))), QString("UCCISO %1").arg(i)) << i;
    }
}

} // namespace
