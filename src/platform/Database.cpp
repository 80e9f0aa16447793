#include "platform/Database.h"

#include <QDateTime>
#include <QFileInfo>
#include <QHash>
#include <sqlite3.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace Db {

namespace {

std::vector<std::pair<QByteArray, FunzioneCollazione>>& Collazioni()
{
    static std::vector<std::pair<QByteArray, FunzioneCollazione>> c;
    return c;
}

QString Virgolette(const QString& nome)
{
    QString n = nome;
    n.replace('"', "\"\"");
    return '"' + n + '"';
}

DefCampo Definizione(const QString& nome, const QString& tipoDichiarato)
{
    DefCampo d;
    d.nome = nome;
    const QString t = tipoDichiarato.trimmed().toUpper();
    if (t == "SMALLINT") {
        d.tipo = TipoCampo::Intero;
    } else if (t == "DATE") {
        d.tipo = TipoCampo::Data;
    } else if (t.startsWith("VARCHAR") || t.startsWith("CHAR") || t.startsWith("TEXT")) {
        d.tipo = TipoCampo::Testo;
        const int a = t.indexOf('('), b = t.indexOf(')');
        if (a > 0 && b > a)
            d.dimensione = t.mid(a + 1, b - a - 1).trimmed().toInt();
    }
    return d;
}

void SyncCartella(const QString& file)
{
    const QByteArray dir = QFileInfo(file).absolutePath().toLocal8Bit();
    const int fd = ::open(dir.constData(), O_RDONLY | O_DIRECTORY);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

} // namespace

ErroreDb::ErroreDb(int numero, const QString& descrizione)
    : std::runtime_error(QString("%1: %2").arg(numero).arg(descrizione).toStdString())
    , Numero(numero)
    , Descrizione(descrizione)
{
}

static quint64 g_erroriMotore = 0;
static OsservatoreScrittura g_quandoScritto = nullptr;

void QuandoScritto(OsservatoreScrittura osservatore) { g_quandoScritto = osservatore; }

static ControlloScrittura g_primaDiScrivere = nullptr;
void PrimaDiScrivere(ControlloScrittura controllo) { g_primaDiScrivere = controllo; }

quint64 ErroriMotore() { return g_erroriMotore; }

int NumeroErrore(int codice, const QString& messaggio)
{
    if ((codice & 0xff) != SQLITE_ERROR && (codice & 0xff) != SQLITE_CONSTRAINT)
        ++g_erroriMotore;
    switch (codice & 0xff) {
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        return Err::InUso;
    case SQLITE_CORRUPT:
    case SQLITE_NOTADB:
        return Err::Danneggiato;
    case SQLITE_CANTOPEN:
        return Err::PercorsoInvalido;
    case SQLITE_READONLY:
    case SQLITE_PERM:
        return Err::NonScrivibile;
    case SQLITE_FULL:
        return Err::DiscoPieno;
    case SQLITE_CONSTRAINT:
        if (codice == SQLITE_CONSTRAINT_UNIQUE || codice == SQLITE_CONSTRAINT_PRIMARYKEY)
            return Err::Duplicato;
        return Err::Generico;
    case SQLITE_ERROR:
        if (messaggio.startsWith("duplicate column name"))
            return Err::ColonnaEsiste;
        if (messaggio.startsWith("table ") && messaggio.endsWith("already exists"))
            return Err::TabellaEsiste;
        if (messaggio.startsWith("no such table"))
            return Err::TabellaMancante;
        if (messaggio.startsWith("no such column"))
            return Err::ElementoMancante;
        return Err::Generico;
    default:
        return Err::Generico;
    }
}

void RegistraCollazione(const char* nome, FunzioneCollazione funzione)
{
    for (auto& c : Collazioni())
        if (c.first == nome) {
            c.second = funzione;
            return;
        }
    Collazioni().emplace_back(QByteArray(nome), funzione);
}

namespace {
// A text bound as the bytes it was stored with.
struct TestoMemorizzato {
    QByteArray byte;
};
} // namespace

void Lega(sqlite3_stmt* st, const QVariantList& valori, int primo)
{
    for (int i = 0; i < valori.size(); ++i) {
        const QVariant& v = valori[i];
        const int n = primo + i;
        if (v.isNull()) {
            sqlite3_bind_null(st, n);
            continue;
        }
        if (v.metaType() == QMetaType::fromType<TestoMemorizzato>()) {
            const QByteArray t = v.value<TestoMemorizzato>().byte;
            sqlite3_bind_text(st, n, t.constData(), t.size(), SQLITE_TRANSIENT);
            continue;
        }
        switch (v.typeId()) {
        case QMetaType::QDate: {
            const QByteArray t = v.toDate().toString("yyyy-MM-dd").toLatin1();
            sqlite3_bind_text(st, n, t.constData(), t.size(), SQLITE_TRANSIENT);
            break;
        }
        case QMetaType::Int:
        case QMetaType::UInt:
        case QMetaType::LongLong:
        case QMetaType::ULongLong:
        case QMetaType::Short:
        case QMetaType::Bool:
            sqlite3_bind_int64(st, n, v.toLongLong());
            break;
        case QMetaType::Double:
            sqlite3_bind_double(st, n, v.toDouble());
            break;
        case QMetaType::QByteArray: {
            const QByteArray b = v.toByteArray();
            sqlite3_bind_blob(st, n, b.constData(), b.size(), SQLITE_TRANSIENT);
            break;
        }
        default: {
            const QByteArray t = v.toString().toUtf8();
            sqlite3_bind_text(st, n, t.constData(), t.size(), SQLITE_TRANSIENT);
        }
        }
    }
}

QVariant ValoreMemorizzato(sqlite3_stmt* st, int i)
{
    if (sqlite3_column_type(st, i) != SQLITE_TEXT)
        return Colonna(st, i, TipoCampo::Altro);
    return QVariant::fromValue(TestoMemorizzato{QByteArray(reinterpret_cast<const char*>(sqlite3_column_text(st, i)),
                                                           sqlite3_column_bytes(st, i))});
}

QVariant Colonna(sqlite3_stmt* st, int i, TipoCampo tipo)
{
    const int t = sqlite3_column_type(st, i);
    if (t == SQLITE_NULL)
        return QVariant();
    auto testo = [&] {
        const QByteArrayView b(reinterpret_cast<const char*>(sqlite3_column_text(st, i)), sqlite3_column_bytes(st, i));
        // A text that begins with U+FEFF keeps it: the decoder takes it for a byte-order mark.
        if (b.startsWith("\xEF\xBB\xBF"))
            return QChar(0xFEFF) + QString::fromUtf8(b.sliced(3));
        return QString::fromUtf8(b);
    };
    switch (tipo) {
    case TipoCampo::Intero:
        return QVariant(static_cast<int>(sqlite3_column_int64(st, i)));
    case TipoCampo::Testo:
        return QVariant(testo());
    case TipoCampo::Data: {
        const QDate d = QDate::fromString(testo(), "yyyy-MM-dd");
        return d.isValid() ? QVariant(d) : QVariant();
    }
    case TipoCampo::Altro:
        break;
    }
    switch (t) {
    case SQLITE_INTEGER:
        return QVariant(static_cast<qlonglong>(sqlite3_column_int64(st, i)));
    case SQLITE_FLOAT:
        return QVariant(sqlite3_column_double(st, i));
    case SQLITE_BLOB:
        return QVariant(QByteArray(static_cast<const char*>(sqlite3_column_blob(st, i)),
                                   sqlite3_column_bytes(st, i)));
    default:
        return QVariant(testo());
    }
}

// ---------------------------------------------------------------------------------------
// Database

Database::~Database() { Chiudi(); }

sqlite3* Database::ApriConnessione(const QString& path, int flags)
{
    sqlite3* db = nullptr;
    const int rc = sqlite3_open_v2(path.toUtf8().constData(), &db, flags | SQLITE_OPEN_URI, nullptr);
    if (rc != SQLITE_OK) {
        const QString msg = db ? QString::fromUtf8(sqlite3_errmsg(db)) : QString("open failed");
        sqlite3_close_v2(db);
        throw ErroreDb(NumeroErrore(rc, msg), msg);
    }
    sqlite3_extended_result_codes(db, 1);
    sqlite3_busy_timeout(db, 0);
    for (const auto& c : Collazioni())
        sqlite3_create_collation_v2(db, c.first.constData(), SQLITE_UTF8, nullptr, c.second, nullptr);
    return db;
}

void Database::Configura(bool esclusivo, bool solaLettura)
{
    // A rollback journal with the directory synced after every commit: each write is one
    // atomic transaction that survives a crash or a power cut once Update has returned,
    // and the main file alone always holds every committed record.
    if (esclusivo)
        Esegui("PRAGMA locking_mode=EXCLUSIVE");
    Esegui("PRAGMA cell_size_check=ON");
    if (!solaLettura) {
        Valore("PRAGMA journal_mode=DELETE");
        Esegui("PRAGMA synchronous=EXTRA");
        // Deleted rows and freed pages are overwritten, so a repair that reads the file page
        // by page never brings a deleted record back.
        Esegui("PRAGMA secure_delete=ON");
    }
    if (esclusivo && !solaLettura) {
        // Take the write lock now and keep it until the database is closed.
        Esegui("BEGIN EXCLUSIVE");
        Esegui("COMMIT");
    }
    Valore("SELECT count(*) FROM sqlite_master");
    m_configurato = true;
}

std::unique_ptr<Database> Database::Apri(const QString& path, bool esclusivo, bool solaLettura)
{
    const QFileInfo fi(path);
    if (!fi.exists())
        throw ErroreDb(Err::FileNonTrovato, "file not found: " + path);
    std::unique_ptr<Database> d(new Database());
    d->m_path = path;
    d->m_db = ApriConnessione(path, solaLettura ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE);
    d->Configura(esclusivo, solaLettura);
    return d;
}

std::unique_ptr<Database> Database::Crea(const QString& path, const std::function<void(Database&)>& schema)
{
    if (QFileInfo::exists(path) || QFileInfo(path).isSymLink())
        throw ErroreDb(Err::DatabaseEsiste, "database already exists: " + path);
    // Built under a temporary name and linked into place complete: a crash never leaves a
    // half-made file under the real name.
    const QString temp = path + ".NUOVO";
    ::unlink(temp.toLocal8Bit().constData());
    ::unlink((temp + "-journal").toLocal8Bit().constData());
    {
        std::unique_ptr<Database> d(new Database());
        d->m_path = temp;
        d->m_db = ApriConnessione(temp, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
        try {
            d->Configura(false, false);
            d->Inizia();
            if (schema)
                schema(*d);
            d->Conferma();
            d->Chiudi();
        } catch (...) {
            d->Chiudi();
            ::unlink(temp.toLocal8Bit().constData());
            throw;
        }
    }
    const QByteArray t = temp.toLocal8Bit(), p = path.toLocal8Bit();
    // link() never replaces an existing file; a file system without hard links gets a
    // rename after the same check.
    if (::link(t.constData(), p.constData()) != 0) {
        const int e = errno;
        const bool esiste = e == EEXIST || QFileInfo::exists(path);
        if (esiste || ::rename(t.constData(), p.constData()) != 0) {
            ::unlink(t.constData());
            if (esiste)
                throw ErroreDb(Err::DatabaseEsiste, "database already exists: " + path);
            throw ErroreDb(Err::PercorsoInvalido, "cannot create " + path);
        }
    } else {
        ::unlink(t.constData());
    }
    SyncCartella(path);
    return Apri(path, true, false);
}

sqlite3_stmt* Database::Prepara(const QString& sql)
{
    if (!m_db)
        throw ErroreDb(Err::OggettoChiuso, "database closed");
    for (auto& s : m_statement)
        if (s.first == sql) {
            sqlite3_reset(s.second);
            sqlite3_clear_bindings(s.second);
            return s.second;
        }
    sqlite3_stmt* st = nullptr;
    const QByteArray u = sql.toUtf8();
    const int rc = sqlite3_prepare_v3(m_db, u.constData(), u.size(), SQLITE_PREPARE_PERSISTENT, &st, nullptr);
    if (rc != SQLITE_OK)
        Fallisci(rc);
    m_statement.emplace_back(sql, st);
    return st;
}

void Database::Fallisci(int rc)
{
    const QString msg = m_db ? QString::fromUtf8(sqlite3_errmsg(m_db)) : QString();
    throw ErroreDb(NumeroErrore(rc, msg), msg);
}

// Pages written to the database file are counted by the engine (never for an empty transaction,
// such as the one that takes the write lock); the count is read, and cleared, only outside a
// transaction, so it covers every write since the last one reported. What the opening's own
// settings wrote is cleared unreported: those are not the program's writes.
void Database::DopoScrittura()
{
    if (!m_db || !sqlite3_get_autocommit(m_db))
        return;
    int scritte = 0, massimo = 0;
    if (sqlite3_db_status(m_db, SQLITE_DBSTATUS_CACHE_WRITE, &scritte, &massimo, 1) == SQLITE_OK && scritte > 0 &&
        m_configurato && g_quandoScritto)
        g_quandoScritto(*this);
}

bool Database::FileSpostato() const
{
    int spostato = 0;
    if (!m_db || sqlite3_file_control(m_db, "main", SQLITE_FCNTL_HAS_MOVED, &spostato) != SQLITE_OK)
        return false;
    if (spostato)
        return true;
    // The engine looks at the name it resolved its links to; the name given may be a link made
    // to lead to another file since.
    const char* risolto = sqlite3_db_filename(m_db, "main");
    struct stat dato {}, aperto {};
    return !risolto || ::stat(m_path.toUtf8().constData(), &dato) != 0 || ::stat(risolto, &aperto) != 0 ||
           dato.st_dev != aperto.st_dev || dato.st_ino != aperto.st_ino;
}

// Outside a transaction, the first statement that may write (any statement run as text, a
// prepared one that is not read-only, the start of a write transaction) is shown first to
// whoever must look at the file before the program writes to it.
// The opening's own settings are not writes of the program; a read-only connection makes none.
void Database::PrimaScrittura()
{
    if (g_primaDiScrivere && m_db && m_configurato && sqlite3_get_autocommit(m_db)
        && sqlite3_db_readonly(m_db, "main") == 0)
        g_primaDiScrivere(*this);
}

bool Database::IntegroSulDisco()
{
    if (!m_db)
        throw ErroreDb(Err::OggettoChiuso, "database closed");
    sqlite3_db_release_memory(m_db);
    return Valore("PRAGMA quick_check").toString() == QLatin1String("ok");
}

void Database::Esegui(const QString& sql, const QVariantList& parametri)
{
    if (!m_db)
        throw ErroreDb(Err::OggettoChiuso, "database closed");
    if (parametri.isEmpty()) {
        PrimaScrittura();
        char* errore = nullptr;
        const int rc = sqlite3_exec(m_db, sql.toUtf8().constData(), nullptr, nullptr, &errore);
        DopoScrittura();
        if (rc != SQLITE_OK) {
            const QString msg = QString::fromUtf8(errore ? errore : sqlite3_errmsg(m_db));
            sqlite3_free(errore);
            throw ErroreDb(NumeroErrore(sqlite3_extended_errcode(m_db), msg), msg);
        }
        return;
    }
    sqlite3_stmt* st = Prepara(sql);
    if (!sqlite3_stmt_readonly(st))
        PrimaScrittura();
    Lega(st, parametri);
    int rc;
    while ((rc = sqlite3_step(st)) == SQLITE_ROW) {
    }
    sqlite3_reset(st);
    DopoScrittura();
    if (rc != SQLITE_DONE)
        Fallisci(rc);
}

QVariant Database::Valore(const QString& sql, const QVariantList& parametri)
{
    sqlite3_stmt* st = Prepara(sql);
    if (!sqlite3_stmt_readonly(st))
        PrimaScrittura();
    Lega(st, parametri);
    const int rc = sqlite3_step(st);
    QVariant v;
    if (rc == SQLITE_ROW)
        v = Colonna(st, 0, TipoCampo::Altro);
    sqlite3_reset(st);
    DopoScrittura();
    if (rc != SQLITE_ROW && rc != SQLITE_DONE)
        Fallisci(rc);
    return v;
}

void Database::Inizia() { Esegui("BEGIN IMMEDIATE"); }
void Database::Conferma() { Esegui("COMMIT"); }
void Database::Annulla()
{
    if (m_db && !sqlite3_get_autocommit(m_db)) {
        sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
        DopoScrittura();
    }
}
bool Database::InTransazione() const { return m_db && !sqlite3_get_autocommit(m_db); }

bool Database::EsisteTabella(const QString& tabella)
{
    return Valore("SELECT count(*) FROM sqlite_master WHERE type='table' AND name=? COLLATE NOCASE",
                  {tabella}).toInt() > 0;
}

QList<DefCampo> Database::Campi(const QString& tabella)
{
    QList<DefCampo> campi;
    sqlite3_stmt* st = Prepara("SELECT name, type FROM pragma_table_info(?) ORDER BY cid");
    Lega(st, {tabella});
    int rc;
    while ((rc = sqlite3_step(st)) == SQLITE_ROW) {
        const QString nome = Colonna(st, 0, TipoCampo::Testo).toString();
        if (nome.compare(ChiaveNascosta, Qt::CaseInsensitive) != 0)
            campi.append(Definizione(nome, Colonna(st, 1, TipoCampo::Testo).toString()));
    }
    sqlite3_reset(st);
    if (rc != SQLITE_DONE)
        Fallisci(rc);
    return campi;
}

QStringList Database::Indici(const QString& tabella)
{
    QStringList nomi;
    sqlite3_stmt* st = Prepara("SELECT name FROM sqlite_master WHERE type='index' AND "
                               "tbl_name=? COLLATE NOCASE AND sql IS NOT NULL ORDER BY rowid");
    Lega(st, {tabella});
    while (sqlite3_step(st) == SQLITE_ROW)
        nomi.append(Colonna(st, 0, TipoCampo::Testo).toString());
    sqlite3_reset(st);
    return nomi;
}

std::unique_ptr<Recordset> Database::ApriTabella(const QString& tabella)
{
    if (!m_db)
        throw ErroreDb(Err::OggettoChiuso, "database closed");
    if (!EsisteTabella(tabella))
        throw ErroreDb(Err::TabellaMancante, "no such table: " + tabella);
    std::unique_ptr<Recordset> r(new Recordset(this, tabella));
    r->MoveFirst();
    return r;
}

std::unique_ptr<Snapshot> Database::ApriSnapshot(const QString& sql, const QVariantList& parametri)
{
    if (!m_db)
        throw ErroreDb(Err::OggettoChiuso, "database closed");
    return std::unique_ptr<Snapshot>(new Snapshot(this, sql, parametri));
}

void Database::Chiudi()
{
    if (!m_db)
        return;
    for (Recordset* r : m_recordset)
        r->m_db = nullptr;
    m_recordset.clear();
    for (Snapshot* s : m_snapshot) {
        sqlite3_finalize(s->m_st);
        s->m_st = nullptr;
        s->m_db = nullptr;
    }
    m_snapshot.clear();
    for (auto& s : m_statement)
        sqlite3_finalize(s.second);
    m_statement.clear();
    sqlite3_close_v2(m_db);
    m_db = nullptr;
}

// ---------------------------------------------------------------------------------------
// Recordset

Recordset::Recordset(Database* db, const QString& tabella)
    : m_db(db)
    , m_tabella(tabella)
{
    m_campi = db->Campi(tabella);
    m_nomiIndici = db->Indici(tabella);
    db->m_recordset.append(this);
}

Recordset::~Recordset() { Chiudi(); }

void Recordset::Chiudi()
{
    if (m_db)
        m_db->m_recordset.removeAll(this);
    m_db = nullptr;
}

void Recordset::Controlla() const
{
    if (!m_db)
        throw ErroreDb(Err::OggettoChiuso, "recordset closed");
}

void Recordset::RichiediCorrente() const
{
    Controlla();
    if (m_cancellato)
        throw ErroreDb(Err::RecordCancellato, "record is deleted");
    if (!m_haCorrente)
        throw ErroreDb(Err::NonCorrente, "no current record");
}

int Recordset::IndiceCampo(const QString& campo) const
{
    for (int i = 0; i < m_campi.size(); ++i)
        if (m_campi[i].nome.compare(campo, Qt::CaseInsensitive) == 0)
            return i;
    throw ErroreDb(Err::ElementoMancante, "item not found: " + campo);
}

void Recordset::ImpostaIndice(const QString& nome)
{
    Controlla();
    QList<int> chiave;
    QString trovato;
    if (!nome.isEmpty()) {
        for (const QString& n : m_nomiIndici)
            if (n.compare(nome, Qt::CaseInsensitive) == 0)
                trovato = n;
        if (trovato.isEmpty())
            throw ErroreDb(Err::ElementoMancante, "no such index: " + nome);
        sqlite3_stmt* st = m_db->Prepara("SELECT name FROM pragma_index_info(?) ORDER BY seqno");
        Lega(st, {trovato});
        while (sqlite3_step(st) == SQLITE_ROW)
            chiave.append(IndiceCampo(Colonna(st, 0, TipoCampo::Testo).toString()));
        sqlite3_reset(st);
    }
    m_indice = trovato;
    m_chiaveCampi = chiave;
    Invalida();
}

QString Recordset::Elenco() const
{
    QString s = ChiaveNascosta;
    for (const DefCampo& c : m_campi)
        s += ", " + Virgolette(c.nome);
    return s;
}

QString Recordset::Ordine(bool discendente) const
{
    const QString verso = discendente ? " DESC" : "";
    QString s;
    for (int i : m_chiaveCampi)
        s += Virgolette(m_campi[i].nome) + verso + ", ";
    return s + ChiaveNascosta + verso;
}

QVariantList Recordset::Chiave(const Riga& r) const
{
    QVariantList k;
    for (int i : m_chiaveCampi)
        k.append(i < r.memorizzati.size() ? r.memorizzati[i] : r.valori[i]);
    return k;
}

void Recordset::Carica(const QString& dove, const QVariantList& parametri, bool discendente, int limite,
                       std::vector<Riga>& righe)
{
    Controlla();
    const QString sql = "SELECT " + Elenco() + " FROM " + Virgolette(m_tabella) + " WHERE " + dove +
                        " ORDER BY " + Ordine(discendente) + " LIMIT ?";
    sqlite3_stmt* st = m_db->Prepara(sql);
    Lega(st, parametri);
    sqlite3_bind_int(st, parametri.size() + 1, limite);
    int rc;
    while ((rc = sqlite3_step(st)) == SQLITE_ROW) {
        Riga r;
        r.id = sqlite3_column_int64(st, 0);
        r.valori.reserve(m_campi.size());
        for (int i = 0; i < m_campi.size(); ++i) {
            // As stored first: reading a value as another type converts it.
            r.memorizzati.append(ValoreMemorizzato(st, i + 1));
            r.valori.append(Colonna(st, i + 1, m_campi[i].tipo));
        }
        righe.push_back(std::move(r));
    }
    sqlite3_reset(st);
    if (rc != SQLITE_DONE)
        m_db->Fallisci(rc);
}

// Rows strictly after (chiave, id) in the order of the current index, NULL keys first.
// Split into ranges that each follow the index, so every query is one index seek.
void Recordset::Dopo(const QVariantList& chiave, qint64 id, int limite, std::vector<Riga>& righe)
{
    const int n = m_chiaveCampi.size();
    auto prefisso = [&](int quanti, QString& dove, QVariantList& par) {
        for (int j = 0; j < quanti; ++j) {
            const QString c = Virgolette(m_campi[m_chiaveCampi[j]].nome);
            if (chiave[j].isNull()) {
                dove += c + " IS NULL AND ";
            } else {
                dove += c + " = ? AND ";
                par.append(chiave[j]);
            }
        }
    };
    {
        QString dove;
        QVariantList par;
        prefisso(n, dove, par);
        dove += QString(ChiaveNascosta) + " > ?";
        par.append(id);
        Carica(dove, par, false, limite, righe);
    }
    for (int i = n - 1; i >= 0 && static_cast<int>(righe.size()) < limite; --i) {
        QString dove;
        QVariantList par;
        prefisso(i, dove, par);
        const QString c = Virgolette(m_campi[m_chiaveCampi[i]].nome);
        if (chiave[i].isNull()) {
            dove += c + " IS NOT NULL";
        } else {
            dove += c + " > ?";
            par.append(chiave[i]);
        }
        Carica(dove, par, false, limite - static_cast<int>(righe.size()), righe);
    }
}

void Recordset::Invalida()
{
    m_avanti.clear();
    m_posAvanti = 0;
    m_lotto = 8;
    m_cancellato = false;
}

void Recordset::Posiziona(std::vector<Riga>& righe)
{
    if (righe.empty()) {
        m_haCorrente = false;
        return;
    }
    m_corrente = std::move(righe.front());
    m_haCorrente = true;
    m_bof = m_eof = false;
}

void Recordset::MoveFirst()
{
    Controlla();
    CancelUpdate();
    Invalida();
    std::vector<Riga> r;
    Carica("1", {}, false, 1, r);
    Posiziona(r);
    if (!m_haCorrente)
        m_bof = m_eof = true;
}

void Recordset::MoveLast()
{
    Controlla();
    CancelUpdate();
    Invalida();
    std::vector<Riga> r;
    Carica("1", {}, true, 1, r);
    Posiziona(r);
    if (!m_haCorrente)
        m_bof = m_eof = true;
}

void Recordset::MoveNext()
{
    Controlla();
    if (m_eof || (!m_haCorrente && !m_cancellato))
        throw ErroreDb(Err::NonCorrente, "no current record");
    CancelUpdate();
    if (m_posAvanti >= m_avanti.size()) {
        const bool cancellato = m_cancellato;
        std::vector<Riga> r;
        Dopo(Chiave(m_corrente), m_corrente.id, m_lotto, r);
        m_avanti = std::move(r);
        m_posAvanti = 0;
        m_lotto = std::min(m_lotto * 4, 512);
        m_cancellato = cancellato;
    }
    m_cancellato = false;
    if (m_posAvanti >= m_avanti.size()) {
        m_haCorrente = false;
        m_eof = true;
        m_avanti.clear();
        m_posAvanti = 0;
        return;
    }
    m_corrente = std::move(m_avanti[m_posAvanti++]);
    m_haCorrente = true;
    m_bof = false;
}

void Recordset::Seek(const QString& operatore, const QVariantList& valori)
{
    Controlla();
    if (m_chiaveCampi.isEmpty())
        throw ErroreDb(Err::SenzaIndice, "operation invalid without a current index");
    const bool uguale = operatore.trimmed() == "=";
    if (!uguale && operatore.trimmed() != ">=")
        throw ErroreDb(Err::Generico, "unsupported seek operator " + operatore);
    CancelUpdate();
    Invalida();
    const int m = std::min<int>(valori.size(), m_chiaveCampi.size());
    auto prefisso = [&](int quanti, QString& dove, QVariantList& par) {
        for (int j = 0; j < quanti; ++j) {
            const QString c = Virgolette(m_campi[m_chiaveCampi[j]].nome);
            if (valori[j].isNull()) {
                dove += c + " IS NULL AND ";
            } else {
                dove += c + " = ? AND ";
                par.append(valori[j]);
            }
        }
    };
    std::vector<Riga> r;
    if (uguale) {
        QString dove;
        QVariantList par;
        prefisso(m, dove, par);
        Carica(dove + "1", par, false, 1, r);
    } else {
        for (int i = m - 1; i >= 0 && r.empty(); --i) {
            QString dove;
            QVariantList par;
            prefisso(i, dove, par);
            const QString c = Virgolette(m_campi[m_chiaveCampi[i]].nome);
            if (i == m - 1) {
                if (valori[i].isNull()) {
                    dove += "1";
                } else {
                    dove += c + " >= ?";
                    par.append(valori[i]);
                }
            } else if (valori[i].isNull()) {
                dove += c + " IS NOT NULL";
            } else {
                dove += c + " > ?";
                par.append(valori[i]);
            }
            Carica(dove, par, false, 1, r);
        }
    }
    Posiziona(r);
    m_noMatch = !m_haCorrente;
    if (m_noMatch)
        m_eof = true;
}

QVariant Recordset::Valore(const QString& campo) const
{
    Controlla();
    const int i = IndiceCampo(campo);
    if (m_modo != Modo::Nessuno)
        return m_pendenti[i];
    RichiediCorrente();
    return m_corrente.valori[i];
}

void Recordset::Imposta(const QString& campo, const QVariant& valore)
{
    Controlla();
    const int i = IndiceCampo(campo);
    if (m_modo == Modo::Nessuno)
        throw ErroreDb(Err::NessunUpdate, "Update or CancelUpdate without AddNew or Edit");
    const DefCampo& d = m_campi[i];
    if (valore.isNull()) {
        m_pendenti[i] = QVariant();
        return;
    }
    switch (d.tipo) {
    case TipoCampo::Intero: {
        bool ok = false;
        const qlonglong n = valore.typeId() == QMetaType::QString ? valore.toString().trimmed().toLongLong(&ok)
                                                                  : valore.toLongLong(&ok);
        if (!ok || valore.typeId() == QMetaType::QDate)
            throw ErroreDb(Err::TipoErrato, "data type conversion error: " + d.nome);
        if (n < -32768 || n > 32767)
            throw ErroreDb(Err::Overflow, "numeric field overflow: " + d.nome);
        m_pendenti[i] = static_cast<int>(n);
        return;
    }
    case TipoCampo::Testo: {
        const QString t = valore.toString();
        if (d.dimensione > 0 && t.size() > d.dimensione)
            throw ErroreDb(Err::CampoTroppoPiccolo, "field too small for the data: " + d.nome);
        m_pendenti[i] = t;
        return;
    }
    case TipoCampo::Data: {
        QDate data;
        if (valore.typeId() == QMetaType::QDate)
            data = valore.toDate();
        else if (valore.typeId() == QMetaType::QDateTime)
            data = valore.toDateTime().date();
        else if (valore.typeId() == QMetaType::QString)
            data = QDate::fromString(valore.toString(), "yyyy-MM-dd");
        if (!data.isValid())
            throw ErroreDb(Err::TipoErrato, "data type conversion error: " + d.nome);
        m_pendenti[i] = data;
        return;
    }
    case TipoCampo::Altro:
        m_pendenti[i] = valore;
        return;
    }
}

void Recordset::AddNew()
{
    Controlla();
    m_pendenti.clear();
    for (int i = 0; i < m_campi.size(); ++i)
        m_pendenti.append(QVariant());
    m_modo = Modo::Nuovo;
}

void Recordset::Edit()
{
    RichiediCorrente();
    m_pendenti = m_corrente.valori;
    m_modo = Modo::Modifica;
}

void Recordset::CancelUpdate()
{
    m_modo = Modo::Nessuno;
    m_pendenti.clear();
}

void Recordset::Update()
{
    Controlla();
    if (m_modo == Modo::Nessuno)
        throw ErroreDb(Err::NessunUpdate, "Update or CancelUpdate without AddNew or Edit");
    const Modo modo = m_modo;
    const QVariantList valori = m_pendenti;
    CancelUpdate();
    QString sql;
    QVariantList par = valori;
    if (modo == Modo::Nuovo) {
        QString nomi, segni;
        for (int i = 0; i < m_campi.size(); ++i) {
            nomi += (i ? ", " : "") + Virgolette(m_campi[i].nome);
            segni += i ? ", ?" : "?";
        }
        sql = "INSERT INTO " + Virgolette(m_tabella) + " (" + nomi + ") VALUES (" + segni + ")";
    } else {
        QString set;
        for (int i = 0; i < m_campi.size(); ++i)
            set += (i ? ", " : "") + Virgolette(m_campi[i].nome) + " = ?";
        sql = "UPDATE " + Virgolette(m_tabella) + " SET " + set + " WHERE " + ChiaveNascosta + " = ?";
        par.append(m_corrente.id);
    }
    // One statement outside an explicit transaction is one atomic, synced transaction.
    m_db->Esegui(sql, par);
    // An edited row that is no longer there (deleted through another recordset) stored nothing.
    if (modo == Modo::Modifica && sqlite3_changes(m_db->handle()) == 0)
        throw ErroreDb(Err::RecordCancellato, "record is deleted");
    m_avanti.clear();
    m_posAvanti = 0;
    if (modo == Modo::Nuovo) {
        m_ultimo = sqlite3_last_insert_rowid(m_db->handle());
    } else {
        m_corrente.valori = valori;
        m_corrente.memorizzati.clear();   // stored as they are written
        m_ultimo = m_corrente.id;
    }
}

void Recordset::Delete()
{
    RichiediCorrente();
    CancelUpdate();
    m_db->Esegui(QString("DELETE FROM ") + Virgolette(m_tabella) + " WHERE " + ChiaveNascosta + " = ?",
                 {m_corrente.id});
    m_haCorrente = false;
    m_cancellato = true;
}

Segnalibro Recordset::Bookmark() const
{
    RichiediCorrente();
    return m_corrente.id;
}

void Recordset::ImpostaBookmark(Segnalibro b)
{
    Controlla();
    CancelUpdate();
    Invalida();
    std::vector<Riga> r;
    Carica(QString(ChiaveNascosta) + " = ?", {b}, false, 1, r);
    if (r.empty())
        throw ErroreDb(Err::RecordCancellato, "record is deleted");
    Posiziona(r);
}

qint64 Recordset::Conta()
{
    Controlla();
    return m_db->Valore("SELECT count(*) FROM " + Virgolette(m_tabella)).toLongLong();
}

// ---------------------------------------------------------------------------------------
// Snapshot

Snapshot::Snapshot(Database* db, const QString& sql, const QVariantList& parametri)
    : m_db(db)
{
    const QByteArray u = sql.toUtf8();
    const int rc = sqlite3_prepare_v2(db->handle(), u.constData(), u.size(), &m_st, nullptr);
    if (rc != SQLITE_OK)
        db->Fallisci(rc);
    if (!sqlite3_stmt_readonly(m_st)) {
        sqlite3_finalize(m_st);
        throw ErroreDb(Err::SolaLettura, "a snapshot is read-only");
    }
    Lega(m_st, parametri);
    for (int i = 0; i < sqlite3_column_count(m_st); ++i) {
        m_nomi.append(QString::fromUtf8(sqlite3_column_name(m_st, i)));
        const char* tipo = sqlite3_column_decltype(m_st, i);
        m_tipi.append(Definizione(QString(), QString::fromUtf8(tipo ? tipo : "")).tipo);
    }
    db->m_snapshot.append(this);
    m_eof = false;
    Passo();
    m_bof = m_eof;
}

Snapshot::~Snapshot() { Chiudi(); }

void Snapshot::Chiudi()
{
    if (m_db)
        m_db->m_snapshot.removeAll(this);
    sqlite3_finalize(m_st);
    m_st = nullptr;
    m_db = nullptr;
    m_eof = true;
}

void Snapshot::Passo()
{
    const int rc = sqlite3_step(m_st);
    if (rc == SQLITE_ROW)
        return;
    m_eof = true;
    if (rc != SQLITE_DONE)
        m_db->Fallisci(rc);
}

void Snapshot::MoveNext()
{
    if (!m_db)
        throw ErroreDb(Err::OggettoChiuso, "snapshot closed");
    if (m_eof)
        throw ErroreDb(Err::NonCorrente, "no current record");
    m_eof = false;
    Passo();
}

QVariant Snapshot::Valore(const QString& campo) const
{
    if (!m_db)
        throw ErroreDb(Err::OggettoChiuso, "snapshot closed");
    if (m_eof)
        throw ErroreDb(Err::NonCorrente, "no current record");
    for (int i = 0; i < m_nomi.size(); ++i)
        if (m_nomi[i].compare(campo, Qt::CaseInsensitive) == 0)
            return Colonna(m_st, i, m_tipi[i]);
    throw ErroreDb(Err::ElementoMancante, "item not found: " + campo);
}

} // namespace Db
