#include "ecu_link/Ricezione.h"

#include "diagnosis/DatiMotore.h"
#include "catalogue/Progsw.h"
#include "diagnosis/Pressioni.h"
#include "ecu_link/Collegamento.h"
#include "ecu_link/Rami.h"
#include "ecu_link/StatoLink.h"
#include "platform/Form.h"
#include "platform/SerialControl.h"
#include "remote/StatoGSM.h"
#include "shell/Modulo.h"
#include "shell/Procedure.h"
#include "vehicle/Attesa.h"
#include "vehicle/MandoDati.h"
#include "vehicle/Veicolo.h"

#include <exception>

void Comunic_OnComm()
{
    if (Comunic().CommEvent() != SerialControl::EventoRicezione)
        return;
    Link.BufferRx += Comunic().Input();
    RiceviDati();
}

QByteArray CalcoloCS(const QByteArray& testo)
{
    quint32 somma = 0;
    for (char c : testo)
        somma += static_cast<unsigned char>(c);
    const unsigned b = somma & 0xFF;
    QByteArray r(2, '0');
    r[0] = char(0x30 + (b >> 4));
    r[1] = char(0x30 + (b & 0x0F));
    return r;
}

bool ChecksumRichiesto(const QByteArray& riga)
{
    if (riga.size() < 2)
        return true;
    const char c1 = riga[0];
    const char c2 = riga[1];
    switch (c1) {
    case 'R': return !QByteArrayView("0125679GXLdef").contains(c2);
    case 'D': return !QByteArrayView("BCT").contains(c2);
    case 'F': return !QByteArrayView("lWceo").contains(c2);
    default: return true;
    }
}

// Whether a known reply code begins at position i.
static bool CodiceNoto(const QByteArray& riga, qsizetype i)
{
    if (i + 1 >= riga.size())
        return false;
    const char c2 = riga[i + 1];
    switch (riga[i]) {
    case 'R': return QByteArrayView("012456789ZdefGXL").contains(c2);
    case 'D': return QByteArrayView("BCT").contains(c2);
    case 'F': return QByteArrayView("lWceor").contains(c2);
    default: return false;
    }
}

int InizioRisposta(const QByteArray& riga)
{
    // The earliest known reply code: a stuffed live frame may hold "R" or "F" (stuffing
    // escapes neither) and an identity may hold "R", "D" or "F" in its serial or versions,
    // so the last of those letters is not where the reply begins.
    for (qsizetype i = 0; i + 1 < riga.size(); ++i) {
        if (CodiceNoto(riga, i))
            return int(i);
    }
    // No known code: the line is cut at the largest of the first positions of "R", "D"
    // and "F" (it is then ignored by the dispatch anyway).
    qsizetype p = 0;
    for (char c : {'R', 'D', 'F'}) {
        const qsizetype q = riga.indexOf(c);
        if (q > p)
            p = q;
    }
    return int(p);
}

void RiceviDati()
{
    for (;;) {
        // Nothing but blanks, or no complete line: the bytes wait for the next event.
        const qsizetype p = Link.BufferRx.indexOf('\n');
        if (p < 0) {
            // A tail without LF waits for more bytes, but never grows without bound.
            if (Link.BufferRx.size() > StatoLinkRec::MaxBufferRx)
                Link.BufferRx.remove(0, Link.BufferRx.size() - StatoLinkRec::MaxBufferRx);
            return;
        }
        QByteArray riga = Link.BufferRx.left(p + 1);
        Link.BufferRx.remove(0, p + 1);
        riga.remove(0, InizioRisposta(riga));

        if (ChecksumRichiesto(riga)) {
            const qsizetype l = riga.size();
            // Shorter than checksum + CR LF, or a wrong checksum: the line is dropped and
            // the lines behind it are still handled.
            if (l < 4 || CalcoloCS(riga.left(l - 4)) != riga.mid(l - 4, 2))
                continue;
        }
        ElaboroRisposta(riga);
    }
}

