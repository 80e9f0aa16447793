#include "diagnosis/Pressioni.h"

#include "catalogue/LimitsFile.h"
#include "catalogue/MapFiles.h"
#include "catalogue/StatoCatalogo.h"
#include "diagnosis/Parametri.h"
#include "ecu_link/DatiCentralina.h"
#include "ecu_link/StatoLink.h"
#include "platform/Files.h"
#include "platform/Resources.h"
#include "platform/Timer.h"
#include "shell/Modulo.h"
#include "vehicle/Veicolo.h"

#include <QLabel>
#include <QLocale>
#include <QPushButton>

StatoPressioniRec StatoPressioni;

bool PressioneInLimiti(const QByteArray& testo)
{
    if (!Numerico(testo) || Protocollo::RigaScritturaPressione(testo).isEmpty())
        return false;
    const double v = Val(QByteArrayView(testo));
    return StatoPressioni.PressMin <= v && v <= StatoPressioni.PressMax;
}

namespace {

QString Breve(double v)
{
    return QLocale::c().toString(v, 'g', QLocale::FloatingPointShortest);
}

} // namespace

Pressioni::Pressioni()
{
    setFixedSize(Twip(4800), Twip(2700));
    // The design is in twips; its texts wrap.
    auto testo = [this](const char* nome, int x, int y, int l, int a, Qt::Alignment al) {
        QLabel* w = etichetta(this, Twip(x), Twip(y), Twip(l), Twip(a), nome);
        w->setAlignment(al);
        w->setWordWrap(true);
        return w;
    };
    // Only one step's buttons are ever visible: they share three places on one row.
    auto tastoRiga = [this](const char* nome, int x, int l) {
        return tasto(this, Twip(x), Twip(1680), Twip(l), Twip(495), nome);
    };
    LabTar = testo("LabTar", 120, 60, 4560, 1560, Qt::AlignCenter);
    LabDato[0] = testo("LabDato0", 240, 300, 2040, 375, Qt::AlignRight | Qt::AlignVCenter);
    DatoP = testo("DatoP", 2340, 300, 1080, 375, Qt::AlignCenter);
    LabDato[1] = testo("LabDato1", 3480, 300, 1080, 375, Qt::AlignLeft | Qt::AlignVCenter);
    LabInf = testo("LabInf", 240, 840, 4320, 735, Qt::AlignCenter);
    DatoP->setFrameShape(QFrame::Panel);
    DatoP->setFrameShadow(QFrame::Sunken);
    LabDato[1]->setText(QStringLiteral("mbar"));
    Tastook = tastoRiga("Tastook", 1920, 855);
    TastoOK1 = tastoRiga("TastoOK1", 1920, 855);
    TastoOK2 = tastoRiga("TastoOK2", 1920, 855);
    TastoOK3 = tastoRiga("TastoOK3", 1920, 855);
    TastoRip = tastoRiga("TastoRip", 600, 1335);
    TastoOK4 = tastoRiga("TastoOK4", 600, 1335);
    TastoEsci = tastoRiga("TastoEsci", 2760, 1335);
    TastoAbbandona = tastoRiga("TastoAbbandona", 2760, 1335);
    // Design state: the instruction and the read button; everything else hidden.
    for (QWidget* w : std::initializer_list<QWidget*>{LabDato[0], LabDato[1], DatoP, LabInf})
        w->setVisible(false);
    for (QPushButton* b : {TastoOK1, TastoOK2, TastoOK3, TastoOK4, TastoRip, TastoEsci, TastoAbbandona})
        Visibile(b, false);
    connect(Tastook, &QPushButton::clicked, this, &Pressioni::Tastook_Click);
    connect(TastoOK1, &QPushButton::clicked, this, &Pressioni::TastoOK1_Click);
    connect(TastoRip, &QPushButton::clicked, this, &Pressioni::TastoRip_Click);
    connect(TastoEsci, &QPushButton::clicked, this, &Pressioni::TastoEsci_Click);
    connect(TastoOK2, &QPushButton::clicked, this, &Pressioni::TastoOK2_Click);
    connect(TastoOK4, &QPushButton::clicked, this, &Pressioni::TastoOK4_Click);
    connect(TastoAbbandona, &QPushButton::clicked, this, &Pressioni::TastoAbbandona_Click);
    connect(TastoOK3, &QPushButton::clicked, this, &Pressioni::TastoOK3_Click);
}

void Pressioni::Form_Load()
{
    LabDato[0]->setText(Msg(244));
    LabInf->setText(Msg(245));
    const struct { QPushButton* tasto; int immagine; } immagini[] = {
        {Tastook, 119}, {TastoOK1, 119}, {TastoOK2, 119}, {TastoOK3, 119}, {TastoOK4, 148},
        {TastoAbbandona, 104}, {TastoEsci, 104}, {TastoRip, 108},
    };
    for (const auto& i : immagini)
        ImmagineTasto(i.tasto, i.immagine);

    if (StatoCatalogo.TipoGas == 1) {
        // CNG: no reading and no storing; the screen starts at the power cycle.
        setWindowTitle(Msg(140));
        LabTar->setText(Msg(247));
        for (QPushButton* b : {TastoEsci, Tastook, TastoRip, TastoOK1, TastoOK3})
            Visibile(b, false);
        Visibile(TastoOK2, true);
        Link.FaseCom = FASE_SPEGNIMENTO;
        // The link watchdog must run, or an ECU switched off before its next frame is
        // never noticed.
        Veicolo::AvvioCollegamento();
        return;
    }
    setWindowTitle(Msg(242));
    LabTar->setText(Msg(243));
    LeggoLimitiPressione();
}

