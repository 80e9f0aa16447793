// The assistance call end to end over two pseudo-terminals, from F2 on the main menu: the
// ECU simulator on the ECU port, the modem and station simulator on the modem port (which it
// never holds open).
#include "RemoteFixture.h"
#include "support/AmbienteSimulatore.h"

#include "catalogue/Catalogue.h"
#include "catalogue/SoftwareLibrary.h"
#include "ecu_link/CodecDati.h"
#include "gsmsim/lib/LineaPty.h"
#include "platform/SerialControl.h"
#include "shell/Avvio.h"
#include "shell/ZEQ_Inst.h"

#include <QFile>
#include <QTest>
#include <QTimer>

#include <algorithm>

#include <unistd.h>

namespace {

class RemoteEndToEnd : public AmbienteSimulatore {
protected:
    void SetUp() override
    {
        AmbienteSimulatore::SetUp();
        QByteArray slave;
        master = gsmsim::AproPtyLibera(slave);
        ASSERT_GE(master, 0);
        gsm.modem.ritardoMs = 20;
        gsm.ritardoRispostaMs = 0;
        ecu.opzioni.periodoMs = 100;
        lineaGsm = std::make_unique<gsmsim::LineaPty>(gsm, master);
        cartella->scrivi("ZEQINST.INI", "[PORTE]\r\nCOM1=" + pty->slavePath().toLatin1() + "\r\nCOM7=" + slave +
                                            "\r\n[SERIALE]\r\nPorta=COM1\r\nPortaGSM=COM7\r\n"
                                            "[ASSISTENZA]\r\nTelefono=0123456\r\n");
        // F2 on the main menu opens the live-data screen, which identifies the ECU.
        RegistroSchermi();
        ZEQ_Inst* menu = ZEQ_Inst::Carica();
        menu->Mostra(false);
        QTest::keyClick(menu, Qt::Key_F2);
        d = DatiMotore::Istanza();
        ASSERT_NE(d, nullptr);
        ASSERT_TRUE(AttendiFinche([] { return !Link.InterrogoDati && Link.FaseCom == -1; }));
    }
    void TearDown() override
    {
        ChiudoPortaGSM();
        AmbienteSimulatore::TearDown();
        lineaGsm.reset();
        ::close(master);
    }
    // Presses the call button; the dialog's dial button is pressed once it is up. Returns
    // when the dialog closes by itself (connected), when the call failed (the dial button is
    // back) or after the wait (then it is closed).
    void chiamo(int msMassimi = 60000)
    {
        QTimer::singleShot(0, [msMassimi] {
            Aggancio::Istanza()->Collega_Click();
            AttendiFinche([] { return !Aggancio::Caricato() || Aggancio::Istanza()->Collega->isEnabled(); }, msMassimi);
            if (Aggancio* a = Aggancio::Istanza()) {
                esitoDialogo = a->Segnalazione->text();
                a->close();
            }
        });
        d->TastoGSM_Click();
    }
    bool scambio(const QList<QByteArray>& testi)
    {
        const qsizetype prima = gsm.registro().size();
        if (!gsm.avviaScambio(testi))
            return false;
        const bool fatto = AttendiFinche([this, &testi] { return gsm.risposte.size() == testi.size(); }, 20000);
        // Nothing is relayed between "s00ok" and "s01ok".
        bool aperto = false;
        for (qsizetype i = prima; i < gsm.registro().size(); ++i) {
            const gsmsim::Voce& v = gsm.registro()[i];
            if (v.verso != '<')
                continue;
            // One read may hold a record sent before "s00ok" or after "s01ok": go by position.
            for (qsizetype k = 0; k < v.testo.size(); ++k) {
                const QByteArray resto = v.testo.mid(k);
                if (resto.startsWith("\x02" "s00ok"))
                    aperto = true;
                else if (resto.startsWith("\x02" "s01ok"))
                    aperto = false;
                else if (resto.startsWith("\x02" "DC")) {
                    EXPECT_FALSE(aperto) << "relay during the exchange";
                }
            }
        }
        return fatto;
    }

    int master = -1;
    gsmsim::GsmModel gsm;
    std::unique_ptr<gsmsim::LineaPty> lineaGsm;
    DatiMotore* d = nullptr;
    static inline QString esitoDialogo;
};

} // namespace

