#include "diagnosis/LivSerb.h"

#include "platform/Timer.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

LivSerb::LivSerb()
{
    auto* l = new QVBoxLayout(this);
    for (auto& d : DatiPar) {
        d = new QLineEdit(this);
        d->setMaxLength(6);
        l->addWidget(d);
    }
    Commutatore = new QCheckBox(this);
    AcqMin = new QPushButton(QStringLiteral("Min"), this);
    AcqMax = new QPushButton(QStringLiteral("Max"), this);
    Salva = new QPushButton(QStringLiteral("Salva"), this);
    Esci = new QPushButton(QStringLiteral("Esci"), this);
    Segnalazione = new QLabel(this);
    for (QWidget* w : std::initializer_list<QWidget*>{Commutatore, AcqMin, AcqMax, Salva, Esci,
                                                      Segnalazione})
        l->addWidget(w);
    FuoriLinea = new FormTimer(this, 200, false);
}
