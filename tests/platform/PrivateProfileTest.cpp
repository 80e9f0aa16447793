#include "platform/PrivateProfile.h"
#include "support/TestSupport.h"

#include <QFile>
#include <QFileInfo>
#include <gtest/gtest.h>

namespace {

const QByteArray Campione =
    "; comment before any section\r\n"
    "Orfana=1\r\n"
    "[Generale]\r\n"
    "  Lingua = 4 \t\r\n"
    "VUOTA=\r\n"
    "Spazi=   \r\n"
    "Citato=\"  a b  \"\r\n"
    "Singolo='x'\r\n"
    "Mezzo=\"abc\r\n"
    "Misto=\"abc'\r\n"
    "Commento=valore ; not a comment\r\n"
    ";Nascosta=1\r\n"
    "SenzaUguale\r\n"
    "Doppia=prima\r\n"
    "Doppia=seconda\r\n"
    "Uguali=a=b\r\n"
    "\r\n"
    "[ porte ]\n"
    "com1=/dev/ttyUSB0\n"
    "Accento=\xe8\n";

} // namespace

TEST(PrivateProfile, ReadsLikeTheWindowsCall)
{
    CartellaProgramma app;
    app.scrivi("ZEQINST.INI", Campione);
    const QString f = FileConfigurazione();
    ASSERT_EQ(f, app.path() + "/ZEQINST.INI");
    struct Caso {
        const char* sezione;
        const char* chiave;
        QString atteso;
    };
    const QString def = "DEF";
    const Caso casi[] = {
        {"GENERALE", "lingua", "4"},          // names without regard to case, blanks trimmed
        {" generale ", " Lingua", "4"},       // blanks around the names asked for too
        {"Generale", "vuota", ""},            // present and empty: not the default
        {"Generale", "Spazi", ""},
        {"Generale", "Citato", "  a b  "},    // matching quotes go, what is inside stays
        {"Generale", "Singolo", "x"},
        {"Generale", "Mezzo", "\"abc"},       // an unmatched quote stays
        {"Generale", "Misto", "\"abc'"},
        {"Generale", "Commento", "valore ; not a comment"},
        {"Generale", "Nascosta", def},        // a commented-out key is not there
        {"Generale", ";Nascosta", def},
        {"Generale", "SenzaUguale", ""},
        {"Generale", "Doppia", "prima"},      // the first of two equal keys
        {"Generale", "Uguali", "a=b"},
        {"Generale", "Orfana", def},          // keys before any section belong to none
        {"", "Orfana", def},
        {"PORTE", "COM1", "/dev/ttyUSB0"},    // LF-only lines read the same
        {"Porte", "Accento", QString(QChar(0xe8))},  // a non-UTF-8 line reads as Latin-1
        {"Porte", "Lingua", def},             // a key of another section
        {"Manca", "Lingua", def},
    };
    for (const Caso& c : casi) {
        QString buffer = "old";
        const int n = LeggoProfilo(c.sezione, c.chiave, def, buffer, f);
        EXPECT_EQ(buffer, c.atteso) << c.sezione << "/" << c.chiave;
        EXPECT_EQ(n, c.atteso.size()) << c.sezione << "/" << c.chiave;
    }
}

TEST(PrivateProfile, MissingFileGivesTheDefaultWithoutTrailingBlanksAndValuesAreCut)
{
    CartellaProgramma app;
    QString b;
    EXPECT_EQ(LeggoProfilo("A", "B", "uno due  ", b, app.file("NESSUNO.INI")), 7);
    EXPECT_EQ(b, "uno due");
    EXPECT_EQ(LeggoProfilo("A", "B", "", b, app.file("NESSUNO.INI")), 0);
    EXPECT_EQ(b, "");
    app.scrivi("LUNGO.INI", "[A]\r\nB=" + QByteArray(300, 'x') + "\r\n");
    EXPECT_EQ(LeggoProfilo("A", "B", "", b, app.file("LUNGO.INI")), 254);
    EXPECT_EQ(b, QString(254, 'x'));
    EXPECT_EQ(LeggoProfilo("A", "C", QString(300, 'y'), app.file("LUNGO.INI")).size(), 254);
}

