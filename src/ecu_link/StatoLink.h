#pragma once
// Module state of the ECU link: the request in progress, the link flags and the two line
// buffers. One instance for the whole program; tests call reset().
#include <QByteArray>
#include <QString>
#include <functional>

#include "ecu_link/Protocol.h"

struct StatoLinkRec {
    int FaseCom = FASE_LIBERA;   // request whose reply is awaited
    bool Collegato = false;      // the link is established (good identification)
    bool InterrogoDati = false;  // the next live frame asks for the identity ("MUB")
    bool DatiRicevuti = false;   // live frames arrived since the link was started
    bool TarMPattivo = false;    // the MAP/TPS view is open: DT frames go to it
    QByteArray BufferRx;         // received bytes not yet cut into lines
    QByteArray BufferTx;         // last command line kept by a sender
    // The receive buffer never holds more than this unterminated tail.
    static constexpr int MaxBufferRx = 64 * 1024;

    void reset() { *this = StatoLinkRec(); }
};

extern StatoLinkRec Link;

// Writes a line to the ECU port. Every writer of the link goes through here.
void ScrivoCentralina(const QByteArray& riga);
// Writes one command to the ECU port as a line (the command and CR LF).
void Comando(const QByteArray& comando);

// Test seam: when set, every line written to the ECU port is handed to it as well.
void ImpostaOsservatoreUscita(std::function<void(const QByteArray&)> osservatore);

// Connects the ECU port's receive event to the receive path (once).
void CollegoRicezione();
