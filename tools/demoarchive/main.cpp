// Writes a demo customer archive with a few hundred invented customers into a program folder.
// Usage: demoarchive <program folder> [number of customers]
#include "demoarchive/lib/ArchivioDemo.h"

#include <QCoreApplication>
#include <QStringList>

#include <cstdio>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList a = app.arguments();
    if (a.size() < 2 || a[1].startsWith('-')) {
        std::fprintf(stderr, "usage: demoarchive <program folder> [customers]\n");
        return 2;
    }
    const int numero = a.size() > 2 ? a[2].toInt() : 400;
    QString errore;
    const int n = ArchivioDemo::Genera(a[1], numero > 0 ? numero : 400, 2026, &errore);
    if (n < 0) {
        std::fprintf(stderr, "demoarchive: %s\n", qPrintable(errore));
        return 1;
    }
    std::printf("%d customers written to %s/ARCHIVI/ARCHIVIO.MDB\n", n, qPrintable(a[1]));
    return 0;
}
