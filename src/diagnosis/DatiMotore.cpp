#include "diagnosis/DatiMotore.h"

#include "diagnosis/Grafici.h"
#include "diagnosis/RigaDati.h"
#include "diagnosis/TarMP.h"
#include "ecu_link/DatiCentralina.h"
#include "ecu_link/StatoLink.h"
#include "platform/PictureBox.h"
#include "platform/PrivateProfile.h"
#include "platform/Resources.h"
#include "platform/SerialControl.h"
#include "platform/Timer.h"
#include "remote/ModemLink.h"
#include "remote/StatoGSM.h"
#include "shell/Modulo.h"
#include "shell/Procedure.h"
#include "shell/ZEQ_Inst.h"

#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QScopedValueRollback>
#include <QVBoxLayout>

namespace {

// Design of the pages, in twips.
constexpr int LarghezzaSfondo = 12000;
constexpr int AltezzaSfondo = 7215;
constexpr int Distanza = 105;

const QColor Rosso(255, 0, 0);
const QColor Blu(0, 0, 255);
const QColor Bianco(255, 255, 255);
const QColor Nero(0, 0, 0);
const QColor Verde(0, 255, 0);

// Channels shown by the display timer, in its order.
constexpr int CanaliMostrati[] = {12, 7, 10, 11, 0, 1, 14, 3, 8, 6, 2, 9, 4};
// Engine-page boxes in caption order, with their place (twips) and the point of the engine
// picture their leader line goes to.
struct PostoBox {
    int k, left, top;
    int versoX, versoY;
};
constexpr PostoBox PostiMotore[13] = {
    {7, 120, 600, 3600, 2400},   {10, 120, 1500, 3600, 2900},  {12, 120, 2400, 3900, 3500},
    {11, 120, 3300, 4000, 4200}, {0, 120, 4200, 4300, 4800},   {1, 120, 5100, 4600, 5300},
    {14, 120, 6000, 5000, 5600}, {9, 8930, 600, 8400, 2400},   {4, 8930, 1500, 8400, 3000},
    {8, 8930, 2400, 8200, 3600}, {3, 8930, 3300, 7900, 4200},  {6, 8930, 4200, 7600, 4800},
    {2, 8930, 5100, 7300, 5300},
};
// A remote exchange disables the page backgrounds against input only: the values and their
// captions keep being shown, so they keep their colour.
const QString ValoriLeggibili = QStringLiteral("QGroupBox,QLabel{color:black}");

constexpr int LarghezzaBox = 2950;
constexpr int AltezzaBox = 780;

QPushButton* Tasto(QWidget* padre, const char* nome)
{
    auto* b = new QPushButton(padre);
    b->setObjectName(QLatin1String(nome));
    b->setFixedSize(81, 57);
    b->setIconSize(QSize(81, 57));
    b->setFlat(true);
    return b;
}

} // namespace

DatiMotore::DatiMotore()
{
    setWindowTitle(QStringLiteral("DATI MOTORE"));
    setSizeGripEnabled(true);
    Intitolo = CreoIntitolo(this, QStringLiteral("DATI MOTORE"), true);
    creoPaginaMotore();
    creoPaginaGrafici();

    PaginaMotore = Tasto(this, "PaginaMotore");
    PaginaMotore->setEnabled(false);
    PaginaGrafici = Tasto(this, "PaginaGrafici");
    T_MapTPS = Tasto(this, "T_MapTPS");
    TastoGSM = Tasto(this, "TastoGSM");
    TastoGSM->setVisible(false);
    ChiudoGSM = Tasto(this, "ChiudoGSM");
    ChiudoGSM->setVisible(false);
    Informo = new QLabel(this);
    Informo->setObjectName(QStringLiteral("Informo"));
    Informo->setWordWrap(true);
    Registrazione = new QLabel(this);
    Registrazione->setObjectName(QStringLiteral("Registrazione"));
    Registrazione->setWordWrap(true);
    Registrazione->setStyleSheet(QStringLiteral("color:#c00000"));
    Esci = Tasto(this, "Esci");

    VisDati = new FormTimer(this, 300, false);
    Dati_Out = new FormTimer(this, 2000, false);
    TimeOutTx = new FormTimer(this, 5000, false);
    TimeOutModem = new FormTimer(this, 5000, false);
    connect(VisDati, &FormTimer::Timer, this, &DatiMotore::VisDati_Timer);
    connect(Dati_Out, &FormTimer::Timer, this, &DatiMotore::Dati_Out_Timer);
    connect(TimeOutTx, &FormTimer::Timer, this, &DatiMotore::TimeOutTx_Timer);
    connect(TimeOutModem, &FormTimer::Timer, this, &DatiMotore::TimeOutModem_Timer);
    connect(Esci, &QPushButton::clicked, this, &DatiMotore::Esci_Click);
    connect(T_MapTPS, &QPushButton::clicked, this, &DatiMotore::T_MapTPS_Click);
    connect(TastoGSM, &QPushButton::clicked, this, &DatiMotore::TastoGSM_Click);
    connect(ChiudoGSM, &QPushButton::clicked, this, &DatiMotore::ChiudoGSM_Click);
    Informo->setVisible(false);
    connect(PaginaMotore, &QPushButton::clicked, this, &DatiMotore::PaginaMotore_Click);
    connect(PaginaGrafici, &QPushButton::clicked, this, &DatiMotore::PaginaGrafici_Click);
    resize(800, 600);
}

