// The ECU model's answers to the commands beyond identification: data image upload, date,
// pressure, parameters, personal map read-out and flash programming.
#include "ecusim/lib/Controllo.h"
#include "ecusim/lib/EcuModel.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <functional>

using namespace ecusim;

namespace {

QByteArray Manda(EcuModel& e, const QByteArray& comando, int ms = 20)
{
    e.ricevi(comando + "\r\n");
    return e.avanza(ms);
}

QByteArray Blocco(int n, bool ultimo, const QByteArray& dati)
{
    QByteArray b = "MZ" + QByteArray::number(n).rightJustified(3, '0') + (ultimo ? '$' : '0') + dati;
    return b + CalcoloCS(b);
}

// An S-record with its checksum: one's complement of the byte sum of count, address, data.
QByteArray SRecord(char tipo, const QByteArray& indirizzoEDati)
{
    const int conta = int(indirizzoEDati.size()) + 1;
    int somma = conta;
    for (char c : indirizzoEDati)
        somma += static_cast<unsigned char>(c);
    return QByteArray("S") + tipo + QByteArray::number(conta, 16).rightJustified(2, '0').toUpper()
        + indirizzoEDati.toHex().toUpper() + QByteArray::number(~somma & 0xFF, 16).rightJustified(2, '0').toUpper();
}

} // namespace

TEST(EcuComandi, DataImageUploadAcceptsGoodBlocksAndRefusesBadOnes)
{
    EcuModel e;
    EXPECT_TRUE(Manda(e, Blocco(0, false, QByteArray(180, '1'))).isEmpty()) << "no block before MU0";
    EXPECT_EQ(Manda(e, "MU0"), "R6\r\n");

    QByteArray immagine;
    for (int n = 0; n < 95; ++n)
        immagine += QByteArray::number(n % 10).repeated(180);
    for (int n = 0; n < 95; ++n) {
        const QByteArray blocco = Blocco(n, n == 94, immagine.mid(n * 180, 180));
        ASSERT_EQ(blocco.size(), 188);
        if (n == 5) {
            QByteArray rotto = blocco;
            rotto[10] = 'x';
            EXPECT_EQ(Manda(e, rotto), "R7\r\n") << "checksum does not match";
            EXPECT_EQ(Manda(e, Blocco(6, false, immagine.mid(6 * 180, 180))), "R7\r\n") << "out of order";
        }
        EXPECT_EQ(Manda(e, blocco), n == 94 ? "R1\r\n" : "R5\r\n") << n;
    }
    EXPECT_TRUE(e.immagineCompleta());
    EXPECT_EQ(e.immagineDati(), immagine);
    EXPECT_TRUE(Manda(e, "MU1").isEmpty());
}

TEST(EcuComandi, OnlyWholeBlockLinesCountAndTheImageSetsTheOverhaul)
{
    const QByteArray dati(180, '7');
    struct Caso {
        const char* nome;
        QByteArray riga;
        const char* risposta;
    } casi[] = {
        {"whole block", Blocco(0, false, dati) + "\r\n", "R5\r\n"},
        {"3 data characters", Blocco(0, true, "ABC") + "\r\n", "R7\r\n"},
        {"179 data characters", Blocco(0, false, dati.left(179)) + "\r\n", "R7\r\n"},
        {"LF only", Blocco(0, false, dati) + "\n", "R7\r\n"},
    };
    for (const Caso& c : casi) {
        EcuModel e;
        Manda(e, "MU0");
        e.ricevi(c.riga);
        EXPECT_EQ(e.avanza(20), c.risposta) << c.nome;
    }

    // Records 2823 to 2826 (overhaul day, month, year, installation type) of a complete image.
    QByteArray immagine = QByteArray("000000").repeated(2850);
    immagine.replace(2822 * 6, 24, "000007000011002026000001");
    EcuModel e;
    Manda(e, "MU0");
    for (int n = 0; n < 95; ++n)
        ASSERT_EQ(Manda(e, Blocco(n, n == 94, immagine.mid(n * 180, 180))), n == 94 ? "R1\r\n" : "R5\r\n");
    EXPECT_EQ(e.identita.dataRevisione, "07112026");
    EXPECT_EQ(e.identita.tipoInstallazione, "01");
    EXPECT_EQ(Manda(e, "MUB").mid(13, 10), "0711202601");
}

