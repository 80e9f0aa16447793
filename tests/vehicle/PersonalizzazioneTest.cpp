// From the vehicle screen to the calibration screens against the ECU simulator: the pressure
// calibration that ends a configuration send, then the personalisation and tank-level buttons
// opening their screens modally, each reading, editing and storing, and the vehicle screen
// afterwards (installation type shown, link watchdog running again).
#include "SchermoVeicolo.h"
#include "support/InvioConfigurazione.h"

#include "catalogue/MapFiles.h"
#include "catalogue/PersonalMaps.h"
#include "catalogue/StatoCatalogo.h"
#include "demodata/lib/DemoData.h"
#include "diagnosis/LivSerb.h"
#include "diagnosis/Parametri.h"
#include "platform/Files.h"
#include "vehicle/StatoVeicolo.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

namespace {

class Personalizzazione : public AmbienteInvioSimulatore {
protected:
    // A screen against the simulator stays up through several bounded waits.
    LimiteModali limite{60000};
    void SetUp() override
    {
        AmbienteInvioSimulatore::SetUp();
        cartella->scrivi("AURELIA/BREZZA12/CENTRAL1/LIMITI.TXT", DemoData::Limiti());
        ecu.identita.dataInstallazione = "15032024";
    }
    // Runs the user's steps on screen F once it is shown modally; closes it if they did not.
    template <class F>
    void quandoModale(std::function<void(F*)> passi)
    {
        auto* t = new QTimer(v);
        QObject::connect(t, &QTimer::timeout, t, [t, passi] {
            F* f = F::Istanza();
            if (!f || !f->InModale())
                return;
            t->stop();
            passi(f);
            F::ScaricaIstanza();
        });
        t->start(5);
    }
    static bool attendo(const std::function<bool()>& c) { return AttendiFinche(c); }
    // After a screen closed: the link is up and its watchdog runs again with the next frame.
    void collegamentoRipreso()
    {
        EXPECT_TRUE(Link.Collegato);
        EXPECT_EQ(Link.FaseCom, FASE_LIBERA);
        EXPECT_TRUE(attendo([this] { return v->CollegamentoAvviato(); }));
        EXPECT_TRUE(v->isEnabled());
    }
};

} // namespace

TEST_F(Personalizzazione, NewerSoftwareParametersThenTankLevels)
{
    ecu.identita.tipoCentralina = "02";
    attivo();
    ASSERT_FALSE(DatiCentralina.SwVecchio);
    ecu.svuotaRegistro();
    BoxHost::PulisciRegistro();

    bool mostrato = false;
    quandoModale<Parametri>([&](Parametri* p) {
        mostrato = true;
        EXPECT_EQ(p->TipoScelto(), 0) << "the card's standard map";
        p->TipoInst->setCurrentIndex(1);
        ASSERT_TRUE(attendo([p] { return Link.FaseCom == FASE_LIBERA && p->Esci->isEnabled(); }));
        EXPECT_EQ(p->DatiPar[0]->text(), "1500");
        p->DatiPar[0]->setText("2000");
        p->Salva_Click();
        ASSERT_TRUE(attendo([p] { return p->Segnalazione->text() == Msg(255); }));
        p->Esci_Click();
    });
    v->Personalizza_Click();
    EXPECT_TRUE(mostrato);
    EXPECT_FALSE(Parametri::Caricato());
    ASSERT_EQ(comandi().size(), 2);
    EXPECT_EQ(comandi()[0], "MUFN");
    EXPECT_EQ(ecu.parametri[5], 2000);
    EXPECT_EQ(StatoCatalogo.TipoInstallazione, 1);
    EXPECT_EQ(v->TipoInst->text(), DescrizioneTipoMappa(1));
    collegamentoRipreso();

    ecu.svuotaRegistro();
    mostrato = false;
    quandoModale<LivSerb>([&](LivSerb* s) {
        mostrato = true;
        ASSERT_TRUE(attendo([s] { return Link.FaseCom == FASE_LIBERA && s->Salva->isEnabled(); }));
        EXPECT_EQ(s->DatiPar[1]->text(), "  2950");
        s->DatiPar[1]->setText("2800");
        s->Salva_Click();
        ASSERT_TRUE(attendo([s] { return s->Segnalazione->text() == Msg(255); }));
        s->Esci_Click();
    });
    v->PSerbatoio_Click();
    EXPECT_TRUE(mostrato);
    // The levels as edited; the personalisation stored just before goes back as reported.
    EXPECT_EQ(comandi(), (QList<QByteArray>{"MUFN", "MUFS001200002800000000000045000000002000000100000010000100"}));
    EXPECT_EQ(ecu.parametri, (std::array<int, 8>{1200, 2800, 0, 45, 0, 2000, 100, 10}));
    EXPECT_EQ(box->conta(), 0) << box->testi().join("|").toStdString();
    collegamentoRipreso();
}

