// The update screen importing installer media into a program folder (offscreen).
#include "catalogue/AggModel.h"
#include "catalogue/Catalogue.h"
#include "demodata/lib/DemoData.h"
#include "platform/BoxHost.h"
#include "shell/Modulo.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

void Scrivo(const QString& p, const QByteArray& d)
{
    QDir().mkpath(QFileInfo(p).absolutePath());
    QFile f(p);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(d);
}

class SchermoAggiornamento : public ::testing::Test {
protected:
    void SetUp() override
    {
        Shell.Lingua = 4;
        AggModel::ImpostaSceltaCartella([this](QWidget*, const QString& partenza) {
            partenze << partenza;
            return media.path();
        });
        form = AggModel::Carica();
        form->show();
    }
    void TearDown() override
    {
        AggModel::ImpostaSceltaCartella(nullptr);
        if (AggModel::Istanza())
            AggModel::Istanza()->Scarica();
        QCoreApplication::processEvents();
    }
    // Chooses the media folder through the chooser and presses OK.
    void Aggiorno()
    {
        QTest::mouseClick(form->DiscoOr, Qt::LeftButton);
        QTest::mouseClick(form->Tastook, Qt::LeftButton);
    }
    QString L(int i) const { return form->LabModel[i]->text(); }

    CartellaProgramma prog;
    QTemporaryDir media;
    RegistroBox box;
    QStringList partenze;
    AggModel* form = nullptr;
};

} // namespace

TEST_F(SchermoAggiornamento, LoadsItsCaptions)
{
    EXPECT_EQ(form->Intitolo->text(), "Z E Q - MODEL UPDATING");
    EXPECT_EQ(L(0), "1. Select the disk to update");
    EXPECT_EQ(L(1), "2. Then press OK");
    EXPECT_EQ(form->LabSegna->text(), "Operations in progress ...");
}

TEST_F(SchermoAggiornamento, ImportsTheDemoMediaIntoAFreshProgramFolder)
{
    QString errore;
    ASSERT_TRUE(DemoData::ScrivoSupporto(media.path(), &errore)) << errore.toStdString();
    Aggiorno();
    EXPECT_EQ(partenze.size(), 1);
    EXPECT_EQ(QDir::fromNativeSeparators(form->Direttiva->text()), media.path());
    EXPECT_EQ(box.conta(), 0) << box.testi().join("|").toStdString();
    EXPECT_EQ(L(2), "");
    EXPECT_EQ(L(3), "Updating finished!");
    EXPECT_TRUE(form->Tastook->isEnabled());
    EXPECT_TRUE(form->Esci->isEnabled());

    // Catalogues, rails, software and the data version are in the program folder.
    QList<RecordCatalogo> r;
    ASSERT_TRUE(LeggoCatalogo(PercorsoCatalogo("DELFINO"), r));
    EXPECT_EQ(r.size(), 1);
    ASSERT_TRUE(LeggoCatalogo(PercorsoCatalogo("AURELIA"), r));
    EXPECT_EQ(r.size(), 1);
    EXPECT_EQ(prog.leggi("VALVOLE.PRN").size(), 2 * 180);
    EXPECT_TRUE(QFileInfo::exists(prog.file("VALVOLE/MODEL_3/TABPCM02.PCM")));
    EXPECT_TRUE(QFileInfo::exists(prog.file("SOFTWARE/02/L0AB/L0AB.S19")));
    EXPECT_EQ(prog.leggi("VERSOFTWARE.DAT"), DemoData::VersioneDatiSupporto() + "\r\n");
    EXPECT_EQ(ElencoMarche(prog.path(), 1), (QStringList{"AURELIA", "BOREAS", "CALDERA", "DELFINO"}));

    // Any one file the update would replace made read-only, the update is refused before
    // anything is replaced, and the message names the file and the reason.
    auto stato = [&] {   // every file of the program folder with its inode, size and time
        QStringList s;
        QDirIterator it(prog.path(), QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString p = it.next();
            struct stat st {};
            ::stat(QFile::encodeName(p), &st);
            s << QStringLiteral("%1 %2 %3 %4.%5").arg(p).arg(st.st_ino).arg(st.st_size).arg(st.st_mtim.tv_sec).arg(st.st_mtim.tv_nsec);
        }
        s.sort();
        return s;
    };
    // The S-record form a new map makes stale, too, and a folder the update must make where a
    // folder takes no new file.
    prog.scrivi("DELFINO/MAREA16/CENTRAL3/C_GPL02.F19", "stale");
    for (const char* nome : {"AURELIA.PRN", "DELFINO/MAREA16/CENTRAL3/MOTORO02.QOX", "VALVOLE.PRN",
                             "VALVOLE/MODEL_3/TABPWM02.PWM", "SOFTWARE/02/L0AB/L0AB.S19", "SOFTWARE/02/L0AB/L0AB.TXT",
                             "VERSOFTWARE.DAT", "DELFINO/MAREA16/CENTRAL3/C_GPL02.F19"}) {
        SCOPED_TRACE(nome);
        const QByteArray percorso = QFile::encodeName(prog.file(nome));
        ASSERT_EQ(::chmod(percorso, 0444), 0);
        const QStringList prima = stato();
        BoxHost::PulisciRegistro();
        Aggiorno();
        const QString atteso = "Updating interrupted: check the updating disk!: cannot replace " + prog.file(nome)
                               + ": " + QString::fromLocal8Bit(std::strerror(EACCES)) + " (read-only file)";
        EXPECT_EQ(box.testi(), QStringList{atteso});
        EXPECT_EQ(L(3), atteso);
        EXPECT_EQ(stato(), prima);
        ASSERT_EQ(::chmod(percorso, 0644), 0);
    }
    ASSERT_TRUE(QDir(prog.file("SOFTWARE/02/L0AB")).removeRecursively());
    {
        const ClosedFolder chiusa(prog.file("SOFTWARE/02"));
        if (chiusa.closed()) {
            const QStringList prima = stato();
            BoxHost::PulisciRegistro();
            Aggiorno();
            const QString atteso = "Updating interrupted: check the updating disk!: cannot write in "
                                   + prog.file("SOFTWARE/02") + ": ";
            ASSERT_EQ(box.testi().size(), 1);
            EXPECT_TRUE(box.testi()[0].startsWith(atteso)) << box.testi()[0].toStdString();
            EXPECT_EQ(stato(), prima);
        }
    }
    // A stale S-record form that is a link to a read-only file goes as a name; the file it
    // leads to stays as it was.
    prog.scrivi("ALTROVE/C_GPL02.F19", "mine");
    ASSERT_EQ(::chmod(QFile::encodeName(prog.file("ALTROVE/C_GPL02.F19")), 0444), 0);
    ASSERT_TRUE(QFile::remove(prog.file("DELFINO/MAREA16/CENTRAL3/C_GPL02.F19")));
    ASSERT_TRUE(QFile::link(prog.file("ALTROVE/C_GPL02.F19"), prog.file("DELFINO/MAREA16/CENTRAL3/C_GPL02.F19")));
    Aggiorno();
    EXPECT_TRUE(QFileInfo::exists(prog.file("SOFTWARE/02/L0AB/L0AB.S19")));
    EXPECT_FALSE(QFileInfo(prog.file("DELFINO/MAREA16/CENTRAL3/C_GPL02.F19")).isSymLink());
    EXPECT_FALSE(QFileInfo::exists(prog.file("DELFINO/MAREA16/CENTRAL3/C_GPL02.F19")));
    EXPECT_EQ(prog.leggi("ALTROVE/C_GPL02.F19"), "mine");
}

