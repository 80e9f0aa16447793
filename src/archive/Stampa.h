#pragma once
// Print jobs of the archive screens: the system's default printer through Qt Print Support,
// or, when an output folder is set (tests, demo runs), one PDF file per job in that folder.
#include <QString>
#include <QStringList>
#include <memory>

class QPainter;
class QPrinter;

namespace Stampa {

// Every later job goes to "<cartella>/STAMPA<n>.PDF" (n counts from 1); "" returns to the
// default printer.
void ImpostaUscitaPdf(const QString& cartella);
QString UscitaPdf();
// Files written to the output folder since it was set.
QStringList FileScritti();

// Whether a job can be started: an output folder is set or the system has a default printer.
bool StampanteDisponibile();

// A printer for one new job (nullptr when there is none).
std::unique_ptr<QPrinter> NuovaStampante(const QString& nomeDocumento);

// Ends the job drawn with the painter and tells whether it reached its destination: the
// painter ended, the printer reports no error, and the print system accepted the job. Qt's
// own submission to a print queue drops the queue's answer, so a queue that refuses jobs
// would otherwise look like a job printed.
bool ConcludoLavoro(QPainter& p, QPrinter& stampante);

// Test seam: the output folder behaves as a queue that refuses every job (the file is
// written, the job is reported refused). Cleared by ImpostaUscitaPdf.
void SimuloRifiuto(bool rifiuta);

} // namespace Stampa
