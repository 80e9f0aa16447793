// Command builders of the ECU protocol.
#include "ecu_link/Protocol.h"
#include "ecu_link/Ricezione.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

using namespace Protocollo;

// The pressure field: the text's number prefix shifted two places on its decimal digits,
// halves away from zero, refused when it needs more than six characters.
TEST(Protocollo, PressureWriteField)
{
    const struct { const char* testo; const char* riga; } casi[] = {
        {"0.5", "MUE000050\r\n"},      {"0.125", "MUE000013\r\n"},   {"-0.5", "MUE000-50\r\n"},
        {"-0.125", "MUE000-13\r\n"},   {"    1.20", "MUE000120\r\n"}, {"1.005", "MUE000101\r\n"},
        {"1.25mbar", "MUE000125\r\n"}, {"abc", "MUE000000\r\n"},     {"9999.99", "MUE999999\r\n"},
        {"-999.99", "MUE-99999\r\n"},  {"10000", ""},                 {"-9999.99", ""},
        {"12345678901234567890", ""},
    };
    for (const auto& c : casi)
        EXPECT_EQ(RigaScritturaPressione(c.testo), QByteArray(c.riga)) << c.testo;
}

TEST(Protocollo, FixedWidthCommands)
{
    EXPECT_EQ(RigaScritturaPressione("1.5"), "MUE000150\r\n");
    EXPECT_EQ(RigaScritturaPressione("0"), "MUE000000\r\n");
    EXPECT_EQ(RigaScritturaPressione("12.345"), "MUE001235\r\n");
    EXPECT_EQ(RigaDataInstallazione(" 5", "3 ", "2024"), "MUC05032024\r\n");
    EXPECT_EQ(RigaDataInstallazione("", "", "24"), "MUC00000024\r\n");
    EXPECT_EQ(RigaDataInstallazione("1", "1", "12024"), "MUC01012024\r\n");
    EXPECT_EQ(Campo6("-1"), "0000-1");
    EXPECT_EQ(Campo6("1234567"), "234567");
    EXPECT_EQ(Riga(ComandoRichiestaVersione), "MUB\r\n");
}

TEST(Protocollo, DataImageBlocks)
{
    QByteArray immagine;
    for (int i = 0; i < 17100; ++i)
        immagine += char('0' + i % 10);
    for (int n : {0, 1, 93, 94}) {
        const QByteArray b = BloccoTabella(immagine, n);
        ASSERT_EQ(b.size(), 190) << n;
        EXPECT_EQ(b.left(5), "MZ" + QByteArray::number(n).rightJustified(3, '0'));
        EXPECT_EQ(b[5], n == 94 ? '$' : '0');
        EXPECT_EQ(b.mid(6, 180), immagine.mid(n * 180, 180));
        EXPECT_EQ(b.mid(186, 2), CalcoloCS(b.left(186)));
        EXPECT_TRUE(b.endsWith("\r\n"));
    }
    // A shorter image ends with a shorter last block, flagged last.
    const QByteArray corto = BloccoTabella(immagine.left(200), 1);
    EXPECT_EQ(corto[5], '$');
    EXPECT_EQ(corto.size(), 6 + 20 + 4);
}
