// The graph engine without a screen: auto-range, time window, unit conversions, range
// tracking, pane layout, axes, the recording line and the redraw from the recording file.
#include "diagnosis/Grafici.h"
#include "diagnosis/RigaDati.h"
#include "shell/Modulo.h"
#include "support/TestSupport.h"

#include <QBuffer>
#include <gtest/gtest.h>

namespace {

class Grafici : public ::testing::Test {
protected:
    void SetUp() override
    {
        Shell.Lingua = 4;
        Diagnosi.reset();
        Graf.reset();
        IniVarGrafici();
        AzzeroScaleGrafici();
    }
};

// A 138-byte recording line from its number and a few channel texts.
QByteArray Linea(int numero, std::initializer_list<std::pair<int, const char*>> valori)
{
    RigaDati r;
    r.Numero = numero;
    for (const auto& [c, t] : valori)
        r.Valore[c] = Campo8(QByteArray(t).rightJustified(8, ' '));
    return RigaRegistrazione(r);
}

} // namespace

TEST(CalcoloScala, AxisOfWholeDivisionsAroundTheRange)
{
    const struct { double vmin, vmax; int margine; qint32 min, max; } casi[] = {
        {800, 1250, 1, 791, 1261}, {20.5, 87.3, 1, 14, 94}, {100, 100, 1, 96, 106}, {0, 0, 1, -4, 6},
        {0, 15, 0, -2, 18},   // N = 2.5 rounds to 2 (halves to even), not 3
        {0, 25, 0, -7, 33},   // N = 3.5 rounds to 4
        {-12.5, -3.2, 1, -17, 3},
    };
    for (const auto& c : casi) {
        qint32 min = 7, max = 7;
        CalcoloScala(c.vmin, c.vmax, c.margine, 10, min, max);
        EXPECT_EQ(min, c.min) << c.vmin << ".." << c.vmax;
        EXPECT_EQ(max, c.max) << c.vmin << ".." << c.vmax;
    }
    qint32 min = 7, max = 8;
    CalcoloScala(0, 1e300, 1, 10, min, max);
    EXPECT_EQ(min, 7) << "an axis beyond 32 bits leaves the old one";
    EXPECT_EQ(max, 8);
}

TEST(CalcoloPasso, NewestSampleLandsInTheLastDivision)
{
    const struct { double x; int divisioni; qint32 origine; int esito; } casi[] = {
        {200, 5, 40, 0}, {240, 5, 80, 0}, {275, 5, 80, 0}, {1000, 5, 840, 0}, {200, 0, 11, -1},
    };
    for (const auto& c : casi) {
        qint32 origine = 11;
        EXPECT_EQ(CalcoloPasso(c.x, 0, 200, c.divisioni, origine), c.esito) << c.x;
        EXPECT_EQ(origine, c.origine) << c.x;
    }
}

TEST_F(Grafici, FieldsAreConvertedToTheUnitsShown)
{
    const struct { int c; const char* in; const char* out; double v; } casi[] = {
        {6, "     700", "     0.0", 0.0},     {6, "    4500", "   100.0", 100.0},
        {6, "   701.9", "     0.1", 0.05},    {6, "       0", "   -18.4", -700.0 / 38},
        {8, "    1235", "    12.4", 12.35},   {11, "     255", "    25.5", 25.5},
        {12, "     320", "     3.2", 3.2},    {12, "       5", "     0.1", 0.05},
        {9, "     850", "     850", 850},     {0, "  1200.0", "  1200.0", 1200},
    };
    for (const auto& c : casi) {
        QByteArray t = c.in;
        double v = -1;
        ASSERT_TRUE(ConvertoCanale(c.c, t, v)) << c.c << c.in;
        EXPECT_EQ(t, QByteArray(c.out)) << c.c << c.in;
        EXPECT_DOUBLE_EQ(v, c.v) << c.c << c.in;
    }
    for (const char* nonNumero : {"  ABC   ", "        ", "1 2     ", "   12.5x"}) {
        QByteArray t = nonNumero;
        double v = 0;
        EXPECT_FALSE(ConvertoCanale(6, t, v)) << nonNumero;
        EXPECT_EQ(t, QByteArray(nonNumero)) << "shown and recorded as it came";
    }
    QByteArray t = "99999999";
    double v = 0;
    EXPECT_FALSE(ConvertoCanale(6, t, v)) << "2631560.5 is not tracked";
    EXPECT_EQ(t, "########") << "never its last 8 characters";
}

