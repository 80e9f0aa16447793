#pragma once
// Starting other programs (the editor for letters, the PDF viewer for manuals) and waiting for
// them while the program's own events keep running.
#include <QString>
#include <QStringList>

#include <functional>

struct EsitoProgramma {
    bool avviato = false;    // false: the program could not be started
    bool terminato = false;  // true: it ended normally (not by a signal or crash)
    int codice = -1;         // its exit code when terminato
    bool inCorso = false;    // true: still running when told (AvvioSenzaAttendere)
    QString errore;          // why it could not be started or ended abnormally
};

// Starts programma with the arguments (each passed as it is, never through a command line or
// shell) and returns when it has ended; timers, receive events and repaints run meanwhile.
EsitoProgramma AvvioEAttendo(const QString& programma, const QStringList& argomenti);

// How long after its start an end counts as a program failing at once (an opener that
// finds nothing to show the file with).
constexpr int MsFineImmediata = 2000;

// Starts programma with the arguments (each passed as it is) and returns at once without
// waiting for it to end; avviato is false, with the reason in errore, when it could not be
// started. A program started runs on whatever becomes of its caller. fine (if given) runs
// once, from the event loop: with how the program ended when it ends within attesa ms of its
// start, else when that time is up, with inCorso set; an end after that is told to nobody.
EsitoProgramma AvvioSenzaAttendere(const QString& programma, const QStringList& argomenti,
                                   const std::function<void(const EsitoProgramma&)>& fine = {},
                                   int attesa = MsFineImmediata);

// The program to start for one the system knows by its Windows name: on Linux "WORDPAD.EXE"
// and "ACRORD32.EXE" (any case) are both "xdg-open", the desktop's own opener; any other name
// and every name on Windows stand as given.
QString ProgrammaEsterno(const QString& nomeOriginale);

// Folder of PATH that holds the executable programma (the first one), or "" when none does.
// Empty and relative PATH entries (folders below the current one) are not searched.
QString CercaNelPath(const QString& programma);
