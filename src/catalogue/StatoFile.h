#pragma once
// Module state of the map and software files that other screens share: the programming
// image being sent with its line count, and the parameter text of the current map. (The
// working value file of the table upload belongs to the vehicle screen's state.)
#include <QString>

struct StatoFileRec {
    QString FileProgrammazione;  // programming image (or software file) sent line by line
    int NumLinea = 0;            // lines of FileProgrammazione sent so far
    // The ECU's personalisation parameters as the tank screen sends them back: the 28
    // characters of the vehicle's parameter text with the values of the last Rfn reply
    // written in, then the reply's 6-character type field (34 characters); "120029500"
    // after an Rfr reply.
    QString ParSerbatoio;

    void reset() { *this = StatoFileRec(); }
};

extern StatoFileRec StatoFile;
