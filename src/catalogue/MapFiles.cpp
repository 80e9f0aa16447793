#include "catalogue/MapFiles.h"

#include "platform/Files.h"
#include "shell/Modulo.h"
#include "shell/Procedure.h"

#include <QFile>
#include <QFileInfo>

#include <cmath>
#include <cstring>

namespace {

bool blank(char c) { return c == ' ' || c == '\t'; }
bool cifra(char c) { return c >= '0' && c <= '9'; }

// Right("000000" & t, 6)
QByteArray seiCaratteri(QByteArrayView t)
{
    QByteArray s("000000");
    s.append(t.data(), t.size());
    return s.right(6);
}

} // namespace

QList<QByteArrayView> RigheTesto(const QByteArray& testo)
{
    QList<QByteArrayView> righe;
    const char* p = testo.constData();
    const qsizetype n = testo.size();
    qsizetype inizio = 0;
    while (inizio < n) {
        const char* lf = static_cast<const char*>(memchr(p + inizio, '\n', size_t(n - inizio)));
        qsizetype fine = lf ? lf - p : n;
        qsizetype len = fine - inizio;
        if (len > 0 && p[inizio + len - 1] == '\r')
            --len;
        righe.append(QByteArrayView(p + inizio, len));
        inizio = fine + 1;
    }
    return righe;
}

QByteArrayView TrimBlank(QByteArrayView t)
{
    qsizetype a = 0, b = t.size();
    while (a < b && blank(t[a]))
        ++a;
    while (b > a && blank(t[b - 1]))
        --b;
    return t.sliced(a, b - a);
}

QByteArrayView PrefissoNumero(QByteArrayView t)
{
    qsizetype i = 0;
    while (i < t.size() && blank(t[i]))
        ++i;
    const qsizetype inizio = i;
    if (i < t.size() && (t[i] == '-' || t[i] == '+'))
        ++i;
    bool cifre = false;
    while (i < t.size() && cifra(t[i])) {
        cifre = true;
        ++i;
    }
    if (i < t.size() && t[i] == '.') {
        qsizetype j = i + 1;
        while (j < t.size() && cifra(t[j])) {
            cifre = true;
            ++j;
        }
        i = j;
    }
    return cifre ? t.sliced(inizio, i - inizio) : QByteArrayView();
}

double Val(QByteArrayView t)
{
    // The nearest double to the decimal text (C locale), not a sum of rounded digits.
    const QByteArrayView n = PrefissoNumero(t);
    return n.isEmpty() ? 0.0 : n.toByteArray().toDouble();
}

