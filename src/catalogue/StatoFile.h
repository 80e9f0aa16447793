#pragma once
// Module state of the map and software files that other screens share: the working value
// file of the table upload, the programming image being sent with its line count, and the
// parameter text of the current map.
#include <QString>

struct StatoFileRec {
    QString FileTabella;         // working value file from which the data image is built
    QString FileProgrammazione;  // programming image (or software file) sent line by line
    int NumLinea = 0;            // lines of FileProgrammazione sent so far
    QString StringaParametri;    // 28-character parameter text + 6-character type field

    void reset() { *this = StatoFileRec(); }
};

extern StatoFileRec StatoFile;
