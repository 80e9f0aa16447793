// The tank-level screen: the read at opening, editing, the lines it stores and the guard
// against sending parameters that were not read since it opened.
#include "support/AmbienteSimulatore.h"

#include "catalogue/StatoCatalogo.h"
#include "catalogue/StatoFile.h"
#include "diagnosis/LivSerb.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QCoreApplication>
#include <QTest>

namespace {

class LivSerbTest : public AmbienteVeicolo {
protected:
    void SetUp() override
    {
        AmbienteVeicolo::SetUp();
        StatoFile.reset();
        StatoCatalogo.TipoGas = 0;
        StatoCatalogo.DirCentralina = cartella->file("AUTO");
        DatiCentralina.TipoCentralina = 3;
        Link.Collegato = true;
    }
    LivSerb* apro(bool vecchio)
    {
        DatiCentralina.SwVecchio = vecchio;
        Veicolo::AvvioCollegamento();
        LivSerb* s = LivSerb::Carica();
        return s;
    }
};

} // namespace

TEST_F(LivSerbTest, OpeningReadsTheParameters)
{
    const struct { bool vecchio; const char* riga; int fase; } casi[] = {
        {false, "MUFN\r\n", FASE_LEGGI_SERBATOIO_N},
        {true, "MUFR\r\n", FASE_LEGGI_SERBATOIO},
    };
    for (const auto& c : casi) {
        scritto.clear();
        LivSerb* s = apro(c.vecchio);
        EXPECT_EQ(scritto, QByteArrayList{c.riga});
        EXPECT_EQ(Link.BufferTx, c.riga);
        EXPECT_EQ(Link.FaseCom, c.fase);
        EXPECT_EQ(s->Segnalazione->text(), Msg(254));
        EXPECT_FALSE(s->Esci->isEnabled());
        EXPECT_FALSE(s->DatiPar[0]->isEnabled());
        EXPECT_FALSE(v->CollegamentoAvviato());
        EXPECT_TRUE(v->RispostaAvviata());
        EXPECT_TRUE(s->FuoriLinea->Enabled());
        EXPECT_EQ(s->windowTitle(), Msg(185).trimmed());
        s->Scarica();
    }
}

TEST_F(LivSerbTest, NewerSoftwareSendsBackWhatTheEcuReported)
{
    LivSerb* s = apro(false);
    scritto.clear();
    // Pressed before the reply: nothing that was not read is sent.
    s->Salva->setEnabled(true);
    s->DatiPar[0]->setText("1000");
    s->DatiPar[1]->setText("3000");
    const int beep = ContatoreBeep();
    s->Salva_Click();
    EXPECT_TRUE(scritto.isEmpty());
    EXPECT_EQ(s->Segnalazione->text(), Msg(259));
    EXPECT_EQ(ContatoreBeep(), beep + 1);
    // A reply cut short in its type field answers the request with the map's defaults in
    // red, and still nothing goes out.
    ricevo("Rfn001300002800000001000025000001002500001500000012ABCD\r\n");
    EXPECT_EQ(Link.FaseCom, FASE_LIBERA);
    EXPECT_EQ(s->DatiPar[0]->text(), "1200");
    EXPECT_EQ(s->DatiPar[0]->palette().color(QPalette::Text), QColor(Qt::red));
    EXPECT_TRUE(s->Esci->isEnabled());
    s->Salva_Click();
    EXPECT_TRUE(scritto.isEmpty());
    EXPECT_EQ(s->Segnalazione->text(), Msg(259));
    s->Scarica();
    s = apro(false);
    scritto.clear();

    ricevo("Rfn001300002800000001000025000001002500001500000012ABCDEF\r\n");
    EXPECT_EQ(StatoFile.ParSerbatoio, QString("1200295002512500" "1500" "  120001ABCDEF"));
    EXPECT_EQ(s->DatiPar[0]->text(), "  1300");
    s->DatiPar[0]->setText("1100");
    s->Commutatore->setChecked(false);
    s->Salva_Click();
    // Fields 4-8 from the parameter string (" 25" as 000025), field 9 its characters 25-30.
    EXPECT_EQ(scritto, QByteArrayList{"MUFS001100002800000000000025000001002500001500000012" "0001AB\r\n"});
    EXPECT_EQ(scritto.value(0).size(), 60);
    EXPECT_EQ(Link.FaseCom, FASE_SALVA_SERBATOIO);
    EXPECT_EQ(s->Segnalazione->text(), Msg(215));
    EXPECT_FALSE(s->Esci->isEnabled());
    ricevo("Rfsko\r\n");
    EXPECT_EQ(s->Segnalazione->text(), Msg(252));
    EXPECT_TRUE(s->Esci->isEnabled());
    EXPECT_TRUE(v->CollegamentoAvviato());

    // Opened again: the last opening's parameters are not this one's.
    s->Scarica();
    s = apro(false);
    scritto.clear();
    s->DatiPar[0]->setText("1000");
    s->DatiPar[1]->setText("3000");
    s->Salva_Click();
    EXPECT_TRUE(scritto.isEmpty());
    EXPECT_EQ(s->Segnalazione->text(), Msg(259));
}

