#pragma once
// Print jobs of the archive screens: the system's default printer through Qt Print Support,
// or, when an output folder is set (tests, demo runs), one PDF file per job in that folder.
#include <QString>
#include <QStringList>
#include <memory>

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

} // namespace Stampa
