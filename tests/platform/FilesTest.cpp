#include "platform/Files.h"
#include "support/TestSupport.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <iostream>
#include <cstring>
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <grp.h>
#include <sys/resource.h>
#include <sys/stat.h>
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
                            "MAPPA.QOX.abcXYZ", "MAPPA.QOX.old", "ALTRA.QOX.dcideg",
                            // another file's temporary, and names that only hold this file's
                            "ALTRA.QOX.~zeqtmp-AbC123.tmp", "XMAPPA.QOX.~zeqtmp-AbC123.tmp",
                            "MAPPA.QOX.~zeqtmp-AbC123.tmp.old"};
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

    // Through a chain of links, each read against its own folder, the file at the end is
    // written and the links stay; a loop is refused with the system's reason.
    app.scrivi("CATENA/SUB/C.TXT", "old");
    const QByteArray catena = QFile::encodeName(app.path() + "/CATENA/");
    ASSERT_EQ(::symlink("SUB/B.TXT", catena + "A.TXT"), 0);
    ASSERT_EQ(::symlink("C.TXT", catena + "SUB/B.TXT"), 0);
    ASSERT_EQ(::symlink("GIRO2", catena + "GIRO1"), 0);
    ASSERT_EQ(::symlink("GIRO1", catena + "GIRO2"), 0);
    ASSERT_TRUE(Files::ScriviAtomico(app.file("CATENA/A.TXT"), QByteArray("chain")));
    EXPECT_EQ(app.leggi("CATENA/SUB/C.TXT"), "chain");
    // A file renamed over the chain goes to its end too, copied whole where that end lies on
    // another file system.
    app.scrivi("CATENA/NUOVO.TXT", "renamed");
    ASSERT_TRUE(Files::SostituisciConRinomina(app.file("CATENA/NUOVO.TXT"), app.file("CATENA/A.TXT")));
    EXPECT_EQ(app.leggi("CATENA/SUB/C.TXT"), "renamed");
    EXPECT_FALSE(QFileInfo::exists(app.file("CATENA/NUOVO.TXT")));
    // A file of another account, in a folder both may write, is renamed over as well: its
    // mode is kept where it can be, never a reason to refuse.
    if (::geteuid() == 0) {
        ASSERT_EQ(::chmod(QFile::encodeName(app.path()).constData(), 0755), 0);
        app.scrivi("APERTA/DI_ALTRI.TXT", "theirs");
        app.scrivi("APERTA/VECCHIO.TXT", "old");
        ASSERT_EQ(::chmod(QFile::encodeName(app.file("APERTA")).constData(), 0777), 0);
        ASSERT_EQ(::chmod(QFile::encodeName(app.file("APERTA/DI_ALTRI.TXT")).constData(), 0666), 0);
        ASSERT_EQ(::chmod(QFile::encodeName(app.file("APERTA/VECCHIO.TXT")).constData(), 0644), 0);
        const pid_t altro = fork();
        ASSERT_GE(altro, 0);
        if (altro == 0) {
            const gid_t g = 65534;
            if (::setgroups(1, &g) != 0 || ::setgid(g) != 0 || ::setuid(65534) != 0)
                _exit(97);
            _exit(Files::SostituisciConRinomina(app.file("APERTA/DI_ALTRI.TXT"), app.file("APERTA/VECCHIO.TXT")) ? 0 : 1);
        }
        int esito = 0;
        waitpid(altro, &esito, 0);
        EXPECT_TRUE(WIFEXITED(esito) && WEXITSTATUS(esito) == 0) << esito;
        EXPECT_EQ(app.leggi("APERTA/VECCHIO.TXT"), "theirs");
    }
    const QString altrove = QDir::tempPath() == "/dev/shm" ? QString() : QStringLiteral("/dev/shm");
    struct stat qui {}, li {};
    if (!altrove.isEmpty() && ::stat(catena.constData(), &qui) == 0 && ::stat(QFile::encodeName(altrove), &li) == 0
        && qui.st_dev != li.st_dev) {
        const QString fine = altrove + QStringLiteral("/zeq-files-test-%1.TXT").arg(::getpid());
        ASSERT_TRUE(Files::ScriviAtomico(fine, QByteArray("there")));
        ASSERT_EQ(::symlink(QFile::encodeName(fine), catena + "FUORI.TXT"), 0);
        app.scrivi("CATENA/NUOVO.TXT", "across");
        QString perche;
        EXPECT_TRUE(Files::SostituisciConRinomina(app.file("CATENA/NUOVO.TXT"), app.file("CATENA/FUORI.TXT"), &perche))
            << qPrintable(perche);
        QByteArray letto;
        EXPECT_TRUE(Files::LeggiTutto(fine, letto) && letto == "across");
        EXPECT_FALSE(QFileInfo::exists(app.file("CATENA/NUOVO.TXT")));
        EXPECT_TRUE(QFileInfo(app.file("CATENA/FUORI.TXT")).isSymLink());
        QFile::remove(fine);
    } else {
        std::cout << "rename across file systems left out: no second file system at /dev/shm\n";
    }
    QString err2;
    EXPECT_FALSE(Files::ScriviAtomico(app.file("CATENA/GIRO1"), QByteArray("x"), &err2));
    EXPECT_TRUE(err2.contains(QString::fromLocal8Bit(std::strerror(ELOOP)))) << qPrintable(err2);
    for (const char* n : {"A.TXT", "SUB/B.TXT", "GIRO1", "GIRO2"})
        EXPECT_TRUE(QFileInfo(app.path() + "/CATENA/" + n).isSymLink()) << n;

    // A new file gets read and write for all less the umask; a replaced one keeps its mode.
    struct Modo { mode_t umask; const char* nome; mode_t prima, dopo; };
    for (const Modo& m : {Modo{077, "N077.TXT", 0, 0600}, Modo{002, "N002.TXT", 0, 0664},
                          Modo{077, "E077.TXT", 0640, 0640}, Modo{002, "E002.TXT", 0640, 0640}}) {
        const QByteArray nome = QFile::encodeName(app.file(m.nome));
        if (m.prima) {
            app.scrivi(m.nome, "old");
            ASSERT_EQ(::chmod(nome, m.prima), 0);
        }
        const mode_t era = ::umask(m.umask);
        const bool ok = Files::ScriviAtomico(app.file(m.nome), QByteArray("x"));
        ::umask(era);
        struct stat st {};
        EXPECT_TRUE(ok && ::stat(nome, &st) == 0) << m.nome;
        EXPECT_EQ(st.st_mode & 07777, m.dopo) << m.nome;
    }
    // In a folder shared through a default access list a new file gets the list as the system
    // gives it, whatever the umask: the other account's entry keeps its write.
    const QString condivisa = app.path() + "/CONDIVISA";
    ASSERT_TRUE(QDir().mkpath(condivisa));
    QProcess acl;
    acl.start("setfacl", {"-d", "-m", "u:65534:rwx", condivisa});
    if (!acl.waitForFinished(120000) || acl.exitStatus() != QProcess::NormalExit || acl.exitCode() != 0) {
        std::cout << "default access list row left out: "
                  << (acl.error() == QProcess::FailedToStart ? QByteArray("setfacl (package acl) is not installed")
                                                             : acl.readAllStandardError())
                         .toStdString()
                  << "\n";
    } else {
        const mode_t era = ::umask(022);
        const bool ok = Files::ScriviAtomico(condivisa + "/ZEQINST.INI", QByteArray("x"));
        ::umask(era);
        EXPECT_TRUE(ok);
        acl.start("getfacl", {"-n", "--omit-header", condivisa + "/ZEQINST.INI"});
        ASSERT_TRUE(acl.waitForFinished(120000));
        const QByteArray voci = acl.readAllStandardOutput();
        EXPECT_TRUE(voci.contains("user:65534:rwx") && voci.contains("mask::rw-")) << voci.toStdString();
    }

    // Every name the folder takes can be rewritten and written new, the short temporary an
    // earlier write of it left removed; a name it does not take, a folder that is a file, a
    // file that is a folder and a read-only file fail with the system's reason. Nothing is
    // left beside them, and the short temporary of another name stays.
    app.scrivi("LUNGHI/.~zeqtmp-0123456789abcdef-AbC123.tmp", "mine");
    for (const int n : {237, 248, 255}) {
        app.scrivi("LUNGHI/" + QString(n, 'E'), "old");
        const QByteArray sigla =
            QCryptographicHash::hash(QFile::encodeName(QString(n, 'E')), QCryptographicHash::Sha256).toHex().left(16);
        app.scrivi("LUNGHI/.~zeqtmp-" + sigla + "-Kill01.tmp", "cut short");
        EXPECT_TRUE(Files::ScriviAtomico(app.file("LUNGHI/" + QString(n, 'E')), QByteArray("new"))) << n;
        EXPECT_EQ(app.leggi("LUNGHI/" + QString(n, 'E')), "new") << n;
        EXPECT_TRUE(Files::ScriviAtomico(app.file("LUNGHI/" + QString(n, 'N')), QByteArray("new"))) << n;
        EXPECT_EQ(app.leggi("LUNGHI/" + QString(n, 'N')), "new") << n;
    }
    app.scrivi("LUNGHI/FILE.TXT", "x");
    ASSERT_TRUE(QDir(app.path()).mkdir("LUNGHI/CARTELLA"));
    app.scrivi("LUNGHI/LETTURA.TXT", "mine");
    ASSERT_EQ(::chmod(QFile::encodeName(app.file("LUNGHI/LETTURA.TXT")), 0444), 0);
    for (const auto& [nome, codice] : {std::pair{QString(256, 'N'), ENAMETOOLONG},
                                       std::pair{QStringLiteral("FILE.TXT/X"), ENOTDIR},
                                       std::pair{QStringLiteral("CARTELLA"), EISDIR},
                                       std::pair{QStringLiteral("LETTURA.TXT"), EACCES}}) {
        EXPECT_FALSE(Files::ScriviAtomico(app.path() + "/LUNGHI/" + nome, QByteArray("x"), &err2));
        EXPECT_TRUE(err2.contains(QString::fromLocal8Bit(std::strerror(codice)))) << qPrintable(err2);
    }
    EXPECT_EQ(app.leggi("LUNGHI/LETTURA.TXT"), "mine");
    // A file made immutable or append-only gives the system's own reason, not the mode's:
    // neither can be replaced.
    for (const int flag : {FS_IMMUTABLE_FL, FS_APPEND_FL}) {
        app.scrivi("LUNGHI/FISSO.TXT", "mine");
        const int fisso = ::open(QFile::encodeName(app.file("LUNGHI/FISSO.TXT")).constData(), O_RDONLY | O_CLOEXEC);
        int bandiere = 0;
        bool fissato = fisso >= 0 && ::ioctl(fisso, FS_IOC_GETFLAGS, &bandiere) == 0;
        bandiere |= flag;
        fissato = fissato && ::ioctl(fisso, FS_IOC_SETFLAGS, &bandiere) == 0;
        if (fissato) {
            EXPECT_FALSE(Files::Sostituibile(app.file("LUNGHI/FISSO.TXT"), &err2)) << flag;
            EXPECT_TRUE(err2.endsWith(QString::fromLocal8Bit(std::strerror(EPERM)))) << qPrintable(err2);
            bandiere &= ~flag;
            ::ioctl(fisso, FS_IOC_SETFLAGS, &bandiere);
        } else {
            std::cout << "flag " << flag << " row left out: the file system keeps no such flag\n";
        }
        if (fisso >= 0)
            ::close(fisso);
        QFile::remove(app.file("LUNGHI/FISSO.TXT"));
    }
    // A disk that takes a write only in part (here a limit on the file's size) gives its reason.
    int tubo[2];
    ASSERT_EQ(::pipe(tubo), 0);
    const pid_t limitato = fork();
    ASSERT_GE(limitato, 0);
    if (limitato == 0) {
        ::signal(SIGXFSZ, SIG_IGN);
        const rlimit limite{1000, 1000};
        ::setrlimit(RLIMIT_FSIZE, &limite);
        QString perche;
        Files::ScriviAtomico(app.file("LUNGHI/GRANDE.TXT"), QByteArray(65536, 'x'), &perche);
        const QByteArray b = perche.toUtf8();
        _exit(::write(tubo[1], b.constData(), size_t(b.size())) == b.size() ? 0 : 1);
    }
    ::close(tubo[1]);
    QByteArray motivo;
    char pezzo[256];
    for (ssize_t n; (n = ::read(tubo[0], pezzo, sizeof pezzo)) > 0;)
        motivo.append(pezzo, n);
    ::close(tubo[0]);
    waitpid(limitato, &stato, 0);
    EXPECT_TRUE(motivo.contains(std::strerror(EFBIG)) && motivo.contains("GRANDE.TXT")) << motivo.toStdString();
    EXPECT_EQ(QDir(app.path() + "/LUNGHI").entryList(QDir::Files | QDir::Hidden).size(), 9);
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
