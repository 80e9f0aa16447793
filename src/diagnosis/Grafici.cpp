#include "diagnosis/Grafici.h"

#include "diagnosis/DatiMotore.h"
#include "diagnosis/RigaDati.h"
#include "ecu_link/DatiCentralina.h"
#include "platform/Files.h"
#include "shell/Modulo.h"
#include "shell/Procedure.h"

#include <QFile>
#include <QIODevice>

#include <cmath>

StatoGraficiRec Graf;

namespace {

// The unit conversion of a channel: shown = (received - sottrai) * moltiplica / dividi,
// computed exactly; dividi 0 keeps the received text.
struct Conversione {
    qint64 sottrai = 0, moltiplica = 1, dividi = 0;
};

struct VoceCanale {
    int messaggio;           // 0: the literal caption
    const char* letterale;
    qint32 massimo;
    qint16 divisioni, suddivisioni, margine;
    const char* formato;
    Conversione conversione;
};

// Channel table: caption, configured maximum, divisions, subdivisions, margin, format and
// the conversion from the ECU's units to the units shown.
constexpr VoceCanale TabellaCanali[17] = {
    {302, nullptr, 2500, 10, 10, 1, "#0.0", {}},
    {303, nullptr, 2500, 10, 10, 1, "#0.0", {}},
    {310, nullptr, 2500, 10, 10, 1, "#0.0", {}},
    {308, nullptr, 150, 10, 3, 1, "#0.0", {}},
    {306, nullptr, 1000, 10, 10, 1, "#0.0", {}},
    {0, "Livello gas", 1000, 10, 10, 1, "#0", {}},
    {309, nullptr, 100, 10, 10, 1, "#0.0", {700, 100, 3800}},  // TPS 700..4500 -> 0..100 %
    {298, nullptr, 10, 10, 0, 1, "#0", {}},
    {307, nullptr, 100, 10, 10, 1, "#0.0", {0, 1, 100}},       // hundredths of a percent
    {305, nullptr, 8000, 10, 10, 1, "#0", {}},
    {299, nullptr, 10, 10, 0, 1, "#0", {}},
    {301, nullptr, 100, 10, 10, 1, "#0.0", {0, 1, 10}},        // tenths of a percent
    {300, nullptr, 15, 10, 0, 1, "#0.0", {0, 1, 100}},         // hundredths of g/s
    {0, "Libero 1", 100, 10, 10, 1, "#0", {}},
    {304, nullptr, 2500, 10, 10, 1, "#0.0", {}},
    {311, nullptr, 0, 0, 0, 0, nullptr, {}},
    {0, "Campioni", 200, 5, 10, 1, "#0", {}},
};

constexpr RettangoloTwip Posizioni[4] = {
    {2100, 120, 9855, 6975}, {2100, 3610, 9855, 3485}, {7000, 120, 4925, 3485}, {7000, 3610, 4925, 3485}};

// The number right-aligned in the 8 characters of a value. One that does not fit is the
// overflow mark, never some of its digits: false then (a mark is no number to track).
bool Testo8(const QString& numero, QByteArray& testo)
{
    QString t = numero;
    CambioVirgola(t);
    if (t.size() > 8) {
        testo = QByteArray(8, '#');
        return false;
    }
    testo = t.toLatin1().rightJustified(8, ' ');
    return true;
}

double Doppio(const NumeroEsatto& n)
{
    return double(n.num) / double(n.den);
}

} // namespace

void IniVarGrafici()
{
    for (Traccia& t : Graf.Tracce)
        t = Traccia();
    for (int s = 0; s < 4; ++s)
        Graf.PosizioniGrafici[s] = Posizioni[s];
    for (int c = 0; c < 17; ++c) {
        const VoceCanale& v = TabellaCanali[c];
        CanaleGrafico& k = Graf.Canali[c];
        k = CanaleGrafico();
        k.Nome = v.messaggio ? Msg(v.messaggio) : QString::fromLatin1(v.letterale);
        if (c == StatoGraficiRec::CanaleCarburante)
            continue;
        k.Massimo = v.massimo;
        k.Divisioni = v.divisioni;
        k.Suddivisioni = v.suddivisioni;
        k.Margine = v.margine;
        k.Formato = QString::fromLatin1(v.formato);
    }
}

