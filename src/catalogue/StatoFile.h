#pragma once
// Module state of the map and software files that other screens share: the programming
// image being sent with its line count, and the parameter text of the current map. (The
// working value file of the table upload belongs to the vehicle screen's state.)
#include <QString>

struct StatoFileRec {
    QString FileProgrammazione;  // programming image (or software file) sent line by line
    int NumLinea = 0;            // lines of FileProgrammazione sent so far
    QString StringaParametri;    // 28-character parameter text + 6-character type field

    void reset() { *this = StatoFileRec(); }
};

extern StatoFileRec StatoFile;
