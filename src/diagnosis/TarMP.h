#pragma once
// The MAP/TPS view: two raw values of the DT frames.
#include "platform/Form.h"

#include <array>

class QLabel;
class QPushButton;

class TarMP : public FormBase, public IstanzaPredefinita<TarMP> {
    Q_OBJECT
public:
    TarMP();
    void Form_Load();
    QString NomeForm() const override { return QStringLiteral("TARMP"); }

    std::array<QLabel*, 2> DatiMot1{};   // 0 T.P.S., 1 M.A.P.
    std::array<QLabel*, 2> LabMot1{};
    QPushButton* Esci = nullptr;

    // Sends "MF" (back to the normal frames), clears the view flag and unloads.
    void Esci_Click();
    // The raw TPS and MAP texts of the newest DT frame.
    void MostroValori(const QByteArray& tps, const QByteArray& map);

protected:
    void Form_KeyDown(int& keyCode, int shift) override;
    void Form_Unload(bool& cancel) override;
    // The close box leaves as the exit button does.
    void ChiusuraUtente() override { Esci_Click(); }
};
