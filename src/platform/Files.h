#pragma once
// File-system helpers: one way to build paths below the program folder, case-insensitive
// look-up of the system's fixed upper-case names, the check for names that come from
// outside, atomic replacement of files and folder creation.
#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <functional>

class QIODevice;

namespace Files {

// Joins base and a relative name whose components are separated by "/" or "\".
// Every component that already exists on disk is looked up without regard to case
// (the exact name first); missing components are kept as given. Never returns a
// path with a backslash separator.
QString Percorso(const QString& base, const QString& relativo);

// The program folder (no trailing separator): given once at start-up, and by whoever lays
// out another (tests, tools); "" until then.
void ImpostaCartellaProgramma(const QString& cartella);
QString CartellaProgramma();

// Percorso(CartellaProgramma(), relativo).
QString PercorsoApp(const QString& relativo);

// Resolves an existing entry "nome" in folder "cartella" case-insensitively; returns the
// full path of the entry found, or cartella/nome when none exists.
QString Trova(const QString& cartella, const QString& nome);

// A name from outside (plate, make, model key, media or station name) may become one path
// component: not empty, not "." or "..", no separator, no drive, no control character.
bool ComponenteValido(const QString& nome);

// One or more valid components joined by "\" or "/" (no "..", no drive, no leading
// separator); returns the components or an empty list when the text is not acceptable.
QStringList ComponentiValidi(const QString& relativo);

// Whether the program may replace this existing file: the user may write it and its owner
// write bit is set. A file made read-only (one copied from a CD keeps mode 0444) stays
// read-only for the administrator too.
bool Scrivibile(const QString& path);

// Whether ScriviAtomico(path) can write, decided before anything is written: the name at the
// end of path's chain of links holds nothing, or a regular file that is Scrivibile, and its
// folder takes a new file (a folder still to be made: the nearest one that stands takes the
// first one missing). False otherwise, `perche` naming the file or folder and the system's
// reason ("read-only file" where only the file's own mode forbids it).
bool Sostituibile(const QString& path, QString* perche = nullptr);

// Whether a new file can be made in the folder (an unnamed one is made and let go at once;
// where the file system makes none, the folder's permissions tell); false with the system's
// reason in `perche`.
bool AccoglieFile(const QString& cartella, QString& perche);

// Writes data to path through a temporary file in the same folder that is flushed, synced
// and renamed over the target. On failure the old file stays whole, false is returned and
// `errore` names the file and gives the system's reason. What stands at the target and is not
// a regular file that is Scrivibile is refused, as Sostituibile does. A path that is a
// symbolic link, or a chain of them (at most 40), writes the file at the chain's end and the
// links stay. The temporary is made as the system makes a new file, read and write for all
// less the umask, or what the folder's default access list gives; a new file keeps that, and
// an existing one's permissions are given to the temporary before any data.
// The temporary file's name is the target's, then ".~zeqtmp-", six random letters or digits
// and ".tmp"; where that would pass the folder's limit on name length it is ".~zeqtmp-", 16
// hex digits of the SHA-256 of the target's name, "-", six random letters or digits and
// ".tmp". Such temporaries of that target left by an earlier write cut short are removed
// first, and no other file beside it is touched.
bool ScriviAtomico(const QString& path, const QByteArray& data, QString* errore = nullptr);

// Same, with a writer callback that fills the temporary file; returning false aborts.
bool ScriviAtomico(const QString& path, const std::function<bool(QIODevice&)>& scrittore,
                   QString* errore = nullptr);

// Removes the name at path (a link itself, not what it leads to). True when nothing stands
// there any more, whether it went now or was never there; false for a folder or a name the
// system keeps, with the system's reason in `perche`.
bool Rimuovi(const QString& path, QString* perche = nullptr);

// Flushes a file's data to disk (fsync); false when it cannot.
bool Sincronizza(const QString& path);

// Renames a file over another in one step, its data flushed to disk first (Sincronizza) so
// the name never points at data still in flight; a replaced file's permissions are kept. A target that is a symbolic link, or a chain
// of them, is replaced at the chain's end as ScriviAtomico replaces it, and the links stay;
// where that end lies on another file system the file is copied there whole (CopiaAtomica)
// and then removed. False when a step fails, `perche` giving the file and the reason.
bool SostituisciConRinomina(const QString& da, const QString& a, QString* perche = nullptr);

// Copies a regular file atomically (never follows a symbolic link at the source).
bool CopiaAtomica(const QString& sorgente, const QString& destinazione, QString* errore = nullptr);

// Appends a whole block to a file in an existing folder, unbuffered (the file is created
// when `crea`, else it must exist). On failure the file is cut back to its old length, so a
// block refused half-way leaves no part of it. False on any failure.
bool AppendoBlocco(const QString& percorso, const QByteArray& dati, bool crea = true);

// The largest file LeggiTutto reads, and the largest block of an update file: far past any
// real map, catalogue, rail list, letter template or software file.
constexpr qint64 MassimoLettura = 64 * 1024 * 1024;

// Reads a whole regular file; false when it cannot be read, is no regular file (a FIFO, a
// device) or is larger than MassimoLettura (refused before any of it is read).
bool LeggiTutto(const QString& path, QByteArray& dati);

// The first line of a regular file, up to its first CR or LF, reading at most `massimo`
// bytes (a longer line is cut there). A folder, a FIFO, a device or a file that cannot be
// read gives "": a start-up file is never waited for nor read whole.
QByteArray PrimaRiga(const QString& path, qsizetype massimo = 4096);

// Creates a folder with every missing parent; true when it exists afterwards.
bool CreaCartella(const QString& path);

// Matches name against a pattern with the wildcards "*" and "?", without regard to case.
bool CorrispondeJolly(const QString& nome, const QString& modello);

// Sorts names without regard to case; names that differ only in case in code order.
void OrdinoNomi(QStringList& nomi);

// The names (as bytes) of the entries of a folder that do not decode to text and back,
// entries that Qt's folder listings leave out silently. Empty when there is none or the
// folder cannot be read.
QList<QByteArray> NomiIllegibili(const QString& cartella);

} // namespace Files

// True when a directory search for nome (its last component may hold "*" and "?") with the
// given attributes (0 files only, 16 files and folders) finds an entry. An empty or blank
// name is false; any error is false.
bool Esiste(const QString& nome, int attributi = 0);
