#include "archive/Archivio.h"

#include <algorithm>

#include "archive/Collazione.h"
#include "archive/PageScan.h"
#include "platform/Files.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QUrl>
#include <sqlite3.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

StatoArchivio Archivio;

namespace {
// What the file system tells of the archive file. Any write to it, by whoever makes it, and
// any replacement of the file change it: the status-change time cannot be set back.
struct Segno {
    quint64 inode = 0;
    qint64 dimensione = -1;
    qint64 modifica = -1, modificaNs = -1;
    qint64 stato = -1, statoNs = -1;     // status-change time
    bool operator==(const Segno&) const = default;
    bool Valido() const { return dimensione >= 0; }
};

Segno SegnoDa(const struct stat& st)
{
    Segno s;
    s.inode = quint64(st.st_ino);
    s.dimensione = qint64(st.st_size);
    s.modifica = st.st_mtim.tv_sec;
    s.modificaNs = st.st_mtim.tv_nsec;
    s.stato = st.st_ctim.tv_sec;
    s.statoNs = st.st_ctim.tv_nsec;
    return s;
}

Segno SegnoDi(const QString& path)
{
    struct stat st {};
    if (::stat(path.toLocal8Bit().constData(), &st) != 0)
        return {};
    return SegnoDa(st);
}

// The sign when it can tell every later change, else invalid (the next opening checks). A
// write from outside stamps both times of the file with the clock that stamps file times,
// which moves in coarse ticks: in the tick of the last change it leaves the status-change time
// as it is, and changes the sign only where the modification time differs from it. The
// program's own write sees to that by stamping the modification time with the fine clock.
// Where the two are equal the sign is uncertain until that tick has passed (two seconds on a
// file system that keeps whole seconds, one on some).
Segno Certo(const Segno& s)
{
    if (!s.Valido() || s.modifica != s.stato || s.modificaNs != s.statoNs)
        return s;
    timespec ora {}, passo {};
    ::clock_gettime(CLOCK_REALTIME_COARSE, &ora);
    ::clock_getres(CLOCK_REALTIME_COARSE, &passo);
    const qint64 tick = s.statoNs == 0 ? 2'000'000'000 : std::max<qint64>(1, qint64(passo.tv_nsec));
    const qint64 cambio = s.stato * 1'000'000'000 + s.statoNs;
    const qint64 adesso = qint64(ora.tv_sec) * 1'000'000'000 + ora.tv_nsec;
    // A file's times may lie a little ahead of the coarse clock (some file systems stamp with
    // the fine one): that is the same tick too.
    if (adesso < cambio + tick && cambio < adesso + tick)
        return {};
    return s;
}

// The sign of the file the connection has open, read at its path only while the name leads to
// that file, before it was opened here and after: a file put in its place is never vouched
// for. After the program's own write (`timbro`) the modification time is stamped first.
Segno SegnoAperto(const Db::Database& db, bool timbro)
{
    if (db.FileSpostato())
        return {};
    const int fd = ::open(db.Percorso().toLocal8Bit().constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return {};
    Segno s;
    struct stat st {};
    if (!db.FileSpostato()) {
        if (timbro) {
            timespec tempi[2] = {{0, UTIME_OMIT}, {}};
            ::clock_gettime(CLOCK_REALTIME, &tempi[1]);
            ::futimens(fd, tempi);   // refused on a file of another owner: the tick rule stays
        }
        if (::fstat(fd, &st) == 0)
            s = Certo(SegnoDa(st));
    }
    ::close(fd);
    return s;
}

// The archive file last found sound in this run, with the count of engine failures at that
// moment and its sign as the program itself last left it: taken when the check passed and again
// right after each of the program's own writes to it. Kept in memory only: a new run has none
// and checks the whole file at its first opening.
struct FileVerificato {
    QString path;
    quint64 errori = 0;
    bool valido = false;
    Segno segno;
};
FileVerificato g_verificato;

// Told by the database layer after each write that a connection of the program committed.
void SegnoDopoScrittura(Db::Database& db)
{
    if (g_verificato.valido && g_verificato.path == db.Percorso())
        g_verificato.segno = SegnoAperto(db, true);
}
} // namespace

void StatoArchivio::reset()
{
    g_verificato = {};
    RsClienti.reset();
    DbArchivio.reset();
    ErroreCreazione = 0;
    Riparato = false;
    RecordRecuperati = 0;
    CopiaDanneggiata.clear();
}

namespace Archivi {

using Db::TipoCampo;

const DefinizioneCampo CampiClienti[28] = {
    {"TIPO_DITTA", TipoCampo::Intero, 0},     {"DITTA_NOME", TipoCampo::Testo, 50},
    {"INDIRIZZO", TipoCampo::Testo, 30},      {"CAP", TipoCampo::Testo, 5},
    {"CITTA", TipoCampo::Testo, 30},          {"PROVINCIA", TipoCampo::Testo, 2},
    {"CODICE_FISCALE", TipoCampo::Testo, 16}, {"PARTITA_IVA", TipoCampo::Testo, 11},
    {"TELEFONO1", TipoCampo::Testo, 15},      {"TELEFONO2", TipoCampo::Testo, 15},
    {"TELEFONO3", TipoCampo::Testo, 15},      {"NOTE", TipoCampo::Testo, 100},
    {"TARGA_AUTO", TipoCampo::Testo, 10},     {"DATA_INSTALLO", TipoCampo::Data, 0},
    {"DATA_REVISIONE", TipoCampo::Data, 0},   {"NOTE1", TipoCampo::Testo, 100},
    {"MARCA_AUTO", TipoCampo::Testo, 15},     {"MODELLO_AUTO", TipoCampo::Testo, 41},
    {"CENTRALINA", TipoCampo::Testo, 25},     {"MOD_VALVOLA", TipoCampo::Testo, 25},
    {"IMPIANTO", TipoCampo::Intero, 0},       {"TIPOTAB", TipoCampo::Intero, 0},
    {"TIPO_INSTALLAZIONE", TipoCampo::Intero, 0}, {"VERSIONE_CEN", TipoCampo::Intero, 0},
    {"VERSIONE_PROG", TipoCampo::Testo, 6},   {"VERSIONE_ADD", TipoCampo::Testo, 3},
    {"MATRICOLA", TipoCampo::Testo, 8},       {"LOTTO", TipoCampo::Testo, 6},
};

namespace {

// Marks the file as this program's archive (SQLite header field "application id").
constexpr quint32 IdApplicazione = 0x5A455141;

QDateTime OrologioReale() { return QDateTime::currentDateTime(); }
QDateTime (*g_orologio)() = &OrologioReale;

QString TipoSql(const DefinizioneCampo& c)
{
    switch (c.tipo) {
    case TipoCampo::Intero:
        return "SMALLINT";
    case TipoCampo::Data:
        return "DATE";
    case TipoCampo::Testo:
        return QString("VARCHAR(%1) COLLATE %2").arg(c.dimensione).arg(Collazione::Nome);
    case TipoCampo::Altro:
        break;
    }
    return QString();
}

void CreoIndici(Db::Database& db)
{
    db.Esegui("CREATE INDEX PER_NOME ON CLIENTI (DITTA_NOME)");
    db.Esegui("CREATE INDEX PER_DATA_REV ON CLIENTI (DATA_REVISIONE, DITTA_NOME)");
    db.Esegui("CREATE UNIQUE INDEX PER_TARGA_AUTO ON CLIENTI (TARGA_AUTO)");
}

void CreoTabella(Db::Database& db)
{
    QString sql = "CREATE TABLE CLIENTI (ZEQ_ID INTEGER PRIMARY KEY AUTOINCREMENT";
    for (const DefinizioneCampo& c : CampiClienti)
        sql += QString(", %1 %2").arg(c.nome, TipoSql(c));
    db.Esegui(sql + ")");
    CreoIndici(db);
    db.Esegui(QString("PRAGMA application_id=%1").arg(IdApplicazione));
    db.Esegui(QString("PRAGMA user_version=%1").arg(Collazione::Versione));
}

// Indexes ordered under an older version of the collation are rebuilt, in the transaction
// that records the current version: an interrupted rebuild is done again in full.
void AggiornoOrdine(Db::Database& db)
{
    if (db.Valore("PRAGMA user_version").toInt() >= Collazione::Versione)
        return;
    db.Inizia();
    try {
        db.Esegui(QString("REINDEX %1").arg(Collazione::Nome));
        db.Esegui(QString("PRAGMA user_version=%1").arg(Collazione::Versione));
        db.Conferma();
    } catch (...) {
        db.Annulla();
        throw;
    }
}

void SyncCartella(const QString& file)
{
    const int fd = ::open(QFileInfo(file).absolutePath().toLocal8Bit().constData(), O_RDONLY | O_DIRECTORY);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

// An archive that is a link is replaced at the link's end, as the engine writes it there; the
// link stays.
bool Rinomina(const QString& da, const QString& a)
{
    if (!Files::SostituisciConRinomina(da, a))
        return false;
    SyncCartella(QFileInfo(a).canonicalFilePath());
    return true;
}

// A file that can serve as the archive: ours, sound, with its table.
bool Integro(const QString& path)
{
    if (ClassificaFile(path) != TipoFile::Nostro)
        return false;
    try {
        auto db = Db::Database::Apri(path, true, true);
        return db->Valore("PRAGMA quick_check").toString() == "ok" && db->EsisteTabella("CLIENTI");
    } catch (const Db::ErroreDb&) {
        return false;
    }
}

// Names of the columns of CLIENTI on a connection, hidden key first, in stored order.
QStringList NomiColonne(sqlite3* db)
{
    QStringList nomi;
    sqlite3_stmt* st = nullptr;
    if (sqlite3_prepare_v2(db, "SELECT name FROM pragma_table_info('CLIENTI') ORDER BY cid", -1, &st, nullptr) == SQLITE_OK)
        while (sqlite3_step(st) == SQLITE_ROW)
            nomi << QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, 0)));
    sqlite3_finalize(st);
    return nomi;
}

// The columns a CREATE TABLE statement of CLIENTI gives, as NomiColonne.
QStringList ColonneDi(const QString& sql)
{
    QStringList nomi;
    sqlite3* mem = nullptr;
    if (sqlite3_open_v2(":memory:", &mem, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) == SQLITE_OK) {
        sqlite3_create_collation_v2(mem, Collazione::Nome, SQLITE_UTF8, nullptr,
                                    [](void*, int na, const void* a, int nb, const void* b) {
                                        return Collazione::ConfrontaUtf8(static_cast<const char*>(a), na,
                                                                         static_cast<const char*>(b), nb);
                                    },
                                    nullptr);
        if (sqlite3_exec(mem, sql.toUtf8().constData(), nullptr, nullptr, nullptr) == SQLITE_OK)
            nomi = NomiColonne(mem);
    }
    sqlite3_close_v2(mem);
    return nomi;
}

const DefinizioneCampo* Campo(const QString& nome)
{
    for (const DefinizioneCampo& c : CampiClienti)
        if (nome.compare(c.nome, Qt::CaseInsensitive) == 0)
            return &c;
    return nullptr;
}

// Fields of the table of the oldest release; every row ever stored holds at least these.
constexpr int CampiPrimaVersione = 25;

// Whether a row read from a page is a customer of a table with these columns: the hidden
// key in the row key, then one value of its field's type for each column it was stored with.
bool RigaCliente(const PageScan::Riga& r, const QStringList& colonne)
{
    if (r.valori.size() < 1 + CampiPrimaVersione || r.valori.size() > colonne.size() || !r.valori[0].isNull())
        return false;
    for (int i = 1; i < r.valori.size(); ++i) {
        const QVariant& v = r.valori[i];
        const DefinizioneCampo* c = Campo(colonne[i]);
        if (v.isNull() || !c)
            continue;
        switch (c->tipo) {
        case TipoCampo::Intero:
            if (v.typeId() != QMetaType::LongLong || v.toLongLong() < -32768 || v.toLongLong() > 32767)
                return false;
            break;
        case TipoCampo::Testo:
            if (v.typeId() != QMetaType::QString)
                return false;
            break;
        case TipoCampo::Data:
            if (v.typeId() != QMetaType::QString || !QDate::fromString(v.toString(), "yyyy-MM-dd").isValid())
                return false;
            break;
        case TipoCampo::Altro:
            break;
        }
    }
    return true;
}

struct Recupero {
    int righe = 0;          // customers copied into the new file
    bool vuoto = false;     // the whole table was read and held no row
};

// Copies every customer that can be read from the damaged file (never written: opened
// read-only and immutable, or read as bytes) into the new database. The engine reads what it
// still can of the schema and the key sequence, leniently; the rows come from every intact
// table-leaf page of the file, read on its own, so the customers behind a damaged root or
// interior page, or before the point where a file was cut, are all saved. A page cut through
// is not read: half a page would give rows with half their fields. A page that the free list
// names is read only when a table's tree still reaches it: its rows were deleted otherwise.
Recupero Recupera(const QString& danneggiato, sqlite3* dest)
{
    QStringList colonne;        // columns of the damaged table in stored order, ZEQ_ID first
    qint64 sequenza = 0;
    bool tabellaVuota = false;  // the engine read the whole table and found no row
    QList<quint32> radici{1};   // roots of the tables' trees, the schema's own on page 1

    sqlite3* src = nullptr;
    const QString uri = QUrl::fromLocalFile(danneggiato).toString(QUrl::FullyEncoded) + "?immutable=1";
    if (sqlite3_open_v2(uri.toUtf8().constData(), &src, SQLITE_OPEN_READONLY | SQLITE_OPEN_URI, nullptr) == SQLITE_OK) {
        // A schema entry that points past the end of a cut file is skipped, not fatal; the
        // first statement after such a schema fails, the later ones work.
        sqlite3_exec(src, "PRAGMA writable_schema=ON", nullptr, nullptr, nullptr);
        sqlite3_exec(src, "PRAGMA cell_size_check=ON", nullptr, nullptr, nullptr);
        sqlite3_exec(src, "SELECT 1 FROM sqlite_master LIMIT 1", nullptr, nullptr, nullptr);
        colonne = NomiColonne(src);
        sqlite3_stmt* st = nullptr;
        if (sqlite3_prepare_v2(src, "SELECT count(*) FROM CLIENTI NOT INDEXED", -1, &st, nullptr) == SQLITE_OK &&
            sqlite3_step(st) == SQLITE_ROW)
            tabellaVuota = sqlite3_column_int64(st, 0) == 0;
        sqlite3_finalize(st);
        if (sqlite3_prepare_v2(src, "SELECT seq FROM sqlite_sequence WHERE name='CLIENTI'", -1, &st, nullptr) == SQLITE_OK &&
            sqlite3_step(st) == SQLITE_ROW)
            sequenza = sqlite3_column_int64(st, 0);
        sqlite3_finalize(st);
        if (sqlite3_prepare_v2(src, "SELECT rootpage FROM sqlite_master WHERE type='table'", -1, &st, nullptr) == SQLITE_OK)
            while (sqlite3_step(st) == SQLITE_ROW)
                radici << quint32(sqlite3_column_int64(st, 0));
        sqlite3_finalize(st);
    }
    sqlite3_close_v2(src);

    // The pages: schema rows (5 values), key-sequence rows (2) and customers.
    QFile f(danneggiato);
    const QByteArray dati = f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    const auto righe = PageScan::Righe(dati, [](const PageScan::Riga& r) {
        return r.valori.size() >= 1 + CampiPrimaVersione ? r.valori[0].isNull()
                                                          : (r.valori.size() == 2 || r.valori.size() == 5) &&
                                                                r.valori[0].typeId() == QMetaType::QString;
    }, radici);
    auto testo = [](const QVariant& v, const char* atteso) {
        return v.typeId() == QMetaType::QString && v.toString().compare(atteso, Qt::CaseInsensitive) == 0;
    };
    for (const PageScan::Riga& r : righe) {
        if (colonne.isEmpty() && r.valori.size() == 5 && testo(r.valori[0], "table") && testo(r.valori[1], "CLIENTI"))
            colonne = ColonneDi(r.valori[4].toString());
        if (r.valori.size() == 2 && testo(r.valori[0], "CLIENTI") && r.valori[1].typeId() == QMetaType::LongLong)
            sequenza = std::max<qint64>(sequenza, r.valori[1].toLongLong());
    }
    if (colonne.isEmpty()) {
        // No schema left anywhere: the current layout.
        colonne << "ZEQ_ID";
        for (const DefinizioneCampo& c : CampiClienti)
            colonne << c.nome;
    }

    // The columns that the damaged table shares with the current one, by name.
    QList<int> posizioni;
    QStringList nomi;
    for (int i = 1; i < colonne.size(); ++i)
        if (const DefinizioneCampo* c = Campo(colonne[i])) {
            posizioni << i;
            nomi << c->nome;
        }
    sqlite3_stmt* ins = nullptr;
    const QByteArray sql = QString("INSERT INTO CLIENTI (ZEQ_ID%1%2) VALUES (?%3)")
                               .arg(nomi.isEmpty() ? "" : ", ", nomi.join(", "), QString(", ?").repeated(nomi.size()))
                               .toUtf8();
    Recupero esito;
    if (sqlite3_prepare_v2(dest, sql.constData(), -1, &ins, nullptr) == SQLITE_OK) {
        QSet<qint64> salvati;
        for (const PageScan::Riga& r : righe) {
            if (salvati.contains(r.chiave) || !RigaCliente(r, colonne))
                continue;
            QVariantList valori{r.chiave};
            for (int i : posizioni)
                valori << r.valori.value(i);
            sqlite3_reset(ins);
            sqlite3_clear_bindings(ins);
            Db::Lega(ins, valori);
            if (sqlite3_step(ins) == SQLITE_DONE) {
                ++esito.righe;
                salvati.insert(r.chiave);
            }
        }
    }
    sqlite3_finalize(ins);
    esito.vuoto = tabellaVuota && esito.righe == 0;

    // Keys of deleted rows stay retired.
    const QByteArray u = QString("UPDATE sqlite_sequence SET seq = max(seq, %1) WHERE name='CLIENTI';"
                                 "INSERT INTO sqlite_sequence (name, seq) SELECT 'CLIENTI', %1 "
                                 "WHERE %1 > 0 AND NOT EXISTS (SELECT 1 FROM sqlite_sequence WHERE name='CLIENTI')")
                             .arg(sequenza)
                             .toUtf8();
    sqlite3_exec(dest, u.constData(), nullptr, nullptr, nullptr);
    return esito;
}

} // namespace

