#include "SchermoVeicolo.h"

#include "catalogue/PersonalMaps.h"
#include "platform/SerialControl.h"
#include "shell/MessErr.h"

#include <QFile>
#include <QTimer>

namespace {
using Scheda = SchermoVeicolo;

// A card that passes every check: name, dates, car and rail.
void compilo(Veicolo* v)
{
    v->Anagrafe[0]->setText("VERDI LUCIA");
    v->DatiCli->setCurrentIndex(1);
    v->ElMarca->setCurrentRow(0);   // AURELIA
    v->ElMarca_DblClick();
    v->ElModello->setCurrentRow(0);
    v->ElModello_DblClick();
    v->CentrBenz->setCurrentRow(0);
    v->CentrBenz_DblClick();
    Shell.DatiModificati = true;
}

QByteArray archivio(CartellaProgramma& c)
{
    return c.leggi("ARCHIVI/ARCHIVIO.MDB");
}
} // namespace

TEST_F(Scheda, RecordWriterStoresTheCardOnce)
{
    apro({{"OTHER1", "BIANCHI LUCA"}});
    caricoTarga("ab123");
    compilo(v);
    StatoVeicolo.TargaCorrente = "AB123";
    ASSERT_EQ(v->SalvoCliente(), 0);
    EXPECT_FALSE(StatoVeicolo.NuovoCliente) << "the stored insert becomes a known card";
    ASSERT_EQ(v->SalvoCliente(), 0);
    // Every field of the card, each with a value of its own.
    v->Scelta[1]->setChecked(true);
    const char* const anagrafe[11] = {"VERDI LUCIA", "Via Nuova 1", "00100", "Roma", "RM", "06 111", "06 222",
                                      "06 333", "01234567890", "VRDLCU80A41H501X", "notes one"};
    for (int i = 0; i < 11; ++i)
        v->Anagrafe[i]->setText(anagrafe[i]);
    v->ScrivoData(0, QDate(2023, 4, 5));
    v->ScrivoData(3, QDate(2024, 6, 7));
    v->AutoImp[6]->setText("notes two");
    StatoCatalogo.TipoGas = 1;
    StatoVeicolo.TipoTab = 1;
    StatoCatalogo.TipoInstallazione = 1;
    DatiCentralina.TipoCentralina = 3;
    DatiCentralina.VersioneSw = "03.10ABCD";
    DatiCentralina.Matricola = "SN000777";
    DatiCentralina.Lotto = "LT0099";
    ASSERT_EQ(v->SalvoCliente(), 0);
    // Failures leave the table as it was and report -1.
    struct Caso {
        const char* nome;
        std::function<void()> prepara;
    };
    const Caso casi[] = {
        {"empty installation day", [&] { v->AutoImp[0]->setText("  "); }},
        {"overhaul 31/02", [&] { v->ScrivoData(3, QDate(2020, 1, 1)); v->AutoImp[3]->setText("31"); v->AutoImp[4]->setText("02"); }},
        {"another customer's plate", [&] { v->Cliente->setText("OTHER1"); }},
    };
    for (const Caso& c : casi) {
        SCOPED_TRACE(c.nome);
        caricoTarga("AB123");
        const QString prima = v->Anagrafe[0]->text();
        c.prepara();
        EXPECT_EQ(v->SalvoCliente(), -1);
        EXPECT_EQ(v->Anagrafe[0]->text(), prima) << "the card stays as typed";
    }
    v->Scarica();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(righe(), 2);

    EXPECT_EQ(righe("TARGA_AUTO = 'OTHER1    ' AND DITTA_NOME = 'BIANCHI LUCA'"), 1);
    // Read back through a second connection, every field compared.
    const QMap<QString, QString> attesi = {
        {"TIPO_DITTA", "1"}, {"DITTA_NOME", "VERDI LUCIA"}, {"INDIRIZZO", "Via Nuova 1"}, {"CAP", "00100"},
        {"CITTA", "Roma"}, {"PROVINCIA", "RM"}, {"CODICE_FISCALE", "VRDLCU80A41H501X"},
        {"PARTITA_IVA", "01234567890"}, {"TELEFONO1", "06 111"}, {"TELEFONO2", "06 222"}, {"TELEFONO3", "06 333"},
        {"NOTE", "notes one"}, {"TARGA_AUTO", "AB123     "}, {"DATA_INSTALLO", "2023-04-05"},
        {"DATA_REVISIONE", "2024-06-07"}, {"NOTE1", "notes two"}, {"MARCA_AUTO", "AURELIA        "},
        {"MODELLO_AUTO", "BREZZA12    "}, {"CENTRALINA", Fisso("PETRONIX P3", 25)},
        {"MOD_VALVOLA", Fisso("RAIL ALPHA 4 CYLINDERS", 25)}, {"IMPIANTO", "1"}, {"TIPOTAB", "1"},
        {"TIPO_INSTALLAZIONE", "1"}, {"VERSIONE_CEN", "3"}, {"VERSIONE_PROG", "03.10A"}, {"VERSIONE_ADD", "BCD"},
        {"MATRICOLA", "SN000777"}, {"LOTTO", "LT0099"}};
    auto db = Db::Database::Apri(Archivi::FileArchivio(), false, true);
    auto sn = db->ApriSnapshot("SELECT * FROM CLIENTI WHERE TARGA_AUTO = 'AB123     '");
    ASSERT_FALSE(sn->EOF_());
    for (const Archivi::DefinizioneCampo& campo : Archivi::CampiClienti)
        EXPECT_EQ(sn->Valore(campo.nome).toString(), attesi.value(campo.nome, "?")) << campo.nome;
}

