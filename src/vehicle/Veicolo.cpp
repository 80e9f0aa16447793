#include "vehicle/Veicolo.h"

#include "archive/Archivio.h"
#include "archive/PrefixListModel.h"
#include "catalogue/MapFiles.h"
#include "catalogue/PersonalMaps.h"
#include "catalogue/Progsw.h"
#include "catalogue/SRecord.h"
#include "catalogue/SoftwareLibrary.h"
#include "catalogue/StatoCatalogo.h"
#include "catalogue/StatoFile.h"
#include "diagnosis/DatiMotore.h"
#include "diagnosis/LivSerb.h"
#include "diagnosis/Parametri.h"
#include "diagnosis/Pressioni.h"
#include "diagnosis/RigaDati.h"
#include "ecu_link/Collegamento.h"
#include "ecu_link/DatiCentralina.h"
#include "ecu_link/Rami.h"
#include "ecu_link/StatoLink.h"
#include "platform/Files.h"
#include "platform/Resources.h"
#include "platform/SerialControl.h"
#include "platform/Timer.h"
#include "remote/StatoGSM.h"
#include "shell/MessErr.h"
#include "shell/Modulo.h"
#include "shell/Procedure.h"
#include "shell/ZEQ_Inst.h"
#include "vehicle/Attesa.h"
#include "vehicle/MandoDati.h"
#include "vehicle/SceltaCatalogo.h"
#include "vehicle/StatoVeicolo.h"
#include "vehicle/VisInf.h"
#include "vehicle/WorkingMap.h"

#include <QApplication>
#include <QCheckBox>
#include <QGroupBox>
#include <QComboBox>
#include <QFile>
#include <QFileInfo>
#include <QFocusEvent>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QTabBar>
#include <QTabWidget>

#include "archive/PrefixListModel.h"

namespace {
constexpr int kLarghezza = 1000;
constexpr int kAltezza = 750;
constexpr int kTastoL = 81, kTastoA = 57;
constexpr int kLunghezzaAnagrafe[11] = {50, 30, 5, 30, 2, 15, 15, 15, 11, 16, 100};
constexpr int kLunghezzaAutoImp[7] = {2, 2, 4, 2, 2, 4, 100};
// Caption (LabCli index, -1 none) and row of each Anagrafe box: the three telephones share
// one row and one caption.
constexpr int kLabAnagrafe[11] = {0, 1, 2, 3, 4, 5, -1, -1, 7, 6, 9};
constexpr int kRigaAnagrafe[11] = {0, 1, 2, 3, 4, 5, 5, 5, 6, 7, 8};
constexpr int kIstruzioni[9] = {126, 175, 127, 128, 129, 130, 131, 132, 133};

// A search list: one line per row, all of one height, rows read as they scroll into view.
QListView* elenco(QWidget* genitore, const char* nome, PrefixListModel* modello)
{
    auto* l = new QListView(genitore);
    l->setObjectName(QLatin1String(nome));
    l->setUniformItemSizes(true);
    l->setEditTriggers(QAbstractItemView::NoEditTriggers);
    l->setModel(modello);
    return l;
}
} // namespace

Veicolo::Veicolo()
{
    setObjectName(QStringLiteral("Veicolo"));
    resize(kLarghezza, kAltezza);
    Intitolo = CreoIntitolo(this);
    Intitolo->setGeometry(0, 0, kLarghezza, 40);
    costruiscoRicerca();
    DatiCli = new QTabWidget(this);
    DatiCli->setObjectName(QStringLiteral("DatiCli"));
    DatiCli->setGeometry((kLarghezza - 920) / 2, 190, 920, 480);
    DatiCli->addTab(new QWidget, QString());
    DatiCli->addTab(new QWidget, QString());
    costruiscoScheda();
    costruiscoCatalogo();
    StatoCom = etichetta(this, 0, 680, 220, 24);
    StatoCom->setObjectName(QStringLiteral("StatoCom"));
    StatoCom->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    StatoCom->move(DatiCli->x() + DatiCli->width() - StatoCom->width(), 680);
    Salva = tasto(this, 0, 676, kTastoL, kTastoA, "Salva");
    Esci = tasto(this, 0, 676, kTastoL, kTastoA, "Esci");
    TimeOutTx = new FormTimer(this, 5000, false);
    Dati_Out = new FormTimer(this, 2000, false);
    connect(Attivo, &QPushButton::clicked, this, &Veicolo::Attivo_Click);
    connect(Salva, &QPushButton::clicked, this, &Veicolo::Salva_Click);
    connect(Esci, &QPushButton::clicked, this, &Veicolo::Esci_Click);
    connect(LanciaSchemi, &QPushButton::clicked, this, &Veicolo::LanciaSchemi_Click);
    connect(TimeOutTx, &FormTimer::Timer, this, &Veicolo::TimeOutTx_Timer);
    connect(Dati_Out, &FormTimer::Timer, this, &Veicolo::Dati_Out_Timer);
    setTabOrder(Cliente, ElencoTarghe);
    Form_Resize();
}

