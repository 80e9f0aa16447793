#include "platform/Files.h"
#include "platform/SingleInstance.h"
#include "shell/Modulo.h"
#include "support/TestSupport.h"

#include <QCoreApplication>
#include <QLockFile>
#include <QProcess>
#include <gtest/gtest.h>

#include <unistd.h>

// The helper side: takes the lock in the given folder and holds it until stdin closes.
TEST(SingleInstanceHolder, HoldsTheLockUntilStdinCloses)
{
    const QString cartella = qEnvironmentVariable("ZEQ_ISTANZA_CARTELLA");
    if (cartella.isEmpty())
        GTEST_SKIP() << "helper process only";
    Shell.PathApp = cartella;
    Files::ImpostaCartellaProgramma(cartella);
    ASSERT_TRUE(AcquisisciIstanzaUnica("ZEQINST.LCK"));
    ::write(1, "PRONTA\n", 7);
    char c;
    while (::read(0, &c, 1) > 0) {
    }
}

TEST(SingleInstance, SecondCopyInTheSameFolderIsRefused)
{
    CartellaProgramma app;
    ASSERT_TRUE(AcquisisciIstanzaUnica("ZEQINST.LCK"));
    EXPECT_TRUE(AcquisisciIstanzaUnica("ZEQINST.LCK")) << "asking again keeps the lock";
    QLockFile altro(app.file("ZEQINST.LCK"));
    EXPECT_FALSE(altro.tryLock(0));
    {
        CartellaProgramma altraCartella;
        EXPECT_TRUE(AcquisisciIstanzaUnica("ZEQINST.LCK")) << "another folder is another program";
        RilascioIstanzaUnica("ZEQINST.LCK");
    }
    RilascioIstanzaUnica("ZEQINST.LCK");
    EXPECT_TRUE(altro.tryLock(0));
}

TEST(SingleInstance, LockOfAnotherLivingCopyRefusesAndOfADeadOneIsTakenOver)
{
    CartellaProgramma app;
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("ZEQ_ISTANZA_CARTELLA", app.path());
    p.setProcessEnvironment(env);
    p.start(QCoreApplication::applicationFilePath(),
            {"--gtest_filter=SingleInstanceHolder.HoldsTheLockUntilStdinCloses"});
    QByteArray letto;
    while (!letto.contains("PRONTA") && p.waitForReadyRead(30000))
        letto += p.readAllStandardOutput();
    ASSERT_TRUE(letto.contains("PRONTA"));
    EXPECT_FALSE(AcquisisciIstanzaUnica("ZEQINST.LCK"));
    // Killed: its lock file stays behind with the PID of a process that no longer exists.
    p.kill();
    p.waitForFinished(5000);
    ASSERT_TRUE(QFileInfo::exists(app.file("ZEQINST.LCK")));
    EXPECT_TRUE(AcquisisciIstanzaUnica("ZEQINST.LCK"));
    RilascioIstanzaUnica("ZEQINST.LCK");
}
