// The programming path of the configuration send (ECU type 2 and above): the image is
// built or refused with its message, and the dialog sends it in programming mode.
#include "SchermoVeicolo.h"
#include "support/InvioConfigurazione.h"

#include "catalogue/StatoCatalogo.h"
#include "catalogue/StatoFile.h"
#include "demodata/lib/DemoData.h"
#include "ecu_link/Rami.h"

#include <QDir>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QTimer>

namespace {

class InvioProgrammazione : public AmbienteInvio {
protected:
    LimiteModali limite{20000};
    void SetUp() override
    {
        AmbienteInvio::SetUp();
        DatiCentralina.TipoCentralina = 2;
        DatiCentralina.VersioneSw = "02.510315";
        fileDemo();
    }
    // The car's map, the rail tables and the base software as the demo lays them out.
    void fileDemo()
    {
        QFile::remove(cartella->file("AURELIA/BREZZA12/CENTRAL1/C_GPL02.F19"));
        cartella->scrivi("AURELIA/BREZZA12/CENTRAL1/MOTORO02.QOX", DemoData::MappaValori(2, false, "TEST"));
        cartella->scrivi("VALVOLE/MODEL_1/TABPWM02.PWM", DemoData::TabellaPWM());
        cartella->scrivi("VALVOLE/MODEL_1/TABPCM02.PCM", DemoData::TabellaPCM());
        cartella->scrivi("SOFTWARE/02/L0AA/L0AA.S19", DemoData::SoftwareS19({"02", "L0AA", "L0AA", "ZQ3010450", false}));
    }
    // Runs azione on the dialog once it is shown modally.
    void nelDialogo(std::function<void(MandoDati*)> azione)
    {
        auto* t = new QTimer(v);
        t->setSingleShot(false);
        QObject::connect(t, &QTimer::timeout, t, [t, azione] {
            if (MandoDati* m = MandoDati::Istanza(); m && m->InModale()) {
                t->stop();
                azione(m);
            }
        });
        t->start(5);
    }
};

} // namespace

TEST_F(InvioProgrammazione, RefusalsShowTheirMessageAndRestartTheLinkWatchdog)
{
    const struct { const char* nome; const char* sw; std::function<void(CartellaProgramma&)> prepara; int messaggio; } casi[] = {
        {"no map at all", "02.510315", [](CartellaProgramma& c) { QFile::remove(c.file("AURELIA/BREZZA12/CENTRAL1/MOTORO02.QOX")); }, 165},
        {"rule A, map to build", "02.100315", [](CartellaProgramma&) {}, 159},
        {"rule B, base software missing", "02.510315",
         [](CartellaProgramma& c) { c.scrivi("AURELIA/BREZZA12/CENTRAL1/C_GPL02.F19", DemoData::MappaF19("L1AA", "PRJ01")); }, 157},
        {"rule B, specific software missing", "02.510315",
         [](CartellaProgramma& c) { c.scrivi("AURELIA/BREZZA12/CENTRAL1/C_GPL02.F19", DemoData::MappaF19("L0ZZ", "PRJ01")); }, 160},
        {"rule A, map names missing software", "02.100315",
         [](CartellaProgramma& c) { c.scrivi("AURELIA/BREZZA12/CENTRAL1/C_GPL02.F19", DemoData::MappaF19("L0ZZ", "PRJ01")); }, 160},
        {"no PWM table", "02.510315", [](CartellaProgramma& c) { QFile::remove(c.file("VALVOLE/MODEL_1/TABPWM02.PWM")); }, 166},
        {"no PCM table", "02.510315", [](CartellaProgramma& c) { QFile::remove(c.file("VALVOLE/MODEL_1/TABPCM02.PCM")); }, 168},
    };
    for (const auto& c : casi) {
        SCOPED_TRACE(c.nome);
        fileDemo();
        DatiCentralina.VersioneSw = c.sw;
        c.prepara(*cartella);
        BoxHost::PulisciRegistro();
        Veicolo::FermoCollegamento();
        const int beep = ContatoreBeep();
        EXPECT_NE(v->PreparoProgrammazione([] { return 0; }), 0);
        EXPECT_EQ(box->testi(), QStringList{Msg(c.messaggio)});
        EXPECT_EQ(box->box().value(0).titolo, Msg(140));
        EXPECT_EQ(ContatoreBeep(), beep + 1);
        EXPECT_TRUE(v->CollegamentoAvviato());
        EXPECT_FALSE(MandoDati::Caricato());
        EXPECT_FALSE(QFileInfo::exists(cartella->file("SOFTWARE/02/L0AA/L0AA.ULP")));
    }
}

TEST_F(InvioProgrammazione, ImageBuiltAndSentInProgrammingMode)
{
    QStringList versioni;
    bool modoProgrammazione = false, chiusuraRifiutata = false;
    nelDialogo([&](MandoDati* m) {
        modoProgrammazione = !m->BoxF19->isHidden() && m->BoxQOX->isHidden() && !m->TastoSIULP->isHidden()
                             && m->TastoSI->isHidden();
        for (QLabel* l : m->VersioneF)
            versioni << l->text();
        m->TastoSIULP->click();
        m->close();   // refused while the image is being sent
        chiusuraRifiutata = MandoDati::Caricato();
        FireWatchdog(Veicolo::Istanza(), WatchdogTimer::TimeOutTx);   // the program's unload still closes it
    });
    int salvataggi = 0;
    scritto.clear();
    StatoCatalogo.TipoInstallazione = 7;   // any two digits an ECU identity may report
    EXPECT_EQ(v->PreparoProgrammazione([&] { ++salvataggi; return 0; }), 0);
    EXPECT_TRUE(modoProgrammazione);
    EXPECT_EQ(versioni, (QStringList{"000004", "5", "L0AA", "ZQ3010450", "00000"}));
    EXPECT_EQ(salvataggi, 1);
    EXPECT_EQ(scritto.value(0), "MWin\r\n");
    EXPECT_EQ(StatoFile.FileProgrammazione, cartella->file("SOFTWARE/02/L0AA/L0AA.ULP"));
    EXPECT_TRUE(QFileInfo::exists(StatoFile.FileProgrammazione));
    // The image carries the map type as standard (0) or personalised (1), nothing else.
    QByteArray tipo;
    for (const QByteArray& riga : cartella->leggi("SOFTWARE/02/L0AA/L0AA.ULP").split('\n'))
        if (riga.startsWith("S1") && riga.mid(4, 4) == "5606")
            tipo = riga.mid(36, 4);
    EXPECT_EQ(tipo, "0000");
    EXPECT_TRUE(chiusuraRifiutata);
    EXPECT_FALSE(MandoDati::Caricato());
    EXPECT_EQ(box->testi(), QStringList{Msg(234)});
    EXPECT_EQ(scritto.value(1), "MU3\r\n");
}

TEST_F(InvioProgrammazione, FailedSaveSendsNothingAndKeepsTheDialog)
{
    bool aperto = false;
    nelDialogo([&](MandoDati* m) {
        m->TastoSIULP->click();
        aperto = MandoDati::Caricato();
        EXPECT_EQ(Link.FaseCom, FASE_LIBERA);
        m->TastoNO->click();
    });
    scritto.clear();
    EXPECT_EQ(v->PreparoProgrammazione([] { return 1; }), 0);
    EXPECT_TRUE(aperto);
    EXPECT_TRUE(scritto.isEmpty());
    EXPECT_EQ(box->testi(), QStringList{Msg(216)});
    EXPECT_FALSE(MandoDati::Caricato());
}
