#pragma once
// The modeless wait box shown while the personal map is read back from the ECU.
#include "platform/Form.h"

class QLabel;

class Attesa : public FormBase, public IstanzaPredefinita<Attesa> {
    Q_OBJECT
public:
    Attesa();
    void Form_Load();
    QString NomeForm() const override { return QStringLiteral("ATTESA"); }
    QLabel* LabMess = nullptr;
};
