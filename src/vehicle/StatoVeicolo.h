#pragma once
// Module state of the vehicle screen shared with the ECU link.
#include <QString>

struct StatoVeicoloRec {
    QString DirPersonal;   // folder of the vehicle's personalised maps ("" = no vehicle)
    QString FileTabella;   // working value file of the data image
    void reset() { *this = StatoVeicoloRec(); }
};

extern StatoVeicoloRec StatoVeicolo;

// Sets DirPersonal from the loaded card's plate (StatoCatalogo.Cliente) and the ECU software
// generation: the plate's folder below PERSONALIZZATE for the older software ("" when no
// plate is loaded or the plate cannot name a folder), the program folder for the newer one.
// Run by every card load and by every identification that decides SwVecchio.
void ImpostoDirPersonal();
