#include "shell/MessErr.h"
#include "shell/Modulo.h"
#include "shell/Procedure.h"
#include "platform/BoxHost.h"
#include "platform/Resources.h"
#include "platform/Timer.h"

#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QPointer>
#include <QPushButton>

namespace {
constexpr int LarghezzaBox = Twip(6000);
constexpr int LarghezzaTasto = Twip(1215);
constexpr int AltezzaTasto = Twip(855);
constexpr int MargineLabel = Twip(240);
// Top of the text of MessErr. The buttons go two such margins below the text and the box
// ends 1300 twips below it, so the margin must leave room for a whole button.
constexpr int TopTesto = Twip(120);
static_assert(3 * TopTesto + AltezzaTasto < TopTesto + Twip(1300));

void ImmagineTasto(QPushButton* b, int n)
{
    CaricoImmagine(IdRisorsa(n), b);
}

// The box to show: the default instance, or, when that one is still up (a receive event or
// a timer shows a box while the user has another in front of him), a box of its own that
// is unloaded like the default one when it closes.
template <class T>
T* BoxNuovo()
{
    if (!T::Caricato())
        return T::Carica();
    T* f = new T();
    f->Form_Load();
    return f;
}
} // namespace

MessErr::MessErr()
{
    setFixedWidth(LarghezzaBox);
    Messaggio = new QLabel(this);
    Messaggio->setObjectName(QStringLiteral("Messaggio"));
    Messaggio->setWordWrap(true);
    Messaggio->setAlignment(Qt::AlignCenter);
    Messaggio->setGeometry(MargineLabel, TopTesto, LarghezzaBox - 2 * MargineLabel, 20);
    Esci = new QPushButton(this);
    Esci->setObjectName(QStringLiteral("Esci"));
    Cancella = new QPushButton(this);
    Cancella->setObjectName(QStringLiteral("Cancella"));
    for (QPushButton* b : {Esci, Cancella})
        b->resize(LarghezzaTasto, AltezzaTasto);
    connect(Esci, &QPushButton::clicked, this, &MessErr::Esci_Click);
    connect(Cancella, &QPushButton::clicked, this, &MessErr::Cancella_Click);
}

void MessErr::Form_Load()
{
    Esci->hide();
    Cancella->hide();
    m_risposta = 0;
    Shell.RispostaMessaggio = 0;
    const int w = width();
    if (Shell.TipoMessaggio == 0) {
        ImmagineTasto(Esci, 119);
        Esci->move(w / 2 - Esci->width() / 2, Esci->y());
        Esci->show();
    } else if (Shell.TipoMessaggio == 1) {
        ImmagineTasto(Esci, 105);
        ImmagineTasto(Cancella, 106);
        Esci->move(w / 2 - Esci->width() * 3 / 2, Esci->y());
        Cancella->move(w / 2 + Cancella->width() / 2, Cancella->y());
        Esci->show();
        Cancella->show();
    }
}

bool MessErr::ChiedeRisposta() const
{
    return !Cancella->isHidden();
}

void MessErr::Esci_Click()
{
    m_risposta = -1;
    Shell.RispostaMessaggio = -1;
    Scarica();
}

void MessErr::Cancella_Click()
{
    m_risposta = 0;
    Shell.RispostaMessaggio = 0;
    Scarica();
}