void Pressioni::LeggoLimitiPressione()
{
    StatoPressioni.PressMin = 0;
    StatoPressioni.PressMax = 0;
    const QString cartella = StatoCatalogo.DirCentralina;
    if (!cartella.trimmed().isEmpty()) {
        const FileLimiti f = LeggoFileLimiti(Files::Percorso(cartella, QStringLiteral("LIMITI.TXT")), 4);
        if (f.righe.size() >= 4) {
            const RigaLimiti& r = f.righe[3];
            if (r.campi >= 2)
                StatoPressioni.PressMin = r.minimo;
            if (r.campi >= 3)
                StatoPressioni.PressMax = r.massimo;
        }
    }
    DatoP->setToolTip(Breve(StatoPressioni.PressMin) + QStringLiteral("÷") + Breve(StatoPressioni.PressMax));
}

void Pressioni::Form_KeyDown(int& keyCode, int shift)
{
    Q_UNUSED(shift)
    // The dialog has no keys of its own: Esc must not leave a calibration half done.
    if (keyCode == Tasti::Esc)
        keyCode = 0;
}

void Pressioni::InvioRichiesta(const QByteArray& riga, int fase, bool fermaDatiOut)
{
    Shell.PuntatoreMouse = PuntatoreAttuale();
    if (fermaDatiOut)
        Veicolo::FermoCollegamento();
    ImpostoPuntatore(11);
    Link.FaseCom = fase;
    Veicolo::MandoRichiesta(riga, 5000);
}

void Pressioni::Tastook_Click()
{
    InvioRichiesta(Protocollo::Riga(Protocollo::ComandoLetturaPressione), FASE_LETTURA_PRESSIONE, true);
}

void Pressioni::TastoOK1_Click()
{
    const QByteArray riga = Protocollo::RigaScritturaPressione(DatoP->text().toLatin1());
    if (riga.isEmpty())
        return;  // a value that cannot be sent whole is never offered for storing
    InvioRichiesta(riga, FASE_SCRITTURA_PRESSIONE, false);
}

void Pressioni::MostroValore(bool visibile)
{
    for (QLabel* l : {LabDato[0], LabDato[1], DatoP, LabInf})
        l->setVisible(visibile);
}

void Pressioni::TastoRip_Click()
{
    LabTar->setVisible(true);
    LabDato[0]->setVisible(false);
    LabDato[1]->setVisible(false);
    DatoP->setVisible(false);
    DatoP->clear();
    Visibile(Tastook, true);
    for (QPushButton* b : {TastoRip, TastoEsci, TastoOK1, TastoOK2, TastoOK3})
        Visibile(b, false);
    LabInf->setVisible(false);
}

void Pressioni::MostroSpegnimento()
{
    LabInf->setText(Msg(247));
    for (QPushButton* b : {TastoEsci, Tastook, TastoRip, TastoOK1, TastoOK3})
        Visibile(b, false);
    Visibile(TastoOK2, true);
}

void Pressioni::TastoEsci_Click()
{
    Link.FaseCom = FASE_SPEGNIMENTO;
    MostroSpegnimento();
    Veicolo::AvvioCollegamento();
}

void Pressioni::TastoOK2_Click()
{
    // Only once the link watchdog has seen the ECU fall silent.
    if (Link.Collegato)
        return;
    Link.FaseCom = FASE_SPEGNIMENTO;
    // The switch-off instruction is gone (CNG shows it in the caption, which hides the
    // value labels): only the power-on instruction is left.
    LabTar->setVisible(false);
    LabInf->setText(Msg(206));
    LabInf->setVisible(true);
    for (QPushButton* b : {TastoRip, TastoOK1, Tastook, TastoOK2, TastoEsci, TastoOK3})
        Visibile(b, false);
    Visibile(TastoOK4, true);
    Visibile(TastoAbbandona, true);
}

void Pressioni::TastoOK4_Click()
{
    if (Link.DatiRicevuti) {
        Link.FaseCom = FASE_VERIFICA_PRESSIONI;
        Link.InterrogoDati = true;
        return;
    }
    Visibile(LabTar, true);
    LabTar->setText(Msg(205));
    for (QLabel* l : {LabDato[0], LabDato[1], DatoP, LabInf})
        Visibile(l, false);
}

void Pressioni::TastoAbbandona_Click()
{
    MostroVerificaConclusa(Msg(207));
}

void Pressioni::TastoOK3_Click()
{
    Scarica();
}

void Pressioni::MostroLettura(const QByteArray& testo, bool inLimiti)
{
    LabTar->setVisible(false);
    for (QPushButton* b : {Tastook, TastoOK2, TastoOK3})
        Visibile(b, false);
    MostroValore(true);
    DatoP->setText(QString::fromLatin1(testo));
    // A second reading replaces the first: only the buttons of its outcome stay.
    LabInf->setText(inLimiti ? QString() : Msg(245));
    Visibile(TastoOK1, inLimiti);
    Visibile(TastoRip, !inLimiti);
    Visibile(TastoEsci, !inLimiti);
}

void Pressioni::MostroVerificaConclusa(const QString& testo)
{
    setEnabled(true);
    LabTar->setText(testo);
    Visibile(LabTar, true);
    for (QWidget* w : std::initializer_list<QWidget*>{LabDato[0], LabDato[1], DatoP, LabInf,
                                                      TastoAbbandona, TastoOK4})
        Visibile(w, false);
    Visibile(TastoOK3, true);
}
