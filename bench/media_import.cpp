// Peak memory and time of importing a large update file from installer media. Each size
// runs in a child process of its own; the figure is the child's peak resident set less
// that of a child that imports nothing, so it is what the import itself holds.
//
//   bench_media_import [MB ...]      (default: 100 300 500)
//
// The file is SOFTWARE.DAT-shaped: blocks of about 1 MB of comment lines (lines of a
// keyword the import ignores), each ending with a block that copies one small data file.
// A last run reads a file of one 200 MB line, which must fail at the block limit.
#include "catalogue/MediaImport.h"
#include "platform/Files.h"
#include "shell/Modulo.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <cstdio>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

QByteArray Chiave(const char* k, const QByteArray& v)
{
    return QByteArray(k).leftJustified(20) + ": " + v + "\r\n";
}

// Writes the update file a block at a time; false on a write error.
bool ScrivoFile(const QString& percorso, qint64 megabyte)
{
    QFile f(percorso);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    const QByteArray riga = "NOTA                : " + QByteArray(98, 'x') + "\r\n";   // 120 bytes
    QByteArray commenti;
    for (int i = 0; i < 8700; ++i)
        commenti += riga;
    const QByteArray blocco = commenti + Chiave("INIZIO", "SOFTWARE") + Chiave("MARCA", "02")
                              + Chiave("MODELLO", "BENCH") + Chiave("FILE_DATI_001", "BENCH.S19") + "END\r\n";
    while (f.size() < megabyte * 1024 * 1024)
        if (f.write(blocco) != blocco.size())
            return false;
    return f.flush();
}

struct Misura {
    long picoKB = 0;   // peak resident set of the child
    double secondi = 0;
    int esito = -99;
};

Misura Figlio(const QString& programma, const QString& supporto, bool importa)
{
    QElapsedTimer t;
    t.start();
    const pid_t pid = fork();
    if (pid == 0) {
        Shell.PathApp = programma;
        Files::ImpostaCartellaProgramma(programma);
        _exit(importa ? ImportoFileDati(QStringLiteral("SOFTWARE.DAT"), supporto) + 10 : 10);
    }
    Misura m;
    int stato = 0;
    rusage uso{};
    if (pid > 0 && wait4(pid, &stato, 0, &uso) == pid) {
        m.picoKB = uso.ru_maxrss;
        m.esito = WIFEXITED(stato) ? WEXITSTATUS(stato) - 10 : -99;
    }
    m.secondi = t.elapsed() / 1000.0;
    return m;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QList<qint64> dimensioni;
    for (int i = 1; i < argc; ++i)
        dimensioni << QByteArray(argv[i]).toLongLong();
    if (dimensioni.isEmpty())
        dimensioni = {100, 300, 500};

    QTemporaryDir programma, supporto;
    QDir().mkpath(supporto.path() + "/SOFTWARE/02/BENCH");
    QFile s19(supporto.path() + "/SOFTWARE/02/BENCH/BENCH.S19");
    if (!s19.open(QIODevice::WriteOnly) || s19.write("S0030000FC\r\n") < 0)
        return 1;
    s19.close();

    const Misura base = Figlio(programma.path(), supporto.path(), false);
    std::printf("child that imports nothing: peak %ld KB\n", base.picoKB);
    for (const qint64 mb : dimensioni) {
        if (!ScrivoFile(supporto.path() + "/SOFTWARE.DAT", mb)) {
            std::printf("%lld MB: cannot write the update file\n", static_cast<long long>(mb));
            return 1;
        }
        const Misura m = Figlio(programma.path(), supporto.path(), true);
        std::printf("%4lld MB update file: result %d, %.1f s, peak %ld KB (%ld KB above the idle child)\n",
                    static_cast<long long>(mb), m.esito, m.secondi, m.picoKB, m.picoKB - base.picoKB);
        QFile::remove(supporto.path() + "/SOFTWARE.DAT");
    }

    // One line of 200 MB: the import stops once the line passes the block limit.
    {
        QFile f(supporto.path() + "/SOFTWARE.DAT");
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return 1;
        const QByteArray pezzo(1024 * 1024, 'x');
        for (int i = 0; i < 200; ++i)
            if (f.write(pezzo) != pezzo.size())
                return 1;
    }
    const Misura m = Figlio(programma.path(), supporto.path(), true);
    std::printf("one 200 MB line: result %d, %.1f s, peak %ld KB (%ld KB above the idle child)\n", m.esito,
                m.secondi, m.picoKB, m.picoKB - base.picoKB);
    return 0;
}
