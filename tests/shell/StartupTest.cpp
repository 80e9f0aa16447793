#include "shell/Avvio.h"
#include "shell/Modulo.h"
#include "shell/Procedure.h"
#include "shell/SceltaLingua.h"
#include "shell/ZEQ_Inst.h"
#include "platform/Files.h"
#include "platform/Resources.h"
#include "support/TestSupport.h"
#include "platform/Sottoprocesso.h"

#include <QDir>
#include <QEventLoop>
#include <QTimer>
#include <QLabel>
#include "platform/SingleInstance.h"
#include <QFileInfo>
#include <QLockFile>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
struct CasoLingua {
    const char* contenuto;
    int lingua;
};

class LanguageFile : public ::testing::TestWithParam<CasoLingua> {};

// Closes every form a test left open.
void ChiudiTutto()
{
    Shell.Lingua = 4;
    if (auto* s = SceltaLingua::Istanza())
        s->Scarica();
    if (auto* m = ZEQ_Inst::Istanza())
        m->Scarica();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}
} // namespace

TEST_P(LanguageFile, FirstCharacterDecides)
{
    CartellaProgramma app;
    app.scrivi("LANGUAGE.ASC", GetParam().contenuto);
    Shell.Lingua = 9;
    LeggoLingua();
    EXPECT_EQ(Shell.Lingua, GetParam().lingua) << GetParam().contenuto;
}

INSTANTIATE_TEST_SUITE_P(Contents, LanguageFile,
                         ::testing::Values(CasoLingua{"4\r\n", 4}, CasoLingua{"4 anything else", 4},
                                           CasoLingua{"1\r\n", 1}, CasoLingua{"3", 3},
                                           CasoLingua{"0\r\n", 0}, CasoLingua{"5\r\n", 0},
                                           CasoLingua{"x\r\n", 0}, CasoLingua{"\r\n4\r\n", 0},
                                           CasoLingua{"", 0}, CasoLingua{" 2", 0}));

TEST(LanguageFileMissing, GivesNoLanguage)
{
    CartellaProgramma app;
    Shell.Lingua = 3;
    LeggoLingua();
    EXPECT_EQ(Shell.Lingua, 0);
}

TEST(Resources, IdsFollowTheLanguageBlocks)
{
    Shell.Lingua = 2;
    EXPECT_EQ(IdRisorsa(140), 640);
    EXPECT_EQ(IdRisorsa(120), 620);
    EXPECT_EQ(Msg(140), LeggoMessaggio(640));
    Shell.Lingua = 4;
    EXPECT_EQ(Msg(140), QStringLiteral("WARNING!"));
    Shell.Lingua = 0;   // no language: every id falls below 101 and reads empty
    EXPECT_TRUE(Msg(140).isEmpty());
    Shell.Lingua = 4;
}

TEST(LanguageForm, FlagsAndKeysStoreTheirLanguage)
{
    const struct { int tasto; const char* file; int lingua; } casi[] = {
        {Tasti::F1, "1\r\n", 1}, {Tasti::F2, "4\r\n", 4}, {Tasti::F3, "2\r\n", 2}, {Tasti::F4, "3\r\n", 3}};
    for (const auto& c : casi) {
        CartellaProgramma app;
        Shell.Lingua = 0;
        SceltaLingua* f = SceltaLingua::Carica();
        f->Mostra(false);
        QTest::keyClick(f, Qt::Key(Qt::Key_F1 + (c.tasto - Tasti::F1)));
        EXPECT_EQ(Shell.Lingua, c.lingua);
        EXPECT_EQ(app.leggi("LANGUAGE.ASC"), QByteArray(c.file));
        EXPECT_FALSE(SceltaLingua::Caricato());
        ASSERT_TRUE(ZEQ_Inst::Caricato());
        EXPECT_TRUE(ZEQ_Inst::Istanza()->isVisible());
        ChiudiTutto();
    }
}

