#pragma once
// The graph engine of the live-data screen: the channel table with its unit conversions
// and auto-ranged axes, the four graph slots and their pane rectangles, the time window,
// the axes, grid lines and scroll of a pane, and the redraw of the traces from the
// recording file. The arithmetic is plain functions; the drawing works on the picture boxes
// it is handed.
#include "platform/PictureBox.h"

#include <QByteArray>
#include <QString>

#include <array>
#include <functional>
#include <optional>
#include <vector>

class QIODevice;

struct CanaleGrafico {
    QString Nome;
    bool InGrafico = false;
    qint32 Minimo = 0;
    qint32 Massimo = 0;
    qint32 ScalaMin = 0;
    qint32 ScalaMax = 0;
    qint32 ScalaMinDisegnata = 0;
    qint32 ScalaMaxDisegnata = 0;
    double ValoreMin = 0;
    double ValoreMax = 0;
    qint16 Divisioni = 0;
    qint16 Suddivisioni = 0;
    qint16 Margine = 0;
    QString Formato;
};

struct Traccia {
    int Canale = -1;            // channel shown, -1 free
    int CanalePrecedente = -1;  // channel shown at the last layout, -1 none
};

struct RettangoloTwip {
    int Left = 0, Top = 0, Width = 0, Height = 0;
    bool operator==(const RettangoloTwip&) const = default;
};

struct StatoGraficiRec {
    static constexpr int CanaleDerivato = 14;  // pressure 2 = pressure 1 - delta P
    static constexpr int CanaleCarburante = 15;
    static constexpr int CanaleTempo = 16;     // the time axis, in sample numbers

    std::array<CanaleGrafico, 17> Canali;
    std::array<Traccia, 4> Tracce;
    std::array<RettangoloTwip, 4> PosizioniGrafici;
    qint32 OrigineTempo = 0;                   // sample number at the left edge of the window

    void reset() { *this = StatoGraficiRec(); }
};

extern StatoGraficiRec Graf;

// Builds the channel table (captions in the language in force), frees the four slots and
// sets the pane rectangles.
void IniVarGrafici();

// Back to the configured bounds: every channel's axis, drawn axis and observed range, and
// the time window at 0 (the first steps of a new recording).
void AzzeroScaleGrafici();

// The auto-range: an axis of a whole number of divisions around [vmin, vmax] with
// `margine` percent of the range on each side.
void CalcoloScala(double vmin, double vmax, int margine, int divisioni, qint32& scalaMin, qint32& scalaMax);

// Frame field of channel c (0..13) as held in row 0: false when it is not numeric (left
// as it came); otherwise the converted text of channels 6, 8, 11 and 12 replaces it and
// v is the value in the units shown. A converted value that does not fit 8 characters
// becomes the overflow mark "########" and gives false (not tracked, not drawn).
bool ConvertoCanale(int c, QByteArray& testo, double& v);
// Channel 14 from channels 0 and 1: false (text unchanged) unless both are numeric; a
// difference that does not fit 8 characters is the overflow mark, with false.
bool CanaleDerivato(const QByteArray& p1, const QByteArray& deltaP, QByteArray& testo, double& v);

// The range tracking of one channel for a sample numbered `numero` (0: the first after a
// reset): the axis is recomputed when the value reaches an axis bound.
void TracciaValore(CanaleGrafico& c, double v, qint32 numero);

// Recomputes every channel's observed range and axis over the samples of the ring that
// lie in the visible time window.
void ElaboroCampioni();

// New window origin when sample x has reached the right edge: the newest sample then lies
// in the last division. Returns 0, or -1 (origine unchanged) when the arithmetic fails.
int CalcoloPasso(double x, double min, double max, int divisioni, qint32& origine);

// One segment of a trace: from (x1, y1) to (x2, y2), or a single point at (x2, y2).
struct Segmento {
    int slot;
    double x1, y1, x2, y2;
    bool punto;
    bool operator==(const Segmento&) const = default;
};

// Walks the recording from its newest record backwards and hands every segment of the
// occupied slots that lies in the window starting at sample `inizio` (x = number -
// origine). A partial last record is ignored.
void LeggoTracce(QIODevice& file, const std::array<Traccia, 4>& tracce, qint32 origine, qint32 inizio,
                 const std::function<void(const Segmento&)>& disegno);

// Draws the traces of the visible window from the recording file into the live screen's
// panes; does nothing when the file is missing or empty.
void RidisegnoDaFile();

// Pane layout of one slot, in twips of the pane's own coordinates.
struct LayoutPannello {
    RettangoloTwip pannello, boxScalaX, boxScalaY, grafico, nomeC;
    double scalaXX2 = 0, scalaYY2 = 0;  // ends of the axis lines
};
// The design of a pane before the layout.
LayoutPannello PannelloDisegno();
// The rectangles of the occupied slots for the layout of one to four panes.
std::array<std::optional<LayoutPannello>, 4> CalcoloLayout(const std::array<Traccia, 4>& tracce,
                                                           const std::array<RettangoloTwip, 4>& posizioni);

// Ticks and labels of an axis, in the twips of its box.
struct Tacca {
    double x1, y1, x2, y2;
};
struct Scritta {
    QString testo;
    double x, y;  // top left corner
};
struct DisegnoAsse {
    std::vector<Tacca> tacche;
    std::vector<Scritta> scritte;
};
using MisuraTesto = std::function<double(const QString&)>;
// Time axis along y from x0 to x1: labels centred under the major ticks.
DisegnoAsse CalcoloAsseX(double x0, double x1, double y, double min, double max, int divisioni,
                         int suddivisioni, const QString& formato, const MisuraTesto& larghezza);
// Value axis at x from y0 (top, max) to y1: labels right-aligned left of the ticks, a label
// equal to the one above it left out.
DisegnoAsse CalcoloAsseY(double y0, double y1, double x, double min, double max, int divisioni,
                         int suddivisioni, const QString& formato, const MisuraTesto& larghezza,
                         const MisuraTesto& altezza);

// Clears a trace picture to the blank image of the clip and gives it its scale, y upwards.
void ImpostoScala(PictureBox* pic, double ymin, double ymax, double xmin, double xmax, const PictureClip& clip);
void DisegnoAsseX(PictureBox* box, ControlloLinea* asse, double min, double max, const QColor& colore,
                  int divisioni, int suddivisioni, const QString& formato);
void DisegnoAsseY(PictureBox* box, ControlloLinea* asse, double min, double max, const QColor& colore,
                  int divisioni, int suddivisioni, const QString& formato);
void LineeVerticali(PictureBox* pic, int n, double min, double max, MatriceLinee* griglia, const QColor& colore);
void LineeOrizzontali(PictureBox* pic, int n, MatriceLinee* griglia, const QColor& colore);
// Shifts a trace picture left by the whole divisions the window moved. False when it
// cannot (a move of the whole width or more, or backwards): the caller clears the pane.
bool ScorroGrafico(PictureBox* pic, PictureClip& clip, double xmin, double xmax, int divisioni,
                   qint32 origineNuova, qint32 origineVecchia);
