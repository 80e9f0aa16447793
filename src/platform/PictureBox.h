#pragma once
// The drawing controls of the screens: a picture box with a
// persistent image and its own coordinate scale (twips, pixels or a user scale whose
// height may be negative so that y grows upwards), line controls painted over that image
// in the container's scale, and a picture clip that cuts a region out of an image.
// The scale arithmetic is plain functions so that it is tested without a screen.
#include <QColor>
#include <QImage>
#include <QPointF>
#include <QWidget>

#include <memory>
#include <vector>

namespace Scala {
constexpr double TwipPerPixel = 15.0;
enum Modo { Utente = 0, Twip = 1, Pixel = 3 };
} // namespace Scala

// A coordinate system over an area of pixels: x = left at the left edge, left + width at
// the right edge; y = top at the top edge, top + height at the bottom edge.
struct ScalaPicture {
    double left = 0, top = 0, width = 1, height = 1;
    // Pixel position of point (x, y) in an area of the given size.
    QPointF Pixel(double x, double y, QSize area) const;
    // Scale units of a length of `pixel` pixels along x / y (always positive).
    double UnitaX(double pixel, QSize area) const;
    double UnitaY(double pixel, QSize area) const;
    // The point of the scale at pixel position p.
    QPointF Punto(QPointF p, QSize area) const;
};

// The nearest sans-serif font (captions) and serif font (axis labels) in points.
QFont FontSansSerif(double punti, bool grassetto);
QFont FontSerif(double punti);

class PictureBox;

// A line control: two ends, a colour and visibility. The ends are given and read in the
// container's current scale but kept where they were put on the screen: a later change of
// the container's scale does not move the line (the grid of a pane stays put when its
// value axis is rescaled).
class ControlloLinea {
public:
    explicit ControlloLinea(PictureBox* contenitore);
    ControlloLinea(const ControlloLinea&) = delete;
    ControlloLinea& operator=(const ControlloLinea&) = delete;
    ~ControlloLinea();
    QColor BorderColor = Qt::black;
    bool Visible = true;
    PictureBox* Contenitore() const { return m_contenitore; }
    double X1() const;
    double Y1() const;
    double X2() const;
    double Y2() const;
    // Moves both ends at once and repaints the container.
    void Imposto(double x1, double y1, double x2, double y2);
    void setVisible(bool v);
    void setBorderColor(const QColor& c);
    // The ends in pixels of the container.
    QPointF Inizio() const { return m_inizio; }
    QPointF Fine() const { return m_fine; }

private:
    PictureBox* m_contenitore;
    QPointF m_inizio, m_fine;
};

// A control array of lines: element 0 exists from the start; further elements are
// loaded (invisible, with element 0's colour) and unloaded at run time.
class MatriceLinee {
public:
    explicit MatriceLinee(PictureBox* contenitore);
    ~MatriceLinee();
    MatriceLinee(const MatriceLinee&) = delete;
    MatriceLinee& operator=(const MatriceLinee&) = delete;
    int Count() const { return int(m_linee.size()); }
    ControlloLinea* operator[](int i) const { return m_linee.at(size_t(i)); }
    // Loads element i (the elements are contiguous: i must be Count()).
    ControlloLinea* Load(int i);
    // Unloads every element beyond element 0.
    void ScaricoOltreZero();

private:
    PictureBox* m_contenitore;
    std::vector<ControlloLinea*> m_linee;
};

class PictureBox : public QWidget {
    Q_OBJECT
public:
    explicit PictureBox(QWidget* parent = nullptr);
    ~PictureBox() override;

    // Line controls and control arrays of lines contained in this box (owned by it).
    ControlloLinea* CreoLinea();
    MatriceLinee* CreoMatriceLinee();

    // Position and size in twips of the parent (15 twips to a pixel).
    void Imposto(int left, int top, int width, int height);
    int Left() const { return x() * 15; }
    int Top() const { return y() * 15; }
    int Width() const { return width() * 15; }
    int Height() const { return height() * 15; }

    int ScaleMode() const { return m_modo; }
    void setScaleMode(int modo);
    double ScaleLeft() const { return m_scala.left; }
    double ScaleTop() const { return m_scala.top; }
    double ScaleWidth() const { return m_scala.width; }
    double ScaleHeight() const { return m_scala.height; }
    // Setting any of them switches to the user scale.
    void setScaleLeft(double v);
    void setScaleTop(double v);
    void setScaleWidth(double v);
    void setScaleHeight(double v);
    const ScalaPicture& Scala() const { return m_scala; }

    QColor BackColor() const { return m_sfondo; }
    void setBackColor(const QColor& c);
    QColor ForeColor() const { return m_primoPiano; }
    void setForeColor(const QColor& c) { m_primoPiano = c; }

    double CurrentX = 0, CurrentY = 0;

    // The background picture: the image becomes the back colour with the picture at its
    // top left corner (a smaller picture leaves the rest in the back colour).
    void setPicture(const QImage& picture);
    const QImage& Picture() const { return m_picture; }
    // The persistent image as drawn so far.
    const QImage& Image() const { return m_immagine; }

    // Clears the image to the background picture; the print position goes to the top left.
    void Cls();
    // A line from (x1, y1) to (x2, y2) in the current scale; colour invalid: ForeColor.
    void Line(double x1, double y1, double x2, double y2, const QColor& colore = QColor());
    void PSet(double x, double y, const QColor& colore = QColor());
    // Prints text with its top left corner at CurrentX/CurrentY; the position then moves
    // to the start of the next line.
    void Print(const QString& testo);
    double TextWidth(const QString& testo) const;
    double TextHeight(const QString& testo) const;

    // Drawing operations since the counter was last read (tests and benchmarks).
    int Disegni() const { return m_disegni; }

protected:
    void paintEvent(QPaintEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;

private:
    friend class ControlloLinea;
    void aggiornoScalaFissa();
    void adattoImmagine();
    QImage m_immagine;
    QImage m_picture;
    QColor m_sfondo = Qt::white;
    QColor m_primoPiano = Qt::black;
    int m_modo = Scala::Twip;
    ScalaPicture m_scala;
    std::vector<ControlloLinea*> m_linee;
    std::vector<std::unique_ptr<ControlloLinea>> m_singole;
    std::vector<std::unique_ptr<MatriceLinee>> m_matrici;
    int m_disegni = 0;
};

// A picture clip: holds a picture and returns the region ClipX, ClipY, ClipWidth,
// ClipHeight (pixels) stretched to StretchX x StretchY.
class PictureClip {
public:
    QImage Picture;
    int ClipX = 0, ClipY = 0, ClipWidth = 0, ClipHeight = 0;
    int StretchX = 0, StretchY = 0;
    int Width() const { return Picture.width(); }
    int Height() const { return Picture.height(); }
    // The region; a null image when it does not lie inside the picture or is empty.
    QImage Clip() const;
};
