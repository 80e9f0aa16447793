// The modem dialogue from the connection dialog to the connected call, the frame cutter,
// the watchdog and the lost carrier.
#include "RemoteFixture.h"

#include "platform/SerialControl.h"
#include "shell/ZEQ_Inst.h"

#include <thread>

namespace {

class ModemDialogue : public RemoteFixture {
protected:
    void SetUp() override
    {
        RemoteFixture::SetUp();
        ASSERT_TRUE(pty.ok());
        MappaPorta(5, pty.slavePath());
        a = Aggancio::Carica();
        a->Mostra(false);
    }
    void TearDown() override
    {
        ChiudoPortaGSM();
        RemoteFixture::TearDown();
    }
    void ricevo(const QByteArray& b)
    {
        GSM.BufferGSM += b;
        GestioneGSM();
    }
    // Dials and answers until the call is up.
    void chiamo()
    {
        a->Collega_Click();
        ricevo("ATZ\r\r\nOK\r\n");
        ricevo("\r\nOK\r\n");
        ricevo("\r\nCONNECT 9600\r\n");
    }
    Pty pty;
    Aggancio* a = nullptr;
};

} // namespace

TEST_F(ModemDialogue, DialsStepByStepAndConnects)
{
    a->Collega_Click();
    EXPECT_TRUE(ComGSM().PortOpen());
    EXPECT_EQ(modem, QByteArrayList{"ATZ\r"});
    const struct {
        QByteArray ingresso;
        QByteArray scritto; // the last write afterwards
        int stato;
        int messaggio;
        int intervallo;
    } passi[] = {
        {"ATZ\r\r\nOK", "ATZ\r", GSM_ATTESA_ATZ, 313, MS_COMANDO_MODEM},    // no CR LF yet
        {"\r\n", "ATE0\r", GSM_ATTESA_ATE0, 314, MS_COMANDO_MODEM},
        {"\r\nOK\r\n", "ATD0123456789\r", GSM_CHIAMATA, 315, MS_CHIAMATA},
        {"\r\nRING\r\nCONNECT 9600", "ATD0123456789\r", GSM_CHIAMATA, 315, MS_CHIAMATA},
    };
    for (const auto& p : passi) {
        ricevo(p.ingresso);
        EXPECT_EQ(ultima(), p.scritto) << p.ingresso.constData();
        EXPECT_EQ(GSM.StatoGSM, p.stato);
        EXPECT_EQ(a->Segnalazione->text(), Msg(p.messaggio));
        EXPECT_EQ(d->TempoModem(), p.intervallo);
        EXPECT_TRUE(d->ModemAvviato());
    }
    EXPECT_TRUE(GSM.BufferGSM.startsWith("CONNECT"));
    EXPECT_TRUE(a->Interrompi->isVisibleTo(a));
    EXPECT_FALSE(a->Esci->isVisibleTo(a));

    ricevo("\r\n");
    EXPECT_EQ(GSM.StatoGSM, GSM_CONNESSO);
    EXPECT_TRUE(GSM.GSMattivo);
    EXPECT_TRUE(Link.InterrogoDati);
    EXPECT_FALSE(GSM.PrimoInvioGSM);
    EXPECT_FALSE(Aggancio::Caricato());
    EXPECT_FALSE(d->ModemAvviato());
    EXPECT_TRUE(d->ChiudoGSM->isVisibleTo(d));
    EXPECT_FALSE(d->TastoGSM->isVisibleTo(d));
    EXPECT_FALSE(d->T_MapTPS->isEnabled());
}

