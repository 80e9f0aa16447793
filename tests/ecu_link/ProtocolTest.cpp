// Command builders of the ECU protocol.
#include "ecu_link/Protocol.h"
#include "ecu_link/Ricezione.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

using namespace Protocollo;

TEST(Protocollo, FixedWidthCommands)
{
    EXPECT_EQ(RigaScritturaPressione(1.5), "MUE000150\r\n");
    EXPECT_EQ(RigaScritturaPressione(0.0), "MUE000000\r\n");
    EXPECT_EQ(RigaScritturaPressione(12.345), "MUE001234\r\n");
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
