#pragma once
// Module state of the vehicle screen shared with the ECU link.
#include <QString>

struct StatoVeicoloRec {
    QString DirPersonal;   // folder of the vehicle's personalised maps ("" = no vehicle)
    QString FileTabella;   // working value file of the data image
    void reset() { *this = StatoVeicoloRec(); }
};

extern StatoVeicoloRec StatoVeicolo;
