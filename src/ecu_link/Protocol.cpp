#include "ecu_link/Protocol.h"

#include "ecu_link/Ricezione.h"

#include <QLocale>
#include <cmath>

namespace Protocollo {

QByteArray Campo6(const QByteArray& valore)
{
    return (QByteArrayLiteral("000000") + valore).right(6);
}

QByteArray RigaDataInstallazione(const QByteArray& giorno, const QByteArray& mese,
                                 const QByteArray& anno)
{
    return ComandoDataInstallazione + (QByteArrayLiteral("00") + giorno.trimmed()).right(2) +
           (QByteArrayLiteral("00") + mese.trimmed()).right(2) +
           (QByteArrayLiteral("0000") + anno).right(4) + CRLF;
}

QByteArray RigaScritturaPressione(double valore)
{
    // "#0": rounded to a whole number, halves to even as the original formatting did.
    const double v = std::nearbyint(valore * 100.0);
    return ComandoScritturaPressione + Campo6(QLocale::c().toString(v, 'f', 0).toLatin1()) + CRLF;
}

QByteArray BloccoTabella(const QByteArray& immagine, int n)
{
    QByteArray b = ComandoBloccoTabella;
    b += QByteArray::number(n).rightJustified(3, '0').right(3);
    b += (qint64(n + 1) * 180 >= immagine.size()) ? '$' : '0';
    b += immagine.mid(qsizetype(n) * 180, 180);
    b += CalcoloCS(b);
    return b + CRLF;
}

} // namespace Protocollo
