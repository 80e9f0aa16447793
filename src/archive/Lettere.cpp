#include "archive/Lettere.h"

namespace Lettere {

namespace {

// Upper halves (0x80-0xFF) of the two code pages; an unassigned byte stands for itself.
const char16_t Cp1252[128] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
    0x00A0, 0x00A1, 0x00A2, 0x00A3, 0x00A4, 0x00A5, 0x00A6, 0x00A7, 0x00A8, 0x00A9, 0x00AA, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x00AF,
    0x00B0, 0x00B1, 0x00B2, 0x00B3, 0x00B4, 0x00B5, 0x00B6, 0x00B7, 0x00B8, 0x00B9, 0x00BA, 0x00BB, 0x00BC, 0x00BD, 0x00BE, 0x00BF,
    0x00C0, 0x00C1, 0x00C2, 0x00C3, 0x00C4, 0x00C5, 0x00C6, 0x00C7, 0x00C8, 0x00C9, 0x00CA, 0x00CB, 0x00CC, 0x00CD, 0x00CE, 0x00CF,
    0x00D0, 0x00D1, 0x00D2, 0x00D3, 0x00D4, 0x00D5, 0x00D6, 0x00D7, 0x00D8, 0x00D9, 0x00DA, 0x00DB, 0x00DC, 0x00DD, 0x00DE, 0x00DF,
    0x00E0, 0x00E1, 0x00E2, 0x00E3, 0x00E4, 0x00E5, 0x00E6, 0x00E7, 0x00E8, 0x00E9, 0x00EA, 0x00EB, 0x00EC, 0x00ED, 0x00EE, 0x00EF,
    0x00F0, 0x00F1, 0x00F2, 0x00F3, 0x00F4, 0x00F5, 0x00F6, 0x00F7, 0x00F8, 0x00F9, 0x00FA, 0x00FB, 0x00FC, 0x00FD, 0x00FE, 0x00FF,
};
const char16_t Cp1250[128] = {
    0x20AC, 0x0081, 0x201A, 0x0083, 0x201E, 0x2026, 0x2020, 0x2021, 0x0088, 0x2030, 0x0160, 0x2039, 0x015A, 0x0164, 0x017D, 0x0179,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, 0x0098, 0x2122, 0x0161, 0x203A, 0x015B, 0x0165, 0x017E, 0x017A,
    0x00A0, 0x02C7, 0x02D8, 0x0141, 0x00A4, 0x0104, 0x00A6, 0x00A7, 0x00A8, 0x00A9, 0x015E, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x017B,
    0x00B0, 0x00B1, 0x02DB, 0x0142, 0x00B4, 0x00B5, 0x00B6, 0x00B7, 0x00B8, 0x0105, 0x015F, 0x00BB, 0x013D, 0x02DD, 0x013E, 0x017C,
    0x0154, 0x00C1, 0x00C2, 0x0102, 0x00C4, 0x0139, 0x0106, 0x00C7, 0x010C, 0x00C9, 0x0118, 0x00CB, 0x011A, 0x00CD, 0x00CE, 0x010E,
    0x0110, 0x0143, 0x0147, 0x00D3, 0x00D4, 0x0150, 0x00D6, 0x00D7, 0x0158, 0x016E, 0x00DA, 0x0170, 0x00DC, 0x00DD, 0x0162, 0x00DF,
    0x0155, 0x00E1, 0x00E2, 0x0103, 0x00E4, 0x013A, 0x0107, 0x00E7, 0x010D, 0x00E9, 0x0119, 0x00EB, 0x011B, 0x00ED, 0x00EE, 0x010F,
    0x0111, 0x0144, 0x0148, 0x00F3, 0x00F4, 0x0151, 0x00F6, 0x00F7, 0x0159, 0x016F, 0x00FA, 0x0171, 0x00FC, 0x00FD, 0x0163, 0x02D9,
};

const char16_t* Tabella(int lingua) { return lingua == 1 ? Cp1250 : Cp1252; }

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
    const char16_t* t = Tabella(lingua);
    QString r;
    r.reserve(dati.size());
    for (const char c : dati) {
        const unsigned char b = static_cast<unsigned char>(c);
        r += QChar(b < 0x80 ? char16_t(b) : t[b - 0x80]);
    }
    return r;
}

QByteArray Codifica(const QString& testo, int lingua, bool utf8)
{
    if (utf8)
        return testo.toUtf8();
    const char16_t* t = Tabella(lingua);
    QByteArray r;
    r.reserve(testo.size());
    for (const QChar ch : testo) {
        const char16_t u = ch.unicode();
        char b = '?';
        if (u < 0x80) {
            b = char(u);
        } else {
            for (int i = 0; i < 128; ++i)
                if (t[i] == u) {
                    b = char(0x80 + i);
                    break;
                }
        }
        r += b;
    }
    return r;
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
