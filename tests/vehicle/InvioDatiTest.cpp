// The send button's map path, the confirmation dialog, the ECU information box, the link
// controls and the reply watchdog of the send, on the vehicle screen offscreen.
#include "SchermoVeicolo.h"
#include "support/InvioConfigurazione.h"

#include "catalogue/StatoCatalogo.h"
#include "demodata/lib/DemoData.h"
#include "diagnosis/LivSerb.h"
#include "vehicle/StatoVeicolo.h"
#include "vehicle/VisInf.h"
#include "vehicle/WorkingMap.h"

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QPointer>
#include <QTimer>

namespace {

class InvioDati : public AmbienteInvio {
protected:
    LimiteModali limite{20000};
    // Runs f once the modal form T is up, then unloads it; true when it was shown.
    template <class T>
    bool allApertura(const std::function<void(T*)>& f = {})
    {
        auto aperta = std::make_shared<bool>(false);
        delete sorveglio;
        auto* t = new QTimer(v);
        sorveglio = t;
        QObject::connect(t, &QTimer::timeout, t, [t, f, aperta] {
            if (T* m = T::Istanza(); m && m->InModale()) {
                *aperta = true;
                if (f)
                    f(m);
                if (!m->Scaricato())
                    m->Scarica();
                t->stop();
            }
        });
        t->start(5);
        controllo = aperta;
        return true;
    }
    std::shared_ptr<bool> controllo;
    QPointer<QTimer> sorveglio;
    bool aperta() const { return controllo && *controllo; }

    QByteArray lavoro() const { return cartella->leggi("AURELIA/BREZZA12/CENTRAL1/MOTORO01.APP"); }
    FileTabellaDati dati() const
    {
        FileTabellaDati d;
        d.dirCentralina = dirCentralina;
        d.dirPersonal = StatoVeicolo.DirPersonal;
        d.giorno = " 7";
        d.mese = "11";
        d.anno = "2026";
        return d;
    }
};

QByteArray Righe(const QByteArray& immagine)
{
    QByteArray b;
    for (qsizetype p = 0; p < immagine.size(); p += 6)
        b += immagine.mid(p, 6) + "\r\n";
    return b;
}

} // namespace

TEST_F(InvioDati, WorkingFileCarriesTheDateTheTypeAndThePersonalRecords)
{
    mappaPersonale();
    for (bool personale : {false, true}) {
        SCOPED_TRACE(personale);
        FileTabellaDati d = dati();
        d.personalizzata = personale;
        d.tipoInstallazione = personale;
        QString file, versione;
        ASSERT_TRUE(PreparoFileTabella(d, file, versione));
        QMap<int, int> atteso = personale ? RecordPersonaliDemo() : QMap<int, int>{};
        atteso.insert(2823, 7);
        atteso.insert(2824, 11);
        atteso.insert(2825, 2026);
        atteso.insert(2826, personale);
        const QString relativo = personale ? "PERSONALIZZATE/AB123CD/MOTORO01.APP"
                                           : "AURELIA/BREZZA12/CENTRAL1/MOTORO01.APP";
        EXPECT_EQ(file, cartella->file(relativo));
        EXPECT_EQ(cartella->leggi(relativo), Righe(ImmagineDemo(atteso)));
        EXPECT_EQ(versione, "5");
    }
    // Record 2823 by hand: characters 16,933-16,938 of the image.
    EXPECT_EQ(ImmagineDemo({{2823, 7}}).mid(16932, 6), "000007");
}

TEST_F(InvioDati, ShortOrMissingMapsGiveNoWorkingFile)
{
    const QByteArray mappa = DemoData::MappaValori(1, false, "T");
    const QByteArray corta = mappa.left(mappa.indexOf("\r\n") + 2 + 2826 * 8);
    const struct { const char* nome; bool personale; QByteArray standard; QByteArray propria; } casi[] = {
        {"standard map missing", false, {}, {}},
        {"standard map of 2,826 records", false, corta, {}},
        {"personal map missing", true, mappa, {}},
        {"personal map of 2,785 records", true, mappa, QByteArray(2785 * 8, '0').replace(6, 2, "\r\n")},
        {"personal value that does not fit", true, mappa, "1234567\r\n"},
    };
    for (const auto& c : casi) {
        SCOPED_TRACE(c.nome);
        QFile::remove(cartella->file("AURELIA/BREZZA12/CENTRAL1/MOTORO01.QOX"));
        QFile::remove(cartella->file("PERSONALIZZATE/AB123CD/MOTORO01.QOX"));
        if (!c.standard.isEmpty())
            cartella->scrivi("AURELIA/BREZZA12/CENTRAL1/MOTORO01.QOX", c.standard);
        if (!c.propria.isEmpty())
            cartella->scrivi("PERSONALIZZATE/AB123CD/MOTORO01.QOX", c.propria);
        FileTabellaDati d = dati();
        d.personalizzata = c.personale;
        QString file, versione;
        EXPECT_FALSE(PreparoFileTabella(d, file, versione));
        EXPECT_TRUE(file.isEmpty());
    }
}