void Veicolo::costruiscoRicerca()
{
    BoxIn = new QFrame(this);
    BoxIn->setObjectName(QStringLiteral("BoxIn"));
    BoxIn->setFrameShape(QFrame::Box);
    BoxIn->setGeometry((kLarghezza - 600) / 2, 45, 600, 140);
    Cliente = new QLineEdit(BoxIn);
    Cliente->setObjectName(QStringLiteral("Cliente"));
    Cliente->setGeometry(10, 8, 150, 24);
    Cliente->setMaxLength(10);
    // Letters and digits only, whether typed, pasted or dropped (a loaded plate keeps the
    // blanks that pad it to its width).
    Cliente->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[A-Za-z0-9]* *")), Cliente));
    const PrefixListModel::Fonte archivio = [] { return Archivio.DbArchivio.get(); };
    ModelloTarghe = new PrefixListModel(archivio, QStringLiteral("CLIENTI"), QStringLiteral("TARGA_AUTO"), {}, this);
    ModelloNomi = new PrefixListModel(archivio, QStringLiteral("CLIENTI"), QStringLiteral("DITTA_NOME"),
                                      {QStringLiteral("TARGA_AUTO")}, this);
    ElencoTarghe = elenco(BoxIn, "ElencoTarghe", ModelloTarghe);
    ElencoTarghe->setGeometry(10, 36, 150, 96);
    Ditta_Nome = new QLineEdit(BoxIn);
    Ditta_Nome->setObjectName(QStringLiteral("Ditta_Nome"));
    Ditta_Nome->setGeometry(10, 8, 420, 24);
    Ditta_Nome->setMaxLength(50);
    Ditta_Nome->hide();
    ElencoNomi = elenco(BoxIn, "ElencoNomi", ModelloNomi);
    ElencoNomi->setGeometry(10, 36, 420, 96);
    ElencoNomi->hide();
    Nome_Targa = tasto(BoxIn, 500, 40, kTastoL, kTastoA, "Nome_Targa");
    connect(Cliente, &QLineEdit::textChanged, this, &Veicolo::Cliente_Change);
    connect(Ditta_Nome, &QLineEdit::textChanged, this, &Veicolo::Ditta_Nome_Change);
    connect(ElencoTarghe, &QListView::doubleClicked, this, [this] { ElencoTarghe_DblClick(); });
    connect(ElencoNomi, &QListView::doubleClicked, this, [this] { ElencoNomi_DblClick(); });
    // A list cut short by an archive error while it scrolls.
    connect(ModelloTarghe, &PrefixListModel::Interrotta, this, [] { Beep(); });
    connect(ModelloNomi, &PrefixListModel::Interrotta, this, [] { Beep(); });
    connect(Nome_Targa, &QPushButton::clicked, this, &Veicolo::Nome_Targa_Click);
}

void Veicolo::costruiscoScheda()
{
    QWidget* t0 = DatiCli->widget(0);
    QWidget* t1 = DatiCli->widget(1);
    for (int i = 0; i < 2; ++i) {
        Scelta[i] = new QRadioButton(t0);
        Scelta[i]->setObjectName(QStringLiteral("Scelta_%1").arg(i));
        Scelta[i]->setGeometry(180 + 220 * i, 8, 210, 22);
        connect(Scelta[i], &QRadioButton::clicked, this, [] { Shell.DatiModificati = true; });
    }
    for (int i = 0; i < 11; ++i) {
        const int y = 44 + 40 * kRigaAnagrafe[i];
        const int l = kLabAnagrafe[i];
        if (l >= 0) {
            LabCli[l] = etichetta(t0, 10, y, 165, 24);
            LabCli[l]->setObjectName(QStringLiteral("LabCli_%1").arg(l));
        }
        Anagrafe[i] = new QLineEdit(t0);
        Anagrafe[i]->setObjectName(QStringLiteral("Anagrafe_%1").arg(i));
        Anagrafe[i]->setMaxLength(kLunghezzaAnagrafe[i]);
        const int x = i >= 5 && i <= 7 ? 180 + 160 * (i - 5) : 180;
        Anagrafe[i]->setGeometry(x, y, std::clamp(kLunghezzaAnagrafe[i] * 9 + 12, 40, 540), 24);
        connect(Anagrafe[i], &QLineEdit::textEdited, this, [] { Shell.DatiModificati = true; });
    }
    for (int i = 0; i < 2; ++i) {
        LogoZEQ[i] = etichetta(i == 0 ? t0 : t1, 0, 0, 150, 90);
        LogoQox[i] = etichetta(i == 0 ? t0 : t1, 0, 0, 150, 90);
    }
    LogoZEQ[0]->move(740, 250);
    LogoQox[0]->move(740, 350);
    // Tab 1: dates, notes and installation type.
    for (int r = 0; r < 2; ++r) {
        const int y = 8 + 34 * r;
        LabCli[11 + r] = etichetta(t1, 10, y - 4, 150, 32);
        for (int k = 0; k < 3; ++k) {
            QLineEdit* e = new QLineEdit(t1);
            const int i = 3 * r + k;
            e->setObjectName(QStringLiteral("AutoImp_%1").arg(i));
            e->setMaxLength(kLunghezzaAutoImp[i]);
            e->setGeometry(160 + 48 * k, y, k == 2 ? 52 : 32, 24);
            AutoImp[i] = e;
            if (k < 2) {
                LabCli[15 + 2 * r + k] = etichetta(t1, 160 + 48 * k + 33, y, 14, 24);
                LabCli[15 + 2 * r + k]->setText(QStringLiteral(" / "));
            }
        }
    }
    LabCli[13] = etichetta(t1, 10, 74, 145, 24);
    AutoImp[6] = new QLineEdit(t1);
    AutoImp[6]->setObjectName(QStringLiteral("AutoImp_6"));
    AutoImp[6]->setMaxLength(100);
    AutoImp[6]->setGeometry(160, 74, 560, 24);
    for (int i = 0; i < 7; ++i) {
        connect(AutoImp[i], &QLineEdit::textEdited, this, [] { Shell.DatiModificati = true; });
    }
    LabCli[14] = etichetta(t1, 10, 100, 145, 24);
    TipoInst = etichetta(t1, 160, 100, 160, 24);
    TipoInst->setObjectName(QStringLiteral("TipoInst"));
    Versione_Tab = etichetta(t1, 330, 100, 200, 24);
    Versione_Tab->setObjectName(QStringLiteral("Versione_Tab"));
    for (QLabel* l : LabCli)
        if (l)
            l->setWordWrap(true);
}

