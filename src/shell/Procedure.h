#pragma once
// The small shared procedures of the shell that every screen calls: the message boxes,
// the busy wait, the decimal-separator fix and the drive search.
#include <QByteArrayView>
#include <QString>
#include <QStringList>
#include <QtGlobal>

class QLineEdit;

// Shows the modal box MessErr with text and title; type 0 one OK button, 1 YES and NO,
// any other value no button. The answer is left in Shell.RispostaMessaggio
// (-1 OK or YES, 0 NO or closed).
void MostroMessaggio(const QString& testo, const QString& titolo, int tipo);

// Shows message n of the current language, followed by `coda` (the file that stopped the work
// and the reason), under title message `titolo` (140 "WARNING!" unless told) as an OK box,
// the texts left in Shell.Messaggio1/Messaggio2 as for every box. Returns
// Shell.RispostaMessaggio.
int Avviso(int n, int titolo = 140, int tipo = 0, const QString& coda = {});

// What follows a message when a file stopped the work: ": " and the file with the reason, as
// the system names it; "" when none is named.
QString CauseText(const QString& ostacolo);

// Shows the box SegnalEr (message 205 under title 140) with quit / try again / go on.
// The answer is left in Shell.RispostaSegnalEr (-1 closed, 0 quit, 1 try again, 2 go on).
void SegnaloNonComunica();

// Replaces every "," by "." in place.
void CambioVirgola(QString& testo);

// A number as its last two digits with a leading "0": Right("00" & n, 2) (5 gives "05"),
// as the ECU type <nn> in file names and the day and month of a date are written.
QString DueCifre(int n);

// A number held exactly as the fraction num / den (den > 0), so that decimal texts and
// their conversions are rounded on their decimal value, never on a binary double.
struct NumeroEsatto {
    qint64 num = 0;
    qint64 den = 1;
};

// Reads a numeric text (blanks around it, an optional sign, digits with at most one ".",
// at least one digit, at most 18 digits) as an exact number; false for any other text.
bool LeggoNumeroEsatto(const QByteArray& testo, NumeroEsatto& valore);

// Formats a number with "#0" (whole number) or "#0.0", "#0.00", ... (that many decimals):
// halves are rounded away from zero on the exact value, the separator is always "." and
// a result that rounds to zero carries no "-".
QString FormattoNumero(NumeroEsatto valore, const QString& formato);
// The same for a double, taken at its shortest decimal text (0.15 is 0.15, not the
// binary value just below it).
QString FormattoNumero(double valore, const QString& formato);

// The number a text begins with as a whole number ("#0", halves away from zero); "0" when
// the text does not begin with a number, "" when it is too long to be taken exactly.
QByteArray InteroDaTesto(QByteArrayView testo);
// The text right-aligned in a box of `lunghezza` characters; "" when it does not fit (a
// value is never shown cut).
QString Allineato(const QByteArray& testo, int lunghezza);

// A value read from the ECU in its box, black and right-aligned; false (box unchanged) when
// it does not fit.
bool ValoreInCasella(QLineEdit* casella, const QByteArray& testo);
// A default shown in red in place of a value.
void PredefinitoInCasella(QLineEdit* casella, const QString& testo);

// Busy wait of `secondi` seconds on the wall clock, without serving events; correct
// across midnight.
void Attendo(double secondi);
// Seconds since midnight (test seam: a function returning the clock may be installed).
double SecondiDaMezzanotte();
void ImpostaOrologio(double (*orologio)());

// Searches the folders of the drives for nomeFile (breadth first, drive roots first) and
// returns the folder that holds it, or "". unita is one root ("C:" or a folder path) or
// "*" for every root of listaUnita; on Linux the roots are the mounted local file systems.
QString CercoFile(const QString& unita, const QString& nomeFile, const QStringList& listaUnita);

// Folder of an external program the system knows by its Windows name ("WORDPAD.EXE" in
// section "WORDPAD", "ACRORD32.EXE" in section "ACROBAT"): the folder remembered under key
// "Directory" of the section when it still holds the program, else the folder found by a
// search (PATH first, then the drives), which is then remembered unless ricordo is false
// (the caller remembers it once the program has shown its file). "" when not found.
QString CartellaProgrammaEsterno(const QString& sezione, const QString& nomeOriginale, bool ricordo = true);
