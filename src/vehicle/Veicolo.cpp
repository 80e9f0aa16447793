#include "vehicle/Veicolo.h"

#include "archive/Archivio.h"

#include "catalogue/Progsw.h"
#include "diagnosis/LivSerb.h"
#include "diagnosis/Parametri.h"
#include "diagnosis/Pressioni.h"
#include "ecu_link/Collegamento.h"
#include "ecu_link/DatiCentralina.h"
#include "catalogue/PersonalMaps.h"
#include "catalogue/StatoCatalogo.h"
#include "ecu_link/Rami.h"
#include "ecu_link/StatoLink.h"
#include "platform/SerialControl.h"
#include "platform/Timer.h"
#include "remote/StatoGSM.h"
#include "shell/Modulo.h"
#include "shell/Procedure.h"
#include "shell/ZEQ_Inst.h"
#include "vehicle/Attesa.h"
#include "vehicle/MandoDati.h"
#include "vehicle/StatoVeicolo.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

Veicolo::Veicolo()
{
    auto* l = new QGridLayout(this);
    int riga = 0;
    StatoCom = new QLabel(this);
    l->addWidget(StatoCom, riga++, 0, 1, 6);
    Cliente = new QLineEdit(this);
    Cliente->setObjectName(QStringLiteral("Cliente"));
    l->addWidget(Cliente, riga++, 0, 1, 6);
    for (int i = 0; i < 6; ++i) {
        AutoImp[i] = new QLineEdit(this);
        AutoImp[i]->setMaxLength(i % 3 == 2 ? 4 : 2);
        l->addWidget(AutoImp[i], riga, i);
    }
    ++riga;
    TipoInst = new QLabel(this);
    l->addWidget(TipoInst, riga++, 0, 1, 6);
    auto tasto = [&](const char* nome, int colonna) {
        auto* w = new QPushButton(QLatin1String(nome), this);
        w->setObjectName(QLatin1String(nome));
        l->addWidget(w, riga, colonna);
        return w;
    };
    Attivo = tasto("Attivo", 0);
    Tasto_Inf = tasto("Tasto_Inf", 1);
    Tasto_Agg = tasto("Tasto_Agg", 2);
    Caric_Agg = tasto("Caric_Agg", 3);
    TimeOutTx = new FormTimer(this, 5000, false);
    Dati_Out = new FormTimer(this, 2000, false);
    connect(Attivo, &QPushButton::clicked, this, &Veicolo::Attivo_Click);
    connect(TimeOutTx, &FormTimer::Timer, this, &Veicolo::TimeOutTx_Timer);
    connect(Dati_Out, &FormTimer::Timer, this, &Veicolo::Dati_Out_Timer);
}

void Veicolo::Form_Load()
{
    StatoCatalogo.MostroTipoInst = [](const QString& t) {
        if (Veicolo* v = Veicolo::Istanza())
            v->MostroTipoInstallazione(t);
    };
    CollegoRicezione();
    // The port number was set by the main menu.
    if (!Comunic().PortOpen())
        Comunic().setPortOpen(true);
    // A fresh screen starts with the link down and no request pending, whatever the
    // screen last open left behind.
    Link.BufferRx.clear();
    Link.FaseCom = FASE_LIBERA;
    Link.DatiRicevuti = false;
    Link.InterrogoDati = false;
    Link.Collegato = false;
    AzzeroDatiCentralina();
    AggiornoStatoCollegamento();
}

void Veicolo::MostroStatoCollegamento(bool su)
{
    StatoCom->setText(Msg(su ? 347 : 348));
    Attivo->setVisible(!su);
    Attivo->setEnabled(!su);
    Tasto_Inf->setVisible(su);
    Tasto_Inf->setEnabled(su);
}

void Veicolo::MostroTastiAggiornamento(bool software)
{
    Tasto_Agg->setVisible(software);
    Tasto_Agg->setEnabled(software);
    Caric_Agg->setVisible(!software);
    Caric_Agg->setEnabled(!software);
}

void Veicolo::MostroTipoInstallazione(const QString& testo)
{
    TipoInst->setText(testo);
}

void Veicolo::ScrivoData(int primo, const QDate& d)
{
    AutoImp[primo]->setText(QString::number(d.day()).rightJustified(2, QLatin1Char('0')));
    AutoImp[primo + 1]->setText(QString::number(d.month()).rightJustified(2, QLatin1Char('0')));
    AutoImp[primo + 2]->setText(QString::number(d.year()).rightJustified(4, QLatin1Char('0')));
}

QDate Veicolo::DataRevisione() const
{
    return Archivi::DataDaParti(AutoImp[3]->text(), AutoImp[4]->text(), AutoImp[5]->text(), 100);
}

void Veicolo::Attivo_Click()
{
    ImpostoProprietaVeicolo(false);
    Shell.PuntatoreMouse = PuntatoreAttuale();
    ImpostoPuntatore(11);
    Link.FaseCom = FASE_ATTIVAZIONE;
    TimeOutTx->setInterval(2000);
    ScrivoCentralina(Protocollo::Riga(Protocollo::ComandoAvvioDati));
    Link.InterrogoDati = true;
    TimeOutTx->setEnabled(true);
}

