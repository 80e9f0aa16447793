#include "archive/Collazione.h"

#include "platform/Database.h"

#include <array>
#include <cstdint>

namespace Collazione {

namespace {

// Weight of one character: up to two primary weights (expansions such as "ß" = "SS") and an
// accent rank that only breaks ties.
struct Peso {
    uint32_t p[2] = {0, 0};
    uint8_t n = 1;
    uint8_t accento = 0;
    char32_t base[2] = {0, 0};   // unaccented upper-case form
};

constexpr uint32_t PesoLettera(int lettera) { return 0x2000 + static_cast<uint32_t>(lettera) * 2; }
constexpr uint32_t PesoEnne = 0x2000 + 13 * 2 + 1;   // "Ñ" right after "N"

constexpr char32_t Limite = 0x180;

// Letters beyond the table compare by their simple case folding ("Д" as "д", "Σ" and "ς" as
// "σ"); a folding that lands in the table (the Kelvin sign, capital sharp s) takes the
// table's weights.
char32_t Piega(char32_t c)
{
    return c >= Limite && c <= 0x10FFFF ? QChar::toCaseFolded(c) : c;
}

struct Tabella {
    std::array<Peso, Limite> pesi;
    Tabella()
    {
        for (char32_t c = 0; c < Limite; ++c) {
            Peso& w = pesi[c];
            w.base[0] = c;
            if (c >= '0' && c <= '9')
                w.p[0] = 0x1000 + (c - '0');
            else
                w.p[0] = 0x100 + c;   // blanks, punctuation and symbols
        }
        pesi[0xA0].p[0] = 0x100 + ' ';
        for (int l = 0; l < 26; ++l) {
            for (char32_t c : {char32_t('A' + l), char32_t('a' + l)}) {
                pesi[c].p[0] = PesoLettera(l);
                pesi[c].base[0] = 'A' + l;
            }
        }
        for (char32_t c : {char32_t(0xD1), char32_t(0xF1)}) {
            pesi[c].p[0] = PesoEnne;
            pesi[c].base[0] = 0xD1;
        }
        // Accented letters: for each base, its variants in groups of case partners; the
        // group's position is its accent rank.
        struct Varianti {
            const char* base;
            const char16_t* gruppi;
        };
        static const Varianti varianti[] = {
            {"A", u"Àà Áá Ââ Ãã Ää Åå Āā Ăă Ąą"},
            {"AE", u"Ææ"},
            {"C", u"Çç Ćć Ĉĉ Ċċ Čč"},
            {"D", u"Ðð Ďď Đđ"},
            {"E", u"Èè Éé Êê Ëë Ēē Ĕĕ Ėė Ęę Ěě"},
            {"G", u"Ĝĝ Ğğ Ġġ Ģģ"},
            {"H", u"Ĥĥ Ħħ"},
            {"I", u"Ìì Íí Îî Ïï Ĩĩ Īī Ĭĭ Įį İı"},
            {"IJ", u"Ĳĳ"},
            {"J", u"Ĵĵ"},
            {"K", u"Ķķ ĸ"},
            {"L", u"Ĺĺ Ļļ Ľľ Ŀŀ Łł"},
            {"N", u"Ńń Ņņ Ňň ŉ Ŋŋ"},
            {"O", u"Òò Óó Ôô Õõ Öö Øø Ōō Ŏŏ Őő"},
            {"OE", u"Œœ"},
            {"R", u"Ŕŕ Ŗŗ Řř"},
            {"S", u"Śś Ŝŝ Şş Šš ſ"},
            {"SS", u"ß"},
            {"T", u"Ţţ Ťť Ŧŧ"},
            {"TH", u"Þþ"},
            {"U", u"Ùù Úú Ûû Üü Ũũ Ūū Ŭŭ Ůů Űű Ųų"},
            {"W", u"Ŵŵ"},
            {"Y", u"Ýý ÿŸ Ŷŷ"},
            {"Z", u"Źź Żż Žž"},
        };
        for (const Varianti& v : varianti) {
            uint8_t rango = 1;
            for (const char16_t* q = v.gruppi; *q; ++q) {
                if (*q == u' ') {
                    ++rango;
                    continue;
                }
                Peso& w = pesi[*q];
                w.n = v.base[1] ? 2 : 1;
                for (int i = 0; i < w.n; ++i) {
                    w.p[i] = PesoLettera(v.base[i] - 'A');
                    w.base[i] = v.base[i];
                }
                w.accento = rango;
            }
        }
    }
};

const Tabella& T()
{
    static const Tabella t;
    return t;
}

// Reads UTF-8 one character at a time; a byte that is not valid UTF-8 stands for itself
// as a character beyond the table (deterministic, never an error).
struct Lettore {
    const unsigned char* s;
    int n;
    int i = 0;
    int pendente = -1;    // second primary weight of an expansion still to deliver
    uint8_t accentoPendente = 0;

