#include "shell/Config.h"
#include "shell/Modulo.h"
#include "platform/Form.h"
#include "platform/PrivateProfile.h"
#include "support/TestSupport.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QTest>
#include <cstring>
#include <gtest/gtest.h>

namespace {
class ConfigForm : public ::testing::Test {
protected:
    void SetUp() override { Shell.Lingua = 4; }
    void TearDown() override
    {
        if (auto* c = Config::Istanza())
            c->Scarica();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    Config* apri()
    {
        Config* c = Config::Carica();
        c->Mostra(false);
        return c;
    }
    CartellaProgramma app;
};
} // namespace

TEST_F(ConfigForm, MissingFileSelectsDefaults)
{
    Config* c = apri();
    EXPECT_EQ(c->EleS->currentText(), QStringLiteral("COM1"));
    EXPECT_EQ(c->EleSGSM->currentText(), QStringLiteral("COM5"));
    EXPECT_TRUE(c->NumTel->text().isEmpty());
    EXPECT_FALSE(Shell.DatiModificati);
    EXPECT_EQ(c->LabConf[1]->text(), Msg(369));
}

TEST_F(ConfigForm, StoredValuesAreShownAndBadPortsSelectNothing)
{
    app.scrivi("ZEQINST.INI", "[SERIALE]\r\nPorta=COM10\r\nPortaGSM=COM12\r\n[ASSISTENZA]\r\nTelefono= +3912345 \r\n");
    Config* c = apri();
    EXPECT_EQ(c->EleS->currentIndex(), 9);
    EXPECT_EQ(c->EleSGSM->currentIndex(), -1);
    EXPECT_EQ(c->NumTel->text(), QStringLiteral("+3912345"));
    EXPECT_FALSE(Shell.DatiModificati);
}

TEST_F(ConfigForm, TelephoneAcceptsOnlyDigitsAndPlusTypedOrPasted)
{
    Config* c = apri();
    c->NumTel->setFocus();
    QTest::keyClicks(c->NumTel, "+39 a0-5\r1");
    EXPECT_EQ(c->NumTel->text(), QStringLiteral("+39051"));
    c->NumTel->clear();
    c->NumTel->insert(QStringLiteral("12\r\nATH"));   // a paste with other characters is refused
    EXPECT_EQ(c->NumTel->text(), QString());
    EXPECT_TRUE(NumeroTelefonoValido("+390512345"));
    EXPECT_FALSE(NumeroTelefonoValido("0512345\rATH"));
    EXPECT_FALSE(NumeroTelefonoValido("051 2345"));
    EXPECT_FALSE(NumeroTelefonoValido(""));
}

TEST_F(ConfigForm, InvalidChoicesBeepAndSaveNothing)
{
    app.scrivi("ZEQINST.INI", "[SERIALE]\r\nPorta=COM12\r\n");
    Config* c = apri();
    const QByteArray prima = app.leggi("ZEQINST.INI");
    int beep = ContatoreBeep();
    c->Salva_Click();   // no ECU port chosen
    EXPECT_EQ(ContatoreBeep(), beep + 1);
    c->EleS->setCurrentIndex(4);   // same entry as the modem port (COM5)
    c->Salva_Click();
    EXPECT_EQ(ContatoreBeep(), beep + 2);
    EXPECT_EQ(app.leggi("ZEQINST.INI"), prima);
    EXPECT_TRUE(Config::Caricato());
}

TEST_F(ConfigForm, SaveWritesTheThreeKeysAndLeavesTheRestAlone)
{
    const QByteArray prima = "; workshop settings\r\n[WORDPAD]\r\nDirectory=/usr/bin\r\n"
                             "[SERIALE]\r\nPorta=COM1\r\n";
    app.scrivi("ZEQINST.INI", prima);
    Config* c = apri();
    c->EleS->setCurrentIndex(2);
    c->NumTel->setText(QStringLiteral("+39051"));
    EXPECT_TRUE(Shell.DatiModificati);
    c->Salva_Click();
    EXPECT_FALSE(Config::Caricato());
    const QString ini = FileConfigurazione();
    EXPECT_EQ(LeggoProfilo("SERIALE", "Porta", "", ini), QStringLiteral("COM3"));
    EXPECT_EQ(LeggoProfilo("SERIALE", "PortaGSM", "", ini), QStringLiteral("COM5"));
    EXPECT_EQ(LeggoProfilo("ASSISTENZA", "Telefono", "", ini), QStringLiteral("+39051"));
    EXPECT_EQ(LeggoProfilo("WORDPAD", "Directory", "", ini), QStringLiteral("/usr/bin"));
    EXPECT_TRUE(app.leggi("ZEQINST.INI").startsWith("; workshop settings\r\n[WORDPAD]\r\nDirectory=/usr/bin\r\n"));
}

TEST_F(ConfigForm, FailedSaveIsReportedAndTheFormStaysOpen)
{
    app.scrivi("ZEQINST.INI/blocker", "x");   // the configuration file cannot be replaced
    RegistroBox box;
    Config* c = apri();
    c->EleS->setCurrentIndex(1);
    c->Salva_Click();
    ASSERT_EQ(box.conta(), 1);
    EXPECT_EQ(box.box()[0].testo, Msg(164));
    EXPECT_EQ(box.box()[0].titolo, Msg(140));
    EXPECT_FALSE(Msg(164).isEmpty());
    EXPECT_TRUE(Config::Caricato());
}

TEST_F(ConfigForm, EscClosesAtOnceOrAsksWhenSomethingChanged)
{
    {
        RegistroBox box;
        Config* c = apri();
        QTest::keyClick(c, Qt::Key_Escape);
        EXPECT_EQ(box.conta(), 0);
        EXPECT_FALSE(Config::Caricato());
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    {
        RegistroBox box(0);   // NO: leave without saving
        Config* c = apri();
        c->EleSGSM->setCurrentIndex(6);
        c->EleSGSM->setCurrentIndex(4);   // back to the loaded value: still changed
        QTest::keyClick(c, Qt::Key_Escape);
        ASSERT_EQ(box.conta(), 1);
        EXPECT_EQ(box.box()[0].testo, Msg(201));
        EXPECT_EQ(box.box()[0].tipo, 1);
        EXPECT_FALSE(Config::Caricato());
        EXPECT_TRUE(app.leggi("ZEQINST.INI").isEmpty());
    }
}

TEST_F(ConfigForm, AStoredNumberThatCannotBeDialledIsReportedAndCanBeCorrected)
{
    const struct {
        const char* salvato;
        bool avviso;
    } casi[] = {{"051 2345", true}, {"0512345\tATH", true}, {"+390512345", false}, {"", false}};
    for (const auto& c : casi) {
        app.scrivi("ZEQINST.INI", QByteArray("[ASSISTENZA]\r\nTelefono=") + c.salvato + "\r\n");
        RegistroBox box;
        Config* f = apri();
        EXPECT_EQ(box.testi(), c.avviso ? QStringList{Msg(378)} : QStringList{}) << c.salvato;
        if (c.avviso && box.conta() == 1) {
            EXPECT_EQ(box.box()[0].titolo, Msg(140));
        }
        EXPECT_EQ(f->NumTel->text(), QString(c.salvato));
        f->Scarica();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    // Backspace and Delete pass while the number is not valid; nothing that cannot be dialled
    // is added; once corrected, the number is saved.
    app.scrivi("ZEQINST.INI", "[ASSISTENZA]\r\nTelefono=051 2345\r\n");
    RegistroBox box;
    Config* f = apri();
    f->NumTel->setFocus();
    f->NumTel->setCursorPosition(8);
    QTest::keyClick(f->NumTel, Qt::Key_Backspace);
    EXPECT_EQ(f->NumTel->text(), QStringLiteral("051 234"));
    f->NumTel->setCursorPosition(3);
    QTest::keyClicks(f->NumTel, "a-9");
    EXPECT_EQ(f->NumTel->text(), QStringLiteral("0519 234"));
    QTest::keyClick(f->NumTel, Qt::Key_Delete);
    EXPECT_EQ(f->NumTel->text(), QStringLiteral("0519234"));
    QTest::keyClick(f->NumTel, Qt::Key_Space);
    EXPECT_EQ(f->NumTel->text(), QStringLiteral("0519234"));
    const int beep = ContatoreBeep();
    f->Salva_Click();
    EXPECT_EQ(ContatoreBeep(), beep);
    EXPECT_EQ(LeggoProfilo("ASSISTENZA", "Telefono", "", FileConfigurazione()), QStringLiteral("0519234"));
}