// An OK box under the title "WARNING!".
static void Avviso140(int messaggio)
{
    Shell.Messaggio1 = Msg(messaggio);
    Shell.Messaggio2 = Msg(140);
    MostroMessaggio(Shell.Messaggio1, Shell.Messaggio2, 0);
}

static void Riga(const QByteArray& comando)
{
    ScrivoCentralina(Protocollo::Riga(comando));
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
        Avviso140(156);
        Riga(Protocollo::ComandoFineScambio);
        ImpostoProprietaVeicolo(true);
        break;
    case FASE_LETTURA_PERSONALE:
        Beep();
        Link.Collegato = false;
        Attesa::ScaricaIstanza();
        Avviso140(220);
        Riga(Protocollo::ComandoFineScambio);
        ImpostoProprietaVeicolo(true);
        break;
    case FASE_INVIO_TABELLA:
    case FASE_DATA_INSTALLAZIONE:
        Beep();
        Link.Collegato = false;
        MandoDati::ScaricaIstanza();
        Avviso140(212);
        Riga(Protocollo::ComandoFineTabella);
        break;
    case FASE_PROGRAMMAZIONE_SW:
    case FASE_VERIFICA_SW:
        Beep();
        Link.Collegato = false;
        ChiudoFileProgrammazione();
        Progsw::ScaricaIstanza();
        Avviso140(234);
        ImpostoProprietaVeicolo(true);
        break;
    case FASE_LETTURA_PRESSIONE:
    case FASE_SCRITTURA_PRESSIONE:
        Beep();
        Link.Collegato = false;
        Pressioni::ScaricaIstanza();
        Avviso140(246);
        Riga(Protocollo::ComandoFineScambio);
        ImpostoProprietaVeicolo(true);
        break;
    case FASE_SALVA_SERBATOIO:
    case FASE_LEGGI_SERBATOIO:
    case FASE_LEGGI_SERBATOIO_N:
        Beep();
        if (fase != FASE_LEGGI_SERBATOIO_N)
            Link.Collegato = false;
        if (LivSerb* s = LivSerb::Istanza()) {
            s->Segnalazione->setText(Msg(fase == FASE_LEGGI_SERBATOIO ? 253 : 218));
            s->Esci->setEnabled(true);
            s->Esci->setFocus();
        }
        break;
    case FASE_LEGGI_PARAMETRI:
    case FASE_LEGGI_PARAMETRI_N:
        if (!vecchio)
            Link.Collegato = false;
        if (Parametri* p = Parametri::Istanza()) {
            p->Segnalazione->clear();
            p->FuoriLinea->setEnabled(true);
            p->Esci->setEnabled(true);
            p->Esci->setFocus();
            if (vecchio) {
                p->Salva->setEnabled(true);
                p->BoxPers->setEnabled(true);
                p->TipoInst->setEnabled(true);
            }
        }
        break;
    case FASE_VERIFICA_PRESSIONI:
        Beep();
        Link.Collegato = false;
        if (Pressioni* p = Pressioni::Istanza()) {
            p->setEnabled(true);
            p->MostroVerificaConclusa(Msg(208));
        }
        Riga(Protocollo::ComandoFineScambio);
        break;
    case FASE_SALVA_PARAMETRI:
        Beep();
        Link.Collegato = false;
        if (Parametri* p = Parametri::Istanza()) {
            p->Segnalazione->setText(Msg(218));
            p->Esci->setEnabled(true);
            p->Esci->setFocus();
        }
        break;
    case FASE_PROGRAMMAZIONE_ULP:
        Beep();
        Link.Collegato = false;
        MandoDati::ScaricaIstanza();
        Avviso140(234);
        Riga(Protocollo::ComandoFineScambio);
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
    for (int passo = 0; passo < 2; ++passo) {
        const auto finestre = QApplication::topLevelWidgets();
        for (QWidget* w : finestre) {
            auto* f = qobject_cast<FormBase*>(w);
            if (!f || f->Scaricato())
                continue;
            const QString nome = f->NomeForm().trimmed().toUpper();
            if (nome == QLatin1String("PRESSIONI") || nome == QLatin1String("MANDODATI") ||
                nome == QLatin1String("MESSERR"))
                f->Scarica();
        }
    }
    if (Link.Collegato) {
        Link.Collegato = false;
        AggiornoStatoCollegamento();
        Beep();
        Avviso140(353);
    }
}

void Veicolo::Form_Unload(bool&)
{
    TimeOutTx->setEnabled(false);
    Dati_Out->setEnabled(false);
    if (Comunic().PortOpen())
        Comunic().setPortOpen(false);
    ChiudoPortaGSM();
    Shell.Funzione = 0;
    StatoCatalogo.MostroTipoInst = nullptr;
    ScaricaTutteTranne(QStringLiteral("ZEQ_INST"));
    if (ZEQ_Inst* m = ZEQ_Inst::Istanza()) {
        m->setEnabled(true);
        m->DopoDialogo();
    }
}