void Veicolo::costruiscoCatalogo()
{
    QWidget* t1 = DatiCli->widget(1);
    LabCentr[3] = etichetta(t1, 10, 128, 150);
    Impianto = new QComboBox(t1);
    Impianto->setObjectName(QStringLiteral("Impianto"));
    Impianto->setGeometry(10, 150, 150, 26);
    MarcaP = new QCheckBox(t1);
    MarcaP->setObjectName(QStringLiteral("MarcaP"));
    MarcaP->setGeometry(10, 184, 160, 40);
    IntMarca = etichetta(t1, 175, 128, 150);
    ElMarca = new QListWidget(t1);
    ElMarca->setObjectName(QStringLiteral("ElMarca"));
    ElMarca->setGeometry(175, 150, 150, 150);
    IntModello = etichetta(t1, 335, 128, 250);
    ElModello = new QListWidget(t1);
    ElModello->setObjectName(QStringLiteral("ElModello"));
    ElModello->setGeometry(335, 150, 265, 150);
    ElDir = new QListWidget(t1);
    ElDir->setObjectName(QStringLiteral("ElDir"));
    ElDir->hide();
    PCentr = new QFrame(t1);
    PCentr->setObjectName(QStringLiteral("PCentr"));
    PCentr->setFrameShape(QFrame::Box);
    PCentr->setGeometry(610, 122, 295, 180);
    LabCentr[0] = etichetta(PCentr, 6, 4, 280);
    CentrBenz = new QListWidget(PCentr);
    CentrBenz->setObjectName(QStringLiteral("CentrBenz"));
    CentrBenz->setGeometry(6, 26, 282, 62);
    DirCentr = new QListWidget(PCentr);
    DirCentr->hide();
    LabCentr[1] = etichetta(PCentr, 6, 94, 235);
    NValvo = etichetta(PCentr, 245, 94, 40);
    NValvo->setObjectName(QStringLiteral("NValvo"));
    LabCentr[2] = etichetta(PCentr, 6, 120, 280);
    ModValvole = new QComboBox(PCentr);
    ModValvole->setObjectName(QStringLiteral("ModValvole"));
    ModValvole->setGeometry(6, 142, 282, 26);
    PIstr = new QFrame(t1);
    PIstr->setObjectName(QStringLiteral("PIstr"));
    PIstr->setFrameShape(QFrame::Box);
    PIstr->setGeometry(10, 306, 440, 142);
    LabIstr = etichetta(PIstr, 6, 2, 420);
    QFont piccolo = font();
    piccolo.setPointSize(std::max(6, piccolo.pointSize() - 2));
    for (int i = 0; i < 9; ++i) {
        Istruzione[i] = etichetta(PIstr, 6, 22 + 13 * i, 428, 13);
        Istruzione[i]->setFont(piccolo);
    }
    Attivo = tasto(t1, 460, 312, kTastoL, kTastoA, "Attivo");
    Tasto_Inf = tasto(t1, 460, 312, kTastoL, kTastoA, "Tasto_Inf");
    Tasto_Agg = tasto(t1, 546, 312, kTastoL, kTastoA, "Tasto_Agg");
    Caric_Agg = tasto(t1, 546, 312, kTastoL, kTastoA, "Caric_Agg");
    InvioDati = tasto(t1, 632, 312, kTastoL, kTastoA, "InvioDati");
    LanciaSchemi = tasto(t1, 718, 312, kTastoL, kTastoA, "LanciaSchemi");
    Personalizza = tasto(t1, 804, 312, kTastoL, kTastoA, "Personalizza");
    PSerbatoio = tasto(t1, 804, 376, kTastoL, kTastoA, "PSerbatoio");
    for (QPushButton* b : {Tasto_Inf, Tasto_Agg})
        Visibile(b, false);
    LogoZEQ[1]->setGeometry(460, 380, 150, 60);
    LogoQox[1]->setGeometry(630, 380, 150, 60);
    connect(Impianto, &QComboBox::activated, this, [this] { Impianto_Click(); });
    connect(MarcaP, &QCheckBox::clicked, this, &Veicolo::MarcaP_Click);
    connect(ElMarca, &QListWidget::itemClicked, this, [this] { ElMarca_Click(); });
    connect(ElMarca, &QListWidget::currentRowChanged, this, [this](int r) {
        if (r >= 0)
            ElMarca_Click();
    });
    connect(ElMarca, &QListWidget::itemDoubleClicked, this, [this] { ElMarca_DblClick(); });
    connect(ElModello, &QListWidget::itemClicked, this, [this] { ElModello_Click(); });
    connect(ElModello, &QListWidget::currentRowChanged, this, [this](int r) {
        if (r >= 0)
            ElModello_Click();
    });
    connect(ElModello, &QListWidget::itemDoubleClicked, this, [this] { ElModello_DblClick(); });
    connect(CentrBenz, &QListWidget::itemDoubleClicked, this, [this] { CentrBenz_DblClick(); });
    connect(ModValvole, &QComboBox::activated, this, [this] { ModValvole_Click(); });
    // The handlers of the configuration send, the ECU information, the software and loader
    // updates and the parameter screens are connected by their own parts of the program.
    collegoTastiCentralina();
}

ZEQ_Inst::Apertura Veicolo::Apri()
{
    Veicolo* v = Carica();
    if (!v->m_archivioAperto) {
        v->Scarica();
        return ZEQ_Inst::Apertura::FallitaDetta;
    }
    if (!Comunic().PortOpen()) {
        // The port the menu has just probed could not be opened after all.
        const int errore = v->m_erroreporta;
        v->Scarica();
        Avviso(errore == SerialControl::ErrPortaGiaAperta ? 366 : 367);
        return ZEQ_Inst::Apertura::FallitaDetta;
    }
    v->Mostra(false);
    v->Cliente->setFocus();
    return ZEQ_Inst::Apertura::Aperta;
}