TEST_F(LivSerbTest, EditingAndEmptyFields)
{
    LivSerb* s = apro(false);
    ricevo("Rfn001300002800000001000025000001002500000150000012000001\r\n");
    s->show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(s, 20000));
    const int beep = ContatoreBeep();
    s->DatiPar[0]->setFocus();
    EXPECT_EQ(s->DatiPar[0]->text(), "1300") << "trimmed on focus";
    QTest::keyClicks(s->DatiPar[0], "x5-");
    EXPECT_EQ(s->DatiPar[0]->text(), "13005");
    EXPECT_EQ(ContatoreBeep(), beep) << "no beep on this screen";
    QTest::keyClick(s->DatiPar[0], Qt::Key_Return);
    EXPECT_EQ(QApplication::focusWidget(), s->AcqMin);
    EXPECT_EQ(s->DatiPar[0]->text(), " 13005");
    s->DatiPar[1]->setFocus();
    QTest::keyClick(s->DatiPar[1], Qt::Key_Space);
    EXPECT_TRUE(s->DatiPar[1]->text().isEmpty());

    // Live tank reading taken as the highest level.
    Diagnosi.DatiVideo[0].Valore[5] = "  2711.5";
    Link.DatiRicevuti = true;
    s->AcqMax_Click();
    EXPECT_EQ(s->DatiPar[1]->text(), "  2712");

    scritto.clear();
    s->DatiPar[0]->clear();
    s->Salva_Click();
    EXPECT_TRUE(scritto.isEmpty()) << "an empty text is not a number";
    EXPECT_EQ(QApplication::focusWidget(), s->DatiPar[0]);
    EXPECT_EQ(ContatoreBeep(), beep + 1);
}

// ---- with the ECU simulator over a pseudo-terminal ----

namespace {

class LivSerbSimulatore : public AmbienteSimulatore {
protected:
    LivSerb* apro()
    {
        StatoCatalogo.DirCentralina = cartella->file("AUTO");
        LivSerb* s = LivSerb::Carica();
        AttendiFinche([] { return Link.FaseCom == FASE_LIBERA; });
        return s;
    }
};

} // namespace

TEST_F(LivSerbSimulatore, NewerSoftwareStoresTheEditedLevelsAndSendsTheRestBack)
{
    ecu.valori.imposta(ecusim::Canale::LivelloGas, 2222);
    ASSERT_NE(collegato(), nullptr);
    LivSerb* s = apro();
    EXPECT_EQ(comandi(), QList<QByteArray>{"MUFN"});
    EXPECT_EQ(s->DatiPar[0]->text(), "  1200");
    EXPECT_EQ(s->DatiPar[1]->text(), "  2950");
    s->DatiPar[0]->setText("1000");
    ASSERT_TRUE(AttendiFinche([] { return Link.DatiRicevuti; }));
    s->AcqMax_Click();
    s->Commutatore->setChecked(true);
    s->Salva_Click();
    ASSERT_TRUE(AttendiFinche([s] { return s->Segnalazione->text() == Msg(255); }));
    // Fields 1-3 as edited, 4-8 as the ECU reported them, 9 the parameter string's 25-30.
    EXPECT_EQ(comandi().value(1), "MUFS001000002222000001000045000000001500000100000010000100");
    EXPECT_EQ(ecu.parametri, (std::array<int, 8>{1000, 2222, 1, 45, 0, 1500, 100, 10}));
    s->Esci_Click();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    s = apro();
    EXPECT_EQ(s->DatiPar[1]->text(), "  2222");
    EXPECT_TRUE(s->Commutatore->isChecked());
}

TEST_F(LivSerbSimulatore, OlderSoftwareStoresThreeFields)
{
    ecu.identita.versioneSw = "01.000315";
    ASSERT_NE(collegato(), nullptr);
    ASSERT_TRUE(DatiCentralina.SwVecchio);
    StatoCatalogo.DirCentralina = cartella->file("AUTO");
    LivSerb* s = LivSerb::Carica();
    EXPECT_FALSE(s->Salva->isEnabled());
    s->FuoriLinea_Timer();
    EXPECT_TRUE(s->DatiPar[0]->isEnabled());
    EXPECT_FALSE(s->Salva->isEnabled()) << "only the reply enables the save";
    ASSERT_TRUE(AttendiFinche([] { return Link.FaseCom == FASE_LIBERA; }));
    EXPECT_EQ(comandi(), QList<QByteArray>{"MUFR"});
    EXPECT_TRUE(s->Salva->isEnabled());
    EXPECT_EQ(StatoFile.ParSerbatoio, "120029500");
    s->DatiPar[1]->setText("2800");
    s->Salva_Click();
    ASSERT_TRUE(AttendiFinche([s] { return s->Segnalazione->text() == Msg(255); }));
    EXPECT_EQ(comandi().value(1), "MUFS001200002800000000");  // 24 characters with CR LF
    EXPECT_EQ(ecu.parametri[1], 2800);
}
