#pragma once
// The ECU identity record: what the connected gas ECU reported in its last identification
// reply. One instance for the whole program.
#include <QString>

struct DatiCentralinaRec {
    int TipoCentralina = -1;          // ECU type nn, -1 = none
    bool SwVecchio = true;            // older software generation
    int ErroriDati = 0;               // error bits of the last complete reply (14 after a short one)
    double DataInstallazione = -700000.0;  // days from 30/12/1899; 01/01/1900 none stored; 0 invalid
    double DataRevCentr = -700000.0;
    int TipoInstCentr = 0;            // 0 standard map, 1 personalised map stored in the ECU
    QString Matricola = QString(8, QLatin1Char(' '));
    QString Lotto = QString(6, QLatin1Char(' '));
    QString VersioneSw = QString(9, QLatin1Char(' '));
    QString VersioneCaric = QString(9, QLatin1Char(' '));
    QString VersioneTabCentr = QString(6, QLatin1Char(' '));

    void reset() { *this = DatiCentralinaRec(); }
};

extern DatiCentralinaRec DatiCentralina;

// Puts the identity record into its reset state.
void AzzeroDatiCentralina();

// Left-justified copy into a fixed-length string: padded with blanks or cut.
QString Fisso(const QString& valore, int lunghezza);