void Veicolo::Form_Load()
{
    StatoCatalogo.MostroTipoInst = [](const QString& t) {
        if (Veicolo* v = Veicolo::Istanza())
            v->MostroTipoInstallazione(t);
    };
    CollegoRicezione();
    // 1. Logos.
    CaricoImmagine(3011, LogoQox[0]);
    CaricoImmagine(3013, LogoQox[1]);
    CaricoImmagine(3008, LogoZEQ[0]);
    CaricoImmagine(3010, LogoZEQ[1]);
    // 2. The folder of the personalised maps.
    const QString personali = Files::PercorsoApp(QStringLiteral("PERSONALIZZATE"));
    if (!Esiste(personali, 16))
        Files::CreaCartella(personali);
    // 3. No card is loaded yet.
    StatoVeicolo.reset();
    StatoCatalogo.Cliente.clear();
    Inivar();
    // 4.
    AzzeroDatiCentralina();
    // 5.
    DatiCli->setCurrentIndex(0);
    // 6. Province and fiscal code exist for Polish customers only.
    const bool polacco = Shell.Lingua == 1;
    for (QWidget* w : std::initializer_list<QWidget*>{Anagrafe[4], LabCli[4], Anagrafe[9], LabCli[6]}) {
        w->setVisible(polacco);
        w->setEnabled(polacco);
    }
    // 7. Captions.
    Nome_Targa->setToolTip(Msg(101));
    DatiCli->setTabText(0, Msg(102));
    DatiCli->setTabText(1, Msg(103));
    Scelta[0]->setText(Msg(104));
    Scelta[1]->setText(Msg(105));
    for (int i = 0; i < 8; ++i)
        LabCli[i]->setText(Msg(106 + i));
    LabCli[9]->setText(Msg(114));
    LabCli[11]->setText(Msg(115));
    LabCli[12]->setText(Msg(116));
    LabCli[13]->setText(Msg(114));
    LabCli[14]->setText(Msg(117));
    LabCentr[3]->setText(Msg(120));
    {
        QSignalBlocker blocco(Impianto);
        Impianto->clear();
        Impianto->addItem(Msg(121));
        Impianto->addItem(Msg(122));
        Impianto->setCurrentIndex(-1);
    }
    IntMarca->setText(Msg(123));
    IntModello->setText(Msg(124));
    LabIstr->setText(Msg(125));
    for (int i = 0; i < 9; ++i)
        Istruzione[i]->setText(Msg(kIstruzioni[i]));
    for (int i = 0; i < 3; ++i)
        LabCentr[i]->setText(Msg(134 + i));
    Intitolo->setText(Msg(139));
    MarcaP->setText(Msg(351));
    // A caption wider than the fuel column goes on two lines.
    if (MarcaP->sizeHint().width() > MarcaP->width()) {
        QString t = Msg(351).trimmed();
        const qsizetype meta = t.indexOf(QLatin1Char(' '), t.size() / 2 - 4);
        if (meta > 0)
            t[meta] = QLatin1Char('\n');
        MarcaP->setText(t);
    }
    setWindowTitle(Msg(139));
    // 8. Button pictures.
    ImmaginiTasto(Nome_Targa, IdRisorsa(110));
    const std::pair<QPushButton*, int> immagini[] = {
        {Tasto_Agg, 101}, {Caric_Agg, 142}, {Tasto_Inf, 111}, {Attivo, 143},     {Salva, 102},
        {Esci, 103},      {LanciaSchemi, 112}, {Personalizza, 113}, {InvioDati, 118}, {PSerbatoio, 114},
    };
    for (const auto& [b, n] : immagini)
        ImmaginiTasto(b, IdRisorsa(n));
    // 9-10. The archive, held exclusively while the screen is open. A failure has been told.
    m_archivioAperto = Archivi::AproArchivio();
    if (!m_archivioAperto)
        return;
    Archivio.RsClienti->ImpostaIndice(QStringLiteral("PER_TARGA_AUTO"));
    // 11.
    AbilitoScheda(false);
    AggiornoStatoCollegamento();
    // 12. The port number was set by the main menu.
    m_erroreporta = Comunic().PortOpen() ? 0 : Comunic().setPortOpen(true);
    // 13.
    Shell.PuntatoreMouse = PuntatoreAttuale();
}

void Veicolo::Inivar()
{
    StatoVeicolo.NuovoCliente = false;
    Link.BufferRx.clear();
    {
        QSignalBlocker blocco(ModValvole);
        ModValvole->clear();
        QByteArray dati;
        const QString valvole = Files::PercorsoApp(QStringLiteral("VALVOLE.PRN"));
        if (Esiste(valvole, 0) && Files::LeggiTutto(valvole, dati))
            ModValvole->addItems(SceltaCatalogo::ElencoValvole(dati));
        ModValvole->setCurrentIndex(-1);
    }
    for (auto& riga : Diagnosi.DatiVideo[0].Valore)
        riga.clear();
    // A fresh screen starts with the link down and no request pending, whatever the screen
    // last open left behind.
    Link.FaseCom = FASE_LIBERA;
    Shell.RispostaSegnalEr = -1;
    StatoVeicolo.ClienteCaricato = false;
    Link.DatiRicevuti = false;
    Link.InterrogoDati = false;
    Shell.RispostaMessaggio = 0;
    StatoVeicolo.TargaCorrente.clear();
    Link.Collegato = false;
}

Veicolo::Disposizione Veicolo::Dispongo(int w, int lBoxIn, int lDatiCli, int lStatoCom, int lEsci, int lSalva)
{
    Disposizione d{};
    d.boxIn = (w - lBoxIn) / 2;
    d.datiCli = (w - lDatiCli) / 2;
    d.statoCom = d.datiCli + lDatiCli - lStatoCom;
    d.esci = (w / 2 + d.statoCom - lEsci) / 2;
    d.salva = w - d.esci - lSalva;
    return d;
}

