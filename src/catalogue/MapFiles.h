#pragma once
// Map value files and the ECU data image.
//
// A map value file holds one decimal value per line (CR LF); a line whose first non-blank
// character is "*" is a comment. In the normalised form every line is exactly 6 characters
// plus CR LF, so line n is the 8-byte record n, holding the ECU word at 0x4002 + 2(n - 1).
// The 6 characters are the value right-aligned and padded with "0"; a negative value keeps
// its minus sign after the zeros ("0000-1") or in front ("-00001").
//
// The data image is 2,850 values of 6 characters (17,100 bytes) sent to the older ECUs:
// the vehicle's map with the PWM table (values 2003-2604) and the PCM table (2605-2630)
// of the chosen injector rail put in place.
#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>
#include <utility>

namespace MappaValori {
constexpr int LunghezzaRecord = 8;
constexpr int NumeroValori = 2850;
constexpr int LunghezzaImmagine = NumeroValori * 6;
constexpr int MinimoValori = 2827;          // up to the map version record
constexpr int PrimoPWM = 2003, UltimoPWM = 2604;
constexpr int PrimoPCM = 2605, UltimoPCM = 2630;
constexpr int RigheTabellaPWM = UltimoPWM - PrimoPWM + 1;  // 602
constexpr int RigheTabellaPCM = UltimoPCM - PrimoPCM + 1;  // 26
constexpr int RecordVersione = 2827;
} // namespace MappaValori

// ---- small text helpers shared by the map, S-record and software files ----

// The lines of a text: split at LF, a CR before the LF dropped; a final line end does not
// start another line.
QList<QByteArrayView> RigheTesto(const QByteArray& testo);

// The text without leading and trailing blanks (spaces and tabs).
QByteArrayView TrimBlank(QByteArrayView t);

// The number the text begins with, leading blanks skipped (0 when there is none).
double Val(QByteArrayView t);
// The text of that number (sign, digits, "." and decimals as written), or "" when the text
// does not begin with one. Val reads exactly these characters.
QByteArrayView PrefissoNumero(QByteArrayView t);

// The value of one hex digit (either case), -1 for any other character.
int CifraEsa(char c);


// The path with its last component looked up without regard to case (exact name first).
QString TrovoFile(const QString& percorso);

// ---- value lines ----

// The value of one line: from the first "-" to the end when there is one ("0000-1" is -1),
// else the whole line.
double ValoreConSegno(QByteArrayView riga);
double ValoreConSegno(const QString& riga);
inline double ValoreConSegno(const QByteArray& riga) { return ValoreConSegno(QByteArrayView(riga)); }
inline double ValoreConSegno(const char* riga) { return ValoreConSegno(QByteArrayView(riga)); }

// The 6-character stored form of one line: Right("000000" & Trim(line), 6). A line longer
// than 6 characters is accepted only when it is a whole number whose text without leading
// zeros (sign kept) fits ("0000125" gives "000125"); anything else is refused, never cut.
bool NormalizzoValore(QByteArrayView riga, QByteArray& valore);

// True when the trimmed text is a whole number as stored in value files: optional leading
// zeros, an optional sign, then digits ("125", "-1", "0000-1", "-00001").
bool TestoNumerico(QByteArrayView riga);

// The normalised text of a value file: comments dropped, every other line in its 6-character
// form with CR LF. False when a line cannot be stored in 6 characters.
bool NormalizzoTesto(const QByteArray& testo, QByteArray& normalizzato);

// Normalises the value file in place through an atomic replace. 0 on success, -1 when the
// file cannot be read, a value does not fit in 6 characters or the file cannot be written;
// on -1 the file is left as it was.
int FormattoFile(const QString& nomeFile);

// ---- records of a normalised file ----

// The 6 characters of record n (from 1) of a normalised file's bytes; false when the
// record is not wholly in the file.
bool LeggoRecordMappa(const QByteArray& dati, int n, QByteArray& valore);
bool LeggoRecordMappa(const QString& nomeFile, int n, QByteArray& valore);

// Replaces characters 1-6 of the given records (value text in its 6-character form, see
// NormalizzoValore) and writes the file back in one atomic replace, leaving every line end
// in place. False, with the file untouched, when a record lies beyond the end of the file,
// a value does not fit or the file cannot be read or written.
bool ScrivoRecordMappa(const QString& nomeFile, const QList<std::pair<int, QByteArray>>& valori);

// ---- data image ----

// The 17,100-character data image from the texts of a value file and of the PWM and PCM
// tables, or "" when it cannot be built: fewer than 2,827 value lines, a table too short,
// a table line that is not a number, or a value that does not fit in 6 characters.
QByteArray ImmagineDati(const QByteArray& mappa, const QByteArray& tabellaPWM,
                        const QByteArray& tabellaPCM);

// The PWM ("TABPWM", "PWM") or PCM ("TABPCM", "PCM") table file of a rail folder:
// TABPWM<nn>.PWM, or TABPWM.PWM for ECU type 1 when the numbered one is missing; "" when
// neither exists or no rail folder is given.
QString TrovoTabella(const QString& dirValvole, const QString& radice, const QString& estensione,
                     int tipoCentralina);

// The data image for value file nomeFile with the tables of rail folder dirValvole,
// or "" when it cannot be built (missing files included).
QByteArray ComponoDati(const QString& nomeFile, int tipoCentralina, const QString& dirValvole);

// ---- parameter text ----

// The nine personalisation parameters as a 28-character text (tank minimum 1-4, tank
// maximum 5-8, changeover switch 9, changeover temperature 10-11, forced gas 12,
// changeover threshold 13-16, drooping 17-20, sampling number 21-24, ninth parameter 25-28).
QString ParametriPredefiniti();

// The parameter text from a normalised value file's bytes (records 2700, 2701, 2706, 2654,
// 2690, 2691, 2692, 2702, 75); missing records keep their defaults. The two flags read "0"
// unless their value is 0 or 1.
QString ParametriDaRecord(const QByteArray& dati);

// The parameter text from an S-record map: the words of the records at 0x548E and 0x54E2.
// The defaults when the file does not carry them readably.
QString ParametriDaF19(const QByteArray& dati);

// The parameter text of the vehicle's current map: PathApp/PERSONALE.PRG when it exists,
// else the model's C_GPL<nn>.F19 (C_META<nn>.F19 for methane, tipoGas = 1) in
// dirCentralina, else the defaults. Never fails.
QString LeggoParametriMappa(const QString& dirCentralina, int tipoGas, int tipoCentralina);
