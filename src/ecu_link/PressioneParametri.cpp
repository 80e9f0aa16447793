// Pressure replies (Rd, Re) in the pressure-setting steps, parameter pages (Rfr, Rfn) read
// for the tank and personalisation screens, and the parameter-store reply (Rfs).
#include "catalogue/MapFiles.h"
#include "catalogue/StatoCatalogo.h"
#include "catalogue/StatoFile.h"
#include "diagnosis/LivSerb.h"
#include "diagnosis/Parametri.h"
#include "diagnosis/Pressioni.h"
#include "ecu_link/DatiCentralina.h"
#include "ecu_link/Rami.h"
#include "ecu_link/StatoLink.h"
#include "shell/Modulo.h"
#include "shell/Procedure.h"
#include "vehicle/Veicolo.h"

namespace {

// Where a field of a parameter reply goes on the screen that asked for it.
enum class Tipo { Nessuno, Casella, Interruttore, Stringa };
struct Destinazione {
    Tipo tipo = Tipo::Nessuno;
    int indice = 0;  // text box, check box (0 switch, 1 forced gas) or position in ParSerbatoio
};
struct CampoRisposta {
    int inizio, lunghezza;    // default in the default string (from 1)
    bool interruttore;
    Destinazione serbatoio;   // states 11 and 19 (the text of ParSerbatoio only in 19)
    Destinazione parametri;   // states 12 and 17
};
constexpr Destinazione C(int i) { return {Tipo::Casella, i}; }
constexpr Destinazione I(int i) { return {Tipo::Interruttore, i}; }
constexpr Destinazione S(int p) { return {Tipo::Stringa, p}; }
constexpr Destinazione N{};

const CampoRisposta Campi[8] = {
    {1, 4, false, C(0), C(3)},  {5, 4, false, C(1), C(4)},  {9, 1, true, I(0), I(0)},
    {10, 2, false, S(10), C(2)}, {12, 1, true, S(12), I(1)}, {13, 4, false, S(13), C(0)},
    {17, 4, false, S(17), C(1)}, {21, 4, false, S(21), C(5)},
};

bool ValoreAccettato(const QByteArray& campo)
{
    return Numerico(campo) && Val(QByteArrayView(campo)) != -1.0;
}

bool InterruttoreAccettato(const QByteArray& campo)
{
    const double v = Val(QByteArrayView(campo));
    return v == 0.0 || v == 1.0;
}

struct LetturaParametri {
    int fase;
    SchermoParametri* schermo;  // nullptr when the screen has been closed
    QString predefiniti;
    bool serbatoio() const { return fase == FASE_LEGGI_SERBATOIO || fase == FASE_LEGGI_SERBATOIO_N; }

    QString predefinito(const CampoRisposta& c) const { return predefiniti.mid(c.inizio - 1, c.lunghezza); }

    // The default in place of a field that was not accepted.
    void rifiuto(const CampoRisposta& c, const Destinazione& d)
    {
        if (!schermo || d.tipo == Tipo::Nessuno || d.tipo == Tipo::Stringa)
            return;
        if (d.tipo == Tipo::Casella)
            schermo->MostroPredefinito(d.indice, predefinito(c));
        else
            schermo->MostroInterruttore(d.indice, Val(QByteArrayView(predefinito(c).toLatin1())) == 1.0);
        if (serbatoio())
            schermo->MostroSegnalazione(Msg(251));
    }

    void campo(const CampoRisposta& c, const QByteArray& testo)
    {
        const Destinazione& d = serbatoio() ? c.serbatoio : c.parametri;
        const bool accettato = c.interruttore ? InterruttoreAccettato(testo) : ValoreAccettato(testo);
        if (d.tipo == Tipo::Stringa) {
            // Only the tank read of the newer software keeps these values, to send them back.
            if (fase != FASE_LEGGI_SERBATOIO_N || !accettato)
                return;
            const QByteArray v = c.interruttore ? QByteArray(Val(QByteArrayView(testo)) == 1.0 ? "1" : "0")
                                                : InteroDaTesto(testo);
            const QString t = Allineato(v, c.lunghezza);
            QString& p = StatoFile.ParSerbatoio;
            if (!t.isEmpty() && p.size() >= c.inizio - 1 + c.lunghezza)
                p.replace(d.indice - 1, c.lunghezza, t);  // a value that does not fit keeps the map's
            return;
        }
        if (!accettato) {
            rifiuto(c, d);
            return;
        }
        if (!schermo || d.tipo == Tipo::Nessuno)
            return;
        if (d.tipo == Tipo::Interruttore)
            schermo->MostroInterruttore(d.indice, Val(QByteArrayView(testo)) == 1.0);
        else if (!schermo->MostroValoreLetto(d.indice, InteroDaTesto(testo)))
            rifiuto(c, d);  // too long for its box: never shown cut
    }
};

} // namespace

