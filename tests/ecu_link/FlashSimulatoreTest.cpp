// Programming end to end with the ECU simulator behind a pseudo-terminal: software and
// loader through the programming screen, the programming image through the send dialog,
// and transfers interrupted at a middle line in both states.
#include "support/AmbienteSimulatore.h"

#include "catalogue/StatoCatalogo.h"
#include "catalogue/StatoFile.h"
#include "demodata/lib/DemoData.h"
#include "ecu_link/Programmazione.h"
#include "vehicle/StatoVeicolo.h"

#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QTimer>

namespace {

class FlashSimulatore : public AmbienteSimulatore {
protected:
    void SetUp() override
    {
        AmbienteSimulatore::SetUp();
        ASSERT_TRUE(DemoData::ScrivoProgramma(cartella->path()));
        FormTimer::ImpostaScalaTempo(0.05);
        ecu.opzioni.msRiavvio = 50;
    }
    // The lines of a file without their ends, leading "0" padding of the image removed.
    static QList<QByteArray> righe(const QString& file)
    {
        QFile f(file);
        EXPECT_TRUE(f.open(QIODevice::ReadOnly));
        QList<QByteArray> r;
        for (QByteArray l : f.readAll().split('\n'))
            if (!(l = l.trimmed()).isEmpty())
                r << l;
        return r;
    }
    // The programming screen loaded (not shown) in the mode, after the link is up.
    Progsw* programmazione(int modo)
    {
        if (!collegato())
            return nullptr;
        StatoVeicolo.ModoAggiorna = modo;
        return Progsw::Carica();
    }
    // The installer switches the ECU off and on and asks for the check.
    void cicloAccensione(Progsw* p)
    {
        ecu.spegni();
        ASSERT_TRUE(AttendiFinche([] { return !Link.Collegato; }));
        p->Tastook_Click(0);
        ASSERT_EQ(p->LabAgg->text(), Msg(206));
        Link.DatiRicevuti = false;
        ecu.accendi();
        ASSERT_TRUE(AttendiFinche([] { return Link.DatiRicevuti; }));
        p->TastoOKA_Click();
    }
    // The car of the demo catalogue chosen on the vehicle screen for the image.
    void autoDemo()
    {
        StatoCatalogo.DirCentralina = cartella->file("AURELIA/BREZZA12/CENTRAL1");
        StatoCatalogo.TipoGas = 0;
        StatoCatalogo.TipoInstallazione = 0;
        StatoVeicolo.DirValvole = cartella->file("VALVOLE/MODEL_1");
    }
    // Clicks TastoSIULP once the send dialog is shown; unloads Pressioni when it is.
    void confermaEPressioni()
    {
        auto* t = new QTimer(Veicolo::Istanza());
        QObject::connect(t, &QTimer::timeout, t, [this] {
            if (MandoDati* m = MandoDati::Istanza(); m && m->InModale() && m->TastoSIULP->isEnabled())
                m->TastoSIULP->click();
            if (Pressioni* p = Pressioni::Istanza(); p && p->InModale() && !p->Scaricato()) {
                ++pressioni;
                p->Scarica();
            }
        });
        t->start(5);
    }
    int pressioni = 0;
    // The common end of an interrupted transfer.
    void interrotto()
    {
        EXPECT_FALSE(FileProgrammazioneAperto());
        EXPECT_EQ(Link.FaseCom, FASE_LIBERA);
        EXPECT_FALSE(Link.Collegato);
        if (Veicolo* v = Veicolo::Istanza()) {
            EXPECT_FALSE(v->RispostaAvviata());
        }
        EXPECT_NE(PuntatoreAttuale(), 11);
    }
};

} // namespace

TEST_F(FlashSimulatore, LoaderUpdateThroughTheProgrammingScreen)
{
    for (bool conservato : {true, false}) {
        SCOPED_TRACE(conservato);
        ecu.identita = {};
        ecu.flash.nonConserva = !conservato;
        Progsw* p = programmazione(1);
        ASSERT_TRUE(p);
        ASSERT_EQ(p->LabAgg->text(), Msg(346));
        p->TastoSI->click();
        ASSERT_TRUE(AttendiFinche([] { return Link.FaseCom == FASE_SPEGNIMENTO_SW; }, 60000));
        EXPECT_EQ(ecu.lineeProgrammate(), righe(StatoFile.FileProgrammazione));
        EXPECT_EQ(p->LabAgg->text(), Msg(247));
        EXPECT_FALSE(FileProgrammazioneAperto());
        cicloAccensione(p);
        ASSERT_TRUE(AttendiFinche([p] { return !p->Tastook[1]->isHidden(); }));
        EXPECT_EQ(p->LabAgg->text(), Msg(conservato ? 239 : 153));
        EXPECT_EQ(p->VersSoft[0]->text(), conservato ? "KL1130520" : "01.120305");
        ScaricoTutto();
        ecu.flash = {};
    }
}

