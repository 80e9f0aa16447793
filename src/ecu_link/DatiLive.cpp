// The live-data branch: DT frames for the MAP/TPS view, DC and DB frames for the live
// record on the vehicle and live-data screens, the identity request that the first frame
// sends, the link watchdog restarts and the relay to the assistance station.
#include "catalogue/Progsw.h"
#include "diagnosis/DatiMotore.h"
#include "diagnosis/Pressioni.h"
#include "diagnosis/RigaDati.h"
#include "diagnosis/TarMP.h"
#include "ecu_link/CodecDati.h"
#include "ecu_link/Collegamento.h"
#include "ecu_link/Rami.h"
#include "ecu_link/StatoLink.h"
#include "remote/StatoGSM.h"
#include "shell/Modulo.h"
#include "vehicle/Veicolo.h"


namespace {

void TramaTarMP(const QByteArray& riga)
{
    if (riga.size() != Protocollo::LungTramaTarMP || Shell.Funzione != 2)
        return;
    DatiMotore::FermoCollegamento();
    if (Link.TarMPattivo) {
        Link.DatiRicevuti = true;
        if (TarMP* t = TarMP::Istanza())
            t->MostroValori(riga.mid(56, 8), riga.mid(20, 8));
    }
    DatiMotore::AvvioCollegamento();
}

// Row 0 of the live record from the text record.
void RiempioRiga(const QByteArray& testo)
{
    RigaDati& r = Diagnosi.DatiVideo[0];
    for (int k = 0; k < 14; ++k)
        r.Valore[k] = testo.mid(2 + 9 * k, 8);
    r.Valore[15] = Campo8(testo.mid(128, 1));
}

void SchermoVeicolo()
{
    Link.DatiRicevuti = true;
    Veicolo::FermoCollegamento();
    if (Link.InterrogoDati) {
        switch (Link.FaseCom) {
        case FASE_ATTIVAZIONE: ImpostoProprietaVeicolo(false); break;
        case FASE_VERIFICA_PRESSIONI:
        case FASE_VERIFICA_SW:
            Shell.PuntatoreMouse = PuntatoreAttuale();
            ImpostoPuntatore(11);
            if (Link.FaseCom == FASE_VERIFICA_PRESSIONI) {
                if (Pressioni* p = Pressioni::Istanza())
                    p->MostroVerificaInCorso();
            } else if (Progsw* p = Progsw::Istanza()) {
                p->MostroVerificaInCorso();
            }
            break;
        default: break;
        }
        Veicolo::FermoRisposta();
        Link.InterrogoDati = false;
        Veicolo::MandoRichiesta(Protocollo::Riga(Protocollo::ComandoRichiestaVersione), 5000);
    }
    const int f = Link.FaseCom;
    if ((f == FASE_LIBERA && Link.Collegato) || f == FASE_SPEGNIMENTO || f == FASE_SPEGNIMENTO_SW)
        Veicolo::AvvioCollegamento();
}

void Relay(const QByteArray& testo)
{
    if (!ModemAperto() || !GSM.GSMattivo || GSM.InvioGSM)
        return;
    if (!GSM.PrimoInvioGSM) {
        ScrivoModem(PreparoMessaggioGSM(testo));
        return;
    }
    if (GSM.StatoGSM != GSM_CONNESSO)
        return;
    GSM.InvioGSM = true;
    GSM.StatoGSM = GSM_ATTESA_IDENTITA;
    Link.BufferTx = PreparoMessaggioGSM(MessaggioIdentita());
    DatiMotore::ImpostoModem(5000);
    ScrivoModem(Link.BufferTx);
    DatiMotore::AvvioModem();
}

void SchermoDatiMotore(const QByteArray& testo)
{
    Link.DatiRicevuti = true;
    DatiMotore::FermoCollegamento();
    ElaboroDatiMotore();
    AccodoRigaGraf();
    if (Link.InterrogoDati) {
        if (Link.FaseCom == FASE_LIBERA) {
            Link.FaseCom = FASE_RICHIESTA_VERSIONE;
            DatiMotore::AbilitoSchermo(false);
            DatiMotore::ImpostoRisposta(5000);
            Comando(Protocollo::ComandoRichiestaVersione);
            DatiMotore::AvvioRisposta();
        }
        return;
    }
    DatiMotore::AvvioCollegamento();
    Relay(testo);
}

} // namespace

void LeggoDatiMotore(const QByteArray& riga)
{
    if (riga.size() < 2)
        return;
    QByteArray testo;
    switch (riga[1]) {
    case 'T': TramaTarMP(riga); return;
    case 'B': testo = ConvertoDatiBinari(TolgoEscape(riga)); break;
    case 'C': testo = riga; break;
    default: return;
    }
    if (testo.size() != Protocollo::LungTramaDatiTesto)
        return;
    if (Shell.Funzione == 1) {
        RiempioRiga(testo);
        SchermoVeicolo();
    } else if (Shell.Funzione == 2) {
        RiempioRiga(testo);
        SchermoDatiMotore(testo);
    }
}
