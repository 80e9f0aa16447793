// Letter merge, template code pages, list layouts, the editor button and the demo generator.
#include "archive/Elenco.h"
#include "archive/LettRev.h"
#include "archive/Lettere.h"
#include "archive/Rapporto.h"
#include "archive/Stampa.h"
#include "demoarchive/lib/ArchivioDemo.h"
#include "ArchiveTestSupport.h"
#include "platform/ExternalProgram.h"
#include "platform/PrivateProfile.h"
#include "shell/Modulo.h"
#include "support/TestSupport.h"
#include "platform/Sottoprocesso.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPrinter>
#include <QPrinterInfo>
#include <QProcess>
#include <QPushButton>
#include <iostream>

#include <unistd.h>
#include <gtest/gtest.h>

namespace {

Lettere::DatiLettera Dati()
{
    Lettere::DatiLettera d;
    d.saluto = "Dear Sirs";
    d.nome = "ROSSI SPA  ";
    d.indirizzo = " Via Roma 1";
    d.cap = "00100";
    d.citta = "Roma";
    d.provincia = " RM ";
    d.revisione = QDate(2004, 2, 1);
    d.oggi = QDate(2026, 12, 8);
    return d;
}

TEST(UnioneLettera, PlaceholdersAreReplacedAsTheLettersNeedThem)
{
    struct Caso {
        const char* riga;
        const char* attesa;
    };
    const Caso casi[] = {
        // The value trimmed, one blank, the rest of the line trimmed.
        {"Hello «TIPO_D»   «NOME»  ,", "Hello Dear Sirs ROSSI SPA ,"},
        {"    «INDIRIZZO»", "    Via Roma 1 "},
        {"«CAP» «CITTA'» «PROVINCIA»", "00100 Roma (RM)"},
        // The province and the blank after it go when there is none (see below); kept exact otherwise.
        {"on «GG/MM/AAAA».   ", "on 01/02/2004.   "},
        {"«OGGI»", "08/12/2026 "},
        // Only the first occurrence; lower case between the guillemets is found too.
        {"«nome» and «NOME»", "ROSSI SPA and «NOME»"},
        {"«Tipo_d»", "Dear Sirs "},
        // A line whose upper-case form is longer ("ß" -> "SS") is replaced at the right place.
        {"Straße «NOME» x", "Straße ROSSI SPA x"},
        // Only blanks are trimmed: tabs that lay the letter out stay where they are.
        {"«NOME»\t\tDate: «OGGI»\t", "ROSSI SPA \t\tDate: 08/12/2026 \t"},
        {"«CITTA'» «PROVINCIA»\tItaly", "Roma (RM)\tItaly"},
        {"no placeholder  ", "no placeholder  "},
        {"", ""},
    };
    for (const Caso& c : casi)
        EXPECT_EQ(Lettere::UnisciRiga(QString::fromUtf8(c.riga), Dati()), QString::fromUtf8(c.attesa)) << c.riga;
    Lettere::DatiLettera senza = Dati();
    senza.provincia = "  ";
    senza.nome = "\tTAB ";
    EXPECT_EQ(Lettere::UnisciRiga(QString::fromUtf8("«NOME»"), senza), "\tTAB ");
    EXPECT_EQ(Lettere::UnisciRiga(QString::fromUtf8("«CITTA'» «PROVINCIA» end"), senza), "Roma end");
    senza.revisione = QDate();
    EXPECT_EQ(Lettere::UnisciRiga(QString::fromUtf8("[«GG/MM/AAAA»]"), senza), "[]");
}

TEST(ModelliLettera, CodePagesAndUtf8)
{
    struct Caso {
        QByteArray dati;
        int lingua;
        QString testo;
    };
    const Caso casi[] = {
        {QByteArray("\xAB" "NOME\xBB"), 4, QString::fromUtf8("«NOME»")},
        {QByteArray("\xA3\xF3\x9F\xB9"), 1, QString::fromUtf8("Łóźą")},
        {QByteArray("\xA3\xF3\x9F\xB9"), 2, QString::fromUtf8("£óŸ¹")},
        {QByteArray("\x80 \x8C\x9C"), 4, QString::fromUtf8("€ Œœ")},
        {QString::fromUtf8("Łódź «NOME»").toUtf8(), 4, QString::fromUtf8("Łódź «NOME»")},
    };
    for (const Caso& c : casi) {
        EXPECT_EQ(Lettere::Decodifica(c.dati, c.lingua), c.testo) << c.dati.toHex().constData();
        EXPECT_EQ(Lettere::Codifica(c.testo, c.lingua, Lettere::Utf8Valido(c.dati)), c.dati);
    }
    EXPECT_FALSE(Lettere::Utf8Valido("\xC0\x80"));       // overlong
    EXPECT_FALSE(Lettere::Utf8Valido("\xED\xA0\x80"));   // surrogate
    EXPECT_EQ(Lettere::Codifica(QString::fromUtf8("Ω"), 4, false), QByteArray("?"));
    EXPECT_EQ(Lettere::Righe("a\r\nb\nc\r\n"), QStringList({"a", "b", "c"}));
    EXPECT_EQ(Lettere::Righe("a\r\n\r\n"), QStringList({"a", ""}));
    EXPECT_EQ(Lettere::NomeModello(1), "IT_LETTERA.TXT");
    EXPECT_EQ(Lettere::NomeModello(7), "EN_LETTERA.TXT");
}

TEST(ModelliLettera, ShippedTemplatesHoldEveryPlaceholderAndCrLf)
{
    for (int lingua = 1; lingua <= 4; ++lingua) {
        QFile f(QString(ZEQ_SOURCE_DIR "/resources/templates/") + Lettere::NomeModello(lingua));
        ASSERT_TRUE(f.open(QIODevice::ReadOnly)) << lingua;
        const QByteArray dati = f.readAll();
        EXPECT_FALSE(Lettere::Utf8Valido(dati)) << "written in the code page";
        EXPECT_EQ(dati.count("\r\n"), dati.count('\n'));
        const QString t = Lettere::Decodifica(dati, lingua);
        for (const char* s : {"«TIPO_D»", "«NOME»", "«INDIRIZZO»", "«CAP»", "«CITTA'»", "«PROVINCIA»", "«GG/MM/AAAA»", "«OGGI»"})
            EXPECT_TRUE(t.contains(QString::fromUtf8(s))) << lingua << s;
        // The salutation line ends with a comma; the body after it starts with a capital.
        const QStringList righe = Lettere::Righe(t);
        const qsizetype saluto = righe.indexOf(QString::fromUtf8("«TIPO_D»,"));
        ASSERT_GE(saluto, 0) << lingua;
        const QString corpo = righe.value(saluto + 1).isEmpty() ? righe.value(saluto + 2) : righe.value(saluto + 1);
        EXPECT_TRUE(!corpo.isEmpty() && corpo.at(0).isUpper()) << lingua << corpo.toStdString();
        Rapporto::Layout l;
        ASSERT_TRUE(Rapporto::Leggi(QString(ZEQ_SOURCE_DIR "/resources/templates/") + Rapporto::NomeLayout(lingua), l));
        EXPECT_FALSE(l.titolo.isEmpty());
        for (const Rapporto::Colonna& c : l.colonne)
            EXPECT_TRUE(std::any_of(std::begin(Archivi::CampiClienti), std::end(Archivi::CampiClienti),
                                    [&](const auto& d) { return c.campo == d.nome; })) << c.campo.toStdString();
    }
}

TEST(ModelliLettera, ThePolishLetterAddressesTheCustomerInOneForm)
{
    // The salutation is singular (295) or plural (294); the body uses neither form.
    QFile f(QString(ZEQ_SOURCE_DIR "/resources/templates/") + Lettere::NomeModello(1));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QString t = Lettere::Decodifica(f.readAll(), 1);
    for (const char* forma : {"Państw", "Pan ", "Pana ", "Panu ", "Pani ", "Twój", "Twoje", "Ci "})
        EXPECT_FALSE(t.contains(QString::fromUtf8(forma))) << forma;
}

TEST(UnioneLettera, LinesWiderThanThePageGoOnBelow)
{
    const struct {
        const char* riga;
        int colonne;
        QStringList attese;
    } casi[] = {
        {"short", 10, {"short"}},
        {"aaa bbb ccc", 7, {"aaa bbb", "ccc"}},
        {"          alpha beta gamma delta epsilon", 30, {"          alpha beta gamma", "          delta epsilon"}},
        {"text        ", 6, {"text"}},
        {"abcdefghij", 4, {"abcd", "efgh", "ij"}},
        // An indentation that would leave less than 20 characters is reduced.
        {"    abcdefghijklmnopqrstuvwxyz", 10, {"abcdefghij", "klmnopqrst", "uvwxyz"}},
        {"x\ty", 80, {"x       y"}},
    };
    for (const auto& c : casi)
        EXPECT_EQ(Lettere::ACapo(QString::fromUtf8(c.riga), c.colonne), c.attese) << c.riga;
}

QString TestoPdf(const QString& pdf)
{
    QProcess p;
    p.start("pdftotext", {pdf, "-"});
    p.waitForFinished(20000);
    return QString::fromUtf8(p.readAllStandardOutput());
}

TEST(StampaLettere, FailuresOfThePrinterAreShownNotReportedAsTheEnd)
{
    enum Uscita { Pdf, Rifiuto, NessunaStampante, ModelloEnorme };
    Shell.Lingua = 4;
    const struct {
        Uscita uscita;
        bool lista;
        QStringList avvisi;
    } casi[] = {
        {Pdf, false, {Msg(282)}},
        {Rifiuto, false, {Msg(203)}},   // a queue that refuses the job
        {NessunaStampante, false, {Msg(296)}},
        {Pdf, true, {}},
        {Rifiuto, true, {Msg(297)}},
        {ModelloEnorme, false, {Msg(203)}},   // a template of 2 GiB is refused, nothing printed
    };
    for (const auto& c : casi) {
        SCOPED_TRACE(testing::Message() << "case " << int(c.uscita) << (c.lista ? " list" : " letters"));
        if (c.uscita == NessunaStampante && !QPrinterInfo::defaultPrinter().isNull()) {
            std::cout << "no-printer case left out: this machine has a default printer\n";
            continue;
        }
        CartellaProgramma prog;
        Archivio.reset();
        CreoEApro();
        // A name of 50 characters behind the template's 40 blanks, and a body line wider than
        // any page: both end in a word that must be printed whole.
        const QString nome = QStringLiteral("AUTOFFICINA ROSSI MARIO E FIGLI DI GIUSEPPE ULTIMO");
        ASSERT_EQ(nome.size(), 50);
        AggiungoCliente(*Archivio.RsClienti, "AB1", nome, QDate(2004, 1, 1));
        prog.scrivi("EN_LETTERA.TXT", QByteArray(40, ' ') + "\xAB" "NOME\xBB\r\n" + QByteArray("word ").repeated(30)
                                          + "FINERIGA\r\n");
        if (c.uscita == ModelloEnorme) {
            ASSERT_TRUE(QFile::resize(prog.file("EN_LETTERA.TXT"), qint64(2) << 30));   // sparse
        }
        QFile::copy(QString(ZEQ_SOURCE_DIR "/resources/templates/EN_LISTA.RPT"), prog.file("EN_LISTA.RPT"));
        QDir().mkpath(prog.file("PDF"));
        Stampa::ImpostaUscitaPdf(c.uscita == NessunaStampante ? QString() : prog.file("PDF"));
        Stampa::SimuloRifiuto(c.uscita == Rifiuto);
        RegistroBox box;
        if (c.lista) {
            Elenco* e = Elenco::Carica();
            e->Stampa_Click();
            EXPECT_EQ(e->RighePrecedenti(), c.uscita == Pdf ? 1 : -1);
            e->Scarica();
        } else {
            LettRev* l = LettRev::Carica();
            l->DataAvv[0]->setText("01");
            l->DataAvv[1]->setText("01");
            l->DataAvv[2]->setText("2004");
            l->Stampa_Click();
            if (c.uscita == ModelloEnorme) {
                EXPECT_TRUE(Stampa::FileScritti().isEmpty());
            }
            if (c.uscita == Pdf) {
                ASSERT_EQ(Stampa::FileScritti().size(), 1);
                const QString testo = TestoPdf(Stampa::FileScritti()[0]);
                EXPECT_TRUE(testo.contains("ULTIMO")) << testo.toStdString();
                EXPECT_TRUE(testo.contains("FINERIGA")) << testo.toStdString();
            }
            l->Scarica();
        }
        EXPECT_EQ(box.testi(), c.avvisi);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        Stampa::ImpostaUscitaPdf(QString());
        Archivio.reset();
    }
}

// The helper side: prints the letters of one due customer to the default print queue (CUPS
// reached through CUPS_SERVER, the queue named by LPDEST) and prints the boxes shown.
TEST(StampaCodaVera, HelperPrintsTheLettersToTheDefaultQueue)
{
    if (qEnvironmentVariable("ZEQ_STAMPA_CODA").isEmpty())
        GTEST_SKIP() << "helper process only";
    CartellaProgramma prog;
    Shell.Lingua = 4;
    Archivio.reset();
    CreoEApro();
    AggiungoCliente(*Archivio.RsClienti, "AB1", "ROSSI", QDate(2004, 1, 1));
    QFile::copy(QString(ZEQ_SOURCE_DIR "/resources/templates/EN_LETTERA.TXT"), prog.file("EN_LETTERA.TXT"));
    Stampa::ImpostaUscitaPdf(QString());
    RegistroBox box;
    LettRev* l = LettRev::Carica();
    l->DataAvv[0]->setText("01");
    l->DataAvv[1]->setText("01");
    l->DataAvv[2]->setText("2004");
    l->Stampa_Click();
    ::printf("RISULTATO=%s\n", qPrintable(box.testi().join('|')));
    ::fflush(stdout);
    l->Scarica();
    Archivio.reset();
}

// A private print scheduler with two queues that print to nowhere, one refusing jobs.
TEST(StampaCodaVera, AQueueThatRefusesTheJobShows203AndOneThatTakesItShows282)
{
    const QString cupsd = "/usr/sbin/cupsd", lpadmin = "/usr/sbin/lpadmin", cupsreject = "/usr/sbin/cupsreject";
    const QString lpstat = "/usr/bin/lpstat";
    for (const QString& p : {cupsd, lpadmin, cupsreject, lpstat})
        if (!QFileInfo(p).isExecutable())
            GTEST_SKIP() << "no CUPS scheduler on this machine (" << p.toStdString() << " missing)";
    CartellaProgramma d;   // the scheduler's own folder, which its children must be able to enter
    QFile::setPermissions(d.path(), QFile::permissions(d.path()) | QFile::ExeOther | QFile::ExeGroup);
    for (const char* c : {"spool", "tmp", "cache", "state", "log"})
        QDir(d.path()).mkdir(c);
    const QString presa = d.file("cups.sock");
    QString utente;
    if (::geteuid() != 0)
        utente = "User " + qEnvironmentVariable("USER", "nobody") + "\n";
    d.scrivi("cups-files.conf", QString("ServerRoot %1\nRequestRoot %1/spool\nTempDir %1/tmp\nCacheDir %1/cache\n"
                                      "StateDir %1/state\nErrorLog %1/log/error_log\nAccessLog %1/log/access_log\n"
                                      "PageLog %1/log/page_log\nServerBin /usr/lib/cups\nDataDir /usr/share/cups\n"
                                      "FileDevice Yes\n%2").arg(d.path(), utente).toUtf8());
    d.scrivi("cupsd.conf", QString("Listen %1\nLogLevel warn\nBrowsing No\nWebInterface No\nDefaultAuthType None\n"
                                 "<Location />\nOrder allow,deny\nAllow all\n</Location>\n"
                                 "<Policy default>\n<Limit All>\nOrder allow,deny\nAllow all\n</Limit>\n</Policy>\n")
                             .arg(presa).toUtf8());
    QProcess server;
    server.setProcessChannelMode(QProcess::MergedChannels);
    server.start(cupsd, {"-f", "-c", d.file("cupsd.conf"), "-s", d.file("cups-files.conf")});
    // The socket file appears before the scheduler takes connections on it.
    const auto risponde = [&] {
        QProcess p;
        p.start(lpstat, {"-h", presa, "-r"});
        return p.waitForFinished(120000) && p.readAllStandardOutput().startsWith("scheduler is running");
    };
    if (!server.waitForStarted(30000) || !AttendiFinche([&] { return QFileInfo::exists(presa) && risponde(); }, 60000)) {
        server.kill();
        server.waitForFinished(5000);
        QFile log(d.file("log/error_log"));
        log.open(QIODevice::ReadOnly);
        GTEST_SKIP() << "the CUPS scheduler does not start here: " << server.readAll().toStdString()
                     << log.readAll().toStdString();
    }
    auto esegui = [&](const QString& programma, const QStringList& argomenti) {
        QProcess p;
        p.start(programma, QStringList{"-h", presa} + argomenti);
        return p.waitForFinished(120000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
    };
    EXPECT_TRUE(esegui(lpadmin, {"-p", "ZEQ_PRENDE", "-v", "file:///dev/null", "-E"}));
    EXPECT_TRUE(esegui(lpadmin, {"-p", "ZEQ_RIFIUTA", "-v", "file:///dev/null", "-E"}));
    EXPECT_TRUE(esegui(cupsreject, {"ZEQ_RIFIUTA"}));
    const struct {
        const char* coda;
        int messaggio;
    } casi[] = {{"ZEQ_RIFIUTA", 203}, {"ZEQ_PRENDE", 282}};
    Shell.Lingua = 4;
    for (const auto& c : casi) {
        const QByteArray uscita = EseguiAiutante("StampaCodaVera.HelperPrintsTheLettersToTheDefaultQueue",
                                                 {"ZEQ_STAMPA_CODA=1", "CUPS_SERVER=" + presa,
                                                  QStringLiteral("LPDEST=") + c.coda},
                                                 false);
        EXPECT_EQ(RisultatoAiutante(uscita), Msg(c.messaggio)) << c.coda << uscita.toStdString();
    }
    server.terminate();
    server.waitForFinished(5000);
}

TEST(LayoutLista, ReadsItsOwnFormat)
{
    CartellaProgramma prog;
    prog.scrivi("A.RPT", "; comment\r\nTITLE= My list \r\nFONT=Mono,12\r\nCOLUMN=ditta_nome, Name ,20\r\n"
                         "COLUMN=CAP,Zip,0\r\nCOLUMN=,x,5\r\nrubbish\r\nPAGE=Pg\r\n");
    Rapporto::Layout l;
    ASSERT_TRUE(Rapporto::Leggi(prog.file("A.RPT"), l));
    EXPECT_EQ(l.titolo, "My list");
    EXPECT_EQ(l.font, "Mono");
    EXPECT_EQ(l.punti, 12);
    EXPECT_EQ(l.pagina, "Pg");
    ASSERT_EQ(l.colonne.size(), 1);
    EXPECT_EQ(l.colonne[0].campo, "DITTA_NOME");
    EXPECT_EQ(l.colonne[0].intestazione, "Name");
    EXPECT_EQ(l.colonne[0].larghezza, 20);
    prog.scrivi("B.RPT", "TITLE=no columns\r\n");
    EXPECT_FALSE(Rapporto::Leggi(prog.file("B.RPT"), l));
    EXPECT_FALSE(Rapporto::Leggi(prog.file("MISSING.RPT"), l));
}

TEST(LayoutLista, AColumnTheArchiveLacksPrintsNothing)
{
    CartellaProgramma prog;
    Archivio.reset();
    CreoEApro();
    AggiungoCliente(*Archivio.RsClienti, "AB1", "ROSSI");
    Rapporto::Layout l;
    l.colonne = {{"DITTA_NOME", "Name", 20}, {"NO_SUCH_FIELD", "X", 5}};
    auto righe = Archivio.DbArchivio->ApriSnapshot("SELECT * FROM CLIENTI");
    QPrinter stampante(QPrinter::HighResolution);
    stampante.setOutputFormat(QPrinter::PdfFormat);
    stampante.setOutputFileName(prog.file("LISTA.PDF"));
    EXPECT_EQ(Rapporto::Stampa(stampante, l, *righe, QString()), -1);
    EXPECT_FALSE(QFile::exists(prog.file("LISTA.PDF")));
    righe.reset();
    Archivio.reset();
}

TEST(EditorModello, StartsTheEditorOnTheTemplateAndRemembersItsFolder)
{
    CartellaProgramma prog;
    Shell.Lingua = 4;
    RegistroBox box;
    // A stand-in for the desktop's editor that records its arguments.
    const QString editore = ProgrammaEsterno("WORDPAD.EXE");
    prog.scrivi("EDITOR/" + editore, QString("#!/bin/sh\necho \"$@\" > \"%1\"\n").arg(prog.file("ARGOMENTI")).toUtf8());
    QFile::setPermissions(prog.file("EDITOR/" + editore), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    ASSERT_TRUE(ScrivoProfilo("WORDPAD", "Directory", prog.file("EDITOR"), FileConfigurazione()));
    LettRev* l = LettRev::Carica();
    l->Modifica_Click();
    EXPECT_EQ(box.conta(), 0);
    EXPECT_EQ(prog.leggi("ARGOMENTI").trimmed(), prog.file("EN_LETTERA.TXT").toUtf8());
    EXPECT_EQ(LeggoProfilo("WORDPAD", "Directory", "", FileConfigurazione()), prog.file("EDITOR"));
    EXPECT_TRUE(l->Stampa->isEnabled());

    // An editor that is there but cannot be started is reported, not passed over in silence.
    QFile::setPermissions(prog.file("EDITOR/" + editore), QFile::ReadOwner | QFile::WriteOwner);
    QFile::remove(prog.file("ARGOMENTI"));
    l->Modifica_Click();
    EXPECT_FALSE(QFile::exists(prog.file("ARGOMENTI")));
    EXPECT_EQ(box.testi(), QStringList({Msg(284)}));
    EXPECT_TRUE(l->Modifica->isEnabled());

    // An editor that ends in failure (the desktop's opener exits with 4 when nothing handles
    // the file) is reported too.
    prog.scrivi("EDITOR/" + editore, "#!/bin/sh\nexit 4\n");
    QFile::setPermissions(prog.file("EDITOR/" + editore), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    BoxHost::PulisciRegistro();
    l->Modifica_Click();
    EXPECT_EQ(box.testi(), QStringList({Msg(284)}));
    l->Scarica();
}

TEST(ArchivioDemo, WritesDistinctInventedCustomers)
{
    CartellaProgramma prog;
    Archivio.reset();
    ASSERT_EQ(ArchivioDemo::Genera(prog.path(), 300, 5), 300);
    auto db = Db::Database::Apri(Archivi::FileArchivio());
    EXPECT_EQ(db->Valore("SELECT count(DISTINCT TARGA_AUTO) FROM CLIENTI").toInt(), 300);
    EXPECT_GT(db->Valore("SELECT count(*) FROM CLIENTI WHERE DATA_REVISIONE IS NOT NULL").toInt(), 250);
    EXPECT_EQ(db->Valore("SELECT count(*) FROM CLIENTI WHERE length(TARGA_AUTO) <> 10").toInt(), 0);
    db.reset();
    // An archive that holds customers already gets no invented ones.
    const QByteArray prima = prog.leggi("ARCHIVI/ARCHIVIO.MDB");
    QString errore;
    EXPECT_EQ(ArchivioDemo::Genera(prog.path(), 50, 9, &errore), -1);
    EXPECT_FALSE(errore.isEmpty());
    EXPECT_EQ(prog.leggi("ARCHIVI/ARCHIVIO.MDB"), prima);
}

} // namespace
