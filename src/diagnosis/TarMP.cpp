#include "diagnosis/TarMP.h"

#include "diagnosis/DatiMotore.h"
#include "ecu_link/StatoLink.h"
#include "platform/PictureBox.h"
#include "platform/Resources.h"
#include "shell/Modulo.h"

#include <QLabel>
#include <QPushButton>

TarMP::TarMP()
{
    setFixedSize(330, 150);
    for (int i = 0; i < 2; ++i) {
        LabMot1[i] = new QLabel(this);
        LabMot1[i]->setFont(FontSansSerif(9, true));
        LabMot1[i]->setGeometry(12, 14 + 40 * i, 170, 28);
        DatiMot1[i] = new QLabel(this);
        DatiMot1[i]->setFont(FontSansSerif(11, true));
        DatiMot1[i]->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        DatiMot1[i]->setStyleSheet(QStringLiteral("background:white;border:1px solid #5a6b7c;padding:2px"));
        DatiMot1[i]->setGeometry(190, 14 + 40 * i, 120, 28);
    }
    Esci = new QPushButton(this);
    Esci->setObjectName(QStringLiteral("Esci"));
    Esci->setFlat(true);
    Esci->setIconSize(QSize(81, 57));
    Esci->setGeometry(330 - 12 - 81, 150 - 8 - 57, 81, 57);
    connect(Esci, &QPushButton::clicked, this, &TarMP::Esci_Click);
}

void TarMP::Form_Load()
{
    setWindowTitle(Msg(370));
    LabMot1[0]->setText(Msg(375));
    LabMot1[1]->setText(Msg(376));
    ImmaginiTasto(Esci, IdRisorsa(132));
}

void TarMP::MostroValori(const QByteArray& tps, const QByteArray& map)
{
    DatiMot1[0]->setText(QString::fromLatin1(tps));
    DatiMot1[1]->setText(QString::fromLatin1(map));
}

void TarMP::Esci_Click()
{
    Comando(Protocollo::ComandoDatiNormali);
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
        Comando(Protocollo::ComandoDatiNormali);
        Link.TarMPattivo = false;
    }
    if (DatiMotore* d = DatiMotore::Istanza())
        d->FineTarMP();
}
