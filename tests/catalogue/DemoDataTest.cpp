// The demo data generator's writers against values computed by hand.
#include "demodata/lib/DemoData.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace DemoData;

TEST(DemoData, SRecordsCarryCountAddressAndChecksum)
{
    // Map header of version 5 converted on 7 January 2004.
    const QByteArray dati = QByteArray::fromHex("30323035" "4C3041413030" "070107D4" "3030303030");
    EXPECT_EQ(RecordS('0', 0, dati), QByteArray("S0160000303230354C3041413030070107D43030303030F1\r\n"));
    // Ends: S9 with address 0: count 03, checksum FF - 03 = FC; S8 at 0x010000: 04+01 -> FA.
    EXPECT_EQ(RecordS('9', 0, {}), QByteArray("S9030000FC\r\n"));
    EXPECT_EQ(RecordS('8', 0x10000, {}), QByteArray("S804010000FA\r\n"));
    // S2 "ABC" at 0x03FFEC: 07+03+FF+EC+41+42+43 = 0x2BB -> FF - BB = 44.
    EXPECT_EQ(RecordS('2', 0x03FFEC, "ABC"), QByteArray("S20703FFEC41424344\r\n"));
}

TEST(DemoData, SoftwareVersionRecordMatchesItsDescription)
{
    const Software s{"02", "L0AA", "L0AA", "ZQ3010450", false};
    const QList<QByteArray> righe = SoftwareS19(s).split('\n');
    QByteArray versione;
    for (const QByteArray& r : righe) {
        if (r.startsWith("S2") && r.mid(4, 6) == "03FFEC") {
            // Readers take the characters coded at 11, 13, 15, 25, 27, 17, 19, 21, 23.
            for (int p : {11, 13, 15, 25, 27, 17, 19, 21, 23})
                versione += char(r.mid(p - 1, 2).toInt(nullptr, 16));
        }
    }
    EXPECT_EQ(versione, QByteArray("ZQ3010450"));
    EXPECT_TRUE(DescrizioneSoftware(s).startsWith("ZQ3010450\r\n"));
    // The loader keeps its version in an S1 record at 3FF0.
    const QByteArray k = SoftwareS19({"02", "KERNEL", "K1", "KL1000120", true});
    EXPECT_TRUE(k.contains("S10C3FF0"));
    EXPECT_TRUE(k.endsWith("S9033000CC\r\n"));
}

TEST(DemoData, CatalogueLinesHaveTheirColumns)
{
    const Modello m = ModelliProgramma().at(1);  // AURELIA CORSA 1.4 16V
    const QByteArray r = RigaCatalogo(m);
    ASSERT_EQ(r.size(), 180);
    EXPECT_EQ(r.mid(0, 41).trimmed(), QByteArray("AURELIA CORSA 1.4 16V"));
    EXPECT_EQ(r.mid(41, 4), QByteArray("4   "));
    EXPECT_EQ(r.mid(45, 40).trimmed(), QByteArray("PETRONIX P4 MULTIPOINT"));
    EXPECT_EQ(r.mid(85, 40).trimmed(), QByteArray("FUELTEK MK2"));
    EXPECT_EQ(r.mid(165, 12), QByteArray("CORSA14     "));
    EXPECT_EQ(r.mid(177, 3), QByteArray("GE "));
    EXPECT_EQ(RigaCatalogoVecchia(ModelliProgramma().at(5), true).size(), 133);
    EXPECT_EQ(RigaCatalogoVecchia(ModelliProgramma().at(5), false).size(), 132);
    EXPECT_EQ(RigaCatalogoVecchia(ModelliProgramma().at(5), true).right(13), QByteArray("LAVA16      M"));
}

