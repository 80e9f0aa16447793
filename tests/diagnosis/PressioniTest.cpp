// The pressure-calibration dialog: limits from LIMITI.TXT, every step of its state table and
// the Rd / Re replies that drive it.
#include "support/AmbienteSimulatore.h"

#include "catalogue/StatoCatalogo.h"
#include "diagnosis/Pressioni.h"

#include <QLabel>
#include <QPushButton>
#include <QTest>

namespace {

class PressioniTest : public AmbienteVeicolo {
protected:
    void SetUp() override
    {
        AmbienteVeicolo::SetUp();
        StatoPressioni.reset();
        StatoCatalogo.TipoGas = 0;
        StatoCatalogo.DirCentralina = cartella->file("AUTO");
        limiti("A;1;2;\r\nB;1;2;\r\nC;1;2;\r\nPressione;1.1;1.3;\r\n");
        scritto.clear();
    }
    void limiti(const QByteArray& testo) { cartella->scrivi("AUTO/LIMITI.TXT", testo); }
    Pressioni* apro()
    {
        Pressioni* p = Pressioni::Carica();
        scritto.clear();
        return p;
    }
    // The buttons shown, by object name.
    static QStringList visibili(Pressioni* p)
    {
        QStringList l;
        for (QPushButton* b : {p->Tastook, p->TastoOK1, p->TastoOK2, p->TastoOK3, p->TastoOK4, p->TastoRip,
                               p->TastoEsci, p->TastoAbbandona})
            if (!b->isHidden() && b->isEnabled())
                l << b->objectName();
        return l;
    }
};

} // namespace

TEST_F(PressioniTest, LimitsComeFromTheFourthLineOfTheLimitsFile)
{
    const QByteArray tre = "A;1;2;\r\nB;1;2;\r\nC;1;2;\r\n";
    const struct { QByteArray file; double min, max; const char* tooltip; } casi[] = {
        {tre + "P;1.1;1.3;\r\n", 1.1, 1.3, "1.1÷1.3"},
        {tre + " P ; 0.95 ;1.25;anything", 0.95, 1.25, "0.95÷1.25"},
        {tre + "P;1.1;1.3", 1.1, 0, "1.1÷0"},      // upper limit not closed: not taken
        {tre + "P;1.1", 0, 0, "0÷0"},               // no second ";": neither
        {tre + "P;x;-2.5;", 0, -2.5, "0÷-2.5"},
        {"A;1;2;\r\nB;1;2;\r\n", 0, 0, "0÷0"},      // no fourth line
        {"", 0, 0, "0÷0"},
    };
    for (const auto& c : casi) {
        SCOPED_TRACE(c.file.toStdString());
        limiti(c.file);
        StatoPressioni.PressMin = StatoPressioni.PressMax = 9;
        Pressioni* p = apro();
        EXPECT_DOUBLE_EQ(StatoPressioni.PressMin, c.min);
        EXPECT_DOUBLE_EQ(StatoPressioni.PressMax, c.max);
        EXPECT_EQ(p->DatoP->toolTip(), QString::fromUtf8(c.tooltip));
        p->Scarica();
    }
    QFile::remove(cartella->file("AUTO/LIMITI.TXT"));
    apro();
    EXPECT_EQ(StatoPressioni.PressMax, 0) << "missing file";
}

