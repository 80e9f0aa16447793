#include "shell/ZEQ_Inst.h"
#include "shell/Config.h"
#include "shell/Modulo.h"
#include "shell/Procedure.h"
#include "shell/SceltaLingua.h"
#include "catalogue/Catalogue.h"
#include "platform/Files.h"
#include "platform/PrivateProfile.h"
#include "platform/Resources.h"
#include "platform/SerialControl.h"
#include "platform/Timer.h"

#include <QApplication>
#include <QFrame>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QTableWidget>
#include <QThread>

#include <algorithm>


namespace {
// Button tops of the menu column (twips) by row: F1-F4, Esc, F8, F10.
constexpr int kTopTasti[7] = {600, 1800, 3000, 4200, 5400, 6600, 7800};
constexpr int kLeftTasti = 720;
constexpr int kLeftLabel = 2160;

struct RigaMenu {
    int tasto;    // index in TastoF, -1 for TastoESC
    int bitmap;
    int label;
    int messaggio;
};
constexpr RigaMenu kMenu[7] = {
    {0, 120, 0, 262}, {1, 121, 1, 263}, {2, 122, 2, 264}, {3, 123, 3, 265},
    {-1, 125, 4, 267}, {7, 124, 5, 266}, {9, 137, 6, 330},
};

// Places the menu rows of form f.
void DisponoRighe(ZEQ_Inst* f)
{
    // The rows keep their design places when the form is tall enough. A lower form (a large
    // display scaling leaves fewer pixels) squeezes them, buttons and pictures alike, into the
    // height between the title and the bottom margin, so that F10 stays on the screen.
    const int primo = Twip(kTopTasti[0]);
    const int campata = Twip(kTopTasti[6] + 855) - primo;
    const int alto = std::max(primo, f->Intitolo->y() + f->Intitolo->height() + 4);
    const double k = std::clamp(double(f->height() - Twip(240) - alto) / campata, 0.3, 1.0);
    auto scala = [k](int pixel) { return int(pixel * k); };
    for (int riga = 0; riga < 7; ++riga) {
        const RigaMenu& m = kMenu[riga];
        QPushButton* b = m.tasto >= 0 ? f->TastoF[m.tasto] : f->TastoESC;
        const int y = alto + scala(Twip(kTopTasti[riga]) - primo);
        b->setGeometry(Twip(kLeftTasti), y, scala(Twip(1215)), scala(Twip(855)));
        if (!b->icon().isNull())
            b->setIconSize(b->icon().actualSize(QSize(4096, 4096)) * k);
        f->LabTasti[m.label]->move(Twip(kLeftLabel), y + scala(Twip(riga < 5 ? 180 : 240)));
    }
}
} // namespace

ZEQ_Inst::Schermi& ZEQ_Inst::Apri()
{
    static Schermi s;
    return s;
}

ZEQ_Inst::ZEQ_Inst()
{
    setWindowTitle(QString::fromLatin1(TitoloProgramma).trimmed());
    resize(Twip(12000), Twip(9300));
    Intitolo = CreoIntitolo(this, QString::fromLatin1(TitoloProgramma), true);

    QFont fl = font();
    fl.setBold(true);
    fl.setPointSize(fl.pointSize() + 3);
    for (int riga = 0; riga < 7; ++riga) {
        const RigaMenu& m = kMenu[riga];
        auto* b = new QPushButton(this);
        b->setGeometry(Twip(kLeftTasti), Twip(kTopTasti[riga]), Twip(1215), Twip(855));
        b->setFocusPolicy(Qt::TabFocus);
        b->hide();
        if (m.tasto >= 0) {
            TastoF[m.tasto] = b;
            b->setObjectName(QStringLiteral("TastoF_%1").arg(m.tasto));
            const int index = m.tasto;
            connect(b, &QPushButton::clicked, this, [this, index] { TastoF_Click(index); });
        } else {
            TastoESC = b;
            b->setObjectName(QStringLiteral("TastoESC"));
            connect(b, &QPushButton::clicked, this, &ZEQ_Inst::TastoESC_Click);
        }
        auto* l = new QLabel(this);
        l->setObjectName(QStringLiteral("LabTasti_%1").arg(m.label));
        l->setFont(fl);
        l->move(Twip(kLeftLabel), Twip(kTopTasti[riga] + (riga < 5 ? 180 : 240)));
        l->resize(Twip(6000), Twip(450));
        l->hide();
        LabTasti[m.label] = l;
    }
    for (int i = 0; i < 2; ++i) {
        Versione[i] = new QLabel(this);
        Versione[i]->setObjectName(QStringLiteral("Versione_%1").arg(i));
        Versione[i]->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        Logo1[i] = new QLabel(this);
        Logo1[i]->setObjectName(QStringLiteral("Logo1_%1").arg(i));
        Logo1[i]->resize(Twip(2400), Twip(1600));
    }
    TastoVS = new QPushButton(this);
    TastoVS->setObjectName(QStringLiteral("TastoVS"));
    TastoVS->resize(Twip(1215), Twip(855));
    TastoVS->hide();
    connect(TastoVS, &QPushButton::clicked, this, [] {
        if (Apri().TastoVS)
            Apri().TastoVS();
    });
    BoxSW = new QFrame(this);
    BoxSW->setObjectName(QStringLiteral("BoxSW"));
    BoxSW->setFrameShape(QFrame::Box);
    BoxSW->resize(Twip(6000), Twip(4500));
    GrigliaSW = new QTableWidget(BoxSW);
    GrigliaSW->setObjectName(QStringLiteral("GrigliaSW"));
    GrigliaSW->setGeometry(Twip(120), Twip(120), Twip(5760), Twip(3300));
    GrigliaSW->setEditTriggers(QAbstractItemView::NoEditTriggers);
    GrigliaSW->verticalHeader()->hide();
    EsciVS = new QPushButton(BoxSW);
    EsciVS->setObjectName(QStringLiteral("EsciVS"));
    EsciVS->setGeometry(Twip(6000 - 1215) / 2, Twip(3500), Twip(1215), Twip(855) - 10);
    connect(EsciVS, &QPushButton::clicked, this, &ZEQ_Inst::EsciVS_Click);
    BoxSW->hide();
}