QString FileArchivio() { return Files::PercorsoApp("ARCHIVI/ARCHIVIO.MDB"); }
QString FileRiparazione() { return Files::PercorsoApp("ARCHIVI/ARCHIVIO.REP"); }

namespace {

// The file was found sound in this run, no engine failure came since, and nobody but the
// program has written to it or replaced it since the program's own last write.
bool SanoInQuestaEsecuzione(const QString& path)
{
    return g_verificato.valido && g_verificato.path == path && g_verificato.errori == Db::ErroriMotore() &&
           g_verificato.segno.Valido() && SegnoDi(path) == g_verificato.segno;
}

// Told by the database layer before the program writes to a file. The archive, once opened in
// this run, is written to only while it is as the program's own last write left it; a file
// changed from outside meanwhile (while a screen held it, too) is checked from the disk
// first, and a damaged one is not written to: the next opening repairs it. Nor is a file that
// another was put in the place of: the write would go to the old file, lost when it closes.
// Every write is refused then until the screen lets the archive go; the next opening checks
// the file now at the path.
void ControlloPrimaDiScrivere(Db::Database& db)
{
    static bool inCorso = false;
    const QString path = db.Percorso();
    if (inCorso || g_verificato.path.isEmpty() || g_verificato.path != path)
        return;
    auto spostato = [&] {
        if (db.FileSpostato()) {
            g_verificato.valido = false;
            throw Db::ErroreDb(Db::Err::NonScrivibile, "another file was put in the place of " + path);
        }
    };
    spostato();
    if (SanoInQuestaEsecuzione(path))
        return;
    inCorso = true;
    g_verificato.valido = false;
    bool integro = false;
    try {
        integro = db.IntegroSulDisco();
    } catch (...) {
        inCorso = false;
        throw;
    }
    inCorso = false;
    if (!integro)
        throw Db::ErroreDb(Db::Err::Danneggiato, "damaged database");
    spostato();
    g_verificato = {path, Db::ErroriMotore(), true, SegnoAperto(db, false)};
}

} // namespace

