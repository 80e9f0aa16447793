#pragma once
// A small database layer over SQLite, shaped after the operations the archive screens use:
// a database opened exclusively, a table-type recordset with a current index, seeks, BOF/EOF,
// moves, AddNew/Edit/Update/Delete and bookmarks, and read-only snapshots of a query.
//
// Failures are thrown as ErroreDb carrying the engine's error number (3204 database exists,
// 3010 table exists, 3380 column exists, 3049 damaged or not a database, 3045 file in use,
// ...), mapped from SQLite's result codes, so callers decide by number.
//
// Column types follow the declared SQLite type: SMALLINT is a signed 16-bit Integer,
// VARCHAR(n) a Text of at most n characters, DATE a date stored as "yyyy-MM-dd". Values are
// QVariant: int, QString, QDate, or a null QVariant for a field that holds no value.
// Every table has a hidden integer key (ZEQ_ID, never reused) that serves as the bookmark;
// it is not one of the recordset's fields.
#include <QDate>
#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <functional>
#include <memory>
#include <stdexcept>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

namespace Db {

// Name of every table's hidden integer key (the bookmark).
constexpr const char* ChiaveNascosta = "ZEQ_ID";

// Engine error numbers used by the program.
namespace Err {
constexpr int NonCorrente = 3021;       // no current record
constexpr int FileNonTrovato = 3024;    // database file not found
constexpr int DiscoPieno = 3026;        // not enough space on disk
constexpr int SolaLettura = 3027;       // database or object is read-only
constexpr int TabellaEsiste = 3010;     // table already exists
constexpr int Duplicato = 3022;         // duplicate value in a unique index
constexpr int NessunUpdate = 3020;      // Update without AddNew or Edit
constexpr int PercorsoInvalido = 3044;  // not a valid path
constexpr int InUso = 3045;             // file already in use (held exclusively elsewhere)
constexpr int Danneggiato = 3049;       // damaged or not a database
constexpr int NonScrivibile = 3051;     // the file cannot be opened for writing
constexpr int TabellaMancante = 3078;   // no such table
constexpr int CampoTroppoPiccolo = 3163;// text longer than its field
constexpr int RecordCancellato = 3167;  // the current record was deleted
constexpr int DatabaseEsiste = 3204;    // CreateDatabase on an existing file
constexpr int ElementoMancante = 3265;  // no field or index of that name
constexpr int FormatoIgnoto = 3343;     // not a database of this program
constexpr int Overflow = 3349;          // numeric value out of the field's range
constexpr int ColonnaEsiste = 3380;     // column already exists
constexpr int TipoErrato = 3464;        // value of the wrong type for the field
constexpr int SenzaIndice = 3019;       // Seek without a current index
constexpr int OggettoChiuso = 3420;     // recordset or database already closed
constexpr int Generico = 3000;          // any other engine failure
} // namespace Err

class ErroreDb : public std::runtime_error {
public:
    ErroreDb(int numero, const QString& descrizione);
    int Numero;
    QString Descrizione;
};

// Maps an SQLite result code (and its message) to the engine's error number.
int NumeroErrore(int codiceSqlite, const QString& messaggio);
// Failures of the engine or of a file (every result but a statement refused for its own
// content: SQL error, constraint) mapped so far in this run.
quint64 ErroriMotore();

enum class TipoCampo { Intero, Testo, Data, Altro };
struct DefCampo {
    QString nome;
    TipoCampo tipo = TipoCampo::Altro;
    int dimensione = 0;     // Text: maximum length in characters
};

class Database;

// Whoever must know when the program itself has changed a database file: after any statement
// of a connection of this layer that leaves it outside a transaction with pages written to its
// database file since the last time (a commit, a statement in autocommit, a rollback after a
// spill), `osservatore` is called with the connection, its file just as the write left it.
// Opening, locking, the opening's own settings (which rewrite the header of a file another
// tool left in another journal mode) and reading never call it. One observer for the whole
// process; null for none.
using OsservatoreScrittura = void (*)(Database& db);
void QuandoScritto(OsservatoreScrittura osservatore);

// Whoever must look at a database file before the program writes to it: called outside a
// transaction before a statement that may write is run and before a write transaction
// begins, with the connection. It may refuse the write by throwing ErroreDb; nothing has
// been written then. One for the whole process; null for none.
using ControlloScrittura = void (*)(Database& db);
void PrimaDiScrivere(ControlloScrittura controllo);

// Comparison function of a collation registered on every connection the layer opens:
// returns <0, 0, >0 for two UTF-8 byte strings.
using FunzioneCollazione = int (*)(void*, int, const void*, int, const void*);
void RegistraCollazione(const char* nome, FunzioneCollazione funzione);

class Recordset;
class Snapshot;

class Database {
public:
    ~Database();
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;