void ZEQ_Inst::Form_Load()
{
    CaricoImmagine(3012, Logo1[0]);
    CaricoImmagine(3009, Logo1[1]);
    const QString versione = Msg(361).trimmed() + QLatin1Char(' ') + QString::number(VersioneMaggiore) +
                             QLatin1Char('.') + QString::number(VersioneMinore);
    Versione[0]->setText(versione);
    Shell.Messaggio1 = versione;
    Shell.Funzione = 0;
    ImpostoLinguaPrincipale();
    LeggoVersTab();
}

void ImpostoLinguaPrincipale()
{
    ZEQ_Inst* f = ZEQ_Inst::Istanza();
    if (!f)
        return;
    for (const RigaMenu& m : kMenu) {
        QLabel* l = f->LabTasti[m.label];
        l->setText(Msg(m.messaggio));
        l->show();
        QPushButton* b = m.tasto >= 0 ? f->TastoF[m.tasto] : f->TastoESC;
        CaricoImmagine(IdRisorsa(m.bitmap), b);
        b->show();
    }
    ImmaginiTasto(f->EsciVS, IdRisorsa(103));
    f->EsciVS->show();
    ImmaginiTasto(f->TastoVS, IdRisorsa(153));
    f->TastoVS->show();
    // Maximised; without a window manager to honour the state, the size of the screen.
    if (const QScreen* schermo = f->screen())
        f->resize(schermo->availableGeometry().size());
    f->setWindowState(f->windowState() | Qt::WindowMaximized);
}

void ZEQ_Inst::LeggoVersTab()
{
    Versione[1]->setText(QString());
    const QString file = Files::PercorsoApp(QStringLiteral("VERSOFTWARE.DAT"));
    if (!Esiste(file, 0))
        return;
    // The first line ends at the first CR or LF; the text is Windows-1252.
    Versione[1]->setText(CatalogoTesto::Windows1252(Files::PrimaRiga(file)));
}

void ZEQ_Inst::Form_KeyDown(int& keyCode, int shift)
{
    if (shift != 0)
        return;
    const int k = keyCode;
    if (k == Tasti::Esc) {
        keyCode = 0;
        TastoESC_Click();
    } else if ((k >= Tasti::F1 && k <= Tasti::F4) || k == Tasti::F8 || k == Tasti::F10) {
        keyCode = 0;
        // A function key held on the language form repeats into the menu: only a fresh
        // press opens a screen (and its port).
        if (!TastoRipetuto())
            TastoF_Click(k - Tasti::F1);
    }
}

int ZEQ_Inst::NumeroPorta(const QString& testo, int fallback)
{
    // The number that the text begins with from its 4th character, as Val() reads it.
    const QString resto = testo.mid(3).trimmed();
    qsizetype i = 0;
    if (i < resto.size() && (resto[i] == QLatin1Char('-') || resto[i] == QLatin1Char('+')))
        ++i;
    const qsizetype inizioCifre = i;
    while (i < resto.size() && resto[i].isDigit())
        ++i;
    if (i == inizioCifre)
        return -1;
    bool ok = false;
    const long long n = resto.left(i).toLongLong(&ok);
    if (!ok || n <= 0 || n > 10)
        return fallback;
    return int(n);
}

int ZEQ_Inst::ProvaPorta()
{
    Shell.LungIni = LeggoProfilo(QStringLiteral("SERIALE"), QStringLiteral("Porta"), QStringLiteral("COM1"),
                                 Shell.BufferIni, FileConfigurazione());
    if (Shell.LungIni <= 0) {
        Shell.BufferIni = QStringLiteral("COM1");
        Shell.LungIni = 4;
    }
    const int n = NumeroPorta(Shell.BufferIni.left(Shell.LungIni));
    if (n < 0)
        return SerialControl::ErrPortaNonValida;
    SerialControl& porta = Comunic();
    if (porta.PortOpen())
        porta.setPortOpen(false);
    if (const int err = porta.setCommPort(n))
        return err;
    if (const int err = porta.setPortOpen(true))
        return err;
    porta.setPortOpen(false);
    return 0;
}

