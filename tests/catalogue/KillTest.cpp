// A process killed at any moment while it rewrites map files must leave each file either
// as it was before the rewrite or as the rewrite makes it, never missing or partial.
#include "catalogue/MapFiles.h"
#include "catalogue/SRecord.h"
#include "platform/Files.h"
#include "support/TestSupport.h"

#include <QFile>
#include <gtest/gtest.h>

#include <csignal>
#include <random>
#include <sys/wait.h>
#include <unistd.h>

namespace {

QByteArray mappaGrezza(int variante)
{
    QByteArray t = "* standard map, variant " + QByteArray::number(variante) + "\r\n";
    for (int k = 1; k <= 2850; ++k)
        t += "  " + QByteArray::number((k * (variante + 3)) % 4000 - 100) + "\r\n";
    return t;
}

QByteArray leggi(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

} // namespace

TEST(KillTest, KilledRewritesNeverLeaveAMissingOrPartialMap)
{
    CartellaProgramma app;
    const QDate data(2004, 1, 7);
    QByteArray grezza[2], normale[2], f19[2];
    for (int v = 0; v < 2; ++v) {
        grezza[v] = mappaGrezza(v);
        ASSERT_TRUE(NormalizzoTesto(grezza[v], normale[v]));
        ASSERT_EQ(MappaInF19(normale[v], data, f19[v]), 0);
    }
    const QString valori = app.file("MOTORO02.QOX");
    const QString mappa = app.file("C_GPL02.F19");
    ASSERT_TRUE(Files::ScriviAtomico(valori, normale[0]));
    ASSERT_TRUE(Files::ScriviAtomico(mappa, f19[0]));

    std::mt19937 caso(12345);
    int giri = 0;
    for (int uccisione = 0; uccisione < 40; ++uccisione) {
        int tubo[2];
        ASSERT_EQ(pipe(tubo), 0);
        const pid_t figlio = fork();
        ASSERT_GE(figlio, 0);
        if (figlio == 0) {
            close(tubo[0]);
            for (int i = 0;; ++i) {
                const int v = (i + uccisione) % 2;
                Files::ScriviAtomico(valori, grezza[v]);
                FormattoFile(valori);
                Files::ScriviAtomico(app.file("SORGENTE.QOX"), normale[v]);
                ConvertoMappaInF19(app.path() + "/SORGENTE", app.path() + "/C_GPL02", data);
                const char fatto = 1;
                if (write(tubo[1], &fatto, 1) != 1)
                    _exit(1);
            }
        }
        close(tubo[1]);
        char c = 0;
        // Let the child finish one round, then kill it somewhere in a later one.
        ASSERT_EQ(read(tubo[0], &c, 1), 1) << "the rewriting process died by itself";
        ++giri;
        usleep(std::uniform_int_distribution<useconds_t>(0, 15000)(caso));
        kill(figlio, SIGKILL);
        int stato = 0;
        waitpid(figlio, &stato, 0);
        while (read(tubo[0], &c, 1) == 1)
            ++giri;
        close(tubo[0]);
        EXPECT_TRUE(WIFSIGNALED(stato) && WTERMSIG(stato) == SIGKILL);

        const QByteArray v = leggi(valori);
        EXPECT_TRUE(v == grezza[0] || v == grezza[1] || v == normale[0] || v == normale[1])
            << "value file after kill " << uccisione << ": " << v.size() << " bytes";
        const QByteArray m = leggi(mappa);
        EXPECT_TRUE(m == f19[0] || m == f19[1])
            << "map after kill " << uccisione << ": " << m.size() << " bytes";
    }
    EXPECT_GE(giri, 40);
}