TEST_F(PressioniTest, ReadingIsCheckedAgainstTheLimits)
{
    const struct { QByteArray risposta; double min, max; const char* mostrato; bool dentro; } casi[] = {
        {"Rd    1.20\r\n", 1.1, 1.3, "    1.20", true},
        {"Rd    1.10\r\n", 1.1, 1.3, "    1.10", true},     // both limits included
        {"Rd    1.30\r\n", 1.1, 1.3, "    1.30", true},
        {"Rd    1.31\r\n", 1.1, 1.3, "    1.31", false},
        {"Rd    0.00\r\n", 0, 0, "    0.00", true},         // no limits: only 0
        {"Rd    0.01\r\n", 0, 0, "    0.01", false},
        {"Rd   abc  \r\n", 0, 0, "   abc  ", false},        // not a number is never 0
        {"Rd  1.2x  \r\n", 0, 5, "  1.2x  ", false},
        {"Rd 99999.0\r\n", 0, 1e9, " 99999.0", false},      // times 100 needs seven characters
        {"Rd1.2\r\n", 1.1, 1.3, "1.2", true},               // short reply: no line end shown
    };
    for (const auto& c : casi) {
        SCOPED_TRACE(c.risposta.toStdString());
        Pressioni* p = apro();
        StatoPressioni.PressMin = c.min;
        StatoPressioni.PressMax = c.max;
        p->Tastook_Click();
        EXPECT_EQ(scritto, QByteArrayList{"MUD\r\n"});
        EXPECT_FALSE(v->CollegamentoAvviato());
        EXPECT_TRUE(v->RispostaAvviata());
        ricevo(c.risposta);
        EXPECT_FALSE(v->RispostaAvviata());
        EXPECT_EQ(Link.FaseCom, FASE_LETTURA_PRESSIONE);
        EXPECT_EQ(p->DatoP->text(), QString::fromLatin1(c.mostrato));
        EXPECT_TRUE(p->LabTar->isHidden());
        EXPECT_EQ(p->LabInf->text(), c.dentro ? QString() : Msg(245));
        EXPECT_EQ(visibili(p), (c.dentro ? QStringList{"TastoOK1"} : QStringList{"TastoRip", "TastoEsci"}));
        p->Scarica();
    }
}

TEST_F(PressioniTest, StoringThenPowerCycleThenGivingUp)
{
    Pressioni* p = apro();
    EXPECT_EQ(p->windowTitle(), Msg(242));
    EXPECT_EQ(p->LabTar->text(), Msg(243));
    ricevo("Re\r\n");  // a store reply nobody asked for, idle and then while reading
    EXPECT_EQ(visibili(p), QStringList{"Tastook"});
    p->Tastook_Click();
    ricevo("Re\r\n");
    EXPECT_EQ(Link.FaseCom, FASE_LETTURA_PRESSIONE);
    ricevo("Rd    1.25\r\n");
    scritto.clear();
    p->TastoOK1_Click();
    EXPECT_EQ(scritto, QByteArrayList{"MUE000125\r\n"});
    EXPECT_EQ(Link.FaseCom, FASE_SCRITTURA_PRESSIONE);
    ricevo("Rd    1.20\r\n");  // not awaited any more
    EXPECT_EQ(p->DatoP->text(), "    1.25");
    ricevo("Re\r\n");
    EXPECT_EQ(Link.FaseCom, FASE_SPEGNIMENTO);
    EXPECT_EQ(p->LabInf->text(), Msg(247));
    EXPECT_EQ(visibili(p), QStringList{"TastoOK2"});
    EXPECT_TRUE(v->CollegamentoAvviato()) << "the switched-off ECU must be noticed";

    Link.Collegato = true;
    p->TastoOK2_Click();
    EXPECT_EQ(visibili(p), QStringList{"TastoOK2"}) << "ignored while the ECU is still seen";
    Link.Collegato = false;
    p->TastoOK2_Click();
    EXPECT_EQ(p->LabInf->text(), Msg(206));
    EXPECT_EQ(visibili(p), (QStringList{"TastoOK4", "TastoAbbandona"}));

    Link.DatiRicevuti = false;
    p->TastoOK4_Click();
    EXPECT_EQ(p->LabTar->text(), Msg(205));
    EXPECT_FALSE(p->LabTar->isHidden());
    EXPECT_TRUE(p->DatoP->isHidden());
    EXPECT_EQ(Link.FaseCom, FASE_SPEGNIMENTO);
    EXPECT_FALSE(Link.InterrogoDati);

    p->TastoAbbandona_Click();
    EXPECT_EQ(p->LabTar->text(), Msg(207));
    EXPECT_EQ(visibili(p), QStringList{"TastoOK3"});
    QTest::keyClick(p, Qt::Key_Escape);
    EXPECT_TRUE(Pressioni::Caricato()) << "Esc does nothing";
    p->TastoOK3_Click();
    EXPECT_FALSE(Pressioni::Caricato());
    EXPECT_TRUE(scritto.size() == 1);
}