TEST(EcuComandi, ARefusedBlockIsNotTakenSoItsResendIs)
{
    EcuModel e;
    e.guasti.soloPer = "MZ";
    e.guasti.sostituto = "R7";
    e.guasti.daRisposta = 3; // block 2
    e.guasti.volte = 1;
    Manda(e, "MU0");
    const QByteArray dati(180, '5');
    const QList<QPair<int, QByteArray>> passi = {
        {0, "R5\r\n"}, {1, "R5\r\n"}, {2, "R7\r\n"}, {2, "R5\r\n"}, {3, "R5\r\n"}};
    for (const auto& [n, risposta] : passi)
        EXPECT_EQ(Manda(e, Blocco(n, false, dati)), risposta) << n;
    EXPECT_EQ(e.immagineDati().size(), 4 * 180);
}

TEST(EcuComandi, ShortAnswersToTheOtherCommands)
{
    struct Caso {
        QByteArray comando;
        QByteArray risposta;
    } casi[] = {
        {"MUC05032024", "R9\r\n"},
        {"MUC31022024", "R0\r\n"}, // no such date
        {"MUD", "Rd    1.20\r\n"},
        {"MUE000150", "Re\r\n"},
        {"MUE15", "R0\r\n"},
        {"MUFR", "Rfr001200002950000000\r\n"},
        {"MUFN", "Rfn001200002950000000000045000000001500000100000010000001\r\n"},
        {"MUFS001500002700000001", "Rfsok\r\n"},
        {"MUFS0015", "Rfsko\r\n"},
        {"MUFSabcdef002700000001", "Rfsko\r\n"},
        {"MU3", ""},
        {"MU1", ""},
        {"MF", ""},
        {"MUBX", ""},
        {"HELLO", ""},
    };
    for (const Caso& c : casi) {
        EcuModel e;
        EXPECT_EQ(Manda(e, c.comando), c.risposta) << c.comando.constData();
    }
    EcuModel e;
    EXPECT_EQ(Manda(e, "MUFN").size(), 59);
    EXPECT_EQ(Manda(e, "MUFR").size(), 23);
}

TEST(EcuComandi, StoredValuesComeBackOnTheNextRead)
{
    EcuModel e;
    Manda(e, "MUC05032024");
    EXPECT_EQ(e.identita.dataInstallazione, "05032024");
    EXPECT_EQ(Manda(e, "MUB").mid(3, 8), "05032024");

    Manda(e, "MUE000150");
    EXPECT_EQ(e.pressioneMemorizzata(), "000150");

    EXPECT_EQ(Manda(e, "MUFS" + QByteArray("001500002700000001000050000001001600000200000020000002")), "Rfsok\r\n");
    EXPECT_EQ(Manda(e, "MUFN"), "Rfn001500002700000001000050000001001600000200000020000002\r\n");
    e.parametri[0] = -1;
    EXPECT_EQ(Manda(e, "MUFR"), "Rfr-00001002700000001\r\n");
}

TEST(EcuComandi, PersonalMapReadOutPageByPage)
{
    EcuModel e;
    e.mappaPersonale.clear();
    for (int i = 0; i < 75; ++i) // two and a half pages
        e.mappaPersonale += Campo6(i);
    EXPECT_TRUE(Manda(e, "MUA").isEmpty()) << "no read-out under way";
    const QByteArray p0 = Manda(e, "MU2");
    const QByteArray p1 = Manda(e, "MUA");
    const QByteArray p2 = Manda(e, "MUA");
    for (const QByteArray& p : {p0, p1, p2}) {
        ASSERT_EQ(p.size(), 191);
        EXPECT_EQ(p.mid(187, 2), CalcoloCS(p.left(187)));
    }
    EXPECT_EQ(p0.mid(3, 4), "0000");
    EXPECT_EQ(p1.mid(3, 4), "0010");
    EXPECT_EQ(p2.mid(3, 4), "002$");
    EXPECT_EQ(p1.mid(7, 6), "000030");
    EXPECT_EQ(p2.mid(7 + 14 * 6, 6), "000074");
    EXPECT_TRUE(Manda(e, "MUA").isEmpty()) << "nothing after the last page";
}

