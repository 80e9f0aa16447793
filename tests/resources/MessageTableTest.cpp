// The message table: every message the program shows exists in all four languages, and
// each language keeps what the program relies on (blanks that captions are built with,
// line breaks, access keys, the slots that counters and numbers are written into).
#include "platform/Resources.h"
#include "support/TestSupport.h"

#include <QFile>
#include <QHash>
#include <QRegularExpression>
#include <QSet>
#include <gtest/gtest.h>

#include <map>
#include <vector>

namespace {

constexpr int kInglese = 4;

struct Voce {
    int numero = 0;
    QString inglese; // the English text the list gives; empty when it gives only a meaning
};

// The list of messages the program uses: number, English text (when fixed), meaning.
// "\n" in the English column stands for a line break, as in the table files.
std::vector<Voce> LeggoElenco(const QString& percorso)
{
    std::vector<Voce> voci;
    QFile f(percorso);
    if (!f.open(QIODevice::ReadOnly))
        return voci;
    const QStringList righe = QString::fromUtf8(f.readAll()).split(QLatin1Char('\n'));
    for (qsizetype i = 1; i < righe.size(); ++i) { // first line: column names
        const QStringList campi = righe[i].split(QLatin1Char('\t'));
        bool ok = false;
        const int n = campi.value(0).toInt(&ok);
        if (!ok)
            continue;
        voci.push_back({n, campi.value(1).replace(QStringLiteral("\\n"), QStringLiteral("\n"))});
    }
    return voci;
}

const std::vector<Voce>& Elenco()
{
    static const std::vector<Voce> elenco =
        LeggoElenco(QStringLiteral(ZEQ_SOURCE_DIR "/tests/resources/messages-en.tsv"));
    return elenco;
}

QString Testo(int lingua, int n) { return LeggoMessaggio((lingua - 1) * 500 + n); }

int BlankIniziali(const QString& s)
{
    int k = 0;
    while (k < s.size() && s[k] == QLatin1Char(' '))
        ++k;
    return k;
}

int BlankFinali(const QString& s)
{
    int k = 0;
    while (k < s.size() && s[s.size() - 1 - k] == QLatin1Char(' '))
        ++k;
    return k;
}

// Access-key letters of a caption ("&&" is a literal ampersand, not a key).
QList<QChar> TastiAccesso(const QString& s)
{
    QList<QChar> tasti;
    for (qsizetype i = 0; i + 1 < s.size(); ++i) {
        if (s[i] != QLatin1Char('&'))
            continue;
        if (s[i + 1] == QLatin1Char('&')) {
            ++i;
            continue;
        }
        tasti.append(s[i + 1].toLower());
    }
    return tasti;
}

// File names written in capitals with an extension ("MOTORO.QOX", "LIMITI.TXT"): the
// program names real files by them, so no language may change them.
QStringList NomiFile(const QString& s)
{
    static const QRegularExpression re(QStringLiteral("[A-Z0-9_]+\\.[A-Z]{3}\\b"));
    QStringList nomi;
    for (auto it = re.globalMatch(s); it.hasNext();)
        nomi << it.next().captured();
    return nomi;
}

// Raw entries of one language file, parsed independently of the program's reader.
struct RigaFile {
    int riga;
    QString numero;
    QString testo; // still escaped
};

std::vector<RigaFile> RigheFile(const QString& codice, QByteArray* grezzo = nullptr)
{
    QFile f(QStringLiteral(ZEQ_SOURCE_DIR "/resources/messages/%1.txt").arg(codice));
    EXPECT_TRUE(f.open(QIODevice::ReadOnly)) << codice.toStdString();
    const QByteArray dati = f.readAll();
    if (grezzo)
        *grezzo = dati;
    std::vector<RigaFile> righe;
    const QStringList linee = QString::fromUtf8(dati).split(QLatin1Char('\n'));
    for (qsizetype i = 0; i < linee.size(); ++i) {
        if (linee[i].isEmpty() && i == linee.size() - 1)
            break; // the final line break
        const qsizetype tab = linee[i].indexOf(QLatin1Char('\t'));
        righe.push_back({int(i + 1), tab < 0 ? linee[i] : linee[i].left(tab),
                         tab < 0 ? QString() : linee[i].mid(tab + 1)});
    }
    return righe;
}

QString Decodifica(const QString& t)
{
    QString r;
    for (qsizetype i = 0; i < t.size(); ++i) {
        if (t[i] == QLatin1Char('\\') && i + 1 < t.size()) {
            if (t[i + 1] == QLatin1Char('n')) { r += QLatin1Char('\n'); ++i; continue; }
            if (t[i + 1] == QLatin1Char('\\')) { r += QLatin1Char('\\'); ++i; continue; }
        }
        r += t[i];
    }
    return r;
}

} // namespace