TEST_F(Grafici, DerivedPressureIsTheDecimalDifference)
{
    const struct { const char* p1; const char* dp; bool ok; const char* out; } casi[] = {
        {"  1200.0", "   200.0", true, "  1000.0"}, {"    0.35", "     0.1", true, "     0.3"},
        {"     0.1", "    0.15", true, "    -0.1"}, {"  1200.0", "   -----", false, "  keep  "},
        {"99999999", "-9999999", false, "########"},
    };
    for (const auto& c : casi) {
        QByteArray t = "  keep  ";
        double v = 0;
        EXPECT_EQ(CanaleDerivato(c.p1, c.dp, t, v), c.ok) << c.p1 << c.dp;
        EXPECT_EQ(t, QByteArray(c.out)) << c.p1 << c.dp;
    }
}

TEST_F(Grafici, AxisIsRecomputedWhenAValueReachesABound)
{
    CanaleGrafico& c = Graf.Canali[0];
    TracciaValore(c, 100, 0);
    EXPECT_EQ(std::pair(c.ScalaMin, c.ScalaMax), std::pair(96, 106)) << "first sample";
    const struct { double vmin, vmax; qint32 smin, smax; double v; qint32 attMin, attMax; } casi[] = {
        {96, 100, 96, 106, 96, 94, 104},    // equal to the minimum and to the axis bottom
        {100, 106, 96, 106, 106, 94, 114},  // equal to the maximum and to the axis top
        {98, 104, 96, 106, 98, 96, 106},    // equal to the minimum inside the axis: no rescale
        {98, 104, 96, 106, 100, 96, 106},   // strictly inside
    };
    for (const auto& k : casi) {
        c.ValoreMin = k.vmin;
        c.ValoreMax = k.vmax;
        c.ScalaMin = k.smin;
        c.ScalaMax = k.smax;
        TracciaValore(c, k.v, 5);
        EXPECT_EQ(c.ScalaMin, k.attMin) << k.v;
        EXPECT_EQ(c.ScalaMax, k.attMax) << k.v;
    }
}

TEST_F(Grafici, WindowRescanTakesOnlyTheSamplesInTheWindow)
{
    for (int n = 1; n <= 300; ++n) {
        Diagnosi.DatiVideo[0].Valore[9] = QByteArray::number(n < 100 ? 5000 : 800 + n).rightJustified(8, ' ');
        Diagnosi.DatiVideo[0].Valore[1] = "   -----";
        ElaboroDatiMotore();
    }
    Graf.OrigineTempo = 120;
    Graf.Canali[1].ValoreMin = Graf.Canali[1].ValoreMax = 33;
    ElaboroCampioni();
    EXPECT_EQ(Graf.Canali[9].ValoreMin, 920);
    EXPECT_EQ(Graf.Canali[9].ValoreMax, 1100);
    EXPECT_EQ(Graf.Canali[1].ValoreMin, 33) << "a channel without values keeps its range";
    EXPECT_EQ(Diagnosi.Campioni[Diagnosi.IndiceCampioni].Numero, 300);
}

