// The simulator's encoders against examples worked out by hand: the expected bytes are
// written out literally, with the arithmetic beside them.
#include "ecusim/lib/Codifica.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

using namespace ecusim;

namespace {
QByteArray B(const char* s, int n) { return QByteArray(s, n); }
} // namespace

TEST(EcuSimCodifica, ChecksumIsTheByteSumModulo256AsTwoNibbleCharacters)
{
    struct Caso {
        QByteArray testo;
        QByteArray atteso;
    } casi[] = {
        {"", "00"},                 // sum 0
        {"MUB", ">4"},              // 77 + 85 + 66 = 228 = 0xE4 -> 0x30+14 ">", 0x30+4 "4"
        {"R0", "82"},               // 82 + 48 = 130 = 0x82
        {"MZ", ":7"},               // 77 + 90 = 167 = 0xA7 -> 0x30+10 ":", "7"
        {B("\xFF\xFF", 2), "?>"},   // 255 + 255 = 510 = 0x1FE -> low byte 0xFE -> "?", ">"
        {"Rfsok", "05"},            // 82+102+115+111+107 = 517 = 0x205 -> 0x05
    };
    for (const Caso& c : casi)
        EXPECT_EQ(CalcoloCS(c.testo), c.atteso) << c.testo.toHex().constData();
}

TEST(EcuSimCodifica, StuffingEscapesExactlyFiveCharacters)
{
    struct Caso {
        QByteArray dati;
        QByteArray atteso;
    } casi[] = {
        {"D", B("\x1B" "d", 2)},           // 68 + 32 = 100 "d"
        {"B", B("\x1B" "b", 2)},           // 66 + 32 = 98 "b"
        {B("\x1B", 1), B("\x1B;", 2)},     // 27 + 32 = 59 ";"
        {"\r", B("\x1B-", 2)},             // 13 + 32 = 45 "-"
        {"\n", B("\x1B*", 2)},             // 10 + 32 = 42 "*"
        // 850 rpm = 0x0352: 0x03 and "R" stand for themselves, as do "F", "d", "b", NUL and
        // "D" + 0x80.
        {B("\x03R", 2), B("\x03R", 2)},
        {B("F" "d" "b" "\x00" "\xC4", 5), B("F" "d" "b" "\x00" "\xC4", 5)},
        {B("\x0D\x0A\x44\x42", 4), B("\x1B-\x1B*\x1B" "d\x1B" "b", 8)},
    };
    for (const Caso& c : casi)
        EXPECT_EQ(CodificoDati(c.dati), c.atteso) << c.dati.toHex().constData();
}

TEST(EcuSimCodifica, ChecksumExemptionsFollowTheReplyCode)
{
    for (const char* senza : {"R0", "R1", "R2", "R5", "R6", "R7", "R9", "RG", "RX", "RL", "Rd", "Re",
                              "Rfr", "Rfn", "Rfs", "DB", "DC", "DT", "Fl0", "FW0", "Fce", "Fee", "Fes",
                              "Fer", "Fed", "Fok"})
        EXPECT_FALSE(RichiedeChecksum(senza)) << senza;
    for (const char* con : {"R4", "R8", "RZ", "R3", "Frr", "DX", "XY", "r0"})
        EXPECT_TRUE(RichiedeChecksum(con)) << con;
    EXPECT_EQ(RigaRisposta("R6"), "R6\r\n");
    EXPECT_EQ(RigaRisposta("Frr"), "Frr2:\r\n"); // 70 + 114 + 114 = 298 = 0x12A -> 0x2A -> "2", ":"
}

TEST(EcuSimCodifica, TextFieldsShowTheWordDividedByTheChannelDivisor)
{
    struct Caso {
        Canale canale;
        qint16 parola;
        const char* atteso;
    } casi[] = {
        {Canale::Pressione1, 1234, "   123.4"},  // 1234 / 10
        {Canale::Pressione1, -1, "    -0.1"},    // 0xFFFF = -1 -> -1 / 10
        {Canale::Pressione1, -32768, " -3276.8"},
        {Canale::Tps, 7, "     1.4"},            // 7 / 5 = 1.4
        {Canale::Tps, -1, "    -0.2"},
        {Canale::Tps, -32768, " -6553.6"},       // -32768 / 5
        {Canale::Tps, 32767, "  6553.4"},        // 32767 / 5 = 6553.4
        {Canale::Giri, 850, "     850"},
        {Canale::Giri, -32768, "  -32768"},      // 0x8000
        {Canale::LivelloGas, -1, "      -1"},
        {Canale::Libero1, 123, "   0.123"},      // 0x007B / 1000
        {Canale::Libero1, -32768, " -32.768"},
        {Canale::Libero1, 5, "   0.005"},
        {Canale::Flusso, 0, "     0.0"},
    };
    for (const Caso& c : casi)
        EXPECT_EQ(CampoTesto(c.canale, c.parola), QByteArray(c.atteso)) << int(c.canale) << " " << c.parola;
}