TEST_F(Scheda, FailedWriteLeavesTheArchiveFileByteIdentical)
{
    apro({{"AB123", "ROSSI MARIO"}});
    caricoTarga("AB123");
    Archivi::ChiudoArchivio();   // the file is read while nothing holds it
    const QByteArray prima = archivio(*cartella);
    ASSERT_TRUE(Archivi::AproArchivio());
    caricoTarga("AB123");
    v->AutoImp[5]->setText("");
    EXPECT_EQ(v->SalvoCliente(), -1);
    Archivi::ChiudoArchivio();
    EXPECT_EQ(archivio(*cartella), prima);
}

TEST_F(Scheda, PersonalMapsGoOnlyAfterASaveWithTheLinkDown)
{
    apro({{"AB123", "ROSSI MARIO"}});
    struct Caso {
        bool collegato, riesce;
        bool rimaste;
        bool primaDelCarico = false;   // the map lies there before the standard card is loaded
    };
    const Caso casi[] = {{false, true, false}, {true, true, true}, {false, false, true}, {false, false, false, true}};
    for (const Caso& c : casi) {
        if (c.primaDelCarico)
            cartella->scrivi("PERSONALIZZATE/AB123/MOTORO03.QOX", "x");
        caricoTarga("AB123");
        if (!c.primaDelCarico)
            cartella->scrivi("PERSONALIZZATE/AB123/MOTORO03.QOX", "x");
        Link.Collegato = c.collegato;
        if (!c.riesce)
            v->AutoImp[0]->setText("99");
        v->SalvoCliente();
        EXPECT_EQ(QFile::exists(cartella->file("PERSONALIZZATE/AB123/MOTORO03.QOX")), c.rimaste)
            << c.collegato << c.riesce;
        Link.Collegato = false;
    }
}

TEST_F(Scheda, ValidationAsksInOrderAndAFailedSaveIsShown)
{
    apro({{"AB123", "ROSSI MARIO"}, {"AB999", "NERI PAOLO"}});
    struct Caso {
        const char* nome;
        std::function<void()> prepara;
        int risposta;   // to a YES/NO box
        QList<int> messaggi;
        bool salvato;
    };
    const Caso casi[] = {
        {"month 13 before the catalogue", [&] { v->AutoImp[4]->setText("13"); StatoVeicolo.MarcaAuto.clear(); }, -1, {155}, false},
        {"no name", [&] { v->Anagrafe[0]->setText("   "); }, -1, {261}, false},
        {"no rail", [&] { StatoVeicolo.ModValvola.clear(); }, -1, {146}, false},
        {"empty overhaul takes the installation date", [&] { for (int k : {3, 4, 5}) v->AutoImp[k]->setText("  "); }, -1, {}, true},
        {"a changed plate refused", [&] { v->Cliente->setText("ZZ1"); }, 0, {224}, false},
        {"a changed plate onto another customer's", [&] { v->Cliente->setText("AB999"); }, -1, {224, 216}, false},
    };
    for (const Caso& c : casi) {
        SCOPED_TRACE(c.nome);
        caricoTarga("AB123");
        compilo(v);
        c.prepara();
        RegistroBox box([&c](const RiquadroMostrato& r) { return r.tipo == 1 ? c.risposta : -1; });
        v->Salva_Click();
        QList<int> visti;
        for (const QString& t : box.testi())
            for (int n : {146, 155, 216, 224, 261})
                if (t == Msg(n))
                    visti << n;
        EXPECT_EQ(visti, c.messaggi);
        EXPECT_EQ(!Shell.DatiModificati, c.salvato);
    }
    v->Scarica();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(righe("TARGA_AUTO = 'AB123     ' AND DATA_REVISIONE = DATA_INSTALLO"), 1);
    EXPECT_EQ(righe("TARGA_AUTO = 'ZZ1       '"), 0) << "224 NO saves nothing";
    EXPECT_EQ(righe("DITTA_NOME = 'NERI PAOLO'"), 1);
}

