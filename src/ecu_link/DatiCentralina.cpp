#include "ecu_link/DatiCentralina.h"

DatiCentralinaRec DatiCentralina;

void AzzeroDatiCentralina()
{
    DatiCentralina.reset();
}

QString Fisso(const QString& valore, int lunghezza)
{
    if (valore.size() >= lunghezza)
        return valore.left(lunghezza);
    return valore + QString(lunghezza - valore.size(), QLatin1Char(' '));
}
