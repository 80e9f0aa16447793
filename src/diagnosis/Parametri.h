#pragma once
// The personalisation screen: the controls the parameter replies and the reply watchdog
// write to.
#include "platform/Form.h"

#include <array>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class FormTimer;

class Parametri : public FormBase, public IstanzaPredefinita<Parametri> {
    Q_OBJECT
public:
    Parametri();
    void Form_Load() {}
    QString NomeForm() const override { return QStringLiteral("PARAMETRI"); }

    std::array<QLineEdit*, 6> DatiPar{};
    QCheckBox* Commutatore = nullptr;
    QCheckBox* GasForzo = nullptr;
    QComboBox* TipoInst = nullptr;
    QGroupBox* BoxPers = nullptr;
    QPushButton* Salva = nullptr;
    QPushButton* Esci = nullptr;
    QLabel* Segnalazione = nullptr;
    FormTimer* FuoriLinea = nullptr;

protected:
    void Scollega() override { ScollegaIstanza(this); }
};
