// Every message and picture number the program's code asks for exists in all four languages.
#include "platform/Resources.h"

#include <QDirIterator>
#include <QFile>
#include <QRegularExpression>
#include <QSet>
#include <gtest/gtest.h>

namespace {
// Numbers passed literally to the message and picture helpers anywhere in src/.
QSet<int> NumeriUsati(const QRegularExpression& re)
{
    QSet<int> numeri;
    QDirIterator it(QStringLiteral(ZEQ_SOURCE_DIR "/src"), {QStringLiteral("*.cpp"), QStringLiteral("*.h")},
                    QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        QFile f(it.next());
        if (!f.open(QIODevice::ReadOnly))
            continue;
        const QString testo = QString::fromUtf8(f.readAll());
        auto m = re.globalMatch(testo);
        while (m.hasNext())
            numeri.insert(m.next().captured(1).toInt());
    }
    return numeri;
}
} // namespace

TEST(CodeMessageIds, EveryMessageTheCodeShowsExistsInEveryLanguage)
{
    const QSet<int> numeri =
        NumeriUsati(QRegularExpression(QStringLiteral(R"(\b(?:Msg|Avviso)\(\s*(\d{3})\b)")));
    ASSERT_GT(numeri.size(), 10);
    for (int n : numeri)
        for (int l = 1; l <= 4; ++l)
            EXPECT_FALSE(LeggoMessaggio((l - 1) * 500 + n).isEmpty()) << "message " << n << " language " << l;
}

TEST(CodeMessageIds, EveryPictureTheCodeLoadsExistsInEveryLanguage)
{
    const QSet<int> numeri =
        NumeriUsati(QRegularExpression(QStringLiteral(R"(\bIdRisorsa\(\s*(\d{3})\b)")));
    ASSERT_GT(numeri.size(), 3);
    for (int n : numeri) {
        if (n > 153)
            continue;   // message numbers handed to IdRisorsa for texts
        for (int l = 1; l <= 4; ++l)
            EXPECT_TRUE(EsisteImmagine((l - 1) * 500 + n)) << "picture " << n << " language " << l;
    }
}