void AzzeroScaleGrafici()
{
    Graf.OrigineTempo = 0;
    for (CanaleGrafico& c : Graf.Canali) {
        c.ScalaMin = c.Minimo;
        c.ScalaMax = c.Massimo;
        c.ScalaMinDisegnata = c.ScalaMaxDisegnata = 0;
        c.ValoreMin = c.ValoreMax = 0;
    }
}

void CalcoloScala(double vmin, double vmax, int margine, int divisioni, qint32& scalaMin, qint32& scalaMax)
{
    if (divisioni <= 0)
        return;
    const double r = vmax - vmin;
    const double m = r / 100.0 * margine;
    const double n = std::nearbyint((r + 2 * m) / divisioni + 1); // halves to even
    const double s = divisioni * n;
    const double c = (vmin + vmax) / 2.0;
    const double alto = std::floor(c + s / 2.0 + 1.0);
    if (!std::isfinite(alto) || std::abs(alto) > 2.0e9 || std::abs(alto - s) > 2.0e9)
        return; // beyond the axis range: the axis stays as it was
    scalaMax = qint32(alto);
    scalaMin = qint32(alto - s);
}

bool ConvertoCanale(int c, QByteArray& testo, double& v)
{
    if (c < 0 || c >= StatoGraficiRec::CanaleDerivato)
        return false;
    NumeroEsatto n;
    if (!LeggoNumeroEsatto(testo, n))
        return false;
    const Conversione& k = TabellaCanali[c].conversione;
    if (k.dividi == 0) {
        v = Doppio(n);
        return true;
    }
    n = {(n.num - k.sottrai * n.den) * k.moltiplica, n.den * k.dividi};
    if (!Testo8(FormattoNumero(n, QString::fromLatin1(TabellaCanali[c].formato)), testo))
        return false;
    v = Doppio(n);
    return true;
}

bool CanaleDerivato(const QByteArray& p1, const QByteArray& deltaP, QByteArray& testo, double& v)
{
    NumeroEsatto a, b;
    if (!LeggoNumeroEsatto(p1, a) || !LeggoNumeroEsatto(deltaP, b))
        return false;
    const NumeroEsatto d{a.num * b.den - b.num * a.den, a.den * b.den};
    if (!Testo8(FormattoNumero(d, QStringLiteral("#0.0")), testo))
        return false;
    v = Doppio(d);
    return true;
}

void TracciaValore(CanaleGrafico& c, double v, qint32 numero)
{
    if (numero == 0) {
        c.ValoreMin = c.ValoreMax = v;
        CalcoloScala(c.ValoreMin, c.ValoreMax, c.Margine, c.Divisioni, c.ScalaMin, c.ScalaMax);
    } else if (v <= c.ValoreMin) {
        c.ValoreMin = v;
        if (v <= c.ScalaMin)
            CalcoloScala(c.ValoreMin, c.ValoreMax, c.Margine, c.Divisioni, c.ScalaMin, c.ScalaMax);
    } else if (v >= c.ValoreMax) {
        c.ValoreMax = v;
        if (v >= c.ScalaMax)
            CalcoloScala(c.ValoreMin, c.ValoreMax, c.Margine, c.Divisioni, c.ScalaMin, c.ScalaMax);
    }
}

