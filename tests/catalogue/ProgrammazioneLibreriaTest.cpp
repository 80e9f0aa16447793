// The software list, the result codes of the send's programming path and the header
// fields the send dialog shows, on hand-made and on demo library folders.
#include "catalogue/MapFiles.h"
#include "catalogue/SRecord.h"
#include "catalogue/SoftwareLibrary.h"
#include "demodata/lib/DemoData.h"
#include "ecusim/lib/Codifica.h"
#include "support/TestSupport.h"

#include <QFileInfo>
#include <gtest/gtest.h>

using namespace DemoData;

TEST(CodiceProgrammazione, RulesAAndBByFilesAndLookUps)
{
    // s: what the look-up of the software returns; preparo: the map build's result.
    const struct { const char* sw; bool f19, qox; int preparo; int s; const char* nome; int codice; } casi[] = {
        // rule A: major 02 or above, minor below 50
        {"02.10ABCD", true, true, 0, 0, "L0AA", 3},   {"02.10ABCD", true, false, 0, 2, "L0AA", 4},
        {"02.49ABCD", true, false, 0, 1, "", 4},      {"03.00ABCD", false, true, 0, 0, "L0AA", 3},
        {"02.10ABCD", false, true, 0, 2, "L0AA", 1},  {"02.10ABCD", false, true, 0, 1, "", 16},
        {"02.10ABCD", false, true, 15, 0, "L0AA", 15}, {"02.10ABCD", false, false, 0, 0, "", 10},
        // rule B: every other version
        {"02.50ABCD", true, true, 0, 0, "L0AA", 0},   {"01.10ABCD", true, false, 0, 2, "L1aa", 1},
        {"02.60ABCD", true, false, 0, 2, "L0ZZ", 4},  {"02.60ABCD", true, false, 0, 1, "", 16},
        {"02.60ABCD", false, true, 0, 0, "L0AA", 0},  {"02.60ABCD", false, true, 0, 2, "L0AA", 2},
        {"02.60ABCD", false, true, 0, 1, "", 16},     {"02.60ABCD", false, true, 99, 0, "", 99},
        {"", false, false, 0, 0, "", 10},
    };
    for (const auto& c : casi) {
        int preparate = 0;
        QString nome;
        const int codice = CodiceProgrammazione(
            QString::fromLatin1(c.sw), c.f19, c.qox, [&] { ++preparate; return c.preparo; },
            [&](QString& n) { n = QString::fromLatin1(c.nome); return c.s; }, nome);
        EXPECT_EQ(codice, c.codice) << c.sw << ' ' << c.f19 << c.qox << ' ' << c.s;
        EXPECT_EQ(preparate, !c.f19 && c.qox ? 1 : 0);   // the map is built only from a .QOX alone
    }
}

TEST(CodiceProgrammazione, MessagesOfTheResultCodes)
{
    const struct { int codice, messaggio; } casi[] = {
        {1, 157}, {2, 158}, {3, 159}, {4, 160}, {5, 161}, {10, 165}, {11, 166}, {12, 167},
        {13, 168}, {14, 169}, {15, 170}, {16, 171}, {99, 173}, {6, 173}, {17, 173}, {-1, 173},
    };
    for (const auto& c : casi)
        EXPECT_EQ(MessaggioProgrammazione(c.codice), c.messaggio) << c.codice;
}

TEST(CodiceProgrammazione, HeaderFieldsOfTheSendDialog)
{
    const QByteArray buona = DemoData::RecordS('0', 0, "0207L0AA00" + QByteArray("\x01\x01\x07\xEA", 4) + "PRJ42").trimmed();
    const struct { QByteArray riga; const char* mappa; const char* software; const char* progetto; } casi[] = {
        {buona, "7", "L0AA", "PRJ42"},
        {buona.left(44), "7", "L0AA", ""},           // project code cut short
        {buona.left(20), "7", "", ""},
        {buona.left(14), "", "", ""},
        {"S0", "", "", ""},
        {"", "", "", ""},
        {"S00F0000303GZZ4C304141", "", "", ""},       // not hex from the map version on
    };
    for (const auto& c : casi) {
        const VersioniIntestazione v = LeggoVersioniIntestazione(c.riga);
        EXPECT_EQ(v.versioneMappa, c.mappa) << c.riga.constData();
        EXPECT_EQ(v.software, c.software) << c.riga.constData();
        EXPECT_EQ(v.progetto, c.progetto) << c.riga.constData();
    }
}