TEST_F(RemoteEndToEnd, CallRelayTransfersAndHangUp)
{
    chiamo();
    ASSERT_TRUE(GSM.GSMattivo);
    EXPECT_EQ(gsm.comandi, (QList<QByteArray>{"ATZ", "ATE0", "ATD0123456"}));
    EXPECT_TRUE(d->ChiudoGSM->isVisibleTo(d));

    // The ECU is asked again, then the identity goes first and the relay follows.
    ASSERT_TRUE(AttendiFinche([this] { return !gsm.identita.isEmpty() && gsm.relay.size() >= 3; }));
    EXPECT_EQ(gsm.identita.front(), MessaggioIdentita());
    EXPECT_TRUE(gsm.identita.front().contains(ecu.identita.matricola + ecu.identita.lotto));
    for (const QByteArray& r : gsm.relay) {
        EXPECT_TRUE(r.startsWith("DC"));
        EXPECT_EQ(r.size(), 131);
    }
    EXPECT_EQ(gsm.controlliErrati, 0);

    // A catalogue record with a 2,850-value map.
    QList<QByteArray> valori;
    for (int i = 0; i < 2850; ++i)
        valori.append(QByteArray::number(i * 7 % 1000000).rightJustified(6, '0'));
    const QList<QByteArray> limiti{"PRESSIONE 0.8 1.4", "TEMPERATURA 20 90"};
    const QByteArray record = RigaCatalogo("PUNTO 1.2 16V", "PUNTO12", {"IAW 16F"});
    ASSERT_TRUE(scambio(gsmsim::ScambioCatalogo(gsmsim::RecordAggMarca("FIAT", record, "MOTORO05"), valori, 30, limiti)));
    EXPECT_EQ(gsm.risposte.mid(gsm.risposte.size() - 2), (QList<QByteArray>{"fl9ok", "s01ok"}));
    EXPECT_EQ(std::count_if(gsm.risposte.begin(), gsm.risposte.end(), [](const QByteArray& r) { return r.contains("ko"); }), 0);
    EXPECT_EQ(d->Informo->text(), Msg(344));
    EXPECT_EQ(Leggo(cartella->file("TEMPOR/FIAT.PRN")), record + "\r\n");
    EXPECT_EQ(Leggo(cartella->file("TEMPOR/FIAT/PUNTO12/CENTRAL1/MOTORO05.QOX")), valori.join("\r\n") + "\r\n");
    EXPECT_EQ(Leggo(cartella->file("TEMPOR/FIAT/PUNTO12/CENTRAL1/LIMITI.TXT")), limiti.join("\r\n") + "\r\n");
    QList<RecordCatalogo> letti;
    ASSERT_TRUE(LeggoCatalogo(cartella->file("TEMPOR/FIAT.PRN"), letti));
    ASSERT_EQ(letti.size(), 1);

    // The same model with an S-record map.
    const QList<QByteArray> righeMappa{"S00F000043F475F47504C30352E4631365", "S1130000285F245F2212226A000424290008237C2A",
                                       "S9030000FC"};
    ASSERT_TRUE(scambio(gsmsim::ScambioCatalogoS19(gsmsim::RecordAggMarca("FIAT", record, "C_GPL05"), righeMappa, limiti)));
    EXPECT_EQ(Leggo(cartella->file("TEMPOR/FIAT/PUNTO12/CENTRAL1/C_GPL05.F19")), righeMappa.join("\r\n") + "\r\n");

    // Software, in blocks that split records.
    const QList<QByteArray> sw{"S00600004844521B", "S2140300002020202020202030322E35304142434409",
                               "S104000053A8", "S9030000FC"};
    ASSERT_TRUE(scambio(gsmsim::ScambioSoftware("05\\ABCD\\ABCD", sw, 7, "V2.01")));
    EXPECT_EQ(std::count_if(gsm.risposte.begin(), gsm.risposte.end(), [](const QByteArray& r) { return r.contains("ko"); }), 0);
    const QString s19 = cartella->file("SOFTWARE/05/ABCD/ABCD.S19");
    EXPECT_EQ(Leggo(s19), sw.join("\r\n"));
    EXPECT_EQ(LeggoDescrizioneSW(s19), "V2.01");

    // Hang-up: the station sees the port closed.
    d->ChiudoGSM_Click();
    EXPECT_TRUE(AttendiFinche([this] { return !gsm.connesso(); }));
    EXPECT_TRUE(d->TastoGSM->isVisibleTo(d));
    EXPECT_TRUE(d->T_MapTPS->isEnabled());
}

TEST_F(RemoteEndToEnd, FailedCallsAndCutTransfers)
{
    FormTimer::ImpostaScalaTempo(0.1);
    const struct {
        gsmsim::Esito esito;
        int messaggio;
    } chiamate[] = {{gsmsim::Esito::Busy, 317}, {gsmsim::Esito::NoCarrier, 316}, {gsmsim::Esito::Nessuno, 316}};
    for (const auto& c : chiamate) {
        gsm.modem.esito = c.esito;
        chiamo();
        EXPECT_EQ(esitoDialogo, Msg(c.messaggio));
        EXPECT_FALSE(GSM.GSMattivo);
        EXPECT_FALSE(ComGSM().PortOpen());
    }
    gsm.modem.esito = gsmsim::Esito::Connect;

    // A software transfer whose station falls silent, then one whose carrier drops: the
    // old software stays as it was and a new call identifies again.
    cartella->scrivi("SOFTWARE/05/ABCD/ABCD.S19", "old software");
    const auto sw = gsmsim::ScambioSoftware("05\\ABCD\\ABCD", {"S1130000285F245F2212226A000424290008237C2A"}, 4, "V2.01");
    for (auto guasto : {&gsmsim::Guasti::silenzioDopo, &gsmsim::Guasti::cadutaDopo}) {
        chiamo();
        ASSERT_TRUE(GSM.GSMattivo);
        ASSERT_TRUE(AttendiFinche([this] { return GSM.StatoGSM == GSM_CONNESSO && !GSM.InvioGSM && !gsm.relay.isEmpty(); }));
        gsm.guasti = {};
        gsm.guasti.*guasto = 3;
        gsm.avviaScambio(sw);
        // The exchange reaches its fault (the station has the program's framed replies up to
        // it), then the program ends it: its watchdog after the silence, or the lost carrier.
        EXPECT_TRUE(AttendiFinche([&] { return gsm.risposte.size() >= 3; }));
        EXPECT_TRUE(AttendiFinche([] { return !GSM.InvioGSM; }, 60000));
        EXPECT_EQ(Leggo(cartella->file("SOFTWARE/05/ABCD/ABCD.S19")), "old software");
        EXPECT_FALSE(QFile::exists(cartella->file("SOFTWARE/05/ABCD/ABCD.S19.~zeq")));
        EXPECT_TRUE(d->PaginaGrafici->isEnabled());
        d->ChiudoGSM_Click();
        gsm.guasti = {};
        AttendiFinche([this] { return !gsm.connesso(); });
        gsm.relay.clear();
    }
    FormTimer::ImpostaScalaTempo(1.0);
}