TEST(EcuComandi, FlashProgrammingRequestsLinesUntilTheLastRecord)
{
    EcuModel e;
    e.opzioni.periodoMs = 50;
    e.opzioni.msRiavvio = 500;
    e.opzioni.ritardoRispostaMs = 0;
    Manda(e, "M#", 0);
    EXPECT_EQ(Manda(e, "MWin", 1), "Fl0\r\n");
    EXPECT_TRUE(e.avanza(1000).isEmpty()) << "no live frames while the loader runs";

    const QByteArray s1 = SRecord('1', QByteArray::fromHex("40001122334455"));
    // Left-padded with "0" as the programming image sends it.
    EXPECT_EQ(Manda(e, s1.rightJustified(253, '0')), "FW0\r\n");
    EXPECT_EQ(Manda(e, SRecord('1', QByteArray::fromHex("4006AABB"))), "FW0\r\n");
    EXPECT_EQ(Manda(e, SRecord('9', QByteArray::fromHex("4000")), 1), "Fok\r\n");
    EXPECT_EQ(e.lineeProgrammate().size(), 3);
    EXPECT_EQ(e.lineeProgrammate().first(), s1);
    EXPECT_FALSE(e.caricatoreProgrammato());
    EXPECT_TRUE(e.avanza(400).isEmpty()) << "restarting";
    EXPECT_TRUE(e.avanza(200).startsWith("DC"));
}

TEST(EcuComandi, FlashProgrammingRefusesABadRecord)
{
    EcuModel e;
    EXPECT_EQ(Manda(e, "MWca"), "Fl0\r\n");
    EXPECT_TRUE(e.caricatoreProgrammato());
    QByteArray s = SRecord('1', QByteArray::fromHex("40001122"));
    s[s.size() - 1] = s[s.size() - 1] == '0' ? '1' : '0';
    EXPECT_EQ(Manda(e, s), "Fce\r\n");
    EXPECT_TRUE(Manda(e, SRecord('1', QByteArray::fromHex("4000"))).isEmpty()) << "programming has ended";

    EXPECT_EQ(Manda(e, "MWin"), "Fl0\r\n");
    EXPECT_EQ(Manda(e, "garbage"), "Fes\r\n");
    EXPECT_EQ(Manda(e, "MWin"), "Fl0\r\n");
    EXPECT_TRUE(Manda(e, "MU3").isEmpty()) << "a command ends programming and is obeyed";
    EXPECT_TRUE(Manda(e, "MUB").startsWith("R8"));
}

TEST(EcuComandi, FaultsReachProgrammingLinesByTheirKey)
{
    EcuModel e;
    e.guasti.sostituto = "Frr";
    e.guasti.soloPer = "S";
    EXPECT_EQ(Manda(e, "MWin"), "Fl0\r\n");
    EXPECT_EQ(Manda(e, SRecord('1', QByteArray::fromHex("4000AA"))), "Frr2:\r\n"); // checksum as for any Frr
}

TEST(EcuComandi, StoredFieldsTakeDigitsBlanksAndOneMinusAnywhere)
{
    struct Caso {
        QByteArray comando;
        QByteArray risposta;
        int primo; // parameter 1 afterwards
    } casi[] = {
        {"MUE000-50", "Re\r\n", 1200},
        {"MUE0000-1", "Re\r\n", 1200},
        {"MUE   125", "Re\r\n", 1200},
        {"MUE00-0-1", "R0\r\n", 1200},
        {"MUE0001a0", "R0\r\n", 1200},
        {"MUFS000-50002700000001", "Rfsok\r\n", -50},
        {"MUFS0000-1002700000001", "Rfsok\r\n", -1},
        {"MUFS001500002700000001000050000001001600000200000020      ", "Rfsok\r\n", 1500},
        {"MUFS0015000027000000010000500000010016000002000000200000x1", "Rfsko\r\n", 1200},
        {"MUFS00150000270000000", "Rfsko\r\n", 1200},
    };
    for (const Caso& c : casi) {
        EcuModel e;
        EXPECT_EQ(Manda(e, c.comando), c.risposta) << c.comando.constData();
        EXPECT_EQ(e.parametri[0], c.primo) << c.comando.constData();
        if (c.comando.startsWith("MUE") && c.risposta == "Re\r\n") {
            EXPECT_EQ(e.pressioneMemorizzata(), c.comando.mid(3)) << "kept exactly as sent";
        }
    }
    EcuModel e;
    Manda(e, "MUFS001500002700000001000050000001001600000200000020      ");
    EXPECT_EQ(Manda(e, "MUFN"), "Rfn001500002700000001000050000001001600000200000020      \r\n");
}

