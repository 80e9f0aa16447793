#pragma once
// Flash programming: the pure parts of the line-by-line transfer, shared by the reply
// branch, its tests and the benchmarks.
#include <QByteArray>
#include <QByteArrayView>
#include <QString>

// The line written to the ECU for a line of the programming file (without its line end):
// the line and CR LF; for the programming image (immagine true) a line shorter than 255
// characters with its CR LF is padded on the left with "0" to exactly 255.
QByteArray RigaProgrammazione(QByteArrayView linea, bool immagine);

// A progress caption ending "(record      )" with the 5 characters before its last one
// replaced by the last 5 digits of n, right-justified. A caption of fewer than 6
// characters is returned as it is.
QString DidascaliaConRecord(const QString& didascalia, int n);

// The reply code's message: 219 "ce", 237 "ee", 238 "es", 176 "rr", 177 "er", 178 "ed";
// 0 for any other code.
int MessaggioErroreFlash(QByteArrayView codice);

// Whether the programming file is open (between "l0" and the end of the transfer).
bool FileProgrammazioneAperto();