TEST(DemoData, MapsHoldTwoThousandEightHundredFiftyValues)
{
    const QList<QByteArray> righe = MappaValori(2, false, "X").split('\n');
    // A comment line, 2,850 values and the empty rest after the last line end.
    ASSERT_EQ(righe.size(), 2852);
    EXPECT_TRUE(righe[0].startsWith("*"));
    EXPECT_EQ(righe[1], QByteArray("000059\r"));       // (1 * 37 + 2 * 11) % 2000
    EXPECT_EQ(righe[2003], QByteArray("000105\r"));    // PWM line 1: 100 + 5
    EXPECT_EQ(righe[2605], QByteArray("000010\r"));    // PCM line 1
    EXPECT_EQ(righe[2650], QByteArray("0000-1\r"));
    EXPECT_EQ(righe[2827], QByteArray("000005\r"));    // map version
    EXPECT_EQ(MappaValori(2, true, "X").split('\n')[2827], QByteArray("000006\r"));
    EXPECT_EQ(TabellaPWM().count('\n'), 602);
    EXPECT_EQ(TabellaPCM().count('\n'), 26);
}

TEST(DemoData, UpdateFileKeywordsFillTwentyColumns)
{
    EXPECT_EQ(RigaChiave("MARCA", "AURELIA"), QByteArray("MARCA               : AURELIA\r\n"));
    const QByteArray f = FileModelli({ModelliSupporto().at(2)});
    EXPECT_TRUE(f.contains("TIPO_IMPIANTO       : E\r\nVERSIONE_CENTR_BENZ : 1\r\n"));
    EXPECT_TRUE(f.endsWith("END\r\n\r\n"));
}

TEST(DemoData, WiringDiagramIsAWellFormedPdf)
{
    const QByteArray pdf = SchemaPdf("MODEL (X)");
    ASSERT_TRUE(pdf.startsWith("%PDF-1.4\n"));
    ASSERT_TRUE(pdf.endsWith("%%EOF\n"));
    const qsizetype sx = pdf.lastIndexOf("startxref\n");
    const int xref = pdf.mid(sx + 10).split('\n').first().toInt();
    EXPECT_EQ(pdf.mid(xref, 4), QByteArray("xref"));
    // Every object offset of the table points at its "n 0 obj" line.
    const QList<QByteArray> tabella = pdf.mid(xref).split('\n');
    for (int i = 1; i <= 5; ++i) {
        const int pos = tabella[2 + i].left(10).toInt();
        EXPECT_TRUE(pdf.mid(pos).startsWith(QByteArray::number(i) + " 0 obj")) << i;
        EXPECT_EQ(tabella[2 + i].size(), 19);  // 20 bytes with the line feed
    }
    EXPECT_FALSE(pdf.contains("(X)"));
}

TEST(DemoData, CommandLineWritesBothFolders)
{
    QTemporaryDir dir;
    const QString programma = QStringLiteral(ZEQ_BINARY_DIR) + "/demodata";
    if (!QFileInfo::exists(programma))
        GTEST_SKIP() << "demodata not built";
    QProcess p;
    p.start(programma, {"--program", dir.path() + "/prog", "--media", dir.path() + "/media"});
    ASSERT_TRUE(p.waitForFinished(120000));
    EXPECT_EQ(p.exitCode(), 0);
    EXPECT_TRUE(QFileInfo::exists(dir.path() + "/prog/AURELIA.PRN"));
    EXPECT_TRUE(QFileInfo::exists(dir.path() + "/prog/SOFTWARE/02/KERNEL/K1.S19"));
    EXPECT_TRUE(QFileInfo::exists(dir.path() + "/prog/VALVOLE/MODEL_1/TABPWM.PWM"));
    EXPECT_TRUE(QFileInfo::exists(dir.path() + "/prog/AURELIA/VENTO20/CENTRAL1/VENTO20M.PDF"));
    EXPECT_TRUE(QFileInfo::exists(dir.path() + "/media/DELFINO/MAREA16/CENTRAL3/MOTORO02.QOX"));
    QFile cal(dir.path() + "/prog/CALDERA.PRN");
    ASSERT_TRUE(cal.open(QIODevice::ReadOnly));
    EXPECT_EQ(cal.size(), 133 + 2 + 132 + 2);
    QProcess senza;
    senza.start(programma, {"--bogus"});
    ASSERT_TRUE(senza.waitForFinished(30000));
    EXPECT_EQ(senza.exitCode(), 2);
}
