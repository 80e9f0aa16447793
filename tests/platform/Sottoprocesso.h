#pragma once
// Runs one test of this program in a child process (the "helper" tests that do nothing unless
// their environment variable is set), optionally as the unprivileged user "nobody", and
// returns what it printed on standard output.
#include <QCoreApplication>
#include <QProcess>
#include <QStringList>

#include <grp.h>
#include <unistd.h>

inline QByteArray EseguiAiutante(const QString& test, const QStringList& ambiente, bool senzaPrivilegi)
{
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const QString& v : ambiente)
        env.insert(v.section(QLatin1Char('='), 0, 0), v.section(QLatin1Char('='), 1));
    p.setProcessEnvironment(env);
    if (senzaPrivilegi) {
        p.setChildProcessModifier([] {
            const gid_t g = 65534;
            if (::setgroups(1, &g) != 0 || ::setgid(g) != 0 || ::setuid(65534) != 0)
                ::_exit(97);
        });
    }
    p.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--gtest_filter=") + test});
    p.waitForFinished(120000);
    return p.readAllStandardOutput();
}

// The value printed by a helper as "RISULTATO=<value>" on a line of its own.
inline QString RisultatoAiutante(const QByteArray& uscita)
{
    for (const QByteArray& riga : uscita.split('\n'))
        if (riga.startsWith("RISULTATO="))
            return QString::fromUtf8(riga.mid(10));
    return QStringLiteral("<no result>");
}
