#pragma once
// The ECU programming screen: the controls the programming replies and the version check
// after programming write to. Its software list and buttons are completed with the
// programming screen itself.
#include "platform/Form.h"

#include <array>

class QGroupBox;
class QLabel;
class QPushButton;
class QTableWidget;

class Progsw : public FormBase, public IstanzaPredefinita<Progsw> {
    Q_OBJECT
public:
    Progsw();
    void Form_Load() {}
    QString NomeForm() const override { return QStringLiteral("PROGSW"); }

    QLabel* LabAgg = nullptr;                 // progress and verdict caption
    std::array<QLabel*, 2> VersSoft{};        // 0 installed version, 1 version programmed
    QPushButton* TastoSI = nullptr;
    QPushButton* TastoEsci = nullptr;
    std::array<QPushButton*, 2> Tastook{};
    QPushButton* TastoOKA = nullptr;
    QPushButton* TastoAbbandona = nullptr;
    QPushButton* TastoVS = nullptr;
    QLabel* LabVS = nullptr;
    QGroupBox* BoxSW = nullptr;
    QTableWidget* GrigliaSW = nullptr;
    QPushButton* EsciVS = nullptr;

protected:
    void Scollega() override { ScollegaIstanza(this); }
};
