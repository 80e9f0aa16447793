// Make catalogue records, layout conversion, sort, make list and update-file lines.
#include "catalogue/Catalogue.h"
#include "support/TestSupport.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QListWidget>

#include <gtest/gtest.h>

#include <csignal>
#include <functional>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

QByteArray P(const QByteArray& v, int n) { return v.leftJustified(n, ' ', true); }

// A current record written column by column.
QByteArray Rec(const QByteArray& descr, const QByteArray& key, const QByteArray& flags,
               const QByteArray& c1 = "ECU ONE", const QByteArray& c2 = "", const QByteArray& c3 = "")
{
    return P(descr, 41) + P("4", 4) + P(c1, 40) + P(c2, 40) + P(c3, 40) + P(key, 12) + P(flags, 3);
}

QByteArray Legacy(const QByteArray& descr, const QByteArray& key, const QByteArray& flag)
{
    return P(descr, 41) + P("3", 4) + P("OLD ECU A", 25) + P("OLD ECU B", 25) + P("", 25) + P(key, 12) + flag;
}

} // namespace

TEST(RecordCatalogo, ReadsEveryLayout)
{
    struct Caso {
        const char* nome;
        QByteArray riga;
        LayoutCatalogo layout;
        QString ecu2;
        QString chiave;
        QByteArray flag;
    };
    const Caso casi[] = {
        {"current", Rec("MODEL A", "KEYA", "GME", "E1", "E2", "E3"), LayoutCatalogo::Attuale, "E2", "KEYA", "GME"},
        {"legacy 132", Legacy("MODEL B", "KEYB", ""), LayoutCatalogo::Vecchio132, "OLD ECU B", "KEYB", "G  "},
        {"legacy 133", Legacy("MODEL C", "KEYC", "M"), LayoutCatalogo::Vecchio133, "OLD ECU B", "KEYC", "M  "},
        {"legacy 178", Rec("MODEL D", "KEYD", "E").left(178), LayoutCatalogo::Vecchio178, "", "KEYD", "E  "},
        {"short line", QByteArray("SHORT"), LayoutCatalogo::Attuale, "", "", "   "},
    };
    for (const Caso& c : casi) {
        SCOPED_TRACE(c.nome);
        const RecordCatalogo r = RecordCatalogo::DaRiga(c.riga);
        EXPECT_EQ(r.Layout, c.layout);
        EXPECT_EQ(r.CentralinaTesto(2), c.ecu2);
        EXPECT_EQ(r.ModelloTesto(), c.chiave);
        EXPECT_EQ(r.Tipo, c.flag);
        EXPECT_EQ(r.Testo().size(), 180);
        EXPECT_EQ(r.Record().right(2), QByteArray("\r\n"));
    }
}

TEST(RecordCatalogo, LegacyNamesAreWidenedToFortyColumns)
{
    const RecordCatalogo r = RecordCatalogo::DaRiga(Legacy("MODEL B", "KEYB", "M"));
    const QByteArray t = r.Testo();
    EXPECT_EQ(t.mid(45, 40), P("OLD ECU A", 40));
    EXPECT_EQ(t.mid(85, 40), P("OLD ECU B", 40));
    EXPECT_EQ(t.mid(165, 12), P("KEYB", 12));
    EXPECT_EQ(t.mid(177, 3), QByteArray("M  "));
}

TEST(ConvertoFilePRN, ConvertsEachLineByItsOwnLength)
{
    struct Caso {
        const char* nome;
        QByteArray riga;
        QByteArray attesa;
    };
    const QByteArray corpoVecchio = P("MODEL B", 41) + P("3", 4) + P("OLD ECU A", 40) + P("OLD ECU B", 40) + P("", 40) + P("KEYB", 12);
    const Caso casi[] = {
        {"132 gets GGG", Legacy("MODEL B", "KEYB", ""), corpoVecchio + "GGG"},
        {"133 keeps its flag then GG", Legacy("MODEL B", "KEYB", "M"), corpoVecchio + "MGG"},
        {"178 keeps its flag then GG", Rec("MODEL D", "KEYD", "E").left(178), Rec("MODEL D", "KEYD", "EGG")},
        {"179 is padded", Rec("MODEL D", "KEYD", "EM").left(179), Rec("MODEL D", "KEYD", "EM ")},
        {"180 kept", Rec("MODEL E", "KEYE", "M E"), Rec("MODEL E", "KEYE", "M E")},
        {"longer keeps 177 columns then GGG", Rec("MODEL F", "KEYF", "MMM") + "XX", Rec("MODEL F", "KEYF", "GGG")},
        {"shorter is padded", QByteArray("MODEL G"), P("MODEL G", 177) + "GGG"},
    };
    for (const Caso& c : casi) {
        SCOPED_TRACE(c.nome);
        EXPECT_EQ(RigaConvertita(c.riga), c.attesa);
        EXPECT_EQ(RigaConvertita(c.riga).size(), 180);
    }
}

