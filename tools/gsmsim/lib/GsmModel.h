#pragma once
// A Hayes modem with the assistance station behind it, as bytes in and out on a clock:
// the program's writes go to ricevi(), avanza(ms) moves the clock on and returns what the
// modem sends. Tests run it in-process; gsmsim runs it on a pseudo-terminal.
//
// Modem: command mode up to CR, echo until "ATE0"; "ATZ" (echo on again) and "ATE0" answer
// OK; "ATD<number>" answers after ritardoMs with CONNECT 9600, BUSY, NO CARRIER or nothing;
// every command can be made to answer ERROR or nothing. In data mode the bytes go to the
// station; a carrier drop sends NO CARRIER and returns to command mode.
// Station: answers the identity message with its i00 text (or not), keeps the relayed
// frames, plays stop-and-wait exchanges (one frame, then the program's framed reply, then
// the next) and checks the check byte of everything the program frames. A reply must come
// framed with a good check byte; bytes outside a frame (a bare "s00ok") are a protocol
// error that is logged and not answered, as is a reply whose check byte is wrong.
#include "gsmsim/lib/Cornice.h"

#include <QByteArray>
#include <QList>
#include <optional>

namespace gsmsim {

enum class Esito { Connect, Busy, NoCarrier, Nessuno };

struct OpzioniModem {
    Esito esito = Esito::Connect;
    int ritardoMs = 1500;          // from ATD to the call's result
    bool errore = false;           // every command answers ERROR
    bool silenzio = false;         // no command is answered
};

struct Guasti {
    QByteArray rumore;             // bytes sent before every frame
    bool unByteAllaVolta = false;  // the line gives one byte per clock step
    bool dueTrame = false;         // two frames of an exchange in one write
    int pausaPrima = -1;           // index of the exchange frame sent late ...
    int pausaMs = 0;               // ... by this long
    int cadutaDopo = -1;           // the carrier drops after the reply to this frame
    int silenzioDopo = -1;         // the exchange stops after the reply to this frame
};

// One line of the timed log: '<' from the program, '>' to the program, '!' an event.
struct Voce {
    qint64 ms = 0;
    char verso = '!';
    QByteArray testo;
};

class GsmModel {
public:
    OpzioniModem modem;
    Guasti guasti;
    std::optional<QByteArray> rispostaIdentita = QByteArray("OK"); // nothing when empty
    int ritardoRispostaMs = 50;

    void ricevi(const QByteArray& dati);
    QByteArray avanza(int ms);

    // The program closed the port: the call ends, the modem is reset.
    void riaggancio();
    // The carrier is lost while connected.
    void cadutaPortante();
    // Starts an exchange (frame texts, sent one per reply). False when not connected.
    bool avviaScambio(const QList<QByteArray>& testi);

    bool connesso() const { return m_dati; }
    bool scambioInCorso() const { return m_indice < m_scambio.size() || m_attese > 0; }
    qint64 ms() const { return m_ms; }

    // What the station saw.
    QList<QByteArray> identita;       // identity messages ("I00 ...")
    QList<QByteArray> relay;          // relayed live records
    QList<QByteArray> risposte;       // the program's framed replies, in order
    QList<QByteArray> comandi;        // modem command lines (without CR)
    int controlliErrati = 0;          // frames whose check byte did not match
    int erroriProtocollo = 0;         // reads that held bytes outside a frame
    const QList<Voce>& registro() const { return m_registro; }

private:
    void log(char verso, const QByteArray& testo);
    void comando(const QByteArray& riga);
    void programma(qint64 dopoMs, const QByteArray& dati);
    void inviaProssimo();
    // Both false when the carrier dropped and the rest of the read is lost.
    bool trama(const TramaLetta& t);
    bool risposta(const QByteArray& testo);

    qint64 m_ms = 0;
    bool m_dati = false;
    bool m_eco = true;
    QByteArray m_riga;
    qint64 m_esitoAlle = -1;
    struct Invio { qint64 alle; QByteArray dati; };
    QList<Invio> m_coda;
    QByteArray m_linea;
    Lettore m_lettore;
    QList<QByteArray> m_scambio;
    qsizetype m_indice = 0;
    int m_attese = 0;
    int m_rispostaNumero = -1;
    QList<Voce> m_registro;
};

// ---- exchanges built from real files ----

// The 208 characters of the catalogue record message: make (20), the 180-character
// catalogue record, the map name (8), each cut or blank-padded.
QByteArray RecordAggMarca(const QByteArray& marca, const QByteArray& record, const QByteArray& mappa);
// A catalogue transfer with a map of values: S00, FT0, FT1 blocks of perBlocco values and
// FT9 last, FL0/FL1 lines and FL9 last (each line with one trailing byte), S01.
QList<QByteArray> ScambioCatalogo(const QByteArray& record208, const QList<QByteArray>& valori, int perBlocco,
                                  const QList<QByteArray>& limiti);
// The same with an S-record map: one FT2 per line, FT8 last.
QList<QByteArray> ScambioCatalogoS19(const QByteArray& record208, const QList<QByteArray>& righe,
                                     const QList<QByteArray>& limiti);
// The software's records in the inner encoding: "S" and the type digit plain, every
// further byte raw, "S" and ESC as ESC and the byte + 32.
QByteArray CodificaS19(const QList<QByteArray>& righe);
// A software transfer: S00, FP0 name, FP1 blocks of perBlocco encoded bytes, FP9, S01.
QList<QByteArray> ScambioSoftware(const QByteArray& nome, const QList<QByteArray>& righe, int perBlocco,
                                  const QByteArray& descrizione);
// Lines of a text file (CR LF or LF), without empty last line.
QList<QByteArray> Righe(const QByteArray& testo);

} // namespace gsmsim
