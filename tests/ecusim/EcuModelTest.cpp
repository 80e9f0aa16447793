// The ECU model in-process: live frame streaming, identity replies, the other commands,
// power cycles, the fault switches and the log of received lines.
#include "ecusim/lib/Controllo.h"
#include "ecusim/lib/EcuModel.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

using namespace ecusim;

namespace {

// Sends one command line and returns what the ECU sends in the next ms.
QByteArray Manda(EcuModel& e, const QByteArray& comando, int ms = 20)
{
    e.ricevi(comando + "\r\n");
    return e.avanza(ms);
}

QList<QByteArray> Righe(const QByteArray& flusso)
{
    QList<QByteArray> r;
    qsizetype da = 0;
    for (qsizetype lf = flusso.indexOf('\n'); lf >= 0; lf = flusso.indexOf('\n', da)) {
        r.append(flusso.mid(da, lf + 1 - da));
        da = lf + 1;
    }
    if (da < flusso.size())
        r.append(flusso.mid(da));
    return r;
}

int Conta(const QByteArray& flusso, const char* inizio)
{
    int n = 0;
    for (const QByteArray& r : Righe(flusso))
        n += r.startsWith(inizio);
    return n;
}

bool ChecksumBuono(const QByteArray& riga)
{
    return riga.size() >= 4 && riga.endsWith("\r\n")
        && riga.mid(riga.size() - 4, 2) == CalcoloCS(riga.left(riga.size() - 4));
}

} // namespace

TEST(EcuModel, StreamsLiveFramesOnlyAfterStartAtTheConfiguredPeriod)
{
    EcuModel e;
    e.opzioni.periodoMs = 250;
    e.valori.imposta(Canale::Giri, 850);
    EXPECT_TRUE(e.avanza(2000).isEmpty()) << "no frames before M#";

    e.ricevi("M#\r\n");
    const QByteArray uscita = e.avanza(1000);
    const QList<QByteArray> righe = Righe(uscita);
    // First frame just after the command (5 ms), then every 250 ms: 5, 255, 505, 755.
    ASSERT_EQ(righe.size(), 4);
    for (const QByteArray& r : righe)
        EXPECT_EQ(r, TramaDC(e.valori));
    EXPECT_EQ(Conta(e.avanza(1000), "DC"), 4);

    // A second M# does not restart or double the stream.
    EXPECT_EQ(Conta(Manda(e, "M#", 1000), "DC"), 4);
    EXPECT_EQ(e.trameInviate(), 12);
}

TEST(EcuModel, BinaryFramesAndMapTpsFramesOnRequest)
{
    EcuModel e;
    e.opzioni.trameBinarie = true;
    e.opzioni.periodoMs = 100;
    e.valori.imposta(Canale::Giri, 838); // 0x0346: "F" in the payload
    Manda(e, "M#", 0);
    QByteArray u = e.avanza(500);
    EXPECT_EQ(Conta(u, "DB"), 5);
    EXPECT_EQ(Conta(u, "DT"), 0);
    EXPECT_TRUE(u.startsWith(TramaDB(e.valori)));

    Manda(e, "MT", 0);
    EXPECT_TRUE(e.dtAttivo());
    u = e.avanza(500);
    EXPECT_EQ(Conta(u, "DB"), 0);
    EXPECT_EQ(Conta(u, "DT"), 5);
    EXPECT_EQ(Righe(u).at(1), TramaDT(e.valori)) << "DT frames take the place of the live frames";

    Manda(e, "MF", 0);
    u = e.avanza(500);
    EXPECT_EQ(Conta(u, "DB"), 5);
    EXPECT_EQ(Conta(u, "DT"), 0);
}