TEST(ConvertoFilePRN, MixedFileIsNormalisedToWholeRecords)
{
    CartellaProgramma prog;
    // Current first line, then a legacy line, an empty line, LF-only endings and a Ctrl-Z
    // with nothing but line ends after it.
    const QByteArray dati = Rec("MODEL A", "KEYA", "G  ") + "\r\n" + Legacy("MODEL B", "KEYB", "M") + "\n\r\n   \r\n"
                            + Rec("MODEL C", "KEYC", "E") + "\x1a\r\n\x1a";
    prog.scrivi("MAKE.PRN", dati);
    ASSERT_TRUE(ConvertoFilePRN("MAKE"));
    const QByteArray out = prog.leggi("MAKE.PRN");
    ASSERT_EQ(out.size(), 3 * 182);
    EXPECT_EQ(out.mid(0, 180), Rec("MODEL A", "KEYA", "G  "));
    EXPECT_EQ(out.mid(182 + 177, 3), QByteArray("MGG"));
    EXPECT_EQ(out.mid(364, 180), Rec("MODEL C", "KEYC", "E  "));
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(out.mid(i * 182 + 180, 2), QByteArray("\r\n"));
}

TEST(ConvertoFilePRN, CurrentOrMissingFileIsNotTouched)
{
    CartellaProgramma prog;
    EXPECT_TRUE(ConvertoFilePRN("NOSUCH"));
    const QByteArray dati = Rec("MODEL A", "KEYA", "G  ") + "\r\n" + Rec("MODEL B", "KEYB", "M  ") + "\r\n";
    prog.scrivi("TEMPOR/MAKE.PRN", dati);
    const QFileInfo prima(prog.file("TEMPOR/MAKE.PRN"));
    EXPECT_TRUE(ConvertoFilePRN("TEMPOR\\MAKE"));
    EXPECT_EQ(prog.leggi("TEMPOR/MAKE.PRN"), dati);
    EXPECT_EQ(QFileInfo(prog.file("TEMPOR/MAKE.PRN")).lastModified(), prima.lastModified());
}