TEST_F(InvioDati, MapPathRefusesAnUnusableMapWith211AndRestartsTheWatchdog)
{
    StatoCatalogo.TipoInstallazione = 1;   // personalised, but the vehicle has no map
    v->InvioMappa([] { return 0; });
    EXPECT_EQ(box->testi(), QStringList{Msg(211)});
    EXPECT_TRUE(v->CollegamentoAvviato());
    EXPECT_FALSE(MandoDati::Caricato());
    EXPECT_TRUE(scritto.isEmpty());
}

TEST_F(InvioDati, MapPathShowsTheDialogInMapMode)
{
    allApertura<MandoDati>([](MandoDati* m) {
        EXPECT_EQ(m->windowTitle(), Msg(354));
        EXPECT_FALSE(m->BoxQOX->isHidden());
        EXPECT_TRUE(m->BoxF19->isHidden());
        EXPECT_TRUE(m->TastoSI->isEnabled());
        EXPECT_FALSE(m->TastoSIULP->isEnabled());
        EXPECT_TRUE(m->TastoSIULP->isHidden());
        EXPECT_EQ(m->VersioneT[0]->text(), "000004");
        EXPECT_EQ(m->VersioneT[1]->text(), "5");
        EXPECT_EQ(m->Segnalazione->text(), Msg(357));
        EXPECT_FALSE(m->TastoSI->icon().isNull());
    });
    v->InvioMappa([] { return 0; });
    EXPECT_TRUE(aperta());
    EXPECT_FALSE(v->CollegamentoAvviato());
    EXPECT_EQ(StatoVeicolo.FileTabella, cartella->file("AURELIA/BREZZA12/CENTRAL1/MOTORO01.APP"));
}

TEST_F(InvioDati, ConfirmSavesFirstThenStartsTheUpload)
{
    const struct { const char* nome; bool collegato; int salvo; bool invia; int messaggio; bool resta; } casi[] = {
        {"saved", true, 0, true, 0, true},
        {"save failed", true, -1, false, 216, true},
        {"link down", false, 0, false, 0, false},
    };
    for (const auto& c : casi) {
        SCOPED_TRACE(c.nome);
        scritto.clear();
        BoxHost::PulisciRegistro();
        Link.FaseCom = FASE_LIBERA;
        Link.Collegato = c.collegato;
        Veicolo::AvvioCollegamento();
        Veicolo::FermoRisposta();
        MandoDati* m = MandoDati::Carica();
        int salvataggi = 0;
        m->SalvoCliente = [&] { ++salvataggi; return c.salvo; };
        m->TastoSI_Click();
        EXPECT_EQ(salvataggi, c.collegato ? 1 : 0);
        EXPECT_EQ(scritto, c.invia ? QByteArrayList{"MU0\r\n"} : QByteArrayList{});
        EXPECT_EQ(box->testi(), c.messaggio ? QStringList{Msg(c.messaggio)} : QStringList{});
        EXPECT_EQ(MandoDati::Caricato(), c.resta);
        EXPECT_EQ(Link.FaseCom, c.invia ? FASE_INVIO_TABELLA : FASE_LIBERA);
        EXPECT_EQ(v->RispostaAvviata(), c.invia);
        EXPECT_EQ(v->CollegamentoAvviato(), !c.invia);
        if (c.invia) {
            EXPECT_EQ(v->TempoRisposta(), 10000);
            EXPECT_EQ(Link.BufferTx, "MU0\r\n");
            EXPECT_FALSE(m->TastoSI->isEnabled());
            EXPECT_FALSE(m->TastoNO->isEnabled());
            EXPECT_EQ(m->Segnalazione->text(), Msg(221));
            EXPECT_EQ(PuntatoreAttuale(), 11);
            m->close();
            EXPECT_TRUE(MandoDati::Caricato()) << "the user's close is refused during the upload";
        }
        MandoDati::ScaricaIstanza();
    }
}