void Veicolo::Form_Resize()
{
    if (!Salva)
        return;
    const int w = width();
    Intitolo->setGeometry(0, Intitolo->y(), w, Intitolo->height());
    const Disposizione d =
        Dispongo(w, BoxIn->width(), DatiCli->width(), StatoCom->width(), Esci->width(), Salva->width());
    BoxIn->move(d.boxIn, BoxIn->y());
    DatiCli->move(d.datiCli, DatiCli->y());
    StatoCom->move(d.statoCom, StatoCom->y());
    Esci->move(d.esci, Esci->y());
    Salva->move(d.salva, Salva->y());
}

void Veicolo::Form_KeyDown(int& keyCode, int shift)
{
    if (shift != 0)
        return;
    switch (keyCode) {
    case Tasti::F1:
    case Tasti::F2:
        if (SchedaAbilitata())
            DatiCli->setCurrentIndex(keyCode == Tasti::F1 ? 0 : 1);
        keyCode = 0;
        break;
    case Tasti::Esc:
        keyCode = 0;
        Esci_Click();
        break;
    default:
        break;
    }
}

void Veicolo::Form_KeyPress(int& ascii)
{
    QObject* c = ControlloTasto();
    if (c == Cliente)
        Cliente_KeyPress(ascii);
    else if (c == DatiCli || (DatiCli && c == DatiCli->tabBar()))
        DatiCli_KeyPress(ascii);
    else if (c == ElencoTarghe || c == ElencoNomi) {
        const int tasto = ascii;
        ascii = 0;
        if (tasto == Tasti::Invio)
            c == ElencoTarghe ? ElencoTarghe_DblClick() : ElencoNomi_DblClick();
    } else if (c == Scelta[0] || c == Scelta[1]) {
        if (ascii == Tasti::Invio) {
            ascii = 0;
            vaiA(Anagrafe[0]);
        }
    } else if (c == Impianto || c == MarcaP) {
        const int tasto = ascii;
        ascii = 0;
        if (tasto == Tasti::Invio)
            vaiA(c == Impianto ? static_cast<QWidget*>(ElMarca) : Impianto);
    } else if (c == ElMarca || c == ElModello || c == CentrBenz) {
        if (ascii == Tasti::Invio) {
            ascii = 0;
            if (c == ElMarca && !StatoVeicolo.MarcaAuto.trimmed().isEmpty())
                vaiA(ElModello);
            else if (c == ElModello && !StatoVeicolo.ModelloAuto.trimmed().isEmpty())
                vaiA(LanciaSchemi);
            else if (c == CentrBenz && !StatoVeicolo.CentrBenzina.trimmed().isEmpty())
                vaiA(ModValvole);
        } else if (ascii == 32) {
            ascii = 0;
            if (c == ElMarca)
                ElMarca_DblClick();
            else if (c == ElModello)
                ElModello_DblClick();
            else
                CentrBenz_DblClick();
        }
    } else if (c == ModValvole) {
        if (ascii == Tasti::Invio) {
            ascii = 0;
            if (!StatoVeicolo.ModValvola.trimmed().isEmpty())
                vaiA(Personalizza);
        }
    } else {
        for (int i = 0; i < 11; ++i)
            if (c == Anagrafe[i])
                Anagrafe_KeyPress(i, ascii);
        for (int i = 0; i < 7; ++i)
            if (c == AutoImp[i])
                AutoImp_KeyPress(i, ascii);
    }
}

void Veicolo::DatiCli_KeyPress(int& ascii)
{
    if (ascii != Tasti::Invio)
        return;
    ascii = 0;
    vaiA(DatiCli->currentIndex() == 1 ? static_cast<QWidget*>(AutoImp[0]) : Scelta[0]);
}

void Veicolo::vaiA(QWidget* w)
{
    // A control that cannot take the focus (hidden or disabled) passes it to the next one
    // in the tab order that can.
    QWidget* c = w;
    for (int passi = 0; c && passi < 200; ++passi, c = c->nextInFocusChain()) {
        if (c->isVisible() && c->isEnabled() && c->focusPolicy() != Qt::NoFocus && c->window() == this) {
            c->setFocus();
            return;
        }
        if (passi > 0 && c == w)
            return;
    }
}

void Veicolo::AbilitoScheda(bool si)
{
    m_schedaAbilitata = si;
    DatiCli->tabBar()->setEnabled(si);
    if (!si && DatiCli->isAncestorOf(QApplication::focusWidget()))
        QApplication::focusWidget()->clearFocus();
}

bool Veicolo::eventFilter(QObject* o, QEvent* e)
{
    if (!m_schedaAbilitata && !Scaricato()) {
        // A locked card swallows the user's input to its controls.
        auto* w = qobject_cast<QWidget*>(o);
        if (w && w != DatiCli->tabBar() && DatiCli->isAncestorOf(w)) {
            switch (e->type()) {
            case QEvent::MouseButtonPress:
            case QEvent::MouseButtonRelease:
            case QEvent::MouseButtonDblClick:
            case QEvent::KeyPress:
            case QEvent::KeyRelease:
            case QEvent::Wheel:
                return true;
            default:
                break;
            }
        }
    }
    if (!Scaricato() && (e->type() == QEvent::FocusIn || e->type() == QEvent::FocusOut)) {
        const bool entra = e->type() == QEvent::FocusIn;
        // The window getting the focus back (a box or another window closed) is no new search.
        const bool ritorno = entra && static_cast<QFocusEvent*>(e)->reason() == Qt::ActiveWindowFocusReason;
        if (ritorno) {
        } else if (entra && o == Cliente)
            Cliente_GotFocus();
        else if (entra && o == Ditta_Nome)
            Ditta_Nome_GotFocus();
        else if (entra && o == ElencoTarghe)
            ElencoTarghe_GotFocus();
        else if (entra && o == ElencoNomi)
            ElencoNomi_GotFocus();
        for (int i = 0; i < 11; ++i)
            if (o == Anagrafe[i]) {
                if (entra)
                    Anagrafe[i]->setText(Anagrafe[i]->text().trimmed());
                else
                    Anagrafe_LostFocus(i);
            }
        for (int i = 0; i < 7; ++i)
            if (o == AutoImp[i]) {
                if (entra)
                    AutoImp[i]->setText(AutoImp[i]->text().trimmed());
                else
                    AutoImp_LostFocus(i);
            }
    }
    return FormBase::eventFilter(o, e);
}

