#include "platform/Files.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <gtest/gtest.h>

#include <csignal>
#include <sys/wait.h>
#include <unistd.h>

TEST(Files, FixedNamesAreFoundInAnyCaseExactNameFirst)
{
    CartellaProgramma app;
    app.scrivi("zeqinst.ini", "a");
    app.scrivi("Tempor/Marca.prn", "b");
    EXPECT_EQ(Files::PercorsoApp("ZEQINST.INI"), app.path() + "/zeqinst.ini");
    EXPECT_EQ(Files::PercorsoApp("TEMPOR\\MARCA.PRN"), app.path() + "/Tempor/Marca.prn");
    // Missing names are kept as given (created in upper case by the callers).
    EXPECT_EQ(Files::PercorsoApp("ARCHIVI/ARCHIVIO.MDB"), app.path() + "/ARCHIVI/ARCHIVIO.MDB");
    QFile exact(app.path() + "/ZEQINST.INI");
    ASSERT_TRUE(exact.open(QIODevice::WriteOnly));
    exact.close();
    EXPECT_EQ(Files::PercorsoApp("ZEQINST.INI"), app.path() + "/ZEQINST.INI");
}

TEST(Files, NamesFromOutsideMustBeOneComponent)
{
    for (const char* buono : {"AB123CD", "FIAT", "MODEL_1", "a b"})
        EXPECT_TRUE(Files::ComponenteValido(QString::fromLatin1(buono))) << buono;
    for (const char* cattivo : {"", " ", ".", "..", "A/B", "A\\B", "C:", "X\tY", "\x01"})
        EXPECT_FALSE(Files::ComponenteValido(QString::fromLatin1(cattivo))) << cattivo;
    EXPECT_EQ(Files::ComponentiValidi("SOFTWARE\\02").size(), 2);
    EXPECT_TRUE(Files::ComponentiValidi("\\SOFTWARE").isEmpty());
    EXPECT_TRUE(Files::ComponentiValidi("A\\..\\B").isEmpty());
    EXPECT_TRUE(Files::ComponentiValidi("C:\\X").isEmpty());
}

TEST(Files, EsisteHandlesWildcardsFoldersAndEmptyNames)
{
    CartellaProgramma app;
    app.scrivi("SOFTWARE/02/A.S19", "x");
    EXPECT_FALSE(Esiste(""));
    EXPECT_FALSE(Esiste("   "));
    EXPECT_TRUE(Esiste(app.file("SOFTWARE/02/A.S19")));
    EXPECT_TRUE(Esiste(app.file("software/02/a.s19")));
    EXPECT_TRUE(Esiste(app.path() + "/SOFTWARE/02/*.s19"));
    EXPECT_FALSE(Esiste(app.path() + "/SOFTWARE/02/*.TXT"));
    EXPECT_FALSE(Esiste(app.file("SOFTWARE")));      // a folder is not a file
    EXPECT_TRUE(Esiste(app.file("SOFTWARE"), 16));
    EXPECT_TRUE(Esiste(app.path() + "/SOFT*", 16));
    EXPECT_FALSE(Esiste(app.path() + "/NOPE/X.TXT"));
}

TEST(Files, AtomicWriteReplacesWholeOrLeavesOldFile)
{
    CartellaProgramma app;
    app.scrivi("MAPPA.QOX", "old");
    ASSERT_TRUE(Files::ScriviAtomico(app.file("MAPPA.QOX"), QByteArray("new content")));
    EXPECT_EQ(app.leggi("MAPPA.QOX"), "new content");
    // A writer that fails leaves the old file and no temporary behind.
    EXPECT_FALSE(Files::ScriviAtomico(app.file("MAPPA.QOX"), [](QIODevice& d) {
        d.write("partial");
        return false;
    }));
    EXPECT_EQ(app.leggi("MAPPA.QOX"), "new content");
    EXPECT_EQ(QDir(app.path()).entryList(QDir::Files).size(), 1);
    // A folder that does not exist: failure reported.
    QString err;
    EXPECT_FALSE(Files::ScriviAtomico(app.path() + "/MISSING/X.TXT", QByteArray("x"), &err));
    EXPECT_FALSE(err.isEmpty());
    // A person's own copies beside the target, whatever their names, survive every write.
    const QStringList copie{"MAPPA.QOX.backup", "MAPPA.QOX.BACKUP", "MAPPA.QOX.old001", "MAPPA.QOX.Copy01",
                            "MAPPA.QOX.bak123", "MAPPA.QOX.2024v1", "MAPPA.QOX.orig12", "MAPPA.QOX.251209",
                            "MAPPA.QOX.abcXYZ", "MAPPA.QOX.old", "ALTRA.QOX.dcideg"};
    for (const QString& n : copie) {   // by their exact names: two differ only in case
        QFile f(app.path() + '/' + n);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly) && f.write("mine") == 4);
    }
    ASSERT_TRUE(Files::ScriviAtomico(app.file("MAPPA.QOX"), QByteArray("newer")));
    for (const QString& n : copie) {
        QByteArray dati;
        EXPECT_TRUE(Files::LeggiTutto(app.path() + '/' + n, dati) && dati == "mine") << qPrintable(n);
    }
    // A write killed before its rename leaves its temporary; the next write of that file
    // removes it and leaves the person's copies.
    const pid_t figlio = fork();
    ASSERT_GE(figlio, 0);
    if (figlio == 0) {
        Files::ScriviAtomico(app.file("MAPPA.QOX"), [](QIODevice& d) {
            d.write("killed");
            (void)static_cast<QFileDevice&>(d).fileName();   // named, as at the rename
            ::kill(::getpid(), SIGKILL);
            return true;
        });
        _exit(0);
    }
    int stato = 0;
    waitpid(figlio, &stato, 0);
    ASSERT_TRUE(WIFSIGNALED(stato));
    EXPECT_EQ(QDir(app.path()).entryList(QDir::Files).size(), copie.size() + 2);
    EXPECT_EQ(app.leggi("MAPPA.QOX"), "newer");
    ASSERT_TRUE(Files::ScriviAtomico(app.file("MAPPA.QOX"), QByteArray("newest")));
    QStringList attesi = copie;
    attesi << "MAPPA.QOX";
    attesi.sort();
    QStringList restano = QDir(app.path()).entryList(QDir::Files);
    restano.sort();
    EXPECT_EQ(restano, attesi);
}

TEST(Files, CopyRefusesSymbolicLinks)
{
    CartellaProgramma app;
    app.scrivi("A.TXT", "data");
    QFile::link(app.file("A.TXT"), app.path() + "/LINK.TXT");
    EXPECT_TRUE(Files::CopiaAtomica(app.file("A.TXT"), app.path() + "/B.TXT"));
    EXPECT_EQ(app.leggi("B.TXT"), "data");
    EXPECT_FALSE(Files::CopiaAtomica(app.path() + "/LINK.TXT", app.path() + "/C.TXT"));
    EXPECT_FALSE(QFileInfo::exists(app.path() + "/C.TXT"));
}

TEST(Files, AbsoluteNameWithoutBaseStaysAbsolute)
{
    CartellaProgramma app;
    app.scrivi("Maps/motoro02.qox", "x");
    EXPECT_EQ(Files::Percorso(QString(), app.path() + "/MAPS/MOTORO02.QOX"), app.path() + "/Maps/motoro02.qox");
    EXPECT_EQ(Files::Percorso(QString(), "REL/X"), QStringLiteral("REL/X"));
}
