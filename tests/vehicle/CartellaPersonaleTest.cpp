#include "support/Ambiente.h"

#include "catalogue/StatoCatalogo.h"
#include "vehicle/StatoVeicolo.h"

#include <QDir>
#include <QLineEdit>

namespace {
using CartellaPersonale = AmbienteVeicolo;
} // namespace

// The personalised-map folder follows the loaded plate and the software generation the ECU
// reports, whatever was typed meanwhile.
TEST_F(CartellaPersonale, FollowsTheLoadedPlateAndTheSoftwareGeneration)
{
    struct Caso {
        const char* nome;
        QString targa;
        QByteArray tipo, sw;
        QString attesa;   // relative to the program folder; "-" = empty
    };
    const Caso casi[] = {
        {"older software", "AB123     ", "02", "02.10ABCD", "PERSONALIZZATE/AB123"},
        {"newer software", "AB123     ", "03", "03.10ABCD", ""},
        {"older software, no plate loaded", "", "02", "02.10ABCD", "-"},
        {"older software, plate that names no folder", "A/B", "02", "02.10ABCD", "-"},
    };
    for (const Caso& c : casi) {
        SCOPED_TRACE(c.nome);
        StatoCatalogo.Cliente = c.targa;
        StatoVeicolo.DirPersonal = QStringLiteral("stale");
        v->Cliente->setText(QStringLiteral("ZZ999"));   // typing does not move the folder
        v->Attivo_Click();
        ricevo(TramaDCSemplice());
        Identita id;
        id.tipo = c.tipo;
        id.sw = c.sw;
        ricevo(id.R8());
        const QString attesa = c.attesa == QLatin1String("-") ? QString()
                                                                : QDir(cartella->path()).filePath(c.attesa);
        EXPECT_EQ(QDir::cleanPath(StatoVeicolo.DirPersonal), QDir::cleanPath(attesa));
        Link.FaseCom = FASE_LIBERA;
        Link.Collegato = false;
    }
}
