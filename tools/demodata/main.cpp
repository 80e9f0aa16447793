// demodata --program <dir> --media <dir>: writes a synthetic installed program folder and a
// synthetic installer-media folder with invented makes, models, maps, rails and software.
#include "demodata/lib/DemoData.h"

#include <QCoreApplication>
#include <QStringList>

#include <cstdio>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList a = app.arguments();
    QString programma;
    QString supporto;
    for (int i = 1; i < a.size(); ++i) {
        if (a[i] == QLatin1String("--program") && i + 1 < a.size())
            programma = a[++i];
        else if (a[i] == QLatin1String("--media") && i + 1 < a.size())
            supporto = a[++i];
        else {
            std::fprintf(stderr, "usage: demodata --program <dir> --media <dir>\n");
            return 2;
        }
    }
    if (programma.isEmpty() && supporto.isEmpty()) {
        std::fprintf(stderr, "usage: demodata --program <dir> --media <dir>\n");
        return 2;
    }
    QString errore;
    if (!programma.isEmpty() && !DemoData::ScrivoProgramma(programma, &errore)) {
        std::fprintf(stderr, "demodata: %s\n", qPrintable(errore));
        return 1;
    }
    if (!supporto.isEmpty() && !DemoData::ScrivoSupporto(supporto, &errore)) {
        std::fprintf(stderr, "demodata: %s\n", qPrintable(errore));
        return 1;
    }
    return 0;
}
