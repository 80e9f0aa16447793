#include "shell/Avvio.h"
#include "shell/Config.h"
#include "shell/Modulo.h"
#include "shell/Procedure.h"
#include "shell/ZEQ_Inst.h"
#include "platform/PrivateProfile.h"
#include "platform/SerialControl.h"
#include "platform/Timer.h"
#include "support/TestSupport.h"

#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTableWidget>
#include "platform/Timer.h"
#include <gtest/gtest.h>

namespace {
class MainMenu : public ::testing::Test {
protected:
    void SetUp() override
    {
        Shell.Lingua = 4;
        ZEQ_Inst::Apri() = {};
        menu = ZEQ_Inst::Carica();
        menu->Mostra(false);
    }
    void TearDown() override
    {
        ZEQ_Inst::Apri() = {};
        if (auto* m = ZEQ_Inst::Istanza())
            m->Scarica();
        Comunic().setPortOpen(false);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    // Shows the software panel so that a key can be seen closing it.
    void apriPannello()
    {
        menu->BoxSW->show();
        menu->TastoVS->setEnabled(false);
    }
    CartellaProgramma app;
    ZEQ_Inst* menu = nullptr;
};
} // namespace

TEST(PortNumber, TheProbeAndTheConfigurationReadThePortTextAlike)
{
    const struct {
        const char* testo;
        int porta;      // port the probe opens (-1: message 367)
        int posizione;  // list entry the configuration selects (-1: none)
    } casi[] = {
        {"COM1", 1, 0},   {"COM7", 7, 6},   {"COM10", 10, 9}, {"COM11", 1, -1}, {"COM0", 1, -1},
        {"COM-3", 1, -1}, {"COM3x", 3, 2},  {"COM 4", 4, 3},  {"COMX", -1, -1}, {"COM", -1, -1},
    };
    for (const auto& c : casi) {
        EXPECT_EQ(ZEQ_Inst::NumeroPorta(c.testo), c.porta) << c.testo;
        EXPECT_EQ(Config::PosizionePorta(c.testo, int(strlen(c.testo))), c.posizione) << c.testo;
    }
    EXPECT_EQ(ZEQ_Inst::NumeroPorta("COM12", 5), 5);
    EXPECT_EQ(Config::PosizionePorta("COM3", 0), -1);   // nothing was read
}

TEST_F(MainMenu, ShowsVersionCaptionsAndPictures)
{
    EXPECT_EQ(menu->Versione[0]->text(), QStringLiteral("Version %1.%2").arg(VersioneMaggiore).arg(VersioneMinore));
    EXPECT_EQ(menu->LabTasti[0]->text(), QStringLiteral("CAR SELECTION"));
    EXPECT_EQ(menu->LabTasti[6]->text(), QStringLiteral("CONFIGURATIONS"));
    EXPECT_TRUE(menu->TastoF[9]->isVisible());
    EXPECT_EQ(menu->TastoF[4], nullptr);
    EXPECT_EQ(Shell.Funzione, 0);
    EXPECT_TRUE(menu->Versione[1]->text().isEmpty());
}

TEST_F(MainMenu, SecondVersionLabelShowsFirstLineOfSoftwareVersions)
{
    app.scrivi("VERSOFTWARE.DAT", "SW 02.50 2026\r\nsecond line\r\n");
    menu->LeggoVersTab();
    EXPECT_EQ(menu->Versione[1]->text(), QStringLiteral("SW 02.50 2026"));
    app.scrivi("VERSOFTWARE.DAT", "");
    menu->LeggoVersTab();
    EXPECT_TRUE(menu->Versione[1]->text().isEmpty());
    // The line ends at a lone CR too, and the text is Windows-1252 like the other data files.
    app.scrivi("VERSOFTWARE.DAT", "Dati 2026 \x80 \x96 caf\xe9\rsecond line\r");
    menu->LeggoVersTab();
    EXPECT_EQ(menu->Versione[1]->text(), QString::fromUtf8("Dati 2026 \u20ac \u2013 caf\u00e9"));
}

TEST_F(MainMenu, UnusedKeysAndModifiedKeysDoNothing)
{
    RegistroBox box;
    int aperte = 0;
    ZEQ_Inst::Apri().Gestione = [&] { ++aperte; return true; };
    apriPannello();
    for (Qt::Key k : {Qt::Key_F5, Qt::Key_F6, Qt::Key_F7, Qt::Key_F9, Qt::Key_A})
        QTest::keyClick(menu, k);
    for (Qt::KeyboardModifier m : {Qt::ShiftModifier, Qt::ControlModifier, Qt::AltModifier}) {
        QTest::keyClick(menu, Qt::Key_F4, m);
        QTest::keyClick(menu, Qt::Key_Escape, m);
    }
    EXPECT_EQ(aperte, 0);
    EXPECT_EQ(box.conta(), 0);
    EXPECT_TRUE(menu->BoxSW->isVisibleTo(menu));
    EXPECT_TRUE(ZEQ_Inst::Caricato());
}

TEST_F(MainMenu, EveryMenuKeyClosesTheSoftwarePanelFirst)
{
    RegistroBox box;
    for (Qt::Key k : {Qt::Key_F3, Qt::Key_F4}) {
        apriPannello();
        bool pannelloChiuso = false;
        auto controlla = [&] { pannelloChiuso = !menu->BoxSW->isVisibleTo(menu) && menu->TastoVS->isEnabled(); return true; };
        ZEQ_Inst::Apri().AggModel = controlla;
        ZEQ_Inst::Apri().Gestione = controlla;
        QTest::keyClick(menu, k);
        EXPECT_TRUE(pannelloChiuso) << k;
    }
}

TEST_F(MainMenu, ModalScreensRunAndMissingScreensShowMessage367)
{
    RegistroBox box;
    QStringList ordine;
    ZEQ_Inst::Apri().Gestione = [&] { ordine << "F4"; return true; };
    QTest::keyClick(menu, Qt::Key_F4);
    EXPECT_EQ(ordine, QStringList{"F4"});
    EXPECT_EQ(box.conta(), 0);
    QTest::keyClick(menu, Qt::Key_F3);   // not available: the screen does not open
    ASSERT_EQ(box.conta(), 1);
    EXPECT_EQ(box.box()[0].testo, Msg(367));
    EXPECT_EQ(box.box()[0].titolo, Msg(140));
}

TEST_F(MainMenu, F1ProbesThePortAndOpensTheScreenModeless)
{
    Pty pty;
    ASSERT_TRUE(pty.ok());
    MappaPorta(1, pty.slavePath());
    RegistroBox box;
    int funzioneAllApertura = -1;
    ZEQ_Inst::Apri().Veicolo = [&] { funzioneAllApertura = Shell.Funzione; return ZEQ_Inst::Apertura::Aperta; };
    QTest::keyClick(menu, Qt::Key_F1);
    EXPECT_EQ(box.conta(), 0);
    EXPECT_EQ(funzioneAllApertura, 1);
    EXPECT_EQ(Shell.Funzione, 1);
    EXPECT_FALSE(menu->isEnabled());
    EXPECT_FALSE(Comunic().PortOpen());   // the probe closes the port again
    EXPECT_EQ(Comunic().CommPort(), 1);
    menu->setEnabled(true);
    Shell.Funzione = 0;
}

TEST_F(MainMenu, ScreenThatFailsToOpenLeavesTheMenuInCharge)
{
    Pty pty;
    MappaPorta(2, pty.slavePath());
    ScrivoProfilo("SERIALE", "Porta", "COM2", FileConfigurazione());
    using A = ZEQ_Inst::Apertura;
    struct Caso {
        const char* nome;
        bool registrato;
        A esito;
        bool detto;        // the screen shows its own box
        QList<int> attesi; // messages shown
        int funzione;
        bool menuAbilitato;
    };
    const Caso casi[] = {
        {"opened", true, A::Aperta, false, {}, 2, false},
        {"failed and told", true, A::FallitaDetta, true, {172}, 0, true},
        {"failed untold", true, A::FallitaMuta, false, {367}, 0, true},
        {"not registered", false, A::FallitaMuta, false, {367}, 0, true},
    };
    for (const Caso& c : casi) {
        SCOPED_TRACE(c.nome);
        RegistroBox box;
        ZEQ_Inst::Apri().DatiMotore = nullptr;
        if (c.registrato)
            ZEQ_Inst::Apri().DatiMotore = [&c] {
                if (c.detto)
                    Avviso(172);
                return c.esito;
            };
        QTest::keyClick(menu, Qt::Key_F2);
        QList<int> visti;
        for (const QString& t : box.testi())
            for (int n : {172, 367})
                if (t == Msg(n))
                    visti << n;
        EXPECT_EQ(visti, c.attesi);
        EXPECT_EQ(box.conta(), c.attesi.size());
        EXPECT_EQ(Shell.Funzione, c.funzione);
        EXPECT_EQ(menu->isEnabled(), c.menuAbilitato);
        EXPECT_EQ(Comunic().CommPort(), 2);
        menu->setEnabled(true);
        Shell.Funzione = 0;
    }
}

TEST_F(MainMenu, PortHeldElsewhereGives366AndMissingDeviceGives367)
{
    Pty pty;
    MappaPorta(1, pty.slavePath());
    SerialControl altro(QStringLiteral("altro"));
    altro.setCommPort(1);
    ASSERT_EQ(altro.setPortOpen(true), 0);
    bool aperto = false;
    ZEQ_Inst::Apri().Veicolo = [&] { aperto = true; return ZEQ_Inst::Apertura::Aperta; };
    {
        RegistroBox box;
        QTest::keyClick(menu, Qt::Key_F1);
        ASSERT_EQ(box.conta(), 1);
        EXPECT_EQ(box.box()[0].testo, Msg(366));
        EXPECT_FALSE(aperto);
        EXPECT_EQ(Shell.Funzione, 0);
    }
    altro.setPortOpen(false);
    MappaPorta(1, app.path() + "/no-such-device");
    {
        RegistroBox box;
        QTest::keyClick(menu, Qt::Key_F1);
        ASSERT_EQ(box.conta(), 1);
        EXPECT_EQ(box.box()[0].testo, Msg(367));
        EXPECT_FALSE(aperto);
    }
    ScrivoProfilo("SERIALE", "Porta", "COMX", FileConfigurazione());
    {
        RegistroBox box;
        QTest::keyClick(menu, Qt::Key_F1);
        ASSERT_EQ(box.conta(), 1);
        EXPECT_EQ(box.box()[0].testo, Msg(367));
    }
}

TEST_F(MainMenu, PortAboveTenFallsBackToOne)
{
    Pty pty;
    MappaPorta(1, pty.slavePath());
    ScrivoProfilo("SERIALE", "Porta", "COM11", FileConfigurazione());
    RegistroBox box;
    ZEQ_Inst::Apri().Veicolo = [] { return ZEQ_Inst::Apertura::Aperta; };
    QTest::keyClick(menu, Qt::Key_F1);
    EXPECT_EQ(box.conta(), 0);
    EXPECT_EQ(Comunic().CommPort(), 1);
    menu->setEnabled(true);
    Shell.Funzione = 0;
}

TEST_F(MainMenu, F10OpensTheConfigurationModally)
{
    bool visto = false;
    QTimer::singleShot(0, [&] {
        visto = Config::Caricato() && Config::Istanza()->isVisible();
        if (Config::Caricato())
            Config::Istanza()->Esci_Click();
    });
    QTest::keyClick(menu, Qt::Key_F10);
    EXPECT_TRUE(visto);
    EXPECT_FALSE(Config::Caricato());
}

#include "shell/Avvio.h"
#include "catalogue/AggModel.h"

TEST_F(MainMenu, F3OpensTheUpdateScreenAndRereadsTheSoftwareVersions)
{
    RegistroSchermi();
    bool aperto = false;
    QTimer::singleShot(0, [&] {
        aperto = AggModel::Caricato();
        app.scrivi("VERSOFTWARE.DAT", "NEW VERSIONS\r\n");
        if (AggModel::Caricato())
            AggModel::Istanza()->Scarica();
    });
    QTest::keyClick(menu, Qt::Key_F3);
    EXPECT_TRUE(aperto);
    EXPECT_FALSE(AggModel::Caricato());
    EXPECT_EQ(menu->Versione[1]->text(), QStringLiteral("NEW VERSIONS"));
}

#include "archive/Gestione.h"

TEST_F(MainMenu, F4OpensTheArchiveMenu)
{
    RegistroSchermi();
    RegistroBox box;
    bool aperto = false;
    QTimer::singleShot(0, [&] {
        aperto = Gestione::Caricato() && Gestione::Istanza()->isVisible();
        if (Gestione::Caricato())
            Gestione::Istanza()->close();
    });
    QTest::keyClick(menu, Qt::Key_F4);
    EXPECT_TRUE(aperto);
    EXPECT_FALSE(Gestione::Caricato());
    EXPECT_TRUE(QFile::exists(app.file("ARCHIVI/ARCHIVIO.MDB")));
    EXPECT_EQ(box.conta(), 0);
}

TEST(MainMenuClose, CloseBoxEndsTheProgramButNotWhileAScreenIsOpen)
{
    CartellaProgramma app;
    Shell.Lingua = 4;
    ZEQ_Inst* menu = ZEQ_Inst::Carica();
    menu->Mostra(false);
    Shell.Funzione = 1;   // the vehicle screen is open: the menu cannot go
    menu->close();
    EXPECT_TRUE(ZEQ_Inst::Caricato());
    Shell.Funzione = 0;
    bool fermatoDaSolo = true;
    QTimer::singleShot(0, [menu] { menu->close(); });
    QTimer sicurezza;
    sicurezza.setSingleShot(true);
    QObject::connect(&sicurezza, &QTimer::timeout, [&] { fermatoDaSolo = false; QCoreApplication::quit(); });
    sicurezza.start(30000);
    QCoreApplication::exec();
    EXPECT_TRUE(fermatoDaSolo);
    EXPECT_FALSE(ZEQ_Inst::Caricato());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

TEST_F(MainMenu, AutoRepeatedFunctionKeysOpenNothing)
{
    // A function key held on the language form repeats into the menu once it shows.
    Pty pty;
    MappaPorta(2, pty.slavePath());
    ScrivoProfilo(QStringLiteral("SERIALE"), QStringLiteral("Porta"), QStringLiteral("COM2"), FileConfigurazione());
    int aperture = 0;
    ZEQ_Inst::Apri().DatiMotore = [&] {
        ++aperture;
        return ZEQ_Inst::Apertura::Aperta;
    };
    for (bool ripetuto : {true, true, false}) {
        QKeyEvent premuto(QEvent::KeyPress, Qt::Key_F2, Qt::NoModifier, QString(), ripetuto);
        QApplication::sendEvent(menu, &premuto);
    }
    EXPECT_EQ(aperture, 1) << "only the fresh press opens the screen";
    menu->setEnabled(true);
    Shell.Funzione = 0;
}

TEST_F(MainMenu, SoftwareListShowsTheLibraryAndClosesWithItsButton)
{
    RegistroSchermi();
    app.scrivi("SOFTWARE/02/KERNEL/K1.S19",
               "S10C3FF04B4C31333032303531D1\r\n");   // data "KL1302051": bytes 0-2, 7-8, 3-6
    app.scrivi("SOFTWARE/02/VUOTA/LEGGIMI.TXT", "-\r\n");
    const struct { bool libreria; QStringList nomi; QStringList versioni; } casi[] = {
        {true, {"KERNEL\\K1.S19"}, {"KL1513020"}},
        {false, {""}, {""}},   // nothing found: one empty row under the headings
    };
    for (const auto& c : casi) {
        if (!c.libreria)
            QDir(app.file("SOFTWARE")).removeRecursively();
        menu->TastoVS->click();
        EXPECT_FALSE(menu->TastoVS->isEnabled());
        EXPECT_TRUE(menu->BoxSW->isVisibleTo(menu));
        QTableWidget* g = menu->GrigliaSW;
        EXPECT_EQ(g->horizontalHeaderItem(0)->text(), Msg(371));
        EXPECT_EQ(g->horizontalHeaderItem(1)->text(), Msg(372));
        EXPECT_EQ(g->columnWidth(0), Twip(3500));
        EXPECT_EQ(g->columnWidth(1), Twip(1500));
        ASSERT_EQ(g->rowCount(), c.nomi.size());
        for (int r = 0; r < g->rowCount(); ++r) {
            EXPECT_EQ(g->item(r, 0) ? g->item(r, 0)->text() : QString(), c.nomi[r]);
            EXPECT_EQ(g->item(r, 1) ? g->item(r, 1)->text() : QString(), c.versioni[r]);
        }
        EXPECT_FALSE(QFileInfo::exists(app.file("ELEDIR.ELE")));
        menu->EsciVS->click();
        EXPECT_TRUE(menu->TastoVS->isEnabled());
        EXPECT_FALSE(menu->BoxSW->isVisibleTo(menu));
    }
}

TEST_F(MainMenu, RowsFitTheHeightTheScreenLeaves)
{
    // 800 x 600 and 1280 x 800 screens at 100 % and 150 % scaling, less a task bar.
    for (int altezza : {760, 560, 500, 370}) {
        menu->resize(menu->width(), altezza);
        int sotto = menu->Intitolo->geometry().bottom();
        for (int riga = 0; riga < 7; ++riga) {
            QPushButton* b = riga == 4 ? menu->TastoESC : menu->TastoF[std::array{0, 1, 2, 3, -1, 7, 9}[riga]];
            const QLabel* l = menu->LabTasti[riga];
            EXPECT_GT(b->y(), sotto) << altezza << " row " << riga;
            EXPECT_LE(b->geometry().bottom(), altezza) << altezza << " row " << riga;
            EXPECT_LE(b->iconSize().height(), b->height()) << altezza << " row " << riga;
            EXPECT_TRUE(l->y() > b->y() && l->y() < b->geometry().bottom()) << altezza << " row " << riga;
            sotto = b->geometry().bottom();
        }
    }
    menu->resize(menu->width(), 760);   // room enough: the design places
    EXPECT_EQ(menu->TastoF[9]->geometry(), QRect(Twip(720), Twip(7800), Twip(1215), Twip(855)));
}