TEST(EcuComandi, EngineRunningAndLostDataSwitches)
{
    EcuModel e;
    ASSERT_EQ(EseguiControllo(e, "engine running"), "ok");
    EXPECT_EQ(Manda(e, "MUFS001500002700000001"), "Rfsko\r\n");
    EXPECT_EQ(e.parametri[0], 1200) << "nothing stored";
    ASSERT_EQ(EseguiControllo(e, "engine stopped"), "ok");
    EXPECT_EQ(Manda(e, "MUFS001500002700000001"), "Rfsok\r\n");

    ASSERT_EQ(EseguiControllo(e, "data lost"), "ok");
    EXPECT_EQ(Manda(e, "MUB").mid(11, 2), "02") << "only from the next power-on";
    e.cicloAccensione(100);
    e.avanza(200);
    const QByteArray r8 = Manda(e, "MUB");
    EXPECT_EQ(r8.mid(11, 2), "??");
    EXPECT_EQ(r8.mid(r8.size() - 4, 2), CalcoloCS(r8.left(r8.size() - 4)));
    EXPECT_FALSE(e.opzioni.datiPersi);
}

TEST(EcuComandi, ADelayedReplyLetsFramesPassOrPausesThem)
{
    for (const bool ferma : {false, true}) {
        EcuModel e;
        e.opzioni.periodoMs = 250;
        e.opzioni.ritardoRispostaMs = 0;
        ASSERT_EQ(EseguiControllo(e, ferma ? "delay MUFS 3000 pause-frames" : "delay MUFS 3000"), "ok");
        Manda(e, "M#", 0);
        e.avanza(100);
        e.ricevi("MUFS001500002700000001\r\n");
        EXPECT_TRUE(Manda(e, "MUD", 0).startsWith("Rd")) << "other commands are not held back";
        QByteArray u = e.avanza(2999);
        EXPECT_FALSE(u.contains("Rfs"));
        EXPECT_EQ(u.count("DC"), ferma ? 0 : 12);
        u = e.avanza(1);
        EXPECT_EQ(u, "Rfsok\r\n") << ferma;
        EXPECT_EQ(e.avanza(250).count("DC"), 1) << "frames go on one period after the reply";
        ASSERT_EQ(EseguiControllo(e, "delay MUFS 0"), "ok");
        EXPECT_EQ(Manda(e, "MUFS001500002700000001", 0), "Rfsok\r\n");
    }
}

namespace {

// Sends a programming line left-padded with "0" to 255 characters with CR LF.
QByteArray Riempita(const QByteArray& riga)
{
    return riga.rightJustified(253, '0');
}

// A small programming image: base software (a record below 0x4000, not counted, and the
// version record), a table record at 4FA6, the map record at 5606 with overhaul 07/11/2026
// and type 1, the installation date 07112026. Worked out by hand:
//   version record words 5656 3132 3334 3536 3700 -> 5666
//   table 0001 0002 -> 0003; map 0007 000B 07EA 0001 -> 07E7; date 3037 3131 3230 3236 -> 0100
//   sum A = 5666 ^ 0003 ^ 07E7 ^ 0100 = 5082, sum B = 0003 ^ 07E7 = 07E4
QList<QByteArray> Immagine(const QByteArray& somme = "508207E4")
{
    return {
        SRecord('0', QByteArray::fromHex("0000") + "020"),
        SRecord('1', QByteArray::fromHex("3000AABB")),
        SRecord('2', QByteArray::fromHex("03FFEC") + QByteArray("VV1234567\0", 10)),
        SRecord('1', QByteArray::fromHex("4FA600010002")),
        SRecord('1', QByteArray::fromHex("5606" "0000000000000000" "0007000B07EA0001" "0000")),
        SRecord('1', QByteArray::fromHex("800E") + "07112026"),
        SRecord('9', QByteArray::fromHex(somme)),
    };
}

// Sends the lines while the ECU asks for them; returns the codes answered.
QList<QByteArray> Programma(EcuModel& e, const QList<QByteArray>& righe, bool riempite = true)
{
    QList<QByteArray> codici;
    for (const QByteArray& r : righe) {
        const QByteArray c = Manda(e, riempite ? Riempita(r) : r).trimmed();
        codici.append(c);
        if (c != "FW0")
            break;
    }
    return codici;
}

} // namespace