DatiMotore::~DatiMotore()
{
    delete ScrollGrafico;
    delete Cancella;
}

void DatiMotore::creoPaginaMotore()
{
    SfondoMotore = new PictureBox(this);
    SfondoMotore->setObjectName(QStringLiteral("SfondoMotore"));
    SfondoMotore->Imposto(0, 0, LarghezzaSfondo, AltezzaSfondo);
    for (int i = 0; i < 13; ++i) {
        const PostoBox& p = PostiMotore[i];
        auto* box = new QGroupBox(SfondoMotore);
        box->setGeometry(Twip(p.left), Twip(p.top), Twip(LarghezzaBox), Twip(AltezzaBox));
        box->setFont(FontSansSerif(8, true));
        // The caption stands on a white strip: the engine picture would run through its letters.
        box->setStyleSheet(QStringLiteral("QGroupBox{background:white;border:1px solid #5a6b7c;margin-top:8px;"
                                          "font-weight:bold}QGroupBox::title{subcontrol-origin:margin;left:4px;"
                                          "padding:0 2px;background:white}")
                           + ValoriLeggibili);
        auto* valore = new QLabel(box);
        valore->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        valore->setFont(FontSansSerif(11, true));
        auto* l = new QVBoxLayout(box);
        l->setContentsMargins(6, 10, 6, 2);
        l->addWidget(valore);
        BoxDati[p.k] = box;
        DatiMot[p.k] = valore;
        // Leader line from the box's inner edge to its part of the engine.
        const int bordo = p.left < 6000 ? p.left + LarghezzaBox : p.left;
        Linea[i] = SfondoMotore->CreoLinea();
        Linea[i]->BorderColor = QColor(0x5a, 0x6b, 0x7c);
        const int y = p.top + AltezzaBox / 2 + 60;
        Linea[i]->Imposto(bordo, y, p.versoX, y + (p.versoY - y) / 4);
    }
    LedBG = new QFrame(SfondoMotore);
    LedBG->setObjectName(QStringLiteral("LedBG"));
    LedBG->setGeometry(Twip(4800), Twip(6300), 22, 22);
    LedBG->setStyleSheet(QStringLiteral("background:white;border:1px solid black;border-radius:11px"));
    Legenda = new QLabel(SfondoMotore);
    Legenda->setGeometry(Twip(4800) + 28, Twip(6300), Twip(3000), 22);
    Legenda->setFont(FontSansSerif(8.25, true));
    Legenda->setStyleSheet(ValoriLeggibili);
}

void DatiMotore::creoPaginaGrafici()
{
    SfondoGrafici = new PictureBox(this);
    SfondoGrafici->setObjectName(QStringLiteral("SfondoGrafici"));
    SfondoGrafici->Imposto(0, 0, LarghezzaSfondo, AltezzaSfondo);
    SfondoGrafici->setBackColor(QColor(0xe4, 0xea, 0xf0));
    SfondoGrafici->setVisible(false);
    auto* lista = new QGroupBox(SfondoGrafici);
    BoxDati[5] = lista;
    lista->setGeometry(Twip(60), Twip(120), Twip(1995), Twip(6975));
    lista->setStyleSheet(QStringLiteral("QGroupBox{background:white;border:1px solid #5a6b7c}") + ValoriLeggibili);
    auto* l = new QVBoxLayout(lista);
    l->setContentsMargins(3, 2, 3, 2);
    l->setSpacing(0);
    for (int k = 0; k < 16; ++k) {
        LabMot1[k] = new QLabel(lista);
        LabMot1[k]->setFont(FontSansSerif(6.5, false));
        LabMot1[k]->setWordWrap(true);  // the longest captions take two lines
        DatiMot1[k] = new QLabel(lista);
        DatiMot1[k]->setFont(FontSansSerif(8.25, true));
        DatiMot1[k]->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        DatiMot1[k]->installEventFilter(this);
        l->addWidget(LabMot1[k]);
        l->addWidget(DatiMot1[k]);
    }
    l->addStretch();
    for (int s = 0; s < 4; ++s)
        creoPannello(s);
    ScrollGrafico = new PictureClip;
    Cancella = new PictureClip;
}