TEST_F(ModemDialogue, AFailedCallLeavesTheDialogReadyForAnotherAttempt)
{
    // "" stands for the port lost while the call is made; the no-data watchdog starts again
    // only for an ECU whose live data had arrived before.
    const struct {
        QByteArray risultato;
        int messaggio;
        bool datiRicevuti = false;
    } casi[] = {
        {"\r\nBUSY\r\n\r\nCONNECT 9600\r\n", 317},
        {"\r\nNO CARRIER\r\n\r\nBUSY\r\n", 316},
        {"", 316, false},
        {"", 316, true},
    };
    for (const auto& c : casi) {
        Link.DatiRicevuti = c.datiRicevuti;
        a->Collega_Click();
        ricevo("ATZ\r\r\nOK\r\n");
        ricevo("\r\nOK\r\n");
        if (c.risultato.isEmpty())
            emit ComGSM().Chiusa(QStringLiteral("device removed"));
        else
            ricevo(c.risultato);
        EXPECT_EQ(d->CollegamentoAvviato(), c.datiRicevuti);
        DatiMotore::FermoCollegamento();
        EXPECT_EQ(a->Segnalazione->text(), Msg(c.messaggio));
        EXPECT_EQ(GSM.StatoGSM, GSM_CONNESSO);
        EXPECT_FALSE(GSM.GSMattivo);
        EXPECT_FALSE(ComGSM().PortOpen());
        EXPECT_TRUE(a->Collega->isEnabled());
        EXPECT_TRUE(a->Esci->isEnabled());
        EXPECT_FALSE(a->Interrompi->isVisibleTo(a));
        EXPECT_TRUE(Aggancio::Caricato());
    }
}

TEST_F(ModemDialogue, TheWatchdogEndsEachStepAsItsIntervalSays)
{
    // A modem answering ERROR never gets past "ATZ": the watchdog ends the attempt.
    FormTimer::ImpostaScalaTempo(0.01);
    a->Collega_Click();
    ricevo("ATZ\r\r\nERROR\r\n");
    EXPECT_EQ(GSM.StatoGSM, GSM_ATTESA_ATZ);
    EXPECT_TRUE(AttendiFinche([] { return GSM.StatoGSM == GSM_CONNESSO; }));
    FormTimer::ImpostaScalaTempo(1.0);
    EXPECT_EQ(a->Segnalazione->text(), Msg(316));
    EXPECT_FALSE(ComGSM().PortOpen());
    EXPECT_TRUE(a->Collega->isEnabled() && a->Esci->isEnabled());

    // An unanswered identity is sent again with the next live frame.
    inStato(GSM_ATTESA_IDENTITA);
    GSM.InvioGSM = true;
    GSM.PrimoInvioGSM = true;
    DatiMotore::AvvioModem();   // as the identity's send does
    FireWatchdog(d, WatchdogTimer::TimeOutModem);
    EXPECT_FALSE(GSM.InvioGSM);
    EXPECT_TRUE(GSM.PrimoInvioGSM);
    EXPECT_EQ(GSM.StatoGSM, GSM_CONNESSO);
}

TEST_F(ModemDialogue, CloseBoxAndPortErrorsLeaveTheDialogUsable)
{
    a->Collega_Click();
    ricevo("ATZ\r\r\nOK\r\n");
    a->close();
    EXPECT_FALSE(Aggancio::Caricato());
    EXPECT_FALSE(ComGSM().PortOpen());
    EXPECT_EQ(GSM.StatoGSM, GSM_CONNESSO);
    EXPECT_FALSE(d->ModemAvviato());

    a = Aggancio::Carica();
    MappaPorta(5, "/nonexistent/modem");
    modem.clear();
    a->Collega_Click();
    EXPECT_FALSE(ComGSM().PortOpen());
    EXPECT_TRUE(modem.isEmpty());
    EXPECT_FALSE(a->Segnalazione->text().isEmpty());
    EXPECT_TRUE(a->Collega->isEnabled() && a->Esci->isEnabled());

    // A number the modem cannot dial is never dialled.
    MappaPorta(5, pty.slavePath());
    GSM.Telefono = "012 345;H";
    a->Collega_Click();
    EXPECT_FALSE(ComGSM().PortOpen());
    EXPECT_TRUE(modem.isEmpty());
    EXPECT_EQ(a->Segnalazione->text(), Msg(378));
}

TEST_F(ModemDialogue, TheModemPortFallsBackToFive)
{
    const struct {
        QByteArray ini;
        int porta;
    } casi[] = {{"", 5}, {"PortaGSM=\r\n", 5}, {"PortaGSM=COM12\r\n", 5}, {"PortaGSM=COM0\r\n", 5},
                {"PortaGSM=COMx\r\n", 5}, {"PortaGSM=COM3\r\n", 3}, {"PortaGSM=COM10\r\n", 10}};
    for (const auto& c : casi) {
        cartella->scrivi("ZEQINST.INI", "[SERIALE]\r\n" + c.ini);
        EXPECT_EQ(PortaModem(), c.porta) << c.ini.constData();
    }
    EXPECT_EQ(ZEQ_Inst::NumeroPorta("COM12"), 1);
}