bool ZEQ_Inst::apriModeless(int funzione, const std::function<Apertura()>& apri)
{
    const int err = ProvaPorta();
    if (err != 0) {
        Avviso(err == SerialControl::ErrPortaGiaAperta ? 366 : 367);
        return false;
    }
    Shell.Funzione = funzione;
    const Apertura esito = apri ? apri() : Apertura::FallitaMuta;
    if (esito != Apertura::Aperta) {
        // A screen that could not be opened leaves the menu in charge; one that said why
        // is not followed by a second box.
        Shell.Funzione = 0;
        setEnabled(true);
        if (esito == Apertura::FallitaMuta)
            Avviso(367);
        return false;
    }
    setEnabled(false);
    return true;
}

void ZEQ_Inst::TastoF_Click(int index)
{
    EsciVS_Click();
    switch (index) {
    case 0:
        apriModeless(1, Apri().Veicolo);
        break;
    case 1:
        apriModeless(2, Apri().DatiMotore);
        break;
    case 2:
        if (!Apri().AggModel || !Apri().AggModel()) {
            Avviso(367);
            break;
        }
        LeggoVersTab();
        DopoDialogo();
        break;
    case 3:
        if (!Apri().Gestione || !Apri().Gestione()) {
            Avviso(367);
            break;
        }
        DopoDialogo();
        break;
    case 7: {
        const int prima = Shell.Lingua;
        Shell.Lingua = 0;
        SceltaLingua* s = SceltaLingua::Carica();
        s->LinguaPrecedente = prima;
        s->Mostra(false);
        m_cambioLingua = true;
        Scarica();
        break;
    }
    case 9:
        Config::Carica()->Mostra(true);
        DopoDialogo();
        break;
    default:
        break;
    }
}

void ZEQ_Inst::TastoESC_Click()
{
    ChiusuraUtente();
}

void ZEQ_Inst::ChiusuraUtente()
{
    // While the vehicle or live-data screen is open the menu stays (they are closed first).
    if (Shell.Funzione != 0)
        return;
    Scarica();
}

void ZEQ_Inst::Form_Unload(bool& cancel)
{
    Q_UNUSED(cancel)
    // Unloading the main form ends the program, by the exit key or by the close box; only
    // the language change unloads it to show it again. The event loop is ended in a way no
    // window can refuse: a quit request would ask every visible window to close, and this
    // form, still visible while it unloads, would refuse it. Outside an event loop (a form
    // unloaded by a test) there is nothing to end.
    if (!m_cambioLingua && QThread::currentThread()->loopLevel() > 0)
        QCoreApplication::exit(0);
}

void ZEQ_Inst::MostroElencoSoftware(const QList<QPair<QString, QString>>& righe)
{
    TastoVS->setEnabled(false);
    BoxSW->show();
    BoxSW->raise();
    GrigliaSW->clear();
    GrigliaSW->setColumnCount(2);
    GrigliaSW->setRowCount(std::max<int>(1, righe.size()));
    GrigliaSW->setColumnWidth(0, Twip(3500));
    GrigliaSW->setColumnWidth(1, Twip(1500));
    GrigliaSW->setHorizontalHeaderLabels({Msg(371), Msg(372)});
    for (int r = 0; r < righe.size(); ++r) {
        GrigliaSW->setItem(r, 0, new QTableWidgetItem(righe[r].first));
        GrigliaSW->setItem(r, 1, new QTableWidgetItem(righe[r].second));
    }
}

void ZEQ_Inst::EsciVS_Click()
{
    TastoVS->setEnabled(true);
    BoxSW->hide();
}

void ZEQ_Inst::DopoSchermo()
{
    setEnabled(true);
    DopoDialogo();
}

void ZEQ_Inst::DopoDialogo()
{
    if (Scaricato())
        return;
    update();
    activateWindow();
}

void ZEQ_Inst::Form_Resize()
{
    const int w = width();
    const int h = height();
    Intitolo->setGeometry(0, 0, w, Intitolo->sizeHint().height());
    DisponoRighe(this);
    QLabel* l0 = Logo1[0];
    QLabel* l1 = Logo1[1];
    l0->move(w - int(1.1 * l0->width()), TastoF[0]->y());
    l1->move(w - int(1.1 * l1->width()), h - l1->height() - Twip(240));
    const int centro1 = l1->y() + l1->height() / 2;
    TastoVS->move(l1->x() - Twip(105) - TastoVS->width(), centro1 - TastoVS->height() / 2);
    const int larghezzaVersione = Twip(4500);
    const int destra = TastoVS->x() - Twip(105);
    Versione[0]->setGeometry(destra - larghezzaVersione, centro1 - Twip(330), larghezzaVersione, Twip(300));
    Versione[1]->setGeometry(destra - larghezzaVersione, centro1 + Twip(30), larghezzaVersione, Twip(300));
    BoxSW->move(std::max(0, TastoVS->x() + TastoVS->width() - BoxSW->width()),
                std::max(Intitolo->height(), TastoVS->y() - BoxSW->height() - Twip(120)));
}