TEST(CalcoloLayout, PanesForOneToFourGraphs)
{
    Graf.reset();
    IniVarGrafici();
    using R = RettangoloTwip;
    const struct { std::array<int, 4> canali; std::array<R, 4> attesi; } casi[] = {
        {{3, -1, -1, -1}, {R{2100, 120, 9855, 6975}, R{}, R{}, R{}}},
        {{3, -1, 9, -1}, {R{2100, 120, 9855, 3485}, R{}, R{2100, 3610, 9855, 3485}, R{}}},
        {{-1, 3, 9, -1}, {R{}, R{2100, 120, 9855, 3485}, R{2100, 3610, 9855, 3485}, R{}}},
        {{3, -1, 9, 0}, {R{2100, 120, 4925, 3485}, R{}, R{7000, 120, 4925, 3485}, R{7000, 3610, 4925, 3485}}},
        {{3, 4, 9, 0},
         {R{2100, 120, 4925, 3485}, R{2100, 3610, 4925, 3485}, R{7000, 120, 4925, 3485}, R{7000, 3610, 4925, 3485}}},
    };
    for (const auto& c : casi) {
        std::array<Traccia, 4> t;
        for (int s = 0; s < 4; ++s)
            t[s].Canale = c.canali[s];
        const auto l = CalcoloLayout(t, Graf.PosizioniGrafici);
        for (int s = 0; s < 4; ++s) {
            EXPECT_EQ(l[s].has_value(), c.canali[s] >= 0) << s;
            if (l[s]) {
                EXPECT_TRUE(l[s]->pannello == c.attesi[s]) << "slot " << s << " left " << l[s]->pannello.Left;
            }
        }
    }
    // The inner sizes for the first and last rows of the pane table.
    const struct { int numero; R grafico, boxX; double x2, y2; } interni[] = {
        {1, R{840, 300, 8620, 6180}, R{360, 6480, 9495, 495}, 9060, 6410},
        {4, R{840, 300, 3690, 2690}, R{360, 2990, 4565, 495}, 4130, 2920},
    };
    for (const auto& c : interni) {
        std::array<Traccia, 4> t;
        for (int s = 0; s < c.numero; ++s)
            t[s].Canale = s;
        const LayoutPannello p = *CalcoloLayout(t, Graf.PosizioniGrafici)[0];
        EXPECT_TRUE(p.grafico == c.grafico) << c.numero << " graphs: " << p.grafico.Width << "x" << p.grafico.Height;
        EXPECT_TRUE(p.boxScalaX == c.boxX) << c.numero;
        EXPECT_EQ(p.boxScalaY.Height, c.boxX.Top - 30 + 100) << c.numero;
        EXPECT_EQ(p.scalaXX2, c.x2) << c.numero;
        EXPECT_EQ(p.scalaYY2, c.y2) << c.numero;
        EXPECT_EQ(p.nomeC.Width, c.grafico.Width) << c.numero;
    }
}

TEST(CalcoloAsse, TicksAndLabels)
{
    const auto larghezza = [](const QString& t) { return 60.0 * t.size(); };
    const auto altezza = [](const QString&) { return 120.0; };
    const struct {
        bool x;
        double min, max;
        int div, sudd;
        const char* formato;
        QStringList scritte;
        size_t tacche;
    } casi[] = {
        {true, 0, 200, 5, 10, "#0", {"0", "40", "80", "120", "160", "200"}, 6 + 5 * 9},
        {true, 40, 240, 5, 10, "#0", {"40", "80", "120", "160", "200", "240"}, 51},
        {false, 96, 106, 10, 10, "#0.0", {"106.0", "105.0", "104.0", "103.0", "102.0", "101.0", "100.0", "99.0",
                                         "98.0", "97.0", "96.0"}, 11 + 10 * 9},
        {false, 0, 10, 10, 0, "#0", {"10", "9", "8", "7", "6", "5", "4", "3", "2", "1", "0"}, 11},
        {false, 0, 10, 10, 1, "#0", {"10", "9", "8", "7", "6", "5", "4", "3", "2", "1", "0"}, 11},
        // Labels equal to the one above are left out.
        {false, 0, 1, 10, 3, "#0", {"1", "0"}, 11 + 10 * 2},
    };
    for (const auto& c : casi) {
        const DisegnoAsse a = c.x ? CalcoloAsseX(495, 8940, 30, c.min, c.max, c.div, c.sudd,
                                                 QString::fromLatin1(c.formato), larghezza)
                                  : CalcoloAsseY(285, 6240, 675, c.min, c.max, c.div, c.sudd,
                                                 QString::fromLatin1(c.formato), larghezza, altezza);
        QStringList testi;
        for (const Scritta& s : a.scritte)
            testi << s.testo;
        EXPECT_EQ(testi, c.scritte) << c.min << ".." << c.max;
        EXPECT_EQ(a.tacche.size(), c.tacche) << c.min << ".." << c.max;
    }
    // Time labels centred under their tick, 150 twips below the axis line; value labels
    // right-aligned 150 twips left of the axis, centred on the tick.
    const DisegnoAsse x = CalcoloAsseX(495, 8940, 30, 0, 200, 5, 10, "#0", larghezza);
    EXPECT_DOUBLE_EQ(x.scritte[1].x, 495 + 1689 - 60);
    EXPECT_DOUBLE_EQ(x.scritte[1].y, 180);
    const DisegnoAsse y = CalcoloAsseY(285, 6240, 675, 0, 10, 10, 0, "#0", larghezza, altezza);
    EXPECT_DOUBLE_EQ(y.scritte[0].x, 675 - 150 - 120);
    EXPECT_DOUBLE_EQ(y.scritte[0].y, 285 - 60);
}