TEST(MessageTable, ListOfMessagesIsReadable)
{
    ASSERT_GT(Elenco().size(), 200u);
    QSet<int> visti;
    for (const Voce& v : Elenco()) {
        EXPECT_GE(v.numero, 101);
        EXPECT_LE(v.numero, 500);
        EXPECT_FALSE(visti.contains(v.numero)) << "listed twice: " << v.numero;
        visti.insert(v.numero);
    }
}

TEST(MessageTable, SharedListHasNoMessageMissingHere)
{
    // The project-wide list may grow before the copy kept with the tests does.
    auto condiviso = LeggoElenco(QStringLiteral(ZEQ_SOURCE_DIR "/../shared/data/messages-en.tsv"));
    if (condiviso.empty()) // a work tree one level further down
        condiviso = LeggoElenco(QStringLiteral(ZEQ_SOURCE_DIR "/../../shared/data/messages-en.tsv"));
    if (condiviso.empty())
        GTEST_SKIP() << "no shared message list beside the source tree";
    QSet<int> qui;
    for (const Voce& v : Elenco())
        qui.insert(v.numero);
    for (const Voce& v : condiviso) {
        EXPECT_TRUE(qui.contains(v.numero)) << "message " << v.numero;
        for (int lingua = 1; lingua <= 4; ++lingua)
            EXPECT_FALSE(Testo(lingua, v.numero).isEmpty()) << "language " << lingua << " message " << v.numero;
    }
}

TEST(MessageTable, FilesAreWellFormed)
{
    for (int lingua = 1; lingua <= 4; ++lingua) {
        const QString codice = Risorse::CodiceLingua(lingua);
        SCOPED_TRACE(codice.toStdString());
        QByteArray grezzo;
        const auto righe = RigheFile(codice, &grezzo);
        EXPECT_EQ(QString::fromUtf8(grezzo).toUtf8(), grezzo) << "not valid UTF-8";
        EXPECT_FALSE(grezzo.contains('\r'));
        EXPECT_TRUE(grezzo.endsWith('\n'));
        QSet<int> visti;
        for (const RigaFile& r : righe) {
            SCOPED_TRACE(r.riga);
            bool ok = false;
            const int n = r.numero.toInt(&ok);
            ASSERT_TRUE(ok && r.numero == QString::number(n)) << r.numero.toStdString();
            EXPECT_FALSE(visti.contains(n)) << "message " << n << " twice";
            visti.insert(n);
            for (qsizetype i = 0; i < r.testo.size(); ++i) {
                EXPECT_GE(r.testo[i].unicode(), 0x20u) << "control character in message " << n;
                if (r.testo[i] == QLatin1Char('\\')) {
                    ASSERT_LT(i + 1, r.testo.size()) << "message " << n;
                    EXPECT_TRUE(r.testo[i + 1] == QLatin1Char('n') || r.testo[i + 1] == QLatin1Char('\\'))
                        << "stray backslash in message " << n;
                    ++i;
                }
            }
        }
    }
}

TEST(MessageTable, ProgramReadsEachLanguageAtItsResourceNumbers)
{
    for (int lingua = 1; lingua <= 4; ++lingua) {
        const QString codice = Risorse::CodiceLingua(lingua);
        for (const RigaFile& r : RigheFile(codice))
            EXPECT_EQ(Testo(lingua, r.numero.toInt()), Decodifica(r.testo))
                << codice.toStdString() << " message " << r.numero.toStdString();
    }
    EXPECT_EQ(LeggoMessaggio(640), Testo(2, 140));
    EXPECT_NE(LeggoMessaggio(640), LeggoMessaggio(1640));
    EXPECT_TRUE(LeggoMessaggio(0).isEmpty());
    EXPECT_TRUE(LeggoMessaggio(2001).isEmpty());
}