TEST(EcuModel, IdentityRequestAnsweredInEachForm)
{
    struct Caso {
        bool breve;
        bool lunga;
        int lunghezza;
        const char* codice;
    } casi[] = {{false, true, 61, "R8"}, {false, false, 49, "R8"}, {true, true, 41, "R4"}, {true, false, 29, "R4"}};
    for (const Caso& c : casi) {
        EcuModel e;
        e.opzioni.rispostaBreve = c.breve;
        e.opzioni.formaLunga = c.lunga;
        e.identita.matricola = "RF000852";
        const QByteArray r = Manda(e, "MUB");
        ASSERT_EQ(r.size(), c.lunghezza) << c.codice << c.lunga;
        EXPECT_TRUE(r.startsWith(c.codice));
        EXPECT_TRUE(ChecksumBuono(r)) << r.constData();
        EXPECT_EQ(r.mid(c.breve ? 5 : 23, 8), "RF000852") << "serial number position";
        if (!c.breve) {
            EXPECT_EQ(r.mid(3, 8), e.identita.dataInstallazione);
            EXPECT_EQ(r.mid(11, 2), e.identita.tipoCentralina);
        } else {
            EXPECT_EQ(r.mid(3, 2), e.identita.tipoCentralina);
        }
    }
}

TEST(EcuModel, RepliesNeverSplitALiveFrame)
{
    EcuModel e;
    e.opzioni.periodoMs = 10;
    Manda(e, "M#", 0);
    e.guasti.aPezzi = true;
    e.guasti.msTraPezzi = 7;
    QByteArray tutto;
    for (int i = 0; i < 5; ++i) {
        e.ricevi("MUB\r\n");
        for (int t = 0; t < 60; ++t)
            tutto += e.avanza(1);
    }
    const QList<QByteArray> righe = Righe(tutto);
    int identita = 0;
    for (const QByteArray& r : righe) {
        if (r.startsWith("R8")) {
            EXPECT_EQ(r, RispostaR8(e.identita, true));
            ++identita;
        } else {
            EXPECT_EQ(r, TramaDC(e.valori));
        }
    }
    EXPECT_EQ(identita, 5);
}

TEST(EcuModel, FaultSwitchesChangeTheReply)
{
    const QByteArray normale = RispostaR8(Identita{}, true);
    struct Caso {
        const char* nome;
        void (*imposta)(Guasti&);
        QByteArray atteso;
    } casi[] = {
        {"R0", [](Guasti& g) { g.sostituto = "R0"; }, "R0\r\n"},
        {"R2", [](Guasti& g) { g.sostituto = "R2"; }, "R2\r\n"},
        {"silence", [](Guasti& g) { g.silenzio = true; }, ""},
        {"noise", [](Guasti& g) { g.rumore = QByteArray("\x00\xFFxR", 4); }, QByteArray("\x00\xFFxR", 4) + normale},
        {"noise before R0", [](Guasti& g) { g.rumore = "zz"; g.sostituto = "R0"; }, "zzR0\r\n"},
        {"R0 only for MUD", [](Guasti& g) { g.sostituto = "R0"; g.soloPer = "MUD"; }, normale},
    };
    for (const Caso& c : casi) {
        EcuModel e;
        c.imposta(e.guasti);
        EXPECT_EQ(Manda(e, "MUB"), c.atteso) << c.nome;
    }
}

TEST(EcuModel, WrongChecksumSwitchSpoilsOnlyTheChecksum)
{
    EcuModel e;
    e.guasti.checksumErrato = true;
    const QByteArray r = Manda(e, "MUB");
    const QByteArray normale = RispostaR8(e.identita, true);
    ASSERT_EQ(r.size(), normale.size());
    EXPECT_EQ(r.left(57), normale.left(57));
    EXPECT_FALSE(ChecksumBuono(r));
    // Replies without a checksum go out unchanged.
    EXPECT_EQ(Manda(e, "MUD"), "Rd    1.20\r\n");
}

TEST(EcuModel, FaultsCanBeLimitedToACountOfReplies)
{
    EcuModel e;
    e.guasti.sostituto = "R2";
    e.guasti.soloPer = "MUB";
    e.guasti.volte = 2;
    EXPECT_EQ(Manda(e, "MUD"), "Rd    1.20\r\n") << "other commands are not counted";
    EXPECT_EQ(Manda(e, "MUB"), "R2\r\n");
    EXPECT_EQ(Manda(e, "MUB"), "R2\r\n");
    EXPECT_TRUE(Manda(e, "MUB").startsWith("R8"));
}

