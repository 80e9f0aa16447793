#include "archive/Archivio.h"

#include <algorithm>

#include "archive/Collazione.h"
#include "platform/Files.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QUrl>
#include <sqlite3.h>

#include <climits>
#include <fcntl.h>
#include <unistd.h>

StatoArchivio Archivio;

void StatoArchivio::reset()
{
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
}

void SyncCartella(const QString& file)
{
    const int fd = ::open(QFileInfo(file).absolutePath().toLocal8Bit().constData(), O_RDONLY | O_DIRECTORY);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

bool Rinomina(const QString& da, const QString& a)
{
    if (::rename(da.toLocal8Bit().constData(), a.toLocal8Bit().constData()) != 0)
        return false;
    SyncCartella(a);
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

// Copies every readable row of CLIENTI from the damaged file (opened read-only, never
// written) into the new database. Damaged pages are stepped over by their row keys.
int Recupera(const QString& danneggiato, sqlite3* dest)
{
    sqlite3* src = nullptr;
    const QString uri = QUrl::fromLocalFile(danneggiato).toString(QUrl::FullyEncoded) + "?immutable=1";
    if (sqlite3_open_v2(uri.toUtf8().constData(), &src, SQLITE_OPEN_READONLY | SQLITE_OPEN_URI, nullptr) != SQLITE_OK) {
        sqlite3_close_v2(src);
        return 0;
    }
    sqlite3_exec(src, "PRAGMA cell_size_check=ON", nullptr, nullptr, nullptr);
    Collazione::Registra();
    // Columns of the damaged table that the current table has.
    QStringList colonne;
    {
        sqlite3_stmt* st = nullptr;
        if (sqlite3_prepare_v2(src, "SELECT name FROM pragma_table_info('CLIENTI')", -1, &st, nullptr) == SQLITE_OK) {
            while (sqlite3_step(st) == SQLITE_ROW) {
                const QString n = QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, 0)));
                for (const DefinizioneCampo& c : CampiClienti)
                    if (n.compare(c.nome, Qt::CaseInsensitive) == 0)
                        colonne.append(c.nome);
            }
        }
        sqlite3_finalize(st);
    }
    int recuperati = 0;
    if (!colonne.isEmpty()) {
        const QString elenco = colonne.join(", ");
        QString segni;
        for (int i = 0; i < colonne.size(); ++i)
            segni += ", ?";
        sqlite3_stmt* ins = nullptr;
        const QByteArray sqlIns = QString("INSERT INTO CLIENTI (ZEQ_ID, %1) VALUES (?%2)").arg(elenco, segni).toUtf8();
        sqlite3_prepare_v2(dest, sqlIns.constData(), -1, &ins, nullptr);
        const QByteArray sqlSel =
            QString("SELECT ZEQ_ID, %1 FROM CLIENTI NOT INDEXED WHERE ZEQ_ID >= ? ORDER BY ZEQ_ID").arg(elenco).toUtf8();
        // First row key at or after `da` that can be read: -1 read error, 0 none, 1 found.
        auto sonda = [&](qint64 da, qint64& trovato) {
            sqlite3_stmt* st = nullptr;
            if (sqlite3_prepare_v2(src, "SELECT ZEQ_ID FROM CLIENTI NOT INDEXED WHERE ZEQ_ID >= ? ORDER BY ZEQ_ID LIMIT 1",
                                   -1, &st, nullptr) != SQLITE_OK) {
                sqlite3_finalize(st);
                return -1;
            }
            sqlite3_bind_int64(st, 1, da);
            const int rc = sqlite3_step(st);
            if (rc == SQLITE_ROW)
                trovato = sqlite3_column_int64(st, 0);
            sqlite3_finalize(st);
            return rc == SQLITE_ROW ? 1 : (rc == SQLITE_DONE ? 0 : -1);
        };
        qint64 cursore = LLONG_MIN;
        for (;;) {
            sqlite3_stmt* st = nullptr;
            if (sqlite3_prepare_v2(src, sqlSel.constData(), -1, &st, nullptr) != SQLITE_OK) {
                sqlite3_finalize(st);
                break;
            }
            sqlite3_bind_int64(st, 1, cursore);
            int rc;
            while ((rc = sqlite3_step(st)) == SQLITE_ROW) {
                const qint64 id = sqlite3_column_int64(st, 0);
                sqlite3_reset(ins);
                for (int i = 0; i <= colonne.size(); ++i)
                    sqlite3_bind_value(ins, i + 1, sqlite3_column_value(st, i));
                if (sqlite3_step(ins) == SQLITE_DONE)
                    ++recuperati;
                cursore = id == LLONG_MAX ? id : id + 1;
            }
            sqlite3_finalize(st);
            if (rc == SQLITE_DONE || cursore == LLONG_MAX)
                break;
            // A damaged row or page at or after `cursore`: find the next key that reads.
            qint64 k = 0;
            const int s = sonda(cursore, k);
            if (s == 0)
                break;
            if (s == 1) {
                // The key reads but the row does not: skip that row only.
                if (k == LLONG_MAX)
                    break;
                cursore = k + 1;
                continue;
            }
            qint64 passo = 1, buono = 0;
            bool trovato = false;
            for (int bit = 0; bit < 63 && cursore <= LLONG_MAX - (qint64(1) << bit); ++bit) {
                passo = qint64(1) << bit;
                qint64 x = 0;
                if (sonda(cursore + passo, x) >= 0) {
                    buono = cursore + passo;
                    trovato = true;
                    break;
                }
            }
            if (!trovato)
                break;
            qint64 basso = cursore + passo / 2;   // last probe that failed (or cursore)
            qint64 alto = buono;
            while (alto - basso > 1) {
                const qint64 m = basso + (alto - basso) / 2;
                qint64 x = 0;
                if (sonda(m, x) >= 0)
                    alto = m;
                else
                    basso = m;
            }
            cursore = alto;
        }
        sqlite3_finalize(ins);
        // Keys of deleted rows stay retired.
        sqlite3_stmt* seq = nullptr;
        if (sqlite3_prepare_v2(src, "SELECT seq FROM sqlite_sequence WHERE name='CLIENTI'", -1, &seq, nullptr) == SQLITE_OK &&
            sqlite3_step(seq) == SQLITE_ROW) {
            const QByteArray u = QString("UPDATE sqlite_sequence SET seq = max(seq, %1) WHERE name='CLIENTI'")
                                     .arg(sqlite3_column_int64(seq, 0))
                                     .toUtf8();
            sqlite3_exec(dest, u.constData(), nullptr, nullptr, nullptr);
        }
        sqlite3_finalize(seq);
    }
    sqlite3_close_v2(src);
    return recuperati;
}

} // namespace

