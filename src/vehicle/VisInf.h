#pragma once
// The ECU information box: what the connected ECU reported in its identification, one value
// per line, with a warning line. Modeless; it closes when it loses the focus or on OK.
#include "platform/Form.h"

#include <array>

class QLabel;
class QPushButton;

class VisInf : public FormBase, public IstanzaPredefinita<VisInf> {
    Q_OBJECT
public:
    VisInf();
    void Form_Load();
    QString NomeForm() const override { return QStringLiteral("VISINF"); }

    std::array<QLabel*, 9> LabInfC{};
    std::array<QLabel*, 9> InfVis{};
    QLabel* InfoVis = nullptr;
    QPushButton* Tastook = nullptr;

    // Writes the identity record into the value lines and the warning line.
    void MostroIdentita();

    void Form_LostFocus();
    void Tastook_Click();

protected:
    void changeEvent(QEvent* e) override;

private:
    bool m_attivata = false;
};