TEST(LanguageForm, KeysWithModifiersAndOtherKeysDoNothing)
{
    CartellaProgramma app;
    Shell.Lingua = 0;
    SceltaLingua* f = SceltaLingua::Carica();
    f->Mostra(false);
    QTest::keyClick(f, Qt::Key_F1, Qt::ShiftModifier);
    QTest::keyClick(f, Qt::Key_F2, Qt::ControlModifier);
    QTest::keyClick(f, Qt::Key_F5);
    EXPECT_TRUE(SceltaLingua::Caricato());
    EXPECT_EQ(Shell.Lingua, 0);
    EXPECT_FALSE(QFileInfo::exists(app.file("LANGUAGE.ASC")));
    ChiudiTutto();
}

TEST(LanguageForm, SecondFlagIsEnglishAndThirdFrench)
{
    CartellaProgramma app;
    SceltaLingua* f = SceltaLingua::Carica();
    f->Mostra(false);
    EXPECT_EQ(f->TastoLingua[1]->accessibleName(), "English");
    EXPECT_EQ(f->TastoLingua[2]->accessibleName(), QString::fromUtf8("Fran\u00e7ais"));
    f->TastoLingua[1]->click();
    EXPECT_EQ(app.leggi("LANGUAGE.ASC"), QByteArray("4\r\n"));
    ChiudiTutto();
    f = SceltaLingua::Carica();
    f->Mostra(false);
    f->TastoLingua[2]->click();
    EXPECT_EQ(app.leggi("LANGUAGE.ASC"), QByteArray("2\r\n"));
    ChiudiTutto();
}

TEST(LanguageForm, ClosingWithoutChoiceAtFirstStartUsesEnglishWithoutStoringIt)
{
    CartellaProgramma app;
    Shell.Lingua = 0;
    SceltaLingua* f = SceltaLingua::Carica();
    f->LinguaPrecedente = 0;
    f->Mostra(false);
    f->close();
    EXPECT_EQ(Shell.Lingua, 4);
    EXPECT_FALSE(QFileInfo::exists(app.file("LANGUAGE.ASC")));
    ASSERT_TRUE(ZEQ_Inst::Caricato());
    EXPECT_EQ(ZEQ_Inst::Istanza()->LabTasti[0]->text(), QStringLiteral("CAR SELECTION"));
    ChiudiTutto();
}

TEST(LanguageForm, ClosingWithoutChoiceAfterF8RestoresTheLanguageInForce)
{
    CartellaProgramma app;
    app.scrivi("LANGUAGE.ASC", "2\r\n");
    Shell.Lingua = 2;
    ZEQ_Inst* menu = ZEQ_Inst::Carica();
    menu->Mostra(false);
    QTest::keyClick(menu, Qt::Key_F8);
    ASSERT_TRUE(SceltaLingua::Caricato());
    EXPECT_EQ(Shell.Lingua, 0);
    EXPECT_FALSE(ZEQ_Inst::Caricato());
    SceltaLingua::Istanza()->close();
    EXPECT_EQ(Shell.Lingua, 2);
    ASSERT_TRUE(ZEQ_Inst::Caricato());
    EXPECT_EQ(ZEQ_Inst::Istanza()->LabTasti[0]->text(), Msg(262));
    EXPECT_FALSE(Msg(262).isEmpty());
    EXPECT_EQ(app.leggi("LANGUAGE.ASC"), QByteArray("2\r\n"));
    ChiudiTutto();
}

TEST(LanguageForm, UnwritableLanguageFileKeepsTheChoiceForTheRun)
{
    CartellaProgramma app;
    app.scrivi("LANGUAGE.ASC/blocker", "x");   // a folder where the file should be
    SceltaLingua* f = SceltaLingua::Carica();
    f->Mostra(false);
    f->TastoLingua[3]->click();
    EXPECT_EQ(Shell.Lingua, 3);
    EXPECT_TRUE(ZEQ_Inst::Caricato());
    ChiudiTutto();
}

