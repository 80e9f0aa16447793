#pragma once
// The customer archive "ARCHIVI/ARCHIVIO.MDB": one table CLIENTI, one row per installed
// vehicle, with the indexes PER_NOME, PER_DATA_REV and PER_TARGA_AUTO (unique). The file is
// an SQLite database of this program; a file of any other kind found under that name is
// never written, repaired, renamed or replaced.
#include "platform/Database.h"

#include <QDateTime>
#include <QString>
#include <functional>
#include <memory>

// The open archive and its table-type recordset, shared by the screen that holds the archive
// (the archive menu or the vehicle screen) and the screens it opens.
struct StatoArchivio {
    std::unique_ptr<Db::Database> DbArchivio;
    std::unique_ptr<Db::Recordset> RsClienti;

    // Outcome of the last CreoArchivio.
    int ErroreCreazione = 0;        // engine error that stopped it, 0 when it ran through
    bool Riparato = false;          // a damaged file was repaired
    int RecordRecuperati = 0;       // rows saved by the repair
    QString CopiaDanneggiata;       // file name of the damaged original kept aside

    void reset();
};

extern StatoArchivio Archivio;

namespace Archivi {

struct DefinizioneCampo {
    const char* nome;
    Db::TipoCampo tipo;
    int dimensione;
};
// The 28 fields of CLIENTI in their order.
extern const DefinizioneCampo CampiClienti[28];

// Path of the archive file and of the repair's work file below the program folder.
QString FileArchivio();
QString FileRiparazione();

// Classification of a file found at the archive's path before anything opens it.
enum class TipoFile { Assente, Nostro, Estraneo };
TipoFile ClassificaFile(const QString& path);

// The normalised plate key: trimmed, upper case, padded with blanks to 10 characters.
QString ChiaveTarga(const QString& targa);

// Search as you type: on the recordset's current index (whose first key field is `campo`),
// visits in index order every row whose key begins with `testo` under the archive's
// collation, the recordset standing on that row while `riga` runs. Nothing for a blank text.
void ScorroPrefisso(Db::Recordset& rs, const QString& campo, const QString& testo,
                    const std::function<void()>& riga);

// Makes sure the folder and the file exist with the current table: creates them, adds the
// columns IMPIANTO, TIPOTAB and VERSIONE_ADD to an older file, rebuilds once the indexes of a
// file whose keys were ordered under an older collation, repairs a damaged file once. The
// whole file is checked first at the first opening of every run, whenever it may have changed
// since the program's own last write to it in this run (its size, times and inode differ from
// those taken right after that write) and after an engine failure in this run. From then on,
// a write to the archive held by a screen is preceded by the same test: a file changed from
// outside meanwhile is checked from the disk first, and a damaged one is refused the write
// (3049) and repaired at the next opening.
// Ends with the database closed; the outcome is left in Archivio.
void CreoArchivio();

// Repairs the damaged archive: keeps the original aside as ARCHIVIO.<date-time>.BAD, builds
// ARCHIVIO.REP from every row of every intact table page (whatever the state of the pages
// that lead to them; a page the free list names only while a table's tree still reaches it)
// and puts it in place with one rename. Returns false when no repaired
// copy could be made, or when it would hold no customer of a file that held some (the
// original is then left where it was, untouched).
bool RiparoArchivio();

// CreoArchivio, then the exclusive open of DbArchivio and RsClienti. Tells the user what
// went wrong (archive in use 172; unreadable format, folder failure or a damaged file that
// the repair could not replace or saved no customer of, 174) or what a repair recovered
// (196) and returns false when the archive is not open.
bool AproArchivio();

// Closes RsClienti, then DbArchivio; either may already be closed. Takes no sign: a change
// made to the file while it was held, after the program's own last write, is found before the
// next write or by the next opening.
void ChiudoArchivio();

// Date parsed strictly from its day, month and year texts (digits only, a real calendar
// date, year from annoMinimo up); invalid otherwise.
QDate DataDaParti(const QString& giorno, const QString& mese, const QString& anno, int annoMinimo = 1);

// Time stamp of the kept-aside copy's name (test seam).
void ImpostaOrologioRiparazione(QDateTime (*orologio)());

} // namespace Archivi
