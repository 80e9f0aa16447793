#include "remote/Aggancio.h"

#include "diagnosis/DatiMotore.h"
#include "ecu_link/StatoLink.h"
#include "platform/Resources.h"
#include "platform/SerialControl.h"
#include "platform/Timer.h"
#include "remote/ModemLink.h"
#include "remote/StatoGSM.h"
#include "shell/Config.h"
#include "shell/Modulo.h"

#include <QGridLayout>
#include <QLabel>
#include <QPushButton>

Aggancio::Aggancio()
{
    resize(Twip(6000), Twip(2400));
    auto* l = new QGridLayout(this);
    Segnalazione = new QLabel(this);
    Segnalazione->setObjectName(QStringLiteral("Segnalazione"));
    Segnalazione->setAlignment(Qt::AlignCenter);
    Segnalazione->setWordWrap(true);
    Segnalazione->setFrameShape(QFrame::Panel);
    Segnalazione->setFrameShadow(QFrame::Sunken);
    Segnalazione->setMinimumHeight(Twip(600));
    l->addWidget(Segnalazione, 0, 0, 1, 3);
    auto tasto = [&](const char* nome, int colonna) {
        auto* t = new QPushButton(this);
        t->setObjectName(QLatin1String(nome));
        t->setMinimumSize(Twip(1500), Twip(700));
        t->setIconSize(QSize(Twip(1400), Twip(600)));
        l->addWidget(t, 1, colonna);
        return t;
    };
    Collega = tasto("Collega", 0);
    Interrompi = tasto("Interrompi", 1);
    Esci = tasto("Esci", 2);
    Interrompi->setVisible(false);
    Interrompi->setEnabled(false);
    connect(Collega, &QPushButton::clicked, this, &Aggancio::Collega_Click);
    connect(Interrompi, &QPushButton::clicked, this, &Aggancio::Interrompi_Click);
    connect(Esci, &QPushButton::clicked, this, &Aggancio::Esci_Click);
}

void Aggancio::Form_Load()
{
    setWindowTitle(Msg(368));
    ImmaginiTasto(Collega, IdRisorsa(149), IdRisorsa(149), IdRisorsa(150));
    ImmaginiTasto(Interrompi, IdRisorsa(133));
    ImmaginiTasto(Esci, IdRisorsa(103));
}

void Aggancio::MostroStato(const QString& testo) { Segnalazione->setText(testo); }

void Aggancio::MostroChiamata(bool inCorso)
{
    Interrompi->setVisible(inCorso);
    Interrompi->setEnabled(inCorso);
    Collega->setVisible(!inCorso);
    Collega->setEnabled(!inCorso);
    Esci->setVisible(!inCorso);
    Esci->setEnabled(!inCorso);
}

void Aggancio::MostroPreparazione()
{
    Collega->setEnabled(false);
    Esci->setEnabled(false);
}

void Aggancio::Collega_Click()
{
    ChiudoPortaGSM();
    if (!NumeroTelefonoValido(GSM.Telefono)) {
        MostroStato(Msg(378));
        return;
    }
    SerialControl& porta = ComGSM();
    int errore = porta.setCommPort(PortaModem());
    if (errore == 0)
        errore = porta.setPortOpen(true);
    if (errore != 0) {
        MostroStato(porta.UltimoErrore().isEmpty() ? QStringLiteral("Error %1").arg(errore) : porta.UltimoErrore());
        ImpostoPuntatore(1);
        DatiMotore::AvvioCollegamento();
        ChiudoPortaGSM();
        MostroChiamata(false);
        return;
    }
    CollegoRicezioneGSM();
    DatiMotore::FermoCollegamento();
    GSM.BufferGSM.clear();
    ImpostoPuntatore(11);
    MostroStato(Msg(313));
    DatiMotore::ImpostoModem(MS_COMANDO_MODEM);
    MostroPreparazione();
    GSM.StatoGSM = GSM_ATTESA_ATZ;
    ScrivoModem(QByteArrayLiteral("ATZ\r"));
    DatiMotore::AvvioModem();
}

void Aggancio::Interrompi_Click()
{
    DatiMotore::FermoModem();
    MostroChiamata(false);
    ImpostoPuntatore(1);
    ChiudoPortaGSM();
    GSM.StatoGSM = GSM_CONNESSO;
    MostroStato(Msg(316));
}

void Aggancio::Esci_Click() { Scarica(); }

void Aggancio::ChiusuraUtente()
{
    if (InDialogoModem(GSM.StatoGSM))
        Interrompi_Click();
    Scarica();
}

void Aggancio::Form_Unload(bool&)
{
    if (Link.DatiRicevuti)
        DatiMotore::AvvioCollegamento();
}
