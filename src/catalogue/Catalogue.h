#pragma once
// Make catalogues: one "<MAKE>.PRN" file per make below the program folder (or its TEMPOR
// staging folder), one 182-byte record per car model (180 characters and CR LF). Older
// catalogues use 132/133- or 178-character lines; they are read as they are and converted
// to the current layout before anything writes into them.
//
// Records are bytes (one char per byte, Latin-1 round trip); columns are counted from 1 in
// the comments below.
#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

class QComboBox;
class QListWidget;

namespace Catalogo {
constexpr int LunghezzaTesto = 180;    // characters of a current record
constexpr int LunghezzaRecord = 182;   // with CR LF
constexpr int LunghezzaDescrizione = 41;
constexpr int LunghezzaValvole = 4;
constexpr int LunghezzaCentralina = 40;
constexpr int LunghezzaModello = 12;
constexpr int LunghezzaCentralinaVecchia = 25;
} // namespace Catalogo

enum class LayoutCatalogo {
    Attuale,      // 180 characters (any length other than the legacy ones is read this way)
    Vecchio132,   // 132: three 25-character ECU names, key at 121-132, no fuel flag
    Vecchio133,   // 133: as 132 and one fuel flag for the model at 133
    Vecchio178,   // 178: current columns 1-177 and one fuel flag at 178
};

// Layout of one catalogue line (without its line end).
LayoutCatalogo LayoutRiga(const QByteArray& riga);

// One model of a make catalogue in the current layout.
//   1-41 description, 42-45 injector rails (text), 46-85 / 86-125 / 126-165 ECU names of
//   slots 1-3, 166-177 model key, 178-180 fuel flags of slots 1-3 ("G" LPG, "M" methane,
//   "E" both, blank no ECU).
struct RecordCatalogo {
    QByteArray Descrizione = QByteArray(Catalogo::LunghezzaDescrizione, ' ');
    QByteArray Valvole = QByteArray(Catalogo::LunghezzaValvole, ' ');
    QByteArray Centralina[3] = {QByteArray(Catalogo::LunghezzaCentralina, ' '),
                                QByteArray(Catalogo::LunghezzaCentralina, ' '),
                                QByteArray(Catalogo::LunghezzaCentralina, ' ')};
    QByteArray Modello = QByteArray(Catalogo::LunghezzaModello, ' ');
    QByteArray Tipo = QByteArray(3, ' ');
    LayoutCatalogo Layout = LayoutCatalogo::Attuale;  // layout the record was read from
    QByteArray Originale;                             // the line as read (no line end)

    // Reads a line of any layout as the readers of the vehicle and archive screens do: a
    // legacy line is rebuilt in the current layout with its one flag (a 132-character line
    // "G") for slot 1 and blank flags for slots 2 and 3; every other line is padded or cut
    // to 180 characters.
    static RecordCatalogo DaRiga(const QByteArray& riga);

    // The 180 characters of the current layout, and the 182-byte record with CR LF.
    QByteArray Testo() const;
    QByteArray Record() const;

    // Trimmed fields: description and ECU names decoded from Windows-1252 for display; the
    // model key in Latin-1, as the import names its folder.
    QString DescrizioneTesto() const;
    QString ModelloTesto() const;
    QString CentralinaTesto(int slot) const;   // slot 1..3
    char Flag(int slot) const;                 // slot 1..3
};

