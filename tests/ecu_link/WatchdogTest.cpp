// The reply and link watchdogs of the vehicle screen and of the live-data screen.
#include "support/Ambiente.h"

#include "catalogue/StatoFile.h"
#include "ecu_link/Programmazione.h"

#include "shell/MessErr.h"
#include "shell/Procedure.h"

#include "diagnosis/LivSerb.h"
#include "diagnosis/Parametri.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QTimer>

namespace {

using Watchdog = AmbienteVeicolo;

} // namespace

TEST_F(Watchdog, ReplyTimeOutByRequestState)
{
    const struct {
        int fase;
        int messaggio;         // 0: no box
        QByteArray comando;    // "" none
        const char* chiude;    // form unloaded
        bool riabilita;
    } casi[] = {
        {FASE_ATTIVAZIONE, 156, "MU3\r\n", "", true},
        {FASE_LETTURA_PERSONALE, 220, "MU3\r\n", "ATTESA", true},
        {FASE_INVIO_TABELLA, 212, "MU1\r\n", "MANDODATI", false},
        {FASE_DATA_INSTALLAZIONE, 212, "MU1\r\n", "MANDODATI", false},
        {FASE_PROGRAMMAZIONE_SW, 234, "", "PROGSW", true},
        {FASE_VERIFICA_SW, 234, "", "PROGSW", true},
        {FASE_LETTURA_PRESSIONE, 246, "MU3\r\n", "PRESSIONI", true},
        {FASE_SCRITTURA_PRESSIONE, 246, "MU3\r\n", "PRESSIONI", true},
        {FASE_PROGRAMMAZIONE_ULP, 234, "MU3\r\n", "MANDODATI", true},
    };
    for (const auto& c : casi) {
        SCOPED_TRACE(c.fase);
        BoxHost::PulisciRegistro();
        Attesa::Carica();
        MandoDati::Carica();
        Pressioni::Carica();
        Progsw::Carica();
        Link.FaseCom = c.fase;
        Link.Collegato = true;
        const bool programmazione = c.fase == FASE_PROGRAMMAZIONE_SW || c.fase == FASE_PROGRAMMAZIONE_ULP;
        if (programmazione) {   // a transfer under way: its file is open
            cartella->scrivi("PROG.S19", "S9030000FC\r\n");
            StatoFile.FileProgrammazione = cartella->file("PROG.S19");
            ricevo("Fl0\r\n");
            ASSERT_TRUE(FileProgrammazioneAperto());
        }
        Link.InterrogoDati = true;
        v->setEnabled(false);
        Veicolo::AvvioRisposta();
        scritto.clear();
        int faseDuranteBox = 99;
        box.reset();
        box = std::make_unique<RegistroBox>([&](const RiquadroMostrato&) {
            faseDuranteBox = Link.FaseCom;
            return -1;
        });
        FireWatchdog(v, WatchdogTimer::TimeOutTx);
        ASSERT_EQ(box->conta(), 1);
        EXPECT_EQ(box->box()[0].testo, Msg(c.messaggio));
        EXPECT_EQ(box->box()[0].titolo, Msg(140));
        EXPECT_EQ(faseDuranteBox, FASE_LIBERA);
        EXPECT_EQ(scritto, c.comando.isEmpty() ? QByteArrayList{} : QByteArrayList{c.comando});
        EXPECT_EQ(Link.FaseCom, FASE_LIBERA);
        EXPECT_FALSE(Link.Collegato);
        EXPECT_FALSE(Link.InterrogoDati);
        EXPECT_FALSE(v->RispostaAvviata());
        EXPECT_EQ(v->isEnabled(), c.riabilita);
        EXPECT_EQ(v->StatoCom->text(), Msg(348));
        const QByteArray chiude(c.chiude);
        EXPECT_EQ(Attesa::Caricato(), chiude != "ATTESA");
        EXPECT_EQ(MandoDati::Caricato(), chiude != "MANDODATI");
        EXPECT_EQ(Pressioni::Caricato(), chiude != "PRESSIONI");
        EXPECT_EQ(Progsw::Caricato(), chiude != "PROGSW");
        EXPECT_FALSE(FileProgrammazioneAperto());
        ScaricoTutto();
        v = Veicolo::Carica();
    }
}

