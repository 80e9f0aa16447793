#include "vehicle/Attesa.h"

#include "shell/Modulo.h"

#include <QLabel>
#include <QVBoxLayout>

Attesa::Attesa()
{
    auto* l = new QVBoxLayout(this);
    LabMess = new QLabel(this);
    LabMess->setObjectName(QStringLiteral("LabMess"));
    l->addWidget(LabMess);
}

void Attesa::Form_Load()
{
    Shell.Messaggio1 = Msg(222);
    Shell.Messaggio2 = Msg(223);
    setWindowTitle(Shell.Messaggio2);
    LabMess->setText(Shell.Messaggio1);
}
