#include "diagnosis/DatiMotore.h"

#include "diagnosis/RigaDati.h"
#include "diagnosis/TarMP.h"
#include "ecu_link/DatiCentralina.h"
#include "ecu_link/StatoLink.h"
#include "platform/PrivateProfile.h"
#include "platform/SerialControl.h"
#include "platform/Timer.h"
#include "remote/GestioneGSM.h"
#include "remote/StatoGSM.h"
#include "shell/Modulo.h"
#include "shell/Procedure.h"
#include "shell/ZEQ_Inst.h"

#include <QApplication>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>

DatiMotore::DatiMotore()
{
    setWindowTitle(QStringLiteral("DATI MOTORE"));
    auto* l = new QGridLayout(this);
    for (int k = 0; k < 16; ++k) {
        LabMot1[k] = new QLabel(this);
        DatiMot1[k] = new QLabel(this);
        l->addWidget(LabMot1[k], k, 0);
        l->addWidget(DatiMot1[k], k, 1);
        if (k < 15) {
            DatiMot[k] = new QLabel(this);
            l->addWidget(DatiMot[k], k, 2);
        }
    }
    int riga = 16;
    auto tasto = [&](const char* nome) {
        auto* w = new QPushButton(QLatin1String(nome), this);
        w->setObjectName(QLatin1String(nome));
        l->addWidget(w, riga++, 0);
        return w;
    };
    PaginaMotore = tasto("PaginaMotore");
    PaginaMotore->setEnabled(false);
    PaginaGrafici = tasto("PaginaGrafici");
    T_MapTPS = tasto("T_MapTPS");
    TastoGSM = tasto("TastoGSM");
    TastoGSM->setVisible(false);
    ChiudoGSM = tasto("ChiudoGSM");
    ChiudoGSM->setVisible(false);
    Informo = new QLabel(this);
    l->addWidget(Informo, riga++, 0, 1, 3);
    Registrazione = new QLabel(this);
    l->addWidget(Registrazione, riga++, 0, 1, 3);
    Esci = tasto("Esci");

    VisDati = new FormTimer(this, 300, false);
    Dati_Out = new FormTimer(this, 2000, false);
    TimeOutTx = new FormTimer(this, 5000, false);
    TimeOutModem = new FormTimer(this, 5000, false);
    connect(Dati_Out, &FormTimer::Timer, this, &DatiMotore::Dati_Out_Timer);
    connect(TimeOutTx, &FormTimer::Timer, this, &DatiMotore::TimeOutTx_Timer);
    connect(TimeOutModem, &FormTimer::Timer, this, &DatiMotore::TimeOutModem_Timer);
    connect(Esci, &QPushButton::clicked, this, &DatiMotore::Esci_Click);
    connect(T_MapTPS, &QPushButton::clicked, this, &DatiMotore::T_MapTPS_Click);
    connect(TastoGSM, &QPushButton::clicked, this, &DatiMotore::TastoGSM_Click);
    connect(ChiudoGSM, &QPushButton::clicked, this, &DatiMotore::ChiudoGSM_Click);
    Informo->setVisible(false);
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
    AzzeroDatiCentralina();
    Link.InterrogoDati = true;
    Link.TarMPattivo = false;
    InizializzoVariabili();
    AzzeroGrafici();
    for (QLabel* d : DatiMot1)
        d->setToolTip(Msg(318));
    TastoGSM->setVisible(true);
    // Without an assistance number there is no station to call.
    GSM.Telefono = LeggoProfilo(QStringLiteral("ASSISTENZA"), QStringLiteral("Telefono"), QString(),
                                FileConfigurazione())
                       .trimmed();
    TastoGSM->setEnabled(!GSM.Telefono.isEmpty());
    // The port number was set by the main menu.
    if (!Comunic().PortOpen())
        Comunic().setPortOpen(true);
    ScrivoCentralina(Protocollo::Riga(Protocollo::ComandoAvvioDati));
    ScrivoCentralina(Protocollo::Riga(Protocollo::ComandoDatiNormali));
    Dati_Out->setInterval(2000);
    Dati_Out->setEnabled(true);
    VisDati->setEnabled(true);
}

void DatiMotore::Dati_Out_Timer()
{
    Beep();
    Dati_Out->setEnabled(false);
    Link.DatiRicevuti = false;
    AzzeroGrafici();
    SegnaloNonComunica();
    switch (Shell.RispostaSegnalEr) {
    case 0: Esci_Click(); break;
    case 1:
    case 2:
        Dati_Out->setInterval(5000);
        ScrivoCentralina(Protocollo::Riga(Protocollo::ComandoAvvioDati));
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
        Beep();
        Link.InterrogoDati = false;
        GSM.PrimoInvioGSM = false;
        Shell.Messaggio1 = Msg(208);
        Shell.Messaggio2 = Msg(140);
        MostroMessaggio(Shell.Messaggio1, Shell.Messaggio2, 0);
        ScrivoCentralina(Protocollo::Riga(Protocollo::ComandoFineScambio));
        if (DatiMotore::Istanza() == this) {
            Dati_Out->setEnabled(true);
            update();
        }
    }
    Link.FaseCom = FASE_LIBERA;
}

void DatiMotore::TimeOutModem_Timer() { ScadenzaModem(); }
void DatiMotore::TastoGSM_Click() { AproAggancio(); }
void DatiMotore::ChiudoGSM_Click() { RiattaccoGSM(); }

void DatiMotore::MostroChiamataGSM(bool attiva)
{
    if (attiva) {
        for (QPushButton* w : {Esci, PaginaGrafici, PaginaMotore})
            w->setEnabled(true);
    }
    TastoGSM->setVisible(!attiva);
    TastoGSM->setEnabled(!attiva);
    T_MapTPS->setEnabled(!attiva);
    ChiudoGSM->setVisible(attiva);
    ChiudoGSM->setEnabled(attiva);
}

void DatiMotore::MostroScambioRemoto(bool aperto)
{
    Informo->setVisible(aperto);
    for (QPushButton* w : {TastoGSM, ChiudoGSM, PaginaGrafici, PaginaMotore})
        w->setEnabled(!aperto);
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

void DatiMotore::Esci_Click()
{
    for (int passo = 0; passo < 2; ++passo) {
        const auto finestre = QApplication::topLevelWidgets();
        for (QWidget* w : finestre) {
            auto* f = qobject_cast<FormBase*>(w);
            if (!f || f->Scaricato())
                continue;
            const QString nome = f->NomeForm().trimmed().toUpper();
            if (nome != QLatin1String("ZEQ_INST") && nome != QLatin1String("DATIMOTORE"))
                f->Scarica();
        }
    }
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
    Shell.Funzione = 0;
    if (Comunic().PortOpen()) {
        ScrivoCentralina(Protocollo::Riga(Protocollo::ComandoDatiNormali));
        Attendo(1.0);
        Comunic().setPortOpen(false);
    }
    ChiudoPortaGSM();
    if (ZEQ_Inst* m = ZEQ_Inst::Istanza()) {
        m->setEnabled(true);
        m->DopoDialogo();
    }
}
