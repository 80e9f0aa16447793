#include "shell/MessErr.h"
#include "shell/Modulo.h"
#include "shell/Procedure.h"
#include "support/TestSupport.h"

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <gtest/gtest.h>

TEST(CambioVirgola, ReplacesEveryComma)
{
    const struct { const char* in; const char* out; } casi[] = {
        {"1,5", "1.5"}, {"1,2,3", "1.2.3"}, {"12.5", "12.5"}, {"", ""}, {",", "."}};
    for (const auto& c : casi) {
        QString t = QString::fromLatin1(c.in);
        CambioVirgola(t);
        EXPECT_EQ(t, QString::fromLatin1(c.out));
    }
}

namespace {
double g_finto = 0;
double orologioFinto()
{
    // Every reading moves the fake clock on by a tenth of a second, wrapping at midnight.
    g_finto += 0.1;
    if (g_finto >= 86400.0)
        g_finto -= 86400.0;
    return g_finto;
}
} // namespace

TEST(Attendo, WaitsAcrossMidnight)
{
    g_finto = 86399.5;
    ImpostaOrologio(orologioFinto);
    Attendo(1.0);
    ImpostaOrologio(nullptr);
    // Started at 23:59:59.6, it returns about one second later, just after midnight.
    EXPECT_GT(g_finto, 0.5);
    EXPECT_LT(g_finto, 0.8);
}

namespace {
// Runs f once the modal box is up, then returns what the box showed.
template <class F>
void QuandoAperto(F f)
{
    QTimer::singleShot(0, [f] {
        if (MessErr* m = MessErr::Istanza())
            f(m);
    });
}
} // namespace

TEST(MessErr, OkBoxHasOneCentredButtonAndClosingAnswersNo)
{
    Shell.Lingua = 4;
    bool unSoloTasto = false;
    int centro = -1;
    QuandoAperto([&](MessErr* m) {
        unSoloTasto = m->Esci->isVisible() && !m->Cancella->isVisible();
        centro = m->Esci->x() + m->Esci->width() / 2 - m->width() / 2;
        m->close();
    });
    MostroMessaggio("text", "title", 0);
    EXPECT_TRUE(unSoloTasto);
    EXPECT_LE(std::abs(centro), 1);
    EXPECT_EQ(Shell.RispostaMessaggio, 0);
}

TEST(MessErr, YesNoAndButtonlessBoxes)
{
    Shell.Lingua = 4;
    QuandoAperto([](MessErr* m) { m->Esci->click(); });
    MostroMessaggio("q", "t", 1);
    EXPECT_EQ(Shell.RispostaMessaggio, -1);
    QuandoAperto([](MessErr* m) { m->Cancella->click(); });
    MostroMessaggio("q", "t", 1);
    EXPECT_EQ(Shell.RispostaMessaggio, 0);
    bool nessunTasto = false;
    QuandoAperto([&](MessErr* m) {
        nessunTasto = !m->Esci->isVisible() && !m->Cancella->isVisible();
        m->close();
    });
    MostroMessaggio("q", "t", 2);
    EXPECT_TRUE(nessunTasto);
}

TEST(MessErr, LongerTextMakesTheBoxTaller)
{
    Shell.Lingua = 4;
    int alta1 = 0, alta2 = 0;
    QuandoAperto([&](MessErr* m) { alta1 = m->height(); m->close(); });
    MostroMessaggio("one line", "t", 0);
    QuandoAperto([&](MessErr* m) { alta2 = m->height(); m->close(); });
    MostroMessaggio("one line\ntwo lines\nthree lines", "t", 0);
    EXPECT_GT(alta2, alta1);
}

TEST(MessErr, ButtonsLieWhollyInsideTheBox)
{
    Shell.Lingua = 4;
    for (int tipo : {0, 1}) {
        for (const char* testo : {"one line", "one line\ntwo lines\nthree lines"}) {
            bool dentro = false;
            QuandoAperto([&](MessErr* m) {
                const QRect box = m->rect();
                dentro = box.contains(m->Esci->geometry()) && (tipo == 0 || box.contains(m->Cancella->geometry()));
                m->close();
            });
            MostroMessaggio(testo, "t", tipo);
            EXPECT_TRUE(dentro) << "type " << tipo << ": " << testo;
        }
    }
}

namespace {
// The visible box of class T other than `tranne`, or nullptr.
template <class T>
T* AltroBox(T* tranne)
{
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* m = qobject_cast<T*>(w); m && m != tranne && m->isVisible() && !m->Scaricato())
            return m;
    return nullptr;
}
// Closes every box still up after a while, so that a faulty run ends instead of hanging;
// the guard stops with the test that made it.
struct ChiudiTuttoDopo {
    explicit ChiudiTuttoDopo(int ms)
    {
        timer.setSingleShot(true);
        QObject::connect(&timer, &QTimer::timeout, [] {
            for (QWidget* w : QApplication::topLevelWidgets())
                if (auto* f = qobject_cast<FormBase*>(w); f && f->isVisible())
                    f->close();
        });
        timer.start(ms);
    }
    QTimer timer;
};
} // namespace

