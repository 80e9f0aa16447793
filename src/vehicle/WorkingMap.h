#pragma once
// The working map file of a configuration send: the car's standard map copied beside it as
// <map>.APP, normalised, with the vehicle's personal records and the overhaul date patched
// in. The reply processor builds the data image from it.
#include <QString>

struct FileTabellaDati {
    QString dirCentralina;     // catalogue slot folder with the standard map
    QString dirPersonal;       // vehicle folder with the personal map
    bool personalizzata = false;
    QString giorno, mese, anno;   // last overhaul date as typed
    int tipoInstallazione = 0;
};

// The 14 records a personalised installation takes from the personal map, in copy order.
inline constexpr int RecordPersonali[14] = {2775, 2690, 2706, 2776, 2691, 2777, 2692,
                                            2654, 2784, 2700, 2785, 2701, 2786, 2702};
// Records the personal map must reach, and the working file.
inline constexpr int MinimoRecordPersonali = 2786;
inline constexpr int MinimoRecordTabella = 2827;

// Builds the working file (name from NomeMappa(): MOTORO<nn> or METANO<nn>, extension
// ".APP", in the vehicle folder when personalised, else in the slot folder). Returns true
// with its path in fileTabella and the map version of record 2827 in versione; false when
// a map is missing, unreadable or short, or a write fails (the caller shows message 211).
bool PreparoFileTabella(const FileTabellaDati& dati, QString& fileTabella, QString& versione);
