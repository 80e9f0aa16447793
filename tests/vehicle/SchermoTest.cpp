#include "SchermoVeicolo.h"

#include <QDir>

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