    // Opens an existing database file. Exclusive takes the file's write lock at once and
    // keeps it until Chiudi(); a file held by another connection gives 3045 at once, never
    // a wait. Read-only opens never write the file.
    static std::unique_ptr<Database> Apri(const QString& path, bool esclusivo = true,
                                          bool solaLettura = false);
    // Creates a new, empty database file; 3204 when the file already exists. The file
    // appears complete or not at all: statements run by `schema` (in one transaction, before
    // the file takes its name) give it its tables.
    static std::unique_ptr<Database> Crea(const QString& path,
                                          const std::function<void(Database&)>& schema = {});

    // Runs one or more statements (no result rows); parameters bind to "?" in order.
    void Esegui(const QString& sql, const QVariantList& parametri = {});
    // One value of a query (first column of the first row), null when there is no row.
    QVariant Valore(const QString& sql, const QVariantList& parametri = {});

    // Transactions: everything between Inizia and Conferma is one atomic, synced write.
    void Inizia();
    void Conferma();
    void Annulla();
    bool InTransazione() const;

    // Table-type recordset over a table (3078 when it does not exist).
    std::unique_ptr<Recordset> ApriTabella(const QString& tabella);
    // Read-only snapshot of a query with bound parameters.
    std::unique_ptr<Snapshot> ApriSnapshot(const QString& sql, const QVariantList& parametri = {});

    // Fields of a table in their order (hidden key excluded).
    QList<DefCampo> Campi(const QString& tabella);
    // Names of the indexes of a table.
    QStringList Indici(const QString& tabella);
    bool EsisteTabella(const QString& tabella);

    QString Percorso() const { return m_path; }
    // Whether the name the connection was opened by no longer leads to the file it has open
    // (another file renamed over it, the name removed, a link it is made to lead elsewhere).
    // False on a closed connection.
    bool FileSpostato() const;
    bool Aperto() const { return m_db != nullptr; }
    // Closes the database and every recordset still open on it. Closing twice is no error.
    void Chiudi();

    // Prepared statement, cached by text. Throws on failure.
    sqlite3_stmt* Prepara(const QString& sql);
    [[noreturn]] void Fallisci(int rc);
    sqlite3* handle() const { return m_db; }

    // PRAGMA quick_check over the file as it is on disk: the pages this connection keeps in
    // memory (kept across transactions while the file is held exclusively) are let go first,
    // so a change made to the file from outside is read. True for "ok".
    bool IntegroSulDisco();

private:
    Database() = default;
    static sqlite3* ApriConnessione(const QString& path, int flags);
    void Configura(bool esclusivo, bool solaLettura);
    void PrimaScrittura();
    void DopoScrittura();
    friend class Recordset;
    friend class Snapshot;
    sqlite3* m_db = nullptr;
    bool m_configurato = false;
    QString m_path;
    std::vector<std::pair<QString, sqlite3_stmt*>> m_statement;
    QList<Recordset*> m_recordset;
    QList<Snapshot*> m_snapshot;
};

// Binds values to a prepared statement, from parameter 1 on.
void Lega(sqlite3_stmt* st, const QVariantList& valori, int primo = 1);
// Value of column i of the current row, typed by the field definition.
QVariant Colonna(sqlite3_stmt* st, int i, TipoCampo tipo);
// Column i of the current row exactly as stored, for binding back (Lega) where a walk goes on
// from it: a text as its bytes, whatever they decode to, a blob as a blob, a number as itself.
// Read before any other reading of the column, which may convert the value.
QVariant ValoreMemorizzato(sqlite3_stmt* st, int i);

using Segnalibro = qint64;

class Recordset {
public:
    ~Recordset();
    // Current index by name; "" means the table's own order. 3265 for an unknown index.
    void ImpostaIndice(const QString& nome);
    QString Indice() const { return m_indice; }