TEST(ConvertoFilePRN, StrayBytesAndUtf8NeverCostARecord)
{
    QByteArray conCR = Rec("MODEL A", "KEYA", "G  ");
    conCR[20] = '\r';
    QByteArray conZ = Rec("MODEL B", "KEYB", "M  ");
    conZ[10] = '\x1a';
    const QByteArray ultimo = Rec("MODEL C", "KEYC", "E  ");
    // 180 characters in 181 bytes: the description holds a two-byte letter.
    const QByteArray utf8 = QByteArray("CITRO\xc3\x8bN C3").leftJustified(42) + Rec("", "KEYU", "GM ").mid(41);
    struct Caso {
        const char* nome;
        QByteArray dati;
        bool esito;
        QByteArray dopo;        // the file afterwards
        QByteArrayList chiavi;  // model keys read back
    };
    const QByteArray interi = conCR + "\r\n" + conZ + "\r\n" + ultimo + "\r\n";
    const QByteArray dopoZ = Legacy("MODEL D", "KEYD", "M") + "\r\n\x1a" + ultimo + "\r\n";
    const Caso casi[] = {
        {"whole records keep a stray CR and Ctrl-Z", interi, true, interi, {"KEYA", "KEYB", "KEYC"}},
        {"records after a Ctrl-Z are not dropped", dopoZ, false, dopoZ, {"KEYD"}},
        {"a UTF-8 line is measured in characters", utf8 + "\r\n" + Legacy("MODEL D", "KEYD", "M") + "\r\n", true,
         Rec("CITRO\xcbN C3", "KEYU", "GM ") + "\r\n" + RigaConvertita(Legacy("MODEL D", "KEYD", "M")) + "\r\n",
         {"KEYU", "KEYD"}},
        {"a tail of NUL bytes is no record", Rec("MODEL A", "KEYA", "G  ") + "\r\n" + ultimo + "\r\n" + QByteArray(4096, '\0'),
         true, Rec("MODEL A", "KEYA", "G  ") + "\r\n" + ultimo + "\r\n", {"KEYA", "KEYC"}},
        {"a record of NUL bytes among whole records is no record", interi + QByteArray(180, '\0') + "\r\n", true,
         interi + QByteArray(180, '\0') + "\r\n", {"KEYA", "KEYB", "KEYC"}},
        {"NUL bytes after a Ctrl-Z are no text", Legacy("MODEL D", "KEYD", "M") + "\r\n\x1a" + QByteArray(512, '\0'), true,
         RigaConvertita(Legacy("MODEL D", "KEYD", "M")) + "\r\n", {"KEYD"}},
    };
    for (const Caso& c : casi) {
        SCOPED_TRACE(c.nome);
        CartellaProgramma prog;
        prog.scrivi("MAKE.PRN", c.dati);
        EXPECT_EQ(ConvertoFilePRN("MAKE"), c.esito);
        EXPECT_EQ(prog.leggi("MAKE.PRN"), c.dopo);
        QList<RecordCatalogo> letti;
        ASSERT_TRUE(LeggoCatalogo(prog.file("MAKE.PRN"), letti));
        QByteArrayList chiavi;
        for (const RecordCatalogo& r : letti)
            chiavi << r.ModelloTesto().toLatin1();
        EXPECT_EQ(chiavi, c.chiavi);
    }
}

// Runs f in a child process whose files may not grow beyond `limite` bytes, so every write
// of a larger file fails; returns what f returned.
static bool ConLimiteFile(rlim_t limite, const std::function<bool()>& f)
{
    const pid_t figlio = fork();
    if (figlio == 0) {
        signal(SIGXFSZ, SIG_IGN);
        rlimit r{limite, limite};
        setrlimit(RLIMIT_FSIZE, &r);
        _exit(f() ? 1 : 0);
    }
    int stato = 0;
    waitpid(figlio, &stato, 0);
    return WIFEXITED(stato) && WEXITSTATUS(stato) == 1;
}

TEST(ConvertoFilePRN, WriteFailureKeepsTheOldFileAndReportsFalse)
{
    CartellaProgramma prog;
    QByteArray vecchio;
    for (int i = 0; i < 20; ++i)
        vecchio += Legacy("MODEL " + QByteArray::number(i), "K" + QByteArray::number(i), "M") + "\r\n";
    prog.scrivi("MAKE.PRN", vecchio);
    EXPECT_FALSE(ConLimiteFile(3000, [] { return ConvertoFilePRN("MAKE"); }));
    EXPECT_EQ(prog.leggi("MAKE.PRN"), vecchio);
    EXPECT_EQ(QDir(prog.path()).entryList(QDir::Files), QStringList{"MAKE.PRN"});
    EXPECT_TRUE(ConLimiteFile(100000, [] { return ConvertoFilePRN("MAKE"); }));
}

TEST(OrdinoFile, WriteFailureKeepsTheCatalogueAndReportsFalse)
{
    CartellaProgramma prog;
    QByteArray dati;
    for (int i = 20; i > 0; --i)
        dati += Rec("MODEL " + QByteArray::number(i), "K" + QByteArray::number(i), "G") + "\r\n";
    prog.scrivi("MAKE.PRN", dati);
    const QString p = prog.file("MAKE.PRN");
    EXPECT_FALSE(ConLimiteFile(2000, [&] { return OrdinoFile(p); }));
    EXPECT_EQ(prog.leggi("MAKE.PRN"), dati);
    EXPECT_EQ(QDir(prog.path()).entryList(QDir::Files), QStringList{"MAKE.PRN"});
}

