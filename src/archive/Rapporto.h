#pragma once
// The customer list's report engine: a small layout file per language ("EN_LISTA.RPT", ...)
// and the printing of a snapshot's rows in its columns.
//
// Layout file: UTF-8 (or code page 1252) text, one entry per line, "KEY=value"; blank lines
// and lines starting with ";" are comments.
//   TITLE=<title printed on every page>
//   FONT=<font family>,<point size>
//   COLUMN=<field of CLIENTI>,<heading>,<width in characters>
//   PAGE=<word before the page number>
#include <QList>
#include <QString>

class QPrinter;
namespace Db { class Snapshot; }

namespace Rapporto {

struct Colonna {
    QString campo;
    QString intestazione;
    int larghezza = 10;
};

struct Layout {
    QString titolo;
    QString font = QStringLiteral("Courier New");
    int punti = 9;
    QString pagina = QStringLiteral("Page");
    QList<Colonna> colonne;
};

// Report file of a language: 1 "IT_LISTA.RPT", 2 "FR_LISTA.RPT", 3 "SP_LISTA.RPT", 4 "EN_LISTA.RPT".
QString NomeLayout(int lingua);

// Reads a layout; false when the file cannot be read or names no column.
bool Leggi(const QString& path, Layout& layout);

// Prints every row of the snapshot (from its current row on); returns the rows printed, or
// -1 when the printer could not be used or a column names no field of the rows (nothing is
// printed then).
int Stampa(QPrinter& stampante, const Layout& layout, Db::Snapshot& righe, const QString& sottotitolo);

} // namespace Rapporto