TEST(EcuModel, FaultsStartFromTheNthReplyToTheirCommand)
{
    // Five identity requests; "-" is the real reply, otherwise the fault's.
    struct Caso {
        int da;
        int volte;
        const char* attese;
    } casi[] = {
        {1, -1, "XXXXX"}, {3, -1, "--XXX"}, {3, 1, "--X--"}, {2, 2, "-XX--"}, {6, -1, "-----"}, {1, 0, "-----"},
    };
    for (const Caso& c : casi) {
        EcuModel e;
        e.guasti.sostituto = "R0";
        e.guasti.soloPer = "MUB";
        e.guasti.daRisposta = c.da;
        e.guasti.volte = c.volte;
        QByteArray visto;
        for (int i = 0; i < 5; ++i) {
            EXPECT_EQ(Manda(e, "MUD"), "Rd    1.20\r\n") << "other commands neither counted nor touched";
            visto += Manda(e, "MUB") == "R0\r\n" ? 'X' : '-';
        }
        EXPECT_EQ(visto, c.attese) << "from " << c.da << " times " << c.volte;
    }
}

TEST(EcuModel, ARefusedCommandIsNotCarriedOut)
{
    EcuModel e;
    e.guasti.soloPer = "MUC";
    e.guasti.sostituto = "R0";
    e.guasti.volte = 1;
    EXPECT_EQ(Manda(e, "MUC05032024"), "R0\r\n");
    EXPECT_EQ(e.identita.dataInstallazione, "15032024") << "date not stored";
    e.guasti = {};
    e.guasti.soloPer = "MUC";
    e.guasti.silenzio = true;
    EXPECT_TRUE(Manda(e, "MUC05032024").isEmpty());
    EXPECT_EQ(e.identita.dataInstallazione, "15032024");

    // A whole line given as the substitute goes out as it stands: an altered page.
    QByteArray pagina = PaginaRZ(e.identita, 999, false, QByteArray(180, '1'));
    pagina[6] = 'x';
    e.guasti = {};
    e.guasti.soloPer = "MU2";
    e.guasti.sostituto = pagina;
    e.guasti.volte = 1;
    EXPECT_EQ(Manda(e, "MU2"), pagina);
    EXPECT_EQ(Manda(e, "MUA").mid(3, 4), "0010") << "a replaced page is no refusal: the read-out goes on";
}

TEST(EcuModel, LiveFramesPauseAndResumeWithoutMakingUpTheMissedOnes)
{
    EcuModel e;
    e.opzioni.periodoMs = 100;
    Manda(e, "M#", 0);
    EXPECT_EQ(Conta(e.avanza(1000), "DC"), 10);
    e.sospendiTrame(true);
    EXPECT_TRUE(e.trameSospese());
    EXPECT_TRUE(e.avanza(1000).isEmpty());
    EXPECT_TRUE(Manda(e, "MUB").startsWith("R8")) << "replies still go out";
    EXPECT_EQ(e.prossimoInvio(), -1);
    e.sospendiTrame(false);
    EXPECT_EQ(Conta(e.avanza(1000), "DC"), 10);
}

TEST(EcuModel, ChunkedRepliesArriveInPiecesThatJoinUpAndRepeatWithTheSeed)
{
    auto pezzi = [](quint32 seme) {
        EcuModel e;
        e.impostaSeme(seme);
        e.guasti.aPezzi = true;
        e.guasti.rumore = "##";
        e.ricevi("MUB\r\n");
        QList<QByteArray> r;
        for (int t = 0; t < 200; ++t) {
            const QByteArray u = e.avanza(1);
            if (!u.isEmpty())
                r.append(u);
        }
        return r;
    };
    const QList<QByteArray> a = pezzi(7);
    EXPECT_GE(a.size(), 2);
    EXPECT_EQ(a.join(), "##" + RispostaR8(Identita{}, true));
    EXPECT_EQ(pezzi(7), a);
    bool diverso = false;
    for (quint32 s = 8; s < 20 && !diverso; ++s)
        diverso = pezzi(s) != a;
    EXPECT_TRUE(diverso) << "the cut points depend on the seed";
}