TEST(OrdinoFile, SortsByDescriptionWithoutRegardToCaseOrBlanks)
{
    CartellaProgramma prog;
    const QByteArray a = Rec("zeta", "K1", "G") + "\r\n";
    const QByteArray b = Rec("  Alfa", "K2", "G") + "\r\n";
    const QByteArray c = Rec("BETA", "K3", "G") + "\r\n";
    const QByteArray d = Rec("alfa", "K4", "G") + "\r\n";
    prog.scrivi("MAKE.PRN", a + b + c + d);
    ASSERT_TRUE(OrdinoFile(prog.file("MAKE.PRN")));
    const QByteArray out = prog.leggi("MAKE.PRN");
    ASSERT_EQ(out.size(), 4 * 182);
    QStringList chiavi;
    for (int i = 0; i < 4; ++i)
        chiavi << RecordCatalogo::DaRiga(out.mid(i * 182, 180)).ModelloTesto();
    // Equal keys are exchanged by the sort: the later "alfa" ends first.
    EXPECT_EQ(chiavi, (QStringList{"K4", "K2", "K3", "K1"}));
    EXPECT_FALSE(QFileInfo::exists(prog.file("ORDINO.APP")));
}

TEST(OrdinoFile, EdgeFilesStayAsTheyAre)
{
    CartellaProgramma prog;
    EXPECT_TRUE(OrdinoFile(prog.file("NONE.PRN")));
    const QByteArray uno = Rec("ONLY", "K1", "G") + "\r\n";
    prog.scrivi("ONE.PRN", uno);
    EXPECT_TRUE(OrdinoFile(prog.file("ONE.PRN")));
    EXPECT_EQ(prog.leggi("ONE.PRN"), uno);
    // A trailing partial record is kept after the sorted whole ones.
    prog.scrivi("PART.PRN", Rec("B", "K1", "G") + "\r\n" + Rec("A", "K2", "G") + "\r\n" + "PARTIAL");
    EXPECT_TRUE(OrdinoFile(prog.file("PART.PRN")));
    const QByteArray out = prog.leggi("PART.PRN");
    EXPECT_EQ(out.left(1), QByteArray("A"));
    EXPECT_TRUE(out.endsWith("PARTIAL"));
    EXPECT_EQ(out.size(), 2 * 182 + 7);
}

TEST(ElencoMarche, ListsMakesByFuelFlags)
{
    CartellaProgramma prog;
    struct Marca {
        const char* nome;
        QByteArray contenuto;
        bool cartella;
        bool gpl;
        bool metano;
    };
    const Marca marche[] = {
        {"ALFA", Rec("A", "K", "G  ") + "\r\n", true, true, false},
        {"BRAVO", Rec("A", "K", "MMM") + "\r\n", true, false, true},
        {"BRAVO2", Rec("A", "K", "M  ") + "\r\n", true, true, true},  // blank slots qualify for LPG
        {"CHARLIE", Rec("A", "K", "MME") + "\r\n", true, true, true},
        {"DELTA", Rec("A", "K", "   ") + "\r\n", true, true, false},  // a blank qualifies for LPG
        {"ECHO", Rec("A", "K", "M  ") + "\r\n" + Rec("B", "K2", "MG ") + "\r\n", true, true, true},
        {"FOXTROT", Legacy("A", "K", "M") + "\r\n", true, false, true},
        {"GOLF", Legacy("A", "K", "") + "\r\n", true, true, false},
        {"HOTEL", Rec("A", "K", "E  ") + "\r\n", false, false, false},  // no make folder
    };
    for (const Marca& m : marche) {
        prog.scrivi(QString::fromLatin1(m.nome) + ".PRN", m.contenuto);
        if (m.cartella)
            QDir().mkpath(prog.file(QString::fromLatin1(m.nome)));
    }
    prog.scrivi("VALVOLE.PRN", Rec("RAIL", "K", "GGG") + "\r\n");
    QDir().mkpath(prog.file("VALVOLE"));
    prog.scrivi("INDIA.PRN.BAK", Rec("A", "K", "G  ") + "\r\n");
    QDir().mkpath(prog.file("INDIA"));

    QStringList gpl, metano;
    for (const Marca& m : marche) {
        if (m.gpl)
            gpl << m.nome;
        if (m.metano)
            metano << m.nome;
    }
    EXPECT_EQ(ElencoMarche(prog.path(), 0), gpl);
    EXPECT_EQ(ElencoMarche(prog.path() + "/", 1), metano);

    QListWidget lista;
    lista.addItem("stale");
    ElencoStampe(prog.path(), &lista, 1);
    ASSERT_EQ(lista.count(), metano.size());
    EXPECT_EQ(lista.item(0)->text(), metano.first());
    QComboBox combo;
    ElencoStampe(prog.path(), &combo, 0);
    EXPECT_EQ(combo.count(), gpl.size());
    EXPECT_FALSE(QFileInfo::exists(prog.file("ELEPRN.PRV")));
}

