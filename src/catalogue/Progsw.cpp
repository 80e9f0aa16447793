#include "catalogue/Progsw.h"

#include "catalogue/MapFiles.h"
#include "catalogue/SoftwareLibrary.h"
#include "catalogue/StatoFile.h"
#include "ecu_link/DatiCentralina.h"
#include "ecu_link/StatoLink.h"
#include "platform/Files.h"
#include "platform/Resources.h"
#include "platform/Timer.h"
#include "shell/Modulo.h"
#include "shell/Procedure.h"
#include "vehicle/StatoVeicolo.h"
#include "vehicle/Veicolo.h"

#include "ecu_link/Programmazione.h"

#include <QCollator>
#include <QDir>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

// The first software file of a folder: "*.S19" in any case, first in name order
// without regard to case; "" when there is none.
QString PrimoFileS19(const QString& cartella)
{
    QStringList nomi;
    const QDir d(cartella);
    for (const QString& n : d.entryList(QDir::Files | QDir::Hidden))
        if (Files::CorrispondeJolly(n, QStringLiteral("*.S19")))
            nomi << n;
    if (nomi.isEmpty())
        return {};
    Files::OrdinoNomi(nomi);
    return nomi.first();
}

bool Caricatore() { return StatoVeicolo.ModoAggiorna == 1; }

} // namespace

Progsw::Progsw()
{
    auto* l = new QVBoxLayout(this);
    LabAgg = new QLabel(this);
    LabAgg->setObjectName(QStringLiteral("LabAgg"));
    LabAgg->setAlignment(Qt::AlignCenter);
    LabAgg->setWordWrap(true);
    LabAgg->setMinimumSize(Twip(6600), Twip(1100));
    l->addWidget(LabAgg);
    auto* g = new QGridLayout;
    for (int i = 0; i < 2; ++i) {
        LabVS[i] = new QLabel(this);
        VersSoft[i] = new QLabel(this);
        VersSoft[i]->setFrameShape(QFrame::Panel);
        VersSoft[i]->setFrameShadow(QFrame::Sunken);
        VersSoft[i]->setMinimumWidth(Twip(1800));
        VersSoft[i]->setAlignment(Qt::AlignCenter);
        g->addWidget(LabVS[i], i, 0, Qt::AlignRight);
        g->addWidget(VersSoft[i], i, 1);
    }
    l->addLayout(g);
    auto* riga = new QHBoxLayout;
    riga->addStretch();
    auto tasto = [&](const char* nome) {
        auto* w = new QPushButton(this);
        w->setObjectName(QLatin1String(nome));
        w->setFixedSize(Twip(1215), Twip(855));
        riga->addWidget(w);
        w->setVisible(false);
        w->setEnabled(false);
        return w;
    };
    TastoSI = tasto("TastoSI");
    TastoEsci = tasto("TastoEsci");
    Tastook[0] = tasto("Tastook0");
    Tastook[1] = tasto("Tastook1");
    TastoOKA = tasto("TastoOKA");
    TastoAbbandona = tasto("TastoAbbandona");
    riga->addStretch();
    l->addLayout(riga);

    connect(TastoSI, &QPushButton::clicked, this, &Progsw::TastoSI_Click);
    connect(TastoEsci, &QPushButton::clicked, this, &Progsw::TastoEsci_Click);
    connect(Tastook[0], &QPushButton::clicked, this, [this] { Tastook_Click(0); });
    connect(Tastook[1], &QPushButton::clicked, this, [this] { Tastook_Click(1); });
    connect(TastoOKA, &QPushButton::clicked, this, &Progsw::TastoOKA_Click);
    connect(TastoAbbandona, &QPushButton::clicked, this, &Progsw::TastoAbbandona_Click);
}

QString Progsw::VersioneMostrata(const QString& versione)
{
    const QString t = versione.trimmed();
    if (t.size() != 9)
        return versione;
    return t.mid(0, 3) + t.mid(7, 2) + t.mid(3, 4);
}

bool Progsw::VersionePCVecchia(const QString& pc, const QString& centralina)
{
    if (centralina.trimmed().isEmpty())
        return false;
    return Val(pc.mid(3, 4).toLatin1()) < Val(centralina.mid(3, 4).toLatin1());
}

