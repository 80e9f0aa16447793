#pragma once
// The limits file "LIMITI.TXT" of a model's catalogue folder: the ranges the personalisation
// screen checks its values against and the pressure calibration checks the pressure read.
//
// One record per line: a label, ";", the lower limit, ";", the upper limit, ";"; anything
// after the third ";" is ignored. Lines 1-3 limit threshold, drooping and temperature,
// line 4 the pressure reading.
#include <QList>
#include <QString>

struct RigaLimiti {
    int campi = 0;        // how many of the three ";" the line holds (0 to 3)
    double minimo = 0;    // valid when campi >= 2
    double massimo = 0;   // valid when campi >= 3
};
struct FileLimiti {
    bool esiste = false;
    QList<RigaLimiti> righe;  // the lines read, at most the number asked for
};
// Reads the first `righe` records of the limits file (bytes, C locale; each limit is the
// number its text begins with). A missing file gives esiste = false; a read error keeps
// what was read.
FileLimiti LeggoFileLimiti(const QString& percorso, int righe);
