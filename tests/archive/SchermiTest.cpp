// The archive screens under the offscreen platform: the menu from the main menu's F4, the
// look-up and deletion, the reminder letters and the customer list printed to PDF files.
#include "ArchiveTestSupport.h"
#include "archive/Cancella.h"
#include "archive/Elenco.h"
#include "archive/Gestione.h"
#include "archive/PrefixListModel.h"
#include "archive/LettRev.h"
#include "archive/Stampa.h"
#include "catalogue/Catalogue.h"
#include "platform/Form.h"
#include "shell/Modulo.h"
#include "shell/ZEQ_Inst.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPrinterInfo>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include <stdexcept>

using namespace Archivi;

namespace {

QString TestoPdf(const QString& pdf)
{
    QProcess p;
    p.start("pdftotext", {"-layout", pdf, "-"});
    p.waitForFinished(20000);
    return QString::fromUtf8(p.readAllStandardOutput());
}

// ZEQ_COPIA_PDF=<folder> keeps a copy of a printed PDF for a look by eye.
void Conservo(const QString& pdf, const QString& nome)
{
    const QString dove = qEnvironmentVariable("ZEQ_COPIA_PDF");
    if (!dove.isEmpty())
        QFile::copy(pdf, QDir(dove).filePath(nome));
}

QStringList Voci(QAbstractItemView* l)
{
    QStringList v;
    for (int i = 0; i < l->model()->rowCount(); ++i)
        v << l->model()->index(i, 0).data().toString();
    return v;
}

class SchermiArchivio : public ::testing::Test {
protected:
    void SetUp() override
    {
        Archivio.reset();
        Shell.Lingua = 4;
        QDir().mkpath(prog.file("PDF"));
        Stampa::ImpostaUscitaPdf(prog.file("PDF"));
        for (const char* f : {"EN_LETTERA.TXT", "IT_LETTERA.TXT", "EN_LISTA.RPT", "IT_LISTA.RPT"})
            QFile::copy(QString(ZEQ_SOURCE_DIR "/resources/templates/") + f, prog.file(f));
    }
    void TearDown() override
    {
        for (FormBase* f : std::initializer_list<FormBase*>{Cancella::Istanza(), LettRev::Istanza(), Elenco::Istanza(),
                                                            Gestione::Istanza()})
            if (f)
                f->Scarica();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        Stampa::ImpostaUscitaPdf(QString());
        Archivio.reset();
        Shell.Lingua = 4;
    }

    // An archive with a few customers, closed again.
    void Archivio5()
    {
        CreoEApro();
        Db::Recordset& rs = *Archivio.RsClienti;
        AggiungoCliente(rs, "AB123", "ROSSI MARIO", QDate(2003, 5, 10), 1, "RM");
        AggiungoCliente(rs, "AB777", "Rossi Anna", QDate(2004, 2, 1), 0);
        AggiungoCliente(rs, "AC001", "D'Angelo Luca", QDate(2004, 2, 2));
        AggiungoCliente(rs, "ZX900", "Ñandú SL", QDate());
        AggiungoCliente(rs, "QQ1", "", QDate(2001, 1, 1));
        ChiudoArchivio();
    }

