#include "platform/DriveSearch.h"
#include "support/TestSupport.h"
#include "Sottoprocesso.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <cstdio>
#include <sys/stat.h>
#include <unistd.h>

namespace {

void crea(const QString& base, const QString& relativo)
{
    const QString p = base + "/" + relativo;
    QDir().mkpath(QFileInfo(p).absolutePath());
    QFile f(p);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
}

} // namespace

TEST(DriveSearch, ShallowCopyInALaterRootBeatsADeepCopyInAnEarlierOne)
{
    QTemporaryDir a, b;
    crea(a.path(), "x/y/z/PROGRAMMA.EXE");
    crea(b.path(), "w/programma.exe");
    EXPECT_EQ(CercaCartella({a.path(), b.path()}, "Programma.exe"), b.path() + "/w");
    // On the same level the roots keep their order, and a root itself comes first of all.
    crea(a.path(), "k/PROGRAMMA.EXE");
    EXPECT_EQ(CercaCartella({b.path(), a.path()}, "PROGRAMMA.EXE"), b.path() + "/w");
    EXPECT_EQ(CercaCartella({a.path(), b.path()}, "PROGRAMMA.EXE"), a.path() + "/k");
    crea(b.path(), "PROGRAMMA.EXE");
    EXPECT_EQ(CercaCartella({a.path(), b.path()}, "PROGRAMMA.EXE"), b.path());
}

TEST(DriveSearch, FoldersOfOneLevelAreSearchedInNameOrder)
{
    QTemporaryDir a;
    for (const char* c : {"m", "B", "a", "z"})
        crea(a.path(), QString(c) + "/sub/" + "X.TXT");
    crea(a.path(), "m/x.txt");
    crea(a.path(), "z/X.TXT");
    EXPECT_EQ(CercaCartella({a.path()}, "x.txt"), a.path() + "/m");
    crea(a.path(), "B/X.txt");
    EXPECT_EQ(CercaCartella({a.path()}, "x.txt"), a.path() + "/B");
    EXPECT_EQ(CercaCartella({a.path()}, "NESSUNO.TXT"), "");
    EXPECT_EQ(CercaCartella({a.path()}, ""), "");
    EXPECT_EQ(CercaCartella({a.path()}, "sub/X.TXT"), "");
    EXPECT_EQ(CercaCartella({a.path() + "/manca"}, "X.TXT"), "");
}

TEST(DriveSearch, SymbolicLinksToFoldersAreNeverFollowed)
{
    QTemporaryDir a, altrove;
    QDir().mkpath(a.path() + "/d/e");
    // A loop back to the root and a link to a folder that holds the file.
    ASSERT_EQ(::symlink(a.path().toLocal8Bit().constData(), (a.path() + "/d/e/giro").toLocal8Bit().constData()), 0);
    ASSERT_EQ(::symlink(a.path().toLocal8Bit().constData(), (a.path() + "/giro").toLocal8Bit().constData()), 0);
    crea(altrove.path(), "CERCATO.DAT");
    ASSERT_EQ(::symlink(altrove.path().toLocal8Bit().constData(), (a.path() + "/fuori").toLocal8Bit().constData()), 0);
    EXPECT_EQ(CercaCartella({a.path()}, "CERCATO.DAT"), "");
    // The name of a link itself is an entry like any other.
    EXPECT_EQ(CercaCartella({a.path()}, "GIRO"), a.path());
}

// Helper: the search run by a child process (possibly without privileges).
TEST(DriveSearchHelper, SearchesAndPrintsTheFolder)
{
    const QString radice = qEnvironmentVariable("ZEQ_CERCA_RADICE");
    if (radice.isEmpty())
        GTEST_SKIP() << "helper process only";
    const QString r = CercaCartella({radice}, qEnvironmentVariable("ZEQ_CERCA_NOME"));
    std::printf("RISULTATO=%s\n", r.toUtf8().constData());
}

TEST(DriveSearch, UnreadableFoldersAreSkipped)
{
    QTemporaryDir a;
    crea(a.path(), "chiusa/DENTRO.DAT");
    crea(a.path(), "aperta/x/DENTRO.DAT");
    ASSERT_EQ(::chmod(a.path().toLocal8Bit().constData(), 0755), 0);
    ASSERT_EQ(::chmod((a.path() + "/chiusa").toLocal8Bit().constData(), 0), 0);
    // A privileged user reads any folder: then the search runs as "nobody" in a child process.
    const QString trovato =
        ::geteuid() != 0
            ? CercaCartella({a.path()}, "DENTRO.DAT")
            : RisultatoAiutante(EseguiAiutante("DriveSearchHelper.SearchesAndPrintsTheFolder",
                                               {"ZEQ_CERCA_RADICE=" + a.path(), "ZEQ_CERCA_NOME=dentro.dat"},
                                               true));
    ::chmod((a.path() + "/chiusa").toLocal8Bit().constData(), 0755);
    EXPECT_EQ(trovato, a.path() + "/aperta/x");
}

TEST(DriveSearch, LocalRootsLeaveOutPseudoNetworkAndRemovableFileSystems)
{
    QTemporaryDir a;
    const QString conSpazio = a.path() + "/dati locali";
    QDir().mkpath(conSpazio);
    const QString nascosto = a.path() + "/rete";
    QDir().mkpath(nascosto);
    crea(a.path(), "unfile");
    QByteArray escape = QFile::encodeName(conSpazio);
    escape.replace(" ", "\\040");
    const QByteArray tabella =
        "proc /proc proc rw 0 0\n"
        "sysfs /sys sysfs rw 0 0\n"
        "overlay / overlay rw 0 0\n"
        "tmpfs " + QFile::encodeName(a.path()) + " tmpfs rw 0 0\n"
        "/dev/sda2 " + escape + " ext4 rw 0 0\n"
        "/dev/sda2 " + escape + " ext4 rw 0 0\n"
        "server:/export " + QFile::encodeName(nascosto) + " nfs4 rw 0 0\n"
        "//server/share " + QFile::encodeName(nascosto) + " cifs rw 0 0\n"
        "user@host: " + QFile::encodeName(nascosto) + " fuse.sshfs rw 0 0\n"
        "/dev/sda1 " + QFile::encodeName(a.path() + "/unfile") + " ext4 rw 0 0\n"
        "/dev/sdb1 /media/usb vfat rw 0 0\n"
        "/dev/sdc1 /run/media/u/KEY vfat rw 0 0\n"
        "/dev/sr0 " + QFile::encodeName(nascosto) + " iso9660 ro 0 0\n"
        "/dev/sda3 /nessuna/cartella ext4 rw 0 0\n"
        "broken line\n";
    EXPECT_EQ(RadiciLocaliDa(tabella), QStringList({"/", conSpazio}));
    const QStringList vere = RadiciLocali();
    ASSERT_FALSE(vere.isEmpty());
    EXPECT_EQ(vere.first(), "/");
    EXPECT_FALSE(vere.contains("/proc"));
    EXPECT_FALSE(vere.contains("/sys"));
    EXPECT_FALSE(vere.contains("/dev"));
}