    Lettore(const char* dati, int lunghezza)
        : s(reinterpret_cast<const unsigned char*>(dati))
        , n(lunghezza)
    {
        while (n > 0 && s[n - 1] == ' ')
            --n;
    }

    char32_t Carattere()
    {
        const unsigned char c = s[i];
        int len = 0;
        char32_t cp = 0;
        if (c < 0x80) {
            ++i;
            return c;
        } else if ((c & 0xE0) == 0xC0) {
            len = 2;
            cp = c & 0x1F;
        } else if ((c & 0xF0) == 0xE0) {
            len = 3;
            cp = c & 0x0F;
        } else if ((c & 0xF8) == 0xF0) {
            len = 4;
            cp = c & 0x07;
        }
        if (len == 0 || i + len > n) {
            ++i;
            return 0x110000 + c;
        }
        for (int k = 1; k < len; ++k) {
            if ((s[i + k] & 0xC0) != 0x80) {
                ++i;
                return 0x110000 + c;
            }
            cp = (cp << 6) | (s[i + k] & 0x3F);
        }
        i += len;
        return cp;
    }

    bool Prossimo(uint32_t& p, uint8_t& accento)
    {
        if (pendente >= 0) {
            p = static_cast<uint32_t>(pendente);
            accento = accentoPendente;
            pendente = -1;
            return true;
        }
        if (i >= n)
            return false;
        const char32_t c = Piega(Carattere());
        if (c < Limite) {
            const Peso& w = T().pesi[c];
            p = w.p[0];
            accento = w.accento;
            if (w.n == 2) {
                pendente = static_cast<int>(w.p[1]);
                accentoPendente = w.accento;
            }
        } else {
            p = 0x10000 + static_cast<uint32_t>(c);
            accento = 0;
        }
        return true;
    }
};

int ConfrontoSqlite(void*, int na, const void* a, int nb, const void* b)
{
    return ConfrontaUtf8(static_cast<const char*>(a), na, static_cast<const char*>(b), nb);
}

} // namespace

int ConfrontaUtf8(const char* a, int na, const char* b, int nb)
{
    Lettore la(a, na), lb(b, nb);
    int accenti = 0;
    for (;;) {
        uint32_t pa = 0, pb = 0;
        uint8_t sa = 0, sb = 0;
        const bool ha = la.Prossimo(pa, sa);
        const bool hb = lb.Prossimo(pb, sb);
        if (!ha || !hb)
            return ha ? 1 : (hb ? -1 : accenti);
        if (pa != pb)
            return pa < pb ? -1 : 1;
        if (accenti == 0 && sa != sb)
            accenti = sa < sb ? -1 : 1;
    }
}

int Confronta(const QString& a, const QString& b)
{
    const QByteArray ua = a.toUtf8(), ub = b.toUtf8();
    return ConfrontaUtf8(ua.constData(), ua.size(), ub.constData(), ub.size());
}

bool IniziaCon(const QString& testo, const QString& prefisso)
{
    const QByteArray ut = testo.toUtf8(), up = prefisso.toUtf8();
    Lettore lt(ut.constData(), ut.size()), lp(up.constData(), up.size());
    for (;;) {
        uint32_t pt = 0, pp = 0;
        uint8_t st = 0, sp = 0;
        if (!lp.Prossimo(pp, sp))
            return true;
        if (!lt.Prossimo(pt, st) || pt != pp)
            return false;
    }
}

QString ChiaveMinima(const QString& chiave)
{
    QString r;
    for (const char32_t u : chiave.toUcs4()) {
        const char32_t c = Piega(u);
        if (c < Limite) {
            const Peso& w = T().pesi[c];
            for (int i = 0; i < w.n; ++i)
                r += QChar(static_cast<char16_t>(w.base[i]));
        } else if (QChar::requiresSurrogates(c)) {
            r += QChar(QChar::highSurrogate(c));
            r += QChar(QChar::lowSurrogate(c));
        } else {
            // Every character as it is: a conversion from UTF-32 would take U+FEFF for a
            // byte-order mark and drop it.
            r += QChar(static_cast<char16_t>(c));
        }
    }
    return r;
}

void Registra() { Db::RegistraCollazione(Nome, &ConfrontoSqlite); }

} // namespace Collazione