TipoFile ClassificaFile(const QString& path)
{
    QFile f(path);
    if (!QFileInfo::exists(path))
        return TipoFile::Assente;
    if (!f.open(QIODevice::ReadOnly))
        return TipoFile::Estraneo;
    const QByteArray h = f.read(100);
    if (h.size() < 100 || !h.startsWith(QByteArray("SQLite format 3\0", 16)))
        return TipoFile::Estraneo;
    const auto b = reinterpret_cast<const unsigned char*>(h.constData()) + 68;
    const quint32 id = (quint32(b[0]) << 24) | (quint32(b[1]) << 16) | (quint32(b[2]) << 8) | quint32(b[3]);
    return id == IdApplicazione ? TipoFile::Nostro : TipoFile::Estraneo;
}

QString ChiaveTarga(const QString& targa)
{
    return (targa.trimmed().toUpper() + QString(10, ' ')).left(10);
}

void ScorroPrefisso(Db::Recordset& rs, const QString& campo, const QString& testo,
                    const std::function<void()>& riga)
{
    const QString chiave = testo.trimmed();
    if (chiave.isEmpty())
        return;
    rs.MoveFirst();
    if (rs.BOF() && rs.EOF_())
        return;
    rs.Seek(">=", Collazione::ChiaveMinima(chiave));
    while (!rs.NoMatch() && !rs.EOF_()) {
        if (!Collazione::IniziaCon(rs.Valore(campo).toString(), chiave))
            break;
        riga();
        rs.MoveNext();
    }
}

