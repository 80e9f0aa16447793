// A process killed at any moment while it sorts a catalogue, imports models or copies
// files from the media never leaves a missing or partial file behind.
#include "catalogue/Catalogue.h"
#include "catalogue/MediaImport.h"
#include "demodata/lib/DemoData.h"
#include "platform/Files.h"
#include "shell/Modulo.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <csignal>
#include <sys/wait.h>
#include <unistd.h>

namespace {

QByteArray Leggo(const QString& p)
{
    QFile f(p);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

QByteArray CatalogoProva(int n, bool inverso)
{
    QByteArray b;
    for (int i = 0; i < n; ++i) {
        const int k = inverso ? n - 1 - i : i;
        b += QByteArray("MODEL ").append(QByteArray::number(k).rightJustified(5, '0')).leftJustified(41)
             + "4   " + QByteArray(120, 'E') + QByteArray("K").append(QByteArray::number(k)).leftJustified(12)
             + "GME\r\n";
    }
    return b;
}

} // namespace

TEST(CatalogueKill, SortsAndMediaCopiesAreNeverPartial)
{
    QTemporaryDir prog;
    QTemporaryDir media;
    ASSERT_TRUE(DemoData::ScrivoSupporto(media.path()));
    const QString cat = prog.path() + "/SORTME.PRN";
    const QByteArray disordinato = CatalogoProva(400, true);
    const QByteArray ordinato = CatalogoProva(400, false);
    // Two versions of a large media file copied in turn over the same target.
    const QByteArray a = QByteArray(300000, 'a');
    const QByteArray b = QByteArray(200000, 'b');
    {
        QFile fa(media.path() + "/A.BIN");
        ASSERT_TRUE(fa.open(QIODevice::WriteOnly));
        fa.write(a);
        QFile fb(media.path() + "/B.BIN");
        ASSERT_TRUE(fb.open(QIODevice::WriteOnly));
        fb.write(b);
    }
    ASSERT_TRUE(Files::ScriviAtomico(cat, disordinato));
    const QString copia = prog.path() + "/COPY.BIN";
    ASSERT_TRUE(Files::CopiaAtomica(media.path() + "/A.BIN", copia));
    // A second rail update: the same rails under other codes; the rail catalogue after each.
    QByteArray valvole = Leggo(media.path() + "/VALVOLE.DAT");
    ASSERT_TRUE(Files::ScriviAtomico(media.path() + "/VALVOLB.DAT", valvole.replace("RB2X", "RB2Y").replace("RG03", "RG04")));
    QByteArray catalogoValvole[2];
    QTemporaryDir prova;
    Shell.PathApp = prova.path();
    Files::ImpostaCartellaProgramma(prova.path());
    for (int v = 0; v < 2; ++v) {
        EXPECT_EQ(ImportoValvole(v ? "VALVOLB.DAT" : "VALVOLE.DAT", media.path()), Importo::Fatto);
        catalogoValvole[v] = Leggo(prova.path() + "/VALVOLE.PRN");
    }

    QRandomGenerator caso(12345);
    for (int giro = 0; giro < 36; ++giro) {
        const pid_t figlio = fork();
        ASSERT_GE(figlio, 0);
        if (figlio == 0) {
            Shell.PathApp = prog.path();
            Files::ImpostaCartellaProgramma(prog.path());
            for (int i = 0;; ++i) {
                if (giro % 6 == 5) {
                    // The two rail updates in turn.
                    ImportoValvole(i % 2 ? "VALVOLB.DAT" : "VALVOLE.DAT", media.path());
                    continue;
                }
                if (giro % 3 == 2) {
                    // Model imports rewrite catalogues and copy the slot files, one make into a
                    // fresh folder each time (its catalogue removed first).
                    QFile::remove(prog.path() + "/DELFINO.PRN");
                    QDir(prog.path() + "/DELFINO").removeRecursively();
                    ImportoModelli(QString::fromLatin1(DemoData::NomeFileModelli()), media.path());
                    continue;
                }
                Files::ScriviAtomico(cat, disordinato);
                OrdinoFile(cat);
                Files::CopiaAtomica(media.path() + (i % 2 ? "/A.BIN" : "/B.BIN"), copia);
            }
            _exit(0);
        }
        usleep(1000 + caso.bounded(giro % 6 == 2 ? 200000 : 20000));
        kill(figlio, SIGKILL);
        int stato = 0;
        waitpid(figlio, &stato, 0);

        const QByteArray c = Leggo(cat);
        EXPECT_TRUE(c == disordinato || c == ordinato) << "round " << giro << ": " << c.size() << " bytes";
        const QByteArray k = Leggo(copia);
        EXPECT_TRUE(k == a || k == b) << "round " << giro << ": " << k.size() << " bytes";
        // Imported catalogues, when present, are whole sorted records.
        for (const QString& marca : {QString("AURELIA"), QString("DELFINO"), QString("BOREAS")}) {
            const QString p = prog.path() + "/" + marca + ".PRN";
            if (!QFileInfo::exists(p))
                continue;
            const QByteArray m = Leggo(p);
            EXPECT_EQ(m.size() % 182, 0) << marca.toStdString();
            EXPECT_FALSE(m.isEmpty()) << marca.toStdString();
        }
        const QFileInfo mappa(prog.path() + "/DELFINO/MAREA16/CENTRAL1/MOTORO02.QOX");
        if (mappa.exists()) {
            EXPECT_EQ(Leggo(mappa.filePath()), Leggo(media.path() + "/DELFINO/MAREA16/CENTRAL1/MOTORO02.QOX"));
        }
        // A make catalogue names its model only once the model's files are all there; the
        // rail catalogue is the one before an update or the one after it.
        QDirIterator file(media.path() + "/DELFINO/MAREA16", QDir::Files, QDirIterator::Subdirectories);
        while (QFileInfo::exists(prog.path() + "/DELFINO.PRN") && file.hasNext()) {
            const QString p = file.next();
            EXPECT_EQ(Leggo(QString(p).replace(media.path(), prog.path())), Leggo(p)) << "round " << giro;
        }
        const QByteArray v = Leggo(prog.path() + "/VALVOLE.PRN");
        EXPECT_TRUE(v == "<missing>" || v == catalogoValvole[0] || v == catalogoValvole[1]) << "round " << giro << ": " << v.constData();
    }
}
