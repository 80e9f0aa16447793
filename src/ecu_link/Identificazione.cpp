// The identification replies R4 (short) and R8 (complete), handled by the request state in
// which they arrive: link activation on the vehicle screen (2), the checks after a power
// cycle following the pressure setting (13) and the programming (15), and the identity
// request of the live-data screen (100). In every other state they are ignored.
#include "catalogue/Progsw.h"
#include "diagnosis/DatiMotore.h"
#include "diagnosis/Pressioni.h"
#include "ecu_link/Collegamento.h"
#include "ecu_link/DatiCentralina.h"
#include "catalogue/PersonalMaps.h"
#include "catalogue/StatoCatalogo.h"
#include "ecu_link/Rami.h"
#include "ecu_link/StatoLink.h"
#include "platform/Files.h"
#include "remote/StatoGSM.h"
#include "shell/Modulo.h"
#include "shell/Procedure.h"
#include "vehicle/Attesa.h"
#include "vehicle/StatoVeicolo.h"
#include "vehicle/Veicolo.h"

#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace {

// The ECU type of a short reply: in the activation state from the software version's
// major, except "00", which takes positions 4-5 (else 2); in the other states from
// positions 4-5 (else 1).
void TipoRispostaBreve(const QByteArray& r, bool attivazione)
{
    const QByteArray p45 = Mid(r, 4, 2);
    const QByteArray maggiore = DatiCentralina.VersioneSw.left(2).toLatin1();
    if (attivazione && maggiore != "00")
        DatiCentralina.TipoCentralina = ValIntero(maggiore);
    else if (Numerico(p45))
        DatiCentralina.TipoCentralina = ValIntero(p45);
    else
        DatiCentralina.TipoCentralina = attivazione ? 2 : 1;
}

void DecodificoBreve(const QByteArray& r, bool attivazione)
{
    DecodificoRispostaBreve(r);
    TipoRispostaBreve(r, attivazione);
    DatiCentralina.SwVecchio = ControlloVersioneSW();
}

void DecodificoCompleta(const QByteArray& r, bool tipiNonProtetti = false)
{
    DatiCentralina.ErroriDati = ControlloDatiCentralina(r);
    DecodificoRispostaCompleta(r, tipiNonProtetti);
}

// Software update (type 1) or loader update (other types) on the vehicle screen.
void RegolaTasti()
{
    if (Veicolo* v = Veicolo::Istanza())
        v->MostroTastiAggiornamento(DatiCentralina.TipoCentralina == 1);
}

void MostroTipoInstallazione(const QString& testo)
{
    if (Veicolo* v = Veicolo::Istanza())
        v->MostroTipoInstallazione(testo);
}

void ScrivoDate(int primo, double giorni)
{
    if (Veicolo* v = Veicolo::Istanza())
        v->ScrivoData(primo, DataDaGiorni(giorni));
}

// The last overhaul date typed on the vehicle screen, as a day number; -1 when the three
// boxes do not make a valid date (the card's own rule: a real date, year 100 or later).
double RevisioneSulloSchermo()
{
    Veicolo* v = Veicolo::Istanza();
    if (!v)
        return -1;
    const QDate d = v->DataRevisione();
    return d.isValid() ? GiorniDaData(d) : -1;
}

bool Diverso(const QByteArray& campo, const QString& valore)
{
    return QString::fromLatin1(campo).trimmed().compare(valore.trimmed(), Qt::CaseInsensitive) != 0;
}

