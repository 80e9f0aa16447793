#include "platform/ExternalProgram.h"

#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
#include <QProcess>
#include <QTimer>

#include <algorithm>

EsitoProgramma AvvioEAttendo(const QString& programma, const QStringList& argomenti)
{
    EsitoProgramma esito;
    QProcess p;
    p.setProcessChannelMode(QProcess::ForwardedChannels);
    QEventLoop attesa;
    bool finito = false;
    QObject::connect(&p, &QProcess::finished, &attesa, [&](int codice, QProcess::ExitStatus stato) {
        esito.terminato = stato == QProcess::NormalExit;
        esito.codice = esito.terminato ? codice : -1;
        finito = true;
        attesa.quit();
    });
    QObject::connect(&p, &QProcess::errorOccurred, &attesa, [&](QProcess::ProcessError e) {
        if (e == QProcess::FailedToStart) {
            finito = true;
            attesa.quit();
        }
    });
    p.setProgram(programma);
    p.setArguments(argomenti);
    p.start();
    p.closeWriteChannel();  // a program that reads its input sees its end at once
    if (!finito)
        attesa.exec();
    esito.avviato = p.error() != QProcess::FailedToStart;
    if (!esito.avviato || !esito.terminato)
        esito.errore = p.errorString();
    return esito;
}

EsitoProgramma AvvioSenzaAttendere(const QString& programma, const QStringList& argomenti,
                                   const std::function<void(const EsitoProgramma&)>& fine, int attesa)
{
    EsitoProgramma esito;
    // Owned by nobody but itself: a QProcess destroyed with a screen would kill its program.
    auto* p = new QProcess;
    p->setProgram(programma);
    p->setArguments(argomenti);
    p->setStandardInputFile(QProcess::nullDevice());
    p->setProcessChannelMode(QProcess::ForwardedChannels);
    // The time within which an end is told; once it is up the program is told as running.
    auto* scadenza = new QTimer(p);
    scadenza->setSingleShot(true);
    QObject::connect(scadenza, &QTimer::timeout, p, [fine] {
        EsitoProgramma inCorso;
        inCorso.avviato = true;
        inCorso.inCorso = true;
        if (fine)
            fine(inCorso);
    });
    QObject::connect(p, &QProcess::finished, p, [p, scadenza, fine](int codice, QProcess::ExitStatus stato) {
        const bool inTempo = scadenza->isActive();
        scadenza->stop();
        EsitoProgramma fineEsito;
        fineEsito.avviato = true;
        fineEsito.terminato = stato == QProcess::NormalExit;
        fineEsito.codice = fineEsito.terminato ? codice : -1;
        if (!fineEsito.terminato)
            fineEsito.errore = p->errorString();
        p->deleteLater();
        if (inTempo && fine)
            fine(fineEsito);
    });
    p->start();
    // Only the start is waited for (the exec), never the program's end.
    esito.avviato = p->waitForStarted(-1);
    if (!esito.avviato) {
        esito.errore = p->errorString();
        delete p;
        return esito;
    }
    scadenza->start(std::max(attesa, 0));
    return esito;
}

QString ProgrammaEsterno(const QString& nomeOriginale)
{
#ifdef Q_OS_WIN
    return nomeOriginale;
#else
    if (nomeOriginale.compare(QLatin1String("WORDPAD.EXE"), Qt::CaseInsensitive) == 0
        || nomeOriginale.compare(QLatin1String("ACRORD32.EXE"), Qt::CaseInsensitive) == 0)
        return QStringLiteral("xdg-open");
    return nomeOriginale;
#endif
}

QString CercaNelPath(const QString& programma)
{
    if (programma.isEmpty() || programma.contains(QLatin1Char('/')))
        return {};
    const QStringList cartelle =
        qEnvironmentVariable("PATH").split(QDir::listSeparator(), Qt::SkipEmptyParts);
    for (const QString& c : cartelle) {
        // A relative entry ("." or "bin") would find a program in whatever folder is current.
        if (QDir::isRelativePath(c))
            continue;
        const QFileInfo fi(QDir(c).filePath(programma));
        if (fi.isFile() && fi.isExecutable())
            return c;
    }
    return {};
}