TEST(CercoModelloCatalogo, FindsByKeyWithoutRegardToCase)
{
    CartellaProgramma prog;
    prog.scrivi("MAKE.PRN", Rec("MODEL A", "KEYA", "G") + "\r\n" + Legacy("MODEL B", "Keyb", "M") + "\r\n");
    RecordCatalogo r;
    ASSERT_TRUE(CercoModelloCatalogo(PercorsoCatalogo("make"), "keyB ", r));
    EXPECT_EQ(r.DescrizioneTesto(), "MODEL B");
    EXPECT_EQ(r.Layout, LayoutCatalogo::Vecchio133);
    EXPECT_FALSE(CercoModelloCatalogo(PercorsoCatalogo("MAKE"), "KEYZ", r));
    EXPECT_FALSE(CercoModelloCatalogo(PercorsoCatalogo("NONE"), "KEYA", r));
    QList<RecordCatalogo> tutti;
    ASSERT_TRUE(LeggoCatalogo(PercorsoCatalogo("MAKE"), tutti));
    EXPECT_EQ(tutti.size(), 2);
    // A full path in other letter case finds the file too.
    ASSERT_TRUE(LeggoCatalogo(prog.path() + "/make.prn", tutti));
    EXPECT_EQ(tutti.size(), 2);
}

TEST(RecordCatalogo, DisplayTextIsWindows1252)
{
    const RecordCatalogo r = RecordCatalogo::DaRiga(Rec("CIT\xc9 \x80 \x96", "K\xe9", "G", "\x8a"));
    EXPECT_EQ(r.DescrizioneTesto(), QString::fromUtf8("CITÉ € –"));
    EXPECT_EQ(r.CentralinaTesto(1), QString::fromUtf8("Š"));
    EXPECT_EQ(r.ModelloTesto(), QString::fromUtf8("Ké"));
}

TEST(AnalizzoRiga, KeywordStandsInTheFirstTwentyColumns)
{
    struct Caso {
        QByteArray riga;
        QByteArray chiave;
        QByteArray valore;
        bool duePunti;
    };
    const Caso casi[] = {
        {"MARCA               : Aurelia", "MARCA", " Aurelia", true},
        {"   marca                 :x:y  ", "MARCA", "x:y", true},
        {"MARCA: AURELIA", "MARCA: AURELIA", " AURELIA", true},  // colon within the keyword columns
        {"END", "END", "", false},
        {"MODELLO", "MODELLO", "", false},
        {"", "", "", false},
    };
    for (const Caso& c : casi) {
        SCOPED_TRACE(c.riga.constData());
        const RigaAggiornamento r = AnalizzoRiga(c.riga);
        EXPECT_EQ(r.chiave, c.chiave);
        EXPECT_EQ(r.valore, c.valore);
        EXPECT_EQ(r.duePunti, c.duePunti);
    }
}

TEST(ValoreTesto, ReadsTheLeadingNumber)
{
    const std::pair<QByteArray, double> casi[] = {
        {" 2", 2}, {"3abc", 3}, {"abc", 0}, {"1 2", 12}, {"-1.5", -1.5}, {"2.5e1", 25}, {"", 0}, {"+", 0},
    };
    for (const auto& [testo, valore] : casi)
        EXPECT_DOUBLE_EQ(ValoreTesto(testo), valore) << testo.constData();
}

TEST(CatalogoTesto, UpperCaseCoversAccentedLetters)
{
    EXPECT_EQ(CatalogoTesto::Maiuscolo("abc\xe9\xf7\xff"), QByteArray("ABC\xc9\xf7\x9f"));
    EXPECT_EQ(CatalogoTesto::Righe("a\r\nb\nc\rd"), (QList<QByteArray>{"a", "b", "c", "d"}));
}
