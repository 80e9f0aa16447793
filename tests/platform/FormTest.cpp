#include "platform/Form.h"
#include "platform/Resources.h"
#include "support/TestSupport.h"

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

namespace {
class Prova : public FormBase, public IstanzaPredefinita<Prova> {
public:
    Prova() { campo = new QLineEdit(this); }
    void Form_Load() { ++caricamenti; }
    QString NomeForm() const override { return QStringLiteral("PROVA"); }
    QLineEdit* campo;
    static inline int caricamenti = 0;
    QList<int> tasti;
    bool rifiutaChiusura = false;
    int scarichi = 0;
    int chiusureUtente = 0;

protected:
    void Form_KeyDown(int& keyCode, int shift) override
    {
        tasti << keyCode + 1000 * shift;
        if (keyCode == Tasti::F2)
            keyCode = 0;   // swallowed: the text box never sees it
    }
    void Form_KeyPress(int& ascii) override
    {
        if (ascii == 'x')
            ascii = 0;
    }
    void Form_Unload(bool&) override { ++scarichi; }
    void ChiusuraUtente() override
    {
        ++chiusureUtente;
        if (!rifiutaChiusura)
            Scarica();
    }
};
} // namespace

TEST(DefaultInstance, LoadsOnceAndIsGoneAfterUnload)
{
    Prova::caricamenti = 0;
    EXPECT_EQ(Prova::Istanza(), nullptr);
    Prova* a = Prova::Carica();
    EXPECT_EQ(Prova::Carica(), a);
    EXPECT_EQ(Prova::caricamenti, 1);
    EXPECT_TRUE(Prova::Caricato());
    a->rifiutaChiusura = true;
    a->close();   // the close box asks the form, which may refuse
    EXPECT_TRUE(Prova::Caricato());
    a->rifiutaChiusura = false;
    EXPECT_TRUE(a->Scarica());
    EXPECT_FALSE(Prova::Caricato());
    EXPECT_EQ(Prova::Istanza(), nullptr);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    Prova* b = Prova::Carica();   // a new load starts from the design state
    EXPECT_EQ(Prova::caricamenti, 2);
    b->Scarica();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

TEST(DefaultInstance, UnloadInsideItsOwnModalLoopReturnsFromShow)
{
    Prova* f = Prova::Carica();
    QTimer::singleShot(0, [] { Prova::Istanza()->Scarica(); });
    f->Mostra(true);   // returns once unloaded
    EXPECT_FALSE(Prova::Caricato());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

TEST(UserClose, OnlyTheUsersCloseCanBeRefused)
{
    enum Via { CloseBox, EscToReject, ProgramUnload };
    struct Caso {
        const char* nome;
        Via via;
        bool abilitata;
        bool rifiuta;
        int chiusureAttese;
        bool scaricata;
    };
    const Caso casi[] = {
        {"close box unloads", CloseBox, true, false, 1, true},
        {"close box refused", CloseBox, true, true, 1, false},
        {"Esc refused", EscToReject, true, true, 1, false},
        {"Esc unloads", EscToReject, true, false, 1, true},
        {"disabled form ignores its close box", CloseBox, false, false, 0, false},
        {"program unload is never refused", ProgramUnload, true, true, 0, true},
        {"program unload of a disabled form", ProgramUnload, false, true, 0, true},
    };
    for (const Caso& c : casi) {
        SCOPED_TRACE(c.nome);
        Prova* f = Prova::Carica();
        f->Mostra(false);
        f->rifiutaChiusura = c.rifiuta;
        f->setEnabled(c.abilitata);
        if (c.via == CloseBox)
            f->close();
        else if (c.via == EscToReject)
            static_cast<QDialog*>(f)->reject();
        else
            f->Scarica();
        EXPECT_EQ(f->chiusureUtente, c.chiusureAttese);
        EXPECT_EQ(!Prova::Caricato(), c.scaricata);
        EXPECT_EQ(f->scarichi, c.scaricata ? 1 : 0);
        if (Prova::Caricato())
            f->Scarica();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
}

TEST(KeyPreview, FormSeesKeysBeforeItsControlsAndCanSwallowThem)
{
    Prova* f = Prova::Carica();
    f->Mostra(false);
    f->campo->setFocus();
    QTest::keyClick(f->campo, Qt::Key_F2);
    QTest::keyClick(f->campo, Qt::Key_F1, Qt::ShiftModifier);
    QTest::keyClicks(f->campo, "axb");
    EXPECT_EQ(f->tasti.mid(0, 2), (QList<int>{Tasti::F2, Tasti::F1 + 1000 * Tasti::ShiftMask}));
    EXPECT_EQ(f->campo->text(), QStringLiteral("ab"));
    QTest::keyClick(f, Qt::Key_Escape);   // Esc alone does not close a form
    EXPECT_TRUE(Prova::Caricato());
    f->Scarica();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

TEST(MousePointer, HourglassIsNeverStacked)
{
    ImpostoPuntatore(11);
    ImpostoPuntatore(11);
    EXPECT_EQ(PuntatoreAttuale(), 11);
    ImpostoPuntatore(0);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    ImpostoPuntatore(1);
    ASSERT_NE(QApplication::overrideCursor(), nullptr);
    EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::ArrowCursor);
    ImpostoPuntatore(0);
}

TEST(MessageTable, FormatKeepsBlanksAndDecodesEscapes)
{
    const auto t = Risorse::AnalizzaTabella(QByteArray("101\t  two blanks  \n"
                                                       "102\tline1\\nline2\r\n"
                                                       "103\tback\\\\slash\\n\n"
                                                       "104\t\n"
                                                       "bad line\n"
                                                       "105\tZa\xc5\xbc\xc3\xb3\xc5\x82\xc4\x87\n"));
    EXPECT_EQ(t.value(101), QStringLiteral("  two blanks  "));
    EXPECT_EQ(t.value(102), QStringLiteral("line1\nline2"));
    EXPECT_EQ(t.value(103), QStringLiteral("back\\slash\n"));
    EXPECT_TRUE(t.contains(104));
    EXPECT_EQ(t.value(105), QString::fromUtf8("Zażółć"));
    EXPECT_EQ(t.size(), 5);
}

TEST(Pictures, IdRuleAndMissingPicturesChangeNothing)
{
    EXPECT_EQ(Risorse::PercorsoImmagine(620), QStringLiteral(":/pictures/fr/120.svg"));
    EXPECT_EQ(Risorse::PercorsoImmagine(1653), QStringLiteral(":/pictures/en/153.svg"));
    EXPECT_EQ(Risorse::PercorsoImmagine(3003), QStringLiteral(":/pictures/common/3003.svg"));
    EXPECT_TRUE(Risorse::PercorsoImmagine(20).isEmpty());
    QPushButton b;
    b.resize(81, 57);
    CaricoImmagine(1619, &b);
    EXPECT_FALSE(b.icon().isNull());
    const qint64 prima = b.icon().cacheKey();
    CaricoImmagine(1639, &b);   // not a picture: nothing changes
    CaricoImmagine(-5, &b);
    EXPECT_EQ(b.icon().cacheKey(), prima);
}

TEST(Pictures, ButtonShowsItsOwnPicturesNormalPressedAndDisabled)
{
    QPushButton b;
    b.resize(81, 57);
    ImmaginiTasto(&b, 1646, 1645, 1644);
    ImmaginiTasto(&b, 1646, 1645, 1644);   // set again (language change): one picture per state
    const QSize dim = b.iconSize();
    auto immagine = [&](QIcon::Mode modo) { return b.icon().pixmap(dim, modo).toImage(); };
    auto attesa = [&](int id) { return PixmapRisorsa(id, dim).toImage(); };
    struct Caso {
        const char* nome;
        bool abilitato;
        bool premuto;
        int id;
    };
    const Caso casi[] = {
        {"normal", true, false, 1646},
        {"pressed", true, true, 1645},
        {"released again", true, false, 1646},
        {"disabled", false, false, 1644},
    };
    for (const Caso& c : casi) {
        SCOPED_TRACE(c.nome);
        b.setEnabled(c.abilitato);
        if (c.abilitato)
            c.premuto ? emit b.pressed() : emit b.released();
        EXPECT_EQ(immagine(c.abilitato ? QIcon::Normal : QIcon::Disabled), attesa(c.id));
    }
    // Without a disabled picture the disabled button shows its normal picture, not Qt's grey one.
    QPushButton v;
    v.resize(81, 57);
    CaricoImmagine(1653, &v);
    v.setEnabled(false);
    EXPECT_EQ(v.icon().pixmap(v.iconSize(), QIcon::Disabled).toImage(), PixmapRisorsa(1653, v.iconSize()).toImage());
}