SegnalEr::SegnalEr()
{
    setFixedWidth(LarghezzaBox);
    Messaggio = new QLabel(this);
    Messaggio->setObjectName(QStringLiteral("Messaggio"));
    Messaggio->setWordWrap(true);
    Messaggio->setGeometry(MargineLabel, MargineLabel, LarghezzaBox - 2 * MargineLabel, Twip(2200));
    Continua = new QPushButton(this);
    Riprova = new QPushButton(this);
    Esci = new QPushButton(this);
    Continua->setObjectName(QStringLiteral("Continua"));
    Riprova->setObjectName(QStringLiteral("Riprova"));
    Esci->setObjectName(QStringLiteral("Esci"));
    const int top = Messaggio->geometry().bottom() + MargineLabel;
    int x = (LarghezzaBox - 3 * LarghezzaTasto - 2 * MargineLabel) / 2;
    for (QPushButton* b : {Continua, Riprova, Esci}) {
        b->setGeometry(x, top, LarghezzaTasto, AltezzaTasto);
        x += LarghezzaTasto + MargineLabel;
    }
    setFixedHeight(top + AltezzaTasto + MargineLabel);
    auto risposta = [this](int r) {
        Shell.RispostaSegnalEr = r;
        Scarica();
    };
    connect(Continua, &QPushButton::clicked, this, [risposta] { risposta(2); });
    connect(Riprova, &QPushButton::clicked, this, [risposta] { risposta(1); });
    connect(Esci, &QPushButton::clicked, this, [risposta] { risposta(0); });
}

void SegnalEr::Form_Load()
{
    Shell.RispostaSegnalEr = -1;
    ImmagineTasto(Continua, 107);
    ImmagineTasto(Riprova, 108);
    ImmagineTasto(Esci, 104);
}

void MostroMessaggio(const QString& testo, const QString& titolo, int tipo)
{
    Shell.TipoMessaggio = tipo;
    int risposta = 0;
    if (BoxHost::Intercetta({QStringLiteral("MessErr"), testo, titolo, tipo}, risposta)) {
        // The test seam answers like the buttons would: OK/YES -1, NO 0; a box without
        // buttons can only be closed (0).
        Shell.RispostaMessaggio = (tipo == 0 || tipo == 1) ? (risposta == -1 ? -1 : 0) : 0;
        return;
    }
    MessErr* f = BoxNuovo<MessErr>();
    f->setWindowTitle(titolo);
    f->Messaggio->setText(testo);
    f->Messaggio->adjustSize();
    f->Messaggio->setFixedWidth(LarghezzaBox - 2 * MargineLabel);
    const int altezzaLabel = f->Messaggio->heightForWidth(f->Messaggio->width());
    f->Messaggio->setFixedHeight(std::max(altezzaLabel, 20));
    const int top = f->Messaggio->y() + f->Messaggio->height() + 2 * f->Messaggio->y();
    f->Esci->move(f->Esci->x(), top);
    f->Cancella->move(f->Cancella->x(), top);
    f->setFixedHeight(f->Messaggio->y() + f->Messaggio->height() + Twip(1300));
    const QPointer<MessErr> box(f);
    f->Mostra(true);
    // The caller gets this box's answer: an OK or YES given meanwhile to a box shown over it
    // (a watchdog's) must not answer one that is then closed without a button.
    Shell.RispostaMessaggio = box ? box->Risposta() : 0;
}

QString CauseText(const QString& ostacolo)
{
    return ostacolo.isEmpty() ? QString() : QStringLiteral(": ") + QDir::toNativeSeparators(ostacolo);
}

int Avviso(int n, int titolo, int tipo, const QString& coda)
{
    Shell.Messaggio1 = Msg(n) + coda;
    Shell.Messaggio2 = Msg(titolo);
    MostroMessaggio(Shell.Messaggio1, Shell.Messaggio2, tipo);
    return Shell.RispostaMessaggio;
}

void SegnaloNonComunica()
{
    Shell.Messaggio1 = Msg(205);
    Shell.Messaggio2 = Msg(140);
    Shell.RispostaSegnalEr = -1;
    int risposta = -1;
    if (BoxHost::Intercetta({QStringLiteral("SegnalEr"), Shell.Messaggio1, Shell.Messaggio2, 0}, risposta)) {
        Shell.RispostaSegnalEr = (risposta >= 0 && risposta <= 2) ? risposta : -1;
        return;
    }
    SegnalEr* f = BoxNuovo<SegnalEr>();
    f->setWindowTitle(Shell.Messaggio2);
    f->Messaggio->setText(Shell.Messaggio1);
    f->move(Twip(1000), Twip(1000));
    f->Mostra(true);
}
