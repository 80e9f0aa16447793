#include "ecu_link/Collegamento.h"

#include "diagnosis/DatiMotore.h"
#include "ecu_link/DatiCentralina.h"
#include "ecu_link/Rami.h"
#include "ecu_link/Ricezione.h"
#include "ecu_link/StatoLink.h"
#include "platform/Form.h"
#include "remote/StatoGSM.h"
#include "shell/Modulo.h"
#include "shell/Procedure.h"
#include "vehicle/Veicolo.h"

#include <QLabel>
#include <QPushButton>

void AggiornoStatoCollegamento()
{
    if (Veicolo* v = Veicolo::Istanza())
        v->MostroStatoCollegamento(Link.Collegato);
}

void ImpostoProprietaVeicolo(bool abilitato)
{
    Veicolo::AbilitoSchermo(abilitato);
}

void IdentitaSenzaDati()
{
    DatiCentralinaRec& d = DatiCentralina;
    d.SwVecchio = true;
    d.TipoCentralina = 0;
    d.ErroriDati = 0;
    d.DataInstallazione = 0.0;
    d.DataRevCentr = 0.0;
    d.TipoInstCentr = 0;
    d.Matricola = Fisso(QString(), 8);
    d.Lotto = Fisso(QString(), 6);
    d.VersioneSw = Fisso(QString(), 9);
    d.VersioneCaric = Fisso(QString(), 9);
    d.VersioneTabCentr = Fisso(QString(), 6);
}

// R2 while the vehicle screen waits for the identity: live frames came, so the ECU is
// taken as connected without identity data; without frames it is the usual error.
static void ErroreAttivazione()
{
    Veicolo::FermoRisposta();
    ImpostoPuntatore(Shell.PuntatoreMouse);
    ImpostoProprietaVeicolo(true);
    Link.FaseCom = FASE_LIBERA;
    if (Link.DatiRicevuti) {
        Link.Collegato = true;
        AggiornoStatoCollegamento();
        IdentitaSenzaDati();
        return;
    }
    Beep();
    Shell.Messaggio1 = Msg(162);
    Shell.Messaggio2 = Msg(141);
    MostroMessaggio(Shell.Messaggio1, Shell.Messaggio2, 0);
    Veicolo::FermoCollegamento();
    Link.Collegato = false;
    AggiornoStatoCollegamento();
}

// R2 while the live-data screen waits for the identity: never a box.
static void ErroreRichiestaVersione()
{
    DatiMotore::FermoRisposta();
    ImpostoPuntatore(Shell.PuntatoreMouse);
    DatiMotore::AbilitoSchermo(true);
    Link.FaseCom = FASE_LIBERA;
    if (Link.DatiRicevuti) {
        IdentitaSenzaDati();
        Link.InterrogoDati = false;
        GSM.PrimoInvioGSM = true;
    } else {
        Link.InterrogoDati = false;
        GSM.PrimoInvioGSM = false;
    }
    // As after an identity: a silent ECU then brings the no-data box.
    DatiMotore::AvvioCollegamento();
}

void RispostaErrore(const QByteArray& riga)
{
    const bool r0 = riga.size() > 1 && riga[1] == '0';
    const int messaggio = r0 ? 163 : 162;
    using S = SchermoRichiesta;
    using D = DialogoOccupato;
    switch (Link.FaseCom) {
    case FASE_ATTIVAZIONE:
        if (r0)
            SegnaloErroreCom(messaggio, S::Veicolo, D::Nessuno, {true, false});
        else
            ErroreAttivazione();
        break;
    case FASE_LETTURA_PERSONALE:
        ChiudoFilePersonale();
        SegnaloErroreCom(messaggio, S::Veicolo, D::Attesa, {true, false});
        break;
    case FASE_INVIO_TABELLA:
        // R0 stops the link watchdog together with the reply watchdog; R2 after the box.
        SegnaloErroreCom(messaggio, S::Veicolo, D::MandoDati, {false, r0});
        break;
    case FASE_VERIFICA_PRESSIONI:
        SegnaloErroreCom(messaggio, S::Veicolo, D::Pressioni);
        break;
    case FASE_VERIFICA_SW:
        SegnaloErroreCom(messaggio, S::Veicolo, D::Progsw);
        break;
    case FASE_RICHIESTA_VERSIONE:
        if (r0)
            SegnaloErroreCom(messaggio, S::DatiMotore, D::Nessuno, {true, false});
        else
            ErroreRichiestaVersione();
        break;
    default: break; // no request of the link awaits an error reply
    }
}