TEST_F(ModemDialogue, ALostCarrierEndsWhateverTheLinkWasDoing)
{
    // The modem's "NO CARRIER", the port lost (a pulled cable) or the hang-up, in each state.
    for (int modo : {0, 1, 2})
    for (int stato : {GSM_CONNESSO, GSM_ATTESA_IDENTITA, GSM_SCAMBIO, GSM_BLOCCHI_SOFTWARE}) {
        chiamo();
        ASSERT_TRUE(ComGSM().PortOpen());
        inStato(stato);
        GSM.InvioGSM = stato != GSM_CONNESSO;
        DatiMotore::AvvioModem();
        DatiMotore::AvvioRisposta();
        if (modo == 0)
            ricevo("\r\nNO CARRIER\r\n");
        else if (modo == 1)
            emit ComGSM().Chiusa(QStringLiteral("device removed"));
        else
            d->ChiudoGSM_Click();
        EXPECT_FALSE(ComGSM().PortOpen()) << modo << " " << stato;
        EXPECT_FALSE(GSM.GSMattivo);
        EXPECT_FALSE(GSM.InvioGSM) << modo << " " << stato;
        EXPECT_EQ(GSM.StatoGSM, GSM_CONNESSO) << modo << " " << stato;
        EXPECT_FALSE(d->ModemAvviato());
        EXPECT_TRUE(d->RispostaAvviata()) << "a pending identity request still ends";
        EXPECT_TRUE(d->TastoGSM->isVisibleTo(d) && d->TastoGSM->isEnabled());
        EXPECT_TRUE(d->T_MapTPS->isEnabled());
        EXPECT_FALSE(d->ChiudoGSM->isVisibleTo(d));
        EXPECT_FALSE(d->Informo->isVisibleTo(d));
        EXPECT_TRUE(d->PaginaGrafici->isEnabled());
        DatiMotore::FermoRisposta();
        a = Aggancio::Carica();
    }
}

TEST(FrameCutter, CutsOneFrameAndKeepsTheRest)
{
    const struct {
        QByteArray buffer;
        QByteArray trama;
        QByteArray resto;
    } casi[] = {
        {"xx\x02" "ab\x03" "yy\x02" "c\x03", "\x02" "ab\x03", "yy\x02" "c\x03"},
        {"noise\x02" "ab", "", "\x02" "ab"},
        {"no frame at all\r\nNO CARR", "", "NO CARR"},
        {"\x03\x02\x03", "\x02\x03", ""},
    };
    for (const auto& c : casi) {
        QByteArray b = c.buffer;
        EXPECT_EQ(TaglioTrama(b), c.trama) << c.buffer.constData();
        EXPECT_EQ(b, c.resto) << c.buffer.constData();
    }
}

TEST_F(ModemDialogue, TheBufferIsBoundedAndFramesArriveOnePerEvent)
{
    inStato(GSM_CONNESSO);
    QByteArray lungo = "\x02" + QByteArray(StatoGSMRec::MaxBufferGSM, 'x');
    LimitoBufferGSM(lungo);
    EXPECT_TRUE(lungo.isEmpty());
    lungo = "\x02" + QByteArray(StatoGSMRec::MaxBufferGSM, 'x') + "\x02S0";
    LimitoBufferGSM(lungo);
    EXPECT_EQ(lungo, "\x02S0");

    modem.clear();
    GSM.BufferGSM = gsmsim::Cornice("S00") + gsmsim::Cornice("S01");
    GestioneGSM();
    EXPECT_EQ(modem, Risposte({"s00ok"}));
    EXPECT_TRUE(AttendiFinche([this] { return modem.size() == 2; }));
    EXPECT_EQ(modem.back(), Risposta("s01ok"));

    // On the port's receive path too: an open frame beyond the bound never hides the next one.
    chiamo();
    modem.clear();
    const QByteArray dati = "\x02" + QByteArray(StatoGSMRec::MaxBufferGSM + 100, 'x') + gsmsim::Cornice("S00");
    std::thread scrittore([&] { pty.scrivi(dati); });
    EXPECT_TRUE(AttendiFinche([this] { return modem.contains(Risposta("s00ok")); }, 20000));
    scrittore.join();
}