TEST_F(PressioniTest, RepeatKeepsTheCaptionAndGoingOnStoresNothing)
{
    Pressioni* p = apro();
    p->LabTar->setText("last caption");
    p->Tastook_Click();
    ricevo("Rd    2.00\r\n");
    p->TastoRip_Click();
    EXPECT_FALSE(p->LabTar->isHidden());
    EXPECT_EQ(p->LabTar->text(), "last caption");
    EXPECT_TRUE(p->DatoP->text().isEmpty());
    EXPECT_TRUE(p->LabInf->isHidden());
    EXPECT_EQ(visibili(p), QStringList{"Tastook"});

    p->Tastook_Click();
    ricevo("Rd    2.00\r\n");
    scritto.clear();
    Veicolo::FermoCollegamento();
    p->TastoEsci_Click();
    EXPECT_EQ(Link.FaseCom, FASE_SPEGNIMENTO);
    EXPECT_EQ(p->LabInf->text(), Msg(247));
    EXPECT_EQ(visibili(p), QStringList{"TastoOK2"});
    EXPECT_TRUE(v->CollegamentoAvviato());
    EXPECT_TRUE(scritto.isEmpty());
}

TEST_F(PressioniTest, ReplyToAClosedDialogEndsItsState)
{
    Link.FaseCom = FASE_SCRITTURA_PRESSIONE;
    Veicolo::AvvioRisposta();
    ricevo("Re\r\n");
    EXPECT_EQ(Link.FaseCom, FASE_SPEGNIMENTO);
    EXPECT_FALSE(v->RispostaAvviata());
    Link.FaseCom = FASE_LETTURA_PRESSIONE;
    ricevo("Rd    1.20\r\n");
    EXPECT_FALSE(Pressioni::Caricato());
}

// ---- with the ECU simulator over a pseudo-terminal ----

namespace {

class PressioniSimulatore : public AmbienteSimulatore {
protected:
    Pressioni* p = nullptr;
    void SetUp() override
    {
        AmbienteSimulatore::SetUp();
        StatoPressioni.reset();
        FormTimer::ImpostaScalaTempo(0.2);
        cartella->scrivi("AUTO/LIMITI.TXT", "A;1;2;\r\nB;1;2;\r\nC;1;2;\r\nP;1.1;1.2;\r\n");
        ASSERT_NE(collegato(), nullptr);
    }
    void apro(int tipoGas)
    {
        StatoCatalogo.TipoGas = tipoGas;
        StatoCatalogo.DirCentralina = cartella->file("AUTO");
        p = Pressioni::Carica();
        p->show();
    }
    bool attendo(const std::function<bool()>& c) { return AttendiFinche(c); }
    // From the switch-off request to the verdict.
    void cicloAccensione(int verdetto)
    {
        ecu.spegni();
        ASSERT_TRUE(attendo([] { return !Link.Collegato; }));
        EXPECT_TRUE(Pressioni::Caricato());
        p->TastoOK2_Click();
        ASSERT_FALSE(p->TastoOK4->isHidden());
        EXPECT_TRUE(p->LabTar->isHidden());
        EXPECT_TRUE(p->LabInf->isVisible() && p->LabInf->text() == Msg(206));
        ecu.accendi();
        ASSERT_TRUE(attendo([] { return Link.DatiRicevuti; }));
        p->TastoOK4_Click();
        ASSERT_TRUE(attendo([this, verdetto] { return p->LabTar->text() == Msg(verdetto); }));
        ASSERT_TRUE(ricevuto("MU3"));
        EXPECT_FALSE(Link.Collegato);
        EXPECT_FALSE(p->TastoOK3->isHidden());
        p->TastoOK3_Click();
        EXPECT_FALSE(Pressioni::Caricato());
        EXPECT_EQ(box->conta(), 0);
    }
};

} // namespace

