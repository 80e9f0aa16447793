// Flash programming replies ("F" and a two-character code) in the states of the
// programming screen (5) and of the programming image sent from the send dialog (20).
#include "ecu_link/Programmazione.h"

#include "catalogue/Progsw.h"
#include "catalogue/StatoFile.h"
#include "diagnosis/Pressioni.h"
#include "ecu_link/Collegamento.h"
#include "ecu_link/Rami.h"
#include "ecu_link/StatoLink.h"
#include "platform/Form.h"
#include "shell/Modulo.h"
#include "shell/Procedure.h"
#include "vehicle/MandoDati.h"
#include "vehicle/Veicolo.h"

#include <QFile>
#include <memory>

namespace {

constexpr int LungRigaImmagine = 255;
constexpr int IntervalloRiga = 5000;

// The programming file, open from "l0" to the end of the transfer.
std::unique_ptr<QFile> g_file;

// Reads the next line (ended by CR LF, CR or LF, or by the end of the file) without its end.
// False when nothing is left.
bool LeggoRiga(QFile& f, QByteArray& linea)
{
    linea.clear();
    if (f.atEnd())
        return false;
    char c = 0;
    while (f.getChar(&c)) {
        if (c == '\n')
            return true;
        if (c == '\r') {
            char d = 0;
            if (f.peek(&d, 1) == 1 && d == '\n')
                f.getChar(&d);
            return true;
        }
        linea.append(c);
    }
    return true;
}

bool Immagine() { return Link.FaseCom == FASE_PROGRAMMAZIONE_ULP; }

void MostroRecord(int n)
{
    if (Immagine()) {
        if (MandoDati* m = MandoDati::Istanza())
            m->MostroAvanzamento(n);
    } else if (Progsw* p = Progsw::Istanza()) {
        p->MostroAvanzamento(n);
    }
}

// Reads and sends the next line; false when the file has none left.
bool MandoRiga()
{
    QByteArray linea;
    if (!g_file || !LeggoRiga(*g_file, linea))
        return false;
    ++StatoFile.NumLinea;
    MostroRecord(StatoFile.NumLinea);
    ScrivoCentralina(RigaProgrammazione(linea, Immagine()));
    return true;
}

// The transfer ends on an error: the message stays in the screen's caption, the link is
// marked down.
void FineConErrore(int messaggio)
{
    Veicolo::FermoRisposta();
    ChiudoFileProgrammazione();
    ImpostoPuntatore(Shell.PuntatoreMouse);
    Shell.Messaggio1 = Msg(messaggio);
    if (Immagine()) {
        if (MandoDati* m = MandoDati::Istanza())
            m->MostroErroreProgrammazione(Shell.Messaggio1);
    } else if (Progsw* p = Progsw::Istanza()) {
        p->MostroErrore(Shell.Messaggio1);
    }
    Link.FaseCom = FASE_LIBERA;
    Link.Collegato = false;
    AggiornoStatoCollegamento();
}

void Apertura()
{
    Veicolo::FermoRisposta();
    ChiudoFileProgrammazione();
    auto f = std::make_unique<QFile>(StatoFile.FileProgrammazione);
    if (StatoFile.FileProgrammazione.isEmpty() || !f->open(QIODevice::ReadOnly)) {
        // Nothing to send: ended like an error, so the screen does not stay disabled.
        FineConErrore(233);
        return;
    }
    g_file = std::move(f);
    MandoRiga();
    Veicolo::ArmoRisposta(IntervalloRiga);
}

void Successiva()
{
    // Past the end (or with no file open) nothing happens: the watchdog keeps running.
    if (!g_file || g_file->atEnd())
        return;
    Veicolo::FermoRisposta();
    MandoRiga();
    Veicolo::ArmoRisposta(IntervalloRiga);
}

void Completata()
{
    Veicolo::FermoRisposta();
    ChiudoFileProgrammazione();
    ImpostoPuntatore(Shell.PuntatoreMouse);
    if (!Immagine()) {
        Link.FaseCom = FASE_SPEGNIMENTO_SW;
        if (Progsw* p = Progsw::Istanza())
            p->MostroSpegnimento();
        // With no frame after the programming the link watchdog would never run: started
        // here, it notices the ECU going off.
        Veicolo::AvvioCollegamento();
        return;
    }
    Attendo(4);
    MandoDati::ScaricaIstanza();
    Link.FaseCom = FASE_LIBERA;
    Beep();
    if (Veicolo::Istanza()) {
        Veicolo::AvvioCollegamento();
        Pressioni::Carica()->Mostra(true);
    }
}

} // namespace

QByteArray RigaProgrammazione(QByteArrayView linea, bool immagine)
{
    QByteArray r;
    const qsizetype lung = linea.size() + 2;
    if (immagine && lung < LungRigaImmagine)
        r.fill('0', LungRigaImmagine - lung);
    r.append(linea.data(), linea.size());
    r.append("\r\n", 2);
    return r;
}

QString DidascaliaConRecord(const QString& didascalia, int n)
{
    if (didascalia.size() < 6)
        return didascalia;
    const QString cifre = QString::number(n).right(5).rightJustified(5, QLatin1Char(' '));
    QString r = didascalia;
    r.replace(r.size() - 6, 5, cifre);
    return r;
}

int MessaggioErroreFlash(QByteArrayView codice)
{
    static constexpr struct { const char* codice; int messaggio; } tabella[] = {
        {"ce", 219}, {"ee", 237}, {"es", 238}, {"rr", 176}, {"er", 177}, {"ed", 178},
    };
    for (const auto& t : tabella)
        if (codice == QByteArrayView(t.codice))
            return t.messaggio;
    return 0;
}

bool FileProgrammazioneAperto() { return g_file != nullptr; }

void RispostaProgrammazione(const QByteArray& riga)
{
    if (Link.FaseCom != FASE_PROGRAMMAZIONE_SW && Link.FaseCom != FASE_PROGRAMMAZIONE_ULP)
        return;
    if (riga.size() < 3)
        return;
    const QByteArrayView codice = QByteArrayView(riga).sliced(1, 2);
    if (codice == "l0")
        Apertura();
    else if (codice == "W0")
        Successiva();
    else if (codice == "ok")
        Completata();
    else if (const int m = MessaggioErroreFlash(codice))
        FineConErrore(m);
}

void ChiudoFileProgrammazione()
{
    if (g_file) {
        g_file->close();
        g_file.reset();
    }
}
