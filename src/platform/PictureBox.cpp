#include "platform/PictureBox.h"

#include <QFontMetricsF>
#include <QPainter>

#include <algorithm>

QPointF ScalaPicture::Pixel(double x, double y, QSize area) const
{
    return {(x - left) * area.width() / width, (y - top) * area.height() / height};
}

double ScalaPicture::UnitaX(double pixel, QSize area) const
{
    return area.width() > 0 ? pixel * std::abs(width) / area.width() : 0.0;
}

double ScalaPicture::UnitaY(double pixel, QSize area) const
{
    return area.height() > 0 ? pixel * std::abs(height) / area.height() : 0.0;
}

QFont FontSansSerif(double punti, bool grassetto)
{
    QFont f(QStringLiteral("Sans Serif"));
    f.setStyleHint(QFont::SansSerif);
    f.setPointSizeF(punti);
    f.setBold(grassetto);
    return f;
}

QFont FontSerif(double punti)
{
    QFont f(QStringLiteral("Serif"));
    f.setStyleHint(QFont::Serif);
    f.setPointSizeF(punti);
    return f;
}

ControlloLinea::ControlloLinea(PictureBox* contenitore) : m_contenitore(contenitore)
{
    m_contenitore->m_linee.push_back(this);
}

ControlloLinea::~ControlloLinea()
{
    auto& v = m_contenitore->m_linee;
    v.erase(std::remove(v.begin(), v.end(), this), v.end());
    m_contenitore->update();
}

void ControlloLinea::Imposto(double x1, double y1, double x2, double y2)
{
    X1 = x1;
    Y1 = y1;
    X2 = x2;
    Y2 = y2;
    m_contenitore->update();
}

void ControlloLinea::setVisible(bool v)
{
    Visible = v;
    m_contenitore->update();
}

void ControlloLinea::setBorderColor(const QColor& c)
{
    BorderColor = c;
    m_contenitore->update();
}

MatriceLinee::MatriceLinee(PictureBox* contenitore) : m_contenitore(contenitore)
{
    m_linee.push_back(new ControlloLinea(contenitore));
}

MatriceLinee::~MatriceLinee()
{
    for (ControlloLinea* l : m_linee)
        delete l;
}

ControlloLinea* MatriceLinee::Load(int i)
{
    if (i != Count())
        return i < Count() ? m_linee[size_t(i)] : nullptr;
    auto* l = new ControlloLinea(m_contenitore);
    l->BorderColor = m_linee[0]->BorderColor;
    l->Visible = false;
    m_linee.push_back(l);
    return l;
}

void MatriceLinee::ScaricoOltreZero()
{
    while (m_linee.size() > 1) {
        delete m_linee.back();
        m_linee.pop_back();
    }
}

PictureBox::PictureBox(QWidget* parent) : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    aggiornoScalaFissa();
}

PictureBox::~PictureBox()
{
    m_matrici.clear();
    m_singole.clear();
}

ControlloLinea* PictureBox::CreoLinea()
{
    m_singole.push_back(std::make_unique<ControlloLinea>(this));
    return m_singole.back().get();
}

MatriceLinee* PictureBox::CreoMatriceLinee()
{
    m_matrici.push_back(std::make_unique<MatriceLinee>(this));
    return m_matrici.back().get();
}

void PictureBox::Imposto(int left, int top, int width, int height)
{
    setGeometry(left / 15, top / 15, std::max(0, width / 15), std::max(0, height / 15));
}

void PictureBox::aggiornoScalaFissa()
{
    if (m_modo == Scala::Utente)
        return;
    const double f = m_modo == Scala::Twip ? Scala::TwipPerPixel : 1.0;
    m_scala = {0, 0, std::max(1, width()) * f, std::max(1, height()) * f};
}

void PictureBox::setScaleMode(int modo)
{
    m_modo = modo;
    aggiornoScalaFissa();
}

void PictureBox::setScaleLeft(double v)
{
    m_modo = Scala::Utente;
    m_scala.left = v;
}

void PictureBox::setScaleTop(double v)
{
    m_modo = Scala::Utente;
    m_scala.top = v;
}

void PictureBox::setScaleWidth(double v)
{
    m_modo = Scala::Utente;
    if (v != 0)
        m_scala.width = v;
}

