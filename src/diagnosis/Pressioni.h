#pragma once
// The pressure-calibration dialog: the controls the pressure replies and the identity
// check after the power cycle write to.
#include "platform/Form.h"

#include <array>

class QLabel;
class QPushButton;

class Pressioni : public FormBase, public IstanzaPredefinita<Pressioni> {
    Q_OBJECT
public:
    Pressioni();
    void Form_Load() {}
    QString NomeForm() const override { return QStringLiteral("PRESSIONI"); }

    QLabel* LabTar = nullptr;
    std::array<QLabel*, 2> LabDato{};
    QLabel* DatoP = nullptr;
    QLabel* LabInf = nullptr;
    QPushButton* Tastook = nullptr;
    QPushButton* TastoOK1 = nullptr;
    QPushButton* TastoOK2 = nullptr;
    QPushButton* TastoOK3 = nullptr;
    QPushButton* TastoOK4 = nullptr;
    QPushButton* TastoRip = nullptr;
    QPushButton* TastoEsci = nullptr;
    QPushButton* TastoAbbandona = nullptr;

    // The ECU was switched on again: the next live frame asks for its identity.
    void TastoOK4_Click();
    // The identity check after the power cycle has ended (its verdict in the label, or
    // why it did not answer): only the button that goes on is left.
    void MostroVerificaConclusa(const QString& testo);

protected:
    void Scollega() override { ScollegaIstanza(this); }
};