TEST(MessErr, ABoxShownWhileAnotherIsUpIsABoxOfItsOwn)
{
    // A receive event may show a box while the user still has one in front of him: each box
    // keeps its text and each caller gets its own answer.
    Shell.Lingua = 4;
    const ChiudiTuttoDopo guardia(3000);
    // The first box ends by NO, then by its close box: NO both times, whatever the second said.
    for (bool chiusura : {false, true}) {
        SCOPED_TRACE(chiusura);
        QString testoSecondo, testoPrimo;
        int rispostaSeconda = 99;
        QTimer::singleShot(0, [&] {
            MessErr* primo = MessErr::Istanza();
            QTimer::singleShot(0, [&, primo] {
                if (MessErr* secondo = AltroBox(primo)) {
                    testoSecondo = secondo->Messaggio->text();
                    secondo->Esci->click();
                }
            });
            MostroMessaggio("second", "t2", chiusura ? 0 : 1);
            rispostaSeconda = Shell.RispostaMessaggio;
            testoPrimo = primo->Messaggio->text();
            if (chiusura)
                primo->close();
            else
                primo->Cancella->click();
        });
        MostroMessaggio("first", "t1", 1);
        EXPECT_EQ(testoSecondo, "second");
        EXPECT_EQ(rispostaSeconda, -1);
        EXPECT_EQ(testoPrimo, "first");
        EXPECT_EQ(Shell.RispostaMessaggio, 0);
    }

    int rispostaSegnalEr = 99;
    QTimer::singleShot(0, [&] {
        SegnalEr* primo = SegnalEr::Istanza();
        QTimer::singleShot(0, [primo] {
            if (SegnalEr* secondo = AltroBox(primo))
                secondo->Riprova->click();
        });
        SegnaloNonComunica();
        rispostaSegnalEr = Shell.RispostaSegnalEr;
        primo->Continua->click();
    });
    SegnaloNonComunica();
    EXPECT_EQ(rispostaSegnalEr, 1);
    EXPECT_EQ(Shell.RispostaSegnalEr, 2);
}

TEST(SegnalEr, AnswersByButtonAndMinusOneWhenClosed)
{
    Shell.Lingua = 4;
    QString testo;
    QTimer::singleShot(0, [&] {
        testo = SegnalEr::Istanza()->Messaggio->text();
        SegnalEr::Istanza()->close();
    });
    SegnaloNonComunica();
    EXPECT_EQ(Shell.RispostaSegnalEr, -1);
    EXPECT_TRUE(testo.startsWith(QStringLiteral("ECU does not communicate.")));
    const struct { int indice; int risposta; } casi[] = {{0, 2}, {1, 1}, {2, 0}};
    for (const auto& c : casi) {
        QTimer::singleShot(0, [c] {
            SegnalEr* s = SegnalEr::Istanza();
            QPushButton* b[] = {s->Continua, s->Riprova, s->Esci};
            b[c.indice]->click();
        });
        SegnaloNonComunica();
        EXPECT_EQ(Shell.RispostaSegnalEr, c.risposta);
    }
}

TEST(BoxSeam, RecordsAndAnswers)
{
    Shell.Lingua = 4;
    RegistroBox box(-1);
    EXPECT_EQ(Avviso(201, 140, 1), -1);
    ASSERT_EQ(box.conta(), 1);
    EXPECT_EQ(box.box()[0].testo, Msg(201));
    EXPECT_EQ(Shell.Messaggio1, Msg(201));
}

#include "platform/PrivateProfile.h"
#include <QDir>
#include <QFile>

TEST(CercoFile, SearchesOneRootOrEveryRootOfTheList)
{
    CartellaProgramma app;
    app.scrivi("A/deep/er/WORDPAD.EXE", "x");
    app.scrivi("B/first/wordpad.exe", "x");
    const QString a = app.path() + "/A", b = app.path() + "/B";
    EXPECT_EQ(CercoFile(a, "WORDPAD.EXE", {b}), a + "/deep/er");
    EXPECT_EQ(CercoFile("*", "WORDPAD.EXE", {a, b}), b + "/first");   // shallower copy wins
    EXPECT_EQ(CercoFile("*", "NOTHERE.EXE", {a, b}), QString());
    // No work lists are left in the current folder.
    EXPECT_FALSE(QFile::exists("ElencoP.TXT"));
    EXPECT_FALSE(QFile::exists("Elenco.TXT"));
}

TEST(ExternalProgramFolder, RemembersTheFolderFoundAndKeepsAGoodOne)
{
    CartellaProgramma app;
    const QString ini = FileConfigurazione();
    app.scrivi("bin/xdg-open", "#!/bin/sh\n");
    ScrivoProfilo("WORDPAD", "Directory", app.path() + "/bin", ini);
    EXPECT_EQ(CartellaProgrammaEsterno("WORDPAD", "WORDPAD.EXE"), app.path() + "/bin");
    // A remembered folder that no longer holds it is searched again.
    QFile::remove(app.path() + "/bin/xdg-open");
    const QString trovata = CartellaProgrammaEsterno("WORDPAD", "WORDPAD.EXE");
    EXPECT_EQ(LeggoProfilo("WORDPAD", "Directory", "", ini), trovata.isEmpty() ? app.path() + "/bin" : trovata);
    EXPECT_NE(trovata, app.path() + "/bin");
}
