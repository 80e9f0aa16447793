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

#include "platform/ExternalProgram.h"
#include "platform/Files.h"
#include "platform/PrivateProfile.h"
#include "shell/Modulo.h"

#include "platform/Form.h"

QString CartellaProgrammaEsterno(const QString& sezione, const QString& nomeOriginale)
{
    const QString programma = ProgrammaEsterno(nomeOriginale);
    const QString file = FileConfigurazione();
    Shell.LungIni = LeggoProfilo(sezione, QStringLiteral("Directory"), QString(), Shell.BufferIni, file);
    const QString ricordata = Shell.BufferIni.left(Shell.LungIni);
    if (!ricordata.isEmpty() && Esiste(Files::Percorso(ricordata, programma), 0))
        return ricordata;
    QString trovata = CercaNelPath(programma);
    if (trovata.isEmpty()) {
        const int puntatore = PuntatoreAttuale();
        ImpostoPuntatore(11);
        trovata = CercoFile(QStringLiteral("*"), programma, RadiciLocali());
        ImpostoPuntatore(puntatore);
    }
    if (!trovata.isEmpty())
        ScrivoProfilo(sezione, QStringLiteral("Directory"), trovata, file);
    return trovata;
}
