#include "catalogue/MapFiles.h"
#include "catalogue/SRecord.h"
#include "platform/Files.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <gtest/gtest.h>

#include <sys/stat.h>

namespace {

// A value file of n value lines, line k holding `valore(k)`, with optional comment lines
// spread through it.
QByteArray mappaTesto(int n, const std::function<QByteArray(int)>& valore, bool commenti = false)
{
    QByteArray t;
    for (int k = 1; k <= n; ++k) {
        if (commenti && k % 500 == 1)
            t += "* comment before value " + QByteArray::number(k) + "\r\n";
        t += valore(k) + "\r\n";
    }
    return t;
}

QByteArray righe(int n, int base)
{
    QByteArray t;
    for (int i = 1; i <= n; ++i)
        t += QByteArray::number(base + i) + "\r\n";
    return t;
}

QByteArray valoreImmagine(const QByteArray& immagine, int k) { return immagine.mid(6 * (k - 1), 6); }

QStringList fileDi(const QString& cartella)
{
    return QDir(cartella).entryList(QDir::Files | QDir::Hidden, QDir::Name);
}

} // namespace

TEST(MapValues, SignedValueOfALine)
{
    const struct { const char* riga; double atteso; } casi[] = {
        {"000125", 125}, {"0000-1", -1}, {"-00001", -1}, {"0-0001", -1}, {"  42", 42},
        {"000000", 0}, {"", 0}, {"abc", 0}, {"12-5", -5}, {"001.50", 1.5}, {"-", 0},
    };
    for (const auto& c : casi)
        EXPECT_DOUBLE_EQ(ValoreConSegno(QByteArrayView(c.riga)), c.atteso) << c.riga;
    EXPECT_DOUBLE_EQ(ValoreConSegno(QStringLiteral("0000-1")), -1);
    EXPECT_DOUBLE_EQ(ValoreConSegno(QByteArray("-00001")), -1);
    EXPECT_DOUBLE_EQ(ValoreConSegno("000125"), 125);
}

TEST(MapValues, StoredFormOfALine)
{
    const struct { const char* riga; const char* atteso; } casi[] = {
        {"125", "000125"}, {" -1 ", "0000-1"}, {"-1", "0000-1"}, {"-00001", "-00001"},
        {"", "000000"}, {"   ", "000000"}, {"123456", "123456"}, {"-99999", "-99999"},
        {"0000125", "000125"}, {"-000125", "00-125"}, {"+0000042", "000042"}, {"00000000", "000000"},
        {"-0000000", "000000"}, {"\t7\t", "000007"},
        // too wide once leading zeros are gone, or not a number at all: refused, never cut
        {"1234567", nullptr}, {"-123456", nullptr}, {"0001234567", nullptr}, {"abcdefg", nullptr},
        {"12 34 56", nullptr},
    };
    for (const auto& c : casi) {
        QByteArray v;
        const bool ok = NormalizzoValore(QByteArrayView(c.riga), v);
        if (c.atteso) {
            EXPECT_TRUE(ok) << c.riga;
            EXPECT_EQ(v, QByteArray(c.atteso)) << c.riga;
        } else {
            EXPECT_FALSE(ok) << c.riga << " gave " << v.constData();
        }
    }
}

TEST(MapValues, NumericTableLines)
{
    for (const char* si : {"125", "-1", "0000-1", "-00001", "+5", " 42 ", "000000", "0"})
        EXPECT_TRUE(TestoNumerico(QByteArrayView(si))) << si;
    for (const char* no : {"", "   ", "-", "0-", "1.5", "12a", "abc", "1 2", "--1"})
        EXPECT_FALSE(TestoNumerico(QByteArrayView(no))) << no;
}

TEST(MapValues, FormattoFileNormalisesInPlace)
{
    CartellaProgramma app;
    app.scrivi("MAPPE/motoro02.qox", "* header comment\r\n125\r\n  -1  \r\n\r\n   * indented comment\r\n"
                                     "0000125\r\n-00001\n42");
    EXPECT_EQ(FormattoFile(app.path() + "/MAPPE/MOTORO02.QOX"), 0);
    EXPECT_EQ(app.leggi("MAPPE/motoro02.qox"), "000125\r\n0000-1\r\n000000\r\n000125\r\n-00001\r\n000042\r\n");
    EXPECT_EQ(fileDi(app.file("MAPPE")), QStringList{"motoro02.qox"});
    // Normalising a normalised file changes nothing.
    EXPECT_EQ(FormattoFile(app.file("MAPPE/motoro02.qox")), 0);
    EXPECT_EQ(app.leggi("MAPPE/motoro02.qox"), "000125\r\n0000-1\r\n000000\r\n000125\r\n-00001\r\n000042\r\n");
}

