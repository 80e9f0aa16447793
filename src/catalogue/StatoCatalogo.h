#pragma once
// Module state of the catalogue and map subsystem that the vehicle screen fills: the fuel,
// the installation (map) type, the catalogue slot folder of the chosen car and the plate.
// The ECU type and the installation type reported by the ECU live in DatiCentralina.
#include <QString>
#include <functional>

struct StatoCatalogoRec {
    int TipoGas = -1;             // 0 LPG, 1 methane, -1 none chosen
    int TipoInstallazione = -1;   // 0 standard, 1 personalised, -1 none yet
    QString DirCentralina;        // catalogue slot folder of the chosen car (full path)
    QString Cliente;              // plate of the card loaded on the vehicle screen (set by each
                                  // load and each successful save, never by typing)
    // Caption of the map-type label TipoInst of the vehicle screen; installed by the vehicle
    // screen while it is loaded, empty otherwise.
    std::function<void(const QString&)> MostroTipoInst;

    void reset() { *this = StatoCatalogoRec(); }
};

extern StatoCatalogoRec StatoCatalogo;