TEST(EcuModel, PowerCycleStopsFramesAndTheyResumeWithoutStart)
{
    EcuModel e;
    e.opzioni.periodoMs = 100;
    Manda(e, "M#", 0);
    EXPECT_EQ(Conta(e.avanza(1000), "DC"), 10);

    e.ricevi("MU");       // half a line, lost with the power
    e.cicloAccensione(3000);
    EXPECT_FALSE(e.acceso());
    e.ricevi("B\r\nMUB\r\n");
    EXPECT_TRUE(e.avanza(2900).isEmpty());
    EXPECT_TRUE(e.registro().size() == 1 && e.registro()[0].testo() == "M#") << "nothing heard while off";

    const QByteArray dopo = e.avanza(1100); // on at 3000, first frame one period later
    EXPECT_TRUE(e.acceso());
    EXPECT_EQ(Conta(dopo, "DC"), 10);
    EXPECT_EQ(Conta(dopo, "R"), 0);
    EXPECT_TRUE(Manda(e, "MUB").startsWith("R8"));
}

TEST(EcuModel, SwitchingOffLosesWhatWasBeingSent)
{
    EcuModel e;
    e.opzioni.ritardoRispostaMs = 50;
    e.ricevi("MUB\r\n");
    e.avanza(10);
    e.spegni();
    e.accendi();
    EXPECT_EQ(Conta(e.avanza(100), "R8"), 0);
    EXPECT_FALSE(e.dtAttivo());
}

TEST(EcuModel, LogHoldsEveryLineWithItsTime)
{
    EcuModel e;
    e.avanza(100);
    e.ricevi("M");
    e.avanza(50);
    e.ricevi("#\r");
    e.ricevi("\nMUB\r\nMUE000150\r\n");
    e.avanza(30);
    e.ricevi("XYZ\r\n");
    const auto& reg = e.registro();
    ASSERT_EQ(reg.size(), 4);
    EXPECT_EQ(reg[0].riga, "M#\r\n");
    EXPECT_EQ(reg[0].ms, 150);
    EXPECT_EQ(reg[1].testo(), "MUB");
    EXPECT_EQ(reg[2].testo(), "MUE000150");
    EXPECT_EQ(reg[3].ms, 180);
    EXPECT_EQ(e.comandiRicevuti(), (QList<QByteArray>{"M#", "MUB", "MUE000150", "XYZ"}));
}

TEST(EcuModel, BurstFramesComeOutOnDemandAndWaitForAReplyInProgress)
{
    EcuModel e;
    e.opzioni.trameBinarie = true;
    e.raffica(5);
    EXPECT_EQ(e.estraiRaffica(3), TramaDB(e.valori).repeated(3));
    EXPECT_EQ(e.rafficaRestante(), 2);

    e.guasti.aPezzi = true;
    e.ricevi("MUB\r\n");
    const QByteArray inizio = e.avanza(5); // first piece of the reply
    EXPECT_FALSE(inizio.isEmpty());
    EXPECT_TRUE(e.estraiRaffica(10).isEmpty()) << "the reply is still going out";
    const QByteArray resto = e.avanza(200);
    EXPECT_EQ(inizio + resto, RispostaR8(e.identita, true));
    EXPECT_EQ(e.estraiRaffica(10), TramaDB(e.valori).repeated(2));
    EXPECT_EQ(e.rafficaRestante(), 0);
    EXPECT_EQ(e.trameInviate(), 5);
}

TEST(EcuModel, ScriptedValuesMoveWithTheFrames)
{
    EcuModel e;
    e.opzioni.periodoMs = 100;
    e.opzioni.ritardoRispostaMs = 0;
    ASSERT_EQ(EseguiControllo(e, "value rpm=ramp:1000:2000:1000 tps=text:--"), "ok");
    EXPECT_TRUE(EseguiControllo(e, "value rpm=ramp:1:2").startsWith("error: "));
    Manda(e, "M#", 0);
    const QList<QByteArray> righe = Righe(e.avanza(300));
    ASSERT_EQ(righe.size(), 3); // at 100, 200, 300 ms
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(righe[i].mid(2 + 9 * 9, 8), QByteArray::number(1000 + 100 * (i + 1)).rightJustified(8, ' '));
        EXPECT_EQ(righe[i].mid(2 + 9 * 6, 8), "      --");
    }
}
