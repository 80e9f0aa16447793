#pragma once
// The live-frame codec. A live record travels as text (DC: 14 fields of 8 characters, each
// followed by ",", then the fuel character, CR LF: 131 characters) or as binary (DB: 14
// big-endian signed 16-bit words and the fuel character, stuffed so that no "D", "B",
// ESC, CR or LF appears inside, then CR LF).
#include <QByteArray>

constexpr char ESC = 27;

// Stuffing: "D", "B", ESC, CR and LF become ESC and the byte + 32.
QByteArray CodificoDati(const QByteArray& testo);

// Removes the stuffing; "" when the text is malformed: an ESC followed by a byte below
// 0x20, or an ESC as the last byte.
QByteArray TolgoEscape(const QByteArray& testo);

// Unstuffed binary record ("DB", 28 bytes of words, the fuel byte) to the 131-character
// text record; 130 characters without the fuel byte when the input ends at the words;
// "" when it is shorter than 30 bytes.
QByteArray ConvertoDatiBinari(const QByteArray& binario);

// The 131-character text record to a complete DB frame: "DB", the stuffed 29 bytes (each
// field times its divisor, rounded with halves to even, low 16 bits high byte first, then
// the fuel character), CR LF. A value beyond 16 bits keeps its low 16 bits.
QByteArray ConvertoDatiTesto(const QByteArray& testo);

// The identity message "I00" (62 characters) sent to the assistance station before any
// relayed frame, from the identity record.
QByteArray MessaggioIdentita();