TEST_F(FlashSimulatore, SoftwareOfATypeOneEcu)
{
    ecu.identita.tipoCentralina = "01";
    ecu.identita.versioneSw = "09.000315";
    Progsw* p = programmazione(0);
    ASSERT_TRUE(p);
    ASSERT_EQ(p->LabAgg->text(), Msg(236));
    EXPECT_EQ(p->VersSoft[1]->text(), "ZQ1010120");
    p->TastoSI->click();
    ASSERT_TRUE(AttendiFinche([] { return Link.FaseCom == FASE_SPEGNIMENTO_SW; }, 60000));
    EXPECT_EQ(ecu.lineeProgrammate(), righe(StatoFile.FileProgrammazione));
    cicloAccensione(p);
    ASSERT_TRUE(AttendiFinche([p] { return !p->Tastook[1]->isHidden(); }));
    EXPECT_EQ(p->LabAgg->text(), Msg(239));
}

TEST_F(FlashSimulatore, ProgrammingImageOfTheDemoCarEndsOnThePressures)
{
    Veicolo* v = collegato();
    ASSERT_TRUE(v);
    autoDemo();
    confermaEPressioni();
    EXPECT_EQ(v->PreparoProgrammazione([] { return 0; }), 0);
    ASSERT_TRUE(AttendiFinche([this] { return pressioni == 1; }, 60000));
    EXPECT_TRUE(ecu.lineeRiempite().value(0));   // the image goes out padded
    EXPECT_EQ(ecu.identita.tipoInstallazione, "00");
    EXPECT_EQ(ecu.lineeProgrammate(), righe(cartella->file("SOFTWARE/02/L0AA/L0AA.ULP")));
    EXPECT_FALSE(MandoDati::Caricato());
    EXPECT_EQ(Link.FaseCom, FASE_LIBERA);
    EXPECT_FALSE(FileProgrammazioneAperto());
    EXPECT_EQ(box->conta(), 0);
}

TEST_F(FlashSimulatore, InterruptedTransfersInBothStates)
{
    const struct { const char* nome; const char* guasto; int messaggio; bool scatola; } casi[] = {
        {"silence", "silent", 234, true},
        {"Fce", "reply-as=Fce", 219, false},
        {"Fed", "reply-as=Fed", 178, false},
    };
    for (int fase : {FASE_PROGRAMMAZIONE_SW, FASE_PROGRAMMAZIONE_ULP}) {
        for (const auto& c : casi) {
            SCOPED_TRACE(std::string(c.nome) + (fase == FASE_PROGRAMMAZIONE_SW ? " screen" : " image"));
            BoxHost::PulisciRegistro();
            ecu.guasti = {};
            ecu.guasti.soloPer = "S";
            ecu.guasti.daRisposta = 5;
            ecu.guasti.volte = 1;
            if (QByteArray(c.guasto) == "silent")
                ecu.guasti.silenzio = true;
            else
                ecu.guasti.sostituto = QByteArray(c.guasto).mid(9);
            QString didascalia;
            if (fase == FASE_PROGRAMMAZIONE_SW) {
                Progsw* p = programmazione(1);
                ASSERT_TRUE(p);
                p->TastoSI->click();
                ASSERT_TRUE(AttendiFinche([] { return Link.FaseCom == FASE_LIBERA; }, 60000));
                if (Progsw::Caricato())
                    didascalia = p->LabAgg->text();
            } else {
                Veicolo* v = collegato();
                ASSERT_TRUE(v);
                autoDemo();
                auto* t = new QTimer(v);
                QObject::connect(t, &QTimer::timeout, t, [&didascalia] {
                    MandoDati* m = MandoDati::Istanza();
                    if (m && m->InModale() && m->TastoSIULP->isEnabled())
                        m->TastoSIULP->click();
                    else if (m && m->InModale() && !m->Tastook->isHidden()) {
                        didascalia = m->Segnalazione->text();
                        m->Tastook->click();
                    }
                });
                t->start(5);
                v->PreparoProgrammazione([] { return 0; });
                t->deleteLater();
            }
            if (c.scatola) {
                EXPECT_EQ(box->testi(), QStringList{Msg(c.messaggio)});
                if (fase == FASE_PROGRAMMAZIONE_ULP)
                    EXPECT_TRUE(ricevuto("MU3"));
                else
                    EXPECT_FALSE(ricevuto("MU3", 300));
            } else {
                EXPECT_EQ(didascalia, Msg(c.messaggio));
                EXPECT_EQ(box->conta(), 0);
            }
            interrotto();
            ScaricoTutto();
            ecu.guasti = {};
            ecu.accendi();
        }
    }
}
