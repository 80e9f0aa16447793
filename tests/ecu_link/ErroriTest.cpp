// The error replies R0 and R2 in every request state, and replies outside their states.
#include "support/Ambiente.h"

#include <QLabel>
#include <QPushButton>

namespace {

using Errori = AmbienteVeicolo;

} // namespace

TEST_F(Errori, ErrorRepliesInTheVehicleStates)
{
    const struct {
        int fase;
        const char* dialogo;
        bool riabilita;
    } casi[] = {
        {FASE_ATTIVAZIONE, "", true},
        {FASE_LETTURA_PERSONALE, "ATTESA", true},
        {FASE_INVIO_TABELLA, "MANDODATI", false},
        {FASE_VERIFICA_PRESSIONI, "PRESSIONI", false},
        {FASE_VERIFICA_SW, "PROGSW", false},
    };
    for (const char* risposta : {"R0\r\n", "R2\r\n"}) {
        for (const auto& c : casi) {
            SCOPED_TRACE(std::string(risposta).substr(0, 2) + " state " + std::to_string(c.fase));
            BoxHost::PulisciRegistro();
            Attesa::Carica();
            MandoDati::Carica();
            Pressioni::Carica();
            Progsw::Carica();
            v->setEnabled(false);
            Veicolo::AvvioRisposta();
            Veicolo::AvvioCollegamento();
            Link.FaseCom = c.fase;
            Link.Collegato = true;
            Link.DatiRicevuti = false;
            Shell.PuntatoreMouse = 0;
            ImpostoPuntatore(11);
            scritto.clear();
            ricevo(risposta);
            EXPECT_EQ(Link.FaseCom, FASE_LIBERA);
            EXPECT_FALSE(Link.Collegato);
            EXPECT_FALSE(v->RispostaAvviata());
            EXPECT_FALSE(v->CollegamentoAvviato());
            EXPECT_EQ(v->isEnabled(), c.riabilita);
            EXPECT_EQ(PuntatoreAttuale(), 0);
            EXPECT_TRUE(scritto.isEmpty()) << "no end command";
            ASSERT_EQ(box->conta(), 1);
            EXPECT_EQ(box->box()[0].testo, Msg(risposta[1] == '0' ? 163 : 162));
            EXPECT_EQ(box->box()[0].titolo, Msg(141));
            EXPECT_EQ(v->StatoCom->text(), Msg(348));
            EXPECT_FALSE(v->Attivo->isHidden());
            EXPECT_EQ(Attesa::Caricato(), QByteArray(c.dialogo) != "ATTESA");
            EXPECT_EQ(MandoDati::Caricato(), QByteArray(c.dialogo) != "MANDODATI");
            EXPECT_EQ(Pressioni::Caricato(), QByteArray(c.dialogo) != "PRESSIONI");
            EXPECT_EQ(Progsw::Caricato(), QByteArray(c.dialogo) != "PROGSW");
            ScaricoTutto();
            v = Veicolo::Carica();
        }
    }
}

TEST_F(Errori, BoxOpensWithNoRequestPending)
{
    int faseDuranteBox = 99;
    box.reset();
    box = std::make_unique<RegistroBox>([&](const RiquadroMostrato&) {
        faseDuranteBox = Link.FaseCom;
        return -1;
    });
    Link.FaseCom = FASE_INVIO_TABELLA;
    MandoDati::Carica();
    ricevo("R0\r\n");
    EXPECT_EQ(faseDuranteBox, FASE_LIBERA);
    EXPECT_FALSE(MandoDati::Caricato());
}

TEST_F(Errori, R2AfterLiveFramesTakesTheEcuAsOldestGeneration)
{
    Link.FaseCom = FASE_ATTIVAZIONE;
    Link.DatiRicevuti = true;
    v->setEnabled(false);
    DatiCentralina.Matricola = "XXXXXXXX";
    ricevo("R2\r\n");
    EXPECT_EQ(box->conta(), 0);
    EXPECT_TRUE(Link.Collegato);
    EXPECT_EQ(v->StatoCom->text(), Msg(347));
    EXPECT_FALSE(v->Tasto_Inf->isHidden());
    EXPECT_TRUE(v->isEnabled());
    EXPECT_EQ(DatiCentralina.TipoCentralina, 0);
    EXPECT_TRUE(DatiCentralina.SwVecchio);
    EXPECT_EQ(DatiCentralina.Matricola, QString(8, ' '));
    EXPECT_EQ(DatiCentralina.VersioneSw, QString(9, ' '));
    EXPECT_EQ(DatiCentralina.DataInstallazione, 0.0);
    EXPECT_TRUE(scritto.isEmpty());
}