TEST(ElencoSoftware, FoldersAndFilesInNameOrderWithTheirVersions)
{
    CartellaProgramma app;
    EXPECT_TRUE(ElencoSoftware().isEmpty());   // no library at all
    app.scrivi("SOFTWARE/02/l0ab/l0ab.s19", SoftwareS19({"02", "l0ab", "l0ab", "ZQ3020460", false}));
    app.scrivi("SOFTWARE/02/L0AA/L0AA.S19", SoftwareS19({"02", "L0AA", "L0AA", "ZQ3010450", false}));
    app.scrivi("SOFTWARE/02/L0AA/L0AA.TXT", "ZQ3010450\r\n");
    app.scrivi("SOFTWARE/02/Kernel/K1.S19", SoftwareS19({"02", "KERNEL", "K1", "KL1130520", true}));
    app.scrivi("SOFTWARE/02/VUOTA/LEGGIMI.TXT", "nothing\r\n");
    app.scrivi("SOFTWARE/02/SW0450.S19", SoftwareS19({"02", "", "SW0450", "ZQ3010450", false}));
    app.scrivi("SOFTWARE/01/ALTRA/A.S19", SoftwareS19({"01", "ALTRA", "A", "ZQ1010120", false}));
    const QList<RigaSoftware> righe = ElencoSoftware();
    QStringList nomi, versioni;
    for (const RigaSoftware& r : righe) {
        nomi << r.nome;
        versioni << r.versione;
    }
    EXPECT_EQ(nomi, (QStringList{"Kernel\\K1.S19", "L0AA\\L0AA.S19", "l0ab\\l0ab.s19"}));
    EXPECT_EQ(versioni, (QStringList{"KL1130520", "ZQ3010450", "ZQ3020460"}));
}

// The demo library against the programming path and the simulated ECU's default loader.
TEST(ElencoSoftware, DemoLibraryFitsTheProgrammingPath)
{
    CartellaProgramma app;
    ASSERT_TRUE(ScrivoProgramma(app.path()));
    const struct { const char* cartella; int s; const char* nome; int codice; } casi[] = {
        {"BOREAS/TUNDRA18T/CENTRAL1", 2, "L1AA", 1},
        {"CALDERA/MAGMA13/CENTRAL1", 2, "L0ZZ", 4},
    };
    for (const auto& c : casi) {
        const QString f19 = app.file(QString::fromLatin1(c.cartella) + "/C_GPL02.F19");
        QString nome;
        EXPECT_EQ(CercoSoftware(f19, nome, 2), c.s);
        EXPECT_EQ(nome, c.nome);
        EXPECT_EQ(CodiceProgrammazione("02.510315", true, true, [] { return 0; },
                                       [&](QString& n) { return CercoSoftware(f19, n, 2); }, nome),
                  c.codice);
    }
    // A car with only its .QOX: the map is built and names the library's base software.
    const QString cartella = app.file("AURELIA/BREZZA12/CENTRAL1");
    QString nome;
    EXPECT_EQ(CodiceProgrammazione("02.510315", false, true,
                                   [&] { return PreparoMappa(cartella + "/MOTORO02", cartella + "/C_GPL02"); },
                                   [&](QString& n) { return CercoSoftware(cartella + "/C_GPL02.F19", n, 2); }, nome),
              0);
    EXPECT_EQ(nome, "L0AA");
    // The loader on the PC is newer than the one the simulated ECU reports by default.
    const QString pc = LeggoVersioneS1(app.file("SOFTWARE/02/KERNEL/K1.S19"));
    const QByteArray ecu = ecusim::Identita{}.versioneCaric;  // as sent: 1-3, 4-7 last
    const QByteArray mostrata = ecu.mid(0, 3) + ecu.mid(7, 2) + ecu.mid(3, 4);
    EXPECT_GT(pc.mid(3, 4).toInt(), mostrata.mid(3, 4).toInt());
    EXPECT_EQ(mostrata.mid(3, 4), "1203");
    // Software mode for type-1 ECUs: a file with its description in SOFTWARE/01.
    EXPECT_EQ(LeggoDescrizioneSW(app.file("SOFTWARE/01/SW0120.S19")), "ZQ1010120");
}
