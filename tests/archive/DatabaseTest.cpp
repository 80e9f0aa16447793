// The database layer and the archive file: creation, upgrade, exclusive opening, durability
// settings, field checks, index order (and its rebuild under a newer order) and prefix walks,
// bookmarks, error numbers.
#include "ArchiveTestSupport.h"
#include "archive/Collazione.h"
#include "support/TestSupport.h"

#include <QFile>
#include <gtest/gtest.h>

#include <stdexcept>
#include <sqlite3.h>

using namespace Archivi;

namespace {

class ArchivioDb : public ::testing::Test {
protected:
    void SetUp() override { Archivio.reset(); }
    void TearDown() override { Archivio.reset(); }
    CartellaProgramma prog;

    int Errore(const std::function<void()>& f)
    {
        try {
            f();
        } catch (const Db::ErroreDb& e) {
            return e.Numero;
        }
        return 0;
    }

    QStringList NomiInOrdine(Db::Recordset& rs)
    {
        QStringList nomi;
        rs.ImpostaIndice("PER_NOME");
        // A walk that comes back round fails here instead of running on.
        for (rs.MoveFirst(); !rs.EOF_() && nomi.size() <= 1000; rs.MoveNext())
            nomi << rs.Valore("DITTA_NOME").toString();
        return nomi;
    }
};

TEST_F(ArchivioDb, CreatesFolderFileTableAndIndexes)
{
    ASSERT_FALSE(QFile::exists(prog.file("ARCHIVI")));
    CreoArchivio();
    EXPECT_EQ(Archivio.ErroreCreazione, 0);
    EXPECT_EQ(ClassificaFile(FileArchivio()), TipoFile::Nostro);

    auto db = Db::Database::Apri(FileArchivio());
    const QList<Db::DefCampo> campi = db->Campi("CLIENTI");
    ASSERT_EQ(campi.size(), 28);
    for (int i = 0; i < 28; ++i) {
        EXPECT_EQ(campi[i].nome, CampiClienti[i].nome);
        EXPECT_EQ(campi[i].tipo, CampiClienti[i].tipo) << campi[i].nome.toStdString();
        EXPECT_EQ(campi[i].dimensione, CampiClienti[i].dimensione) << campi[i].nome.toStdString();
    }
    EXPECT_EQ(db->Indici("CLIENTI"), QStringList({"PER_NOME", "PER_DATA_REV", "PER_TARGA_AUTO"}));
    EXPECT_EQ(db->Valore("SELECT \"unique\" FROM pragma_index_list('CLIENTI') WHERE name='PER_TARGA_AUTO'").toInt(), 1);
    EXPECT_EQ(db->Valore("SELECT \"unique\" FROM pragma_index_list('CLIENTI') WHERE name='PER_NOME'").toInt(), 0);
    EXPECT_EQ(db->ApriTabella("CLIENTI")->Conta(), 0);
}

TEST_F(ArchivioDb, SecondCreationLeavesCurrentFileUnchanged)
{
    CreoArchivio();
    {
        auto db = Db::Database::Apri(FileArchivio());
        AggiungoCliente(*db->ApriTabella("CLIENTI"), "AB123", "ROSSI");
    }
    const QByteArray prima = prog.leggi("ARCHIVI/ARCHIVIO.MDB");
    CreoArchivio();
    EXPECT_EQ(Archivio.ErroreCreazione, 0);
    EXPECT_FALSE(Archivio.Riparato);
    EXPECT_EQ(prog.leggi("ARCHIVI/ARCHIVIO.MDB"), prima);
    // Damage that came after this run's check is caught at the next opening: the file is no
    // longer as the program left it, and the engine has reported an error.
    int pagina = 0, dimensione = 0;
    {
        auto db = Db::Database::Apri(FileArchivio());
        dimensione = db->Valore("PRAGMA page_size").toInt();
        pagina = db->Valore("SELECT pageno FROM dbstat WHERE name='PER_NOME'").toInt();
    }
    prog.scrivi("ARCHIVI/ARCHIVIO.MDB", QByteArray(prima).replace((pagina - 1) * dimensione, 64, QByteArray(64, '\x7f')));
    {
        auto db = Db::Database::Apri(FileArchivio());
        EXPECT_EQ(Errore([&] { NomiInOrdine(*db->ApriTabella("CLIENTI")); }), Db::Err::Danneggiato);
    }
    CreoArchivio();
    EXPECT_TRUE(Archivio.Riparato);
}

TEST_F(ArchivioDb, UpgradeAddsTheThreeMissingColumnsInOrder)
{
    // An archive of an older release: the same table without IMPIANTO, TIPOTAB, VERSIONE_ADD.
    Collazione::Registra();
    ASSERT_TRUE(Files::CreaCartella(prog.file("ARCHIVI")));
    Db::Database::Crea(FileArchivio(), [](Db::Database& db) {
        QString sql = "CREATE TABLE CLIENTI (ZEQ_ID INTEGER PRIMARY KEY AUTOINCREMENT";
        for (const auto& c : CampiClienti) {
            const QString n = c.nome;
            if (n == "IMPIANTO" || n == "TIPOTAB" || n == "VERSIONE_ADD")
                continue;
            sql += ", " + n + (c.tipo == Db::TipoCampo::Intero ? " SMALLINT"
                               : c.tipo == Db::TipoCampo::Data ? " DATE"
                                                               : QString(" VARCHAR(%1) COLLATE ZEQ").arg(c.dimensione));
        }
        db.Esegui(sql + ")");
        db.Esegui("CREATE INDEX PER_NOME ON CLIENTI (DITTA_NOME)");
        db.Esegui("CREATE INDEX PER_DATA_REV ON CLIENTI (DATA_REVISIONE, DITTA_NOME)");
        db.Esegui("CREATE UNIQUE INDEX PER_TARGA_AUTO ON CLIENTI (TARGA_AUTO)");
        db.Esegui("PRAGMA application_id=1514492225");
        db.Esegui("INSERT INTO CLIENTI (TARGA_AUTO, DITTA_NOME) VALUES ('OLD1      ', 'VECCHIO')");
    })->Chiudi();

    CreoArchivio();
    EXPECT_EQ(Archivio.ErroreCreazione, 0);
    auto db = Db::Database::Apri(FileArchivio());
    const QList<Db::DefCampo> campi = db->Campi("CLIENTI");
    ASSERT_EQ(campi.size(), 28);
    EXPECT_EQ(campi[25].nome, "IMPIANTO");
    EXPECT_EQ(campi[26].nome, "TIPOTAB");
    EXPECT_EQ(campi[27].nome, "VERSIONE_ADD");
    EXPECT_EQ(campi[27].dimensione, 3);
    auto rs = db->ApriTabella("CLIENTI");
    EXPECT_EQ(rs->Valore("DITTA_NOME").toString(), "VECCHIO");
    EXPECT_TRUE(rs->Valore("IMPIANTO").isNull());
    EXPECT_TRUE(rs->Valore("VERSIONE_ADD").isNull());
    rs->Edit();
    rs->Imposta("VERSIONE_ADD", "A01");
    rs->Imposta("IMPIANTO", 1);
    rs->Update();
    EXPECT_EQ(rs->Valore("VERSIONE_ADD").toString(), "A01");
}

TEST_F(ArchivioDb, OpenedArchiveIsDurable)
{
    // A committed customer survives a power cut; a deleted one leaves nothing in the file.
    CreoEApro();
    struct Caso {
        const char* pragma;
        QVariant atteso;
    };
    const Caso casi[] = {
        {"journal_mode", "delete"}, {"synchronous", 3}, {"locking_mode", "exclusive"}, {"secure_delete", 1},
    };
    for (const Caso& c : casi)
        EXPECT_EQ(Archivio.DbArchivio->Valore(QString("PRAGMA ") + c.pragma).toString(), c.atteso.toString()) << c.pragma;
}

TEST_F(ArchivioDb, ExclusiveOpenRefusesASecondOpenerAtOnce)
{
    CreoArchivio();
    auto primo = Db::Database::Apri(FileArchivio(), true, false);
    EXPECT_EQ(Errore([&] { Db::Database::Apri(FileArchivio(), true, false); }), Db::Err::InUso);
    EXPECT_EQ(Errore([&] { Db::Database::Apri(FileArchivio(), false, true); }), Db::Err::InUso);
    // The creation step meets the lock too and stops without touching the file.
    CreoArchivio();
    EXPECT_EQ(Archivio.ErroreCreazione, Db::Err::InUso);
    EXPECT_FALSE(Archivio.Riparato);
    primo->Chiudi();
    EXPECT_NO_THROW(Db::Database::Apri(FileArchivio(), true, false));
}

TEST_F(ArchivioDb, PlateIsUniqueWhateverItsCase)
{
    CreoEApro();
    Db::Recordset& rs = *Archivio.RsClienti;
    AggiungoCliente(rs, "ab123", "ROSSI");
    EXPECT_EQ(Errore([&] { AggiungoCliente(rs, " AB123 ", "BIANCHI"); }), Db::Err::Duplicato);
    EXPECT_EQ(rs.Conta(), 1);
    // The failed record was dropped; the recordset goes on working.
    AggiungoCliente(rs, "CD456", "VERDI");
    rs.ImpostaIndice("PER_TARGA_AUTO");
    rs.Seek("=", "AB123");
    ASSERT_FALSE(rs.NoMatch());
    EXPECT_EQ(rs.Valore("TARGA_AUTO").toString(), "AB123     ");
    EXPECT_EQ(rs.Valore("DITTA_NOME").toString(), "ROSSI");
}

TEST_F(ArchivioDb, FieldWritesAreChecked)
{
    CreoEApro();
    Db::Recordset& rs = *Archivio.RsClienti;
    struct Caso {
        const char* campo;
        QVariant valore;
        int errore;
    };
    const Caso casi[] = {
        {"TARGA_AUTO", QString(10, 'X'), 0},
        {"TARGA_AUTO", QString(11, 'X'), Db::Err::CampoTroppoPiccolo},
        {"PROVINCIA", "ROM", Db::Err::CampoTroppoPiccolo},
        {"DITTA_NOME", QString(50, QChar(0x00D1)), 0},
        {"TIPO_DITTA", 32767, 0},
        {"TIPO_DITTA", -32768, 0},
        {"TIPO_DITTA", 32768, Db::Err::Overflow},
        {"VERSIONE_CEN", -32769, Db::Err::Overflow},
        {"IMPIANTO", "uno", Db::Err::TipoErrato},
        {"DATA_REVISIONE", "31/02/2004", Db::Err::TipoErrato},
        {"DATA_REVISIONE", QDate(2004, 2, 29), 0},
        {"NON_ESISTE", 1, Db::Err::ElementoMancante},
    };
    EXPECT_EQ(Errore([&] { rs.Imposta("CAP", "1"); }), Db::Err::NessunUpdate);
    rs.AddNew();
    for (const Caso& c : casi)
        EXPECT_EQ(Errore([&] { rs.Imposta(c.campo, c.valore); }), c.errore) << c.campo;
    rs.Update();
    rs.MoveFirst();
    EXPECT_EQ(rs.Valore("TIPO_DITTA").toInt(), -32768);
    EXPECT_EQ(rs.Valore("DATA_REVISIONE").toDate(), QDate(2004, 2, 29));
    EXPECT_EQ(rs.Valore("DITTA_NOME").toString(), QString(50, QChar(0x00D1)));
    EXPECT_TRUE(rs.Valore("NOTE").isNull());
}

TEST(Collazione, OrderOfKeys)
{
    // Each key sorts strictly before the next.
    const QStringList ordine = {
        "",        "  A",    "'ZETA", "123",     "ANA",     "ángel",    "CESAR",  "CHAVEZ",
        "CUBA",    "D'ANGELO", "DANIEL", "JOSE",  "JOSÉ",    "JOSEFA",   "LIMA",   "LLAMA",
        "LOLA",    "ŁUKASZ", "LUZ",     "NUNO",    "NUÑO",    "NUOVO",    "NZ",     "ÑANDU",
        "OLGA",    "ØRSTED", "OSCAR",  "STRASSE", "STRAßE",  "STRASSEN", "ZAPATA", "ZÜRICH",
        "ΩMEGA",
    };
    for (int i = 0; i + 1 < ordine.size(); ++i) {
        EXPECT_LT(Collazione::Confronta(ordine[i], ordine[i + 1]), 0) << ordine[i].toStdString() << " < " << ordine[i + 1].toStdString();
        EXPECT_GT(Collazione::Confronta(ordine[i + 1], ordine[i]), 0);
    }
    // Keys that differ in accents at two places: the first difference decides.
    const char* const primaDifferenza[][2] = {
        {"CAFE NOËL", "CAFÉ NOEL"}, {"JOSE MARÍA", "JOSÉ MARIA"}, {"ÀÉ", "ÁE"}, {"ŁÓDŹ", "ŁÓDŻ"}, {"NUÑEZ AÑO", "NUÑEZ AÑO"},
    };
    for (const auto& p : primaDifferenza) {
        const int atteso = qstrcmp(p[0], p[1]) == 0 ? 0 : -1;
        EXPECT_EQ(Collazione::Confronta(QString::fromUtf8(p[0]), QString::fromUtf8(p[1])), atteso) << p[0] << " / " << p[1];
        EXPECT_EQ(Collazione::Confronta(QString::fromUtf8(p[1]), QString::fromUtf8(p[0])), -atteso) << p[1] << " / " << p[0];
    }
    struct Uguali { const char* a; const char* b; };
    const Uguali uguali[] = {{"jose", "JOSE"}, {"josé", "JOSÉ"}, {"ñandu", "ÑANDU"}, {"AB1", "ab1   "}, {"straße", "STRAßE"},
                             {"дмитрий", "ДМИТРИЙ"}, {"ΣΟΦΊΑ", "σοφία"}, {"ς", "Σ"}, {"\u212A", "k"}};
    for (const Uguali& u : uguali)
        EXPECT_EQ(Collazione::Confronta(QString::fromUtf8(u.a), QString::fromUtf8(u.b)), 0) << u.a;
}

TEST_F(ArchivioDb, NameIndexFollowsTheCollationAndPrefixWalksFindEveryMatch)
{
    CreoEApro();
    Db::Recordset& rs = *Archivio.RsClienti;
    const QStringList nomi = {"zürich", "JOSEFA", "josé", "Jose", "NUÑO", "Nuno", "ñandu", "STRAßE",
                              "Strasse", "ZAPATA", "ΩMEGA", "łukasz", "LUZ", "", "D'ANGELO", "v\uFEFFera", "VANNA"};
    int n = 0;
    for (const QString& nome : nomi)
        AggiungoCliente(rs, QString("P%1").arg(n++), nome);
    // A name pasted with a byte-order mark in front, and one another tool stored in bytes
    // that are no UTF-8, last in the index.
    const QString zanetti = QChar(0xFEFF) + QString("ZANETTI");
    AggiungoCliente(rs, "PBOM", zanetti);
    Archivio.DbArchivio->Esegui("INSERT INTO CLIENTI (TARGA_AUTO, DITTA_NOME) VALUES ('PBAD', CAST(X'CEA9CEA9FF' AS TEXT))");
    EXPECT_EQ(NomiInOrdine(rs), QStringList({"", "D'ANGELO", "Jose", "josé", "JOSEFA", "łukasz", "LUZ", "Nuno",
                                             "NUÑO", "ñandu", "Strasse", "STRAßE", "VANNA", "v\uFEFFera", "ZAPATA", "zürich",
                                             "ΩMEGA", "ΩΩ\uFFFD", zanetti}));
    struct Caso {
        const char* digitato;
        QStringList attesi;
    };
    const Caso casi[] = {
        {"jose", {"Jose", "josé", "JOSEFA"}},
        {"JOSÉ", {"Jose", "josé", "JOSEFA"}},
        {"josef", {"JOSEFA"}},
        {"nu", {"Nuno", "NUÑO"}},
        {"NUÑ", {"NUÑO"}},
        {"ñ", {"ñandu"}},
        {"n", {"Nuno", "NUÑO"}},
        {"l", {"łukasz", "LUZ"}},
        {"Ł", {"łukasz", "LUZ"}},
        {"strass", {"Strasse", "STRAßE"}},
        {"straß", {"Strasse", "STRAßE"}},
        {"z", {"ZAPATA", "zürich"}},
        {"  zu  ", {"zürich"}},
        {"d'", {"D'ANGELO"}},
        {"v\uFEFF", {"v\uFEFFera"}},   // pasted with a byte-order mark
        {"ωω", {"ΩΩ\uFFFD"}},
        {"x", {}},
        {"   ", {}},
    };
    rs.ImpostaIndice("PER_NOME");
    for (const Caso& c : casi) {
        QStringList trovati;
        // A walk that comes back round fails here instead of running on.
        ScorroPrefisso(rs, "DITTA_NOME", QString::fromUtf8(c.digitato), [&] {
            trovati << rs.Valore("DITTA_NOME").toString();
            if (trovati.size() > 1000)
                throw std::runtime_error("the walk came back round");
        });
        EXPECT_EQ(trovati, c.attesi) << c.digitato;
    }
    QStringList trovati;
    ScorroPrefisso(rs, "DITTA_NOME", zanetti.left(2), [&] { trovati << rs.Valore("DITTA_NOME").toString(); });
    EXPECT_EQ(trovati, QStringList{zanetti}) << "pasted with its byte-order mark";
}

TEST_F(ArchivioDb, IndexesOfAnOlderOrderAreRebuiltOnceAndEveryAlphabetFoldsCase)
{
    // An archive whose name index was built in another order (plain bytes), as by an older
    // release of the collation.
    CreoArchivio();
    Db::RegistraCollazione(Collazione::Nome, [](void*, int na, const void* a, int nb, const void* b) {
        const int r = memcmp(a, b, std::min(na, nb));
        return r ? r : na - nb;
    });
    const QStringList nomi = {"Łukasz", "łucja", "Ñandú", "ñoño", "Élodie", "éric", "Ωμέγα", "ωραίος", "Дмитрий",
                              "дарья", "ДАНИЛ", "Zoe", "Ödön"};
    {
        auto db = Db::Database::Apri(FileArchivio());
        auto rs = db->ApriTabella("CLIENTI");
        int n = 0;
        for (const QString& nome : nomi)
            AggiungoCliente(*rs, QString("P%1").arg(n++), nome);
        db->Esegui("PRAGMA user_version=0");
    }
    Collazione::Registra();
    CreoArchivio();
    EXPECT_EQ(Archivio.ErroreCreazione, 0);
    const QByteArray riordinato = prog.leggi("ARCHIVI/ARCHIVIO.MDB");
    CreoArchivio();
    EXPECT_EQ(prog.leggi("ARCHIVI/ARCHIVIO.MDB"), riordinato);   // once only
    CreoEApro();
    EXPECT_EQ(Archivio.DbArchivio->Valore("PRAGMA user_version").toInt(), Collazione::Versione);
    struct Caso {
        const char* digitato;
        QStringList attesi;
    };
    const Caso casi[] = {
        {"łu", {"łucja", "Łukasz"}}, {"ŁU", {"łucja", "Łukasz"}}, {"ñ", {"Ñandú", "ñoño"}},
        {"É", {"Élodie", "éric"}},   {"ω", {"Ωμέγα", "ωραίος"}},   {"Ω", {"Ωμέγα", "ωραίος"}},
        {"д", {"ДАНИЛ", "дарья", "Дмитрий"}}, {"ДМ", {"Дмитрий"}}, {"дa", {}},
    };
    Db::Recordset& rs = *Archivio.RsClienti;
    rs.ImpostaIndice("PER_NOME");
    for (const Caso& c : casi) {
        QStringList trovati;
        ScorroPrefisso(rs, "DITTA_NOME", QString::fromUtf8(c.digitato), [&] { trovati << rs.Valore("DITTA_NOME").toString(); });
        EXPECT_EQ(trovati, c.attesi) << c.digitato;
    }
}

TEST_F(ArchivioDb, SeekAndWalkThroughEqualAndEmptyKeys)
{
    CreoEApro();
    Db::Recordset& rs = *Archivio.RsClienti;
    EXPECT_TRUE(rs.BOF() && rs.EOF_());
    EXPECT_EQ(Errore([&] { rs.MoveNext(); }), Db::Err::NonCorrente);
    EXPECT_EQ(Errore([&] { rs.Valore("DITTA_NOME"); }), Db::Err::NonCorrente);
    // Several equal names, and several records without an overhaul date.
    for (int i = 0; i < 40; ++i)
        AggiungoCliente(rs, QString("T%1").arg(i), i % 3 ? "ROSSI" : "BIANCHI",
                        i % 4 ? QDate(2004, 1 + i % 12, 1) : QDate());
    rs.ImpostaIndice("PER_DATA_REV");
    int visti = 0, senzaData = 0;
    QDate ultima;
    for (rs.MoveFirst(); !rs.EOF_(); rs.MoveNext()) {
        ++visti;
        const QDate d = rs.Valore("DATA_REVISIONE").toDate();
        if (!d.isValid()) {
            ++senzaData;
            EXPECT_FALSE(ultima.isValid()) << "records without a date come first";
        } else {
            EXPECT_TRUE(!ultima.isValid() || ultima <= d);
            ultima = d;
        }
    }
    EXPECT_EQ(visti, 40);
    EXPECT_EQ(senzaData, 10);
    rs.Seek(">=", QVariantList{QDate(2004, 6, 15)});
    ASSERT_FALSE(rs.NoMatch());
    EXPECT_EQ(rs.Valore("DATA_REVISIONE").toDate(), QDate(2004, 7, 1));
    rs.Seek(">=", QVariantList{QDate(2004, 12, 1), "C"});
    ASSERT_FALSE(rs.NoMatch());
    EXPECT_EQ(rs.Valore("DITTA_NOME").toString(), "ROSSI");
    rs.Seek(">=", QVariantList{QDate(2005, 1, 1)});
    EXPECT_TRUE(rs.NoMatch());
    EXPECT_TRUE(rs.EOF_());

    rs.ImpostaIndice("PER_NOME");
    rs.Seek("=", "rossi");
    ASSERT_FALSE(rs.NoMatch());
    int rossi = 0;
    while (!rs.EOF_() && rs.Valore("DITTA_NOME").toString() == "ROSSI") {
        ++rossi;
        rs.MoveNext();
    }
    EXPECT_EQ(rossi, 26);
    rs.MoveLast();
    EXPECT_EQ(rs.Valore("DITTA_NOME").toString(), "ROSSI");
    rs.ImpostaIndice("");
    EXPECT_EQ(Errore([&] { rs.Seek("=", "X"); }), Db::Err::SenzaIndice);
    EXPECT_EQ(Errore([&] { rs.ImpostaIndice("PER_NULLA"); }), Db::Err::ElementoMancante);
}

TEST_F(ArchivioDb, BookmarksSurviveOtherChangesAndAreNeverReused)
{
    CreoEApro();
    Db::Recordset& rs = *Archivio.RsClienti;
    for (const char* t : {"A1", "B2", "C3"})
        AggiungoCliente(rs, t, QString("NOME ") + t);
    rs.ImpostaIndice("PER_TARGA_AUTO");
    rs.Seek("=", ChiaveTarga("B2"));
    const Db::Segnalibro b = rs.Bookmark();
    rs.Seek("=", ChiaveTarga("C3"));
    const Db::Segnalibro c = rs.Bookmark();

    rs.ImpostaBookmark(b);
    EXPECT_EQ(rs.Valore("TARGA_AUTO").toString(), ChiaveTarga("B2"));
    rs.Delete();
    EXPECT_EQ(Errore([&] { rs.Valore("TARGA_AUTO"); }), Db::Err::RecordCancellato);
    rs.MoveNext();   // the row after the deleted one
    EXPECT_EQ(rs.Valore("TARGA_AUTO").toString(), ChiaveTarga("C3"));
    EXPECT_EQ(Errore([&] { rs.ImpostaBookmark(b); }), Db::Err::RecordCancellato);

    // The highest key deleted: a new record still gets a key never used before.
    rs.ImpostaBookmark(c);
    rs.Delete();
    AggiungoCliente(rs, "D4", "NUOVO");
    const Db::Segnalibro d = rs.UltimoModificato();
    EXPECT_GT(d, c);
    rs.ImpostaBookmark(d);
    EXPECT_EQ(rs.Valore("DITTA_NOME").toString(), "NUOVO");
    // An edit keeps the record's bookmark.
    rs.Edit();
    rs.Imposta("DITTA_NOME", "CAMBIATO");
    rs.Update();
    EXPECT_EQ(rs.Bookmark(), d);
    rs.ImpostaBookmark(d);
    EXPECT_EQ(rs.Valore("DITTA_NOME").toString(), "CAMBIATO");

    // An edit of a record deleted meanwhile through another recordset fails, never stores nothing as success.
    auto altro = Archivio.DbArchivio->ApriTabella("CLIENTI");
    altro->ImpostaBookmark(d);
    rs.ImpostaBookmark(d);
    altro->Delete();
    rs.Edit();
    rs.Imposta("DITTA_NOME", "PERSO");
    EXPECT_EQ(Errore([&] { rs.Update(); }), Db::Err::RecordCancellato);
    EXPECT_EQ(rs.Conta(), 1);
}

TEST_F(ArchivioDb, SnapshotBindsItsParameters)
{
    CreoEApro();
    Db::Recordset& rs = *Archivio.RsClienti;
    for (const char* n : {"D'ANGELO", "DANIEL", "ALBA", "ZETA"})
        AggiungoCliente(rs, n, n);
    auto s = Archivio.DbArchivio->ApriSnapshot(
        "SELECT * FROM CLIENTI WHERE DITTA_NOME >= ? AND DITTA_NOME <= ? ORDER BY DITTA_NOME", {"d'angelo", "daniel"});
    QStringList nomi;
    for (; !s->EOF_(); s->MoveNext())
        nomi << s->Valore("DITTA_NOME").toString();
    EXPECT_EQ(nomi, QStringList({"D'ANGELO", "DANIEL"}));
    EXPECT_EQ(Errore([&] { Archivio.DbArchivio->ApriSnapshot("DELETE FROM CLIENTI"); }), Db::Err::SolaLettura);
    EXPECT_EQ(rs.Conta(), 4);
}

TEST(DatabaseErrori, EngineNumbersFromSqliteResults)
{
    struct Caso {
        int codice;
        const char* messaggio;
        int numero;
    };
    const Caso casi[] = {
        {SQLITE_BUSY, "database is locked", Db::Err::InUso},
        {SQLITE_LOCKED, "database table is locked", Db::Err::InUso},
        {SQLITE_CORRUPT, "database disk image is malformed", Db::Err::Danneggiato},
        {SQLITE_NOTADB, "file is not a database", Db::Err::Danneggiato},
        {SQLITE_CONSTRAINT_UNIQUE, "UNIQUE constraint failed", Db::Err::Duplicato},
        {SQLITE_ERROR, "duplicate column name: IMPIANTO", Db::Err::ColonnaEsiste},
        {SQLITE_ERROR, "table CLIENTI already exists", Db::Err::TabellaEsiste},
        {SQLITE_ERROR, "no such table: CLIENTI", Db::Err::TabellaMancante},
        {SQLITE_FULL, "database or disk is full", Db::Err::DiscoPieno},
        {SQLITE_READONLY, "attempt to write a readonly database", Db::Err::NonScrivibile},
        {SQLITE_ERROR, "near \"x\": syntax error", Db::Err::Generico},
    };
    for (const Caso& c : casi)
        EXPECT_EQ(Db::NumeroErrore(c.codice, c.messaggio), c.numero) << c.messaggio;
}

TEST_F(ArchivioDb, RealFailuresCarryTheirNumbers)
{
    CreoArchivio();
    EXPECT_EQ(Errore([&] { Db::Database::Crea(FileArchivio()); }), Db::Err::DatabaseEsiste);
    auto db = Db::Database::Apri(FileArchivio());
    EXPECT_EQ(Errore([&] { db->Esegui("ALTER TABLE Clienti ADD COLUMN IMPIANTO SMALLINT"); }), Db::Err::ColonnaEsiste);
    EXPECT_EQ(Errore([&] { db->Esegui("CREATE TABLE clienti (X)"); }), Db::Err::TabellaEsiste);
    EXPECT_EQ(Errore([&] { db->ApriTabella("NESSUNA"); }), Db::Err::TabellaMancante);
    db->Chiudi();
    db->Chiudi();   // closing twice is no error
    EXPECT_EQ(Errore([&] { db->Esegui("SELECT 1"); }), Db::Err::OggettoChiuso);
    prog.scrivi("ALTRO.DB", QByteArray(4096, 'x'));
    EXPECT_EQ(Errore([&] { Db::Database::Apri(prog.file("ALTRO.DB")); }), Db::Err::Danneggiato);
    EXPECT_EQ(Errore([&] { Db::Database::Apri(prog.file("MANCA.DB")); }), Db::Err::FileNonTrovato);
}

TEST(DataDaParti, StrictDayMonthYear)
{
    struct Caso {
        const char *g, *m, *a;
        QDate attesa;
    };
    const Caso casi[] = {
        {"01", "02", "2004", QDate(2004, 2, 1)}, {"1", "2", "2004", QDate(2004, 2, 1)},
        {"29", "02", "2003", QDate()},           {"  ", "02", "2004", QDate()},
        {"1a", "02", "2004", QDate()},           {"31", "12", "0003", QDate(3, 12, 31)},
        {"00", "01", "2004", QDate()},           {"-1", "01", "2004", QDate()},
    };
    for (const Caso& c : casi)
        EXPECT_EQ(DataDaParti(c.g, c.m, c.a), c.attesa) << c.g << "/" << c.m << "/" << c.a;
}

} // namespace