TEST(MapValues, FormattoFileRefusesWhatItCannotStore)
{
    CartellaProgramma app;
    const QByteArray originale = "1\r\n2\r\n1234567\r\n4\r\n";
    app.scrivi("M.QOX", originale);
    EXPECT_EQ(FormattoFile(app.file("M.QOX")), -1);
    EXPECT_EQ(app.leggi("M.QOX"), originale);
    EXPECT_EQ(fileDi(app.path()), QStringList{"M.QOX"});  // no work file left behind
    // A map far past any real size is refused before it is read, and stays as it is.
    ASSERT_TRUE(QFile::resize(app.file("M.QOX"), qint64(2) << 30));   // sparse
    QByteArray letto;
    EXPECT_FALSE(Files::LeggiTutto(app.file("M.QOX"), letto));
    EXPECT_TRUE(letto.isEmpty());
    EXPECT_EQ(FormattoFile(app.file("M.QOX")), -1);
    EXPECT_EQ(QFileInfo(app.file("M.QOX")).size(), qint64(2) << 30);
    EXPECT_EQ(fileDi(app.path()), QStringList{"M.QOX"});
    // Nor is what is no regular file read: a FIFO would be waited for, a device read without end.
    ASSERT_EQ(::mkfifo(QFile::encodeName(app.file("FIFO.QOX")).constData(), 0600), 0);
    ASSERT_TRUE(QFile::link("/dev/zero", app.file("ZERO.QOX")));
    for (const char* nome : {"FIFO.QOX", "ZERO.QOX"}) {
        EXPECT_FALSE(Files::LeggiTutto(app.file(nome), letto)) << nome;
        EXPECT_EQ(FormattoFile(app.file(nome)), -1) << nome;
    }
    EXPECT_EQ(FormattoFile(app.file("NONE.QOX")), -1);
    EXPECT_FALSE(QFile::exists(app.file("NONE.QOX")));
}

TEST(MapValues, RecordsReadAndWrittenByNumber)
{
    CartellaProgramma app;
    app.scrivi("M.APP", mappaTesto(2850, [](int k) { return QByteArray::number(k).rightJustified(6, '0'); }));
    QByteArray v;
    ASSERT_TRUE(LeggoRecordMappa(app.file("M.APP"), 1, v));
    EXPECT_EQ(v, "000001");
    ASSERT_TRUE(LeggoRecordMappa(app.file("m.app"), 2828, v));
    EXPECT_EQ(v, "002828");
    EXPECT_FALSE(LeggoRecordMappa(app.file("M.APP"), 2851, v));
    EXPECT_FALSE(LeggoRecordMappa(app.file("M.APP"), 0, v));

    const QByteArray prima = app.leggi("M.APP");
    ASSERT_TRUE(ScrivoRecordMappa(app.file("M.APP"), {{2690, "1"}, {2775, "000001"}, {2823, " 7"}, {2826, "-1"}}));
    QByteArray atteso = prima;
    atteso.replace(2689 * 8, 6, "000001");
    atteso.replace(2774 * 8, 6, "000001");
    atteso.replace(2822 * 8, 6, "000007");
    atteso.replace(2825 * 8, 6, "0000-1");
    EXPECT_EQ(app.leggi("M.APP"), atteso);

    // One bad record refuses the whole write and leaves the file as it was.
    EXPECT_FALSE(ScrivoRecordMappa(app.file("M.APP"), {{1, "5"}, {2851, "1"}}));
    EXPECT_FALSE(ScrivoRecordMappa(app.file("M.APP"), {{1, "5"}, {2, "1234567"}}));
    EXPECT_EQ(app.leggi("M.APP"), atteso);
    EXPECT_EQ(fileDi(app.path()), QStringList{"M.APP"});
}

TEST(DataImage, TablesTakeTheirPlacesInAKnownMap)
{
    const QByteArray mappa = mappaTesto(2850, [](int k) { return QByteArray::number(k); }, true);
    const QByteArray immagine = ImmagineDati(mappa, righe(602, 900000), righe(26, 800000));
    ASSERT_EQ(immagine.size(), 17100);
    const struct { int k; const char* valore; } posizioni[] = {
        {1, "000001"}, {2002, "002002"}, {2003, "900001"}, {2604, "900602"}, {2605, "800001"},
        {2630, "800026"}, {2631, "002631"}, {2827, "002827"}, {2850, "002850"},
    };
    for (const auto& p : posizioni)
        EXPECT_EQ(valoreImmagine(immagine, p.k), QByteArray(p.valore)) << "value " << p.k;
}

