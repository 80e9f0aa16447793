#pragma once
// Overhaul reminder letters: the template of each language, its code pages, and the merge
// of one customer's data into a template line.
#include <QByteArray>
#include <QDate>
#include <QString>
#include <QStringList>

namespace Lettere {

// Template file of a language: 1 "IT_LETTERA.TXT" (Polish), 2 "FR_LETTERA.TXT",
// 3 "SP_LETTERA.TXT", any other "EN_LETTERA.TXT".
QString NomeModello(int lingua);

// A template that is valid UTF-8 is read as UTF-8; otherwise as code page 1250 for
// language 1 and 1252 for the others.
bool Utf8Valido(const QByteArray& dati);
QString Decodifica(const QByteArray& dati, int lingua);
// The reverse (characters the code page lacks become "?").
QByteArray Codifica(const QString& testo, int lingua, bool utf8);

// The template's lines (CR LF, LF or CR line ends; a final line end adds no empty line).
QStringList Righe(const QString& testo);

struct DatiLettera {
    QString saluto;      // message 294 for a company, 295 otherwise
    QString nome, indirizzo, cap, citta, provincia;
    QDate revisione;
    QDate oggi;
};

// A merged line as printed lines of at most `colonne` characters (the letter font has a fixed
// pitch): tabs become blanks to the next multiple of 8; a longer line is broken at its last
// blank that fits (a word longer than a line is cut); every part keeps the line's
// indentation, reduced where needed to leave room for 20 characters. Blanks at a break go.
QStringList ACapo(const QString& riga, int colonne);

// Replaces the first occurrence of each placeholder in the line, found without regard to
// case, with the customer's data.
QString UnisciRiga(const QString& riga, const DatiLettera& d);

} // namespace Lettere