void DatiMotore::creoPannello(int s)
{
    const LayoutPannello d = PannelloDisegno();
    auto* p = new PictureBox(SfondoGrafici);
    Pann_Grafico[s] = p;
    p->setBackColor(Bianco);
    p->Imposto(2100, 120, 9855, 6975);
    p->setVisible(false);
    p->setEnabled(false);
    NomeC[s] = new QLabel(p);
    NomeC[s]->setStyleSheet(QStringLiteral("background:white;color:red"));
    NomeC[s]->setFont(FontSansSerif(8.25, true));
    NomeC[s]->setGeometry(Twip(d.nomeC.Left), Twip(d.nomeC.Top), Twip(d.nomeC.Width), Twip(d.nomeC.Height));
    BoxScalaY[s] = new PictureBox(p);
    BoxScalaY[s]->setBackColor(Bianco);
    BoxScalaY[s]->setFont(FontSerif(6));
    BoxScalaY[s]->Imposto(d.boxScalaY.Left, d.boxScalaY.Top, d.boxScalaY.Width, d.boxScalaY.Height);
    ScalaY[s] = BoxScalaY[s]->CreoLinea();
    ScalaY[s]->BorderColor = Rosso;
    ScalaY[s]->Imposto(675, 285, 675, d.scalaYY2);
    GraficoC[s] = new PictureBox(p);
    GraficoC[s]->setObjectName(QStringLiteral("GraficoC%1").arg(s));
    GraficoC[s]->setBackColor(Nero);
    GraficoC[s]->setForeColor(Rosso);
    GraficoC[s]->Imposto(d.grafico.Left, d.grafico.Top, d.grafico.Width, d.grafico.Height);
    BoxScalaX[s] = new PictureBox(p);
    BoxScalaX[s]->setBackColor(Bianco);
    BoxScalaX[s]->setFont(FontSerif(6));
    BoxScalaX[s]->Imposto(d.boxScalaX.Left, d.boxScalaX.Top, d.boxScalaX.Width, d.boxScalaX.Height);
    ScalaX[s] = BoxScalaX[s]->CreoLinea();
    ScalaX[s]->BorderColor = Blu;
    ScalaX[s]->Imposto(495, 30, d.scalaXX2, 30);
    GrigliaV[s] = GraficoC[s]->CreoMatriceLinee();
    GrigliaH[s] = GraficoC[s]->CreoMatriceLinee();
    for (MatriceLinee* g : {GrigliaV[s], GrigliaH[s]}) {
        (*g)[0]->BorderColor = Bianco;
        (*g)[0]->Visible = false;
    }
}

ZEQ_Inst::Apertura DatiMotore::Apri()
{
    DatiMotore* d = Carica();
    if (const int err = d->m_erroreApertura) {
        d->Scarica();
        Avviso(err == SerialControl::ErrPortaGiaAperta ? 366 : 367);
        return ZEQ_Inst::Apertura::FallitaDetta;
    }
    d->Mostra(false);
    return ZEQ_Inst::Apertura::Aperta;
}

void DatiMotore::InizializzoVariabili()
{
    Link.DatiRicevuti = false;
    Link.InterrogoDati = true;
    Link.FaseCom = FASE_LIBERA;
    GSM.PrimoInvioGSM = false;
    GSM.GSMattivo = false;
    GSM.InvioGSM = false;
}