void ElaboroCampioni()
{
    const int inizio = Diagnosi.IndiceCampioni;
    if (inizio < 0)
        return;
    std::array<bool, 16> primo;
    primo.fill(true);
    const qint32 sinistra = Graf.Canali[StatoGraficiRec::CanaleTempo].ScalaMin + Graf.OrigineTempo;
    int i = inizio;
    do {
        const RigaDati& r = Diagnosi.Campioni[i];
        if (r.Numero == 0 || r.Numero < sinistra)
            break;
        for (int c = 0; c < 16; ++c) {
            if (c == StatoGraficiRec::CanaleCarburante || !Numerico(r.Valore[c]))
                continue;
            const double v = Val(r.Valore[c]);
            CanaleGrafico& k = Graf.Canali[c];
            if (primo[c]) {
                k.ValoreMin = k.ValoreMax = v;
                primo[c] = false;
            } else if (v < k.ValoreMin) {
                k.ValoreMin = v;
            } else if (v > k.ValoreMax) {
                k.ValoreMax = v;
            }
        }
        i = i > 0 ? i - 1 : StatoDiagnosiRec::RigheCampioni - 1;
    } while (i != inizio);
    for (int c = 0; c <= StatoGraficiRec::CanaleDerivato; ++c) {
        CanaleGrafico& k = Graf.Canali[c];
        CalcoloScala(k.ValoreMin, k.ValoreMax, k.Margine, k.Divisioni, k.ScalaMin, k.ScalaMax);
    }
}

int CalcoloPasso(double x, double min, double max, int divisioni, qint32& origine)
{
    if (divisioni <= 0)
        return -1;
    const double passo = std::nearbyint((max - min) / divisioni);
    if (passo <= 0 || !std::isfinite(x))
        return -1;
    const double o = std::nearbyint(passo * (std::floor(x / passo) + 1) - (max - min));
    if (std::abs(o) > 2.0e9)
        return -1;
    origine = qint32(o);
    return 0;
}

void LeggoTracce(QIODevice& file, const std::array<Traccia, 4>& tracce, qint32 origine, qint32 inizio,
                 const std::function<void(const Segmento&)>& disegno)
{
    constexpr int L = StatoDiagnosiRec::LungRigaGraf;
    const qint64 n = file.size() / L;
    QByteArray precedente(L, ' ');
    auto numero = [](const QByteArray& rec) { return Numerico(rec.left(8)) ? Val(rec.left(8)) : -1.0; };
    for (qint64 r = n; r >= 1; --r) {
        if (!file.seek((r - 1) * L))
            return;
        const QByteArray rec = file.read(L);
        if (rec.size() != L)
            return;
        const double num = numero(rec);
        const double numPrec = numero(precedente);
        if (num >= 1) {
            for (int s = 0; s < 4; ++s) {
                const int c = tracce[s].Canale;
                if (c < 0 || c > 15)
                    continue;
                const QByteArray campo = rec.mid(8 + 8 * c, 8);
                if (!Numerico(campo))
                    continue;
                const double y = Val(campo);
                const QByteArray campoPrec = precedente.mid(8 + 8 * c, 8);
                if (numPrec >= 1 && Numerico(campoPrec))
                    disegno({s, numPrec - origine, Val(campoPrec), num - origine, y, false});
                else
                    disegno({s, num - origine, y, num - origine, y, true});
            }
        }
        if (num >= 0 && num < inizio)
            return;
        precedente = rec;
    }
}

void RidisegnoDaFile()
{
    DatiMotore* d = DatiMotore::Istanza();
    QFile f(Files::PercorsoApp(QStringLiteral("DATI_GRAF.GRF")));
    if (!d || !f.open(QIODevice::ReadOnly) || f.size() == 0)
        return;
    LeggoTracce(f, Graf.Tracce, Graf.OrigineTempo,
                Graf.Canali[StatoGraficiRec::CanaleTempo].ScalaMin + Graf.OrigineTempo,
                [d](const Segmento& s) { d->DisegnoSegmento(s); });
}

LayoutPannello PannelloDisegno()
{
    LayoutPannello p;
    p.nomeC = {840, 30, 8535, 255};
    p.boxScalaY = {120, 30, 705, 6495};
    p.grafico = {840, 300, 8500, 6120};
    p.boxScalaX = {360, 6480, 9375, 495};
    p.scalaXX2 = 8940;
    p.scalaYY2 = 6240;
    return p;
}

