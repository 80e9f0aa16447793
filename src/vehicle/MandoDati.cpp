#include "vehicle/MandoDati.h"

#include "catalogue/StatoFile.h"
#include "ecu_link/DatiCentralina.h"
#include "ecu_link/Programmazione.h"
#include "ecu_link/StatoLink.h"
#include "platform/Resources.h"
#include "platform/Timer.h"
#include "shell/Modulo.h"
#include "shell/Procedure.h"
#include "vehicle/Veicolo.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

QLabel* Valore(QWidget* padre)
{
    auto* l = new QLabel(padre);
    l->setFrameShape(QFrame::Panel);
    l->setFrameShadow(QFrame::Sunken);
    l->setMinimumWidth(Twip(1500));
    l->setAlignment(Qt::AlignCenter);
    return l;
}

} // namespace

MandoDati::MandoDati()
{
    auto* l = new QVBoxLayout(this);
    for (auto& e : LabInvioD)
        e = new QLabel(this);

    BoxQOX = new QGroupBox(this);
    auto* gq = new QGridLayout(BoxQOX);
    for (int i = 0; i < 2; ++i) {
        VersioneT[i] = Valore(BoxQOX);
        LabInvioD[i]->setParent(BoxQOX);
        gq->addWidget(LabInvioD[i], i, 0);
        gq->addWidget(VersioneT[i], i, 1);
    }
    l->addWidget(BoxQOX);

    BoxF19 = new QGroupBox(this);
    auto* gf = new QGridLayout(BoxF19);
    for (int i = 0; i < 5; ++i) {
        VersioneF[i] = Valore(BoxF19);
        LabInvioD[i + 2]->setParent(BoxF19);
        gf->addWidget(LabInvioD[i + 2], i, 0);
        gf->addWidget(VersioneF[i], i, 1);
    }
    l->addWidget(BoxF19);
    BoxF19->setVisible(false);

    Segnalazione = new QLabel(this);
    Segnalazione->setObjectName(QStringLiteral("Segnalazione"));
    Segnalazione->setAlignment(Qt::AlignCenter);
    Segnalazione->setWordWrap(true);
    Segnalazione->setMinimumHeight(Twip(600));
    l->addWidget(Segnalazione);
    Avanzamento = new QProgressBar(this);
    Avanzamento->setFormat(QStringLiteral("%v / %m"));
    Avanzamento->setAlignment(Qt::AlignCenter);
    Avanzamento->setVisible(false);
    l->addWidget(Avanzamento);

    auto* riga = new QHBoxLayout;
    auto tasto = [&](const char* nome) {
        auto* w = new QPushButton(this);
        w->setObjectName(QLatin1String(nome));
        w->setFixedSize(100, 40);
        riga->addWidget(w);
        return w;
    };
    TastoSI = tasto("TastoSI");
    TastoSIULP = tasto("TastoSIULP");
    TastoNO = tasto("TastoNO");
    Tastook = tasto("Tastook");
    TastoSIULP->setVisible(false);
    TastoSIULP->setEnabled(false);
    Tastook->setVisible(false);
    Tastook->setEnabled(false);
    l->addLayout(riga);

    connect(TastoSI, &QPushButton::clicked, this, &MandoDati::TastoSI_Click);
    connect(TastoSIULP, &QPushButton::clicked, this, &MandoDati::TastoSIULP_Click);
    connect(TastoNO, &QPushButton::clicked, this, &MandoDati::TastoNO_Click);
    connect(Tastook, &QPushButton::clicked, this, &MandoDati::Tastook_Click);
}

void MandoDati::Form_Load()
{
    setWindowTitle(Msg(354));
    static constexpr int testi[7] = {355, 356, 355, 147, 148, 365, 149};
    for (int i = 0; i < 7; ++i)
        LabInvioD[i]->setText(Msg(testi[i]));
    Segnalazione->setText(Msg(357));
    ImmaginiTasto(TastoSI, IdRisorsa(105));
    ImmaginiTasto(TastoSIULP, IdRisorsa(105));
    ImmaginiTasto(TastoNO, IdRisorsa(106));
    ImmaginiTasto(Tastook, IdRisorsa(148));
    VersioneT[0]->setText(DatiCentralina.VersioneTabCentr);
    VersioneF[0]->setText(DatiCentralina.VersioneTabCentr);
}