void DatiMotore::Form_Load()
{
    CollegoRicezione();
    SfondoMotore->setPicture(PixmapRisorsa(3007, SfondoMotore->size()).toImage());
    AzzeroDatiCentralina();
    Link.InterrogoDati = true;
    Link.TarMPattivo = false;
    InizializzoVariabili();
    NumGrafici = 0;
    IniVarGrafici();
    AzzeroGrafici();
    for (QLabel* d : DatiMot1)
        d->setToolTip(Msg(318));
    for (int k : {7, 10, 12, 11, 0, 1, 14, 9, 4, 8, 3, 6, 2}) {
        BoxDati[k]->setTitle(Graf.Canali[k].Nome);
        LabMot1[k]->setText(Graf.Canali[k].Nome);
    }
    LabMot1[5]->setText(Graf.Canali[5].Nome);
    LabMot1[13]->setText(Graf.Canali[13].Nome);
    Legenda->setText(Graf.Canali[15].Nome);
    LabMot1[15]->setText(Graf.Canali[15].Nome);
    ImmaginiTasto(PaginaMotore, IdRisorsa(134));
    ImmaginiTasto(PaginaGrafici, IdRisorsa(135));
    ImmaginiTasto(TastoGSM, IdRisorsa(136));
    ImmaginiTasto(ChiudoGSM, IdRisorsa(140));
    ImmaginiTasto(T_MapTPS, IdRisorsa(151), 0, IdRisorsa(152));
    ImmaginiTasto(Esci, IdRisorsa(132));
    TastoGSM->setVisible(true);
    // The blank background of a trace picture, measured in pixels.
    GraficoC[0]->Cls();
    Cancella->Picture = GraficoC[0]->Image();
    Cancella->ClipX = Cancella->ClipY = 0;
    Cancella->ClipWidth = Cancella->StretchX = Cancella->Width();
    Cancella->ClipHeight = Cancella->StretchY = Cancella->Height();
    // Without an assistance number there is no station to call.
    GSM.Telefono = LeggoProfilo(QStringLiteral("ASSISTENZA"), QStringLiteral("Telefono"), QString(),
                                FileConfigurazione())
                       .trimmed();
    TastoGSM->setEnabled(!GSM.Telefono.isEmpty());
    // The port number was set by the main menu; Apri() tells the menu when it did not open.
    m_erroreApertura = Comunic().PortOpen() ? 0 : Comunic().setPortOpen(true);
    Comando(Protocollo::ComandoAvvioDati);
    Comando(Protocollo::ComandoDatiNormali);
    Dati_Out->setInterval(2000);
    Dati_Out->setEnabled(true);
    VisDati->setEnabled(true);
    Form_Resize();
}

void DatiMotore::VisDati_Timer()
{
    const RigaDati& r = Diagnosi.DatiVideo[0];
    for (int k : CanaliMostrati) {
        const QString t = QString::fromLatin1(r.Valore[k]);
        DatiMot[k]->setText(t);
        DatiMot1[k]->setText(t);
    }
    const char carburante = r.Valore[15].isEmpty() ? ' ' : r.Valore[15][0];
    QColor lampada = Bianco;
    QString testo = QStringLiteral("-------");
    if (carburante == 'B') {
        lampada = Rosso;
        testo = Msg(380);
    } else if (carburante == 'G') {
        lampada = Verde;
        testo = Msg(381);
    }
    LedBG->setStyleSheet(QStringLiteral("background:%1;border:1px solid black;border-radius:11px").arg(lampada.name()));
    LedBG->setProperty("colore", lampada);
    DatiMot1[15]->setText(testo);
    AggiornoGrafici();
}

void DatiMotore::impostoScala(int s)
{
    const CanaleGrafico& c = Graf.Canali[Graf.Tracce[s].Canale];
    const CanaleGrafico& t = Graf.Canali[StatoGraficiRec::CanaleTempo];
    ImpostoScala(GraficoC[s], c.ScalaMin, c.ScalaMax, t.ScalaMin, t.ScalaMax, *Cancella);
}

void DatiMotore::disegnoAsseX(int s)
{
    const CanaleGrafico& t = Graf.Canali[StatoGraficiRec::CanaleTempo];
    DisegnoAsseX(BoxScalaX[s], ScalaX[s], t.ScalaMin + Graf.OrigineTempo, t.ScalaMax + Graf.OrigineTempo,
                 ScalaX[s]->BorderColor, t.Divisioni, t.Suddivisioni, t.Formato);
}