void Veicolo::MostroStatoCollegamento(bool su)
{
    StatoCom->setText(Msg(su ? 347 : 348));
    Visibile(Attivo, !su);
    Visibile(Tasto_Inf, su);
}

void Veicolo::MostroTastiAggiornamento(bool software)
{
    Visibile(Tasto_Agg, software);
    Visibile(Caric_Agg, !software);
}

void Veicolo::MostroTipoInstallazione(const QString& testo)
{
    TipoInst->setText(testo);
}

void Veicolo::ScrivoData(int primo, const QDate& d)
{
    AutoImp[primo]->setText(DueCifre(d.day()));
    AutoImp[primo + 1]->setText(DueCifre(d.month()));
    AutoImp[primo + 2]->setText(QString::number(d.year()).rightJustified(4, QLatin1Char('0')));
}

QDate Veicolo::LeggoData(int primo) const
{
    return Archivi::DataDaParti(AutoImp[primo]->text(), AutoImp[primo + 1]->text(), AutoImp[primo + 2]->text(), 100);
}

void Veicolo::Attivo_Click()
{
    ImpostoProprietaVeicolo(false);
    Shell.PuntatoreMouse = PuntatoreAttuale();
    ImpostoPuntatore(11);
    Link.FaseCom = FASE_ATTIVAZIONE;
    TimeOutTx->setInterval(2000);
    Comando(Protocollo::ComandoAvvioDati);
    Link.InterrogoDati = true;
    TimeOutTx->setEnabled(true);
}

void Veicolo::TimeOutTx_Timer()
{
    TimeOutTx->setEnabled(false);
    ImpostoPuntatore(1);
    Link.InterrogoDati = false;
    Link.DatiRicevuti = false;
    // The request is over before any box opens, so a late reply finds nothing pending.
    const int fase = Link.FaseCom;
    Link.FaseCom = FASE_LIBERA;
    const bool vecchio = DatiCentralina.SwVecchio;
    switch (fase) {
    case FASE_ATTIVAZIONE:
        Beep();
        Link.Collegato = false;
        Avviso(156);
        Comando(Protocollo::ComandoFineScambio);
        ImpostoProprietaVeicolo(true);
        break;
    case FASE_LETTURA_PERSONALE:
        Beep();
        Link.Collegato = false;
        ChiudoFilePersonale();
        Attesa::ScaricaIstanza();
        Avviso(220);
        Comando(Protocollo::ComandoFineScambio);
        ImpostoProprietaVeicolo(true);
        break;
    case FASE_INVIO_TABELLA:
    case FASE_DATA_INSTALLAZIONE:
        Beep();
        Link.Collegato = false;
        MandoDati::ScaricaIstanza();
        Avviso(212);
        Comando(Protocollo::ComandoFineTabella);
        break;
    case FASE_PROGRAMMAZIONE_SW:
    case FASE_VERIFICA_SW:
        Beep();
        Link.Collegato = false;
        ChiudoFileProgrammazione();
        Progsw::ScaricaIstanza();
        Avviso(234);
        ImpostoProprietaVeicolo(true);
        break;
    case FASE_LETTURA_PRESSIONE:
    case FASE_SCRITTURA_PRESSIONE:
        Beep();
        Link.Collegato = false;
        Pressioni::ScaricaIstanza();
        Avviso(246);
        Comando(Protocollo::ComandoFineScambio);
        ImpostoProprietaVeicolo(true);
        break;
    case FASE_SALVA_SERBATOIO:
    case FASE_LEGGI_SERBATOIO:
    case FASE_LEGGI_SERBATOIO_N:
        Beep();
        if (fase != FASE_LEGGI_SERBATOIO_N)
            Link.Collegato = false;
        if (LivSerb* s = LivSerb::Istanza())
            s->MostroRichiestaInterrotta(fase == FASE_LEGGI_SERBATOIO ? 253 : 218);
        break;
    case FASE_LEGGI_PARAMETRI:
    case FASE_LEGGI_PARAMETRI_N:
        if (!vecchio)
            Link.Collegato = false;
        if (Parametri* p = Parametri::Istanza())
            p->MostroLetturaInterrotta(vecchio);
        break;
    case FASE_VERIFICA_PRESSIONI:
        Beep();
        Link.Collegato = false;
        if (Pressioni* p = Pressioni::Istanza())
            p->MostroVerificaConclusa(Msg(208));
        Comando(Protocollo::ComandoFineScambio);
        break;
    case FASE_SALVA_PARAMETRI:
        Beep();
        Link.Collegato = false;
        if (Parametri* p = Parametri::Istanza())
            p->MostroSalvataggioInterrotto();
        break;
    case FASE_PROGRAMMAZIONE_ULP:
        Beep();
        Link.Collegato = false;
        ChiudoFileProgrammazione();
        MandoDati::ScaricaIstanza();
        Avviso(234);
        Comando(Protocollo::ComandoFineScambio);
        ImpostoProprietaVeicolo(true);
        break;
    default: break; // 9 and 14: the ECU is being switched off
    }
    if (Veicolo* v = Veicolo::Istanza())
        v->update();
    Link.FaseCom = FASE_LIBERA;
    AggiornoStatoCollegamento();
}

