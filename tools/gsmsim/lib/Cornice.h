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

// Reads frames and bare replies out of a byte stream. Bytes outside a frame are the
// program's replies ("s00ok", "ft1ko01" ...) or modem text.
class Lettore {
public:
    void aggiungi(const QByteArray& dati);
    QList<TramaLetta> trame;      // complete frames, oldest first (take them out)
    QByteArray fuori;             // bytes outside frames not yet taken
private:
    bool m_inTrama = false;
    bool m_esc = false;
    QByteArray m_corpo;
};

// Takes the first complete reply ("xyzok" or "xyzko01") from the front of fuori, skipping
// anything before a letter; empty when none is complete yet.
QByteArray EstraiRisposta(QByteArray& fuori);

} // namespace gsmsim