void DatiMotore::disegnoAsseY(int s, const QColor& colore)
{
    const CanaleGrafico& c = Graf.Canali[Graf.Tracce[s].Canale];
    DisegnoAsseY(BoxScalaY[s], ScalaY[s], c.ScalaMin, c.ScalaMax, colore, c.Divisioni, c.Suddivisioni, c.Formato);
}

void DatiMotore::DatiMot1_DblClick(int Index)
{
    if (Index < 0 || Index > StatoGraficiRec::CanaleDerivato)
        return; // the fuel has no graph
    CanaleGrafico& canale = Graf.Canali[Index];
    if (canale.InGrafico) {
        for (Traccia& t : Graf.Tracce)
            if (t.Canale == Index)
                t.Canale = -1;
        canale.InGrafico = false;
    } else {
        Traccia* libera = nullptr;
        for (Traccia& t : Graf.Tracce) {
            if (t.Canale == -1) {
                libera = &t;
                break;
            }
        }
        if (!libera)
            return;
        libera->Canale = Index;
        canale.InGrafico = true;
    }
    NumGrafici = 0;
    for (const Traccia& t : Graf.Tracce)
        NumGrafici += t.Canale >= 0;
    const auto layout = CalcoloLayout(Graf.Tracce, Graf.PosizioniGrafici);
    const CanaleGrafico& tempo = Graf.Canali[StatoGraficiRec::CanaleTempo];
    for (int s = 0; s < 4; ++s) {
        if (!layout[s]) {
            Pann_Grafico[s]->setEnabled(false);
            Pann_Grafico[s]->setVisible(false);
            GrigliaV[s]->ScaricoOltreZero();
            GrigliaH[s]->ScaricoOltreZero();
            continue;
        }
        const LayoutPannello& l = *layout[s];
        const CanaleGrafico& c = Graf.Canali[Graf.Tracce[s].Canale];
        Pann_Grafico[s]->Imposto(l.pannello.Left, l.pannello.Top, l.pannello.Width, l.pannello.Height);
        BoxScalaX[s]->Imposto(l.boxScalaX.Left, l.boxScalaX.Top, l.boxScalaX.Width, l.boxScalaX.Height);
        BoxScalaY[s]->Imposto(l.boxScalaY.Left, l.boxScalaY.Top, l.boxScalaY.Width, l.boxScalaY.Height);
        GraficoC[s]->Imposto(l.grafico.Left, l.grafico.Top, l.grafico.Width, l.grafico.Height);
        ScalaX[s]->Imposto(ScalaX[s]->X1(), ScalaX[s]->Y1(), l.scalaXX2, ScalaX[s]->Y2());
        ScalaY[s]->Imposto(ScalaY[s]->X1(), ScalaY[s]->Y1(), ScalaY[s]->X2(), l.scalaYY2);
        NomeC[s]->resize(Twip(l.nomeC.Width), NomeC[s]->height());
        NomeC[s]->setText(c.Nome);
        impostoScala(s);
        if (Graf.Tracce[s].CanalePrecedente == -1) {
            (*GrigliaV[s])[0]->setVisible(true);
            (*GrigliaH[s])[0]->setVisible(true);
            for (int i = 1; i <= tempo.Divisioni - 2; ++i)
                GrigliaV[s]->Load(i)->setVisible(true);
            for (int i = 1; i <= c.Divisioni - 2; ++i)
                GrigliaH[s]->Load(i)->setVisible(true);
        }
        LineeVerticali(GraficoC[s], tempo.Divisioni, tempo.ScalaMin, tempo.ScalaMax, GrigliaV[s], Bianco);
        LineeOrizzontali(GraficoC[s], c.Divisioni, GrigliaH[s], Bianco);
        disegnoAsseX(s);
        disegnoAsseY(s, ScalaY[s]->BorderColor);
        Pann_Grafico[s]->setEnabled(true);
        Pann_Grafico[s]->setVisible(true);
    }
    SalvoDatiGraf();
    RidisegnoDaFile();
    // The file held every sample up to the newest: the next segment starts there, never at
    // a sample drawn before the panes were last removed.
    Diagnosi.DatiVideo[1] = Diagnosi.DatiVideo[0];
    for (Traccia& t : Graf.Tracce)
        t.CanalePrecedente = t.Canale;
}

