// The modem port's receive path and the modem dialogue: "ATZ", "ATE0", "ATD" and the
// call's result, the lost carrier, the frames of the connected station one per receive
// event, and the watchdog of all of them (the live-data screen's TimeOutModem).
#include "remote/ModemLink.h"

#include "diagnosis/DatiMotore.h"
#include "diagnosis/RigaDati.h"
#include "ecu_link/CodecDati.h"
#include "ecu_link/StatoLink.h"
#include "platform/CodePage.h"
#include "platform/Form.h"
#include "platform/PrivateProfile.h"
#include "platform/SerialControl.h"
#include "remote/Aggancio.h"
#include "remote/StatoGSM.h"
#include "shell/Modulo.h"
#include "shell/ZEQ_Inst.h"

#include <QMetaObject>

namespace {

constexpr char STX = 2;
constexpr char ETX = 3;

bool EventoInCoda = false;

// One frame per event; a further complete frame gets an event of its own at once.
void AccodoTramaCompleta()
{
    const qsizetype s = GSM.BufferGSM.indexOf(STX);
    if (EventoInCoda || s < 0 || GSM.BufferGSM.indexOf(ETX, s + 1) < 0)
        return;
    EventoInCoda = true;
    QMetaObject::invokeMethod(
        &ComGSM(),
        [] {
            EventoInCoda = false;
            GestioneGSM();
        },
        Qt::QueuedConnection);
}

// The call could not be made: the dialog offers a new attempt.
void ChiamataFallita(int messaggio)
{
    DatiMotore::FermoModem();
    ChiudoPortaGSM();
    ImpostoPuntatore(1);
    if (Aggancio* a = Aggancio::Istanza()) {
        a->MostroStato(Msg(messaggio));
        a->MostroChiamata(false);
    }
    GSM.StatoGSM = GSM_CONNESSO;
}

// Clean-up of a link state that can no longer be answered (time-out or lost carrier).
void ChiudoStato(int stato)
{
    if (stato == GSM_ATTESA_IDENTITA) {
        GSM.InvioGSM = false;
    } else if (InScambioRemoto(stato)) {
        GSM.InvioGSM = false;
        CancelloSoftwareParziale();
        if (DatiMotore* d = DatiMotore::Istanza())
            d->MostroScambioScaduto();
    }
}

void DialogoModem()
{
    QByteArray& b = GSM.BufferGSM;
    Aggancio* a = Aggancio::Istanza();
    switch (GSM.StatoGSM) {
    case GSM_ATTESA_ATZ:
    case GSM_ATTESA_ATE0: {
        if (!b.contains("OK\r\n"))
            return;
        DatiMotore::FermoModem();
        b.clear();
        if (GSM.StatoGSM == GSM_ATTESA_ATZ) {
            GSM.StatoGSM = GSM_ATTESA_ATE0;
            if (a)
                a->MostroStato(Msg(314));
            ScrivoModem(QByteArrayLiteral("ATE0\r"));
            DatiMotore::ArmoModem(MS_COMANDO_MODEM);
        } else {
            if (a) {
                a->MostroChiamata(true);
                a->MostroStato(Msg(315));
            }
            GSM.StatoGSM = GSM_CHIAMATA;
            ScrivoModem(QByteArrayLiteral("ATD") + GSM.Telefono.toLatin1() + '\r');
            DatiMotore::ArmoModem(MS_CHIAMATA);
        }
        return;
    }
    case GSM_CHIAMATA: {
        if (b.contains("NO CARRIER\r\n")) {
            Beep();
            ChiamataFallita(316);
            return;
        }
        if (b.contains("BUSY\r\n")) {
            Beep();
            ChiamataFallita(317);
            return;
        }
        const qsizetype c = b.indexOf("CONNECT");
        if (c < 0)
            return;
        b.remove(0, c);
        const qsizetype fine = b.indexOf("\r\n");
        if (fine < 0)
            return;
        b.remove(0, fine + 2);
        DatiMotore::FermoModem();
        ImpostoPuntatore(1);
        GSM.StatoGSM = GSM_CONNESSO;
        if (a)
            a->Scarica();
        if (DatiMotore* d = SchermoAssistenza()) {
            GSM.GSMattivo = true;
            d->MostroChiamataGSM(true);
            Link.InterrogoDati = true;
            GSM.PrimoInvioGSM = false;
            AzzeroGrafici();
        }
        AccodoTramaCompleta();
        return;
    }
    default: return;
    }
}

} // namespace

DatiMotore* SchermoAssistenza() { return Shell.Funzione == 2 ? DatiMotore::Istanza() : nullptr; }

QString TestoStazione(const QByteArray& b)
{
    return CodePage::Decodifica(b, Shell.Lingua == 1 ? CodePage::Windows1250 : CodePage::Windows1252);
}

