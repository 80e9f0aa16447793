#include "diagnosis/TarMP.h"

#include "diagnosis/DatiMotore.h"
#include "ecu_link/StatoLink.h"
#include "shell/Modulo.h"

#include <QGridLayout>
#include <QLabel>
#include <QPushButton>

TarMP::TarMP()
{
    auto* l = new QGridLayout(this);
    for (int i = 0; i < 2; ++i) {
        LabMot1[i] = new QLabel(this);
        DatiMot1[i] = new QLabel(this);
        l->addWidget(LabMot1[i], i, 0);
        l->addWidget(DatiMot1[i], i, 1);
    }
    Esci = new QPushButton(QStringLiteral("Esci"), this);
    l->addWidget(Esci, 2, 1);
    connect(Esci, &QPushButton::clicked, this, &TarMP::Esci_Click);
}

void TarMP::Form_Load()
{
    setWindowTitle(Msg(370));
    LabMot1[0]->setText(Msg(375));
    LabMot1[1]->setText(Msg(376));
}

void TarMP::Esci_Click()
{
    ScrivoCentralina(Protocollo::Riga(Protocollo::ComandoDatiNormali));
    Link.TarMPattivo = false;
    Scarica();
}

void TarMP::Form_KeyDown(int& keyCode, int shift)
{
    if (keyCode == Tasti::Esc && shift == 0) {
        keyCode = 0;
        Esci_Click();
    }
}

void TarMP::Form_Unload(bool&)
{
    // However the view closes, the ECU goes back to the normal live frames; otherwise the
    // live-data screen would keep receiving MAP/TPS frames only.
    if (Link.TarMPattivo) {
        ScrivoCentralina(Protocollo::Riga(Protocollo::ComandoDatiNormali));
        Link.TarMPattivo = false;
    }
    if (DatiMotore* d = DatiMotore::Istanza()) {
        d->setEnabled(true);
        d->T_MapTPS->setEnabled(true);
        d->T_MapTPS->setFocus();
    }
}