TEST_F(Personalizzazione, OlderSoftwareAfterASendAndItsPressureCalibration)
{
    FormTimer::ImpostaScalaTempo(0.2);
    attivo();
    ASSERT_TRUE(DatiCentralina.SwVecchio);
    BoxHost::PulisciRegistro();

    // The send ends on the pressure calibration: read, stored, the ECU switched off and on.
    lascioPressioni = true;
    bool verificato = false;
    quandoModale<Pressioni>([&](Pressioni* p) {
        p->Tastook_Click();
        ASSERT_TRUE(attendo([p] { return !p->TastoOK1->isHidden(); }));
        EXPECT_EQ(p->DatoP->text(), "    1.20");
        p->TastoOK1_Click();
        ASSERT_TRUE(attendo([] { return Link.FaseCom == FASE_SPEGNIMENTO; }));
        ecu.spegni();
        ASSERT_TRUE(attendo([] { return !Link.Collegato; }));
        p->TastoOK2_Click();
        ecu.accendi();
        ASSERT_TRUE(attendo([] { return Link.DatiRicevuti; }));
        p->TastoOK4_Click();
        ASSERT_TRUE(attendo([p] { return p->LabTar->text() == Msg(151); }));
        verificato = true;
        p->TastoOK3_Click();
    });
    ecu.svuotaRegistro();
    invio();
    ASSERT_TRUE(attendo([] { return !Pressioni::Caricato() && Link.FaseCom == FASE_LIBERA; }));
    EXPECT_TRUE(verificato);
    EXPECT_EQ(ecu.pressioneMemorizzata(), "000120");
    EXPECT_TRUE(ricevuto("MU3"));
    EXPECT_FALSE(Link.Collegato);

    // The link again, then the personal map's parameters.
    attivo();
    ecu.svuotaRegistro();
    const QString mappa = cartella->file("PERSONALIZZATE/AB123CD/MOTORO01.QOX");
    quandoModale<Parametri>([&](Parametri* p) {
        p->TipoInst->setCurrentIndex(1);
        ASSERT_TRUE(attendo([p] { return Link.FaseCom == FASE_LIBERA && p->Esci->isEnabled(); }));
        EXPECT_EQ(p->DatiPar[3]->text(), "  1200") << "the ECU's tank value";
        p->DatiPar[0]->setText("2400");
        p->DatiPar[1]->setText("200");
        p->DatiPar[2]->setText("45");
        p->Salva_Click();
        EXPECT_FALSE(Parametri::Caricato()) << "stored into the map and closed";
    });
    v->Personalizza_Click();
    EXPECT_EQ(comandi(), QList<QByteArray>{"MUFR"}) << "nothing sent";
    QByteArray valore;
    ASSERT_TRUE(LeggoRecordMappa(mappa, 2691, valore));
    EXPECT_EQ(valore, "002400");
    EXPECT_EQ(StatoCatalogo.TipoInstallazione, 1);
    EXPECT_EQ(v->TipoInst->text(), DescrizioneTipoMappa(1));
    EXPECT_TRUE(Shell.DatiModificati);
    collegamentoRipreso();

    ecu.svuotaRegistro();
    quandoModale<LivSerb>([&](LivSerb* s) {
        ASSERT_TRUE(attendo([s] { return Link.FaseCom == FASE_LIBERA && s->Salva->isEnabled(); }));
        s->DatiPar[0]->setText("1000");
        s->Salva_Click();
        ASSERT_TRUE(attendo([s] { return s->Segnalazione->text() == Msg(255); }));
        s->Esci_Click();
    });
    v->PSerbatoio_Click();
    EXPECT_EQ(comandi(), (QList<QByteArray>{"MUFR", "MUFS001000002950000000"}));
    EXPECT_EQ(ecu.parametri[0], 1000);
    EXPECT_EQ(box->conta(), 0) << box->testi().join("|").toStdString();
    collegamentoRipreso();
}

namespace {

class PersonalizzazioneRifiutata : public AmbienteInvio {};

} // namespace

TEST_F(PersonalizzazioneRifiutata, ChecksInOrderAndNoScreenOpens)
{
    struct Caso {
        const char* nome;
        std::function<void()> prepara;
        int messaggio;  // 0: no message and no beep
    };
    const Caso casi[] = {
        {"type unknown before the map type", [] { DatiCentralina.TipoCentralina = -1; StatoCatalogo.TipoInstallazione = -1; }, 204},
        {"no map type", [] { StatoCatalogo.TipoInstallazione = -1; StatoVeicolo.MarcaAuto.clear(); }, 0},
        {"no make before the type 0", [] { StatoVeicolo.MarcaAuto = " "; DatiCentralina.TipoCentralina = 0; }, 143},
        {"no model", [] { StatoVeicolo.ModelloAuto.clear(); }, 144},
        {"no petrol ECU", [] { StatoVeicolo.CentralinaSel.clear(); }, 145},
        {"type 0", [] { DatiCentralina.TipoCentralina = 0; }, 358},
        {"type 1 without its standard map", [this] { StatoCatalogo.DirCentralina = cartella->file("NONE"); }, 192},
        {"older software", [] { DatiCentralina.TipoCentralina = 2; DatiCentralina.SwVecchio = true; }, 352},
        {"major version 00",
         [] {
             DatiCentralina.TipoCentralina = 2;
             DatiCentralina.SwVecchio = false;
             DatiCentralina.VersioneSw = "00.10ABCD";
         },
         175},
    };
    int aperture = 0;
    auto* t = new QTimer(v);
    QObject::connect(t, &QTimer::timeout, t, [&aperture] {
        if (Parametri* p = Parametri::Istanza(); p && p->InModale()) {
            ++aperture;
            p->Scarica();
        }
    });
    t->start(5);
    for (const Caso& c : casi) {
        SCOPED_TRACE(c.nome);
        sceltaVeicolo();
        DatiCentralina.VersioneSw = "01.10ABCD";
        c.prepara();
        BoxHost::PulisciRegistro();
        const int beep = ContatoreBeep();
        v->Personalizza_Click();
        // The missing map's message names the file (type digits in place).
        const QString testo = c.messaggio == 192 ? TestoMappaMancante(192) : Msg(c.messaggio);
        EXPECT_EQ(box->testi(), c.messaggio ? QStringList{testo} : QStringList{});
        EXPECT_EQ(ContatoreBeep(), beep + (c.messaggio ? 1 : 0));
    }
    EXPECT_EQ(aperture, 0);
    // The same card with every check passed opens the screen.
    sceltaVeicolo();
    v->Personalizza_Click();
    EXPECT_EQ(aperture, 1);
}