TEST(EcuSimCodifica, TextFrameLayout)
{
    ValoriLive v;
    const qint16 parole[NumCanali] = {1234, -15, 0, 255, 4500, -1, 7, 0, 42, 850, 0, 100, -3, 123};
    for (int k = 0; k < NumCanali; ++k)
        v.impostaParola(Canale(k), parole[k]);
    v.carburante = 'B';
    const QByteArray atteso =
        "DC"
        "   123.4,"  // 1234 / 10
        "    -1.5,"  // -15 / 10
        "     0.0,"
        "    25.5,"  // 255 / 10
        "   450.0,"  // 4500 / 10
        "      -1,"  // gas level as is
        "     1.4,"  // 7 / 5
        "       0,"
        "      42,"
        "     850,"
        "       0,"
        "     100,"
        "    -0.3,"  // -3 / 10
        "   0.123,"  // 123 / 1000
        "B\r\n";
    EXPECT_EQ(atteso.size(), 131);
    EXPECT_EQ(TramaDC(v), atteso);
}

TEST(EcuSimCodifica, BinaryFrameCarriesBigEndianWordsStuffed)
{
    // 850 rpm = 0x0352 in word 10: neither 0x03 nor 0x52 "R" is escaped.
    ValoriLive v;
    v.imposta(Canale::Giri, 850);
    v.carburante = 'G';
    const QByteArray atteso = QByteArray("DB") + QByteArray(18, '\0') + B("\x03\x52", 2) + QByteArray(8, '\0')
        + "G\r\n";
    EXPECT_EQ(atteso.size(), 2 + 29 + 2);
    EXPECT_EQ(TramaDB(v), atteso);

    // Words that hold the escaped characters:
    // pressure 1 = 333.8 mbar -> 3338 = 0x0D0A (CR LF), delta P 0x4442 ("DB") = 17474,
    // MAP 0x1B46 (ESC "F") = 6982, rpm 0x0346 = 838 ("F" is not escaped), fuel "B".
    ValoriLive w;
    w.imposta(Canale::Pressione1, 333.8);
    w.impostaParola(Canale::DeltaP, 0x4442);
    w.impostaParola(Canale::Map, 0x1B46);
    w.imposta(Canale::Giri, 838);
    w.carburante = 'B';
    const QByteArray attesoW = QByteArray("DB")
        + B("\x1B-\x1B*", 4)              // 0x0D -> ESC "-", 0x0A -> ESC "*"
        + B("\x1B" "d" "\x1B" "b", 4)     // 0x44 -> ESC "d", 0x42 -> ESC "b"
        + B("\x1B;F", 3)                  // 0x1B -> ESC ";", 0x46 "F"
        + QByteArray(12, '\0')            // words 4 to 9
        + B("\x03" "F", 2)                // 838 = 0x0346
        + QByteArray(8, '\0')             // words 11 to 14
        + B("\x1B" "b", 2)                // fuel "B" -> ESC "b"
        + "\r\n";
    EXPECT_EQ(TramaDB(w), attesoW);
}

TEST(EcuSimCodifica, MapTpsFrameHasRawMapAndTpsWhereTheReaderLooks)
{
    ValoriLive v;
    v.impostaParola(Canale::Map, 1234);
    v.impostaParola(Canale::Tps, -56);
    const QByteArray t = TramaDT(v);
    ASSERT_EQ(t.size(), 129);
    EXPECT_TRUE(t.startsWith("DT"));
    EXPECT_TRUE(t.endsWith("\r\n"));
    EXPECT_EQ(t.mid(20, 8), "    1234"); // positions 21-28
    EXPECT_EQ(t.mid(56, 8), "     -56"); // positions 57-64
}

