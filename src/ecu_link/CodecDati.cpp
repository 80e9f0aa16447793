#include "ecu_link/CodecDati.h"

#include "ecu_link/DatiCentralina.h"
#include "shell/Procedure.h"

#include <cmath>

namespace {
// Per field: divisor of the word and decimals of its text.
constexpr int Divisore[14] = {10, 10, 10, 10, 10, 1, 5, 1, 1, 1, 1, 1, 10, 1000};
constexpr int Decimali[14] = {1, 1, 1, 1, 1, 0, 1, 0, 0, 0, 0, 0, 1, 3};

bool DaCodificare(unsigned char c)
{
    return c == 'D' || c == 'B' || c == 27 || c == 13 || c == 10;
}
} // namespace

QByteArray CodificoDati(const QByteArray& testo)
{
    QByteArray out;
    out.reserve(testo.size() + 8);
    for (char c : testo) {
        const unsigned char u = static_cast<unsigned char>(c);
        if (DaCodificare(u)) {
            out += ESC;
            out += char(u + 32);
        } else {
            out += c;
        }
    }
    return out;
}

QByteArray TolgoEscape(const QByteArray& testo)
{
    QByteArray out;
    out.reserve(testo.size());
    const qsizetype n = testo.size();
    for (qsizetype i = 0; i < n; ++i) {
        const char c = testo[i];
        if (c != ESC) {
            out += c;
            continue;
        }
        if (i + 1 >= n)
            return {}; // an ESC with nothing after it: the frame was cut
        const unsigned char s = static_cast<unsigned char>(testo[++i]);
        if (s < 32)
            return {};
        out += char(s - 32);
    }
    return out;
}

QByteArray ConvertoDatiBinari(const QByteArray& b)
{
    if (b.size() < 30)
        return {};
    QByteArray out;
    out.reserve(131);
    out += "DC";
    for (int k = 0; k < 14; ++k) {
        const auto alto = static_cast<unsigned char>(b[2 + 2 * k]);
        const auto basso = static_cast<unsigned char>(b[3 + 2 * k]);
        const int16_t w = static_cast<int16_t>(uint16_t((alto << 8) | basso));
        const float q = float(w) / float(Divisore[k]);
        out += QByteArray::number(double(q), 'f', Decimali[k]).rightJustified(8, ' ');
        out += ',';
    }
    if (b.size() > 30)
        out += b[30];
    out += "\r\n";
    return out;
}

// The number at the start of a field ("   -12.5"): leading blanks, an optional "-", digits
// and one "."; reading stops at any other character and no number is 0. Multiplied by
// fattore and rounded to the nearest integer with halves to even, exactly on the decimal
// digits. An 8-character field times 1000 stays far inside 64 bits.
static int64_t NumeroScalato(const QByteArray& campo, int fattore)
{
    qsizetype i = 0;
    while (i < campo.size() && campo[i] == ' ')
        ++i;
    bool negativo = false;
    if (i < campo.size() && campo[i] == '-') {
        negativo = true;
        ++i;
    }
    int64_t mantissa = 0;
    int64_t den = 1;
    bool punto = false;
    for (; i < campo.size(); ++i) {
        const char c = campo[i];
        if (c >= '0' && c <= '9') {
            mantissa = mantissa * 10 + (c - '0');
            if (punto)
                den *= 10;
        } else if (c == '.' && !punto) {
            punto = true;
        } else {
            break;
        }
    }
    const int64_t num = mantissa * fattore;
    int64_t q = num / den;
    const int64_t r = num % den;
    if (2 * r > den || (2 * r == den && (q & 1)))
        ++q;
    return negativo ? -q : q;
}

QByteArray ConvertoDatiTesto(const QByteArray& testo)
{
    QByteArray dati;
    dati.reserve(29);
    for (int k = 0; k < 14; ++k) {
        // The low 16 bits, whatever the size of the value.
        const auto w = uint16_t(uint64_t(NumeroScalato(testo.mid(2 + 9 * k, 8), Divisore[k])));
        dati += char(w >> 8);
        dati += char(w & 0xFF);
    }
    if (testo.size() > 128)
        dati += testo[128];
    return QByteArrayLiteral("DB") + CodificoDati(dati) + QByteArrayLiteral("\r\n");
}

static QByteArray NumeroGiorno(double giorni)
{
    QByteArray t = giorni == std::floor(giorni) ? QByteArray::number(qint64(giorni))
                                                : QByteArray::number(giorni, 'g', 15);
    return t.rightJustified(8, ' ').right(8);
}

QByteArray MessaggioIdentita()
{
    const DatiCentralinaRec& d = DatiCentralina;
    QByteArray m = "I00";
    m += QByteArray::number(d.ErroriDati & 0xF, 16).toUpper();
    m += NumeroGiorno(d.DataInstallazione);
    m += DueCifre(d.TipoCentralina).toLatin1();
    m += NumeroGiorno(d.DataRevCentr);
    m += DueCifre(d.TipoInstCentr).toLatin1();
    m += Fisso(d.Matricola, 8).toLatin1();
    m += Fisso(d.Lotto, 6).toLatin1();
    m += Fisso(d.VersioneTabCentr, 6).toLatin1();
    m += Fisso(d.VersioneCaric, 9).toLatin1();
    m += (d.SwVecchio ? Fisso(d.VersioneSw, 9) : RiordinoVersione(d.VersioneSw)).toLatin1();
    return m;
}
