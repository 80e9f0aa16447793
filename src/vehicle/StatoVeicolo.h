#pragma once
// Module state of the vehicle screen shared with the ECU link, the card's record writer and
// the screens opened from it.
#include <QString>

struct StatoVeicoloRec {
    QString DirPersonal;   // folder of the vehicle's personalised maps ("" = no vehicle)
    QString FileTabella;   // working value file of the data image
    bool NuovoCliente = false;     // the plate on the card has no record yet
    qint64 SegnoCliente = 0;       // bookmark of the card's record
    bool ClienteCaricato = false;  // the plate box holds text
    QString TargaCorrente;         // plate last confirmed with Enter, trimmed, upper case
    // The car chosen from the catalogue, fixed width (blank padded).
    QString MarcaAuto;             // 15
    QString ModelloAuto;           // 12
    QString CentrBenzina;          // 25
    int IndiceCentrBenz = -1;
    QString CentralinaSel;         // 12: "CENTRAL" and the slot number
    QString ModValvola;            // 25
    int TipoTab = 0;               // 1: catalogue of the TEMPOR staging folder
    QString DirValvole;            // <PathApp>/VALVOLE/MODEL_<n>, "" none
    int ModoAggiorna = 0;          // what the programming screen updates: 0 ECU software, 1 loader
    void reset() { *this = StatoVeicoloRec(); }
};

extern StatoVeicoloRec StatoVeicolo;

// Sets DirPersonal from the loaded card's plate (StatoCatalogo.Cliente) and the ECU software
// generation: the plate's folder below PERSONALIZZATE for the older software ("" when no
// plate is loaded or the plate cannot name a folder), the program folder for the newer one.
// Run by every card load and by every identification that decides SwVecchio.
void ImpostoDirPersonal();