TEST(Startup, SecondInstanceIsRefusedInTheStoredLanguageOrEnglish)
{
    for (const QByteArray& lingua : {QByteArray(), QByteArray("3\r\n")}) {
        CartellaProgramma app;
        if (!lingua.isEmpty())
            app.scrivi("LANGUAGE.ASC", lingua);
        // Another running copy holds the program folder's lock.
        QLockFile altraCopia(app.path() + "/ZEQINST.LCK");
        ASSERT_TRUE(altraCopia.tryLock(0));
        RegistroBox box(-1);
        EXPECT_FALSE(Main(app.path() + "/ZEQINST"));
        ASSERT_EQ(box.conta(), 1);
        const int l = lingua.isEmpty() ? 4 : 3;
        EXPECT_EQ(Shell.Lingua, l);
        EXPECT_EQ(box.box()[0].testo, QStringLiteral("ZEQINST") + LeggoMessaggio((l - 1) * 500 + 179));
        EXPECT_EQ(box.box()[0].titolo, LeggoMessaggio((l - 1) * 500 + 140));
        EXPECT_FALSE(ZEQ_Inst::Caricato());
        EXPECT_FALSE(SceltaLingua::Caricato());
    }
}

TEST(Startup, ProgramFolderBecomesPathAppAndCurrentFolder)
{
    CartellaProgramma app;
    app.scrivi("LANGUAGE.ASC", "4\r\n");
    Files::ImpostaCartellaProgramma(QString());
    ASSERT_TRUE(Main(app.path() + "/ZEQINST"));
    EXPECT_EQ(Shell.PathApp, app.path());
    EXPECT_EQ(Files::CartellaProgramma(), app.path());
    EXPECT_EQ(QDir::currentPath(), QDir(app.path()).canonicalPath());
    EXPECT_TRUE(ZEQ_Inst::Caricato());
    EXPECT_FALSE(SceltaLingua::Caricato());
    ChiudiTutto();
    RilascioIstanzaUnica(QStringLiteral("ZEQINST.LCK"));
}

// The helper side: starts the program in the given folder, ends it from the main menu and
// prints what exec() returned ("blocked" when it did not return by itself).
TEST(StartupHelper, RunsTheProgramUntilTheMenuEndsIt)
{
    const QString cartella = qEnvironmentVariable("ZEQ_AVVIO_CARTELLA");
    if (cartella.isEmpty())
        GTEST_SKIP() << "helper process only";
    ASSERT_TRUE(Main(cartella + "/ZEQINST"));
    const bool tasto = qEnvironmentVariable("ZEQ_AVVIO_AZIONE") == "esc";
    QTimer::singleShot(0, [tasto] {
        ZEQ_Inst* menu = ZEQ_Inst::Istanza();
        if (tasto)
            QTest::keyClick(menu, Qt::Key_Escape);
        else
            menu->TastoESC->click();
    });
    bool bloccato = false;
    QTimer::singleShot(60000, [&] { bloccato = true; QCoreApplication::exit(1); });
    const int codice = QCoreApplication::exec();
    ::printf("RISULTATO=%s\n", bloccato ? "blocked" : qPrintable(QString::number(codice)));
    ::fflush(stdout);
}

