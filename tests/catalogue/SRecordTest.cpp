#include "catalogue/MapFiles.h"
#include "catalogue/SRecord.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

namespace {

// A normalised value file of n values, value k = f(k).
QByteArray mappaNormalizzata(int n, const std::function<int(int)>& f)
{
    QByteArray t;
    for (int k = 1; k <= n; ++k) {
        QByteArray v;
        EXPECT_TRUE(NormalizzoValore(QByteArray::number(f(k)), v));
        t += v + "\r\n";
    }
    return t;
}

QList<QByteArray> righeDi(const QByteArray& testo)
{
    QList<QByteArray> r;
    for (const QByteArray& l : testo.split('\n'))
        if (!l.isEmpty())
            r.append(l.endsWith('\r') ? l.chopped(1) : l);
    return r;
}

QStringList fileDi(const QString& cartella)
{
    return QDir(cartella).entryList(QDir::Files | QDir::Hidden, QDir::Name);
}

} // namespace

TEST(SRecord, S0HeaderForVersion5OnSeventhJanuary2004)
{
    EXPECT_EQ(IntestazioneS0(5, QDate(2004, 1, 7)), "S0160000303230354C3041413030070107D43030303030F1");
    // The version comes from record 2827 of the value file.
    QByteArray f19;
    ASSERT_EQ(MappaInF19(mappaNormalizzata(2850, [](int k) { return k == 2827 ? 5 : 0; }), QDate(2004, 1, 7), f19), 0);
    EXPECT_TRUE(f19.startsWith("S0160000303230354C3041413030070107D43030303030F1\r\n"));
    // Version 123 keeps its last two digits; the year is two bytes, high first.
    const QByteArray h = IntestazioneS0(123, QDate(2026, 12, 31));
    EXPECT_EQ(h.mid(12, 4), "3233");
    EXPECT_EQ(h.mid(28, 8), "1F0C07EA");
    EXPECT_EQ(h.size(), 48);
}

TEST(SRecord, ChecksumOfRecordBodies)
{
    const struct { const char* corpo; const char* atteso; } casi[] = {
        {"S1130000285F245F2212226A000424290008237C", "2A"},
        {"130000285F245F2212226A000424290008237C", "2A"},
        {"S9030000", "FC"},
        {"S5030003", "F9"},
        {"", "FF"},
        {"0B800E3037303132303034", "D8"},
        {"FFFF", "01"},
        {"S1ZZ01", "FE"},  // pairs that are not hex count nothing
    };
    for (const auto& c : casi)
        EXPECT_EQ(CalcoloChecksum(QByteArrayView(c.corpo)), QByteArray(c.atteso)) << c.corpo;
}

TEST(SRecord, ReaderAcceptsWellFormedRecordsOnly)
{
    const struct { const char* riga; bool letto; char tipo; uint32_t indirizzo; int dati; bool checksum; } casi[] = {
        {"S1130000285F245F2212226A000424290008237C2A", true, '1', 0x0000, 16, true},
        {"S1130000285F245F2212226A000424290008237C2B", true, '1', 0x0000, 16, false},
        {"S214010000AABBCCDDEEFF00112233445566778899AB", true, '2', 0x010000, 16, false},
        {"S9030000FC", true, '9', 0, 0, true},
        {"S804000000FB", true, '8', 0, 0, true},
        {"S70500000000FA", true, '7', 0, 0, true},
        {"S1130000285f245f2212226a000424290008237c2a", true, '1', 0, 16, true},
        {"S9030000FC  ", true, '9', 0, 0, true},
        {"S1130000285F245F2212226A000424290008237C", false, 0, 0, 0, false},  // shorter than the count
        {"S1130000285F245F2212226A000424290008237C2A00", false, 0, 0, 0, false},
        {"S10100FE", false, 0, 0, 0, false},    // count smaller than address + checksum
        {"S4030000FC", false, 0, 0, 0, false},  // no such type
        {"S9030G00FC", false, 0, 0, 0, false},
        {"s9030000FC", false, 0, 0, 0, false},
        {"", false, 0, 0, 0, false},
        {"S", false, 0, 0, 0, false},
    };
    for (const auto& c : casi) {
        RecordS r;
        ASSERT_EQ(LeggoRecordS(QByteArrayView(c.riga), r), c.letto) << c.riga;
        if (!c.letto)
            continue;
        EXPECT_EQ(r.Tipo, c.tipo) << c.riga;
        EXPECT_EQ(r.Indirizzo, c.indirizzo) << c.riga;
        EXPECT_EQ(r.Dati.size(), c.dati) << c.riga;
        EXPECT_EQ(r.ChecksumValido, c.checksum) << c.riga;
    }
}

TEST(SRecord, WordsOfMapValues)
{
    const struct { double v; const char* atteso; } casi[] = {
        {-1, "FFFF"}, {300, "012C"}, {0, "0000"}, {65535, "FFFF"}, {65536, "0000"}, {70000, "1170"},
        {-32768, "8000"}, {0.5, "0000"}, {1.5, "0002"}, {2.5, "0002"}, {-99999, "7961"},
    };
    for (const auto& c : casi)
        EXPECT_EQ(ParolaMappa(c.v), QByteArray(c.atteso)) << c.v;
}