TEST(MessageTable, EveryListedMessageExistsInEveryLanguageAndNothingElse)
{
    QSet<int> elencati;
    for (const Voce& v : Elenco()) {
        elencati.insert(v.numero);
        for (int lingua = 1; lingua <= 4; ++lingua)
            EXPECT_FALSE(Testo(lingua, v.numero).trimmed().isEmpty())
                << "language " << lingua << " message " << v.numero;
    }
    for (int lingua = 1; lingua <= 4; ++lingua)
        for (const RigaFile& r : RigheFile(Risorse::CodiceLingua(lingua)))
            EXPECT_TRUE(elencati.contains(r.numero.toInt()))
                << "language " << lingua << " has unlisted message " << r.numero.toStdString();
}

TEST(MessageTable, EnglishUsesTheFixedTextsAsTheyStand)
{
    // The progress caption of the data sending carries the same six-blank counter slot as
    // the software update: with the four blanks of the old text the count overwrote the
    // last letter of "record".
    const QHash<int, QString> corretti = {
        {150, QStringLiteral("Data sending in progress ... (record      )")}};
    int fissi = 0;
    for (const Voce& v : Elenco()) {
        const QString atteso = corretti.value(v.numero, v.inglese);
        if (atteso.isEmpty())
            continue;
        ++fissi;
        EXPECT_EQ(Testo(kInglese, v.numero), atteso) << "message " << v.numero;
    }
    EXPECT_GT(fissi, 150);
}

TEST(MessageTable, TranslationsKeepTheShapeOfTheEnglishText)
{
    for (int lingua = 1; lingua <= 3; ++lingua) {
        int comeInglese = 0;
        for (const Voce& v : Elenco()) {
            const QString en = Testo(kInglese, v.numero);
            const QString t = Testo(lingua, v.numero);
            SCOPED_TRACE(testing::Message() << "language " << lingua << " message " << v.numero);
            EXPECT_EQ(t.count(QLatin1Char('\n')), en.count(QLatin1Char('\n')));
            EXPECT_EQ(BlankIniziali(t), BlankIniziali(en));
            EXPECT_EQ(BlankFinali(t), BlankFinali(en));
            EXPECT_EQ(TastiAccesso(t).size(), TastiAccesso(en).size());
            for (QChar c : TastiAccesso(t))
                EXPECT_TRUE(c.isLetterOrNumber()) << "access key '" << QString(c).toStdString() << "'";
            if (v.numero != 285) {
                EXPECT_EQ(NomiFile(t), NomiFile(en));
            }
            if (t == en)
                ++comeInglese;
        }
        // Units, abbreviations and "-" may stay as they are; the rest must be translated.
        EXPECT_LT(comeInglese, int(Elenco().size()) / 10) << "language " << lingua;
    }
}

TEST(MessageTable, AccessKeysAreUniqueOnEachScreen)
{
    // Captions that share a window: the customer card of the vehicle screen (salutation
    // options, tab captions, catalogue check box).
    const std::map<const char*, std::vector<int>> schermi = {
        {"vehicle screen", {102, 103, 104, 105, 351}},
    };
    for (int lingua = 1; lingua <= 4; ++lingua) {
        for (const auto& [schermo, numeri] : schermi) {
            QSet<QChar> usati;
            for (int n : numeri) {
                for (QChar c : TastiAccesso(Testo(lingua, n))) {
                    EXPECT_FALSE(usati.contains(c)) << schermo << ", language " << lingua << ", message " << n
                                                    << ": key '" << QString(c).toStdString() << "' repeated";
                    usati.insert(c);
                }
            }
        }
        for (int n : {104, 105})
            EXPECT_EQ(TastiAccesso(Testo(lingua, n)).size(), 1) << "language " << lingua << " message " << n;
    }
}