TEST(EcuComandi, ProgrammingLinesAreCheckedInOrder)
{
    const QByteArray buona = SRecord('1', QByteArray::fromHex("40001122"));
    QByteArray cs = buona;
    cs[cs.size() - 1] = cs[cs.size() - 1] == '0' ? '1' : '0';
    QByteArray conta = buona;
    conta[3] = '6';
    struct Caso {
        const char* nome;
        QByteArray riga;
        const char* codice;
    } casi[] = {
        {"no initial S", "X1074000112233", "Fes"},
        {"type not a digit", "SX074000112233", "Fee"},
        {"odd number of digits", buona + "0", "Fee"},
        {"not hex", "S1074000112G33", "Fee"},
        {"count not the bytes that follow", conta, "Fee"},
        {"checksum", cs, "Fce"},
        {"padded checksum", Riempita(cs), "Fce"},
        {"good", buona, "FW0"},
        {"padded", Riempita(buona), "FW0"},
    };
    for (const Caso& c : casi) {
        EcuModel e;
        Manda(e, "MWin");
        EXPECT_EQ(Manda(e, c.riga).trimmed(), c.codice) << c.nome;
        EXPECT_EQ(e.inProgrammazione(), QByteArray(c.codice) == "FW0") << c.nome;
    }
    EcuModel e;
    Manda(e, "MWin");
    Manda(e, Riempita(buona));
    Manda(e, buona);
    EXPECT_EQ(e.lineeRiempite(), (QList<bool>{true, false}));
    EXPECT_EQ(e.lineeProgrammate(), (QList<QByteArray>{buona, buona}));
}

TEST(EcuComandi, AProgrammingImageWithGoodSumsIsAdoptedAndReportedInR8)
{
    EcuModel e;
    Manda(e, "MWin");
    const QList<QByteArray> codici = Programma(e, Immagine());
    EXPECT_EQ(codici.last(), "Fok");
    EXPECT_EQ(codici.size(), 7);
    EXPECT_EQ(e.identita.versioneSw, "VV1234567");
    EXPECT_EQ(e.identita.dataInstallazione, "07112026");
    EXPECT_EQ(e.identita.dataRevisione, "07112026");
    EXPECT_EQ(e.identita.tipoInstallazione, "01");
    EXPECT_EQ(Manda(e, "MUB", 600).mid(3, 20), "07112026" "02" "07112026" "01");

    struct Caso {
        const char* nome;
        QByteArray somme;
        bool riempite;
        const char* ultimo;
    } casi[] = {
        {"sum A wrong", "508307E4", true, "Fer"},
        {"sum B wrong", "508207E5", true, "Fer"},
        {"no sums", "4000", true, "Fer"},
        {"not padded: no sums checked", "4000", false, "Fok"},
    };
    for (const Caso& c : casi) {
        EcuModel f;
        Manda(f, "MWin");
        EXPECT_EQ(Programma(f, Immagine(c.somme), c.riempite).last(), c.ultimo) << c.nome;
        EXPECT_EQ(f.identita.versioneSw, QByteArray(c.ultimo) == "Fok" ? "VV1234567" : "02.510315") << c.nome;
        EXPECT_FALSE(f.inProgrammazione());
    }
}

TEST(EcuComandi, LoaderVersionComesFromItsRecord)
{
    EcuModel e;
    Manda(e, "MWca");
    const QByteArray versione = SRecord('1', QByteArray::fromHex("3FF0") + "01.040612");
    EXPECT_EQ(Programma(e, {versione, SRecord('9', QByteArray::fromHex("0000"))}, false).last(), "Fok");
    EXPECT_EQ(e.identita.versioneCaric, "01.040612");
    EXPECT_EQ(e.identita.versioneSw, "02.510315") << "the software stays";
}