void CreoArchivio()
{
    Collazione::Registra();
    Db::QuandoScritto(&SegnoDopoScrittura);
    Db::PrimaDiScrivere(&ControlloPrimaDiScrivere);
    Archivio.ErroreCreazione = 0;
    Archivio.Riparato = false;
    Archivio.RecordRecuperati = 0;
    Archivio.CopiaDanneggiata.clear();

    const QString cartella = Files::PercorsoApp("ARCHIVI");
    if (!Esiste(cartella, 16) && !Files::CreaCartella(cartella)) {
        Archivio.ErroreCreazione = Db::Err::PercorsoInvalido;
        return;
    }
    const QString path = FileArchivio();
    if (ClassificaFile(path) == TipoFile::Assente) {
        const QString rep = FileRiparazione();
        if (!QFileInfo(rep).isSymLink() && Integro(rep)) {
            // A repair was interrupted after its copy was complete: finish it. The copy is a
            // file the repair made; a link at its name leads to somebody else's.
            if (!Rinomina(rep, path)) {
                Archivio.ErroreCreazione = Db::Err::PercorsoInvalido;
                return;
            }
        } else {
            try {
                Db::Database::Crea(path, [](Db::Database& db) { CreoTabella(db); })->Chiudi();
            } catch (const Db::ErroreDb& e) {
                if (e.Numero != Db::Err::DatabaseEsiste) {
                    Archivio.ErroreCreazione = e.Numero;
                    return;
                }
            }
        }
    }
    if (ClassificaFile(path) != TipoFile::Nostro) {
        Archivio.ErroreCreazione = Db::Err::FormatoIgnoto;
        return;
    }

    // Check, then bring an older table up to date one column at a time.
    static const struct {
        const char* colonna;
        const char* sql;
    } aggiunte[] = {
        {"IMPIANTO", "ALTER TABLE Clienti ADD COLUMN IMPIANTO SMALLINT"},
        {"TIPOTAB", "ALTER TABLE Clienti ADD COLUMN TIPOTAB SMALLINT"},
        {"VERSIONE_ADD", "ALTER TABLE Clienti ADD COLUMN VERSIONE_ADD VARCHAR(3) COLLATE ZEQ"},
    };
    QStringList colonne;   // of the table as the first step found it
    bool riparato = false;
    for (int passo = 0; passo < 4;) {
        // A column the table has already is not added: no opening for it either.
        if (passo > 0 && colonne.contains(QLatin1String(aggiunte[passo - 1].colonna), Qt::CaseInsensitive)) {
            ++passo;
            continue;
        }
        try {
            auto db = Db::Database::Apri(path, true, false);
            if (passo == 0) {
                // The whole file is checked, before anything is written to it, at the first
                // opening of a run, whenever it is not exactly as the program's own last write
                // left it, and after the engine reported any failure in this run. The sign of the
                // file found sound is taken before anything is written; the writes that follow
                // renew it.
                if (!SanoInQuestaEsecuzione(path)) {
                    g_verificato.valido = false;
                    if (db->Valore("PRAGMA quick_check").toString() != "ok")
                        throw Db::ErroreDb(Db::Err::Danneggiato, "damaged database");
                    g_verificato = {path, Db::ErroriMotore(), true, SegnoAperto(*db, false)};
                }
                if (!db->EsisteTabella("CLIENTI")) {
                    db->Inizia();
                    try {
                        CreoTabella(*db);
                        db->Conferma();
                    } catch (...) {
                        db->Annulla();
                        throw;
                    }
                }
                AggiornoOrdine(*db);
                colonne.clear();
                for (const Db::DefCampo& c : db->Campi("CLIENTI"))
                    colonne << c.nome;
            } else {
                db->Esegui(aggiunte[passo - 1].sql);
            }
            db->Chiudi();
            ++passo;
        } catch (const Db::ErroreDb& e) {
            if (e.Numero == Db::Err::ColonnaEsiste || e.Numero == Db::Err::TabellaEsiste) {
                ++passo;
            } else if (e.Numero == Db::Err::Danneggiato && !riparato) {
                // One repair, then the failed step once more.
                riparato = true;
                if (!RiparoArchivio()) {
                    Archivio.ErroreCreazione = e.Numero;
                    return;
                }
            } else {
                Archivio.ErroreCreazione = e.Numero;
                return;
            }
        }
    }
}