TEST_F(Watchdog, ReplyTimeOutOnTheParameterScreens)
{
    LivSerb* s = LivSerb::Carica();
    Parametri* p = Parametri::Carica();
    scritto.clear();  // the tank screen's read at opening
    const struct { int fase; bool vecchio; bool collegato; } casi[] = {
        {FASE_SALVA_SERBATOIO, false, false},  {FASE_LEGGI_SERBATOIO, true, false},
        {FASE_LEGGI_PARAMETRI, true, true},    {FASE_LEGGI_PARAMETRI_N, false, false},
        {FASE_SALVA_PARAMETRI, false, false},  {FASE_LEGGI_SERBATOIO_N, false, true},
        {FASE_SPEGNIMENTO, false, true},
        {FASE_SPEGNIMENTO_SW, false, true},
    };
    for (const auto& c : casi) {
        SCOPED_TRACE(c.fase);
        s->Esci->setEnabled(false);
        p->Esci->setEnabled(false);
        p->Salva->setEnabled(false);
        s->Segnalazione->setText("x");
        p->Segnalazione->setText("x");
        DatiCentralina.SwVecchio = c.vecchio;
        Link.FaseCom = c.fase;
        Link.Collegato = true;
        Veicolo::AvvioRisposta();
        FireWatchdog(v, WatchdogTimer::TimeOutTx);
        EXPECT_EQ(Link.Collegato, c.collegato);
        EXPECT_EQ(Link.FaseCom, FASE_LIBERA);
        switch (c.fase) {
        case FASE_SALVA_SERBATOIO:
            EXPECT_EQ(s->Segnalazione->text(), Msg(218));
            EXPECT_TRUE(s->Esci->isEnabled());
            break;
        case FASE_LEGGI_SERBATOIO:
            EXPECT_EQ(s->Segnalazione->text(), Msg(253));
            break;
        case FASE_LEGGI_SERBATOIO_N:
            // The tank screen is not left locked: the user can leave it.
            EXPECT_EQ(s->Segnalazione->text(), Msg(218));
            EXPECT_TRUE(s->Esci->isEnabled());
            break;
        case FASE_LEGGI_PARAMETRI:
        case FASE_LEGGI_PARAMETRI_N:
            EXPECT_TRUE(p->Segnalazione->text().isEmpty());
            EXPECT_TRUE(p->FuoriLinea->Enabled());
            EXPECT_TRUE(p->Esci->isEnabled());
            EXPECT_EQ(p->Salva->isEnabled(), c.vecchio);
            break;
        case FASE_SALVA_PARAMETRI:
            EXPECT_EQ(p->Segnalazione->text(), Msg(218));
            break;
        default:
            EXPECT_EQ(s->Segnalazione->text(), "x");
            EXPECT_EQ(p->Segnalazione->text(), "x");
        }
    }
    EXPECT_EQ(box->conta(), 0);
    EXPECT_TRUE(scritto.isEmpty());
}

TEST_F(Watchdog, PressureCheckTimeOutRestoresTheDialog)
{
    Pressioni* p = Pressioni::Carica();
    p->setEnabled(false);
    Link.FaseCom = FASE_VERIFICA_PRESSIONI;
    Veicolo::AvvioRisposta();
    FireWatchdog(v, WatchdogTimer::TimeOutTx);
    EXPECT_TRUE(p->isEnabled());
    EXPECT_EQ(p->LabTar->text(), Msg(208));
    EXPECT_FALSE(p->TastoOK3->isHidden());
    EXPECT_TRUE(p->TastoOK4->isHidden());
    EXPECT_EQ(scritto, QByteArrayList{"MU3\r\n"});
    EXPECT_EQ(box->conta(), 0);
}

TEST_F(Watchdog, LinkLostWhileUpShows353Once)
{
    Pressioni::Carica();
    MandoDati::Carica();
    Link.Collegato = true;
    Link.FaseCom = FASE_LIBERA;
    Veicolo::AvvioCollegamento();
    FireWatchdog(v, WatchdogTimer::Dati_Out);
    EXPECT_EQ(box->testi(), QStringList{Msg(353)});
    EXPECT_FALSE(Link.Collegato);
    EXPECT_FALSE(Pressioni::Caricato());
    EXPECT_FALSE(MandoDati::Caricato());
    EXPECT_FALSE(v->CollegamentoAvviato());
    Veicolo::AvvioCollegamento();
    FireWatchdog(v, WatchdogTimer::Dati_Out);
    EXPECT_EQ(box->conta(), 1) << "the link was already down";
    // A YES/NO box (save before exit?) waits for the user: the watchdog leaves it up and the
    // answer stays the user's.
    BoxHost::RimuoviRisponditore();
    bool rimasta = false;
    QTimer::singleShot(0, [&] {
        BoxHost::ImpostaRisponditore([](const RiquadroMostrato&) { return -1; });
        Link.Collegato = true;
        Veicolo::AvvioCollegamento();
        FireWatchdog(v, WatchdogTimer::Dati_Out);
        rimasta = MessErr::Caricato();
        if (MessErr* m = MessErr::Istanza())
            m->Esci_Click();
    });
    EXPECT_EQ(Avviso(201, 140, 1), -1);
    EXPECT_TRUE(rimasta);
    EXPECT_EQ(box->testi().count(Msg(353)), 2);
}

