// The line splitter: checksum, exemptions, where a reply begins, and every chunking of
// the incoming bytes.
#include "support/Ambiente.h"

#include "ecu_link/CodecDati.h"

namespace {

class Splitter : public AmbienteLink {
protected:
    QByteArrayList righe;
    void SetUp() override
    {
        AmbienteLink::SetUp();
        ImpostaOsservatoreRisposte([this](const QByteArray& r) { righe << r; });
    }
};

} // namespace

TEST(CalcoloCS, KnownVectors)
{
    const struct { QByteArray testo, atteso; } casi[] = {
        {"", "00"},
        {"abc", "26"},
        {"MZ", ":7"},
        {QByteArray(1, char(0xFF)), "??"},
        {QByteArray(2, char(0x80)), "00"},            // the sum wraps at 256
        {"R4 03SN000123LT0042", CalcoloCS("R4 03SN000123LT0042")},
    };
    for (const auto& c : casi)
        EXPECT_EQ(CalcoloCS(c.testo), c.atteso) << c.testo.toHex().constData();
    // Bytes above 0x7F count with their unsigned value: 0xC8 + 0x38 = 0x100.
    EXPECT_EQ(CalcoloCS(QByteArray("\xC8\x38")), "00");
}

TEST(ChecksumRichiesto, ExemptionTable)
{
    const char* esenti[] = {"R0", "R1", "R2", "R5", "R6", "R7", "R9", "RG", "RX", "RL", "Rd",
                            "Re", "Rfr", "Rfn", "Rfs", "Rfx", "DB", "DC", "DT", "Fl0", "FW0",
                            "Fce", "Fee", "Fes", "Fer", "Fed", "Fok"};
    const char* controllati[] = {"R4", "R8", "RZ", "R3", "Frr", "FX", "Da", "db", "r0",
                                 "X1", "", "R"};
    for (const char* c : esenti)
        EXPECT_FALSE(ChecksumRichiesto(QByteArray(c) + "\r\n")) << c;
    for (const char* c : controllati)
        EXPECT_TRUE(ChecksumRichiesto(QByteArray(c))) << c;
}

TEST(InizioRisposta, EarliestKnownCodeThenOriginalRule)
{
    const struct { QByteArray riga; int atteso; } casi[] = {
        {"R0\r\n", 0},
        {"xyR0\r\n", 2},                   // noise before the reply
        {"DB\x03R\x05\r\n", 0},            // an "R" inside a frame is not a new reply
        {"R8 SN-DRF-1\r\n", 0},            // letters of the serial
        {"zzDCxR2\r\n", 2},
        {"abc\r\n", 0},                    // no letter at all
        {"xFxDxR\r\n", 5},                 // no known code: the largest first position
        {"Rq Dq\r\n", 3},
    };
    for (const auto& c : casi)
        EXPECT_EQ(InizioRisposta(c.riga), c.atteso) << c.riga.constData();
}

TEST_F(Splitter, EveryChunkingGivesTheSameLines)
{
    Identita id;
    const QByteArrayList attese = {"R0\r\n", id.R8(), TramaDCSemplice(), "Fok\r\n", id.R4()};
    const QByteArray flusso = "@!" + attese.join();
    // Whole, one byte at a time, and every split into two and three pieces.
    QList<QList<qsizetype>> tagli = {{}, {}};
    for (qsizetype i = 1; i < flusso.size(); ++i)
        tagli[1] << i;
    auto verifica = [&](const QList<QByteArray>& pezzi, const char* come) {
        righe.clear();
        Link.BufferRx.clear();
        for (const QByteArray& p : pezzi)
            ricevo(p);
        EXPECT_EQ(righe, attese) << come;
        EXPECT_TRUE(Link.BufferRx.isEmpty()) << come;
    };
    verifica({flusso}, "whole");
    QList<QByteArray> byte;
    for (char c : flusso)
        byte << QByteArray(1, c);
    verifica(byte, "byte by byte");
    for (qsizetype i = 1; i < flusso.size(); ++i)
        for (qsizetype j = i + 1; j < flusso.size(); j += 7)
            verifica({flusso.left(i), flusso.mid(i, j - i), flusso.mid(j)}, "three pieces");
}

TEST_F(Splitter, BadChecksumIsDroppedAndTheNextLinesStillGo)
{
    Identita id;
    QByteArray rotta = id.R8();
    rotta[rotta.size() - 3] = rotta[rotta.size() - 3] == '0' ? '1' : '0';
    ricevo(rotta + "R0\r\n" + id.R4());
    EXPECT_EQ(righe, (QByteArrayList{"R0\r\n", id.R4()}));
}

TEST_F(Splitter, ShortCheckedLinesAreDroppedAndSplittingGoesOn)
{
    ricevo("\r\n" "X\r\n" "R0\r\n" "\n" "R2\r\n");
    EXPECT_EQ(righe, (QByteArrayList{"R0\r\n", "R2\r\n"}));
}

TEST_F(Splitter, PartialLineWaitsAndBlanksAreIgnored)
{
    ricevo("   ");
    EXPECT_TRUE(righe.isEmpty());
    Link.BufferRx.clear();
    ricevo("R");
    EXPECT_TRUE(righe.isEmpty());
    ricevo("0\r");
    EXPECT_TRUE(righe.isEmpty());
    ricevo("\n");
    EXPECT_EQ(righe, QByteArrayList{"R0\r\n"});
}

TEST_F(Splitter, UnterminatedTailIsBoundedTo64KiB)
{
    ricevo(QByteArray(70000, ' '));
    EXPECT_EQ(Link.BufferRx.size(), StatoLinkRec::MaxBufferRx) << "blanks too";
    Link.BufferRx.clear();
    ricevo(QByteArray(40000, 'x'));
    ricevo(QByteArray(40000, 'y'));
    EXPECT_EQ(Link.BufferRx.size(), StatoLinkRec::MaxBufferRx);
    EXPECT_TRUE(Link.BufferRx.endsWith(QByteArray(40000, 'y')));
    ricevo("R0\r\n");
    EXPECT_EQ(righe.size(), 1);
    EXPECT_EQ(righe[0], "R0\r\n");
}

TEST_F(Splitter, DbFrameWithByte52IsKeptWhole)
{
    // 850 rpm is the word 0x0352: its low byte is "R". A byte 0x46 ("F") elsewhere.
    QByteArray dati(29, '\0');
    dati[18] = 0x03;
    dati[19] = 0x52;
    dati[4] = 0x46;
    dati[5] = 0x46;
    dati[28] = 'G';
    const QByteArray trama = "DB" + CodificoDati(dati) + "\r\n";
    ASSERT_TRUE(trama.contains('R'));
    ricevo("R0\r\n" + trama + "R2\r\n");
    ASSERT_EQ(righe.size(), 3);
    EXPECT_EQ(righe[1], trama);
    const QByteArray testo = ConvertoDatiBinari(TolgoEscape(righe[1]));
    ASSERT_EQ(testo.size(), 131);
    EXPECT_EQ(testo.mid(2 + 9 * 9, 8), "     850");
    EXPECT_EQ(testo.mid(2 + 9 * 2, 8), "  1799.0"); // 0x4646 / 10
}

TEST_F(Splitter, IdentityHoldingReplyLettersIsKeptWhole)
{
    Identita id;
    id.matricola = "DRF-R0F1";
    id.sw = "02.R5Fe0D";
    ricevo(id.R8());
    EXPECT_EQ(righe, QByteArrayList{id.R8()});
}