bool RiparoArchivio()
{
    const QString path = FileArchivio();
    if (ClassificaFile(path) != TipoFile::Nostro)
        return false;
    // The file itself, at the end of the links the archive may be made of; the repaired copy
    // takes its place there, so that folder must take it (else nothing is made, at every try).
    const QString file = QFileInfo(path).canonicalFilePath();
    const QString cartella = QFileInfo(path).absolutePath();
    QString perche;
    if (!Files::AccoglieFile(QFileInfo(file).absolutePath(), perche))
        return false;

    // Nothing of an earlier attempt may stand where the copy is built, and the damaged file's
    // own journal must go: either would be played back into the copy. The engine played back
    // any journal it could when it found the damage; one left holds nothing of the file. A
    // name that cannot go stops the repair before anything is made, at every try.
    const QString rep = FileRiparazione();
    if (!Files::Rimuovi(rep) || !Files::Rimuovi(rep + "-journal") || !Files::Rimuovi(file + "-journal"))
        return false;

    // The damaged original is kept aside, whole, before anything else is written.
    const QString stampo = g_orologio().toString("yyyyMMdd-HHmmss");
    QString copia = QDir(cartella).filePath("ARCHIVIO." + stampo + ".BAD");
    for (int n = 1; QFileInfo::exists(copia); ++n)
        copia = QDir(cartella).filePath(QString("ARCHIVIO.%1-%2.BAD").arg(stampo).arg(n));
    if (!Files::CopiaAtomica(file, copia))
        return false;

    Recupero esito;
    try {
        Db::Database::Crea(rep, [&](Db::Database& db) {
            CreoTabella(db);
            esito = Recupera(copia, db.handle());
            // A copy without one customer of a file that held some is no repair: the damaged
            // file stays where it is, for a later attempt or for recovery by hand.
            if (esito.righe == 0 && !esito.vuoto)
                throw Db::ErroreDb(Db::Err::Danneggiato, "no customer could be recovered");
        })->Chiudi();
    } catch (const Db::ErroreDb&) {
        Files::Rimuovi(rep);  // one that stays is removed by the next attempt, or stops it
        return false;
    }
    if (!Rinomina(rep, path)) {
        Files::Rimuovi(rep);
        return false;
    }
    Archivio.Riparato = true;
    Archivio.RecordRecuperati = esito.righe;
    Archivio.CopiaDanneggiata = QFileInfo(copia).fileName();
    return true;
}

void ChiudoArchivio()
{
    if (Archivio.RsClienti)
        Archivio.RsClienti->Chiudi();
    Archivio.RsClienti.reset();
    // No sign is taken here: whatever changed the file while it was held, after the program's
    // own last write, is found by the next opening.
    if (Archivio.DbArchivio)
        Archivio.DbArchivio->Chiudi();
    Archivio.DbArchivio.reset();
}

QDate DataDaParti(const QString& giorno, const QString& mese, const QString& anno, int annoMinimo)
{
    auto numero = [](const QString& t, int& n) {
        const QString s = t.trimmed();
        if (s.isEmpty() || s.size() > 4)
            return false;
        for (QChar c : s)
            if (c < '0' || c > '9')
                return false;
        n = s.toInt();
        return true;
    };
    int g = 0, m = 0, a = 0;
    if (!numero(giorno, g) || !numero(mese, m) || !numero(anno, a) || a < std::max(1, annoMinimo))
        return QDate();
    return QDate(a, m, g);
}

void ImpostaOrologioRiparazione(QDateTime (*orologio)()) { g_orologio = orologio ? orologio : &OrologioReale; }

} // namespace Archivi