TEST(MessageTable, CounterSlotsTakeTheNumberWithoutTouchingTheWord)
{
    // Progress captions: the five characters before the closing parenthesis receive the
    // line count right-justified.
    static const QRegularExpression slot(QStringLiteral("\\((\\S+) {6}\\)$"));
    for (int lingua = 1; lingua <= 4; ++lingua) {
        for (int n : {150, 240}) {
            QString t = Testo(lingua, n);
            const auto m = slot.match(t);
            ASSERT_TRUE(m.hasMatch()) << "language " << lingua << " message " << n;
            t.replace(t.size() - 6, 5, QStringLiteral("   12"));
            EXPECT_TRUE(t.endsWith(QStringLiteral("(") + m.captured(1) + QStringLiteral("    12)")))
                << t.toStdString();
        }
    }
    // Reception reports that get a record number and ")" appended end in "(<word> ".
    static const QRegularExpression aperto(QStringLiteral("\\([^\\s()]+ $"));
    int aperti = 0;
    for (const Voce& v : Elenco()) {
        if (!aperto.match(Testo(kInglese, v.numero)).hasMatch())
            continue;
        ++aperti;
        for (int lingua = 1; lingua <= 3; ++lingua)
            EXPECT_TRUE(aperto.match(Testo(lingua, v.numero)).hasMatch())
                << "language " << lingua << " message " << v.numero;
    }
    EXPECT_EQ(aperti, 6);
}

TEST(MessageTable, MapFileMessagesLeaveOneSlotForTheEcuType)
{
    // The two-digit ECU type is inserted before ".QOX" of the named map file.
    for (int n : {191, 192, 249, 250}) {
        for (int lingua = 1; lingua <= 4; ++lingua) {
            const QString t = Testo(lingua, n);
            EXPECT_EQ(t.count(QStringLiteral(".QOX")), 1) << "language " << lingua << " message " << n;
            EXPECT_TRUE(t.contains(n < 200 ? QStringLiteral("MOTORO.QOX") : QStringLiteral("METANO.QOX")));
        }
    }
}

TEST(MessageTable, EachLanguageNamesItsOwnLetterTemplate)
{
    const char* modelli[] = {"IT_LETTERA.TXT", "FR_LETTERA.TXT", "SP_LETTERA.TXT", "EN_LETTERA.TXT"};
    for (int lingua = 1; lingua <= 4; ++lingua)
        EXPECT_EQ(NomiFile(Testo(lingua, 285)), QStringList{QString::fromLatin1(modelli[lingua - 1])})
            << "language " << lingua;
}

TEST(MessageTable, FuelNamesFollowEachCountrysUsage)
{
    const QStringList gpl = {"LPG", "GPL", "GLP", "LPG"};
    const QStringList gnc = {"CNG", "GNV", "GNC", "CNG"};
    for (int lingua = 1; lingua <= 4; ++lingua) {
        EXPECT_EQ(Testo(lingua, 121), gpl[lingua - 1]);
        EXPECT_EQ(Testo(lingua, 122), gnc[lingua - 1]);
    }
}

TEST(MessageTable, QuestionAndExclamationMarksFollowEachLanguagesTypography)
{
    // French sets a blank before "?" and "!"; Polish and Spanish never do, whatever the
    // English text does. Spanish opens every question and exclamation with "¿" and "¡"
    // on the same line.
    static const QRegularExpression blankPrima(QStringLiteral("[ \\x{00A0}\\x{202F}][?!]"));
    static const QRegularExpression attaccato(QStringLiteral("[^ \\x{00A0}\\x{202F}][?!]"));
    for (const Voce& v : Elenco()) {
        for (int lingua : {1, 3})
            EXPECT_FALSE(blankPrima.match(Testo(lingua, v.numero)).hasMatch())
                << "language " << lingua << " message " << v.numero;
        EXPECT_FALSE(attaccato.match(Testo(2, v.numero)).hasMatch()) << "language 2 message " << v.numero;
        for (const QString& riga : Testo(3, v.numero).split(QLatin1Char('\n'))) {
            EXPECT_EQ(riga.count(QChar(0x00BF)), riga.count(QLatin1Char('?'))) << "message " << v.numero;
            EXPECT_EQ(riga.count(QChar(0x00A1)), riga.count(QLatin1Char('!'))) << "message " << v.numero;
        }
    }
}