TEST(DataImage, LengthsAndRefusals)
{
    const auto numeri = [](int k) { return QByteArray::number(k % 1000); };
    const QByteArray pwm = righe(602, 0), pcm = righe(26, 0);
    // 2,830 values: the image is padded with "0" to its full length.
    QByteArray immagine = ImmagineDati(mappaTesto(2830, numeri), pwm, pcm);
    ASSERT_EQ(immagine.size(), 17100);
    EXPECT_EQ(immagine.right(120), QByteArray(120, '0'));
    EXPECT_NE(immagine.mid(17100 - 126, 6), "000000");
    // More than 2,850 values: cut.
    immagine = ImmagineDati(mappaTesto(2900, [](int) { return QByteArray("7"); }), pwm, pcm);
    ASSERT_EQ(immagine.size(), 17100);
    EXPECT_EQ(immagine.right(6), "000007");
    EXPECT_EQ(ImmagineDati(mappaTesto(2827, numeri), pwm, pcm).size(), 17100);

    const struct { const char* nome; QByteArray mappa, pwm, pcm; } rifiuti[] = {
        {"2826 values", mappaTesto(2826, numeri), pwm, pcm},
        {"PWM table of 601 lines", mappaTesto(2850, numeri), righe(601, 0), pcm},
        {"PCM table of 25 lines", mappaTesto(2850, numeri), pwm, righe(25, 0)},
        {"PWM line not a number", mappaTesto(2850, numeri), righe(300, 0) + "x12\r\n" + righe(301, 0), pcm},
        {"empty PCM line", mappaTesto(2850, numeri), pwm, righe(10, 0) + "\r\n" + righe(15, 0)},
        {"PWM value too wide", mappaTesto(2850, numeri), "1234567\r\n" + righe(601, 0), pcm},
        {"map value too wide", mappaTesto(2850, [](int k) { return k == 40 ? QByteArray("9999999") : QByteArray("1"); }), pwm, pcm},
    };
    for (const auto& r : rifiuti)
        EXPECT_TRUE(ImmagineDati(r.mappa, r.pwm, r.pcm).isEmpty()) << r.nome;
}

TEST(DataImage, TableFilesOfTheRailFolder)
{
    CartellaProgramma app;
    const QByteArray mappa = mappaTesto(2850, [](int) { return QByteArray("1"); });
    app.scrivi("PERSONALIZZATE/AB123CD/MOTORO01.APP", mappa);
    app.scrivi("VALVOLE/MODEL_1/TABPWM.PWM", righe(602, 100));
    app.scrivi("VALVOLE/MODEL_1/TABPCM.PCM", righe(26, 200));
    const QString rail = app.file("VALVOLE/MODEL_1");
    const QString map = app.file("PERSONALIZZATE/AB123CD/MOTORO01.APP");
    // Type 1 falls back on the unnumbered tables, any other type does not.
    QByteArray immagine = ComponoDati(map, 1, rail);
    ASSERT_EQ(immagine.size(), 17100);
    EXPECT_EQ(valoreImmagine(immagine, 2003), "000101");
    EXPECT_TRUE(ComponoDati(map, 3, rail).isEmpty());
    // A numbered table wins over the unnumbered one.
    app.scrivi("VALVOLE/MODEL_1/tabpwm01.pwm", righe(602, 500));
    app.scrivi("VALVOLE/MODEL_1/TABPCM01.PCM", righe(26, 600));
    immagine = ComponoDati(map, 1, rail);
    EXPECT_EQ(valoreImmagine(immagine, 2003), "000501");
    EXPECT_EQ(valoreImmagine(immagine, 2630), "000626");
    EXPECT_TRUE(ComponoDati(app.file("PERSONALIZZATE/AB123CD/NONE.APP"), 1, rail).isEmpty());
    EXPECT_TRUE(ComponoDati(map, 1, app.file("VALVOLE/MODEL_2")).isEmpty());
}