void DatiMotore::AggiornoGrafici()
{
    if (!Link.DatiRicevuti)
        return;
    if (NumGrafici < 1) {
        Link.DatiRicevuti = false;
        return;
    }
    RigaDati& r0 = Diagnosi.DatiVideo[0];
    RigaDati& r1 = Diagnosi.DatiVideo[1];
    const CanaleGrafico& tempo = Graf.Canali[StatoGraficiRec::CanaleTempo];
    auto cambiato = [](const CanaleGrafico& c) {
        return c.ScalaMin != c.ScalaMinDisegnata || c.ScalaMax != c.ScalaMaxDisegnata;
    };
    auto disegnati = [] {
        for (CanaleGrafico& c : Graf.Canali) {
            c.ScalaMinDisegnata = c.ScalaMin;
            c.ScalaMaxDisegnata = c.ScalaMax;
        }
    };
    // 1. The newest sample has reached the right edge: the window moves on.
    if (r0.Numero >= tempo.ScalaMax + Graf.OrigineTempo) {
        SalvoDatiGraf();
        const qint32 vecchia = Graf.OrigineTempo;
        CalcoloPasso(r0.Numero, tempo.ScalaMin, tempo.ScalaMax, tempo.Divisioni, Graf.OrigineTempo);
        ElaboroCampioni();
        for (int s = 0; s < 4; ++s) {
            const int c = Graf.Tracce[s].Canale;
            if (c < 0)
                continue;
            // A move of the whole window (the timer was held up) cannot shift the picture:
            // the pane is cleared and the redraw below fills it.
            if (!ScorroGrafico(GraficoC[s], *ScrollGrafico, tempo.ScalaMin, tempo.ScalaMax, tempo.Divisioni,
                               Graf.OrigineTempo, vecchia))
                impostoScala(s);
            disegnoAsseX(s);
            if (cambiato(Graf.Canali[c])) {
                impostoScala(s);
                disegnoAsseY(s, GraficoC[s]->ForeColor());
            }
        }
        RidisegnoDaFile();
        disegnati();
    }
    // 2. An axis has changed: its pane is cleared and redrawn from the file.
    bool rifatto = false;
    for (int s = 0; s < 4; ++s) {
        const int c = Graf.Tracce[s].Canale;
        if (c >= 0 && cambiato(Graf.Canali[c])) {
            impostoScala(s);
            disegnoAsseY(s, GraficoC[s]->ForeColor());
            rifatto = true;
        }
    }
    if (rifatto) {
        SalvoDatiGraf();
        RidisegnoDaFile();
    }
    disegnati();
    // 4. One new segment per pane, from the sample last drawn to the newest.
    for (int s = 0; s < 4; ++s) {
        const int c = Graf.Tracce[s].Canale;
        if (c < 0)
            continue;
        const double x = r0.Numero - Graf.OrigineTempo;
        if (!Numerico(r0.Valore[c]))
            continue;
        if (r1.Numero != -1 && Numerico(r1.Valore[c]))
            GraficoC[s]->Line(r1.Numero - Graf.OrigineTempo, Val(r1.Valore[c]), x, Val(r0.Valore[c]));
        else
            GraficoC[s]->PSet(x, Val(r0.Valore[c]));
    }
    r1 = r0;
    Link.DatiRicevuti = false;
}

void DatiMotore::PannelliVuoti()
{
    for (int s = 0; s < 4; ++s) {
        if (Graf.Tracce[s].Canale < 0)
            continue;
        impostoScala(s);
        disegnoAsseX(s);
        disegnoAsseY(s, ScalaY[s]->BorderColor);
    }
}

void DatiMotore::DisegnoSegmento(const Segmento& s)
{
    PictureBox* p = GraficoC[s.slot];
    if (s.punto)
        p->PSet(s.x2, s.y2);
    else
        p->Line(s.x1, s.y1, s.x2, s.y2);
}

void DatiMotore::MostroRegistrazioneFerma(bool ferma)
{
    if (ferma)
        Registrazione->setText(Msg(362));
    else
        Registrazione->clear();
}

void DatiMotore::PaginaGrafici_Click()
{
    PaginaGrafici->setEnabled(false);
    PaginaMotore->setEnabled(true);
    SfondoGrafici->setVisible(true);
    SfondoMotore->setVisible(false);
}

void DatiMotore::PaginaMotore_Click()
{
    PaginaMotore->setEnabled(false);
    PaginaGrafici->setEnabled(true);
    SfondoMotore->setVisible(true);
    SfondoGrafici->setVisible(false);
}