TEST(EcuComandi, FlashSwitches)
{
    struct Caso {
        const char* comando;
        std::function<void(EcuModel&)> verifica;
    } casi[] = {
        {"flash not-kept=on",
         [](EcuModel& e) {
             Manda(e, "MWin");
             EXPECT_EQ(Programma(e, Immagine()).last(), "Fok");
             EXPECT_EQ(e.identita.versioneSw, "02.510315");
         }},
        {"flash fed-at-once=on",
         [](EcuModel& e) {
             e.opzioni.ritardoPer["MWin"] = 2000;
             EXPECT_EQ(Manda(e, "MWin"), "Fed\r\n");
             EXPECT_FALSE(e.inProgrammazione());
         }},
        {"flash silent-to-start=on",
         [](EcuModel& e) {
             EXPECT_TRUE(Manda(e, "MWin", 1000).count("Fl0") == 0);
             EXPECT_FALSE(e.inProgrammazione());
         }},
        {"flash fl0-again-at=3",
         [](EcuModel& e) {
             Manda(e, "MWin");
             EXPECT_EQ(Programma(e, Immagine()), (QList<QByteArray>{"FW0", "FW0", "Fl0"}));
             EXPECT_TRUE(e.lineeProgrammate().isEmpty()) << "the image restarts";
             EXPECT_EQ(Programma(e, Immagine()).last(), "Fok") << "only once";
             EXPECT_EQ(e.lineeProgrammate().size(), 7);
         }},
        {"flash frames-during=on",
         [](EcuModel& e) {
             e.opzioni.ritardoPer["MWin"] = 2000;
             Manda(e, "M#", 0);
             e.ricevi("MWin\r\n");
             const QByteArray u = e.avanza(2100);
             EXPECT_GE(u.count("DC"), 8) << "frames while Fl0 waits";
             EXPECT_TRUE(u.endsWith("Fl0\r\n") || u.contains("Fl0\r\nDC"));
             EXPECT_GE(e.avanza(1000).count("DC"), 4);
         }},
        {"flash frames-after-cycle=on",
         [](EcuModel& e) {
             Manda(e, "M#", 0);
             Manda(e, "MWin");
             Programma(e, Immagine());
             EXPECT_TRUE(e.avanza(3000).isEmpty());
             e.cicloAccensione(100);
             EXPECT_GE(e.avanza(1000).count("DC"), 3);
         }},
    };
    for (const Caso& c : casi) {
        EcuModel e;
        e.opzioni.periodoMs = 250;
        ASSERT_EQ(EseguiControllo(e, c.comando), "ok") << c.comando;
        c.verifica(e);
    }
    EcuModel e;
    EXPECT_TRUE(EseguiControllo(e, "flash speed=2").startsWith("error: "));
    EXPECT_EQ(EseguiControllo(e, "flash not-kept=on"), "ok");
    EXPECT_EQ(EseguiControllo(e, "flash reset check-sums=off"), "ok") << "reset first, then the switches";
    EXPECT_FALSE(e.flash.nonConserva);
    EXPECT_FALSE(e.flash.controlloSomme);
}

TEST(EcuComandi, ProgrammingFaultsAtALine)
{
    struct Caso {
        const char* nome;
        const char* guasto;
        QList<QByteArray> codici;
        bool ancora; // still programming afterwards
    } casi[] = {
        {"error code at line 3", "fault reply-as=Fce only=S from=3 times=1", {"FW0", "FW0", "Fce"}, false},
        {"silence at line 2", "fault silent only=S from=2 times=1", {"FW0", ""}, true},
        {"FW0 instead of Fok", "fault reply-as=FW0 only=S from=7", {"FW0", "FW0", "FW0", "FW0", "FW0", "FW0", "FW0"}, true},
    };
    for (const Caso& c : casi) {
        EcuModel e;
        ASSERT_EQ(EseguiControllo(e, c.guasto), "ok");
        Manda(e, "MWin");
        EXPECT_EQ(Programma(e, Immagine()), c.codici) << c.nome;
        EXPECT_EQ(e.inProgrammazione(), c.ancora) << c.nome;
        EXPECT_EQ(e.identita.versioneSw, "02.510315") << c.nome;
    }
}
