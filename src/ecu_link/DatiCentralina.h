#pragma once
// The ECU identity record: what the connected gas ECU reported in its last identification
// reply. One instance for the whole program.
#include <QByteArray>
#include <QDate>
#include <QString>
#include <optional>

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

// ---- Identification replies -------------------------------------------------------

// Error bits of a complete identification reply (R8); 0 = every examined field is sound.
constexpr int ErroreTipo = 1;             // ECU type, positions 12-13
constexpr int ErroreDataInstallazione = 2; // positions 4-11
constexpr int ErroreDataRevisione = 4;     // positions 14-21
constexpr int ErroreTipoInstallazione = 8; // positions 22-23
constexpr int ErroriRispostaBreve = 14;    // a short reply carries no dates, no type

// The day number of 01/01/1900 (days counted from 30/12/1899): no date stored in the ECU.
constexpr double DataNessuna = 2.0;

int ControlloDatiCentralina(const QByteArray& risposta);

// True (older generation) unless the ECU type is 2 or more and the software version has
// the major "00", "02" with a minor of "50" or more, or a major above "02".
bool ControlloVersioneSW();

// Text helpers of the identification (positions from 1, as in the reply layouts).
QByteArray Mid(const QByteArray& t, int posizione, int lunghezza);
// Text that converts to a number as a whole (blanks around it allowed).
bool Numerico(const QByteArray& t);
// The number the text begins with, every blank dropped first ("1 2" is 12): a sign, digits
// and one decimal point; 0 when none.
double Val(const QByteArray& t);
// Val rounded to a 16-bit integer (halves to even).
int ValIntero(const QByteArray& t);
// ddmmyyyy read day first; nothing when it is not a valid date.
std::optional<QDate> DataGGMMAAAA(const QByteArray& t);
double GiorniDaData(const QDate& d);
QDate DataDaGiorni(double giorni);

// The loader version as stored: characters 1-3, 8-9, 4-7 of the received field.
QString RiordinoVersione(const QString& campo);
// The software version as shown: reordered like the loader version when it has exactly
// 9 characters without surrounding blanks, otherwise as stored.
QString VersioneSwVisualizzata();

// Short reply R4: serial, batch, versions; the ECU type is set by the caller's rule.
void DecodificoRispostaBreve(const QByteArray& risposta);
// Complete reply R8 guarded by its error bits (ErroriDati must hold them). With
// tipiNonProtetti the ECU type and installation type are taken whatever the bits say.
void DecodificoRispostaCompleta(const QByteArray& risposta, bool tipiNonProtetti = false);