QString FileArchivio() { return Files::PercorsoApp("ARCHIVI/ARCHIVIO.MDB"); }
QString FileRiparazione() { return Files::PercorsoApp("ARCHIVI/ARCHIVIO.REP"); }

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
        if (Integro(rep)) {
            // A repair was interrupted after its copy was complete: finish it.
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
    static const char* const aggiunte[] = {
        "ALTER TABLE Clienti ADD COLUMN IMPIANTO SMALLINT",
        "ALTER TABLE Clienti ADD COLUMN TIPOTAB SMALLINT",
        "ALTER TABLE Clienti ADD COLUMN VERSIONE_ADD VARCHAR(3) COLLATE ZEQ",
    };
    bool riparato = false;
    for (int passo = 0; passo < 4;) {
        try {
            auto db = Db::Database::Apri(path, true, false);
            if (passo == 0) {
                if (db->Valore("PRAGMA quick_check").toString() != "ok")
                    throw Db::ErroreDb(Db::Err::Danneggiato, "damaged database");
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
            } else {
                db->Esegui(aggiunte[passo - 1]);
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
    const QString cartella = QFileInfo(path).absolutePath();

    // The damaged original is kept aside, whole, before anything else happens.
    const QString stampo = g_orologio().toString("yyyyMMdd-HHmmss");
    QString copia = QDir(cartella).filePath("ARCHIVIO." + stampo + ".BAD");
    for (int n = 1; QFileInfo::exists(copia); ++n)
        copia = QDir(cartella).filePath(QString("ARCHIVIO.%1-%2.BAD").arg(stampo).arg(n));
    if (!Files::CopiaAtomica(path, copia))
        return false;

    const QString rep = FileRiparazione();
    QFile::remove(rep);
    QFile::remove(rep + "-journal");
    int recuperati = 0;
    try {
        Db::Database::Crea(rep, [&](Db::Database& db) {
            CreoTabella(db);
            recuperati = Recupera(copia, db.handle());
        })->Chiudi();
    } catch (const Db::ErroreDb&) {
        QFile::remove(rep);
        return false;
    }
    QFile::remove(path + "-journal");
    if (!Rinomina(rep, path))
        return false;
    Archivio.Riparato = true;
    Archivio.RecordRecuperati = recuperati;
    Archivio.CopiaDanneggiata = QFileInfo(copia).fileName();
    return true;
}

void ChiudoArchivio()
{
    if (Archivio.RsClienti)
        Archivio.RsClienti->Chiudi();
    Archivio.RsClienti.reset();
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