TEST_F(InvioDati, NoRestartsTheLinkWatchdogOnlyWhileLinked)
{
    for (bool collegato : {true, false}) {
        Link.Collegato = collegato;
        Veicolo::FermoCollegamento();
        MandoDati::Carica()->TastoNO_Click();
        EXPECT_FALSE(MandoDati::Caricato());
        EXPECT_EQ(v->CollegamentoAvviato(), collegato);
    }
    MandoDati::Carica()->Tastook_Click();
    EXPECT_FALSE(MandoDati::Caricato());
}

TEST_F(InvioDati, MissingRepliesOfTheSendEndAsTheWatchdogSays)
{
    const struct { int fase; int messaggio; QByteArray comando; } casi[] = {
        {FASE_LETTURA_PERSONALE, 220, "MU3\r\n"},
        {FASE_INVIO_TABELLA, 212, "MU1\r\n"},
        {FASE_DATA_INSTALLAZIONE, 212, "MU1\r\n"},
    };
    // Each block sent arms the watchdog: a block left unanswered ends the upload with 212.
    QString versione;
    ASSERT_TRUE(PreparoFileTabella(dati(), StatoVeicolo.FileTabella, versione));
    Link.Collegato = true;
    Link.FaseCom = FASE_INVIO_TABELLA;
    MandoDati::Carica();
    scritto.clear();
    ricevo("R6\r\n");
    ricevo("R5\r\n");
    ASSERT_EQ(scritto.size(), 2);
    FireWatchdog(v, WatchdogTimer::TimeOutTx);
    EXPECT_EQ(box->testi(), QStringList{Msg(212)});
    EXPECT_EQ(scritto.value(2), "MU1\r\n");
    EXPECT_FALSE(Link.Collegato);
    EXPECT_FALSE(MandoDati::Caricato());
    EXPECT_EQ(Link.FaseCom, FASE_LIBERA);
    ScaricoTutto();
    v = Veicolo::Carica();

    FormTimer::ImpostaScalaTempo(0.001);
    for (const auto& c : casi) {
        SCOPED_TRACE(c.fase);
        scritto.clear();
        BoxHost::PulisciRegistro();
        Link.Collegato = true;
        Link.FaseCom = c.fase;
        Attesa::Carica();
        MandoDati::Carica();
        Veicolo::ArmoRisposta(c.fase == FASE_INVIO_TABELLA ? 10000 : 5000);
        ASSERT_TRUE(AttendiFinche([] { return Link.FaseCom == FASE_LIBERA; }));
        EXPECT_EQ(box->testi(), QStringList{Msg(c.messaggio)});
        EXPECT_EQ(scritto, QByteArrayList{c.comando});
        EXPECT_FALSE(Link.Collegato);
        if (c.fase == FASE_LETTURA_PERSONALE)
            EXPECT_FALSE(Attesa::Caricato());
        else
            EXPECT_FALSE(MandoDati::Caricato());
        ScaricoTutto();
        v = Veicolo::Carica();
    }
    FormTimer::ImpostaScalaTempo(1.0);
}

TEST_F(InvioDati, InformationBoxHidesTheFieldsOfEachErrorBit)
{
    IdentitaTipoUno();
    const QStringList tutti = {"MOTOROLA-01", "05/03/2024", "06/04/2025", Msg(119), "SN000123", "LT0042",
                               "01.CD10AB", "000004", "01.0012AB"};
    const struct { int errori; QList<int> vuoti; int avviso; } casi[] = {
        {0, {}, 0}, {1, {0}, 225}, {2, {1}, 225}, {4, {2}, 225}, {8, {3}, 225}, {14, {1, 2, 3}, 225},
    };
    for (const auto& c : casi) {
        SCOPED_TRACE(c.errori);
        DatiCentralina.ErroriDati = c.errori;
        v->Tasto_Inf_Click();
        VisInf* f = VisInf::Istanza();
        ASSERT_TRUE(f);
        EXPECT_EQ(f->windowTitle(), Msg(226));
        for (int i = 0; i < 9; ++i)
            EXPECT_EQ(f->InfVis[i]->text(), c.vuoti.contains(i) ? QString() : tutti[i]) << i;
        EXPECT_EQ(f->InfoVis->text(), c.avviso ? Msg(c.avviso) : QString());
        f->Tastook_Click();
        EXPECT_FALSE(VisInf::Caricato());
    }
    // No installation in the ECU yet; an installation type that is neither 0 nor 1.
    DatiCentralina.ErroriDati = 0;
    DatiCentralina.DataInstallazione = DataNessuna;
    DatiCentralina.TipoInstCentr = 7;
    v->Tasto_Inf_Click();
    EXPECT_EQ(VisInf::Istanza()->InfoVis->text(), Msg(241));
    EXPECT_EQ(VisInf::Istanza()->InfVis[3]->text(), "----------");
    VisInf::Istanza()->Form_LostFocus();
    EXPECT_FALSE(VisInf::Caricato());
}