std::array<std::optional<LayoutPannello>, 4> CalcoloLayout(const std::array<Traccia, 4>& tracce,
                                                           const std::array<RettangoloTwip, 4>& posizioni)
{
    std::array<std::optional<LayoutPannello>, 4> r;
    int numGrafici = 0;
    for (const Traccia& t : tracce)
        numGrafici += t.Canale >= 0;
    int k = 0;
    for (int s = 0; s < 4; ++s) {
        if (tracce[s].Canale < 0)
            continue;
        LayoutPannello p = PannelloDisegno();
        const RettangoloTwip& dove = posizioni[numGrafici < 3 ? k : s];
        const RettangoloTwip& misura = posizioni[numGrafici - 1];
        p.pannello = {dove.Left, dove.Top, misura.Width, misura.Height};
        p.boxScalaX.Top = p.pannello.Height - p.boxScalaX.Height;
        p.boxScalaX.Width = p.pannello.Width - p.boxScalaX.Left;
        p.boxScalaY.Height = p.boxScalaX.Top - p.boxScalaY.Top + 100;
        p.grafico.Height = p.boxScalaX.Top - p.grafico.Top;
        p.grafico.Width = p.boxScalaX.Width - 875;
        p.scalaXX2 = 495 + p.grafico.Width - 55;
        p.scalaYY2 = 285 + p.grafico.Height - 55;
        p.nomeC.Width = p.grafico.Width;
        r[s] = p;
        ++k;
    }
    return r;
}

namespace {

QString Etichetta(double valore, const QString& formato)
{
    QString t = FormattoNumero(valore, formato);
    CambioVirgola(t);
    return t;
}

// Minor ticks between two major ticks at a and b (exclusive; none before the first).
template <class F>
void Suddivido(double a, double b, int suddivisioni, F tacca)
{
    for (int j = 1; j < suddivisioni && a != b; ++j)
        tacca(a + (b - a) / suddivisioni * j);
}

} // namespace

DisegnoAsse CalcoloAsseX(double x0, double x1, double y, double min, double max, int divisioni,
                         int suddivisioni, const QString& formato, const MisuraTesto& larghezza)
{
    DisegnoAsse a;
    if (divisioni <= 0)
        return a;
    double precedente = x0;
    for (int i = 0; i <= divisioni; ++i) {
        const double xi = x0 + (x1 - x0) / divisioni * i;
        a.tacche.push_back({xi, y, xi, y + 100});
        const QString t = Etichetta(min + (max - min) / divisioni * i, formato);
        a.scritte.push_back({t, xi - larghezza(t) / 2, y + 150});
        Suddivido(precedente, xi, suddivisioni, [&](double x) { a.tacche.push_back({x, y, x, y + 50}); });
        precedente = xi;
    }
    return a;
}

DisegnoAsse CalcoloAsseY(double y0, double y1, double x, double min, double max, int divisioni,
                         int suddivisioni, const QString& formato, const MisuraTesto& larghezza,
                         const MisuraTesto& altezza)
{
    DisegnoAsse a;
    if (divisioni <= 0)
        return a;
    double precedente = y0;
    QString testoPrecedente;
    for (int i = 0; i <= divisioni; ++i) {
        const double yi = y0 + (y1 - y0) / divisioni * i;
        a.tacche.push_back({x, yi, x - 100, yi});
        const QString t = Etichetta(max - (max - min) / divisioni * i, formato);
        if (i == 0 || t != testoPrecedente)
            a.scritte.push_back({t, x - 150 - larghezza(t), yi - altezza(t) / 2});
        testoPrecedente = t;
        Suddivido(precedente, yi, suddivisioni, [&](double v) { a.tacche.push_back({x, v, x - 50, v}); });
        precedente = yi;
    }
    return a;
}

namespace {

void DisegnoAsse_(PictureBox* box, const DisegnoAsse& a, const QColor& colore)
{
    for (const Tacca& t : a.tacche)
        box->Line(t.x1, t.y1, t.x2, t.y2, colore);
    for (const Scritta& s : a.scritte) {
        box->CurrentX = s.x;
        box->CurrentY = s.y;
        box->Print(s.testo);
    }
}

} // namespace

