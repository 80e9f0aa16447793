// Pictures of the connection dialog and of the live-data screen during an exchange, in
// the four languages, saved when ZEQ_SCREENSHOTS names a folder (run under a display).
#include "RemoteFixture.h"

#include "platform/Resources.h"

#include <QCoreApplication>
#include <QDir>
#include <QPixmap>

TEST_F(RemoteFixture, SavesScreenshotsWhenAsked)
{
    const QString cartellaFoto = qEnvironmentVariable("ZEQ_SCREENSHOTS");
    if (cartellaFoto.isEmpty())
        GTEST_SKIP() << "set ZEQ_SCREENSHOTS to a folder to save the pictures";
    QDir().mkpath(cartellaFoto);
    Pty pty;
    ASSERT_TRUE(pty.ok());
    MappaPorta(5, pty.slavePath());
    auto foto = [&](QWidget* w, const QString& nome) {
        QCoreApplication::processEvents();
        EXPECT_TRUE(w->grab().save(cartellaFoto + "/" + nome + "-" + Risorse::CodiceLingua(Shell.Lingua) + ".png"));
    };
    auto ricevo = [](const QByteArray& b) {
        GSM.BufferGSM += b;
        GestioneGSM();
    };
    for (int lingua = 1; lingua <= 4; ++lingua) {
        ScaricoTutto();
        GSM.reset();
        Shell.Lingua = lingua;
        Shell.Funzione = 2;
        d = DatiMotore::Carica();
        d->Mostra(false);
        Aggancio* a = Aggancio::Carica();
        a->Mostra(false);
        a->Collega_Click();
        ricevo("ATZ\r\r\nOK\r\n");
        ricevo("\r\nOK\r\n");
        foto(a, "aggancio-dialling");
        ricevo("\r\nBUSY\r\n");
        foto(a, "aggancio-failed");
        a->Esci_Click();
        inStato(GSM_CONNESSO);
        stazione("S00");
        stazione("FP005\\ABCD\\ABCD");
        stazione("FP1S1\x05");
        foto(d, "datimotore-exchange");
        stazione("S01");
        ChiudoPortaGSM();
    }
}
