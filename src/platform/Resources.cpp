#include "platform/Resources.h"

#include <QAbstractButton>
#include <QFile>
#include <QLabel>
#include <QPainter>
#include <QSvgRenderer>
#include <QXmlStreamReader>

namespace Risorse {

QString CodiceLingua(int lingua)
{
    switch (lingua) {
    case 1: return QStringLiteral("pl");
    case 2: return QStringLiteral("fr");
    case 3: return QStringLiteral("es");
    case 4: return QStringLiteral("en");
    default: return {};
    }
}

static QString decodifica(QStringView t)
{
    QString r;
    r.reserve(t.size());
    for (qsizetype i = 0; i < t.size(); ++i) {
        if (t[i] == QLatin1Char('\\') && i + 1 < t.size()) {
            const QChar c = t[i + 1];
            if (c == QLatin1Char('n')) { r += QLatin1Char('\n'); ++i; continue; }
            if (c == QLatin1Char('\\')) { r += QLatin1Char('\\'); ++i; continue; }
        }
        r += t[i];
    }
    return r;
}

QHash<int, QString> AnalizzaTabella(const QByteArray& contenuto)
{
    QHash<int, QString> tabella;
    const QString testo = QString::fromUtf8(contenuto);
    for (QStringView riga : QStringView(testo).split(QLatin1Char('\n'))) {
        if (riga.endsWith(QLatin1Char('\r')))
            riga.chop(1);
        const qsizetype tab = riga.indexOf(QLatin1Char('\t'));
        if (tab <= 0)
            continue;
        bool ok = false;
        const int n = riga.left(tab).toInt(&ok);
        if (!ok)
            continue;
        tabella.insert(n, decodifica(riga.mid(tab + 1)));
    }
    return tabella;
}

QString PercorsoImmagine(int id)
{
    if (id >= 3000)
        return QStringLiteral(":/pictures/common/%1.svg").arg(id);
    if (id < 101)
        return {};
    const int lingua = (id - 1) / 500 + 1;
    const int n = id - (lingua - 1) * 500;
    const QString codice = CodiceLingua(lingua);
    if (codice.isEmpty())
        return {};
    return QStringLiteral(":/pictures/%1/%2.svg").arg(codice).arg(n);
}

} // namespace Risorse

QString LeggoMessaggio(int id)
{
    static QHash<int, QHash<int, QString>> tabelle;
    if (id < 1)
        return {};
    const int lingua = (id - 1) / 500 + 1;
    const QString codice = Risorse::CodiceLingua(lingua);
    if (codice.isEmpty())
        return {};
    auto it = tabelle.find(lingua);
    if (it == tabelle.end()) {
        QFile f(QStringLiteral(":/messages/%1.txt").arg(codice));
        QByteArray dati;
        if (f.open(QIODevice::ReadOnly))
            dati = f.readAll();
        it = tabelle.insert(lingua, Risorse::AnalizzaTabella(dati));
    }
    return it->value(id - (lingua - 1) * 500);
}

bool EsisteImmagine(int id)
{
    const QString p = Risorse::PercorsoImmagine(id);
    return !p.isEmpty() && QFile::exists(p);
}

QPixmap PixmapRisorsa(int id, const QSize& dimensione)
{
    const QString p = Risorse::PercorsoImmagine(id);
    if (p.isEmpty() || !QFile::exists(p))
        return {};
    QSvgRenderer svg(p);
    if (!svg.isValid())
        return {};
    QSize s = dimensione;
    if (s.width() <= 0 || s.height() <= 0)
        s = svg.defaultSize();
    if (s.width() <= 0 || s.height() <= 0)
        return {};
    QPixmap pm(s);
    pm.fill(Qt::transparent);
    QPainter painter(&pm);
    svg.render(&painter);
    return pm;
}