TEST_F(Errori, LiveDataScreenState)
{
    ScaricoTutto();
    Shell.Funzione = 2;
    DatiMotore* d = DatiMotore::Carica();
    scritto.clear();
    const struct { const char* risposta; bool dati; int boxAttesi; bool primoInvio; bool datiOut; } casi[] = {
        {"R0\r\n", true, 1, false, true},
        {"R0\r\n", false, 1, false, true},
        // R2 re-arms the no-data watchdog as an identity does.
        {"R2\r\n", true, 0, true, true},
        {"R2\r\n", false, 0, false, true},
    };
    for (const auto& c : casi) {
        BoxHost::PulisciRegistro();
        Link.FaseCom = FASE_RICHIESTA_VERSIONE;
        Link.InterrogoDati = true;
        Link.DatiRicevuti = c.dati;
        Link.Collegato = true;
        GSM.PrimoInvioGSM = !c.primoInvio;
        d->setEnabled(false);
        DatiMotore::AvvioRisposta();
        DatiMotore::FermoCollegamento();
        ricevo(c.risposta);
        EXPECT_EQ(box->conta(), c.boxAttesi) << c.risposta;
        EXPECT_EQ(Link.FaseCom, FASE_LIBERA);
        EXPECT_FALSE(Link.InterrogoDati);
        EXPECT_EQ(GSM.PrimoInvioGSM, c.primoInvio);
        EXPECT_TRUE(Link.Collegato) << "the link flag is left";
        EXPECT_TRUE(d->isEnabled());
        EXPECT_FALSE(d->RispostaAvviata());
        EXPECT_EQ(d->CollegamentoAvviato(), c.datiOut);
    }
    EXPECT_TRUE(scritto.isEmpty());
}

TEST_F(Errori, RepliesOutsideTheirStatesChangeNothing)
{
    Identita id;
    const QByteArray risposte[] = {"R0\r\n", "R2\r\n", id.R8(), id.R4(), "Fok\r\n", "RG\r\n",
                                   "RX\r\n", "RL\r\n", "R3\r\n", "Q1\r\n"};
    for (int fase : {FASE_LIBERA, FASE_PROGRAMMAZIONE_SW, FASE_DATA_INSTALLAZIONE,
                     FASE_LETTURA_PRESSIONE, FASE_SCRITTURA_PRESSIONE, FASE_PROGRAMMAZIONE_ULP,
                     FASE_SALVA_PARAMETRI}) {
        for (const QByteArray& r : risposte) {
            if (r.startsWith('F') && (fase == FASE_PROGRAMMAZIONE_SW || fase == FASE_PROGRAMMAZIONE_ULP))
                continue;
            Link.FaseCom = fase;
            Link.Collegato = true;
            DatiCentralina.reset();
            ricevo(r);
            EXPECT_EQ(Link.FaseCom, fase) << r.constData();
            EXPECT_TRUE(Link.Collegato);
            EXPECT_EQ(DatiCentralina.TipoCentralina, -1);
        }
    }
    EXPECT_EQ(box->conta(), 0);
    EXPECT_TRUE(scritto.isEmpty());
}

TEST_F(Errori, LinkIndicatorSwapsTheButtons)
{
    for (bool su : {true, false}) {
        Link.Collegato = su;
        AggiornoStatoCollegamento();
        EXPECT_EQ(v->StatoCom->text(), Msg(su ? 347 : 348));
        EXPECT_EQ(v->Attivo->isHidden(), su);
        EXPECT_EQ(v->Attivo->isEnabled(), !su);
        EXPECT_EQ(v->Tasto_Inf->isHidden(), !su);
        EXPECT_EQ(v->Tasto_Inf->isEnabled(), su);
    }
}
