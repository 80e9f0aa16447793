// The picture boxes: scale mapping, line controls over the image, picture clip.
#include "platform/PictureBox.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

TEST(ScalaPicture, MapsScaleUnitsToPixelsAndBack)
{
    const QSize area(400, 200);
    const struct { ScalaPicture s; double x, y; QPointF pixel; } casi[] = {
        {{0, 0, 6000, 3000}, 1500, 300, {100, 20}},          // twips
        {{0, 0, 400, 200}, 10, 20, {10, 20}},                // pixels
        {{0, 106, 200, -10}, 50, 101, {100, 100}},           // user scale, y upwards
        {{40, 106, 200, -10}, 240, 96, {400, 200}},
    };
    for (const auto& c : casi) {
        EXPECT_EQ(c.s.Pixel(c.x, c.y, area), c.pixel) << c.x << "," << c.y;
        EXPECT_EQ(c.s.Punto(c.pixel, area), QPointF(c.x, c.y));
    }
    EXPECT_DOUBLE_EQ(ScalaPicture({0, 106, 200, -10}).UnitaY(20, area), 1.0);
}

TEST(PictureBox, LinesStayPutWhenTheScaleChangesAndArraysLoadAndUnload)
{
    PictureBox p;
    p.resize(200, 100);
    p.setScaleLeft(0);
    p.setScaleWidth(200);
    p.setScaleTop(10);
    p.setScaleHeight(-10);
    MatriceLinee* g = p.CreoMatriceLinee();
    g->Load(1)->Imposto(0, 5, 200, 5);
    EXPECT_FALSE((*g)[1]->Visible) << "a loaded element starts hidden";
    EXPECT_EQ((*g)[1]->Inizio(), QPointF(0, 50));
    p.setScaleTop(20);
    p.setScaleHeight(-20);
    EXPECT_EQ((*g)[1]->Inizio(), QPointF(0, 50));
    EXPECT_DOUBLE_EQ((*g)[1]->Y1(), 10) << "read back in the new scale";
    EXPECT_EQ(g->Load(5), nullptr) << "elements are contiguous";
    g->ScaricoOltreZero();
    EXPECT_EQ(g->Count(), 1);
    // Drawing goes to the persistent image in the current scale.
    p.setBackColor(Qt::black);
    p.Line(0, 20, 200, 0, Qt::red);
    EXPECT_EQ(p.Image().pixelColor(0, 0), QColor(Qt::red));
    p.Cls();
    EXPECT_EQ(p.Image().pixelColor(0, 0), QColor(Qt::black));
}

TEST(PictureClip, RegionInsideThePictureOnly)
{
    PictureClip c;
    c.Picture = QImage(100, 50, QImage::Format_RGB32);
    c.Picture.fill(Qt::blue);
    const struct { int x, y, w, h, sx, sy; QSize atteso; } casi[] = {
        {20, 0, 80, 50, 80, 50, {80, 50}}, {0, 0, 100, 50, 50, 25, {50, 25}},
        {100, 0, 0, 50, 0, 50, {0, 0}},    {60, 0, 80, 50, 80, 50, {0, 0}},  // null image
    };
    for (const auto& k : casi) {
        c.ClipX = k.x;
        c.ClipY = k.y;
        c.ClipWidth = k.w;
        c.ClipHeight = k.h;
        c.StretchX = k.sx;
        c.StretchY = k.sy;
        EXPECT_EQ(c.Clip().size(), k.atteso) << k.x << " " << k.w;
    }
}