// The caption of a button picture in its language: the words drawn on it; for a main-menu
// picture, which shows only its key, the caption the menu sets beside it. "" for none.
static QString Didascalia(int id)
{
    // Main-menu picture -> its caption message (same language block).
    static const QHash<int, int> menu = {{120, 262}, {121, 263}, {122, 264}, {123, 265},
                                         {124, 266}, {125, 267}, {137, 330}};
    const int blocco = id >= 101 && id < 3000 ? (id - 1) / 500 * 500 : -1;
    if (blocco >= 0 && menu.contains(id - blocco))
        return LeggoMessaggio(blocco + menu.value(id - blocco));
    QFile f(Risorse::PercorsoImmagine(id));
    if (!f.open(QIODevice::ReadOnly))
        return {};
    QStringList parole;
    QXmlStreamReader xml(&f);
    while (!xml.atEnd())
        if (xml.readNext() == QXmlStreamReader::StartElement && xml.name() == QLatin1String("text"))
            parole << xml.readElementText().trimmed();
    return parole.join(QLatin1Char(' '));
}

static QIcon iconaTasto(const QPixmap& mostrata, const QPixmap& disabilitata)
{
    QIcon icona;
    for (QIcon::State stato : {QIcon::Off, QIcon::On}) {
        icona.addPixmap(mostrata, QIcon::Normal, stato);
        icona.addPixmap(mostrata, QIcon::Active, stato);
        icona.addPixmap(mostrata, QIcon::Selected, stato);
        icona.addPixmap(disabilitata, QIcon::Disabled, stato);
    }
    return icona;
}

void ImmaginiTasto(QAbstractButton* b, int normale, int premuto, int disabilitato)
{
    if (!b)
        return;
    const QSize s = b->size();
    const QSize dimensione = s.isValid() && !s.isEmpty() ? s - QSize(6, 6) : QSize();
    const QPixmap pmNormale = PixmapRisorsa(normale, dimensione);
    if (pmNormale.isNull())
        return;
    QPixmap pmPremuto = premuto > 0 ? PixmapRisorsa(premuto, dimensione) : QPixmap();
    if (pmPremuto.isNull())
        pmPremuto = pmNormale;
    QPixmap pmDisabilitato = disabilitato > 0 ? PixmapRisorsa(disabilitato, dimensione) : QPixmap();
    if (pmDisabilitato.isNull())
        pmDisabilitato = pmNormale;
    const QIcon iconaNormale = iconaTasto(pmNormale, pmDisabilitato);
    const QIcon iconaPremuta = iconaTasto(pmPremuto, pmDisabilitato);
    b->setIcon(b->isDown() ? iconaPremuta : iconaNormale);
    b->setIconSize(pmNormale.size());
    b->setAccessibleName(Didascalia(normale));
    b->setProperty("idImmagine", normale);
    b->setProperty("idImmaginePremuta", premuto > 0 ? premuto : normale);
    b->setProperty("idImmagineDisabilitata", disabilitato > 0 ? disabilitato : normale);
    // One pair of connections per button, replaced when the pictures change (language).
    const char* const kGancio = "gancioImmagini";
    if (auto* vecchio = b->property(kGancio).value<QObject*>())
        delete vecchio;
    auto* gancio = new QObject(b);
    b->setProperty(kGancio, QVariant::fromValue<QObject*>(gancio));
    QObject::connect(b, &QAbstractButton::pressed, gancio, [b, iconaPremuta] { b->setIcon(iconaPremuta); });
    QObject::connect(b, &QAbstractButton::released, gancio, [b, iconaNormale] { b->setIcon(iconaNormale); });
}

void CaricoImmagine(int id, QWidget* controllo)
{
    if (!controllo)
        return;
    QSize s = controllo->size();
    if (auto* b = qobject_cast<QAbstractButton*>(controllo)) {
        ImmaginiTasto(b, id);
        return;
    }
    if (auto* l = qobject_cast<QLabel*>(controllo)) {
        const QPixmap pm = PixmapRisorsa(id, s.isValid() && !s.isEmpty() ? s : QSize());
        if (pm.isNull())
            return;
        l->setPixmap(pm);
        l->setScaledContents(true);
        l->setProperty("idImmagine", id);
    }
}