void MandoDati::ModoMappa(const QString& versionePC)
{
    BoxQOX->setVisible(true);
    BoxF19->setVisible(false);
    TastoSI->setEnabled(true);
    TastoSI->setVisible(true);
    TastoSIULP->setEnabled(false);
    TastoSIULP->setVisible(false);
    VersioneT[1]->setText(versionePC);
}

void MandoDati::MostroAvanzamento(int n, int totale)
{
    Segnalazione->setText(Msg(221));
    Avanzamento->setRange(0, totale);
    Avanzamento->setValue(qBound(0, n + 1, totale));
    Avanzamento->setVisible(true);
}

bool MandoDati::SalvoScheda()
{
    if (SalvoCliente && SalvoCliente() == 0)
        return true;
    Beep();
    Avviso(216);
    return false;
}

bool MandoDati::AvvioTrasferimento(QPushButton* tasto, int messaggio, int fase, const QByteArray& comando,
                                   int intervallo, bool salvoPuntatore)
{
    if (!Link.Collegato) {
        Scarica();
        return false;
    }
    if (!SalvoScheda())
        return false;
    Veicolo::FermoCollegamento();
    Segnalazione->setText(Msg(messaggio));
    Link.FaseCom = fase;
    if (salvoPuntatore)
        Shell.PuntatoreMouse = PuntatoreAttuale();
    ImpostoPuntatore(11);
    tasto->setEnabled(false);
    TastoNO->setEnabled(false);
    Link.BufferTx = Protocollo::Riga(comando);
    Veicolo::MandoRichiesta(Link.BufferTx, intervallo);
    return true;
}

void MandoDati::TastoSI_Click()
{
    AvvioTrasferimento(TastoSI, 221, FASE_INVIO_TABELLA, Protocollo::ComandoInizioTabella, 10000, false);
}

void MandoDati::TastoNO_Click()
{
    if (Link.Collegato)
        Veicolo::AvvioCollegamento();
    Scarica();
}

void MandoDati::Tastook_Click()
{
    Scarica();
}

// ---- programming mode ----

void MandoDati::ModoProgrammazione(const std::array<QString, 4>& versioni)
{
    BoxF19->setVisible(true);
    BoxQOX->setVisible(false);
    TastoSIULP->setEnabled(true);
    TastoSIULP->setVisible(true);
    TastoSI->setEnabled(false);
    TastoSI->setVisible(false);
    for (int i = 0; i < 4; ++i)
        VersioneF[i + 1]->setText(versioni[i]);
}

void MandoDati::MostroAvanzamento(int n)
{
    Segnalazione->setText(DidascaliaConRecord(Segnalazione->text(), n));
}

void MandoDati::MostroErroreProgrammazione(const QString& testo)
{
    Segnalazione->setText(testo);
    for (QPushButton* t : {TastoSIULP, TastoNO}) {
        t->setEnabled(false);
        t->setVisible(false);
    }
    Tastook->setEnabled(true);
    Tastook->setVisible(true);
}

void MandoDati::TastoSIULP_Click()
{
    // The line count starts with the transfer; the pointer is put back at its end.
    StatoFile.NumLinea = 0;
    AvvioTrasferimento(TastoSIULP, 150, FASE_PROGRAMMAZIONE_ULP, Protocollo::ComandoProgrammazioneSw, 20000, true);
}

void MandoDati::ChiusuraUtente()
{
    // The map upload (its blocks, then the installation date) and the image transfer run
    // with the dialog up to their end.
    const int fase = Link.FaseCom;
    if (fase == FASE_INVIO_TABELLA || fase == FASE_DATA_INSTALLAZIONE || fase == FASE_PROGRAMMAZIONE_ULP)
        return;
    Scarica();
}