TEST(DataImage, NoRailFolderMeansNoTables)
{
    // Tables lying in the working folder must not stand in for those of a rail never chosen.
    CartellaProgramma app;
    app.scrivi("MOTORO02.APP", mappaTesto(2850, [](int) { return QByteArray("1"); }));
    app.scrivi("TABPWM02.PWM", righe(602, 100));
    app.scrivi("TABPCM02.PCM", righe(26, 200));
    const QString prima = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(app.path()));
    const QByteArray senza = ComponoDati(app.file("MOTORO02.APP"), 2, QString());
    const QByteArray vuota = ComponoDati(app.file("MOTORO02.APP"), 2, QStringLiteral("  "));
    QDir::setCurrent(prima);
    EXPECT_TRUE(senza.isEmpty());
    EXPECT_TRUE(vuota.isEmpty());
    EXPECT_EQ(ComponoDati(app.file("MOTORO02.APP"), 2, app.path()).size(), 17100);
}

TEST(MapParameters, DefaultTextAndRecordFile)
{
    EXPECT_EQ(ParametriPredefiniti(), "1200295002502000 200  200001");
    CartellaProgramma app;
    EXPECT_EQ(LeggoParametriMappa(app.file("NONE"), 0, 2), ParametriPredefiniti());

    const QMap<int, QByteArray> valori = {{2700, "001100"}, {2701, "003000"}, {2706, "000001"},
                                          {2654, "000030"}, {2690, "0000-1"}, {2691, "001800"},
                                          {2692, "000150"}, {2702, "000010"}, {75, "000002"}};
    app.scrivi("PERSONALE.PRG", mappaTesto(2850, [&](int k) { return valori.value(k, "000000"); }));
    // The record file wins over any map; a stored -1 must not read as a switched-on flag.
    EXPECT_EQ(LeggoParametriMappa(QString(), 0, 2), "1100300013001800 150  10   2");
    QByteArray prg = app.leggi("PERSONALE.PRG");
    prg.replace(2699 * 8, 6, "0000-1");   // tank minimum -1 keeps its sign in 4 characters
    prg.replace(2705 * 8, 6, "000002");   // switch 2 is not a flag value
    app.scrivi("PERSONALE.PRG", prg);
    EXPECT_EQ(LeggoParametriMappa(QString(), 0, 2), "  -1300003001800 150  10   2");
    // A record file too short keeps the defaults of the records it lacks.
    app.scrivi("PERSONALE.PRG", mappaTesto(100, [](int k) { return k == 75 ? QByteArray("000009") : QByteArray("000000"); }));
    EXPECT_EQ(LeggoParametriMappa(QString(), 0, 2), "1200295002502000 200  20   9");
}

TEST(MapParameters, SRecordMapOfTheModel)
{
    CartellaProgramma app;
    const QMap<int, int> valori = {{2654, 22}, {2690, 2}, {2691, 1900}, {2692, 180}, {2700, 1000},
                                   {2701, 2800}, {2702, 15}, {2705, 3}, {2706, 1}};
    QByteArray f19;
    ASSERT_EQ(MappaInF19(mappaTesto(2850, [&](int k) { return QByteArray::number(valori.value(k, 0)).rightJustified(6, '0'); }),
                         QDate(2004, 1, 7), f19), 0);
    app.scrivi("FIAT/PUNTO/CENTRAL1/C_GPL02.F19", f19);
    const QString dir = app.file("FIAT/PUNTO/CENTRAL1");
    // Forced gas 2 is not a flag value and reads 0.
    EXPECT_EQ(LeggoParametriMappa(dir, 0, 2), "1000280012201900 180  15   3");
    EXPECT_EQ(LeggoParametriMappa(dir, 1, 2), ParametriPredefiniti());  // methane map missing
    app.scrivi("FIAT/PUNTO/CENTRAL1/c_meta02.f19", f19);
    EXPECT_EQ(LeggoParametriMappa(dir, 1, 2), "1000280012201900 180  15   3");
    // Without the 0x54E2 record only the temperature comes from the map.
    QByteArray senza;
    for (const QByteArray& r : f19.split('\n'))
        if (!r.startsWith("S15754E2") && !r.isEmpty())
            senza += r + "\n";
    app.scrivi("FIAT/PUNTO/CENTRAL1/C_GPL02.F19", senza);
    EXPECT_EQ(LeggoParametriMappa(dir, 0, 2), "1200295002202000 200  200001");
    // A damaged record gives the defaults.
    app.scrivi("FIAT/PUNTO/CENTRAL1/C_GPL02.F19", "S1070000ZZ\r\nS105548E00\r\n");
    EXPECT_EQ(LeggoParametriMappa(dir, 0, 2), ParametriPredefiniti());
}
