#include "archive/Rapporto.h"

#include "archive/Lettere.h"
#include "archive/Stampa.h"
#include "platform/Database.h"
#include "platform/Files.h"

#include <QDate>
#include <QFontMetrics>
#include <QPainter>
#include <QPrinter>

namespace Rapporto {

QString NomeLayout(int lingua)
{
    switch (lingua) {
    case 1: return QStringLiteral("IT_LISTA.RPT");
    case 2: return QStringLiteral("FR_LISTA.RPT");
    case 3: return QStringLiteral("SP_LISTA.RPT");
    default: return QStringLiteral("EN_LISTA.RPT");
    }
}

bool Leggi(const QString& path, Layout& layout)
{
    QByteArray dati;
    if (!Files::LeggiTutto(path, dati))
        return false;
    Layout l;
    for (const QString& riga : Lettere::Righe(Lettere::Decodifica(dati, 4))) {
        const QString r = riga.trimmed();
        if (r.isEmpty() || r.startsWith(';'))
            continue;
        const qsizetype uguale = r.indexOf('=');
        if (uguale <= 0)
            continue;
        const QString chiave = r.left(uguale).trimmed().toUpper();
        const QString valore = r.mid(uguale + 1).trimmed();
        if (chiave == "TITLE") {
            l.titolo = valore;
        } else if (chiave == "PAGE") {
            l.pagina = valore;
        } else if (chiave == "FONT") {
            const QStringList p = valore.split(',');
            if (!p.value(0).trimmed().isEmpty())
                l.font = p.value(0).trimmed();
            const int punti = p.value(1).trimmed().toInt();
            if (punti >= 4 && punti <= 30)
                l.punti = punti;
        } else if (chiave == "COLUMN") {
            const QStringList p = valore.split(',');
            Colonna c;
            c.campo = p.value(0).trimmed().toUpper();
            c.intestazione = p.value(1).trimmed();
            c.larghezza = p.value(2).trimmed().toInt();
            if (!c.campo.isEmpty() && c.larghezza > 0 && c.larghezza <= 200)
                l.colonne.append(c);
        }
    }
    if (l.colonne.isEmpty())
        return false;
    layout = l;
    return true;
}

namespace {
QString Testo(const QVariant& v)
{
    if (v.isNull())
        return QString();
    if (v.typeId() == QMetaType::QDate)
        return v.toDate().toString("dd/MM/yyyy");
    return v.toString().trimmed();
}
} // namespace

int Stampa(QPrinter& stampante, const Layout& layout, Db::Snapshot& righe, const QString& sottotitolo)
{
    // Every column must name a field of the rows before anything goes to the printer: a
    // layout that does not fit the archive prints nothing rather than a page cut short.
    if (!righe.EOF_()) {
        try {
            for (const Colonna& c : layout.colonne)
                righe.Valore(c.campo);
        } catch (const Db::ErroreDb&) {
            return -1;
        }
    }
    QPainter p;
    if (!p.begin(&stampante))
        return -1;
    QFont font(layout.font, layout.punti);
    font.setStyleHint(QFont::TypeWriter);
    font.setFixedPitch(true);
    p.setFont(font);
    QFont grassetto = font;
    grassetto.setBold(true);
    const QFontMetrics fm(font, &stampante);
    const int riga = fm.lineSpacing();
    const int carattere = fm.horizontalAdvance('M');
    const QRect area = stampante.pageLayout().paintRectPixels(stampante.resolution());
    const int larghezza = area.width(), altezza = area.height();
    int pagina = 0, y = 0, stampate = 0;

    auto intestazione = [&] {
        ++pagina;
        y = riga;
        p.setFont(grassetto);
        p.drawText(0, y, layout.titolo);
        p.setFont(font);
        const QString destra = QString("%1 %2").arg(layout.pagina).arg(pagina);
        p.drawText(larghezza - fm.horizontalAdvance(destra), y, destra);
        y += riga;
        if (!sottotitolo.isEmpty()) {
            p.drawText(0, y, sottotitolo);
            y += riga;
        }
        y += riga / 2;
        int x = 0;
        p.setFont(grassetto);
        for (const Colonna& c : layout.colonne) {
            p.drawText(x, y, c.intestazione.left(c.larghezza));
            x += (c.larghezza + 1) * carattere;
        }
        p.setFont(font);
        p.drawLine(0, y + riga / 3, std::min(x, larghezza), y + riga / 3);
        y += riga + riga / 3;
    };

    intestazione();
    for (; !righe.EOF_(); righe.MoveNext()) {
        if (y + riga > altezza) {
            if (!stampante.newPage()) {
                p.end();
                return -1;
            }
            intestazione();
        }
        int x = 0;
        for (const Colonna& c : layout.colonne) {
            p.drawText(x, y, Testo(righe.Valore(c.campo)).left(c.larghezza));
            x += (c.larghezza + 1) * carattere;
        }
        y += riga;
        ++stampate;
    }
    if (!::Stampa::ConcludoLavoro(p, stampante))
        return -1;
    return stampate;
}

} // namespace Rapporto