void LimitoBufferGSM(QByteArray& buf)
{
    while (buf.size() > StatoGSMRec::MaxBufferGSM) {
        if (InDialogoModem(GSM.StatoGSM)) {
            buf.remove(0, buf.size() - StatoGSMRec::MaxBufferGSM);
            return;
        }
        // An open frame this long is not one: drop it up to the next STX.
        const qsizetype inizio = buf.indexOf(STX);
        const qsizetype prossimo = inizio < 0 ? -1 : buf.indexOf(STX, inizio + 1);
        if (prossimo < 0) {
            buf.clear();
            return;
        }
        buf.remove(0, prossimo);
    }
}

QByteArray TaglioTrama(QByteArray& buf)
{
    const qsizetype inizio = buf.indexOf(STX);
    if (inizio < 0) {
        // Keep a possible "NO CARRIER" growing at the end; drop the rest.
        const qsizetype cr = buf.lastIndexOf('\n');
        if (cr >= 0)
            buf.remove(0, cr + 1);
        return {};
    }
    buf.remove(0, inizio);
    const qsizetype fine = buf.indexOf(ETX, 1);
    if (fine < 0)
        return {};
    const QByteArray trama = buf.left(fine + 1);
    buf.remove(0, fine + 1);
    return trama;
}

void ComGSM_OnComm()
{
    if (ComGSM().CommEvent() != SerialControl::EventoRicezione)
        return;
    RicevoGSM(ComGSM().Input());
}

void RicevoGSM(const QByteArray& dati)
{
    GSM.BufferGSM += dati;
    LimitoBufferGSM(GSM.BufferGSM);
    GestioneGSM();
}

void CollegoRicezioneGSM()
{
    static bool collegato = false;
    if (collegato)
        return;
    collegato = true;
    QObject::connect(&ComGSM(), &SerialControl::OnComm, &ComGSM(), [] { ComGSM_OnComm(); });
    QObject::connect(&ComGSM(), &SerialControl::Chiusa, &ComGSM(), [](const QString&) { PerdoPortante(); });
}

void GestioneGSM()
{
    QByteArray& b = GSM.BufferGSM;
    if (b.trimmed().isEmpty())
        return;
    if (InDialogoModem(GSM.StatoGSM)) {
        DialogoModem();
        return;
    }
    if (b.contains("NO CARRIER")) {
        PerdoPortante();
        return;
    }
    const QByteArray trama = TaglioTrama(b);
    if (trama.isEmpty())
        return;
    ElaboroComandoGSM(TolgoEscape(trama));
    AccodoTramaCompleta();
}

void PerdoPortante()
{
    const int stato = GSM.StatoGSM;
    GSM.BufferGSM.clear();
    if (InDialogoModem(stato)) {
        ChiamataFallita(316);
        if (Link.DatiRicevuti)
            DatiMotore::AvvioCollegamento();
        return;
    }
    DatiMotore::FermoModem();
    ChiudoPortaGSM();
    ChiudoStato(stato);
    GSM.StatoGSM = GSM_CONNESSO;
    // The ECU's identity watchdog keeps running: a pending request still ends.
    if (DatiMotore* d = DatiMotore::Istanza())
        d->MostroChiamataGSM(false);
}

int PortaModem()
{
    Shell.LungIni = LeggoProfilo(QStringLiteral("SERIALE"), QStringLiteral("PortaGSM"), QString(), Shell.BufferIni,
                                 FileConfigurazione());
    const QString nome = Shell.LungIni > 0 ? Shell.BufferIni.left(Shell.LungIni) : QStringLiteral("COM5");
    const int n = ZEQ_Inst::NumeroPorta(nome, 5);
    return n < 0 ? 5 : n;
}

void AproAggancio()
{
    DatiMotore::FermoCollegamento();
    Aggancio* a = Aggancio::Carica();
    a->Mostra(true);
    if (DatiMotore* d = DatiMotore::Istanza())
        d->update();
}

void RiattaccoGSM()
{
    // The hang-up ends what the call was doing as a lost carrier does: an identity left
    // waiting for its answer would otherwise hold the relay of the next call.
    PerdoPortante();
}

void ScadenzaModem()
{
    DatiMotore::FermoModem();
    const int stato = GSM.StatoGSM;
    if (InDialogoModem(stato)) {
        ChiamataFallita(316);
        if (Link.DatiRicevuti)
            DatiMotore::AvvioCollegamento();
    } else if (stato == GSM_ATTESA_IDENTITA || InScambioRemoto(stato)) {
        ImpostoPuntatore(1);
        ChiudoStato(stato);
    }
    GSM.StatoGSM = GSM_CONNESSO;
}
