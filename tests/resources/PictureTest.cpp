// The pictures compiled into the program: which ids exist, that each one draws something
// at button size, that the words on button pictures follow the language, that disabled
// pictures are grey copies of their normal picture, and that the files keep to the SVG
// subset Qt draws.
#include "platform/Resources.h"
#include "support/TestSupport.h"

#include <QFile>
#include <QFont>
#include <QFontInfo>
#include <QFontMetricsF>
#include <QImage>
#include <QPushButton>
#include <QRegularExpression>
#include <QSet>
#include <QXmlStreamReader>
#include <gtest/gtest.h>

#include <map>
#include <vector>

namespace {

const QSize kButton(81, 57);

int IdLingua(int lingua, int n) { return (lingua - 1) * 500 + n; }

// The per-language picture numbers: 101 to 153 without 139 and 141.
std::vector<int> NumeriPulsanti()
{
    std::vector<int> n;
    for (int i = 101; i <= 153; ++i)
        if (i != 139 && i != 141)
            n.push_back(i);
    return n;
}

// Every picture resource id: four language blocks and the common pictures.
std::vector<int> TuttiGliId()
{
    std::vector<int> ids;
    for (int l = 1; l <= 4; ++l)
        for (int n : NumeriPulsanti())
            ids.push_back(IdLingua(l, n));
    for (int id = 3000; id <= 3013; ++id)
        ids.push_back(id);
    return ids;
}

QImage Immagine(int id, QSize dimensione = kButton)
{
    return PixmapRisorsa(id, dimensione).toImage().convertToFormat(QImage::Format_ARGB32);
}

bool Colorato(QRgb p)
{
    const int r = qRed(p), g = qGreen(p), b = qBlue(p);
    return qAlpha(p) > 0 && std::max({r, g, b}) - std::min({r, g, b}) > 12;
}

double LuminositaMedia(const QImage& img)
{
    double somma = 0;
    int conta = 0;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x) {
            const QRgb p = img.pixel(x, y);
            if (qAlpha(p) == 0)
                continue;
            somma += qGray(p);
            ++conta;
        }
    return conta ? somma / conta : 0;
}

} // namespace

TEST(Pictures, ExistExactlyWhereTheIdRuleSaysInEveryLanguage)
{
    for (int l = 1; l <= 4; ++l) {
        for (int n = 100; n <= 154; ++n) {
            const bool attesa = n >= 101 && n <= 153 && n != 139 && n != 141;
            EXPECT_EQ(EsisteImmagine(IdLingua(l, n)), attesa) << "language " << l << " picture " << n;
        }
    }
    for (int id = 3000; id <= 3013; ++id)
        EXPECT_TRUE(EsisteImmagine(id)) << id;
    EXPECT_FALSE(EsisteImmagine(3014));
    // A language outside 1..4 has no pictures; a missing picture renders to nothing.
    EXPECT_FALSE(EsisteImmagine(IdLingua(5, 105)));
    EXPECT_TRUE(PixmapRisorsa(IdLingua(1, 139), kButton).isNull());
}

TEST(Pictures, EveryPictureDrawsSomethingVisibleAtButtonSize)
{
    for (int id : TuttiGliId()) {
        const QPixmap pm = PixmapRisorsa(id, kButton);
        ASSERT_FALSE(pm.isNull()) << id;
        EXPECT_EQ(pm.size(), kButton) << id;
        const QImage img = pm.toImage().convertToFormat(QImage::Format_ARGB32);
        int opachi = 0;
        QSet<QRgb> colori;
        for (int y = 0; y < img.height(); ++y)
            for (int x = 0; x < img.width(); ++x) {
                const QRgb p = img.pixel(x, y);
                if (qAlpha(p) > 0) {
                    ++opachi;
                    colori.insert(p);
                }
            }
        // At least a fifth of the area drawn, and a drawing rather than one flat colour.
        EXPECT_GT(opachi, img.width() * img.height() / 5) << id;
        EXPECT_GT(colori.size(), 2) << id;
    }
}

TEST(Pictures, WordsOnButtonPicturesFollowTheLanguage)
{
    // Pictures whose word is different in each of the four languages.
    for (int n : {102, 103, 105, 107, 108, 109, 110, 112, 114, 117, 128, 130, 131, 132, 134, 135, 153}) {
        std::vector<QImage> img;
        for (int l = 1; l <= 4; ++l)
            img.push_back(Immagine(IdLingua(l, n)));
        for (int a = 0; a < 4; ++a)
            for (int b = a + 1; b < 4; ++b)
                EXPECT_NE(img[a], img[b]) << "picture " << n << " languages " << a + 1 << " and " << b + 1;
    }
    // NO is the same word in Spanish and English, but not in Polish.
    EXPECT_NE(Immagine(IdLingua(1, 106)), Immagine(IdLingua(4, 106)));
    EXPECT_EQ(Immagine(IdLingua(3, 106)), Immagine(IdLingua(4, 106)));
    // A picture button is named by its words, a main-menu one by the caption beside it.
    const struct { int id; QString nome; } nomi[] = {
        {IdLingua(1, 102), "ZAPISZ"}, {IdLingua(3, 110), "MATRÍCULA"}, {IdLingua(4, 144), "SAVE"},
        {IdLingua(4, 140), "HANG UP"}, {IdLingua(2, 137), LeggoMessaggio(IdLingua(2, 330))},
    };
    QPushButton tasto;
    for (const auto& c : nomi) {
        CaricoImmagine(c.id, &tasto);
        EXPECT_EQ(tasto.accessibleName(), c.nome) << c.id;
    }
}

