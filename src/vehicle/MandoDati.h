#pragma once
// Modal confirmation dialog of the configuration send: its confirm buttons start the map
// upload ("MU0") or the programming image transfer ("MWin"); the reply processor writes
// its progress into Segnalazione and unloads it at the end of a transfer.
#include "platform/Form.h"

class QLabel;
class QPushButton;

class MandoDati : public FormBase, public IstanzaPredefinita<MandoDati> {
    Q_OBJECT
public:
    MandoDati();
    void Form_Load() {}
    QString NomeForm() const override { return QStringLiteral("MANDODATI"); }

    QLabel* Segnalazione = nullptr;
    QPushButton* TastoSI = nullptr;
    QPushButton* TastoSIULP = nullptr;
    QPushButton* TastoNO = nullptr;
    QPushButton* Tastook = nullptr;

protected:
    void Scollega() override { ScollegaIstanza(this); }
};