void RispostaPressione(const QByteArray& riga)
{
    const char codice = riga.size() > 1 ? riga[1] : '\0';
    if (codice == 'd' && Link.FaseCom == FASE_LETTURA_PRESSIONE) {
        Veicolo::FermoRisposta();
        ImpostoPuntatore(Shell.PuntatoreMouse);
        // Characters 3-10, never the line end of a short reply.
        QByteArray testo = riga.mid(2, 8);
        const qsizetype fine = testo.indexOf('\r') >= 0 ? testo.indexOf('\r') : testo.indexOf('\n');
        if (fine >= 0)
            testo.truncate(fine);
        if (Pressioni* p = Pressioni::Istanza())
            p->MostroLettura(testo, PressioneInLimiti(testo));
    } else if (codice == 'e' && Link.FaseCom == FASE_SCRITTURA_PRESSIONE) {
        Veicolo::FermoRisposta();
        ImpostoPuntatore(Shell.PuntatoreMouse);
        Link.FaseCom = FASE_SPEGNIMENTO;
        if (Pressioni* p = Pressioni::Istanza())
            p->MostroSpegnimento();
        // The link watchdog notices the ECU being switched off, even before its next frame.
        Veicolo::AvvioCollegamento();
    }
}

void RispostaParametri(const QByteArray& riga)
{
    const bool tre = riga.size() > 2 && riga[2] == 'r';
    const int fase = Link.FaseCom;
    const bool attesa = tre ? (fase == FASE_LEGGI_SERBATOIO || fase == FASE_LEGGI_PARAMETRI)
                            : (fase == FASE_LEGGI_PARAMETRI_N || fase == FASE_LEGGI_SERBATOIO_N);
    if (!attesa)
        return;
    // A reply of any other length, or whose data end before the layout's, answers the
    // request with every default in red; no byte of its line end ever reaches a field or
    // the parameter string, and only a complete reply lets the tank screen save.
    const int lunghezza = tre ? Protocollo::LungParametriTre : Protocollo::LungParametriOtto;
    qsizetype fineDati = riga.size();
    for (const char c : {'\r', '\n'})
        if (const qsizetype p = riga.indexOf(c); p >= 0 && p < fineDati)
            fineDati = p;
    const QByteArray dati = riga.left(fineDati);
    const bool completa = riga.size() == lunghezza && dati.size() >= lunghezza - 2;
    Veicolo::FermoRisposta();
    Link.FaseCom = FASE_LIBERA;
    ImpostoPuntatore(1);

    LetturaParametri l{fase, nullptr, {}};
    if (l.serbatoio())
        l.schermo = LivSerb::Istanza();
    else
        l.schermo = Parametri::Istanza();
    if (l.schermo)
        l.schermo->MostroFineLettura(fase == FASE_LEGGI_SERBATOIO_N && completa);

    l.predefiniti = tre ? QStringLiteral("120029500")
                        : LeggoParametriMappa(StatoCatalogo.DirCentralina, StatoCatalogo.TipoGas,
                                              DatiCentralina.TipoCentralina) +
                              QString::fromLatin1(Mid(dati, 52, 6));
    if (l.serbatoio())
        StatoFile.ParSerbatoio = l.predefiniti;

    const int campi = tre ? 3 : 8;
    if (completa) {
        for (int k = 0; k < campi; ++k)
            l.campo(Campi[k], Mid(riga, 4 + 6 * k, 6));
    } else {
        for (int k = 0; k < campi; ++k)
            l.rifiuto(Campi[k], l.serbatoio() ? Campi[k].serbatoio : Campi[k].parametri);
    }
    Veicolo::AvvioCollegamento();
}

void RispostaParametriSalvati(const QByteArray& riga)
{
    const int fase = Link.FaseCom;
    if (fase != FASE_SALVA_SERBATOIO && fase != FASE_SALVA_PARAMETRI)
        return;
    const QByteArray esito = Mid(riga, 4, 2);
    if (esito != "ok" && esito != "ko")
        return;
    const bool ok = esito == "ok";
    Veicolo::FermoRisposta();
    Link.FaseCom = FASE_LIBERA;
    Beep();
    ImpostoPuntatore(1);
    const int messaggio = ok ? 255 : 252;
    if (fase == FASE_SALVA_SERBATOIO) {
        if (LivSerb* s = LivSerb::Istanza())
            s->MostroFineSalvataggio(messaggio);
        Veicolo::AvvioCollegamento();
        return;
    }
    Parametri* p = Parametri::Istanza();
    if (p)
        p->MostroFineSalvataggio(messaggio);
    if (!ok) {
        Veicolo::AvvioCollegamento();
        return;
    }
    // The next live frame restarts the link watchdog.
    if (p)
        StatoCatalogo.TipoInstallazione = p->TipoScelto();
    DatiCentralina.TipoInstCentr = StatoCatalogo.TipoInstallazione;
    Shell.DatiModificati = true;
}
