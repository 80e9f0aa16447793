#include "archive/Lettere.h"
#include "platform/CodePage.h"

#include <algorithm>

namespace Lettere {

namespace {

CodePage::Pagina Pagina(int lingua)
{
    return lingua == 1 ? CodePage::Windows1250 : CodePage::Windows1252;
}

struct Segnaposto {
    const char16_t* testo;
    enum Modo { Valore, Provincia, Data } modo;
};

// In the order in which each line is searched.
const Segnaposto Segnaposti[] = {
    {u"«TIPO_D»", Segnaposto::Valore},    {u"«NOME»", Segnaposto::Valore},
    {u"«INDIRIZZO»", Segnaposto::Valore}, {u"«CAP»", Segnaposto::Valore},
    {u"«CITTA'»", Segnaposto::Valore},    {u"«PROVINCIA»", Segnaposto::Provincia},
    {u"«GG/MM/AAAA»", Segnaposto::Data},  {u"«OGGI»", Segnaposto::Valore},
};

QString Data(const QDate& d) { return d.isValid() ? d.toString("dd/MM/yyyy") : QString(); }

// Trims blanks only: tabs and other spacing that lay a letter out stay.
QString SenzaBlank(const QString& t)
{
    qsizetype a = 0, b = t.size();
    while (a < b && t.at(a) == u' ')
        ++a;
    while (b > a && t.at(b - 1) == u' ')
        --b;
    return t.mid(a, b - a);
}

} // namespace

QString NomeModello(int lingua)
{
    switch (lingua) {
    case 1: return QStringLiteral("IT_LETTERA.TXT");
    case 2: return QStringLiteral("FR_LETTERA.TXT");
    case 3: return QStringLiteral("SP_LETTERA.TXT");
    default: return QStringLiteral("EN_LETTERA.TXT");
    }
}

bool Utf8Valido(const QByteArray& dati)
{
    const auto* s = reinterpret_cast<const unsigned char*>(dati.constData());
    const qsizetype n = dati.size();
    for (qsizetype i = 0; i < n;) {
        const unsigned char c = s[i];
        int len = c < 0x80 ? 1 : (c & 0xE0) == 0xC0 ? 2 : (c & 0xF0) == 0xE0 ? 3 : (c & 0xF8) == 0xF0 ? 4 : 0;
        if (len == 0 || (len == 2 && c < 0xC2) || i + len > n)
            return false;
        for (int k = 1; k < len; ++k)
            if ((s[i + k] & 0xC0) != 0x80)
                return false;
        if (len == 3) {
            const uint32_t cp = ((c & 0x0F) << 12) | ((s[i + 1] & 0x3F) << 6) | (s[i + 2] & 0x3F);
            if (cp < 0x800 || (cp >= 0xD800 && cp <= 0xDFFF))
                return false;
        } else if (len == 4) {
            const uint32_t cp = ((c & 0x07) << 18) | ((s[i + 1] & 0x3F) << 12) | ((s[i + 2] & 0x3F) << 6) | (s[i + 3] & 0x3F);
            if (cp < 0x10000 || cp > 0x10FFFF)
                return false;
        }
        i += len;
    }
    return true;
}

QString Decodifica(const QByteArray& dati, int lingua)
{
    if (Utf8Valido(dati))
        return QString::fromUtf8(dati);
    return CodePage::Decodifica(dati, Pagina(lingua));
}

QByteArray Codifica(const QString& testo, int lingua, bool utf8)
{
    if (utf8)
        return testo.toUtf8();
    return CodePage::Codifica(testo, Pagina(lingua));
}

QStringList Righe(const QString& testo)
{
    QString t = testo;
    t.replace("\r\n", "\n");
    t.replace('\r', '\n');
    QStringList r = t.split('\n');
    if (!r.isEmpty() && r.last().isEmpty())
        r.removeLast();
    return r;
}

QStringList ACapo(const QString& riga, int colonne)
{
    QString t;
    for (const QChar c : riga) {
        if (c == u'\t')
            t += QString(8 - t.size() % 8, u' ');
        else
            t += c;
    }
    if (colonne <= 0 || t.size() <= colonne)
        return {t};
    qsizetype rientro = 0;
    while (rientro < t.size() && t.at(rientro) == u' ')
        ++rientro;
    const QString prefisso(std::min<qsizetype>(rientro, std::max(0, colonne - 20)), u' ');
    QStringList righe;
    QString resto = t.mid(rientro);
    while (!resto.isEmpty()) {
        const qsizetype spazio = colonne - prefisso.size();
        if (resto.size() <= spazio) {
            righe << prefisso + resto;
            break;
        }
        qsizetype taglio = resto.lastIndexOf(u' ', spazio);
        if (taglio <= 0)
            taglio = spazio;
        righe << prefisso + SenzaBlank(resto.left(taglio));
        resto = SenzaBlank(resto.mid(taglio));
    }
    return righe;
}

QString UnisciRiga(const QString& riga, const DatiLettera& d)
{
    QString linea = riga;
    const QString valori[] = {d.saluto, d.nome, d.indirizzo, d.cap, d.citta, d.provincia, Data(d.revisione), Data(d.oggi)};
    int i = 0;
    for (const Segnaposto& s : Segnaposti) {
        const QString testo = QString::fromUtf16(s.testo);
        const QString& valore = valori[i++];
        const qsizetype p = linea.indexOf(testo, 0, Qt::CaseInsensitive);
        if (p < 0)
            continue;
        const QString prima = linea.left(p);
        const QString dopo = linea.mid(p + testo.size());
        switch (s.modo) {
        case Segnaposto::Valore:
            linea = prima + SenzaBlank(valore) + ' ' + SenzaBlank(dopo);
            break;
        case Segnaposto::Provincia: {
            const QString prov = SenzaBlank(valore);
            linea = prima + (prov.isEmpty() ? QString() : '(' + prov + ')') + SenzaBlank(dopo);
            break;
        }
        case Segnaposto::Data:
            linea = prima + valore + dopo;
            break;
        }
    }
    return linea;
}

} // namespace Lettere