void PictureBox::setScaleHeight(double v)
{
    m_modo = Scala::Utente;
    if (v != 0)
        m_scala.height = v;
}

void PictureBox::setBackColor(const QColor& c)
{
    m_sfondo = c;
    Cls();
}

void PictureBox::setPicture(const QImage& picture)
{
    m_picture = picture;
    Cls();
}

void PictureBox::Cls()
{
    const QSize area(std::max(1, width()), std::max(1, height()));
    if (m_immagine.size() != area)
        m_immagine = QImage(area, QImage::Format_RGB32);
    m_immagine.fill(m_sfondo);
    if (!m_picture.isNull()) {
        QPainter p(&m_immagine);
        p.drawImage(0, 0, m_picture);
    }
    CurrentX = m_scala.left;
    CurrentY = m_scala.top;
    ++m_disegni;
    update();
}

void PictureBox::Line(double x1, double y1, double x2, double y2, const QColor& colore)
{
    if (m_immagine.isNull())
        Cls();
    QPainter p(&m_immagine);
    p.setPen(colore.isValid() ? colore : m_primoPiano);
    p.drawLine(m_scala.Pixel(x1, y1, m_immagine.size()), m_scala.Pixel(x2, y2, m_immagine.size()));
    CurrentX = x2;
    CurrentY = y2;
    ++m_disegni;
    update();
}

void PictureBox::PSet(double x, double y, const QColor& colore)
{
    if (m_immagine.isNull())
        Cls();
    QPainter p(&m_immagine);
    p.setPen(colore.isValid() ? colore : m_primoPiano);
    p.drawPoint(m_scala.Pixel(x, y, m_immagine.size()));
    CurrentX = x;
    CurrentY = y;
    ++m_disegni;
    update();
}

void PictureBox::Print(const QString& testo)
{
    if (m_immagine.isNull())
        Cls();
    QPainter p(&m_immagine);
    p.setPen(m_primoPiano);
    p.setFont(font());
    const QFontMetricsF m(font());
    const QPointF alto = m_scala.Pixel(CurrentX, CurrentY, m_immagine.size());
    p.drawText(QPointF(alto.x(), alto.y() + m.ascent()), testo);
    CurrentX = m_scala.left;
    CurrentY += (m_scala.height < 0 ? -1 : 1) * TextHeight(testo);
    ++m_disegni;
    update();
}

double PictureBox::TextWidth(const QString& testo) const
{
    return m_scala.UnitaX(QFontMetricsF(font()).horizontalAdvance(testo), size());
}

double PictureBox::TextHeight(const QString&) const
{
    return m_scala.UnitaY(QFontMetricsF(font()).height(), size());
}

void PictureBox::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    if (m_immagine.isNull())
        p.fillRect(rect(), m_sfondo);
    else
        p.drawImage(0, 0, m_immagine);
    for (const ControlloLinea* l : m_linee) {
        if (!l->Visible)
            continue;
        p.setPen(l->BorderColor);
        p.drawLine(m_scala.Pixel(l->X1, l->Y1, size()), m_scala.Pixel(l->X2, l->Y2, size()));
    }
}

void PictureBox::resizeEvent(QResizeEvent* e)
{
    QWidget::resizeEvent(e);
    aggiornoScalaFissa();
    // The persistent image keeps what was drawn; new area shows the background.
    const QSize area(std::max(1, width()), std::max(1, height()));
    if (!m_immagine.isNull() && m_immagine.size() != area) {
        QImage nuova(area, QImage::Format_RGB32);
        nuova.fill(m_sfondo);
        QPainter p(&nuova);
        p.drawImage(0, 0, m_immagine);
        m_immagine = nuova;
    }
}

QImage PictureClip::Clip() const
{
    const QRect regione(ClipX, ClipY, ClipWidth, ClipHeight);
    if (Picture.isNull() || regione.isEmpty() || !Picture.rect().contains(regione) || StretchX <= 0
        || StretchY <= 0)
        return QImage();
    QImage r = Picture.copy(regione);
    if (r.size() != QSize(StretchX, StretchY))
        r = r.scaled(StretchX, StretchY);
    return r;
}
