#include "SchermoVeicolo.h"

#include "archive/PrefixListModel.h"
#include "demodata/lib/DemoData.h"
#include "platform/SerialControl.h"

#include <QDir>
#include <QFileInfo>

namespace {
using Schermo = SchermoVeicolo;

// Saves a picture of the screen when ZEQ_SCREENSHOTS names a folder (run under a display).
void foto(QWidget* w, const QString& nome)
{
    const QString cartella = qEnvironmentVariable("ZEQ_SCREENSHOTS");
    if (cartella.isEmpty())
        return;
    QDir().mkpath(cartella);
    w->grab().save(QDir(cartella).filePath(nome + ".png"));
}
} // namespace

TEST_F(Schermo, LanguageDecidesProvinceAndFiscalCode)
{
    for (int lingua : {4, 1, 2, 3}) {
        SCOPED_TRACE(lingua);
        Shell.Lingua = lingua;
        apro(lingua == 4 ? QList<ClienteProva>{{"AB123", "ROSSI MARIO"}} : QList<ClienteProva>{});
        const bool polacco = lingua == 1;
        for (QWidget* w : std::initializer_list<QWidget*>{v->Anagrafe[4], v->Anagrafe[9], v->LabCli[4], v->LabCli[6]}) {
            EXPECT_EQ(w->isVisible(), polacco);
            EXPECT_EQ(w->isEnabled(), polacco);
        }
        EXPECT_EQ(v->windowTitle(), Msg(139));
        EXPECT_EQ(v->DatiCli->tabText(1), Msg(103));
        caricoTarga("AB123");
        foto(v, QStringLiteral("veicolo-%1-tab0").arg(lingua));
        v->DatiCli->setCurrentIndex(1);
        foto(v, QStringLiteral("veicolo-%1-tab1").arg(lingua));
        v->Scarica();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
}

TEST_F(Schermo, PlateAndNameListingsFollowTheTypedPrefix)
{
    apro({{"AB123", "ROSSI MARIO"}, {"AB777", "Rossini Anna"}, {"AC100", "BIANCHI LUCA"}, {"ZZ9", "ROTA ELENA"}});
    struct Caso {
        bool nomi;
        QString testo;
        QStringList voci, targhe;
    };
    const Caso casi[] = {
        {false, "AB", {"AB123     ", "AB777     "}, {}},
        {false, "ab", {"AB123     ", "AB777     "}, {}},
        {false, "AC", {"AC100     "}, {}},
        {false, "Q", {}, {}},
        {true, "ros", {"ROSSI MARIO", "Rossini Anna"}, {"AB123     ", "AB777     "}},
        {true, "rot", {"ROTA ELENA"}, {"ZZ9       "}},
        {true, "ros", {"ROSSI MARIO", "Rossini Anna"}, {"AB123     ", "AB777     "}},
    };
    for (const Caso& c : casi) {
        SCOPED_TRACE(c.testo.toStdString());
        if (c.nomi != v->Ditta_Nome->isVisible())
            v->Nome_Targa_Click();
        (c.nomi ? v->Ditta_Nome : v->Cliente)->setText(c.testo);
        PrefixListModel* lista = c.nomi ? v->ModelloNomi : v->ModelloTarghe;
        QStringList voci, targhe;
        for (int i = 0; i < lista->rowCount(); ++i) {
            voci << lista->Testo(i);
            if (c.nomi)
                targhe << lista->Valore(i, 0).toString();   // each name carries its own plate
        }
        EXPECT_EQ(voci, c.voci);
        EXPECT_EQ(targhe, c.targhe);
    }
    // Picking the second name, then the first, loads each one's own card.
    for (int riga : {1, 0}) {
        v->ElencoNomi->setCurrentIndex(v->ModelloNomi->index(riga));
        v->ElencoNomi_DblClick();
        EXPECT_EQ(v->Cliente->text(), riga ? "AB777     " : "AB123     ");
        EXPECT_EQ(v->Anagrafe[0]->text(), riga ? "Rossini Anna" : "ROSSI MARIO");
        EXPECT_TRUE(v->Cliente->isVisible()) << "a confirmed name brings the plate mode back";
        EXPECT_FALSE(StatoVeicolo.NuovoCliente);
        v->Nome_Targa_Click();
        v->Ditta_Nome->setText("ros");
    }
    // Enter in the name list loads the name picked, as a double click does.
    ASSERT_TRUE(v->ElencoNomi->isVisible());
    v->Ditta_Nome->setText("rot");
    v->ElencoNomi->setFocus();
    v->ElencoNomi->setCurrentIndex(v->ModelloNomi->index(0));
    QTest::keyClick(v->ElencoNomi, Qt::Key_Return);
    EXPECT_EQ(v->Cliente->text(), "ZZ9       ");
    // A blank typed in the plate box empties it.
    if (!v->Cliente->isVisible())
        v->Nome_Targa_Click();
    v->Cliente->setFocus();
    v->Cliente->setText("AB");
    QTest::keyClick(v->Cliente, Qt::Key_Space);
    EXPECT_TRUE(v->Cliente->text().isEmpty());
    EXPECT_EQ(v->ModelloTarghe->rowCount(), 0);
}

TEST_F(Schermo, PlateBoxTakesOnlyLettersAndDigits)
{
    apro();
    v->Cliente->setFocus();
    const int beep = ContatoreBeep();
    QTest::keyClicks(v->Cliente, "ab-1.2");
    EXPECT_EQ(v->Cliente->text(), "ab12");
    EXPECT_EQ(ContatoreBeep() - beep, 2);
    v->Cliente->clear();
    v->Cliente->insert("X/../Y 7");   // as a paste or a drop arrives
    EXPECT_TRUE(v->Cliente->text().isEmpty());
    v->Cliente->insert("xy7");
    EXPECT_EQ(v->Cliente->text(), "xy7");
    // A loaded plate, padded with blanks, can still be corrected with Backspace.
    v->Cliente->setText("AB123     ");
    v->Cliente->end(false);
    QTest::keyClick(v->Cliente, Qt::Key_Backspace);
    EXPECT_EQ(v->Cliente->text(), "AB123    ");
}

TEST_F(Schermo, NewPlateGivesAnEmptyCardWithTodaysDates)
{
    apro({{"AB123", "ROSSI MARIO"}});
    caricoTarga("nw1");
    const QDate oggi = QDate::currentDate();
    EXPECT_TRUE(StatoVeicolo.NuovoCliente);
    EXPECT_TRUE(v->SchedaAbilitata());
    EXPECT_EQ(v->DatiCli->currentIndex(), 0);
    EXPECT_EQ(v->focusWidget(), v->Anagrafe[0]);
    EXPECT_EQ(v->Cliente->text(), "NW1       ");
    EXPECT_EQ(StatoCatalogo.Cliente, "NW1       ");
    EXPECT_EQ(QDir::cleanPath(StatoVeicolo.DirPersonal), QDir::cleanPath(cartella->file("PERSONALIZZATE/NW1")))
        << "a new plate's card names its own folder";
    for (int p : {0, 3})
        EXPECT_EQ(Archivi::DataDaParti(v->AutoImp[p]->text(), v->AutoImp[p + 1]->text(), v->AutoImp[p + 2]->text()), oggi);
    EXPECT_EQ(v->AutoImp[1]->text().size(), 2);
    EXPECT_EQ(StatoVeicolo.ModValvola.trimmed(), "RAIL ALPHA 4 CYLINDERS") << "the empty card's first rail";
    EXPECT_FALSE(Shell.DatiModificati);
    // F1 and F2 switch the tabs only while a plate is loaded.
    QTest::keyClick(v->Anagrafe[0], Qt::Key_F2);
    EXPECT_EQ(v->DatiCli->currentIndex(), 1);
    v->Cliente->setFocus();
    v->Cliente_GotFocus();
    EXPECT_FALSE(v->SchedaAbilitata());
    QTest::keyClick(v->Cliente, Qt::Key_F1);
    EXPECT_EQ(v->DatiCli->currentIndex(), 1);
}

TEST_F(Schermo, StoredCardRestoresItsCarFromTheCatalogue)
{
    // A make of the catalogue whose names are longer than the card keeps them.
    const QByteArray lunga = QByteArray("LONG MAKE DEMO 1.0").leftJustified(41, ' ') + "   4" +
                             QByteArray("PETRONIX EXTENDED RANGE 2000 TURBO").leftJustified(40, ' ') +
                             QByteArray(80, ' ') + QByteArray("LONG01").leftJustified(12, ' ') + "G  ";
    // Names cut to the card's width that fit two entries select neither: two makes, two petrol
    // ECUs of one model, two rails.
    const QByteArray dueCentraline = QByteArray(lunga).replace(165, 12, QByteArray("LONG02").leftJustified(12, ' '))
                                         .replace(85, 40, QByteArray("PETRONIX EXTENDED RANGE 2100").leftJustified(40, ' '))
                                         .replace(178, 1, "G");
    cartella->scrivi("LONGMAKENAMEXYZ12.PRN", lunga + "\r\n" + dueCentraline + "\r\n");
    cartella->scrivi("LONGMAKENAMEXYZ12/LONG01/CENTRAL1/MOTORO03.QOX", DemoData::MappaValori(3, false, "LONG"));
    for (const QString marca : {"LONGMAKENAMEABCDEF", "LONGMAKENAMEABCXYZ"}) {
        cartella->scrivi(marca + ".PRN", lunga + "\r\n");
        cartella->scrivi(marca + "/LONG01/CENTRAL1/MOTORO03.QOX", "000001\r\n");
    }
    cartella->scrivi("VALVOLE.PRN", cartella->leggi("VALVOLE.PRN") + "RD03 MODEL_3 RAIL DELTA LONG NAME FOR 6 CYL\r\n"
                                                                  "RD04 MODEL_4 RAIL DELTA LONG NAME FOR 8 CYL\r\n");
    struct Caso {
        ClienteProva c;
        QString marca, modello, centralina;
        int tipoInst;
        QString valvola;   // "" = none selected
        QString cartellaCentralina;
    };
    const Caso casi[] = {
        {{"AB1", "A", "AURELIA", "CORSA14", "PETRONIX P4 MULTIPOINT", "RAIL BETA 3 CYLINDERS", 0, 1},
         "AURELIA", "CORSA14", "PETRONIX P4 MULTIPOINT", 1, "RAIL BETA 3 CYLINDERS", "AURELIA/CORSA14/CENTRAL1"},
        {{"AB2", "B", "AURELIA", "BREZZA12", "INJECTA 4NR", "RAIL GAMMA", 1, 0},
         "AURELIA", "BREZZA12", "INJECTA 4NR", 0, "", "AURELIA/BREZZA12/CENTRAL3"},
        {{"AB3", "C", "CALDERA", "LAVA16", "PETRONIX P2", "RAIL ALPHA 4 CYLINDERS", 1, 1},
         "CALDERA", "LAVA16", "PETRONIX P2", 1, "RAIL ALPHA 4 CYLINDERS", "CALDERA/LAVA16/CENTRAL1"},
        {{"AB4", "D", "LONGMAKENAMEXYZ", "LONG01", "PETRONIX EXTENDED RANGE 2", "RAIL ALPHA 4 CYLINDERS", 0, 1},
         "LONGMAKENAMEXYZ", "LONG01", "PETRONIX EXTENDED RANGE 2", 1, "RAIL ALPHA 4 CYLINDERS",
         "LONGMAKENAMEXYZ12/LONG01/CENTRAL1"},
        {{"AB5", "E", "NOSUCHMAKE", "X", "Y", "RAIL ALPHA 4 CYLINDERS", 0, 1}, "", "", "", 1, "RAIL ALPHA 4 CYLINDERS", ""},
        {{"AB6", "F", "LONGMAKENAMEABC", "LONG01", "PETRONIX EXTENDED RANGE 2", "RAIL DELTA LONG NAME FOR", 0, 1},
         "", "", "", 1, "", ""},
        {{"AB7", "G", "LONGMAKENAMEXYZ", "LONG02", "PETRONIX EXTENDED RANGE 2", "RAIL ALPHA 4 CYLINDERS", 0, 1},
         "LONGMAKENAMEXYZ", "LONG02", "", 1, "RAIL ALPHA 4 CYLINDERS", ""},
        // Stored in another letter case: the same entries.
        {{"AB8", "H", "Aurelia", "corsa14", "Petronix P4 Multipoint", "rail beta 3 cylinders", 0, 1},
         "AURELIA", "CORSA14", "PETRONIX P4 MULTIPOINT", 1, "RAIL BETA 3 CYLINDERS", "AURELIA/CORSA14/CENTRAL1"},
    };
    // The map-table version of the chosen car, from its S-record map's header.
    cartella->scrivi("AURELIA/CORSA14/CENTRAL1/C_GPL03.F19", "S0120000ZEQ 30324142\r\nS9030000FC\r\n");
    QList<ClienteProva> clienti;
    for (const Caso& c : casi)
        clienti << c.c;
    apro(clienti);
    for (const Caso& c : casi) {
        SCOPED_TRACE(c.c.targa.toStdString());
        caricoTarga(c.c.targa);
        EXPECT_EQ(StatoVeicolo.MarcaAuto.trimmed(), c.marca);
        EXPECT_EQ(StatoVeicolo.ModelloAuto.trimmed(), c.modello);
        EXPECT_EQ(StatoVeicolo.CentrBenzina.trimmed(), c.centralina);
        EXPECT_EQ(StatoCatalogo.TipoInstallazione, c.tipoInst) << "the replay keeps the stored map type";
        EXPECT_EQ(StatoCatalogo.TipoGas, c.c.impianto);
        EXPECT_EQ(v->Impianto->currentIndex(), c.c.impianto);
        EXPECT_EQ(StatoVeicolo.ModValvola.trimmed(), c.valvola);
        EXPECT_EQ(v->ModValvole->currentIndex() < 0, c.valvola.isEmpty());
        EXPECT_EQ(StatoVeicolo.DirValvole.isEmpty(), c.valvola.isEmpty());
        if (!c.cartellaCentralina.isEmpty()) {
            EXPECT_TRUE(StatoCatalogo.DirCentralina.endsWith(c.cartellaCentralina)) << StatoCatalogo.DirCentralina.toStdString();
        }
        EXPECT_FALSE(Shell.DatiModificati);
    }
    caricoTarga("AB1");
    EXPECT_EQ(v->Versione_Tab->text(), "Tab_Vers.  2");
    caricoTarga("AB4");   // from record 2827 of the map of values
    EXPECT_EQ(v->Versione_Tab->text(), "Tab_Vers. 5");
    // A user's pick of another model while a key is held, of another petrol ECU or of another
    // rail sets the map type back to standard.
    const std::function<void()> scelte[] = {
        [&] { v->ElModello->setCurrentRow(0); v->ElModello_DblClick(); },
        [&] { v->CentrBenz->setCurrentRow(1); v->CentrBenz_DblClick(); },
        [&] { v->ModValvole->setCurrentIndex(0); v->ModValvole_Click(); },
    };
    for (const auto& scelta : scelte) {
        caricoTarga("AB1");
        ASSERT_EQ(StatoCatalogo.TipoInstallazione, 1);
        scelta();
        EXPECT_EQ(StatoCatalogo.TipoInstallazione, 0);
        EXPECT_TRUE(Shell.DatiModificati);
    }
}

TEST_F(Schermo, OnlyANewFocusOnThePlateBoxClearsTheCard)
{
    apro({{"AB123", "ROSSI MARIO"}});
    const std::pair<Qt::FocusReason, bool> casi[] = {
        {Qt::ActiveWindowFocusReason, false},   // a box closed, the window has the focus back
        {Qt::MouseFocusReason, true},
        {Qt::TabFocusReason, true},
    };
    for (const auto& [motivo, svuota] : casi) {
        caricoTarga("AB123");
        ASSERT_EQ(v->Anagrafe[0]->text(), "ROSSI MARIO");
        QFocusEvent e(QEvent::FocusIn, motivo);
        QApplication::sendEvent(v->Cliente, &e);
        EXPECT_EQ(v->Anagrafe[0]->text().trimmed().isEmpty(), svuota) << motivo;
        EXPECT_EQ(v->SchedaAbilitata(), !svuota) << motivo;
    }
}

TEST_F(Schermo, OpeningStateAndCatalogueKeys)
{
    apro({{"AB123", "ROSSI MARIO"}});
    EXPECT_TRUE(QFileInfo(cartella->file("PERSONALIZZATE")).isDir());
    EXPECT_EQ(v->ModValvole->count(), 2);
    EXPECT_FALSE(v->SchedaAbilitata());
    EXPECT_EQ(v->StatoCom->text(), Msg(348));
    EXPECT_TRUE(Comunic().PortOpen());
    EXPECT_EQ(v->Intitolo->text(), Msg(139));
    caricoTarga("AB123");
    v->DatiCli->setCurrentIndex(1);
    struct Caso {
        QWidget* da;
        Qt::Key tasto;
        QWidget* a;   // focus afterwards
    };
    const Caso casi[] = {
        {v->MarcaP, Qt::Key_Return, v->Impianto},
        {v->Impianto, Qt::Key_Return, v->ElMarca},
        {v->ElMarca, Qt::Key_Return, v->ElModello},
        {v->ElModello, Qt::Key_Return, v->LanciaSchemi},
        {v->CentrBenz, Qt::Key_Return, v->ModValvole},
        {v->ModValvole, Qt::Key_Return, v->Personalizza},
        {v->MarcaP, Qt::Key_Space, v->MarcaP},   // discarded: the box does not toggle
    };
    for (const Caso& c : casi) {
        SCOPED_TRACE(c.da->objectName().toStdString());
        c.da->setFocus();
        QTest::keyClick(c.da, c.tasto);
        EXPECT_EQ(v->focusWidget(), c.a);
    }
    EXPECT_FALSE(v->MarcaP->isChecked());
    // Space on the model list confirms the model, as a double click does.
    StatoVeicolo.ModelloAuto.clear();
    v->ElModello->setCurrentRow(1);
    v->ElModello->setFocus();
    QTest::keyClick(v->ElModello, Qt::Key_Space);
    EXPECT_EQ(StatoVeicolo.ModelloAuto.trimmed(), "CORSA14");
}