int CifraEsa(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

QString TrovoFile(const QString& percorso)
{
    QString p = percorso;
    p.replace(QLatin1Char('\\'), QLatin1Char('/'));
    const int sep = p.lastIndexOf(QLatin1Char('/'));
    if (sep < 0)
        return Files::Trova(QString(), p);
    return Files::Trova(sep == 0 ? QStringLiteral("/") : p.left(sep), p.mid(sep + 1))
        .replace(QStringLiteral("//"), QStringLiteral("/"));
}

double ValoreConSegno(QByteArrayView riga)
{
    const qsizetype meno = riga.indexOf('-');
    return meno >= 0 ? Val(riga.sliced(meno)) : Val(riga);
}

double ValoreConSegno(const QString& riga)
{
    const QByteArray b = riga.toLatin1();
    return ValoreConSegno(QByteArrayView(b));
}

bool TestoNumerico(QByteArrayView riga)
{
    const QByteArrayView t = TrimBlank(riga);
    if (t.isEmpty())
        return false;
    qsizetype i = 0;
    while (i < t.size() && t[i] == '0')
        ++i;
    if (i < t.size() && (t[i] == '-' || t[i] == '+')) {
        ++i;
        if (i >= t.size())
            return false;  // a sign needs digits after it
    }
    for (; i < t.size(); ++i)
        if (!cifra(t[i]))
            return false;
    return true;
}

bool NormalizzoValore(QByteArrayView riga, QByteArray& valore)
{
    const QByteArrayView t = TrimBlank(riga);
    if (t.size() <= 6) {
        valore = seiCaratteri(t);
        return true;
    }
    // Longer text: only a whole number whose significant text fits is accepted.
    if (!TestoNumerico(t))
        return false;
    qsizetype i = 0;
    while (i < t.size() && t[i] == '0')
        ++i;
    bool negativo = false;
    if (i < t.size() && (t[i] == '-' || t[i] == '+')) {
        negativo = t[i] == '-';
        ++i;
    }
    while (i < t.size() - 1 && t[i] == '0')
        ++i;
    QByteArray numero = t.sliced(i).toByteArray();
    if (numero == "0")
        negativo = false;
    if (negativo)
        numero.prepend('-');
    if (numero.size() > 6)
        return false;
    valore = seiCaratteri(numero);
    return true;
}

bool NormalizzoTesto(const QByteArray& testo, QByteArray& normalizzato)
{
    normalizzato.clear();
    normalizzato.reserve(testo.size() + testo.size() / 4);
    QByteArray valore;
    for (const QByteArrayView riga : RigheTesto(testo)) {
        const QByteArrayView t = TrimBlank(riga);
        if (t.startsWith('*'))
            continue;
        if (!NormalizzoValore(t, valore))
            return false;
        normalizzato += valore;
        normalizzato += "\r\n";
    }
    return true;
}

int FormattoFile(const QString& nomeFile)
{
    const QString percorso = TrovoFile(nomeFile);
    if (!QFileInfo(percorso).isFile())
        return -1;
    QByteArray testo, normalizzato;
    if (!Files::LeggiTutto(percorso, testo))
        return -1;
    if (!NormalizzoTesto(testo, normalizzato))
        return -1;
    return Files::ScriviAtomico(percorso, normalizzato) ? 0 : -1;
}

bool LeggoRecordMappa(const QByteArray& dati, int n, QByteArray& valore)
{
    if (n < 1)
        return false;
    const qsizetype pos = qsizetype(n - 1) * MappaValori::LunghezzaRecord;
    if (pos + 6 > dati.size())
        return false;
    valore = dati.mid(pos, 6);
    return true;
}

bool LeggoRecordMappa(const QString& nomeFile, int n, QByteArray& valore)
{
    if (n < 1)
        return false;
    QFile f(TrovoFile(nomeFile));
    if (!f.open(QIODevice::ReadOnly))
        return false;
    if (!f.seek(qint64(n - 1) * MappaValori::LunghezzaRecord))
        return false;
    const QByteArray b = f.read(6);
    if (b.size() != 6)
        return false;
    valore = b;
    return true;
}

bool ScrivoRecordMappa(const QString& nomeFile, const QList<std::pair<int, QByteArray>>& valori)
{
    const QString percorso = TrovoFile(nomeFile);
    QByteArray dati;
    if (!QFileInfo(percorso).isFile() || !Files::LeggiTutto(percorso, dati))
        return false;
    QByteArray sei;
    for (const auto& [n, testo] : valori) {
        if (n < 1)
            return false;
        const qsizetype pos = qsizetype(n - 1) * MappaValori::LunghezzaRecord;
        if (pos + 6 > dati.size() || !NormalizzoValore(testo, sei))
            return false;
        dati.replace(pos, 6, sei);
    }
    return Files::ScriviAtomico(percorso, dati);
}

QByteArray ImmagineDati(const QByteArray& mappa, const QByteArray& tabellaPWM,
                        const QByteArray& tabellaPCM)
{
    using namespace MappaValori;
    const QList<QByteArrayView> righe = RigheTesto(mappa);
    const QList<QByteArrayView> pwm = RigheTesto(tabellaPWM);
    const QList<QByteArrayView> pcm = RigheTesto(tabellaPCM);
    QByteArray immagine;
    immagine.reserve(LunghezzaImmagine);
    QByteArray valore;
    int n = 0;
    for (const QByteArrayView riga : righe) {
        if (TrimBlank(riga).startsWith('*'))
            continue;
        ++n;
        if (n > NumeroValori)
            break;
        QByteArrayView sorgente = riga;
        if (n >= PrimoPWM && n <= UltimoPWM) {
            const int k = n - PrimoPWM;
            if (k >= pwm.size() || !TestoNumerico(pwm[k]))
                return {};
            sorgente = pwm[k];
        } else if (n >= PrimoPCM && n <= UltimoPCM) {
            const int k = n - PrimoPCM;
            if (k >= pcm.size() || !TestoNumerico(pcm[k]))
                return {};
            sorgente = pcm[k];
        }
        if (!NormalizzoValore(sorgente, valore))
            return {};
        immagine += valore;
    }
    if (n < MinimoValori)
        return {};
    if (immagine.size() < LunghezzaImmagine)
        immagine.append(LunghezzaImmagine - immagine.size(), '0');
    return immagine;
}

QString TrovoTabella(const QString& dirValvole, const QString& radice, const QString& estensione,
                     int tipoCentralina)
{
    // No rail chosen: the tables are never looked for in the working folder.
    if (dirValvole.trimmed().isEmpty())
        return {};
    const QString numerata = Files::Percorso(dirValvole, radice + DueCifre(tipoCentralina) + QLatin1Char('.') + estensione);
    if (QFileInfo(numerata).isFile())
        return numerata;
    if (tipoCentralina == 1) {
        const QString semplice = Files::Percorso(dirValvole, radice + QLatin1Char('.') + estensione);
        if (QFileInfo(semplice).isFile())
            return semplice;
    }
    return {};
}

QByteArray ComponoDati(const QString& nomeFile, int tipoCentralina, const QString& dirValvole)
{
    const QString mappa = TrovoFile(nomeFile);
    if (!QFileInfo(mappa).isFile())
        return {};
    const QString pwm = TrovoTabella(dirValvole, QStringLiteral("TABPWM"), QStringLiteral("PWM"), tipoCentralina);
    if (pwm.isEmpty())
        return {};
    const QString pcm = TrovoTabella(dirValvole, QStringLiteral("TABPCM"), QStringLiteral("PCM"), tipoCentralina);
    if (pcm.isEmpty())
        return {};
    QByteArray m, tw, tc;
    if (!Files::LeggiTutto(mappa, m) || !Files::LeggiTutto(pwm, tw) || !Files::LeggiTutto(pcm, tc))
        return {};
    return ImmagineDati(m, tw, tc);
}

// ---- parameter text ----

namespace {

struct CampoParametro {
    int inizio;          // first character (from 1)
    int larghezza;
    const char* predefinito;
    int recordPrg;       // record of the value file
    const char* indirizzoF19;  // S1 record that carries it in a .F19 map
    int carattereF19;    // first hex digit of its word in that line (from 1)
    bool interruttore;   // 0 or 1 only
};

const CampoParametro Campi[] = {
    {1, 4, "1200", 2700, "54E2", 117, false},   // tank level minimum
    {5, 4, "2950", 2701, "54E2", 121, false},   // tank level maximum
    {9, 1, "0", 2706, "54E2", 141, true},       // changeover switch
    {10, 2, "25", 2654, "548E", 101, false},    // changeover temperature
    {12, 1, "0", 2690, "54E2", 77, true},       // forced gas
    {13, 4, "2000", 2691, "54E2", 81, false},   // changeover threshold
    {17, 4, " 200", 2692, "54E2", 85, false},   // drooping
    {21, 4, "  20", 2702, "54E2", 125, false},  // sampling number
    {25, 4, "0001", 75, "54E2", 137, false},    // ninth parameter
};

// Right(Space(w) & Format(value, "#0"), w); a flag other than 0 or 1 reads "0".
void metto(QString& testo, const CampoParametro& c, long long valore)
{
    if (c.interruttore && valore != 0 && valore != 1)
        valore = 0;
    QString s = QString(c.larghezza, QLatin1Char(' ')) + QString::number(valore);
    testo.replace(c.inizio - 1, c.larghezza, s.right(c.larghezza));
}

// The 4 hex digits at character `da` (from 1) as a signed 16-bit number.
bool parola(QByteArrayView riga, int da, int& valore)
{
    if (da < 1 || da + 3 > riga.size())
        return false;
    int v = 0;
    for (int i = 0; i < 4; ++i) {
        const int d = CifraEsa(riga[da - 1 + i]);
        if (d < 0)
            return false;
        v = v * 16 + d;
    }
    valore = static_cast<int16_t>(v);
    return true;
}

} // namespace

QString ParametriPredefiniti()
{
    QString testo;
    for (const CampoParametro& c : Campi)
        testo += QLatin1String(c.predefinito);
    return testo;
}

QString ParametriDaRecord(const QByteArray& dati)
{
    QString testo = ParametriPredefiniti();
    QByteArray v;
    for (const CampoParametro& c : Campi)
        if (LeggoRecordMappa(dati, c.recordPrg, v))
            metto(testo, c, std::llround(ValoreConSegno(QByteArrayView(v))));
    return testo;
}

QString ParametriDaF19(const QByteArray& dati)
{
    const QString predefiniti = ParametriPredefiniti();
    QString testo = predefiniti;
    for (const QByteArrayView riga : RigheTesto(dati)) {
        if (!riga.startsWith("S1") || riga.size() < 8)
            continue;
        const QByteArrayView indirizzo = riga.sliced(4, 4);
        const bool ultimo = indirizzo == QByteArrayView("54E2");
        if (!ultimo && indirizzo != QByteArrayView("548E"))
            continue;
        for (const CampoParametro& c : Campi) {
            if (indirizzo != QByteArrayView(c.indirizzoF19))
                continue;
            int v = 0;
            if (!parola(riga, c.carattereF19, v))
                return predefiniti;
            metto(testo, c, v);
        }
        if (ultimo)
            break;
    }
    return testo;
}

QString LeggoParametriMappa(const QString& dirCentralina, int tipoGas, int tipoCentralina)
{
    QByteArray dati;
    const QString personale = Files::PercorsoApp(QStringLiteral("PERSONALE.PRG"));
    if (QFileInfo(personale).isFile())
        return Files::LeggiTutto(personale, dati) ? ParametriDaRecord(dati) : ParametriPredefiniti();
    const QString nome = (tipoGas == 1 ? QStringLiteral("C_META") : QStringLiteral("C_GPL"))
                         + DueCifre(tipoCentralina) + QStringLiteral(".F19");
    const QString f19 = Files::Percorso(dirCentralina, nome);
    if (dirCentralina.isEmpty() || !QFileInfo(f19).isFile() || !Files::LeggiTutto(f19, dati))
        return ParametriPredefiniti();
    return ParametriDaF19(dati);
}