TEST_F(Scheda, CloseBoxOffersToSaveAndClosesTheArchive)
{
    apro({{"AB123", "ROSSI MARIO"}});
    struct Caso {
        const char* nome;
        int risposta;      // to 201
        bool guasta;       // the card cannot be saved
        bool resta;        // the screen stays open
        bool esc;          // Esc instead of the close box
    };
    const Caso casi[] = {
        {"no: closes", 0, false, false, false},
        {"yes, save fails: stays", -1, true, true, false},
        {"Esc, yes, save fails: stays", -1, true, true, true},
        {"yes: saves and closes", -1, false, false, false},
        {"Esc, no: closes", 0, false, false, true},
    };
    for (const Caso& c : casi) {
        SCOPED_TRACE(c.nome);
        if (!Veicolo::Caricato()) {
            Shell.Funzione = 1;
            ASSERT_EQ(Veicolo::Apri(), ZEQ_Inst::Apertura::Aperta) << "the archive was released";
            v = Veicolo::Istanza();
        }
        caricoTarga("AB123");
        compilo(v);
        if (c.guasta)
            v->AutoImp[2]->setText("0012");
        RegistroBox box(c.risposta);
        if (c.esc)
            QTest::keyClick(v->Anagrafe[0], Qt::Key_Escape);
        else
            v->close();
        EXPECT_EQ(Veicolo::Caricato(), c.resta);
        ASSERT_GE(box.conta(), 1);
        EXPECT_EQ(box.box()[0].testo, Msg(201));
        EXPECT_EQ(Archivio.DbArchivio != nullptr, c.resta);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
}

TEST_F(Scheda, ArchiveThatCannotBeOpenedClosesTheScreenCleanly)
{
    Archivi::CreoArchivio();
    struct Caso {
        const char* nome;
        std::function<void()> prepara;
        int messaggio;
    };
    std::unique_ptr<Db::Database> altro;
    const Caso casi[] = {
        {"held elsewhere", [&] { altro = Db::Database::Apri(Archivi::FileArchivio(), true, false); }, 172},
        {"not an archive", [&] { altro.reset(); cartella->scrivi("ARCHIVI/ARCHIVIO.MDB", "Standard Jet DB foreign"); }, 174},
    };
    for (const Caso& c : casi) {
        SCOPED_TRACE(c.nome);
        c.prepara();
        const QByteArray prima = archivio(*cartella);
        RegistroBox box;
        Shell.Funzione = 1;
        EXPECT_EQ(Veicolo::Apri(), ZEQ_Inst::Apertura::FallitaDetta);
        EXPECT_FALSE(Veicolo::Caricato());
        EXPECT_EQ(box.testi(), QStringList{Msg(c.messaggio)});
        EXPECT_EQ(Shell.Funzione, 0);
        EXPECT_FALSE(Comunic().PortOpen());
        EXPECT_EQ(archivio(*cartella), prima);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
}

TEST_F(Scheda, EntryRulesOfTheCardBoxes)
{
    apro();
    caricoTarga("AB1");
    v->DatiCli->setCurrentIndex(1);
    v->AutoImp[0]->setFocus();
    const int beep = ContatoreBeep();
    v->AutoImp[0]->clear();
    QTest::keyClicks(v->AutoImp[0], "7x");
    EXPECT_EQ(v->AutoImp[0]->text(), "7");
    EXPECT_EQ(ContatoreBeep() - beep, 1);
    QTest::keyClick(v->AutoImp[0], Qt::Key_Return);
    EXPECT_EQ(v->AutoImp[0]->text(), "07") << "filled on leaving";
    EXPECT_EQ(v->focusWidget(), v->AutoImp[1]);
    QTest::keyClick(v->AutoImp[1], Qt::Key_Space);
    EXPECT_TRUE(v->AutoImp[1]->text().isEmpty());
    // Enter towards a button the link keeps hidden goes on to the next control that can take it.
    v->AutoImp[2]->setFocus();
    QTest::keyClick(v->AutoImp[2], Qt::Key_Return);
    EXPECT_NE(v->focusWidget(), v->Tasto_Inf);
    EXPECT_TRUE(v->focusWidget()->isVisible());
    // Tab 0: Enter skips the hidden province; names are filled to their width on leaving.
    v->DatiCli->setCurrentIndex(0);
    v->Anagrafe[3]->setFocus();
    v->Anagrafe[3]->setText("Roma");
    QTest::keyClick(v->Anagrafe[3], Qt::Key_Return);
    EXPECT_EQ(v->focusWidget(), v->Anagrafe[5]);
    EXPECT_EQ(v->Anagrafe[3]->text(), QString("Roma").leftJustified(30, ' '));
    v->Anagrafe[10]->setFocus();
    QTest::keyClick(v->Anagrafe[10], Qt::Key_Return);
    EXPECT_EQ(v->focusWidget(), v->Salva);
}

TEST(Disposizione, CentredAndMirroredFromTheWidth)
{
    struct Caso {
        int w;
        Veicolo::Disposizione d;
    };
    // BoxIn 600, DatiCli 920, StatoCom 220, Esci and Salva 81.
    const Caso casi[] = {
        {1000, {200, 40, 740, 579, 340}},
        {1280, {340, 180, 880, (640 + 880 - 81) / 2, 1280 - (640 + 880 - 81) / 2 - 81}},
    };
    for (const Caso& c : casi) {
        const auto d = Veicolo::Dispongo(c.w, 600, 920, 220, 81, 81);
        EXPECT_EQ(d.boxIn, c.d.boxIn);
        EXPECT_EQ(d.datiCli, c.d.datiCli);
        EXPECT_EQ(d.statoCom, c.d.statoCom);
        EXPECT_EQ(d.esci, c.d.esci);
        EXPECT_EQ(d.salva, c.d.salva);
    }
}

TEST_F(Scheda, LinkLostWhileAnotherPlateIsTypedLeavesThatCustomersMaps)
{
    apro({{"AB1", "A"}, {"ZZ9", "Z"}});
    caricoTarga("AB1");
    cartella->scrivi("PERSONALIZZATE/ZZ9/MOTORO03.QOX", "x");
    Link.Collegato = true;
    DatiCentralina.TipoInstCentr = 0;   // the ECU holds a standard map
    v->Cliente->setFocus();
    v->Cliente->setText("ZZ9");
    Link.Collegato = true;
    StatoCatalogo.TipoInstallazione = 1;   // chosen on screen since the ECU reported its type
    Veicolo::AvvioCollegamento();
    FireWatchdog(v, WatchdogTimer::Dati_Out);
    EXPECT_TRUE(QFile::exists(cartella->file("PERSONALIZZATE/ZZ9/MOTORO03.QOX")));
    EXPECT_EQ(StatoCatalogo.Cliente.trimmed(), "AB1");
    EXPECT_EQ(StatoCatalogo.TipoInstallazione, 0) << "the ECU's map type is taken back";
    EXPECT_EQ(v->TipoInst->text(), DescrizioneTipoMappa(0));
}

TEST_F(Scheda, PortThatCannotBeOpenedReleasesTheArchive)
{
    MappaPorta(1, cartella->file("no-such-device"));
    RegistroBox box;
    EXPECT_EQ(Veicolo::Apri(), ZEQ_Inst::Apertura::FallitaDetta);
    EXPECT_EQ(box.testi(), QStringList{Msg(367)});
    EXPECT_FALSE(Veicolo::Caricato());
    EXPECT_EQ(Archivio.DbArchivio, nullptr);
    EXPECT_EQ(Shell.Funzione, 0);
}