TEST(SRecord, S1RecordsOfARangeOfLines)
{
    QByteArray s;
    // 602 PWM lines from 0x4FA6: fourteen full records and one of 14 words at 0x543E.
    const QByteArray tabella = mappaNormalizzata(602, [](int k) { return k; });
    ASSERT_TRUE(RecordS1(tabella, 1, 602, 0x4FA6, s));
    const QList<QByteArray> r = righeDi(s);
    ASSERT_EQ(r.size(), 15);
    EXPECT_EQ(r[0].size(), 178);
    EXPECT_TRUE(r[0].startsWith("S1574FA60001000200030004"));
    EXPECT_TRUE(r[14].startsWith("S11F543E"));
    EXPECT_EQ(r[14].size(), 4 + 2 * 0x1F);
    // Comment lines do not count; a range past the end of the text fails.
    ASSERT_TRUE(RecordS1("*x\r\n1\r\n*y\r\n2\r\n3\r\n", 2, 3, 0x545A, s));
    EXPECT_EQ(s, "S107545A00020003" + CalcoloChecksum("07545A00020003") + "\r\n");
    EXPECT_FALSE(RecordS1("1\r\n2\r\n", 1, 3, 0x4002, s));
    ASSERT_TRUE(RecordS1("1\r\n2\r\n", 3, 2, 0x4002, s));
    EXPECT_TRUE(s.isEmpty());
}

TEST(SRecord, WholeMapConversionPutsEveryValueAtItsAddress)
{
    QByteArray f19;
    ASSERT_EQ(MappaInF19(mappaNormalizzata(2850, [](int k) { return k == 2827 ? 5 : k; }), QDate(2004, 1, 7), f19), 0);
    const QList<QByteArray> r = righeDi(f19);
    EXPECT_TRUE(f19.endsWith("\r\n"));
    // S0 + 15 (PWM) + 1 (PCM) + 48 + 4 + 1 + 1 + 1 records.
    ASSERT_EQ(r.size(), 72);
    // Segments in file order (first value, values, start address), each cut into records of
    // at most 42 words.
    const struct { int prima, quante; uint32_t inizio; } segmenti[] = {
        {2003, 602, 0x4FA6}, {2605, 26, 0x545A}, {1, 2002, 0x4002}, {2631, 156, 0x548E},
        {2787, 32, 0x55C6}, {2819, 9, 0x5606}, {2828, 23, 0x5618}};
    QList<std::pair<uint32_t, int>> attesi, trovati;
    for (const auto& g : segmenti)
        for (int fatti = 0; fatti < g.quante; fatti += 42)
            attesi.append({g.inizio + 2 * uint32_t(fatti), std::min(42, g.quante - fatti)});
    QMap<uint32_t, int> parole;
    for (int i = 1; i < r.size(); ++i) {
        RecordS rec;
        ASSERT_TRUE(LeggoRecordS(r[i], rec)) << r[i].constData();
        EXPECT_EQ(rec.Tipo, '1');
        EXPECT_TRUE(rec.ChecksumValido) << r[i].constData();
        trovati.append({rec.Indirizzo, int(rec.Dati.size() / 2)});
        for (int b = 0; b + 1 < rec.Dati.size(); b += 2)
            parole[rec.Indirizzo + uint32_t(b)] = (uint8_t(rec.Dati[b]) << 8) | uint8_t(rec.Dati[b + 1]);
    }
    EXPECT_EQ(trovati, attesi);
    ASSERT_EQ(parole.size(), 2850);
    for (int n = 1; n <= 2850; ++n)
        ASSERT_EQ(parole.value(0x4002 + 2 * uint32_t(n - 1), -1), n == 2827 ? 5 : n) << "record " << n;
}

TEST(SRecord, ConversionByLengthOfTheValueFile)
{
    QByteArray f19;
    // 2,827 values: nothing after the record at 0x5606.
    ASSERT_EQ(MappaInF19(mappaNormalizzata(2827, [](int) { return 1; }), QDate(2004, 1, 7), f19), 0);
    EXPECT_TRUE(righeDi(f19).last().startsWith("S1155606"));
    EXPECT_EQ(MappaInF19(mappaNormalizzata(2826, [](int) { return 1; }), QDate(2004, 1, 7), f19), 15);
    EXPECT_EQ(MappaInF19(QByteArray(), QDate(2004, 1, 7), f19), 15);
    // Negative values become 16-bit two's complement.
    ASSERT_EQ(MappaInF19(mappaNormalizzata(2850, [](int k) { return k == 1 ? -1 : 300; }), QDate(2004, 1, 7), f19), 0);
    EXPECT_NE(f19.indexOf("S1574002FFFF012C"), -1);
}

