#include "gsmsim/lib/Controllo.h"

#include <QFile>
#include <QFileInfo>

namespace gsmsim {

namespace {
bool Leggo(const QString& percorso, QByteArray& dati)
{
    QFile f(percorso);
    if (!f.open(QIODevice::ReadOnly))
        return false;
    dati = f.readAll();
    return true;
}

QString Catalogo(GsmModel& m, const QStringList& a)
{
    if (a.size() < 6)
        return QStringLiteral("catalogue MAKE KEY PRN MAP LIMITS [N]");
    QByteArray prn, mappa, limiti;
    if (!Leggo(a[3], prn) || !Leggo(a[4], mappa) || !Leggo(a[5], limiti))
        return QStringLiteral("cannot read the files");
    QByteArray record;
    for (const QByteArray& r : Righe(prn))
        if (r.mid(165, 12).trimmed().toUpper() == a[2].toLatin1().toUpper())
            record = r.left(180);
    if (record.isEmpty())
        return QStringLiteral("no model %1 in %2").arg(a[2], a[3]);
    const QFileInfo fi(a[4]);
    const QByteArray nome = fi.completeBaseName().toLatin1().toUpper();
    const QByteArray r208 = RecordAggMarca(a[1].toLatin1(), record, nome);
    const QList<QByteArray> lim = Righe(limiti);
    QList<QByteArray> scambio;
    if (fi.suffix().compare(QLatin1String("F19"), Qt::CaseInsensitive) == 0) {
        scambio = ScambioCatalogoS19(r208, Righe(mappa), lim);
    } else {
        QList<QByteArray> valori;
        for (const QByteArray& r : Righe(mappa))
            if (!r.startsWith('*'))
                valori.append(r.trimmed().rightJustified(6, '0'));
        scambio = ScambioCatalogo(r208, valori, a.size() > 6 ? a[6].toInt() : 30, lim);
    }
    return m.avviaScambio(scambio) ? QString() : QStringLiteral("not connected");
}

QString Software(GsmModel& m, const QStringList& a)
{
    if (a.size() < 4)
        return QStringLiteral("software NAME S19 DESCRIPTION [N]");
    QByteArray s19;
    if (!Leggo(a[2], s19))
        return QStringLiteral("cannot read %1").arg(a[2]);
    const auto scambio = ScambioSoftware(a[1].toLatin1(), Righe(s19), a.size() > 4 ? a[4].toInt() : 120,
                                         a[3].toLatin1());
    return m.avviaScambio(scambio) ? QString() : QStringLiteral("not connected");
}

QString Guasto(GsmModel& m, const QStringList& a)
{
    const QString g = a.value(1);
    Guasti& f = m.guasti;
    if (g == QLatin1String("noise"))
        f.rumore = a.mid(2).join(QLatin1Char(' ')).toLatin1();
    else if (g == QLatin1String("onebyte"))
        f.unByteAllaVolta = true;
    else if (g == QLatin1String("twoframes"))
        f.dueTrame = true;
    else if (g == QLatin1String("pause") && a.size() == 4) {
        f.pausaPrima = a[2].toInt();
        f.pausaMs = a[3].toInt();
    } else if (g == QLatin1String("drop-after") && a.size() == 3)
        f.cadutaDopo = a[2].toInt();
    else if (g == QLatin1String("silent-after") && a.size() == 3)
        f.silenzioDopo = a[2].toInt();
    else if (g == QLatin1String("off"))
        f = Guasti();
    else
        return QStringLiteral("unknown fault");
    return {};
}
} // namespace

QString EseguoComando(GsmModel& m, const QString& riga)
{
    const QStringList a = riga.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    if (a.isEmpty())
        return {};
    const QString c = a[0].toLower();
    const QString v = a.value(1).toLower();
    if (c == QLatin1String("call")) {
        static const QStringList esiti{"connect", "busy", "nocarrier", "none"};
        const qsizetype i = esiti.indexOf(v);
        if (i < 0)
            return QStringLiteral("call connect|busy|nocarrier|none");
        m.modem.esito = Esito(i);
    } else if (c == QLatin1String("delay")) {
        m.modem.ritardoMs = a.value(1).toInt();
    } else if (c == QLatin1String("modem")) {
        m.modem.errore = v == QLatin1String("error");
        m.modem.silenzio = v == QLatin1String("silent");
    } else if (c == QLatin1String("i00")) {
        m.rispostaIdentita = v == QLatin1String("none") ? QByteArray() : a.value(1).toLatin1();
    } else if (c == QLatin1String("drop")) {
        m.cadutaPortante();
    } else if (c == QLatin1String("catalogue")) {
        return Catalogo(m, a);
    } else if (c == QLatin1String("software")) {
        return Software(m, a);
    } else if (c == QLatin1String("fault")) {
        return Guasto(m, a);
    } else {
        return QStringLiteral("unknown command %1").arg(c);
    }
    return {};
}

} // namespace gsmsim