    // Seek with "=" (a key equal to the values) or ">=" (the first key not less than the
    // values, in index order). The values may cover the leading key fields only.
    void Seek(const QString& operatore, const QVariantList& valori);
    void Seek(const QString& operatore, const QVariant& valore) { Seek(operatore, QVariantList{valore}); }
    bool NoMatch() const { return m_noMatch; }
    bool BOF() const { return m_bof; }
    bool EOF_() const { return m_eof; }

    void MoveFirst();
    void MoveLast();
    void MoveNext();

    // Current row's field (3021 without a current row, 3265 for an unknown name). While a new
    // record or an edit is pending, the pending values are read.
    QVariant Valore(const QString& campo) const;
    // Writes a field of the pending record: 3020 without AddNew/Edit, 3163 for a text longer
    // than the field, 3349 for an Integer outside -32768..32767, 3464 for a value of the
    // wrong type.
    void Imposta(const QString& campo, const QVariant& valore);

    void AddNew();
    void Edit();
    // Stores the pending record in one atomic, synced transaction; on failure nothing is
    // stored and the pending record is dropped (3167 when the edited row was deleted meanwhile). After AddNew the current row stays where it
    // was; after Edit it stays on the edited row.
    void Update();
    void CancelUpdate();
    // Deletes the current row; the recordset is then on no row until it moves. MoveNext goes
    // to the row after the deleted one.
    void Delete();

    // Bookmark of the current row; setting it makes that row current (3167 when it was deleted).
    Segnalibro Bookmark() const;
    void ImpostaBookmark(Segnalibro b);
    // Bookmark of the row stored by the last Update.
    Segnalibro UltimoModificato() const { return m_ultimo; }

    const QList<DefCampo>& Campi() const { return m_campi; }
    qint64 Conta();
    void Chiudi();
    bool Aperto() const { return m_db != nullptr; }

private:
    friend class Database;
    Recordset(Database* db, const QString& tabella);
    struct Riga {
        qint64 id = 0;
        QVariantList valori;
        // Each field as stored (ValoreMemorizzato; empty when not read): a walk goes on from
        // them, so a name another tool stored in bytes that do not decode to text and back, or
        // as a blob, is passed once, never come back to.
        QVariantList memorizzati;
    };
    int IndiceCampo(const QString& campo) const;
    QString Elenco() const;
    QString Ordine(bool discendente = false) const;
    QVariantList Chiave(const Riga& r) const;
    void Carica(const QString& dove, const QVariantList& parametri, bool discendente, int limite,
                std::vector<Riga>& righe);
    void Posiziona(std::vector<Riga>& righe);
    void Dopo(const QVariantList& chiave, qint64 id, int limite, std::vector<Riga>& righe);
    void Invalida();
    void RichiediCorrente() const;
    void Controlla() const;

    Database* m_db = nullptr;
    QString m_tabella;
    QList<DefCampo> m_campi;
    QStringList m_nomiIndici;
    QString m_indice;
    QList<int> m_chiaveCampi;      // field positions of the current index
    bool m_bof = true, m_eof = true, m_noMatch = false;
    bool m_haCorrente = false;
    bool m_cancellato = false;
    Riga m_corrente;
    std::vector<Riga> m_avanti;    // rows after the current one, read ahead
    size_t m_posAvanti = 0;
    int m_lotto = 8;
    enum class Modo { Nessuno, Nuovo, Modifica } m_modo = Modo::Nessuno;
    QVariantList m_pendenti;
    Segnalibro m_ultimo = 0;
};

class Snapshot {
public:
    ~Snapshot();
    bool EOF_() const { return m_eof; }
    bool BOF() const { return m_bof; }
    void MoveNext();
    QVariant Valore(const QString& campo) const;
    void Chiudi();

private:
    friend class Database;
    Snapshot(Database* db, const QString& sql, const QVariantList& parametri);
    void Passo();
    Database* m_db = nullptr;
    sqlite3_stmt* m_st = nullptr;
    QStringList m_nomi;
    QList<TipoCampo> m_tipi;
    bool m_eof = true, m_bof = true;
};

} // namespace Db