void Veicolo::Dati_Out_Timer()
{
    ImpostoPuntatore(1);
    Dati_Out->setEnabled(false);
    Link.DatiRicevuti = false;
    Link.InterrogoDati = false;
    if (Link.FaseCom == FASE_SPEGNIMENTO || Link.FaseCom == FASE_SPEGNIMENTO_SW) {
        // The ECU was switched off on request; the state stays so that its return is seen.
        Link.Collegato = false;
        AggiornoStatoCollegamento();
        return;
    }
    Link.FaseCom = FASE_LIBERA;
    ImpostoTipoInstallazione();
    for (int passo = 0; passo < 2; ++passo)
        ScaricaForm([](FormBase* f, const QString& nome) {
            // A YES/NO box (save before exit, change the plate) waits for its answer: closing
            // it would answer NO for the user.
            if (auto* box = qobject_cast<MessErr*>(f); box && box->ChiedeRisposta())
                return false;
            return nome == QLatin1String("PRESSIONI") || nome == QLatin1String("MANDODATI") ||
                   nome == QLatin1String("MESSERR");
        });
    if (Link.Collegato) {
        Link.Collegato = false;
        AggiornoStatoCollegamento();
        Beep();
        Avviso(353);
    }
}


void Veicolo::ImpostoRisposta(int ms)
{
    if (Veicolo* v = Istanza())
        v->TimeOutTx->setInterval(ms);
}

void Veicolo::AvvioRisposta()
{
    if (Veicolo* v = Istanza())
        v->TimeOutTx->setEnabled(true);
}

void Veicolo::ArmoRisposta(int ms)
{
    if (Veicolo* v = Istanza()) {
        v->TimeOutTx->setInterval(ms);
        v->TimeOutTx->setEnabled(true);
    }
}

void Veicolo::MandoRichiesta(const QByteArray& riga, int ms)
{
    ImpostoRisposta(ms);
    ScrivoCentralina(riga);
    AvvioRisposta();
}

void Veicolo::FermoRisposta()
{
    if (Veicolo* v = Istanza())
        v->TimeOutTx->setEnabled(false);
}

void Veicolo::AvvioCollegamento()
{
    if (Veicolo* v = Istanza())
        v->Dati_Out->setEnabled(true);
}

void Veicolo::FermoCollegamento()
{
    if (Veicolo* v = Istanza())
        v->Dati_Out->setEnabled(false);
}

bool Veicolo::RispostaAvviata() const { return TimeOutTx->Enabled(); }
int Veicolo::TempoRisposta() const { return TimeOutTx->Interval(); }
bool Veicolo::CollegamentoAvviato() const { return Dati_Out->Enabled(); }

void Veicolo::AbilitoSchermo(bool si)
{
    if (Veicolo* v = Istanza())
        v->setEnabled(si);
}


void Veicolo::ChiusuraUtente()
{
    // The close box does what Esc and the exit button do: offer to save, then close.
    Esci_Click();
}

void Veicolo::Form_Unload(bool&)
{
    TimeOutTx->setEnabled(false);
    Dati_Out->setEnabled(false);
    if (Comunic().PortOpen())
        Comunic().setPortOpen(false);
    ChiudoPortaGSM();
    // However the screen goes, the archive it holds goes with it: else the next F1 or F4
    // would find it in use.
    if (m_archivioAperto) {
        Archivi::ChiudoArchivio();
        m_archivioAperto = false;
    }
    Shell.Funzione = 0;
    StatoCatalogo.MostroTipoInst = nullptr;
    for (int passo = 0; passo < 2; ++passo)
        ScaricaTutteTranne(QStringLiteral("ZEQ_INST"));
    if (ZEQ_Inst* m = ZEQ_Inst::Istanza())
        m->DopoSchermo();
}

// ---- ECU link controls and the configuration send ----

void Veicolo::collegoTastiCentralina()
{
    connect(InvioDati, &QPushButton::clicked, this, &Veicolo::InvioDati_Click);
    connect(Tasto_Inf, &QPushButton::clicked, this, &Veicolo::Tasto_Inf_Click);
    connect(Tasto_Agg, &QPushButton::clicked, this, &Veicolo::Tasto_Agg_Click);
    connect(Caric_Agg, &QPushButton::clicked, this, &Veicolo::Caric_Agg_Click);
    connect(Personalizza, &QPushButton::clicked, this, &Veicolo::Personalizza_Click);
    connect(PSerbatoio, &QPushButton::clicked, this, &Veicolo::PSerbatoio_Click);
}

// A refusal: beep and message n under "WARNING!".
static void Rifiuto(int messaggio)
{
    Beep();
    Avviso(messaggio);
}

void Veicolo::InvioDati_Click()
{
    if (!Link.Collegato)
        return Rifiuto(349);
    if (SalvoDati())
        return;
    const int tipo = DatiCentralina.TipoCentralina;
    const auto salvo = [this] { return SalvoCliente(); };
    if (tipo == -1)
        Rifiuto(204);
    else if (tipo == 0)
        Avviso(358);
    else if (tipo == 1)
        InvioMappa(salvo);
    else
        PreparoProgrammazione(salvo);
}

void Veicolo::Tasto_Inf_Click()
{
    if (DatiCentralina.TipoCentralina < 1)
        return;
    VisInf::Carica()->Mostra(false);
}

static void AproProgrammazione(int modo)
{
    if (!Link.Collegato)
        return Rifiuto(349);
    if (DatiCentralina.TipoCentralina < 1)
        return;
    StatoVeicolo.ModoAggiorna = modo;
    Progsw::Carica()->Mostra(true);
}