TEST(EcuSimCodifica, SettingValuesRoundsAndClipsToTheWord)
{
    ValoriLive v;
    v.imposta(Canale::Pressione1, 1.25);    // 12.5 -> 12 (ties to even)
    EXPECT_EQ(v.parola(Canale::Pressione1), 12);
    v.imposta(Canale::Tps, 12.5);           // 62.5 -> 62 (ties to even)
    EXPECT_EQ(v.parola(Canale::Tps), 62);
    v.imposta(Canale::Tps, 12.75);          // 63.75 -> 64
    EXPECT_EQ(v.parola(Canale::Tps), 64);
    v.imposta(Canale::Giri, -3.5);          // -4 (ties to even)
    EXPECT_EQ(v.parola(Canale::Giri), -4);
    v.imposta(Canale::Giri, 99999);
    EXPECT_EQ(v.parola(Canale::Giri), 32767);
    v.imposta(Canale::Temperatura, -5000);
    EXPECT_EQ(v.parola(Canale::Temperatura), -32768);
}

namespace {
Identita Esempio()
{
    Identita id;
    id.riservato = ' ';
    id.dataInstallazione = "15032024";
    id.tipoCentralina = "02";
    id.dataRevisione = "01022025";
    id.tipoInstallazione = "01";
    id.matricola = "AB123456";
    id.lotto = "L24011";
    id.versioneTabella = "07";
    id.versioneSw = "02.510315";
    id.versioneCaric = "01.030512";
    return id;
}
} // namespace

// Field sums (a digit d is 48 + d, "." is 46):
//   "R8" 82+56 = 138, " " 32, "15032024" 8*48 + (1+5+0+3+2+0+2+4) = 401, "02" 98,
//   "01022025" 384 + 12 = 396, "01" 97, "AB123456" 65+66 + 6*48 + 21 = 440,
//   "L24011" 76 + 5*48 + 8 = 324, "07" 103, "02.510315" 46 + 8*48 + 17 = 447,
//   "01.030512" 46 + 384 + 12 = 442, "02.510" 46 + 5*48 + 8 = 294, "R4" 82+52 = 134.
TEST(EcuSimCodifica, IdentityRepliesWorkedByHand)
{
    const Identita id = Esempio();
    struct Caso {
        bool breve;
        bool lunga;
        QByteArray atteso;
    } casi[] = {
        // R8 long: 138+32+401+98+396+97+440+324+103+447+442 = 2918 = 0xB66 -> "66"
        {false, true, "R8 15032024020102202501AB123456L240110702.51031501.03051266\r\n"},
        // R8 short: 2918 - 447 - 442 + 294 = 2323 = 0x913 -> "13"
        {false, false, "R8 15032024020102202501AB123456L240110702.51013\r\n"},
        // R4 long: 134+32+98+440+324+447+442 = 1917 = 0x77D -> "7", 0x30+13 "="
        {true, true, "R4 02AB123456L2401102.51031501.0305127=\r\n"},
        // R4 short: 134+32+98+440+324+294 = 1322 = 0x52A -> "2", 0x30+10 ":"
        {true, false, "R4 02AB123456L2401102.5102:\r\n"},
    };
    for (const Caso& c : casi) {
        const QByteArray r = c.breve ? RispostaR4(id, c.lunga) : RispostaR8(id, c.lunga);
        EXPECT_EQ(r, c.atteso) << c.breve << c.lunga;
    }
    EXPECT_EQ(RispostaR8(id, true).size(), 61);
    EXPECT_EQ(RispostaR8(id, false).size(), 49);
    EXPECT_EQ(RispostaR4(id, true).size(), 41);
    EXPECT_EQ(RispostaR4(id, false).size(), 29);
}

TEST(EcuSimCodifica, IdentityFieldsArePaddedOrCutToTheirWidth)
{
    Identita id = Esempio();
    id.matricola = "R1";           // padded with blanks to 8
    id.lotto = "FFFFFFFFFF";       // cut to 6
    id.versioneSw = "9";
    const QByteArray r = RispostaR8(id, true);
    ASSERT_EQ(r.size(), 61);
    EXPECT_EQ(r.mid(23, 8), "R1      ");   // positions 24-31
    EXPECT_EQ(r.mid(31, 6), "FFFFFF");     // 32-37
    EXPECT_EQ(r.mid(39, 9), "9        ");  // 40-48
    EXPECT_EQ(r.mid(57, 2), CalcoloCS(r.left(57)));
}