TEST_F(InvioDati, InformationBoxOpensOnlyForAnIdentifiedEcu)
{
    for (int tipo : {-1, 0}) {
        DatiCentralina.TipoCentralina = tipo;
        v->Tasto_Inf_Click();
        EXPECT_FALSE(VisInf::Caricato());
    }
}

TEST_F(InvioDati, LinkControlsRefuseInOrder)
{
    const struct { const char* nome; bool collegato; const char* sw; std::function<void(Veicolo*)> click; int messaggio; } casi[] = {
        {"update, link down", false, "01.10ABCD", &Veicolo::Tasto_Agg_Click, 349},
        {"loader, link down", false, "01.10ABCD", &Veicolo::Caric_Agg_Click, 349},
        {"tank, link down", false, "01.10ABCD", &Veicolo::PSerbatoio_Click, 349},
        {"tank, major 00", true, "00.10ABCD", &Veicolo::PSerbatoio_Click, 352},
        {"personalise, link down", false, "01.10ABCD", &Veicolo::Personalizza_Click, 349},
    };
    for (const auto& c : casi) {
        SCOPED_TRACE(c.nome);
        BoxHost::PulisciRegistro();
        Link.Collegato = c.collegato;
        DatiCentralina.VersioneSw = c.sw;
        const int beep = ContatoreBeep();
        c.click(v);
        EXPECT_EQ(box->testi(), QStringList{Msg(c.messaggio)});
        EXPECT_EQ(ContatoreBeep(), beep + 1);
        EXPECT_FALSE(Progsw::Caricato());
        EXPECT_FALSE(LivSerb::Caricato());
    }
}

TEST_F(InvioDati, UpdateButtonsSetTheModeAndOpenTheProgrammingScreen)
{
    for (int modo : {1, 0}) {
        StatoVeicolo.ModoAggiorna = 1 - modo;
        allApertura<Progsw>();
        if (modo == 1)
            v->Caric_Agg_Click();
        else
            v->Tasto_Agg_Click();
        EXPECT_TRUE(aperta());
        EXPECT_EQ(StatoVeicolo.ModoAggiorna, modo);
    }
}

TEST_F(InvioDati, SendButtonChecksTheLinkFirstThenTheCardThenTheEcuType)
{
    // With the link down nothing is validated, not even an empty card.
    Link.Collegato = false;
    v->InvioDati_Click();
    EXPECT_EQ(box->testi(), QStringList{Msg(349)});
    // A card that does not validate stops with its own message.
    BoxHost::PulisciRegistro();
    Link.Collegato = true;
    v->Cliente->setText("AB123CD");
    StatoVeicolo.TargaCorrente = "AB123CD";
    v->InvioDati_Click();
    EXPECT_EQ(box->testi(), QStringList{Msg(261)});
    v->Anagrafe[0]->setText("ROSSI");
    const struct { int tipo; int messaggio; bool beep; bool dialogo; } casi[] = {
        {-1, 204, true, false}, {0, 358, false, false}, {1, 0, false, true},
    };
    for (const auto& c : casi) {
        SCOPED_TRACE(c.tipo);
        BoxHost::PulisciRegistro();
        DatiCentralina.TipoCentralina = c.tipo;
        allApertura<MandoDati>();
        const int beep = ContatoreBeep();
        v->InvioDati_Click();
        EXPECT_EQ(box->testi(), c.messaggio ? QStringList{Msg(c.messaggio)} : QStringList{});
        EXPECT_EQ(ContatoreBeep(), beep + (c.beep ? 1 : 0));
        EXPECT_EQ(aperta(), c.dialogo);
        EXPECT_TRUE(scritto.isEmpty());
    }
}

TEST_F(InvioDati, ShortStandardMapRefusedWith211)
{
    cartella->scrivi("AURELIA/BREZZA12/CENTRAL1/MOTORO01.QOX", QByteArray("000001\r\n").repeated(2826));
    v->InvioMappa([] { return 0; });
    EXPECT_EQ(box->testi(), QStringList{Msg(211)});
    EXPECT_TRUE(v->CollegamentoAvviato());
    EXPECT_FALSE(MandoDati::Caricato());
}