void Veicolo::Tasto_Agg_Click()
{
    AproProgrammazione(0);
}

void Veicolo::Caric_Agg_Click()
{
    AproProgrammazione(1);
}

static bool MaggioreZero()
{
    return DatiCentralina.VersioneSw.left(2) == QLatin1String("00");
}

void Veicolo::Personalizza_Click()
{
    const DatiCentralinaRec& d = DatiCentralina;
    if (!Link.Collegato)
        return Rifiuto(349);
    if (d.TipoCentralina == -1)
        return Rifiuto(204);
    if (StatoCatalogo.TipoInstallazione == -1)
        return;
    if (StatoVeicolo.MarcaAuto.trimmed().isEmpty())
        return Rifiuto(143);
    if (StatoVeicolo.ModelloAuto.trimmed().isEmpty())
        return Rifiuto(144);
    if (StatoVeicolo.CentralinaSel.trimmed().isEmpty())
        return Rifiuto(145);
    if (d.TipoCentralina == 0)
        return Rifiuto(358);
    if (d.TipoCentralina == 1) {
        if (!ControlloMappePersonali())
            return;
    } else if (d.SwVecchio) {
        return Rifiuto(352);
    } else if (MaggioreZero()) {
        return Rifiuto(175);
    }
    Parametri::Carica()->Mostra(true);
    MostroTipoInstallazione(DescrizioneTipoMappa(StatoCatalogo.TipoInstallazione));
    update();
}

void Veicolo::PSerbatoio_Click()
{
    if (!Link.Collegato)
        return Rifiuto(349);
    if (MaggioreZero())
        return Rifiuto(352);
    LivSerb::Carica()->Mostra(true);
    update();
}

void Veicolo::InvioMappa(std::function<int()> salvo)
{
    Dati_Out->setEnabled(false);
    FileTabellaDati dati;
    dati.dirCentralina = StatoCatalogo.DirCentralina;
    dati.dirPersonal = StatoVeicolo.DirPersonal;
    dati.personalizzata = StatoCatalogo.TipoInstallazione == 1;
    dati.giorno = AutoImp[3]->text();
    dati.mese = AutoImp[4]->text();
    dati.anno = AutoImp[5]->text();
    dati.tipoInstallazione = dati.personalizzata ? 1 : 0;
    QString versione;
    if (!PreparoFileTabella(dati, StatoVeicolo.FileTabella, versione)) {
        Rifiuto(211);
        Dati_Out->setEnabled(true);
        return;
    }
    MandoDati* m = MandoDati::Carica();
    m->SalvoCliente = std::move(salvo);
    m->ModoMappa(versione);
    m->Mostra(true);
    update();
}

void Veicolo::TestiDataInstallazione(QByteArray& giorno, QByteArray& mese, QByteArray& anno) const
{
    giorno = AutoImp[0]->text().toLatin1();
    mese = AutoImp[1]->text().toLatin1();
    anno = AutoImp[2]->text().toLatin1();
}

int Veicolo::PreparoProgrammazione(std::function<int()> salvo)
{
    // ---- programming path of the send (ECU type 2 and above) ----
    const DatiCentralinaRec& d = DatiCentralina;
    const QString nn = DueCifre(d.TipoCentralina);
    const bool metano = StatoCatalogo.TipoGas == 1;
    const QString cartella = StatoCatalogo.DirCentralina.trimmed();
    auto nelCarro = [&](const char* radice, const char* estensione) {
        return Files::Percorso(cartella, QLatin1String(radice) + nn + QLatin1String(estensione));
    };
    const QString f19 = nelCarro(metano ? "C_META" : "C_GPL", ".F19");
    const QString qox = nelCarro(metano ? "METANO" : "MOTORO", ".QOX");
    Dati_Out->setEnabled(false);
    QString nome;
    const bool conCartella = !cartella.isEmpty();
    int c = CodiceProgrammazione(
        d.VersioneSw, conCartella && QFileInfo(f19).isFile(), conCartella && QFileInfo(qox).isFile(),
        [&] { return PreparoMappa(qox.chopped(4), f19.chopped(4)); },
        [&](QString& n) { return CercoSoftware(f19, n, d.TipoCentralina); }, nome);
    const QString cartellaSw = QStringLiteral("SOFTWARE/") + nn + QLatin1Char('/') + nome + QLatin1Char('/') + nome;
    if (c == 0) {
        StatoFile.FileProgrammazione = Files::PercorsoApp(cartellaSw + QStringLiteral(".ULP"));
        DatiProgrammazione dati;
        dati.DirValvole = StatoVeicolo.DirValvole;
        dati.TipoCentralina = d.TipoCentralina;
        dati.TipoInstallazione = StatoCatalogo.TipoInstallazione == 1 ? 1 : 0;
        for (int i = 0; i < 6; ++i)
            dati.AutoImp[i] = AutoImp[i]->text();
        c = CreoFileProgrammazione(f19, nome, StatoFile.FileProgrammazione, dati);
    }
    if (c != 0) {
        Rifiuto(MessaggioProgrammazione(c));
        Dati_Out->setEnabled(true);
        return c;
    }
    QByteArray intestazione;
    QFile mappa(TrovoFile(f19));
    if (mappa.open(QIODevice::ReadOnly))
        intestazione = mappa.readLine(4096);
    const VersioniIntestazione v = LeggoVersioniIntestazione(intestazione);
    MandoDati* m = MandoDati::Carica();
    m->SalvoCliente = std::move(salvo);
    m->ModoProgrammazione({v.versioneMappa, v.software,
                           LeggoVersioneS2(Files::PercorsoApp(cartellaSw + QStringLiteral(".S19"))), v.progetto});
    m->Mostra(true);
    update();
    return 0;
}
