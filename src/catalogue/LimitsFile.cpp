#include "catalogue/LimitsFile.h"

#include "catalogue/MapFiles.h"

#include <QFile>
#include <QFileInfo>

FileLimiti LeggoFileLimiti(const QString& percorso, int righe)
{
    FileLimiti r;
    QFile f(percorso);
    if (!QFileInfo(percorso).isFile())
        return r;
    r.esiste = true;
    if (!f.open(QIODevice::ReadOnly))
        return r;
    while (r.righe.size() < righe && !f.atEnd()) {
        QByteArray linea = f.readLine(64 * 1024);
        if (linea.isEmpty() && f.error() != QFile::NoError)
            break;
        while (linea.endsWith('\n') || linea.endsWith('\r'))
            linea.chop(1);
        RigaLimiti riga;
        qsizetype p = 0;
        for (int campo = 0; campo < 3; ++campo) {
            const qsizetype q = linea.indexOf(';', p);
            if (q < 0)
                break;
            riga.campi = campo + 1;
            const QByteArrayView testo = QByteArrayView(linea).sliced(p, q - p);
            if (campo == 1)
                riga.minimo = Val(testo);
            else if (campo == 2)
                riga.massimo = Val(testo);
            p = q + 1;
        }
        r.righe.append(riga);
    }
    return r;
}
