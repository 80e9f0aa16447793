// The ECU model's answers to the commands beyond identification: data image upload, date,
// pressure, parameters, personal map read-out and flash programming.
#include "ecusim/lib/EcuModel.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

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