static std::function<void(const QByteArray&)> g_osservatoreRisposte;

void ImpostaOsservatoreRisposte(std::function<void(const QByteArray&)> osservatore)
{
    g_osservatoreRisposte = std::move(osservatore);
}

void ElaboroRisposta(const QByteArray& riga)
{
    if (g_osservatoreRisposte)
        g_osservatoreRisposte(riga);
    try {
        if (riga.isEmpty())
            return;
        const char c2 = riga.size() > 1 ? riga[1] : '\0';
        switch (riga[0]) {
        case 'R':
            switch (c2) {
            case '0':
            case '2': RispostaErrore(riga); break;
            case '4':
            case '8': LeggoIdentificazione(riga); break;
            case '1':
            case '5':
            case '6':
            case '7':
            case '9': MandoTabella(riga); break;
            case 'Z': SalvoPersonale(riga); break;
            case 'd':
            case 'e': RispostaPressione(riga); break;
            case 'f': {
                const char c3 = riga.size() > 2 ? riga[2] : '\0';
                if (c3 == 'r' || c3 == 'n')
                    RispostaParametri(riga);
                else if (c3 == 's')
                    RispostaParametriSalvati(riga);
                break;
            }
            default: break; // RG, RX, RL and unknown codes have no branch
            }
            break;
        case 'F':
            if (Link.FaseCom == FASE_PROGRAMMAZIONE_SW || Link.FaseCom == FASE_PROGRAMMAZIONE_ULP)
                RispostaProgrammazione(riga);
            break;
        case 'D': LeggoDatiMotore(riga); break;
        default: break;
        }
    } catch (const std::exception&) {
        // Error trap: the transfer files are closed and the state reached so far stays.
        ChiudoFileProgrammazione();
        ChiudoFilePersonale();
    }
}

void SegnaloErroreCom(int messaggio, SchermoRichiesta schermo, DialogoOccupato dialogo,
                      OpzioniErroreCom opzioni)
{
    const bool veicolo = schermo == SchermoRichiesta::Veicolo;
    // 1. The reply watchdog of the requesting screen.
    if (veicolo) {
        Veicolo::FermoRisposta();
        if (opzioni.fermaDatiOutAllInizio)
            Veicolo::FermoCollegamento();
    } else {
        DatiMotore::FermoRisposta();
    }
    // 2. The pointer saved by the sender.
    ImpostoPuntatore(Shell.PuntatoreMouse);
    // 3. The screen the request disabled.
    if (opzioni.riabilitaSchermo) {
        if (veicolo)
            ImpostoProprietaVeicolo(true);
        else
            DatiMotore::AbilitoSchermo(true);
    }
    // 4. The busy dialog.
    switch (dialogo) {
    case DialogoOccupato::MandoDati: MandoDati::ScaricaIstanza(); break;
    case DialogoOccupato::Pressioni: Pressioni::ScaricaIstanza(); break;
    case DialogoOccupato::Progsw: Progsw::ScaricaIstanza(); break;
    default: break;
    }
    // 5. No request pending before the box opens.
    Link.FaseCom = FASE_LIBERA;
    if (!veicolo) {
        Link.InterrogoDati = false;
        GSM.PrimoInvioGSM = false;
    }
    // 6. The wait box.
    if (dialogo == DialogoOccupato::Attesa)
        Attesa::ScaricaIstanza();
    // 7. The box.
    Beep();
    Shell.Messaggio1 = Msg(messaggio);
    Shell.Messaggio2 = Msg(141);
    MostroMessaggio(Shell.Messaggio1, Shell.Messaggio2, 0);
    // 8. The link.
    if (veicolo) {
        Veicolo::FermoCollegamento();
        Link.Collegato = false;
        AggiornoStatoCollegamento();
    } else {
        DatiMotore::AvvioCollegamento();
    }
}
