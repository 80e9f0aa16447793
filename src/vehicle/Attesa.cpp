#include "vehicle/Attesa.h"

#include "platform/Timer.h"
#include "shell/Modulo.h"

#include <QLabel>
#include <QVBoxLayout>

Attesa::Attesa()
{
    auto* l = new QVBoxLayout(this);
    LabMess = new QLabel(this);
    LabMess->setObjectName(QStringLiteral("LabMess"));
    LabMess->setAlignment(Qt::AlignCenter);
    LabMess->setWordWrap(true);
    l->setContentsMargins(24, 24, 24, 24);
    l->addWidget(LabMess);
    setMinimumSize(Twip(6000), Twip(1500));
}

void Attesa::Form_Load()
{
    Shell.Messaggio1 = Msg(222);
    Shell.Messaggio2 = Msg(223);
    setWindowTitle(Shell.Messaggio2);
    LabMess->setText(Shell.Messaggio1);
}