TEST(SRecord, FileConversionReplacesTheValueFile)
{
    CartellaProgramma app;
    const QByteArray qox = mappaNormalizzata(2850, [](int k) { return k % 700; });
    app.scrivi("M/CENTRAL1/motoro02.qox", qox);
    app.scrivi("M/CENTRAL1/C_GPL02.APPUNTI", "keep");
    app.scrivi("M/CENTRAL1/C_GPL02.AP1", "keep too");
    const QString dir = app.file("M/CENTRAL1");
    ASSERT_EQ(ConvertoMappaInF19(dir + "/MOTORO02", dir + "/C_GPL02", QDate(2004, 1, 7)), 0);
    QByteArray atteso;
    ASSERT_EQ(MappaInF19(qox, QDate(2004, 1, 7), atteso), 0);
    EXPECT_EQ(app.leggi("M/CENTRAL1/C_GPL02.F19"), atteso);
    // The value file is gone; files the conversion did not make are untouched.
    EXPECT_EQ(fileDi(dir), (QStringList{"C_GPL02.AP1", "C_GPL02.APPUNTI", "C_GPL02.F19"}));
    EXPECT_EQ(ConvertoMappaInF19(dir + "/MOTORO02", dir + "/C_GPL02"), 99);  // no value file any more
    EXPECT_EQ(app.leggi("M/CENTRAL1/C_GPL02.F19"), atteso);
}

TEST(SRecord, FailedConversionsLeaveTheValueFile)
{
    CartellaProgramma app;
    const QString dir = app.path();
    const QByteArray corta = mappaNormalizzata(2826, [](int) { return 1; });
    // The conversion alone leaves an earlier map whole...
    app.scrivi("C_GPL02.F19", "earlier map\r\n");
    app.scrivi("MOTORO02.QOX", corta);
    EXPECT_EQ(ConvertoMappaInF19(dir + "/MOTORO02", dir + "/C_GPL02"), 15);
    EXPECT_EQ(app.leggi("C_GPL02.F19"), "earlier map\r\n");
    EXPECT_EQ(app.leggi("MOTORO02.QOX"), corta);
    // ...while the preparation removes it, so that no stale map stands in for this one.
    EXPECT_EQ(PreparoMappa(dir + "/MOTORO02", dir + "/C_GPL02"), 15);
    EXPECT_EQ(fileDi(dir), QStringList{"MOTORO02.QOX"});

    // A value that cannot be stored stops the preparation before anything is rewritten.
    const QByteArray larga = "1234567\r\n" + mappaNormalizzata(2849, [](int) { return 1; });
    app.scrivi("MOTORO02.QOX", larga);
    EXPECT_EQ(PreparoMappa(dir + "/MOTORO02", dir + "/C_GPL02"), 15);
    EXPECT_EQ(app.leggi("MOTORO02.QOX"), larga);
    EXPECT_EQ(fileDi(dir), QStringList{"MOTORO02.QOX"});
}

TEST(SRecord, PreparationNormalisesCommentsAway)
{
    CartellaProgramma app;
    QByteArray grezza = "* standard map\r\n";
    for (int k = 1; k <= 2850; ++k)
        grezza += (k % 1000 == 0 ? "* block\r\n  " : "") + QByteArray::number(k == 2827 ? 7 : k) + "\r\n";
    app.scrivi("METANO02.QOX", grezza);
    ASSERT_EQ(PreparoMappa(app.path() + "/METANO02", app.path() + "/C_META02", QDate(2010, 3, 4)), 0);
    QByteArray atteso;
    ASSERT_EQ(MappaInF19(mappaNormalizzata(2850, [](int k) { return k == 2827 ? 7 : k; }), QDate(2010, 3, 4), atteso), 0);
    EXPECT_EQ(app.leggi("C_META02.F19"), atteso);
    EXPECT_EQ(fileDi(app.path()), QStringList{"C_META02.F19"});
}

TEST(SRecord, TableFileConversion)
{
    CartellaProgramma app;
    app.scrivi("TABPCM02.PCM", mappaNormalizzata(26, [](int k) { return k; }));
    ASSERT_EQ(ScrivoRecordS1(app.file("TABPCM02.PCM"), app.file("TABPCM02.F19"), 1, 26, 0x545A), 0);
    QByteArray atteso;
    ASSERT_TRUE(RecordS1(app.leggi("TABPCM02.PCM"), 1, 26, 0x545A, atteso));
    EXPECT_EQ(app.leggi("TABPCM02.F19"), atteso);
    app.scrivi("TABPWM02.PWM", mappaNormalizzata(601, [](int k) { return k; }));
    EXPECT_EQ(ScrivoRecordS1(app.file("TABPWM02.PWM"), app.file("TABPWM02.F19"), 1, 602, 0x4FA6), 1);
    EXPECT_FALSE(QFile::exists(app.file("TABPWM02.F19")));
    EXPECT_EQ(ScrivoRecordS1(app.file("NONE.PWM"), app.file("X.F19"), 1, 2, 0x4FA6), 1);
}
