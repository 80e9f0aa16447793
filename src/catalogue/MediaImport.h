#pragma once
// Imports from installer media: model blocks of an update file into the make catalogues
// and their folder trees, injector-rail blocks of VALVOLE.DAT into VALVOLE.PRN, and the
// files named by SOFTWARE.DAT into the software library.
//
// Each importer reads `cartella`/`nomeFile` (the media folder and the bare file name) and
// returns -1 when the file held no completed block, 0 when every block was imported, 1 when
// the import stopped at an error. Blocks imported before an error stay. A file that ends in
// an unfinished block after imported ones (cut short) stops with 1; one without any END
// gives -1.
//
// Names read from the media (make, model key, rail folder, data file names, INIZIO) become
// path components only after the check of Files::ComponenteValido / ComponentiValidi; a bad
// name fails its block. Only regular files are copied from the media, never through a
// symbolic link, and every copy replaces its target atomically; a media folder holding a name
// that does not decode, or a software description that is not a regular file, fails its
// block. A standard map (.QOX) replaces an installed one only when it normalises to at least
// the 2,827 values up to the map version; otherwise its block fails before anything is
// written. The model key is at most 12 characters (Catalogo::LunghezzaModello).
#include "platform/Files.h"

#include <QByteArray>
#include <QString>

namespace Importo {
constexpr int Nessuno = -1;   // no completed block
constexpr int Fatto = 0;      // every block imported
constexpr int Errore = 1;     // stopped at an error
// A block (from the line after the previous END to its own END) larger than any real one
// fails: the update file is read a line at a time and never held whole.
constexpr qint64 MassimoBlocco = Files::MassimoLettura;
} // namespace Importo

// Any other *.DAT of the media: model blocks (MARCA, MODELLO, DESCRIZIONE_MODELLO,
// VALVOLE_DA_MONTARE, VERSIONE_CENTR_BENZ, CENTRALINA_BENZINA, TIPO_IMPIANTO, INIZIO, END).
int ImportoModelli(const QString& nomeFile, const QString& cartella);

// VALVOLE.DAT: rail blocks into <PathApp>/VALVOLE.PRN and <PathApp>/VALVOLE/<MODELLO>/.
int ImportoValvole(const QString& nomeFile, const QString& cartella);

// SOFTWARE.DAT: data files (and their .TXT descriptions) into <PathApp>[/INIZIO]/MARCA/MODELLO.
int ImportoFileDati(const QString& nomeFile, const QString& cartella);

// What the update screen does with a *.DAT file of the media, by its name (any case):
// VALVOLE.DAT, SOFTWARE.DAT, VERSOFTWARE.DAT (copied into the program folder) or any other.
enum class TipoAggiornamento { Valvole, FileDati, VersioneDati, Modelli };
TipoAggiornamento TipoFileAggiornamento(const QString& nome);

// Whether every file that importing the update file nomeFile of the media folder would replace
// can be replaced (Files::Sostituibile), decided from the file before anything is written:
// the catalogue and the slot files of each model block, the rail catalogue and the files of
// each rail, each software file and its description, or the data-version file. The look ends
// where the import would stop at a block that names no files it may write. False at the first
// file that cannot be replaced, `perche` naming it and giving the system's reason.
bool Sostituibili(const QString& nomeFile, const QString& cartella, QString& perche);

// Injector-rail catalogue record: 1-4 code, 5-13 rail folder, 14-178 description, CR LF.
namespace CatalogoValvole {
constexpr int LunghezzaRecord = 180;
QByteArray Record(const QByteArray& codice, const QByteArray& modello, const QByteArray& descrizione);
} // namespace CatalogoValvole

// Whether the text of a standard map (.QOX) is a whole map: it normalises to at least the
// 2,827 values up to the map version.
bool MappaValoriIntera(const QByteArray& testo);

// Makes the model import refuses: their catalogue names belong to other files of the program.
bool MarcaRiservata(const QString& marca);

// Whether a keyword lies in the FILE_DATI_001 .. FILE_DATI_999 range (compared as text).
bool ChiaveFileDati(const QByteArray& chiave);
