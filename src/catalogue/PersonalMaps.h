#pragma once
// Standard and personalised vehicle maps. The standard map MOTORO<nn>.QOX (LPG) or
// METANO<nn>.QOX (methane) lies in the catalogue slot folder DirCentralina; a vehicle's
// personalised copy and the map read back from its ECU (.PRG) lie in
// <PathApp>/PERSONALIZZATE/<plate>. <nn> is the ECU type as two digits.
//
// State read: StatoCatalogo (TipoGas, TipoInstallazione, DirCentralina, Cliente) and
// DatiCentralina (TipoCentralina, TipoInstCentr).
#include <QString>

// Text of a "map file not found" message (191, 192, 249, 250) with the two-digit ECU type
// inserted before its first ".QOX"; a translation without ".QOX" stays as it is.
QString TestoMappaMancante(int n);

// Caption of a map type: message 119 "Personalised" for 1, message 118 "Standard" otherwise.
QString DescrizioneTipoMappa(int tipo);

// The plate as a folder name: the trimmed plate upper-cased when it is 1 to 10 letters or
// digits, otherwise "" (no vehicle: no file is touched).
QString TargaCartella(const QString& targa);

// <PathApp>/PERSONALIZZATE/<plate>, or "" when the plate is not a folder name.
QString CartellaVeicolo();

// Map name without extension: MOTORO<nn>, or METANO<nn> for methane.
QString NomeMappa();

// Tipo 1 prepares the vehicle's personalised map (a copy of the standard map when the
// vehicle has none) and returns its full path in testo; any other tipo removes the vehicle
// folder. Failures are reported with a message box and give false.
bool CreoMappePersonali(QString& testo, int tipo);

// True when the map the current installation type needs exists; otherwise reports which
// one is missing (or that the ECU type is not usable) and returns false.
bool ControlloMappePersonali();

// Removes the personalised files that the current installation type makes obsolete.
// Never reports; a failing step is passed over.
void CancelloMappePersonali();

// Adopts the installation type reported by the ECU (0 or 1): type 0 removes the vehicle
// folder, type 1 makes the map read back from the ECU the vehicle's personalised map.
void ImpostoTipoInstallazione();
