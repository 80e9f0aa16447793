#pragma once
// Module state of the remote-assistance link over the GSM modem, and the frame builder
// of the messages sent to the assistance station.
#include <QByteArray>
#include <QString>
#include <functional>

// Modem dialogue states used by the live-data relay.
constexpr int GSM_CONNESSO = -1;          // connected and idle
constexpr int GSM_ATTESA_IDENTITA = 10;   // "I00" sent, waiting for the station's answer

struct StatoGSMRec {
    bool GSMattivo = false;      // a call to the assistance station is up
    int StatoGSM = GSM_CONNESSO; // state of the modem dialogue
    bool InvioGSM = false;       // the relay waits for the station's answer
    bool PrimoInvioGSM = false;  // the identity message is still to be sent
    QByteArray BufferGSM;        // modem bytes not yet consumed
    QString Telefono;            // number of the assistance station ("" = none configured)

    void reset() { *this = StatoGSMRec(); }
};

extern StatoGSMRec GSM;

// STX, the text followed by its check character (XOR of all its bytes), every byte 2, 3
// or 27 of both written as ESC and the byte + 32, then ETX.
QByteArray PreparoMessaggioGSM(const QByteArray& testo);



// Closes the modem port when it is open; the call to the station is over in any case
// (used when the vehicle and live-data screens close).
void ChiudoPortaGSM();

// Whether the modem port is open, and writing to it. A test writer installed with
// ImpostaModemDiProva stands for an open modem port and receives every write.
bool ModemAperto();
void ScrivoModem(const QByteArray& dati);
void ImpostaModemDiProva(std::function<void(const QByteArray&)> scrittore);
