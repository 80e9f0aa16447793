#include "ecusim/lib/Codifica.h"

#include <cmath>

namespace ecusim {

QByteArray CalcoloCS(const QByteArray& testo)
{
    unsigned somma = 0;
    for (char c : testo)
        somma += static_cast<unsigned char>(c);
    const unsigned b = somma & 0xFF;
    QByteArray r(2, '0');
    r[0] = char(0x30 + (b >> 4));
    r[1] = char(0x30 + (b & 0x0F));
    return r;
}

static bool DaProteggere(unsigned char c)
{
    return c == 'D' || c == 'B' || c == 27 || c == '\r' || c == '\n';
}

QByteArray CodificoDati(const QByteArray& dati)
{
    QByteArray r;
    r.reserve(dati.size() * 2);
    for (char c : dati) {
        const auto u = static_cast<unsigned char>(c);
        if (DaProteggere(u)) {
            r.append(ESC);
            r.append(char(u + 32));
        } else {
            r.append(c);
        }
    }
    return r;
}

bool RichiedeChecksum(const QByteArray& riga)
{
    if (riga.size() < 2)
        return true;
    const char a = riga[0];
    const char b = riga[1];
    if (a == 'R')
        return !QByteArray("0125679GXLdef").contains(b);
    if (a == 'D')
        return !(b == 'B' || b == 'C' || b == 'T');
    if (a == 'F')
        return !QByteArray("lWceo").contains(b);
    return true;
}

QByteArray RigaRisposta(const QByteArray& testo)
{
    QByteArray r = testo;
    if (RichiedeChecksum(testo))
        r += CalcoloCS(testo);
    r += "\r\n";
    return r;
}

int Divisore(Canale c)
{
    switch (c) {
    case Canale::Pressione1:
    case Canale::DeltaP:
    case Canale::Map:
    case Canale::Temperatura:
    case Canale::Lambda:
    case Canale::Flusso:
        return 10;
    case Canale::Tps:
        return 5;
    case Canale::Libero1:
        return 1000;
    default:
        return 1;
    }
}

namespace {

const char* const NomiCanali[NumCanali] = {"p1",  "dp",     "map", "temp", "lambda",  "level", "tps",
                                           "pwm", "dutyin", "rpm", "pcm",  "dutypwm", "flow",  "spare"};

qint16 Parola(Canale c, double valore)
{
    double w = std::nearbyint(valore * Divisore(c));
    if (!(w <= 32767)) // also NaN
        w = w < 0 ? -32768 : 32767;
    if (w < -32768)
        w = -32768;
    return qint16(w);
}

bool Numero(const QByteArray& t, double& v)
{
    bool ok = false;
    v = t.trimmed().toDouble(&ok);
    return ok && std::isfinite(v);
}

} // namespace

const char* NomeCanale(Canale c)
{
    return NomiCanali[int(c)];
}

int CanaleDaNome(const QByteArray& nome)
{
    for (int k = 0; k < NumCanali; ++k)
        if (nome.trimmed().toLower() == NomiCanali[k])
            return k;
    return -1;
}

double Script::valore(qint64 ms) const
{
    const int periodo = std::max(1, periodoMs);
    const double fase = double(ms % periodo) / periodo;
    switch (forma) {
    case Forma::Rampa:
        return a + (b - a) * fase;
    case Forma::Seno:
        return a + b * std::sin(2 * M_PI * fase);
    default:
        return a;
    }
}

void ValoriLive::imposta(Canale c, double valore)
{
    parole[size_t(c)] = Parola(c, valore);
    conScript[size_t(c)] = false;
}

void ValoriLive::impostaScript(Canale c, const Script& s)
{
    script[size_t(c)] = s;
    conScript[size_t(c)] = true;
    parole[size_t(c)] = Parola(c, s.valore(0));
}

void ValoriLive::aggiorna(qint64 ms)
{
    for (int k = 0; k < NumCanali; ++k)
        if (conScript[size_t(k)])
            parole[size_t(k)] = Parola(Canale(k), script[size_t(k)].valore(ms));
}

bool ImpostaValoreLive(ValoriLive& v, const QByteArray& assegnazione, QByteArray* errore)
{
    auto sbaglio = [&](const QByteArray& t) {
        if (errore)
            *errore = t;
        return false;
    };
    const qsizetype uguale = assegnazione.indexOf('=');
    if (uguale <= 0)
        return sbaglio("NAME=VALUE expected");
    const QByteArray nome = assegnazione.left(uguale).trimmed().toLower();
    const QByteArray spec = assegnazione.mid(uguale + 1);
    if (nome == "fuel") {
        if (spec.size() != 1)
            return sbaglio("fuel is one character");
        v.carburante = spec[0];
        return true;
    }
    const int k = CanaleDaNome(nome);
    if (k < 0)
        return sbaglio("unknown channel " + nome);
    const Canale c = Canale(k);
    if (spec.startsWith("text:")) {
        v.testo[size_t(k)] = spec.mid(5);
        return true;
    }
    const QList<QByteArray> parti = spec.split(':');
    double x = 0;
    if (parti.size() == 1) {
        if (!Numero(spec, x))
            return sbaglio("bad number " + spec);
        v.imposta(c, x);
        return true;
    }
    Script s;
    const QByteArray forma = parti[0].trimmed().toLower();
    if (forma == "ramp")
        s.forma = Script::Forma::Rampa;
    else if (forma == "sine")
        s.forma = Script::Forma::Seno;
    else
        return sbaglio("unknown script " + forma);
    bool ok = false;
    if (parti.size() != 4 || !Numero(parti[1], s.a) || !Numero(parti[2], s.b)
        || (s.periodoMs = parti[3].trimmed().toInt(&ok), !ok) || s.periodoMs < 1)
        return sbaglio(forma + ":A:B:MS expected");
    v.impostaScript(c, s);
    return true;
}

QByteArray CampoTesto(Canale c, qint16 parola)
{
    // Exact decimal arithmetic on the word: value = word / divisor with as many decimals as
    // the channel shows (one for /10 and /5, three for /1000, none for /1).
    const int w = parola;
    const unsigned a = unsigned(w < 0 ? -w : w);
    QByteArray t;
    switch (Divisore(c)) {
    case 10:
        t = QByteArray::number(a / 10) + '.' + QByteArray::number(a % 10);
        break;
    case 5: // word / 5 = (2 * word) / 10
        t = QByteArray::number((2 * a) / 10) + '.' + QByteArray::number((2 * a) % 10);
        break;
    case 1000:
        t = QByteArray::number(a / 1000) + '.' + QByteArray::number(a % 1000).rightJustified(3, '0');
        break;
    default:
        t = QByteArray::number(a);
        break;
    }
    if (w < 0)
        t.prepend('-');
    return t.rightJustified(8, ' ');
}

QByteArray TramaDC(const ValoriLive& v)
{
    QByteArray r = "DC";
    for (int k = 0; k < NumCanali; ++k) {
        const QByteArray& t = v.testo[size_t(k)];
        r += (t.isEmpty() ? CampoTesto(Canale(k), v.parole[size_t(k)]) : t.rightJustified(8, ' ', true)) + ',';
    }
    r += v.carburante;
    r += "\r\n";
    return r;
}

QByteArray TramaDB(const ValoriLive& v)
{
    QByteArray dati;
    for (qint16 w : v.parole) {
        const auto u = quint16(w);
        dati.append(char(u >> 8));
        dati.append(char(u & 0xFF));
    }
    dati.append(v.carburante);
    return "DB" + CodificoDati(dati) + "\r\n";
}

QByteArray TramaDT(const ValoriLive& v)
{
    QByteArray r = "DT";
    for (int k = 0; k < NumCanali; ++k) {
        if (k > 0)
            r += ',';
        r += QByteArray::number(v.parole[size_t(k)]).rightJustified(8, ' ');
    }
    r += "\r\n";
    return r;
}

int CifraEsadecimale(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

QByteArray Fisso(const QByteArray& testo, int larghezza)
{
    return testo.leftJustified(larghezza, ' ', true);
}

QByteArray Identita::data(const QDate& d)
{
    return QByteArray::number(d.day()).rightJustified(2, '0')
        + QByteArray::number(d.month()).rightJustified(2, '0')
        + QByteArray::number(d.year()).rightJustified(4, '0');
}

QByteArray RispostaR8(const Identita& id, bool lunga)
{
    QByteArray t = "R8";
    t += id.riservato;
    t += Fisso(id.dataInstallazione, 8);
    t += Fisso(id.tipoCentralina, 2);
    t += Fisso(id.dataRevisione, 8);
    t += Fisso(id.tipoInstallazione, 2);
    t += Fisso(id.matricola, 8);
    t += Fisso(id.lotto, 6);
    t += Fisso(id.versioneTabella, 2);
    if (lunga) {
        t += Fisso(id.versioneSw, 9);
        t += Fisso(id.versioneCaric, 9);
    } else {
        t += Fisso(id.versioneSw, 6);
    }
    return t + CalcoloCS(t) + "\r\n";
}

QByteArray RispostaR4(const Identita& id, bool lunga)
{
    QByteArray t = "R4";
    t += id.riservato;
    t += Fisso(id.tipoCentralina, 2);
    t += Fisso(id.matricola, 8);
    t += Fisso(id.lotto, 6);
    if (lunga) {
        t += Fisso(id.versioneSw, 9);
        t += Fisso(id.versioneCaric, 9);
    } else {
        t += Fisso(id.versioneSw, 6);
    }
    return t + CalcoloCS(t) + "\r\n";
}

QByteArray PaginaRZ(const Identita& id, int pagina, bool ultima, const QByteArray& valori180)
{
    QByteArray t = "RZ";
    t += id.riservato;
    t += QByteArray::number(pagina).rightJustified(3, '0', true);
    t += ultima ? '$' : '0';
    t += valori180.leftJustified(180, '0', true);
    return t + CalcoloCS(t) + "\r\n";
}

QByteArray Campo6(int valore)
{
    if (valore < 0)
        return '-' + QByteArray::number(-qint64(valore)).rightJustified(5, '0', true);
    return QByteArray::number(valore).rightJustified(6, '0', true);
}

} // namespace ecusim
