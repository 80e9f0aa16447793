#pragma once
// The station's side of the frame format, kept apart from the program's codec so each
// checks the other: STX, the body (text and its XOR check byte) with the bytes STX, ETX
// and ESC written as ESC and the byte + 0x20, then ETX.
#include <QByteArray>
#include <QList>

namespace gsmsim {

QByteArray Cornice(const QByteArray& testo);

// One frame as the station read it.
struct TramaLetta {
    QByteArray testo;        // the text without its check byte
    bool controlloOk = true; // the check byte matched
};

// Reads frames out of a byte stream. Once the call is up the program sends nothing but
// frames, so whatever lies outside one (a bare reply, a frame cut short by the next STX)
// is kept apart for the station to report.
class Lettore {
public:
    void aggiungi(const QByteArray& dati);
    QList<TramaLetta> trame;      // complete frames, oldest first (take them out)
    QByteArray fuori;             // bytes outside frames not yet taken
private:
    bool m_inTrama = false;
    bool m_esc = false;
    QByteArray m_corpo;
    QByteArray m_grezzo;          // the current frame as it came, from its STX
};

// True for the text of a reply: a command code in lower case (a letter and two letters
// or digits) followed by "ok" or "ko01", as in "s00ok" or "ft1ko01".
bool ERisposta(const QByteArray& testo);

} // namespace gsmsim