TEST(EcuSimCodifica, PersonalPageAndSixCharacterFields)
{
    EXPECT_EQ(Campo6(1200), "001200");
    EXPECT_EQ(Campo6(0), "000000");
    EXPECT_EQ(Campo6(-1), "-00001");
    EXPECT_EQ(Campo6(-2950), "-02950");

    Identita id;
    QByteArray valori;
    for (int i = 1; i <= 30; ++i)
        valori += Campo6(i);
    const QByteArray p = PaginaRZ(id, 7, true, valori);
    ASSERT_EQ(p.size(), 191);
    EXPECT_EQ(p.left(7), "RZ 007$");
    EXPECT_EQ(p.mid(7, 180), valori);
    EXPECT_EQ(p.mid(187, 2), CalcoloCS(p.left(187)));
    EXPECT_EQ(PaginaRZ(id, 0, false, valori).mid(3, 4), "0000");
}

TEST(EcuSimCodifica, ValueSpecificationsSetWordsScriptsAndTexts)
{
    struct Caso {
        const char* spec;
        Canale canale;
        qint64 ms;
        qint16 parola; // word at ms
    } casi[] = {
        {"tps=700", Canale::Tps, 0, 3500},
        {"tps=4500", Canale::Tps, 0, 22500},
        {"dutyin=4550", Canale::DutyIn, 0, 4550},
        {"dutypwm=305", Canale::DutyPwm, 0, 305},
        {"flow=123.4", Canale::Flusso, 0, 1234},
        {"RPM=850", Canale::Giri, 0, 850},
        {"rpm=ramp:800:1800:1000", Canale::Giri, 0, 800},
        {"rpm=ramp:800:1800:1000", Canale::Giri, 250, 1050},
        {"rpm=ramp:800:1800:1000", Canale::Giri, 1500, 1300}, // starts again
        {"rpm=sine:850:100:2000", Canale::Giri, 500, 950},
        {"rpm=sine:850:100:2000", Canale::Giri, 1500, 750},
        {"p1=sine:1200:10:400", Canale::Pressione1, 100, 12100},
        {"temp=99999", Canale::Temperatura, 0, 32767}, // clipped
    };
    for (const Caso& c : casi) {
        ValoriLive v;
        ASSERT_TRUE(ImpostaValoreLive(v, c.spec)) << c.spec;
        v.aggiorna(c.ms);
        EXPECT_EQ(v.parola(c.canale), c.parola) << c.spec << " at " << c.ms;
    }
    for (const char* sbagliata : {"rpm", "=5", "speed=5", "rpm=fast", "rpm=ramp:1:2", "rpm=sine:1:2:0",
                                  "rpm=saw:1:2:3", "rpm=ramp:a:2:3", "fuel=GB", "rpm=nan"}) {
        ValoriLive v;
        QByteArray errore;
        EXPECT_FALSE(ImpostaValoreLive(v, sbagliata, &errore)) << sbagliata;
        EXPECT_FALSE(errore.isEmpty());
        EXPECT_EQ(v.parola(Canale::Giri), 0);
    }
    // A fixed value after a script stops the script.
    ValoriLive v;
    ImpostaValoreLive(v, "rpm=ramp:800:1800:1000");
    ImpostaValoreLive(v, "rpm=900");
    v.aggiorna(500);
    EXPECT_EQ(v.parola(Canale::Giri), 900);
}

TEST(EcuSimCodifica, TextInPlaceOfANumberGoesOnlyIntoTextFrames)
{
    ValoriLive v;
    v.imposta(Canale::Giri, 850);
    const QByteArray db = TramaDB(v);
    ASSERT_TRUE(ImpostaValoreLive(v, "rpm=text:ABC"));
    ASSERT_TRUE(ImpostaValoreLive(v, "lambda=text:123456789"));
    ASSERT_TRUE(ImpostaValoreLive(v, "fuel=B"));
    const QByteArray dc = TramaDC(v);
    ASSERT_EQ(dc.size(), 131);
    EXPECT_EQ(dc.mid(2 + 9 * 9, 9), "     ABC,");
    EXPECT_EQ(dc.mid(2 + 9 * 4, 9), "12345678,") << "cut to the field";
    EXPECT_EQ(dc.at(128), 'B');
    EXPECT_EQ(TramaDB(v).left(db.size() - 3), db.left(db.size() - 3)) << "binary frames carry the word";
    ASSERT_TRUE(ImpostaValoreLive(v, "rpm=text:"));
    EXPECT_EQ(TramaDC(v).mid(2 + 9 * 9, 9), "     850,");
}