TEST_F(PressioniSimulatore, DefaultReadingIsStoredAndKeptAfterThePowerCycle)
{
    apro(0);
    p->Tastook_Click();
    ASSERT_TRUE(attendo([this] { return !p->TastoOK1->isHidden(); }));
    EXPECT_EQ(p->DatoP->text(), "    1.20");
    p->TastoOK1_Click();
    ASSERT_TRUE(attendo([] { return Link.FaseCom == FASE_SPEGNIMENTO; }));
    EXPECT_EQ(ecu.pressioneMemorizzata(), "000120");
    cicloAccensione(151);
    EXPECT_EQ(comandi(), (QList<QByteArray>{"MUD", "MUE000120", "MUB", "MU3"}));
}

TEST_F(PressioniSimulatore, NegativeReadingIsStoredAsSent)
{
    cartella->scrivi("AUTO/LIMITI.TXT", "A;1;2;\r\nB;1;2;\r\nC;1;2;\r\nP;-1;1;\r\n");
    ecu.pressione = "   -0.50";
    apro(0);
    p->Tastook_Click();
    ASSERT_TRUE(attendo([this] { return !p->TastoOK1->isHidden(); }));
    p->TastoOK1_Click();
    ASSERT_TRUE(attendo([] { return Link.FaseCom == FASE_SPEGNIMENTO; }));
    EXPECT_EQ(ecu.pressioneMemorizzata(), "000-50");
}

TEST_F(PressioniSimulatore, DataLostAtThePowerCycle)
{
    apro(0);
    p->Tastook_Click();
    ASSERT_TRUE(attendo([this] { return !p->TastoOK1->isHidden(); }));
    p->TastoOK1_Click();
    ASSERT_TRUE(attendo([] { return Link.FaseCom == FASE_SPEGNIMENTO; }));
    ecu.opzioni.datiPersi = true;  // the ECU comes back without its data
    cicloAccensione(152);
}

TEST_F(PressioniSimulatore, OutOfRangeRepeatedThenLeftWithoutStoringAndAShortIdentity)
{
    ecu.pressione = "    1.25";
    ecu.opzioni.rispostaBreve = true;
    apro(0);
    for (int volta = 0; volta < 2; ++volta) {
        p->Tastook_Click();
        ASSERT_TRUE(attendo([this] { return !p->TastoRip->isHidden(); }));
        EXPECT_EQ(p->LabInf->text(), Msg(245));
        if (volta == 0)
            p->TastoRip_Click();
    }
    p->TastoEsci_Click();
    cicloAccensione(152);
    EXPECT_TRUE(ecu.pressioneMemorizzata().isEmpty());
    EXPECT_EQ(comandi(), (QList<QByteArray>{"MUD", "MUD", "MUB", "MU3"}));
}

TEST_F(PressioniSimulatore, SilenceAfterTheReadClosesTheDialog)
{
    ecu.guasti.silenzio = true;
    ecu.guasti.soloPer = "MUD";
    apro(0);
    p->Tastook_Click();
    ASSERT_TRUE(attendo([] { return !Pressioni::Caricato(); }));
    EXPECT_EQ(box->testi(), QStringList{Msg(246)});
    EXPECT_TRUE(ricevuto("MU3"));
    EXPECT_FALSE(Link.Collegato);
}

TEST_F(PressioniSimulatore, CngGoesStraightToThePowerCycle)
{
    apro(1);
    EXPECT_EQ(p->windowTitle(), Msg(140));
    EXPECT_EQ(p->LabTar->text(), Msg(247));
    EXPECT_EQ(Link.FaseCom, FASE_SPEGNIMENTO);
    cicloAccensione(151);
    EXPECT_EQ(comandi(), (QList<QByteArray>{"MUB", "MU3"}));
}