TEST(RigaRegistrazione, LineIsByteForByteTheRecordLayout)
{
    RigaDati r;
    r.Numero = 1234;
    r.Valore[0] = "  1200.0";
    r.Valore[6] = "    12.4";
    r.Valore[14] = "  1000.0";
    r.Valore[15] = Campo8("G");
    r.Valore[3] = "ABC";  // short text padded
    const QByteArray attesa = "    1234"
                              "  1200.0        " "        ABC     " "                " "    12.4        "
                              "                " "                " "                " "  1000.0G       "
                              "\r\n";
    EXPECT_EQ(RigaRegistrazione(r), attesa);
    EXPECT_EQ(attesa.size(), 138);
    for (qint32 n : {1, 99999999, -9999999})
        EXPECT_TRUE(NumeroRegistrabile(n)) << n;
    for (qint32 n : {100000000, -10000000})
        EXPECT_FALSE(NumeroRegistrabile(n)) << n;
}

TEST(LeggoTracce, SegmentsFromTheNewestRecordBackToTheWindowEdge)
{
    std::array<Traccia, 4> t;
    t[0].Canale = 0;
    t[2].Canale = 9;
    QByteArray file;
    file += Linea(38, {{0, "1"}, {9, "10"}});
    file += Linea(39, {{0, "2"}, {9, "20"}});
    file += Linea(40, {{0, "3"}, {9, "----"}});
    file += Linea(41, {{0, "4"}, {9, "40"}});
    file += Linea(42, {{0, "5"}, {9, "50"}});
    file += "   43  partial record";
    QBuffer b(&file);
    b.open(QIODevice::ReadOnly);
    QList<Segmento> s;
    LeggoTracce(b, t, 40, 40, [&](const Segmento& x) { s << x; });
    const QList<Segmento> attesi = {
        {0, 2, 5, 2, 5, true},    {2, 2, 50, 2, 50, true},   // newest: a point
        {0, 2, 5, 1, 4, false},   {2, 2, 50, 1, 40, false},
        {0, 1, 4, 0, 3, false},                              // channel 9 not numeric: nothing
        {0, 0, 3, -1, 2, false},  {2, -1, 20, -1, 20, true}, // record 39 ends the walk
    };
    ASSERT_EQ(s.size(), attesi.size());
    for (int i = 0; i < s.size(); ++i)
        EXPECT_TRUE(s[i] == attesi[i]) << i << ": slot " << s[i].slot << " " << s[i].x1 << "," << s[i].y1 << " "
                                       << s[i].x2 << "," << s[i].y2 << (s[i].punto ? " point" : "");
}