TEST_F(Watchdog, SwitchOffSilenceOnlyClearsTheLink)
{
    for (int fase : {FASE_SPEGNIMENTO, FASE_SPEGNIMENTO_SW}) {
        Pressioni::Carica();
        Link.Collegato = true;
        Link.FaseCom = fase;
        Veicolo::AvvioCollegamento();
        FireWatchdog(v, WatchdogTimer::Dati_Out);
        EXPECT_FALSE(Link.Collegato);
        EXPECT_EQ(Link.FaseCom, fase);
        EXPECT_TRUE(Pressioni::Caricato());
        EXPECT_EQ(v->StatoCom->text(), Msg(348));
    }
    EXPECT_EQ(box->conta(), 0);
}

TEST_F(Watchdog, LiveDataScreenNoDataAnswers)
{
    ScaricoTutto();
    Shell.Funzione = 2;
    DatiMotore* d = DatiMotore::Carica();
    EXPECT_EQ(scritto, (QByteArrayList{"M#\r\n", "MF\r\n"}));
    EXPECT_TRUE(d->CollegamentoAvviato());
    EXPECT_EQ(d->TempoCollegamento(), 2000);
    for (int risposta : {1, 2}) {
        box.reset();
        box = std::make_unique<RegistroBox>(risposta);
        scritto.clear();
        Link.InterrogoDati = false;
        DatiMotore::AvvioCollegamento();
        FireWatchdog(d, WatchdogTimer::Dati_Out);
        EXPECT_EQ(box->box().size(), 1);
        EXPECT_EQ(box->box()[0].box, "SegnalEr");
        EXPECT_EQ(scritto, QByteArrayList{"M#\r\n"});
        EXPECT_EQ(d->TempoCollegamento(), 5000);
        EXPECT_EQ(d->CollegamentoAvviato(), risposta == 1);
        EXPECT_TRUE(Link.InterrogoDati);
    }
    box.reset();
    box = std::make_unique<RegistroBox>(0);
    DatiMotore::AvvioCollegamento();
    FireWatchdog(d, WatchdogTimer::Dati_Out);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(DatiMotore::Caricato());
    EXPECT_EQ(Shell.Funzione, 0);
}

TEST_F(Watchdog, LiveDataScreenIdentityTimeOut)
{
    ScaricoTutto();
    Shell.Funzione = 2;
    DatiMotore* d = DatiMotore::Carica();
    ricevo(TramaDCSemplice());
    ASSERT_EQ(Link.FaseCom, FASE_RICHIESTA_VERSIONE);
    scritto.clear();
    GSM.PrimoInvioGSM = true;
    FireWatchdog(d, WatchdogTimer::TimeOutTx);
    EXPECT_EQ(box->testi(), QStringList{Msg(208)});
    EXPECT_EQ(scritto, QByteArrayList{"MU3\r\n"});
    EXPECT_EQ(Link.FaseCom, FASE_LIBERA);
    EXPECT_FALSE(Link.InterrogoDati);
    EXPECT_FALSE(GSM.PrimoInvioGSM);
    EXPECT_TRUE(d->isEnabled());
    EXPECT_TRUE(d->CollegamentoAvviato());
    EXPECT_FALSE(d->RispostaAvviata());
}

TEST_F(Watchdog, ReopeningTheVehicleScreenStartsWithTheLinkDown)
{
    // The screen was closed with the link up and an identity request still due.
    Link.Collegato = true;
    Link.FaseCom = FASE_LETTURA_PERSONALE;
    Link.InterrogoDati = true;
    Link.DatiRicevuti = true;
    Link.BufferRx = "DC  12";
    v->Scarica();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    v = Veicolo::Carica();
    EXPECT_FALSE(Link.Collegato);
    EXPECT_EQ(Link.FaseCom, FASE_LIBERA);
    EXPECT_FALSE(Link.InterrogoDati);
    EXPECT_FALSE(Link.DatiRicevuti);
    EXPECT_TRUE(Link.BufferRx.isEmpty());
    EXPECT_EQ(v->StatoCom->text(), Msg(348));
    EXPECT_FALSE(v->Attivo->isHidden());
    EXPECT_TRUE(v->Attivo->isEnabled());
    EXPECT_TRUE(v->Tasto_Inf->isHidden());
    // A live frame on the fresh screen asks for nothing.
    scritto.clear();
    ricevo(TramaDCSemplice());
    EXPECT_TRUE(scritto.isEmpty());
}

TEST_F(Watchdog, LiveDataScreenOffersTheAssistanceCallOnlyWithANumber)
{
    ScaricoTutto();
    Shell.Funzione = 2;
    DatiMotore* d = DatiMotore::Carica();
    EXPECT_TRUE(GSM.Telefono.isEmpty());
    EXPECT_FALSE(d->TastoGSM->isHidden());
    EXPECT_FALSE(d->TastoGSM->isEnabled());
    d->Scarica();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

    cartella->scrivi("ZEQINST.INI", "[ASSISTENZA]\r\nTelefono= 0123456 \r\n");
    d = DatiMotore::Carica();
    EXPECT_EQ(GSM.Telefono, QStringLiteral("0123456"));
    EXPECT_TRUE(d->TastoGSM->isEnabled());
}