TEST_F(SchermoAggiornamento, OnlyTheDataVersionFileIsCopied)
{
    Scrivo(media.path() + "/versoftware.dat", "NEW DATA\r\n");
    Scrivo(media.path() + "/VALVOLE.DAT.BAK", "MARCA               : VALVOLE\r\nEND\r\n");
    Aggiorno();
    EXPECT_EQ(prog.leggi("VERSOFTWARE.DAT"), QByteArray("NEW DATA\r\n"));
    EXPECT_EQ(box.conta(), 0);
    EXPECT_EQ(L(3), "Updating finished!");
    EXPECT_FALSE(QFileInfo::exists(prog.file("VALVOLE.PRN")));
}

TEST_F(SchermoAggiornamento, NothingToImport)
{
    Scrivo(media.path() + "/README.TXT", "nothing");
    Aggiorno();
    EXPECT_EQ(L(2), "FLOPPY ERROR: nothing to be updated");
    EXPECT_EQ(L(3), "");
    EXPECT_EQ(box.conta(), 0);
}

TEST_F(SchermoAggiornamento, ModelFileWithoutEndIsReported)
{
    Scrivo(media.path() + "/ZZMODELS.DAT", "MARCA               : AURELIA\r\n");
    Aggiorno();
    ASSERT_EQ(box.conta(), 1);
    EXPECT_EQ(box.box()[0].testo, "Updating interrupted: check the updating disk!");
    EXPECT_EQ(box.box()[0].titolo, "WARNING!");
    EXPECT_EQ(L(3), "FLOPPY ERROR: nothing to be updated");
}

TEST_F(SchermoAggiornamento, AnEarlierFailureIsNotHiddenByALaterSuccess)
{
    // AAA.DAT stops at an error; VERSOFTWARE.DAT, imported after it, succeeds.
    Scrivo(media.path() + "/AAA.DAT", "MARCA               : VALVOLE\r\nEND\r\n");
    Scrivo(media.path() + "/VERSOFTWARE.DAT", "NEW DATA\r\n");
    Aggiorno();
    ASSERT_EQ(box.conta(), 1);
    EXPECT_EQ(prog.leggi("VERSOFTWARE.DAT"), QByteArray("NEW DATA\r\n"));
    EXPECT_EQ(L(3), "Updating interrupted: check the updating disk!");
}

TEST_F(SchermoAggiornamento, DataVersionFileThroughALinkIsRefused)
{
    Scrivo(media.path() + "/real.txt", "OTHER\r\n");
    ASSERT_TRUE(QFile::link(media.path() + "/real.txt", media.path() + "/VERSOFTWARE.DAT"));
    prog.scrivi("VERSOFTWARE.DAT", "OLD\r\n");
    Aggiorno();
    EXPECT_EQ(prog.leggi("VERSOFTWARE.DAT"), QByteArray("OLD\r\n"));
    EXPECT_EQ(L(3), "Updating interrupted: check the updating disk!");
}

TEST_F(SchermoAggiornamento, UpdateFileWhoseNameDoesNotDecodeIsReported)
{
    // Left out of every folder listing, it would be skipped without a word.
    const QByteArray nome = QFile::encodeName(media.path()) + "/MODELLI\xff.DAT";
    const int fd = ::open(nome.constData(), O_CREAT | O_WRONLY, 0644);
    ASSERT_GE(fd, 0);
    ::close(fd);
    Aggiorno();
    ASSERT_EQ(box.conta(), 1);
    EXPECT_EQ(box.box()[0].testo, "Updating interrupted: check the updating disk!");
    EXPECT_EQ(L(3), "Updating interrupted: check the updating disk!");
}

TEST_F(SchermoAggiornamento, EscapeClosesTheScreen)
{
    QTest::keyClick(form, Qt::Key_Escape);
    EXPECT_TRUE(AttendiFinche([] { return AggModel::Istanza() == nullptr; }));
}