TEST(Startup, EscAndTheExitButtonEndTheProgramAndFreeItsFolder)
{
    for (const char* azione : {"esc", "click"}) {
        CartellaProgramma app;
        app.scrivi("LANGUAGE.ASC", "4\r\n");
        QDir::setCurrent(app.path());   // earlier starts left a folder that is gone
        const QByteArray uscita = EseguiAiutante("StartupHelper.RunsTheProgramUntilTheMenuEndsIt",
                                                 {"ZEQ_AVVIO_CARTELLA=" + app.path(),
                                                  QStringLiteral("ZEQ_AVVIO_AZIONE=") + azione}, false);
        EXPECT_EQ(RisultatoAiutante(uscita), QStringLiteral("0")) << azione << uscita.toStdString();
        // The next start in the same folder is not refused as "already in progress".
        RegistroBox box(-1);
        EXPECT_TRUE(Main(app.path() + "/ZEQINST")) << azione;
        EXPECT_EQ(box.conta(), 0) << azione;
        ChiudiTutto();
        RilascioIstanzaUnica(QStringLiteral("ZEQINST.LCK"));
    }
    // Unloaded outside any event loop (as a test or a failed start does), the menu leaves the
    // event loops that run later alone.
    Shell.Lingua = 4;
    ZEQ_Inst::Carica()->Scarica();
    QEventLoop giro;
    QTimer::singleShot(0, [&] { giro.exit(7); });
    EXPECT_EQ(giro.exec(), 7);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

TEST(Startup, AProgramFolderThatCannotBeFoundIsReportedAndNothingIsWritten)
{
    CartellaProgramma app;
    QDir::setCurrent(app.path());
    // A folder whose name is not valid UTF-8: the bytes do not survive the file-name codec.
    const QByteArray strana = QFile::encodeName(app.path()) + "/prog\xff\xfe";
    ASSERT_EQ(::mkdir(strana.constData(), 0700), 0);
    app.scrivi("ZEQINST", "");
    const struct {
        QByteArray byte;
        QString atteso;
    } percorsi[] = {
        {QFile::encodeName(app.file("ZEQINST")), app.file("ZEQINST")},
        {strana + "/ZEQINST", ""},
        {QFile::encodeName(app.file("NESSUNO")), ""},
        {"", ""},
    };
    for (const auto& c : percorsi)
        EXPECT_EQ(PercorsoDaByte(c.byte), c.atteso) << c.byte.toStdString();

    ::rmdir(strana.constData());   // Qt cannot name it to remove it
    const QStringList prima = QDir(app.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);
    for (const QString& programma : {QString(), app.file("NON/ESISTE/ZEQINST")}) {
        RegistroBox box(-1);
        EXPECT_FALSE(Main(programma));
        EXPECT_EQ(box.conta(), 1);
        EXPECT_FALSE(ZEQ_Inst::Caricato());
        EXPECT_FALSE(SceltaLingua::Caricato());
        // Nothing goes to the folder the program was started from.
        EXPECT_EQ(QDir(app.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden), prima)
            << programma.toStdString();
        ChiudiTutto();
        RilascioIstanzaUnica(QStringLiteral("ZEQINST.LCK"));
    }
}

TEST(Startup, LanguageAndVersionFilesAreReadOnlyAsRegularFilesAndOnlyTheirFirstLine)
{
    const QByteArray lunga = "3" + QByteArray(10000, 'x') + "\r\n";
    const struct {
        const char* tipo;   // "file", "fifo" or "folder"
        QByteArray contenuto;
        int lingua;
        QString versione;
    } casi[] = {
        {"file", "4 SW 02.50\r\nsecond line\r\n", 4, "4 SW 02.50"},
        {"file", lunga, 3, QString::fromLatin1(lunga.left(4096))},
        {"fifo", "", 0, ""},
        {"folder", "", 0, ""},
    };
    Shell.Lingua = 4;
    ZEQ_Inst* menu = ZEQ_Inst::Carica();
    for (const auto& c : casi) {
        CartellaProgramma app;
        for (const char* nome : {"LANGUAGE.ASC", "VERSOFTWARE.DAT"}) {
            const QByteArray percorso = QFile::encodeName(app.file(nome));
            if (QByteArray(c.tipo) == "file")
                app.scrivi(nome, c.contenuto);
            else if (QByteArray(c.tipo) == "fifo")
                ASSERT_EQ(::mkfifo(percorso.constData(), 0600), 0);
            else
                ASSERT_TRUE(QDir().mkpath(app.file(nome)));
        }
        // A reader that opens a FIFO waits for a writer: this one answers it after a while, so
        // that such a reader is seen taking the wrong language rather than hanging the test.
        std::atomic<bool> fine{false};
        std::thread scrittore([&, fifo = QByteArray(c.tipo) == "fifo"] {
            const QByteArray percorso = QFile::encodeName(app.file("LANGUAGE.ASC"));
            for (int i = 0; i < 300 && fifo && !fine; ++i) {
                const int fd = ::open(percorso.constData(), O_WRONLY | O_NONBLOCK);
                if (fd >= 0) {
                    ::write(fd, "1\r\n", 3);
                    ::close(fd);
                    return;
                }
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
            }
        });
        LeggoLingua();
        menu->LeggoVersTab();
        fine = true;
        scrittore.join();
        EXPECT_EQ(Shell.Lingua, c.lingua) << c.tipo;
        EXPECT_TRUE(menu->Versione[1]->text() == c.versione) << c.tipo << " " << menu->Versione[1]->text().size();
    }
    Shell.Lingua = 4;
    menu->Scarica();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}
