#include "vehicle/MandoDati.h"

#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

// The confirm buttons' save-and-send steps belong to the configuration send and are
// connected there; this dialog carries the controls the transfers write to.
MandoDati::MandoDati()
{
    auto* l = new QVBoxLayout(this);
    Segnalazione = new QLabel(this);
    TastoSI = new QPushButton(QStringLiteral("SI"), this);
    TastoSIULP = new QPushButton(QStringLiteral("SI"), this);
    TastoNO = new QPushButton(QStringLiteral("NO"), this);
    Tastook = new QPushButton(QStringLiteral("OK"), this);
    Tastook->setVisible(false);
    Tastook->setEnabled(false);
    for (QWidget* w : {static_cast<QWidget*>(Segnalazione), static_cast<QWidget*>(TastoSI),
                       static_cast<QWidget*>(TastoSIULP), static_cast<QWidget*>(TastoNO),
                       static_cast<QWidget*>(Tastook)})
        l->addWidget(w);
}
