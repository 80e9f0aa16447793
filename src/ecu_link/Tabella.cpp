// Replies of the data-image upload (state 4: R6, R5, R7, R1) and of the installation date
// (state 6: R9). The ECU leads: R6 asks for block 0, R5 for the next block, R7 for the same
// block once more, R1 ends the upload; an ECU without an installation date then gets the
// date typed on the vehicle screen ("MUC") and answers R9. Any of them in another state is
// ignored.
#include "ecu_link/Tabella.h"

#include "catalogue/MapFiles.h"
#include "catalogue/PersonalMaps.h"
#include "catalogue/StatoCatalogo.h"
#include "diagnosis/Pressioni.h"
#include "ecu_link/Collegamento.h"
#include "ecu_link/DatiCentralina.h"
#include "ecu_link/Rami.h"
#include "ecu_link/StatoLink.h"
#include "platform/Files.h"
#include "platform/Form.h"
#include "shell/Modulo.h"
#include "shell/Procedure.h"
#include "vehicle/MandoDati.h"
#include "vehicle/StatoVeicolo.h"
#include "vehicle/Veicolo.h"


StatoTabellaRec Tabella;

int NumeroBlocchi(qsizetype lunghezza)
{
    return lunghezza <= 0 ? 1 : int((lunghezza + 179) / 180);
}

namespace {

void Avanzamento()
{
    if (MandoDati* m = MandoDati::Istanza())
        m->MostroAvanzamento(Tabella.NumBlocco, NumeroBlocchi(Tabella.DatiTabella.size()));
}

// Builds block NumBlocco into BufferTx and writes it.
void MandoBlocco()
{
    Link.BufferTx = Protocollo::BloccoTabella(Tabella.DatiTabella, Tabella.NumBlocco);
    Avanzamento();
    ScrivoCentralina(Link.BufferTx);
    Veicolo::AvvioRisposta();
}

bool UltimoBloccoInviato()
{
    return qint64(Tabella.NumBlocco + 1) * 180 >= Tabella.DatiTabella.size();
}

// The upload failed: the dialog closes, the user is told, the ECU is told the upload is over
// and the link is shown down. The link watchdog stays stopped.
void Interrompo(const QString& testo, int titolo)
{
    MandoDati::ScaricaIstanza();
    if (Veicolo* v = Veicolo::Istanza())
        v->update();
    Link.FaseCom = FASE_LIBERA;
    ImpostoPuntatore(Shell.PuntatoreMouse);
    Beep();
    Shell.Messaggio1 = testo;
    Shell.Messaggio2 = Msg(titolo);
    MostroMessaggio(Shell.Messaggio1, Shell.Messaggio2, 0);
    Comando(Protocollo::ComandoFineTabella);
    Link.Collegato = false;
    AggiornoStatoCollegamento();
}

// The upload is complete: "MU1", the link watchdog again, the read-out files removed and
// the pressure calibration shown (modal: the following receive events run inside it).
void Concludo()
{
    Comando(Protocollo::ComandoFineTabella);
    Veicolo::AvvioCollegamento();
    Link.FaseCom = FASE_LIBERA;
    CancelloMappePersonali();
    if (Veicolo::Istanza())
        Pressioni::Carica()->Mostra(true);
}

void Pronto()
{
    Veicolo::FermoRisposta();
    const QString file = StatoVeicolo.FileTabella;
    if (file.isEmpty() || !Esiste(file, 0)) {
        Interrompo(TestoMappaMancante(StatoCatalogo.TipoGas == 1 ? 249 : 191), 140);
        return;
    }
    Tabella.DatiTabella =
        ComponoDati(file, DatiCentralina.TipoCentralina, StatoVeicolo.DirValvole);
    Tabella.NumBlocco = 0;
    if (Tabella.DatiTabella.isEmpty()) {
        Interrompo(Msg(193), 140);
        return;
    }
    Tabella.Ritento = 0;
    Veicolo::ImpostoRisposta(5000);
    MandoBlocco();
}

void BloccoAccettato()
{
    Veicolo::FermoRisposta();
    // Past the last block nothing is sent: R1 or the reply watchdog ends the upload.
    if (UltimoBloccoInviato()) {
        Veicolo::AvvioRisposta();
        return;
    }
    ++Tabella.NumBlocco;
    Tabella.Ritento = 0;
    MandoBlocco();
}

void BloccoRifiutato()
{
    Veicolo::FermoRisposta();
    if (Tabella.Ritento != 0) {
        Interrompo(Msg(219), 142);
        return;
    }
    Tabella.Ritento = 1;
    MandoBlocco();
}

void TabellaMemorizzata()
{
    Veicolo::FermoRisposta();
    const double data = DatiCentralina.DataInstallazione;
    if (data == 0.0 || data == DataNessuna) {
        QByteArray g, m, a;
        if (Veicolo* v = Veicolo::Istanza())
            v->TestiDataInstallazione(g, m, a);
        Link.FaseCom = FASE_DATA_INSTALLAZIONE;
        ScrivoCentralina(Protocollo::RigaDataInstallazione(g, m, a));
        Veicolo::AvvioRisposta();
        return;
    }
    MandoDati::ScaricaIstanza();
    ImpostoPuntatore(Shell.PuntatoreMouse);
    Concludo();
}

void DataMemorizzata()
{
    MandoDati::ScaricaIstanza();
    Veicolo::FermoRisposta();
    ImpostoPuntatore(Shell.PuntatoreMouse);
    Concludo();
}

} // namespace

void MandoTabella(const QByteArray& riga)
{
    if (riga.size() < 2)
        return;
    const int fase = Link.FaseCom;
    switch (riga[1]) {
    case '6': if (fase == FASE_INVIO_TABELLA) Pronto(); break;
    case '5': if (fase == FASE_INVIO_TABELLA) BloccoAccettato(); break;
    case '7': if (fase == FASE_INVIO_TABELLA) BloccoRifiutato(); break;
    case '1': if (fase == FASE_INVIO_TABELLA) TabellaMemorizzata(); break;
    case '9': if (fase == FASE_DATA_INSTALLAZIONE) DataMemorizzata(); break;
    default: break;
    }
}
