// The send dialog, the ECU information box and the wait box in the four languages: every
// caption fits its control. With ZEQ_SCREENSHOTS set to a folder the forms are also saved
// there as pictures (run on a real or virtual display to look at them).
#include "support/InvioConfigurazione.h"
#include "support/Schermate.h"

#include "vehicle/VisInf.h"

#include <QCoreApplication>
#include <QDir>
#include <QLabel>
#include <QPushButton>

namespace {

class DialoghiInvio : public AmbienteLink {};

} // namespace

TEST_F(DialoghiInvio, CaptionsFitInEveryLanguage)
{
    IdentitaTipoUno();
    DatiCentralina.ErroriDati = 4;   // the warning line shows as well
    const char* codici[] = {"pl", "fr", "es", "en"};
    for (int lingua = 1; lingua <= 4; ++lingua) {
        SCOPED_TRACE(lingua);
        Shell.Lingua = lingua;
        MandoDati* m = MandoDati::Carica();
        m->ModoMappa(QStringLiteral("5"));
        EXPECT_EQ(m->windowTitle(), Msg(354));
        EXPECT_FALSE(m->TastoSI->icon().isNull());
        EXPECT_FALSE(m->TastoNO->icon().isNull());
        TestiInteri(m);
        Fotografo(m, QStringLiteral("MandoDati-%1").arg(QLatin1String(codici[lingua - 1])));
        m->MostroAvanzamento(47, 95);
        TestiInteri(m);
        Fotografo(m, QStringLiteral("MandoDati-upload-%1").arg(QLatin1String(codici[lingua - 1])));
        VisInf* i = VisInf::Carica();
        EXPECT_EQ(i->windowTitle(), Msg(226));
        TestiInteri(i);
        Fotografo(i, QStringLiteral("VisInf-%1").arg(QLatin1String(codici[lingua - 1])));
        Attesa* a = Attesa::Carica();
        EXPECT_EQ(a->windowTitle(), Msg(223));
        TestiInteri(a);
        Fotografo(a, QStringLiteral("Attesa-%1").arg(QLatin1String(codici[lingua - 1])));
        ScaricoTutto();
    }
}
