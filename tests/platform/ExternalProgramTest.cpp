#include "platform/ExternalProgram.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTimer>
#include <gtest/gtest.h>
#include <memory>

TEST(ExternalProgram, EventsRunWhileWaitingAndTheExitCodeComesBack)
{
    int scatti = 0;
    QTimer t;
    QObject::connect(&t, &QTimer::timeout, [&] { ++scatti; });
    t.start(10);
    // The script and its argument go as separate arguments: no shell parses the argument.
    const EsitoProgramma e =
        AvvioEAttendo("/bin/sh", {"-c", "sleep 0.3; [ \"$1\" = 'a b;c' ] && exit 3; exit 4", "sh", "a b;c"});
    t.stop();
    EXPECT_TRUE(e.avviato);
    EXPECT_TRUE(e.terminato);
    EXPECT_EQ(e.codice, 3);
    EXPECT_GE(scatti, 5) << "the timer must keep firing during the wait";
}

TEST(ExternalProgram, MissingOrKilledProgramIsReported)
{
    const EsitoProgramma manca = AvvioEAttendo("/nessun/programma", {});
    EXPECT_FALSE(manca.avviato);
    EXPECT_FALSE(manca.terminato);
    EXPECT_FALSE(manca.errore.isEmpty());
    const EsitoProgramma ucciso = AvvioEAttendo("/bin/sh", {"-c", "kill -9 $$"});
    EXPECT_TRUE(ucciso.avviato);
    EXPECT_FALSE(ucciso.terminato);
}

TEST(ExternalProgram, WindowsNamesMapToTheDesktopOpener)
{
    EXPECT_EQ(ProgrammaEsterno("WORDPAD.EXE"), "xdg-open");
    EXPECT_EQ(ProgrammaEsterno("AcroRd32.exe"), "xdg-open");
    EXPECT_EQ(ProgrammaEsterno("NOTEPAD.EXE"), "NOTEPAD.EXE");
}

TEST(ExternalProgram, PathSearchFindsTheFirstFolderWithAnExecutable)
{
    QTemporaryDir a, b, c;
    auto crea = [](const QString& p, bool eseguibile) {
        QFile f(p);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("#!/bin/sh\n");
        f.close();
        f.setPermissions(eseguibile ? QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner
                                    : QFile::ReadOwner | QFile::WriteOwner);
    };
    crea(a.path() + "/strumento", false);
    crea(b.path() + "/strumento", true);
    crea(c.path() + "/strumento", true);
    const QByteArray vecchio = qgetenv("PATH");
    qputenv("PATH", (a.path() + "::" + b.path() + ":" + c.path()).toLocal8Bit());
    const QString trovato = CercaNelPath("strumento");
    const QString nessuno = CercaNelPath("nessuno-strumento");
    const QString conBarra = CercaNelPath("x/strumento");
    // A relative entry names a folder below the current one, like an empty entry: not searched.
    const QString corrente = QDir::currentPath();
    QDir::setCurrent(c.path());
    QDir().mkdir("rel");
    crea(c.path() + "/rel/strumento", true);
    qputenv("PATH", ("rel:.:" + a.path() + ":" + b.path()).toLocal8Bit());
    const QString relativo = CercaNelPath("strumento");
    QDir::setCurrent(corrente);
    qputenv("PATH", vecchio);
    EXPECT_EQ(trovato, b.path());
    EXPECT_EQ(nessuno, "");
    EXPECT_EQ(conBarra, "");
    EXPECT_EQ(relativo, b.path());
}

TEST(ExternalProgram, StartWithoutWaitingReturnsWhileTheProgramRuns)
{
    QTemporaryDir d;
    const QString segno = d.filePath("segno");
    // The program waits until the caller has returned, then leaves its one argument behind;
    // its end within the wait is told afterwards.
    auto fine = std::make_shared<int>(-1);
    const EsitoProgramma e = AvvioSenzaAttendere(
        "/bin/sh", {"-c", "while [ ! -e \"$1.go\" ]; do sleep 0.05; done; printf '%s' \"$2\" > \"$1\"; exit 3", "sh",
                    segno, "a b;c"},
        [fine](const EsitoProgramma& f) { *fine = f.terminato ? f.codice : -2; }, 60000);
    EXPECT_TRUE(e.avviato);
    EXPECT_FALSE(QFile::exists(segno));
    QFile(segno + ".go").open(QIODevice::WriteOnly);
    ASSERT_TRUE(AttendiFinche([&] { return QFileInfo(segno).size() > 0; }, 30000));
    QFile f(segno);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), "a b;c");
    EXPECT_TRUE(AttendiFinche([&] { return *fine == 3; }, 20000));
    const EsitoProgramma manca = AvvioSenzaAttendere("/nessun/programma", {});
    EXPECT_FALSE(manca.avviato);
    EXPECT_FALSE(manca.errore.isEmpty());
}
