#include "catalogue/SoftwareLibrary.h"

#include <gtest/gtest.h>

TEST(IntestazioneS0, HexPairsFromTheGivenCharacter)
{
    struct Caso {
        QByteArray riga;
        int posizione, caratteri;
        QByteArray atteso;
    };
    const Caso casi[] = {
        {"S01200005A45303241424344", 13, 2, "02"},
        {"S01200005A45303241424344", 17, 4, "ABCD"},
        {"S01200005A45303", 13, 2, ""},        // too short
        {"S01200005A453G3241", 13, 2, ""},     // not hex
        {"S01200005A45", 13, 0, ""},
    };
    for (const Caso& c : casi)
        EXPECT_EQ(TestoIntestazione(c.riga, c.posizione, c.caratteri), c.atteso) << c.riga.constData();
}