TEST(PrivateProfile, WritesChangeOnlyWhatTheyMustByteForByte)
{
    const QByteArray base = "[A]\r\nk=1\r\nx = 2\n; about B\r\n\r\n[B]\nk=3";
    struct Caso {
        const char* nome;
        QByteArray prima;
        QList<VoceProfilo> voci;
        QByteArray dopo;
    };
    const Caso casi[] = {
        {"value replaced in place", base, {{"a", "K", "nuovo"}},
         "[A]\r\nk=nuovo\r\nx = 2\n; about B\r\n\r\n[B]\nk=3"},
        {"name keeps the file's spelling", base, {{"A", "X", " v "}},
         "[A]\r\nk=1\r\nx= v \r\n; about B\r\n\r\n[B]\nk=3"},
        {"missing key after the last key of its section", base, {{"A", "Y", "5"}},
         "[A]\r\nk=1\r\nx = 2\nY=5\r\n; about B\r\n\r\n[B]\nk=3"},
        {"missing key in the last, unterminated line", base, {{"B", "J", "4"}},
         "[A]\r\nk=1\r\nx = 2\n; about B\r\n\r\n[B]\nk=3\r\nJ=4\r\n"},
        {"missing section at the end", base, {{"C", "Z", ""}},
         "[A]\r\nk=1\r\nx = 2\n; about B\r\n\r\n[B]\nk=3\r\n[C]\r\nZ=\r\n"},
        {"missing file", QByteArray(), {{"S", "K", "V"}}, "[S]\r\nK=V\r\n"},
        {"empty section", "[S]\r\n[T]\r\n", {{"s", "K", "V"}}, "[S]\r\nK=V\r\n[T]\r\n"},
        {"foreign bytes untouched", "\xff\xfe junk\n[S]\r\nK=\xe8\r\n", {{"S", "K", "x"}},
         "\xff\xfe junk\n[S]\r\nK=x\r\n"},
        {"commented key is not replaced", "[S]\r\n;K=1\r\n", {{"S", "K", "2"}},
         "[S]\r\nK=2\r\n;K=1\r\n"},  // a section without keys takes it after its header
        {"several keys in one write", base, {{"A", "k", "9"}, {"N", "P", "COM2"}, {"n", "Q", "/dev/x"}},
         "[A]\r\nk=9\r\nx = 2\n; about B\r\n\r\n[B]\nk=3\r\n[N]\r\nP=COM2\r\nQ=/dev/x\r\n"},
    };
    for (const Caso& c : casi) {
        CartellaProgramma app;
        if (!c.prima.isNull())
            app.scrivi("P.INI", c.prima);
        EXPECT_TRUE(ScrivoProfilo(c.voci, app.file("P.INI"))) << c.nome;
        EXPECT_EQ(app.leggi("P.INI"), c.dopo) << c.nome;
    }
}

TEST(PrivateProfile, WhatIsWrittenReadsBack)
{
    CartellaProgramma app;
    const QString f = FileConfigurazione();
    ASSERT_TRUE(ScrivoProfilo("Config", "Telefono", "+39 0123", f));
    ASSERT_TRUE(ScrivoProfilo("CONFIG", "Vuoto", "", f));
    ASSERT_TRUE(ScrivoProfilo("config", "Nome", QString::fromUtf8("Officina \xc3\xa8"), f));
    QString b = "x";
    EXPECT_EQ(LeggoProfilo("Config", "telefono", "", b, f), 8);
    EXPECT_EQ(b, "+39 0123");
    EXPECT_EQ(LeggoProfilo("Config", "Vuoto", "def", b, f), 0);
    EXPECT_EQ(LeggoProfilo("Config", "Nome", "", f), QString::fromUtf8("Officina \xc3\xa8"));
    EXPECT_EQ(app.leggi("ZEQINST.INI"),
              QByteArray("[Config]\r\nTelefono=+39 0123\r\nVuoto=\r\nNome=Officina \xc3\xa8\r\n"));
}

TEST(PrivateProfile, FailedOrRefusedWritesReportFailureAndKeepTheFile)
{
    CartellaProgramma app;
    app.scrivi("P.INI", "[S]\nK=1\n");
    // Text that would break the line structure is refused.
    const QList<VoceProfilo> rifiutate{
        {"S", "K", "1\r\nINIETTATA=1"}, {"S", "K\n", "1"}, {"S\r", "K", "1"}, {"S]", "K", "1"},
        {"S", "K=1", "1"}, {"", "K", "1"}, {"S", "  ", "1"}, {"S", ";K", "1"},
        {"S", "K", QString("a") + QChar(0) + "b"},
    };
    for (const VoceProfilo& v : rifiutate)
        EXPECT_FALSE(ScrivoProfilo({v}, app.file("P.INI"))) << v.sezione.toStdString() << "/" << v.chiave.toStdString();
    // A refused entry stops the whole batch.
    EXPECT_FALSE(ScrivoProfilo({{"S", "K", "2"}, {"S", "K", "x\ny"}}, app.file("P.INI")));
    EXPECT_EQ(app.leggi("P.INI"), QByteArray("[S]\nK=1\n"));

    EXPECT_FALSE(ScrivoProfilo("S", "K", "1", app.path() + "/MANCA/P.INI"));
    EXPECT_FALSE(QFileInfo::exists(app.path() + "/MANCA"));
    EXPECT_FALSE(ScrivoProfilo("S", "K", "1", app.path()));  // a folder, not a file
    EXPECT_FALSE(ScrivoProfilo("S", "K", "1", QString()));
    // A file that can be read but not replaced (its folder takes no new files, even for root).
    if (QFileInfo::exists("/proc/version")) {
        EXPECT_FALSE(ScrivoProfilo("S", "K", "1", "/proc/version"));
    }
}

TEST(PrivateProfile, ByteOrderMarkIsNotPartOfTheFirstSection)
{
    CartellaProgramma app;
    const QString f = FileConfigurazione();
    const QByteArray bom = "\xEF\xBB\xBF";
    app.scrivi("ZEQINST.INI", bom + "[SERIALE]\r\nPorta=COM3\r\n");
    EXPECT_EQ(LeggoProfilo("SERIALE", "Porta", "COM1", f), "COM3");
    // A write finds the same section (no second one that reads would never reach) and keeps the mark.
    ASSERT_TRUE(ScrivoProfilo("SERIALE", "Porta", "COM4", f));
    EXPECT_EQ(LeggoProfilo("SERIALE", "Porta", "COM1", f), "COM4");
    EXPECT_EQ(app.leggi("ZEQINST.INI"), bom + "[SERIALE]\r\nPorta=COM4\r\n");
}