    CartellaProgramma prog;
};

TEST_F(SchermiArchivio, F4OpensTheMenuThenLookUpShowsAndDeletes)
{
    Archivio5();
    RegistroBox box;
    ZEQ_Inst::Apri() = {};
    ZEQ_Inst::Apri().Gestione = AproGestione;
    ZEQ_Inst* menu = ZEQ_Inst::Carica();
    menu->Mostra(false);

    bool percorso = false;
    QTimer::singleShot(0, [&] {
        Gestione* g = Gestione::Istanza();
        ASSERT_NE(g, nullptr);
        ASSERT_TRUE(g->ArchivioAperto());
        EXPECT_EQ(g->Intitolo->text(), Msg(278));
        // The archive is held exclusively while the menu is up.
        EXPECT_THROW(Db::Database::Apri(FileArchivio()), Db::ErroreDb);
        QTimer::singleShot(0, [&] {
            Cancella* c = Cancella::Istanza();
            ASSERT_NE(c, nullptr);
            EXPECT_FALSE(c->DatiCli->isEnabled());
            QTest::keyClicks(c->Cliente, "ab");
            EXPECT_EQ(Voci(c->ElencoTarghe), QStringList({"AB123     ", "AB777     "}));
            QTest::keyClick(c->Cliente, Qt::Key_Comma);   // refused with a beep
            QTest::keyClicks(c->Cliente, "7");
            EXPECT_EQ(c->Cliente->text(), "ab7");
            EXPECT_EQ(Voci(c->ElencoTarghe), QStringList({"AB777     "}));
            QTest::keyClicks(c->Cliente, "77");
            QTest::keyClick(c->Cliente, Qt::Key_Return);
            EXPECT_EQ(c->Cliente->text(), "AB777     ");
            EXPECT_TRUE(c->DatiCli->isEnabled());
            EXPECT_EQ(c->Anagrafe[0]->text(), "Rossi Anna");
            EXPECT_EQ(c->AutoImp[3]->text() + "/" + c->AutoImp[4]->text() + "/" + c->AutoImp[5]->text(), "01/02/2004");
            EXPECT_EQ(c->AutoImp[12]->text(), Msg(277));   // no installation type stored
            QTest::keyClick(c, Qt::Key_F2);
            EXPECT_EQ(c->DatiCli->currentIndex(), 1);
            c->Elimino->click();
            ASSERT_EQ(box.conta(), 1);
            EXPECT_EQ(box.box()[0].testo, Msg(279));
            EXPECT_FALSE(c->DatiCli->isEnabled());
            EXPECT_TRUE(c->Cliente->text().isEmpty());
            EXPECT_EQ(c->ElencoTarghe->model()->rowCount(), 0);
            EXPECT_TRUE(c->Anagrafe[0]->text().isEmpty());
            QTest::keyClick(c, Qt::Key_F1);   // nothing while the tabs are disabled
            EXPECT_EQ(c->DatiCli->currentIndex(), 1);
            QTest::keyClick(c, Qt::Key_Escape);
        });
        g->Elimino->click();
        EXPECT_FALSE(Cancella::Caricato());
        EXPECT_TRUE(Archivio.RsClienti != nullptr);   // still held by the menu
        percorso = true;
        QTest::keyClick(g, Qt::Key_Escape);
    });
    QTest::keyClick(menu, Qt::Key_F4);
    EXPECT_TRUE(percorso);
    EXPECT_FALSE(Gestione::Caricato());
    EXPECT_EQ(Archivio.DbArchivio, nullptr);
    menu->Scarica();
    ZEQ_Inst::Apri() = {};

    auto db = Db::Database::Apri(FileArchivio());
    auto rs = db->ApriTabella("CLIENTI");
    rs->ImpostaIndice("PER_TARGA_AUTO");
    rs->Seek("=", ChiaveTarga("AB777"));
    EXPECT_TRUE(rs->NoMatch());
    EXPECT_EQ(rs->Conta(), 4);
}

TEST_F(SchermiArchivio, NamePickLoadsAndDeletesThatNamesOwnCustomer)
{
    Archivio5();
    RegistroBox box;
    ASSERT_TRUE(AproArchivio());
    Cancella* c = Cancella::Carica();
    c->Nome_Targa_Click();
    EXPECT_TRUE(c->Cliente->isHidden());
    QTest::keyClicks(c->Ditta_Nome, "ross");
    ASSERT_EQ(Voci(c->ElencoNomi), QStringList({"Rossi Anna", "ROSSI MARIO"}));
    // A plate search run meanwhile must not change what the name entries stand for.
    c->Cliente->setText("Q");
    c->ElencoNomi->setCurrentIndex(c->ElencoNomi->model()->index(1, 0));
    c->ElencoNomi_DblClick();
    EXPECT_EQ(c->Cliente->text(), "AB123     ");
    EXPECT_EQ(c->Anagrafe[0]->text(), "ROSSI MARIO");
    EXPECT_EQ(c->AutoImp[12]->text(), Msg(277));
    c->Elimino_Click();
    EXPECT_EQ(box.testi(), QStringList({Msg(279)}));
    Archivio.RsClienti->ImpostaIndice("PER_TARGA_AUTO");
    Archivio.RsClienti->Seek("=", ChiaveTarga("AB123"));
    EXPECT_TRUE(Archivio.RsClienti->NoMatch());
    Archivio.RsClienti->Seek("=", ChiaveTarga("AB777"));
    EXPECT_FALSE(Archivio.RsClienti->NoMatch());
    // Province and tax code are shown only in language 1.
    EXPECT_TRUE(c->Anagrafe[4]->isHidden());
}

TEST_F(SchermiArchivio, LookUpCaptionsComeFromTheMessageTableInEveryLanguage)
{
    for (int lingua : {1, 2, 3, 4}) {
        Shell.Lingua = lingua;
        Cancella* c = Cancella::Carica();
        EXPECT_EQ(c->LabCli[10]->text(), Msg(382)) << lingua;
        EXPECT_EQ(c->LabCli[8]->text(), Msg(383)) << lingua;
        // The tax code's caption stands on the customer tab with its field, shown with it.
        EXPECT_EQ(c->LabCli[8]->parentWidget(), c->Anagrafe[8]->parentWidget());
        EXPECT_EQ(c->LabCli[8]->isHidden(), lingua != 1) << lingua;
        EXPECT_EQ(c->Anagrafe[8]->isHidden(), lingua != 1) << lingua;
        c->Scarica();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
}

TEST_F(SchermiArchivio, NameListIsReadAsItScrollsInTheOrderOfTheSearch)
{
    // Keys equal under the collation on both sides of every batch boundary.
    CreoEApro();
    Db::Recordset& rs = *Archivio.RsClienti;
    Archivio.DbArchivio->Inizia();
    const QStringList nomi = {"Jose", "JOSE", "josé", "JOSEFA", "Rossi", "ROSSI ", "Rossì", "rossini", "Ñandú"};
    for (int i = 0; i < 60; ++i)
        AggiungoCliente(rs, QString("N%1").arg(i), nomi[i % nomi.size()]);
    // Names another tool stored: in bytes that are no UTF-8, and as a blob.
    Archivio.DbArchivio->Esegui("INSERT INTO CLIENTI (TARGA_AUTO, DITTA_NOME) VALUES "
                                "('X1', CAST(X'C391C391FF' AS TEXT)), ('X2', X'C3914F424C4F42'), ('X3', X'C3914F424C4F42')");
    Archivio.DbArchivio->Conferma();
    // The whole index walked: each customer once.
    int passi = 0;
    rs.ImpostaIndice("PER_NOME");
    for (rs.MoveFirst(); !rs.EOF_() && passi <= 1000; rs.MoveNext())
        ++passi;
    EXPECT_EQ(passi, 63);
    Cancella* c = Cancella::Carica();
    c->ModelloNomi->ImpostaLotti(7, 5);
    c->Nome_Targa_Click();
    for (const char* digitato : {"ross", "jose", "JOSÉ", "n", "ñ", "x", "  "}) {
        // What the search as you type visits, name and plate.
        QStringList attesi;
        rs.ImpostaIndice("PER_NOME");
        ScorroPrefisso(rs, "DITTA_NOME", QString::fromUtf8(digitato), [&] {
            attesi << rs.Valore("DITTA_NOME").toString() + "/" + rs.Valore("TARGA_AUTO").toString();
            if (attesi.size() > 1000)
                throw std::runtime_error("the walk came back round");
        });
        c->Ditta_Nome->setText(QString::fromUtf8(digitato));
        QAbstractItemModel* m = c->ElencoNomi->model();
        EXPECT_EQ(m->rowCount(), std::min<int>(7, attesi.size())) << digitato;   // a first batch only
        for (int lotti = 0; m->canFetchMore(QModelIndex()) && lotti < 1000; ++lotti)   // a list come back round ends
            m->fetchMore(QModelIndex());
        QStringList letti;
        for (int i = 0; i < m->rowCount(); ++i)
            letti << m->index(i, 0).data().toString() + "/" + m->index(i, 0).data(Cancella::RuoloTarga).toString();
        EXPECT_EQ(letti, attesi) << digitato;
    }
    // The archive closed under a list still to be read: the list ends where it stands.
    c->Ditta_Nome->setText("jose");
    ChiudoArchivio();
    QAbstractItemModel* m = c->ElencoNomi->model();
    m->fetchMore(QModelIndex());
    EXPECT_FALSE(m->canFetchMore(QModelIndex()));
    EXPECT_EQ(m->rowCount(), 7);
}

TEST_F(SchermiArchivio, DeleteRemovesOnlyTheCustomerOnTheTabs)
{
    Archivio5();
    RegistroBox box;
    ASSERT_TRUE(AproArchivio());
    Cancella* c = Cancella::Carica();
    auto esiste = [](const char* targa) {
        Archivio.RsClienti->ImpostaIndice("PER_TARGA_AUTO");
        Archivio.RsClienti->Seek("=", ChiaveTarga(targa));
        return !Archivio.RsClienti->NoMatch();
    };
    // Nothing shown yet: a typed plate is shown, not deleted.
    c->Cliente->setText("ab123");
    c->Elimino_Click();
    EXPECT_EQ(box.conta(), 0);
    EXPECT_TRUE(esiste("AB123"));
    EXPECT_EQ(c->Anagrafe[0]->text(), "ROSSI MARIO");
    // Another plate typed over the one shown: that customer is shown, the shown one stays.
    c->Cliente->setText("AB777");
    c->Elimino_Click();
    EXPECT_EQ(box.conta(), 0);
    EXPECT_TRUE(esiste("AB123"));
    EXPECT_TRUE(esiste("AB777"));
    EXPECT_EQ(c->Anagrafe[0]->text(), "Rossi Anna");
    EXPECT_TRUE(c->DatiCli->isEnabled());
    // The next click deletes the customer shown.
    c->Elimino_Click();
    EXPECT_EQ(box.testi(), QStringList({Msg(279)}));
    EXPECT_FALSE(esiste("AB777"));
    EXPECT_TRUE(esiste("AB123"));
}

TEST_F(SchermiArchivio, FailedDeletionIsReportedAndTheCustomerStaysShown)
{
    Archivio5();
    RegistroBox box;
    ASSERT_TRUE(AproArchivio());
    // The engine refuses every deletion.
    Archivio.DbArchivio->Esegui("CREATE TEMP TRIGGER NO_DELETE BEFORE DELETE ON CLIENTI BEGIN SELECT RAISE(ABORT, 'refused'); END");
    Cancella* c = Cancella::Carica();
    c->Cliente->setText("AB123");
    c->LeggoClienteIns();
    ASSERT_TRUE(c->DatiCli->isEnabled());
    c->Elimino_Click();
    EXPECT_EQ(box.testi(), QStringList({Msg(178)}));
    EXPECT_TRUE(c->DatiCli->isEnabled());
    EXPECT_EQ(c->Anagrafe[0]->text(), "ROSSI MARIO");
    Archivio.RsClienti->ImpostaIndice("PER_TARGA_AUTO");
    Archivio.RsClienti->Seek("=", ChiaveTarga("AB123"));
    EXPECT_FALSE(Archivio.RsClienti->NoMatch());
}

TEST_F(SchermiArchivio, CarFieldsComeFromTheModelKeyInTheRightCatalogue)
{
    auto record = [](const char* valvole, const char* modello) {
        RecordCatalogo r;
        r.Descrizione = CatalogoTesto::Fisso("ESTIA 1.6 16V DESCRIPTION", Catalogo::LunghezzaDescrizione);
        r.Valvole = CatalogoTesto::Fisso(valvole, Catalogo::LunghezzaValvole);
        r.Centralina[0] = CatalogoTesto::Fisso("MPI 2000", Catalogo::LunghezzaCentralina);
        r.Centralina[1] = CatalogoTesto::Fisso("SEQ-A 1.4", Catalogo::LunghezzaCentralina);
        r.Modello = CatalogoTesto::Fisso(modello, Catalogo::LunghezzaModello);
        r.Tipo = "GGG";
        return r.Record();
    };
    prog.scrivi("ESTIA.PRN", record("1", "EST100") + record("  2 ", "EST900"));
    prog.scrivi("TEMPOR/ESTIA.PRN", record("3", "EST900"));
    CreoEApro();
    struct Caso {
        const char *targa, *modello, *centralina;
        int tipoTab;
        const char *distributori, *slot;
    };
    const Caso casi[] = {
        {"C1", "EST900", "seq-a 1.4", 0, "2", "CENTRAL2"},
        {"C2", "EST900", "MPI 2000", 1, "3", "CENTRAL1"},
        {"C3", "EST900", "OTHER", 0, "2", ""},
        {"C4", "NOSUCH", "MPI 2000", 0, "", ""},
        {"C5", "EST900", "MPI 2000", 2, "2", "CENTRAL1"},
    };
    for (const Caso& c : casi) {
        Db::Recordset& rs = *Archivio.RsClienti;
        AggiungoCliente(rs, c.targa, "AUTO");
        rs.ImpostaBookmark(rs.UltimoModificato());
        rs.Edit();
        rs.Imposta("MARCA_AUTO", "ESTIA");
        rs.Imposta("MODELLO_AUTO", c.modello);
        rs.Imposta("CENTRALINA", c.centralina);
        rs.Imposta("TIPOTAB", c.tipoTab);
        rs.Update();
    }
    AggiungoCliente(*Archivio.RsClienti, "C6", "NO CATALOGUE");
    Cancella* can = Cancella::Carica();
    for (const Caso& c : casi) {
        can->Cliente->setText(c.targa);
        can->LeggoClienteIns();
        EXPECT_EQ(can->AutoImp[10]->text(), c.distributori) << c.targa;
        EXPECT_EQ(can->CentralinaSel, c.slot) << c.targa;
        EXPECT_EQ(can->MarcaAuto, "ESTIA");
    }
    can->Cliente->setText("C6");
    can->LeggoClienteIns();
    EXPECT_TRUE(can->DatiCli->isEnabled());
    EXPECT_TRUE(can->AutoImp[10]->text().isEmpty());
}

TEST_F(SchermiArchivio, MenuRefusesForeignOrLockedArchiveAndCloseBoxClosesIt)
{
    struct Caso {
        bool jet;
        int messaggio;
    };
    for (const Caso& k : {Caso{true, 174}, Caso{false, 172}}) {
        RegistroBox box;
        QDir(prog.file("ARCHIVI")).removeRecursively();
        QByteArray jet(2048, '\0');
        jet.replace(4, 15, "Standard Jet DB");
        std::unique_ptr<Db::Database> altro;
        if (k.jet) {
            prog.scrivi("ARCHIVI/ARCHIVIO.MDB", jet);
        } else {
            CreoArchivio();
            altro = Db::Database::Apri(FileArchivio());
        }
        AproGestione();
        EXPECT_EQ(box.testi(), QStringList({Msg(k.messaggio)}));
        EXPECT_FALSE(Gestione::Caricato());
        EXPECT_EQ(Archivio.DbArchivio, nullptr);
        if (k.jet) {
            EXPECT_EQ(prog.leggi("ARCHIVI/ARCHIVIO.MDB"), jet);
        }
    }
    // The window's close box closes the archive like the exit button.
    QDir(prog.file("ARCHIVI")).removeRecursively();
    RegistroBox box;
    QTimer::singleShot(0, [] { Gestione::Istanza()->close(); });
    AproGestione();
    EXPECT_EQ(box.conta(), 0);
    EXPECT_FALSE(Gestione::Caricato());
    EXPECT_EQ(Archivio.DbArchivio, nullptr);
    EXPECT_NO_THROW(Db::Database::Apri(FileArchivio()));
}

TEST_F(SchermiArchivio, RepairedArchiveOpensAndTellsWhatWasRecovered)
{
    Archivio5();
    // Damage the name index: every row is saved, the original is kept aside.
    int pagina = 0, dimensione = 0;
    {
        auto db = Db::Database::Apri(FileArchivio());
        dimensione = db->Valore("PRAGMA page_size").toInt();
        pagina = db->Valore("SELECT pageno FROM dbstat WHERE name='PER_NOME'").toInt();
    }
    QByteArray dati = prog.leggi("ARCHIVI/ARCHIVIO.MDB");
    dati.replace((pagina - 1) * dimensione, 64, QByteArray(64, '\x7f'));
    prog.scrivi("ARCHIVI/ARCHIVIO.MDB", dati);
    Archivio.reset();  // a new run finds the damaged file
    RegistroBox box;
    QTimer::singleShot(0, [] { Gestione::Istanza()->Esci_Click(); });
    AproGestione();
    ASSERT_EQ(box.conta(), 1);
    EXPECT_TRUE(box.testi()[0].startsWith(Msg(196) + "5 (ARCHIVIO.")) << box.testi()[0].toStdString();
    EXPECT_TRUE(box.testi()[0].endsWith(".BAD)"));
    EXPECT_EQ(prog.leggi("ARCHIVI/" + Archivio.CopiaDanneggiata), dati);
}

TEST_F(SchermiArchivio, LettersForADueDateArePrintedOneDocumentEach)
{
    Archivio5();
    RegistroBox box;
    ASSERT_TRUE(AproArchivio());
    LettRev* l = LettRev::Carica();
    l->DataAvv[0]->setText("1");
    l->DataAvv_LostFocus(0);
    l->DataAvv[1]->setText("2");
    l->DataAvv_LostFocus(1);
    l->DataAvv[2]->setText("2004");
    l->DataAvv_LostFocus(2);
    EXPECT_EQ(l->DataAvv[0]->text() + l->DataAvv[1]->text() + l->DataAvv[2]->text(), "01022004");
    l->Stampa_Click();
    EXPECT_EQ(box.testi(), QStringList({Msg(282)}));
    // Due on or before 01/02/2004, in date order; the customer without a date is skipped.
    ASSERT_EQ(Stampa::FileScritti().size(), 3);
    const QString primo = TestoPdf(Stampa::FileScritti()[0]);
    EXPECT_TRUE(primo.contains("QQ1") || primo.contains("Dear Sir")) << primo.toStdString();
    Conservo(Stampa::FileScritti()[1], "lettera.pdf");
    const QString secondo = TestoPdf(Stampa::FileScritti()[1]);
    EXPECT_TRUE(secondo.contains("ROSSI MARIO")) << secondo.toStdString();
    EXPECT_TRUE(secondo.contains("00100 Roma (RM)")) << secondo.toStdString();
    EXPECT_TRUE(secondo.contains("10/05/2003"));
    const QString terzo = TestoPdf(Stampa::FileScritti()[2]);
    EXPECT_TRUE(terzo.contains("Rossi Anna"));
    EXPECT_TRUE(terzo.contains(Msg(294)));   // a company
    // The merged file holds the last letter, in the template's code page with CR LF.
    const QByteArray temple = prog.leggi("TEMPLE.TXT");
    EXPECT_TRUE(temple.contains("Rossi Anna \r\n"));   // the value, one blank, the rest trimmed
    EXPECT_TRUE(temple.contains("was carried out on 01/02/2004.\r\n"));
    EXPECT_TRUE(temple.contains("00100 Roma \r\n"));   // no province: placeholder and blank gone

    // A printer or file failure is reported as such, not as the end of printing.
    box.testi();
    BoxHost::PulisciRegistro();
    Stampa::ImpostaUscitaPdf(prog.file("NON/ESISTE"));
    l->Stampa_Click();
    EXPECT_EQ(box.testi(), QStringList({Msg(203)}));
    // An impossible date prints nothing and says nothing.
    BoxHost::PulisciRegistro();
    l->DataAvv[0]->setText("31");
    l->Stampa_Click();
    EXPECT_EQ(box.conta(), 0);
    // No template of the language: message 285, nothing printed.
    QFile::remove(prog.file("EN_LETTERA.TXT"));
    Stampa::ImpostaUscitaPdf(prog.file("PDF"));
    l->Stampa_Click();
    EXPECT_EQ(box.testi(), QStringList({Msg(285)}));
    EXPECT_TRUE(Stampa::FileScritti().isEmpty());
}

TEST_F(SchermiArchivio, PolishLettersUseCodePage1250AndUtf8TemplatesStayUtf8)
{
    Archivio5();
    RegistroBox box;
    ASSERT_TRUE(AproArchivio());
    Shell.Lingua = 1;
    LettRev* l = LettRev::Carica();
    l->DataAvv[0]->setText("01");
    l->DataAvv[1]->setText("01");
    l->DataAvv[2]->setText("2001");
    l->Stampa_Click();
    ASSERT_EQ(Stampa::FileScritti().size(), 1);
    QByteArray temple = prog.leggi("TEMPLE.TXT");
    EXPECT_TRUE(temple.contains("przegl\xB9" "d")) << "\"ą\" is 0xB9 in code page 1250";
    EXPECT_TRUE(TestoPdf(Stampa::FileScritti()[0]).contains(QString::fromUtf8("przegląd")));

    prog.scrivi("IT_LETTERA.TXT", QString::fromUtf8("Łódź «NOME»\r\n").toUtf8());
    l->Stampa_Click();
    temple = prog.leggi("TEMPLE.TXT");
    EXPECT_EQ(temple, QString::fromUtf8("Łódź  \r\n").toUtf8());   // an empty name between two blanks
}

TEST_F(SchermiArchivio, CompleteAndPartialListsPrintTheRightCustomers)
{
    Archivio5();
    RegistroBox box;
    ASSERT_TRUE(AproArchivio());
    {
        AggiungoCliente(*Archivio.RsClienti, "OM1", QString::fromUtf8("Ωmega"));
    }
    Elenco* e = Elenco::Carica();
    EXPECT_FALSE(e->Ditta_Nome[0]->isEnabled());
    e->Stampa_Click();
    EXPECT_EQ(box.conta(), 0);
    EXPECT_EQ(e->RighePrecedenti(), 6);   // every customer: the empty name and the one after "Z" too
    ASSERT_EQ(Stampa::FileScritti().size(), 1);
    const QString completa = TestoPdf(Stampa::FileScritti()[0]);
    EXPECT_TRUE(completa.contains("CUSTOMER LIST"));
    EXPECT_TRUE(completa.contains("QQ1"));
    EXPECT_TRUE(completa.contains(QString::fromUtf8("Ñandú SL")));

    e->S_Lista[1]->setChecked(true);
    EXPECT_EQ(e->Ditta_Nome[0]->text(), "");
    EXPECT_EQ(e->Ditta_Nome[1]->text(), QString::fromUtf8("Ωmega"));
    e->Ditta_Nome[0]->setText("d'");
    EXPECT_EQ(Voci(e->ElencoNomi[0]), QStringList({"D'Angelo Luca"}));
    e->ElencoNomi[0]->setCurrentRow(0);
    e->ElencoNomi_DblClick(0);
    e->Ditta_Nome[1]->setText(" rossi anna ");
    e->Stampa_Click();
    EXPECT_EQ(box.conta(), 0);
    EXPECT_EQ(e->RighePrecedenti(), 3);
    Conservo(Stampa::FileScritti()[0], "completa.pdf");
    Conservo(Stampa::FileScritti()[1], "parziale.pdf");
    const QString parziale = TestoPdf(Stampa::FileScritti()[1]);
    EXPECT_TRUE(parziale.contains("D'Angelo Luca"));
    EXPECT_TRUE(parziale.contains(QString::fromUtf8("Ñandú SL")));
    EXPECT_TRUE(parziale.contains("Rossi Anna"));
    EXPECT_FALSE(parziale.contains("ROSSI MARIO"));

    // No report layout for the language: message 292 on the screen, nothing printed.
    QFile::remove(prog.file("EN_LISTA.RPT"));
    e->Stampa_Click();
    EXPECT_EQ(e->Segnalo->text(), Msg(292));
    EXPECT_EQ(Stampa::FileScritti().size(), 2);
    EXPECT_EQ(box.conta(), 0);

    if (QPrinterInfo::defaultPrinter().isNull()) {
        Stampa::ImpostaUscitaPdf(QString());
        e->Stampa_Click();
        EXPECT_EQ(box.testi(), QStringList({Msg(296)}));
    }
}

} // namespace
