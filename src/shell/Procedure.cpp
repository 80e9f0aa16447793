#include "shell/Procedure.h"

#include <QTime>

void CambioVirgola(QString& testo)
{
    testo.replace(QLatin1Char(','), QLatin1Char('.'));
}

static double orologioDiSistema()
{
    return QTime::currentTime().msecsSinceStartOfDay() / 1000.0;
}

static double (*g_orologio)() = orologioDiSistema;

double SecondiDaMezzanotte()
{
    return g_orologio();
}

void ImpostaOrologio(double (*orologio)())
{
    g_orologio = orologio ? orologio : orologioDiSistema;
}

void Attendo(double secondi)
{
    const double inizio = SecondiDaMezzanotte();
    for (;;) {
        double trascorso = SecondiDaMezzanotte() - inizio;
        if (trascorso < 0)
            trascorso += 86400.0;
        if (trascorso >= secondi)
            return;
    }
}

#include "platform/DriveSearch.h"

QString CercoFile(const QString& unita, const QString& nomeFile, const QStringList& listaUnita)
{
    // The work lists are kept in memory: no list files are written to the current folder.
    const QStringList radici = unita == QLatin1String("*") ? listaUnita : QStringList{unita};
    return CercaCartella(radici, nomeFile);
}
