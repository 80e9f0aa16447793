#pragma once
// Module state of the remote-assistance link over the GSM modem, and the frame codec of
// the messages exchanged with the assistance station.
#include <QByteArray>
#include <QString>
#include <functional>

// Modem dialogue and remote-exchange states.
constexpr int GSM_CONNESSO = -1;          // idle; connected and relaying while GSMattivo
constexpr int GSM_ATTESA_ATZ = 1;         // "ATZ" sent, "OK" awaited
constexpr int GSM_ATTESA_ATE0 = 2;        // "ATE0" sent, "OK" awaited
constexpr int GSM_CHIAMATA = 3;           // "ATD" sent, the call result awaited
constexpr int GSM_ATTESA_IDENTITA = 10;   // "I00" sent, waiting for the station's answer
constexpr int GSM_SCAMBIO = 1000;         // remote exchange open
constexpr int GSM_BLOCCHI_MAPPA = 1001;   // map blocks awaited
constexpr int GSM_RIGHE_LIMITI = 1002;    // limits lines awaited
constexpr int GSM_AGGIORNAMENTO = 1004;   // update being applied
constexpr int GSM_BLOCCHI_SOFTWARE = 1010; // software blocks awaited

// Watchdog intervals of the modem dialogue (ms).
constexpr int MS_COMANDO_MODEM = 5000;    // "ATZ", "ATE0", "I00"
constexpr int MS_CHIAMATA = 30000;        // "ATD"
constexpr int MS_SCAMBIO = 10000;         // each command of a remote exchange

inline bool InDialogoModem(int stato) { return stato >= GSM_ATTESA_ATZ && stato <= 5; }
inline bool InScambioRemoto(int stato) { return stato >= GSM_SCAMBIO && stato <= GSM_BLOCCHI_SOFTWARE; }

struct StatoGSMRec {
    bool GSMattivo = false;      // a call to the assistance station is up
    int StatoGSM = GSM_CONNESSO; // state of the modem dialogue
    bool InvioGSM = false;       // the relay waits for the station's answer
    bool PrimoInvioGSM = false;  // the identity message is still to be sent
    QByteArray BufferGSM;        // modem bytes not yet consumed
    QString Telefono;            // number of the assistance station ("" = none configured)
    // Software transfer: the received name (relative to SOFTWARE, "\" separated, without
    // extension; empty when the last FP0 was refused or the transfer ended), the blocks
    // received and the software bytes not yet converted.
    QString FileProgrammazione;
    int NumLinea = 0;
    QByteArray BufferS19;
    // Catalogue transfer: the FT0 of this exchange staged its record (only then does FL9
    // apply an update), and what stopped it: the file and the system's reason, "" when
    // nothing did (shown again when FL9 ends the exchange).
    bool AggMarcaRicevuto = false;
    QString Blocker;
    // The map's blocks: the next one starts TEMPOR\FILEQOX.NEW afresh (set by every FT0,
    // cleared by the first block written); the number the next one must carry (-1 before the
    // first, which is 000 or 001; 999 is followed by 000); the last one (FT9, FT8) has been
    // staged in that order. Only a map staged whole, every block once and in order, is applied.
    bool MappaDaIniziare = false;
    int NextBlock = -1;
    bool MapWhole = false;
    // The limits lines and the software blocks carry no numbers: one refused may come again,
    // as the next frame, and the transfer is whole only then (set by FT0 and FP0). The frame
    // sent again is the refused one but for the control bytes the line may have put in it.
    struct Resend {
        QByteArray refused;   // the frame last refused, "" when none is waiting
        bool whole = true;    // no refused frame went without being sent again
        // Before each frame of the transfer is handled: whether it is the one refused.
        void Arrives(const QByteArray& frame)
        {
            if (!refused.isEmpty() && !SentAgain(frame))
                whole = false;
            refused.clear();
        }
        bool SentAgain(const QByteArray& frame) const
        {
            if (frame.size() != refused.size())
                return false;
            for (qsizetype i = 0; i < frame.size(); ++i) {
                const unsigned char c = static_cast<unsigned char>(refused[i]);
                if (c >= 32 && c != 127 && frame[i] != refused[i])
                    return false;
            }
            return true;
        }
        void Handled(const QByteArray& frame, bool ok) { refused = ok ? QByteArray() : frame; }
        bool Whole() const { return whole && refused.isEmpty(); }
    };
    Resend LimitsLines, SoftwareBlocks;

    // The receive buffer never holds more than this.
    static constexpr qsizetype MaxBufferGSM = 64 * 1024;

    void reset() { *this = StatoGSMRec(); }
};

extern StatoGSMRec GSM;

// The check character: the XOR of all bytes of the text (0 for an empty text).
char CalcoloXor(const QByteArray& testo);
// Every byte 2, 3 or 27 written as ESC and the byte + 32.
QByteArray InseriscoEscape(const QByteArray& testo);
// STX, the escaped text followed by its check character, then ETX.
QByteArray PreparoMessaggioGSM(const QByteArray& testo);

// Closes the modem port when it is open; the call to the station is over in any case
// (used when the vehicle and live-data screens close).
void ChiudoPortaGSM();

// Whether the modem port is open, and writing to it. A test writer installed with
// ImpostaModemDiProva stands for an open modem port and receives every write.
bool ModemAperto();
void ScrivoModem(const QByteArray& dati);
void ImpostaModemDiProva(std::function<void(const QByteArray&)> scrittore);