// Byte helpers shared by the catalogue routines.
namespace CatalogoTesto {
// Left-justified copy padded with blanks or cut to n bytes.
QByteArray Fisso(const QByteArray& valore, int n);
// Upper case of Windows-1252 text, byte by byte.
QByteArray Maiuscolo(QByteArray testo);
// Windows-1252 bytes decoded for display.
QString Windows1252(const QByteArray& testo);
// Blanks (spaces) removed at both ends.
QByteArray Spazi(const QByteArray& testo);
// Lines of a text file (CR LF, LF or CR ends a line; a Ctrl-Z ends the text).
QList<QByteArray> Righe(const QByteArray& contenuto);
// Sort key of a record: the first 41 characters, upper case, trimmed.
QByteArray ChiaveOrdinamento(const QByteArray& record);

// The lines of a catalogue of fixed-length records ending in CR LF (182 bytes for a make,
// 180 for the rail catalogue), without their line ends. A file that is a whole number of
// such records is taken record by record whatever bytes the records hold (a stray CR or
// Ctrl-Z is part of its record); only a file whose alignment is broken is split into lines
// (Righe), and there a line of nothing but NUL bytes is no line and a line that is valid
// UTF-8 is measured in characters: it is re-encoded in Windows-1252 ("?" for what the code
// page lacks). `allineato` tells which way the file was read; `completo` is false when text
// other than blanks, NUL bytes and line ends follows the Ctrl-Z that ends a split file, text
// that splitting by lines would lose.
QList<QByteArray> RigheCatalogo(const QByteArray& dati, int lunghezzaRecord, bool* allineato = nullptr,
                                bool* completo = nullptr);
} // namespace CatalogoTesto


// Reads a make catalogue (full path), its lines taken as RigheCatalogo does; an unreadable
// or missing file gives false.
bool LeggoCatalogo(const QString& percorso, QList<RecordCatalogo>& record);

// Finds the first record of the catalogue whose model key, trimmed, equals `modello`
// without regard to case. False when the file is missing or holds no such record.
bool CercoModelloCatalogo(const QString& percorso, const QString& modello, RecordCatalogo& trovato);

// Catalogue path of make `marca` below the program folder ("FIAT" or "TEMPOR\FIAT").
QString PercorsoCatalogo(const QString& marca);

// Brings <PathApp>\<marca>.PRN to the 182-byte layout. A file that is a whole number of
// 182-byte records ending in CR LF is current and kept as it is. Any other file is split
// into lines (RigheCatalogo) and decided line by line: empty lines are dropped, 132/133-
// and 178-character lines are converted, 179/180-character lines are padded, any other
// line keeps its first 177 characters with flags "GGG", so every record written is whole.
// The file is replaced atomically. True also when the file does not exist or is already
// current; false after a file error or when the split would drop text after a Ctrl-Z (the
// old file stays whole in both cases).
bool ConvertoFilePRN(const QString& marca);

// Conversion of one legacy or malformed line to the 180 characters of the current layout
// (flags: a 133-character line's flag followed by "GG", a 178-character line's flag
// followed by "GG", a 179- or 180-character line padded as it is, any other line its first
// 177 characters and "GGG").
QByteArray RigaConvertita(const QByteArray& riga);

// Sorts the records of a 182-byte catalogue (full path) in place by description (upper
// case, trimmed, by character code) with the catalogue's exchange sort. The sorted file
// replaces the old one atomically; on any failure the catalogue stays as it was. Returns
// false on a file error (a missing file or fewer than one record is not an error).
bool OrdinoFile(const QString& nomeFile);

// Sorts a list of 182-byte records as OrdinoFile does.
void OrdinoRecord(QList<QByteArray>& record);

// Makes of the catalogue folder that offer at least one model for fuel `tipo` (1 methane,
// any other value LPG), in name order; VALVOLE.PRN is never a make and a make whose folder
// is missing is skipped.
QStringList ElencoMarche(const QString& cartella, int tipo);
// Fills a list control with the same makes (the control is cleared first).
void ElencoStampe(const QString& cartella, QListWidget* lista, int tipo);
void ElencoStampe(const QString& cartella, QComboBox* lista, int tipo);

// One line of an update file: the line is trimmed, its keyword is the first 20 characters
// (blank-padded) trimmed and upper-cased; its value the text after the first ":".
struct RigaAggiornamento {
    QByteArray chiave;
    QByteArray valore;     // untrimmed
    bool duePunti = false; // the line holds a ":"
};
RigaAggiornamento AnalizzoRiga(const QByteArray& riga);

// Val(): the number the text begins with (blanks skipped), 0 when none.
double ValoreTesto(const QByteArray& testo);