void Attivazione(const QByteArray& r, bool completa)
{
    DatiCentralinaRec& d = DatiCentralina;
    if (!completa) {
        d.ErroriDati = ErroriRispostaBreve;
        Link.Collegato = true;
        AggiornoStatoCollegamento();
        DecodificoBreve(r, true);
        ImpostoDirPersonal();
        RegolaTasti();
        StatoCatalogo.TipoInstallazione = 0;
        MostroTipoInstallazione(Msg(118));
        ImpostoProprietaVeicolo(true);
        Link.FaseCom = FASE_LIBERA;
        CancelloMappePersonali();
        Beep();
        Avviso(210);
        Comando(Protocollo::ComandoFineScambio);
        Veicolo::AvvioCollegamento();
        return;
    }

    Link.Collegato = true;
    AggiornoStatoCollegamento();
    Link.FaseCom = FASE_LIBERA;
    d.ErroriDati = ControlloDatiCentralina(r);
    if (d.ErroriDati != 0) {
        ImpostoPuntatore(Shell.PuntatoreMouse);
        StatoCatalogo.TipoInstallazione = 0;
        MostroTipoInstallazione(Msg(118));
        CancelloMappePersonali();
        DecodificoRispostaCompleta(r);
        ImpostoDirPersonal();
        Beep();
        Avviso(210);
        Comando(Protocollo::ComandoFineScambio);
        Veicolo::AvvioCollegamento();
        ImpostoProprietaVeicolo(true);
        return;
    }

    // A different ECU (or different data) from the customer's card marks the card changed.
    const QByteArray versione = r.size() == 61 ? Mid(r, 40, 9) : Mid(r, 40, 6);
    if (ValIntero(Mid(r, 12, 2)) != d.TipoCentralina || Diverso(Mid(r, 24, 8), d.Matricola) ||
        Diverso(Mid(r, 32, 6), d.Lotto) || Diverso(versione, d.VersioneSw))
        Shell.DatiModificati = true;

    DecodificoRispostaCompleta(r);
    ImpostoDirPersonal();
    RegolaTasti();

    if (!d.SwVecchio && !StatoVeicolo.DirPersonal.isEmpty()) {
        const QString personale = Files::Percorso(StatoVeicolo.DirPersonal, QStringLiteral("PERSONALE.PRG"));
        if (QFile::exists(personale))
            QFile::remove(personale);
    }

    if (d.DataInstallazione == DataNessuna) {
        // The ECU holds no installation data yet.
        Avviso(241);
        Comando(Protocollo::ComandoFineScambio);
        ImpostoProprietaVeicolo(true);
        Veicolo::AvvioCollegamento();
        return;
    }
    if (d.DataInstallazione != 0.0)
        ScrivoDate(0, d.DataInstallazione);
    const double revisionePrecedente = RevisioneSulloSchermo();
    if (d.DataRevCentr != 0.0 && d.DataRevCentr != DataNessuna) {
        ScrivoDate(3, d.DataRevCentr);
        if (d.DataRevCentr != revisionePrecedente)
            Shell.DatiModificati = true;
    }
    StatoCatalogo.TipoInstallazione = d.TipoInstCentr;
    MostroTipoInstallazione(DescrizioneTipoMappa(StatoCatalogo.TipoInstallazione));

    if (d.TipoInstCentr == 0) {
        CancelloMappePersonali();
        Comando(Protocollo::ComandoFineScambio);
        ImpostoProprietaVeicolo(true);
        Veicolo::AvvioCollegamento();
        return;
    }
    // A personalised map in the ECU.
    MostroTipoInstallazione(DescrizioneTipoMappa(StatoCatalogo.TipoInstallazione));
    Shell.PuntatoreMouse = PuntatoreAttuale();
    // Newer software keeps its map; without a folder for the plate nothing can be read out.
    if (!d.SwVecchio || StatoVeicolo.DirPersonal.isEmpty()) {
        Comando(Protocollo::ComandoFineScambio);
        ImpostoProprietaVeicolo(true);
        Veicolo::AvvioCollegamento();
        return;
    }
    // Older software: the map is read back from the ECU page by page.
    ImpostoPuntatore(11);
    Link.FaseCom = FASE_LETTURA_PERSONALE;
    Veicolo::MandoRichiesta(Protocollo::Riga(Protocollo::ComandoLetturaPersonale), 5000);
    // The wait box belongs to the vehicle screen: not shown once that has closed.
    if (Veicolo::Istanza())
        Attesa::Carica()->Mostra(false);
}

void VerificaPressioni(const QByteArray& r, bool completa)
{
    Link.FaseCom = FASE_LIBERA;
    bool errato = true;
    if (completa) {
        DecodificoCompleta(r);
        Shell.DatiModificati = true;
        errato = DatiCentralina.ErroriDati & ErroreTipo;
    }
    Link.Collegato = false;
    AggiornoStatoCollegamento();
    Beep();
    if (Pressioni* p = Pressioni::Istanza())
        p->MostroVerificaConclusa(Msg(errato ? 152 : 151));
    Comando(Protocollo::ComandoFineScambio);
}

void VerificaSoftware(const QByteArray& r, bool completa)
{
    Link.FaseCom = FASE_LIBERA;
    bool errato = false;
    if (completa) {
        Shell.DatiModificati = true;
        DecodificoCompleta(r);
        errato = DatiCentralina.ErroriDati & ErroreTipo;
    } else {
        DecodificoBreve(r, false);
    }
    // After a loader update the loader's version is the one to judge and to show.
    const bool caricatore = StatoVeicolo.ModoAggiorna == 1;
    const QString mostrata = caricatore ? DatiCentralina.VersioneCaric : VersioneSwVisualizzata();
    int verdetto = 153;
    if (Progsw* p = Progsw::Istanza()) {
        if (!errato) {
            const QString programmata = p->VersioneProgrammata();
            verdetto = programmata.isEmpty() || programmata == mostrata.trimmed().toUpper() ? 239 : 153;
        }
    }
    Beep();
    if (Progsw* p = Progsw::Istanza())
        p->MostroVerdetto(verdetto, mostrata);
    Link.Collegato = false;
    AggiornoStatoCollegamento();
    Comando(Protocollo::ComandoFineScambio);
}

void RichiestaVersione(const QByteArray& r, bool completa)
{
    Link.FaseCom = FASE_LIBERA;
    if (completa)
        DecodificoCompleta(r, true);
    else
        DecodificoBreve(r, false);
    DatiMotore::AbilitoSchermo(true);
    Comando(Protocollo::ComandoFineScambio);
    GSM.PrimoInvioGSM = true;
    Link.InterrogoDati = false;
    DatiMotore::AvvioCollegamento();
}

} // namespace

void LeggoIdentificazione(const QByteArray& riga)
{
    const bool completa = riga.size() > 1 && riga[1] == '8';
    const int fase = Link.FaseCom;
    switch (fase) {
    case FASE_ATTIVAZIONE:
    case FASE_VERIFICA_PRESSIONI:
    case FASE_VERIFICA_SW:
        Veicolo::FermoRisposta();
        break;
    case FASE_RICHIESTA_VERSIONE:
        DatiMotore::FermoRisposta();
        break;
    default: return;
    }
    ImpostoPuntatore(Shell.PuntatoreMouse);
    switch (fase) {
    case FASE_ATTIVAZIONE: Attivazione(riga, completa); break;
    case FASE_VERIFICA_PRESSIONI: VerificaPressioni(riga, completa); break;
    case FASE_VERIFICA_SW: VerificaSoftware(riga, completa); break;
    default: RichiestaVersione(riga, completa); break;
    }
}