void DatiMotore::Dati_Out_Timer()
{
    // A second box over the one already open would stack watchdog boxes: the watchdog
    // stops and the next live frame re-arms it.
    if (m_boxWatchdog) {
        Dati_Out->setEnabled(false);
        return;
    }
    Beep();
    Dati_Out->setEnabled(false);
    Link.DatiRicevuti = false;
    AzzeroGrafici();
    {
        const QScopedValueRollback guardia(m_boxWatchdog, true);
        SegnaloNonComunica();
    }
    if (Scaricato() || DatiMotore::Istanza() != this)
        return; // the screen was closed while the box was up
    switch (Shell.RispostaSegnalEr) {
    case 0: Esci_Click(); break;
    case 1:
    case 2:
        Dati_Out->setInterval(5000);
        Comando(Protocollo::ComandoAvvioDati);
        if (Shell.RispostaSegnalEr == 1)
            Dati_Out->setEnabled(true);
        Link.InterrogoDati = true;
        break;
    default: break;
    }
}

void DatiMotore::TimeOutTx_Timer()
{
    TimeOutTx->setEnabled(false);
    ImpostoPuntatore(Shell.PuntatoreMouse);
    setEnabled(true);
    if (Link.FaseCom == FASE_RICHIESTA_VERSIONE) {
        // No request pending while the box is open.
        Link.FaseCom = FASE_LIBERA;
        Link.InterrogoDati = false;
        GSM.PrimoInvioGSM = false;
        // One watchdog box at a time: under the no-data box, which already says that the
        // ECU is silent and whose answer decides what follows, the request only ends.
        const bool sottoBox = m_boxWatchdog;
        if (!sottoBox) {
            Beep();
            Shell.Messaggio1 = Msg(208);
            Shell.Messaggio2 = Msg(140);
            const QScopedValueRollback guardia(m_boxWatchdog, true);
            MostroMessaggio(Shell.Messaggio1, Shell.Messaggio2, 0);
        }
        Comando(Protocollo::ComandoFineScambio);
        if (!sottoBox && DatiMotore::Istanza() == this && !Scaricato()) {
            Dati_Out->setEnabled(true);
            update();
        }
    }
    Link.FaseCom = FASE_LIBERA;
}

void DatiMotore::TimeOutModem_Timer() { ScadenzaModem(); }

void DatiMotore::ImpostoRisposta(int ms)
{
    if (DatiMotore* d = Istanza())
        d->TimeOutTx->setInterval(ms);
}

void DatiMotore::AvvioRisposta()
{
    if (DatiMotore* d = Istanza())
        d->TimeOutTx->setEnabled(true);
}

void DatiMotore::FermoRisposta()
{
    if (DatiMotore* d = Istanza())
        d->TimeOutTx->setEnabled(false);
}

void DatiMotore::AvvioCollegamento()
{
    if (DatiMotore* d = Istanza())
        d->Dati_Out->setEnabled(true);
}

void DatiMotore::FermoCollegamento()
{
    if (DatiMotore* d = Istanza())
        d->Dati_Out->setEnabled(false);
}

void DatiMotore::ImpostoModem(int ms)
{
    if (DatiMotore* d = Istanza())
        d->TimeOutModem->setInterval(ms);
}

void DatiMotore::AvvioModem()
{
    if (DatiMotore* d = Istanza())
        d->TimeOutModem->setEnabled(true);
}

void DatiMotore::ArmoModem(int ms)
{
    if (DatiMotore* d = Istanza()) {
        d->TimeOutModem->setInterval(ms);
        d->TimeOutModem->setEnabled(true);
    }
}

void DatiMotore::FermoModem()
{
    if (DatiMotore* d = Istanza())
        d->TimeOutModem->setEnabled(false);
}

bool DatiMotore::RispostaAvviata() const { return TimeOutTx->Enabled(); }
bool DatiMotore::CollegamentoAvviato() const { return Dati_Out->Enabled(); }
int DatiMotore::TempoCollegamento() const { return Dati_Out->Interval(); }
bool DatiMotore::ModemAvviato() const { return TimeOutModem->Enabled(); }
int DatiMotore::TempoModem() const { return TimeOutModem->Interval(); }

void DatiMotore::AbilitoSchermo(bool si)
{
    if (DatiMotore* d = Istanza())
        d->setEnabled(si);
}

void DatiMotore::TastoGSM_Click() { AproAggancio(); }
void DatiMotore::ChiudoGSM_Click() { RiattaccoGSM(); }

