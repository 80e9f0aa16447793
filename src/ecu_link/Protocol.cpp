#include "ecu_link/Protocol.h"

#include "catalogue/MapFiles.h"
#include "ecu_link/Ricezione.h"
#include "shell/Procedure.h"


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

QByteArray RigaScritturaPressione(const QByteArray& testo)
{
    const QByteArrayView prefisso = PrefissoNumero(testo);
    NumeroEsatto n;
    if (!prefisso.isEmpty() && !LeggoNumeroEsatto(prefisso.toByteArray(), n))
        return {};
    // Times 100 as a shift of the decimal point (den is a power of ten).
    if (n.den >= 100) {
        n.den /= 100;
    } else {
        constexpr qint64 limite = 1'000'000'000'000'000;  // far beyond six characters
        if (n.num > limite || n.num < -limite)
            return {};
        n.num *= 100 / n.den;
        n.den = 1;
    }
    const QByteArray campo = FormattoNumero(n, QStringLiteral("#0")).toLatin1();
    if (campo.size() > 6)
        return {};
    return ComandoScritturaPressione + Campo6(campo) + CRLF;
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
