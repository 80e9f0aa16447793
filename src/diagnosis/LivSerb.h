#pragma once
// The tank-level screen: the controls the parameter replies and the reply watchdog write
// to.
#include "platform/Form.h"

#include <array>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class FormTimer;

class LivSerb : public FormBase, public IstanzaPredefinita<LivSerb> {
    Q_OBJECT
public:
    LivSerb();
    void Form_Load() {}
    QString NomeForm() const override { return QStringLiteral("LIVSERB"); }

    std::array<QLineEdit*, 2> DatiPar{};
    QCheckBox* Commutatore = nullptr;
    QPushButton* AcqMin = nullptr;
    QPushButton* AcqMax = nullptr;
    QPushButton* Salva = nullptr;
    QPushButton* Esci = nullptr;
    QLabel* Segnalazione = nullptr;
    FormTimer* FuoriLinea = nullptr;

protected:
    void Scollega() override { ScollegaIstanza(this); }
};
