#include "diagnosis/Parametri.h"

#include "platform/Timer.h"
#include "shell/Modulo.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

Parametri::Parametri()
{
    auto* l = new QVBoxLayout(this);
    TipoInst = new QComboBox(this);
    TipoInst->addItems({Msg(118), Msg(119)});
    l->addWidget(TipoInst);
    BoxPers = new QGroupBox(this);
    auto* lp = new QVBoxLayout(BoxPers);
    for (size_t i = 0; i < DatiPar.size(); ++i) {
        DatiPar[i] = new QLineEdit(BoxPers);
        DatiPar[i]->setMaxLength(i == 2 ? 2 : 4);
        lp->addWidget(DatiPar[i]);
    }
    Commutatore = new QCheckBox(BoxPers);
    GasForzo = new QCheckBox(BoxPers);
    lp->addWidget(Commutatore);
    lp->addWidget(GasForzo);
    l->addWidget(BoxPers);
    Salva = new QPushButton(QStringLiteral("Salva"), this);
    Esci = new QPushButton(QStringLiteral("Esci"), this);
    Segnalazione = new QLabel(this);
    l->addWidget(Salva);
    l->addWidget(Esci);
    l->addWidget(Segnalazione);
    FuoriLinea = new FormTimer(this, 200, false);
}