void DatiMotore::MostroChiamataGSM(bool attiva)
{
    if (attiva) {
        for (QPushButton* w : {Esci, PaginaGrafici, PaginaMotore})
            w->setEnabled(true);
    }
    Visibile(TastoGSM, !attiva);
    T_MapTPS->setEnabled(!attiva);
    Visibile(ChiudoGSM, attiva);
}

void DatiMotore::MostroScambioRemoto(bool aperto)
{
    Informo->setVisible(aperto);
    for (QWidget* w : std::initializer_list<QWidget*>{TastoGSM, ChiudoGSM, PaginaGrafici, PaginaMotore, SfondoGrafici,
                                                       SfondoMotore})
        w->setEnabled(!aperto);
}

void DatiMotore::MostroScambioScaduto()
{
    MostroScambioRemoto(false);
    T_MapTPS->setEnabled(true);
}

void DatiMotore::MostroInformo(const QString& testo) { Informo->setText(testo); }

void DatiMotore::T_MapTPS_Click()
{
    TarMP* t = TarMP::Carica();
    t->Mostra(false);
    setEnabled(false);
    Link.TarMPattivo = true;
    Link.BufferTx = Protocollo::Riga(Protocollo::ComandoDatiTarMP);
    ScrivoCentralina(Link.BufferTx);
}

void DatiMotore::FineTarMP()
{
    setEnabled(true);
    T_MapTPS->setEnabled(true);
    T_MapTPS->setFocus();
}

void DatiMotore::Esci_Click()
{
    for (int passo = 0; passo < 2; ++passo)
        ScaricaForm([](FormBase*, const QString& nome) {
            return nome != QLatin1String("ZEQ_INST") && nome != QLatin1String("DATIMOTORE");
        });
    Scarica();
}

void DatiMotore::Form_KeyDown(int& keyCode, int shift)
{
    if (keyCode == Tasti::Esc && shift == 0) {
        keyCode = 0;
        Esci_Click();
    }
}

void DatiMotore::Form_Unload(bool&)
{
    Dati_Out->setEnabled(false);
    TimeOutTx->setEnabled(false);
    VisDati->setEnabled(false);
    // The rows still pending reach the recording file before the link closes.
    SalvoDatiGraf();
    Shell.Funzione = 0;
    if (Comunic().PortOpen()) {
        Comando(Protocollo::ComandoDatiNormali);
        Attendo(1.0);
        Comunic().setPortOpen(false);
    }
    ChiudoPortaGSM();
    if (ZEQ_Inst* m = ZEQ_Inst::Istanza())
        m->DopoSchermo();
}

void DatiMotore::Form_Resize()
{
    if (!Intitolo || !Esci)
        return;
    const int larghezza = width();
    Intitolo->setGeometry(0, 0, larghezza, Intitolo->sizeHint().height());
    const int sotto = Intitolo->geometry().bottom() + 1;
    for (PictureBox* p : {SfondoGrafici, SfondoMotore})
        p->move((larghezza - p->width()) / 2, sotto);
    const int d = Twip(Distanza);
    const int alto = SfondoMotore->geometry().bottom() + 1 + d;
    Esci->move(SfondoMotore->geometry().right() + 1 - Esci->width(), alto);
    T_MapTPS->move(Esci->x() - d - T_MapTPS->width(), alto);
    PaginaMotore->move(T_MapTPS->x() - d - PaginaMotore->width(), alto);
    PaginaGrafici->move(PaginaMotore->x() - d - PaginaGrafici->width(), alto);
    TastoGSM->move(SfondoMotore->x(), alto);
    ChiudoGSM->move(SfondoMotore->x(), alto);
    const int sinistra = TastoGSM->geometry().right() + 1 + d;
    const int fine = PaginaGrafici->x() - d;
    Informo->setGeometry(sinistra, alto, std::max(0, fine - sinistra), TastoGSM->height() / 2);
    Registrazione->setGeometry(sinistra, alto + TastoGSM->height() / 2, std::max(0, fine - sinistra),
                               TastoGSM->height() / 2);
}

bool DatiMotore::eventFilter(QObject* o, QEvent* e)
{
    if (e->type() == QEvent::MouseButtonDblClick) {
        for (int k = 0; k < 16; ++k) {
            if (o == DatiMot1[k]) {
                DatiMot1_DblClick(k);
                return true;
            }
        }
    }
    return FormBase::eventFilter(o, e);
}