TEST(Pictures, DisabledPicturesAreGreyCopiesOfTheirNormalPicture)
{
    const std::map<int, int> disabilitata = {{144, 102}, {145, 116}, {146, 115},
                                             {147, 117}, {150, 149}, {152, 151}};
    for (int l = 1; l <= 4; ++l) {
        for (const auto& [grigia, normale] : disabilitata) {
            const QImage g = Immagine(IdLingua(l, grigia));
            const QImage n = Immagine(IdLingua(l, normale));
            ASSERT_EQ(g.size(), n.size());
            int diversi = 0, coloratiG = 0, coloratiN = 0;
            for (int y = 0; y < g.height(); ++y)
                for (int x = 0; x < g.width(); ++x) {
                    // Same shape: the same pixels are drawn.
                    if (qAlpha(g.pixel(x, y)) != qAlpha(n.pixel(x, y)))
                        ++diversi;
                    coloratiG += Colorato(g.pixel(x, y));
                    coloratiN += Colorato(n.pixel(x, y));
                }
            const QString quale = QStringLiteral("language %1 picture %2").arg(l).arg(grigia);
            EXPECT_EQ(diversi, 0) << quale.toStdString();
            EXPECT_EQ(coloratiG, 0) << quale.toStdString();
            EXPECT_GT(coloratiN, 20) << quale.toStdString();
            EXPECT_GT(LuminositaMedia(g), LuminositaMedia(n)) << quale.toStdString();
        }
    }
}

TEST(Pictures, FilesUseOnlyTheSvgSubsetQtDrawsAndTheirWordsFit)
{
    const QSet<QString> elementi = {"svg", "defs", "g", "linearGradient", "stop", "rect", "circle",
                                    "ellipse", "line", "polyline", "polygon", "path", "text"};
    const QRegularExpression url(QStringLiteral("url\\(#([^)]+)\\)"));
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setBold(true);
    font.setPixelSize(100);
    const QFontMetricsF metriche(font);
    ASSERT_TRUE(QFontInfo(font).family().contains(QStringLiteral("DejaVu")))
        << "the DejaVu fonts are not installed";

    for (int id : TuttiGliId()) {
        const QString nome = Risorse::PercorsoImmagine(id);
        QFile file(nome);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << nome.toStdString();
        QXmlStreamReader xml(&file);
        QSet<QString> definiti, usati;
        double larghezza = 0;
        while (!xml.atEnd()) {
            if (xml.readNext() != QXmlStreamReader::StartElement)
                continue;
            const QString el = xml.name().toString();
            EXPECT_TRUE(elementi.contains(el)) << nome.toStdString() << ": <" << el.toStdString() << ">";
            const QXmlStreamAttributes attr = xml.attributes();
            if (el == QLatin1String("svg"))
                larghezza = attr.value(QLatin1String("viewBox")).split(u' ').value(2).toDouble();
            for (const QXmlStreamAttribute& a : attr) {
                const QString n = a.qualifiedName().toString();
                EXPECT_FALSE(n == QLatin1String("style") || n == QLatin1String("class") ||
                             n.endsWith(QLatin1String("href")) || n == QLatin1String("filter"))
                    << nome.toStdString() << ": " << n.toStdString();
                for (const auto& m : url.globalMatch(a.value().toString()))
                    usati.insert(m.captured(1));
            }
            if (attr.hasAttribute(QLatin1String("id")))
                definiti.insert(attr.value(QLatin1String("id")).toString());
            if (el == QLatin1String("text")) {
                EXPECT_EQ(attr.value(QLatin1String("font-family")), QLatin1String("DejaVu Sans"))
                    << nome.toStdString();
                const double size = attr.value(QLatin1String("font-size")).toDouble();
                const QString anchor = attr.value(QLatin1String("text-anchor")).toString();
                const double x = attr.value(QLatin1String("x")).toDouble();
                const QString parola = xml.readElementText();
                const double w = metriche.horizontalAdvance(parola) * size / 100.0;
                EXPECT_TRUE(anchor == QLatin1String("start") || anchor == QLatin1String("middle"))
                    << nome.toStdString();
                // The word stays inside the picture with a margin of 2 units on each side.
                const double sinistra = anchor == QLatin1String("start") ? x : x - w / 2;
                EXPECT_GE(sinistra, 2.0) << nome.toStdString() << " " << parola.toStdString();
                EXPECT_LE(sinistra + w, larghezza - 2.0) << nome.toStdString() << " " << parola.toStdString();
            }
        }
        EXPECT_FALSE(xml.hasError()) << nome.toStdString() << ": " << xml.errorString().toStdString();
        EXPECT_GT(larghezza, 0) << nome.toStdString();
        for (const QString& u : usati)
            EXPECT_TRUE(definiti.contains(u)) << nome.toStdString() << ": url(#" << u.toStdString() << ")";
    }
}