void ImpostoScala(PictureBox* pic, double ymin, double ymax, double xmin, double xmax, const PictureClip& clip)
{
    pic->setScaleMode(Scala::Pixel);
    pic->setPicture(clip.Clip());
    pic->setScaleLeft(xmin);
    pic->setScaleWidth(xmax - xmin);
    pic->setScaleTop(ymax);
    pic->setScaleHeight(-(ymax - ymin));
}

void DisegnoAsseX(PictureBox* box, ControlloLinea* asse, double min, double max, const QColor& colore,
                  int divisioni, int suddivisioni, const QString& formato)
{
    box->Cls();
    box->setForeColor(colore);
    asse->setBorderColor(colore);
    const DisegnoAsse a = CalcoloAsseX(std::min(asse->X1(), asse->X2()), std::max(asse->X1(), asse->X2()), asse->Y1(), min,
                                       max, divisioni, suddivisioni, formato,
                                       [box](const QString& t) { return box->TextWidth(t); });
    DisegnoAsse_(box, a, colore);
}

void DisegnoAsseY(PictureBox* box, ControlloLinea* asse, double min, double max, const QColor& colore,
                  int divisioni, int suddivisioni, const QString& formato)
{
    box->Cls();
    asse->setBorderColor(colore);
    box->setForeColor(colore);
    const DisegnoAsse a = CalcoloAsseY(std::min(asse->Y1(), asse->Y2()), std::max(asse->Y1(), asse->Y2()), asse->X1(), min,
                                       max, divisioni, suddivisioni, formato,
                                       [box](const QString& t) { return box->TextWidth(t); },
                                       [box](const QString& t) { return box->TextHeight(t); });
    DisegnoAsse_(box, a, colore);
}

void LineeVerticali(PictureBox* pic, int n, double min, double max, MatriceLinee* griglia, const QColor& colore)
{
    if (n <= 0)
        return;
    const double passo = (max - min) / n;
    for (int k = 1; k < n && k - 1 < griglia->Count(); ++k) {
        ControlloLinea* l = (*griglia)[k - 1];
        l->BorderColor = colore;
        l->Imposto(k * passo, pic->ScaleTop(), k * passo, pic->ScaleTop() + pic->ScaleHeight());
        l->setVisible(true);
    }
}

void LineeOrizzontali(PictureBox* pic, int n, MatriceLinee* griglia, const QColor& colore)
{
    if (n <= 0)
        return;
    const double passo = pic->ScaleHeight() / n;
    for (int k = 1; k < n && k - 1 < griglia->Count(); ++k) {
        ControlloLinea* l = (*griglia)[k - 1];
        l->BorderColor = colore;
        const double y = pic->ScaleTop() + k * passo;
        l->Imposto(pic->ScaleLeft(), y, pic->ScaleLeft() + pic->ScaleWidth(), y);
        l->setVisible(true);
    }
}

bool ScorroGrafico(PictureBox* pic, PictureClip& clip, double xmin, double xmax, int divisioni,
                   qint32 origineNuova, qint32 origineVecchia)
{
    if (divisioni <= 0)
        return false;
    const double passoCampioni = std::nearbyint((xmax - xmin) / divisioni);
    if (passoCampioni <= 0)
        return false;
    const int n = int(std::nearbyint((origineNuova - origineVecchia) / passoCampioni));
    if (n < 0 || n >= divisioni)
        return false;
    const double top = pic->ScaleTop();
    const double altezza = pic->ScaleHeight();
    pic->setScaleMode(Scala::Pixel);
    const int passoPixel = int(pic->ScaleWidth() / divisioni);
    clip.Picture = pic->Image();
    clip.ClipX = passoPixel * n;
    clip.ClipY = 0;
    clip.StretchX = clip.Width() - clip.ClipX;
    clip.StretchY = pic->Image().height();
    clip.ClipWidth = clip.StretchX;
    clip.ClipHeight = clip.StretchY;
    const QImage spostata = clip.Clip();
    const bool ok = !spostata.isNull();
    if (ok)
        pic->setPicture(spostata);
    pic->setScaleLeft(xmin);
    pic->setScaleWidth(xmax - xmin);
    pic->setScaleTop(top);
    pic->setScaleHeight(altezza);
    return ok;
}
