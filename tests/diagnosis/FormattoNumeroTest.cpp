// The number formatter: exact decimal rounding of numeric texts and doubles.
#include "shell/Procedure.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

namespace {

NumeroEsatto Letto(const char* testo)
{
    NumeroEsatto n;
    EXPECT_TRUE(LeggoNumeroEsatto(testo, n)) << testo;
    return n;
}

} // namespace

TEST(FormattoNumero, RoundsHalvesAwayFromZeroOnTheDecimalValue)
{
    const struct { const char* testo; qint64 divisore; const char* formato; const char* atteso; } casi[] = {
        {"1235", 100, "#0.0", "12.4"},   // 12.35: a double would hold 12.3499...
        {"  -0.05", 1, "#0.0", "-0.1"},
        {"2.5", 1, "#0", "3"},
        {"-2.5", 1, "#0", "-3"},
        {"0.15", 1, "#0.0", "0.2"},
        {"-0.04", 1, "#0.0", "0.0"},     // no "-" before zero
        {"255", 10, "#0.0", "25.5"},
        {"9.95", 1, "#0.0", "10.0"},
        {"7", 1, "#0.00", "7.00"},
        {"+12", 1, "#0", "12"},
        {".5", 1, "#0", "1"},
        {"99999999", 1, "#0.0", "99999999.0"},
    };
    for (const auto& c : casi) {
        NumeroEsatto n = Letto(c.testo);
        n.den *= c.divisore;
        EXPECT_EQ(FormattoNumero(n, QString::fromLatin1(c.formato)), QString::fromLatin1(c.atteso))
            << c.testo << " / " << c.divisore;
    }
    // An exact fraction: (701.9 - 700) * 100 / 3800 = 0.05.
    NumeroEsatto t = Letto("701.9");
    t = {(t.num - 700 * t.den) * 100, t.den * 3800};
    EXPECT_EQ(FormattoNumero(t, QStringLiteral("#0.0")), QStringLiteral("0.1"));
}

TEST(FormattoNumero, DoublesAreTakenAtTheirShortestDecimalText)
{
    const struct { double v; const char* formato; const char* atteso; } casi[] = {
        {0.15, "#0.0", "0.2"}, {1.005, "#0.00", "1.01"}, {2.5, "#0", "3"},
        {-1.45, "#0.0", "-1.5"}, {1e20, "#0", "100000000000000000000"}, {0.0, "#0.0", "0.0"},
    };
    for (const auto& c : casi)
        EXPECT_EQ(FormattoNumero(c.v, QString::fromLatin1(c.formato)), QString::fromLatin1(c.atteso)) << c.v;
}

TEST(FormattoNumero, OnlyNumericTextsAreRead)
{
    NumeroEsatto n;
    for (const char* testo : {"", "   ", "-", ".", "1.2.3", "1 2", "12a", "1e3", "1234567890123456789"})
        EXPECT_FALSE(LeggoNumeroEsatto(testo, n)) << testo;
}