void Progsw::Form_Load()
{
    const bool caricatore = Caricatore();
    setWindowTitle(Msg(caricatore ? 350 : 235));
    LabVS[0]->setText(Msg(137));
    LabVS[1]->setText(Msg(138));
    ImmaginiTasto(TastoSI, IdRisorsa(105));
    ImmaginiTasto(TastoEsci, IdRisorsa(106));
    ImmaginiTasto(TastoOKA, IdRisorsa(148));
    ImmaginiTasto(TastoAbbandona, IdRisorsa(104));
    Tastook[0]->setText(QStringLiteral("OK"));
    Tastook[1]->setText(QStringLiteral("OK"));
    Visibile(Tastook[0], false);

    QString cartella = Files::PercorsoApp(QStringLiteral("SOFTWARE/") + DueCifre(DatiCentralina.TipoCentralina));
    if (caricatore)
        cartella = Files::Percorso(cartella, QStringLiteral("KERNEL"));
    const QString primo = PrimoFileS19(cartella);
    if (primo.isEmpty()) {
        Beep();
        LabAgg->setText(Msg(233));
        Visibile(Tastook[1], true);
        return;
    }
    LabAgg->setText(Msg(caricatore ? 346 : 236));
    Visibile(TastoSI, true);
    Visibile(TastoEsci, true);
    StatoFile.FileProgrammazione = Files::Percorso(cartella, primo.trimmed());

    if (caricatore) {
        VersSoft[0]->setText(DatiCentralina.VersioneCaric);
        VersSoft[1]->setText(LeggoVersioneS1(StatoFile.FileProgrammazione));
    } else {
        VersSoft[0]->setText(VersioneMostrata(DatiCentralina.VersioneSw));
        VersSoft[1]->setText(LeggoDescrizioneSW(StatoFile.FileProgrammazione));
    }
    if (DatiCentralina.TipoCentralina < 2)
        return;
    if (VersSoft[1]->text().trimmed().isEmpty())
        SoloChiusura(213 + StatoVeicolo.ModoAggiorna);
    else if (VersionePCVecchia(VersSoft[1]->text(), VersSoft[0]->text()))
        SoloChiusura(360);
}

void Progsw::SoloChiusura(int messaggio)
{
    Beep();
    LabAgg->setText(Msg(messaggio));
    Visibile(TastoSI, false);
    Visibile(TastoEsci, false);
    Visibile(Tastook[0], false);
    Visibile(Tastook[1], true);
}

void Progsw::TastoSI_Click()
{
    if (!Link.Collegato) {
        Beep();
        Avviso(349);
        Veicolo::AvvioCollegamento();
        Scarica();
        return;
    }
    setEnabled(false);
    TastoSI->setEnabled(false);
    Veicolo::FermoCollegamento();
    Shell.PuntatoreMouse = PuntatoreAttuale();
    ImpostoPuntatore(11);
    Link.FaseCom = FASE_PROGRAMMAZIONE_SW;
    StatoFile.NumLinea = 0;
    Shell.Messaggio1 = DidascaliaConRecord(Msg(240), StatoFile.NumLinea);
    LabAgg->setText(Shell.Messaggio1);
    Veicolo::MandoRichiesta(
        Protocollo::Riga(Caricatore() ? Protocollo::ComandoProgrammazioneCaric : Protocollo::ComandoProgrammazioneSw),
        20000);
}

void Progsw::TastoEsci_Click()
{
    Scarica();
}

void Progsw::Tastook_Click(int indice)
{
    if (indice == 1) {
        Veicolo::AvvioCollegamento();
        Scarica();
        return;
    }
    // The ECU is still on while the link is up.
    if (Link.Collegato)
        return;
    Link.FaseCom = FASE_SPEGNIMENTO_SW;
    LabAgg->setText(Msg(206));
    Visibile(Tastook[0], false);
    Visibile(TastoOKA, true);
    Visibile(TastoAbbandona, true);
}

void Progsw::TastoOKA_Click()
{
    if (Link.DatiRicevuti) {
        Link.FaseCom = FASE_VERIFICA_SW;
        Link.InterrogoDati = true;
    } else {
        LabAgg->setText(Msg(205));
    }
}

void Progsw::TastoAbbandona_Click()
{
    LabAgg->setText(Msg(209));
    Visibile(TastoOKA, false);
    Visibile(TastoAbbandona, false);
    Visibile(Tastook[1], true);
}

void Progsw::MostroAvanzamento(int n)
{
    LabAgg->setText(DidascaliaConRecord(LabAgg->text(), n));
}

void Progsw::MostroErrore(const QString& testo)
{
    LabAgg->setText(testo);
    setEnabled(true);
    Visibile(TastoSI, false);
    Visibile(TastoEsci, false);
    Visibile(Tastook[0], false);
    Visibile(Tastook[1], true);
}

void Progsw::MostroSpegnimento()
{
    setEnabled(true);
    Visibile(TastoSI, false);
    Visibile(TastoEsci, false);
    Visibile(Tastook[0], true);
    LabAgg->setText(Msg(247));
}

void Progsw::MostroVerdetto(int messaggio, const QString& versioneCentralina)
{
    setEnabled(true);
    LabAgg->setText(Msg(messaggio));
    VersSoft[0]->setText(versioneCentralina);
    Visibile(TastoOKA, false);
    Visibile(TastoAbbandona, false);
    Visibile(Tastook[0], false);
    Visibile(Tastook[1], true);
}

QString Progsw::VersioneProgrammata() const
{
    return VersSoft[1]->text().trimmed().toUpper();
}
