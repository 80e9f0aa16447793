#pragma once
// The live engine-data screen: opens the ECU port, asks for live frames and watches them
// with two timers: Dati_Out, the no-data watchdog restarted by every frame, and TimeOutTx,
// the watchdog of the identity request the first frame sends.
#include "platform/Form.h"

#include <array>

class QLabel;
class QPushButton;
class FormTimer;

class DatiMotore : public FormBase, public IstanzaPredefinita<DatiMotore> {
    Q_OBJECT
public:
    DatiMotore();
    void Form_Load();
    QString NomeForm() const override { return QStringLiteral("DATIMOTORE"); }

    std::array<QLabel*, 15> DatiMot{};    // engine page values
    std::array<QLabel*, 16> LabMot1{};    // graphs page captions
    std::array<QLabel*, 16> DatiMot1{};   // graphs page values
    QPushButton* PaginaMotore = nullptr;
    QPushButton* PaginaGrafici = nullptr;
    QPushButton* T_MapTPS = nullptr;
    QPushButton* TastoGSM = nullptr;
    QPushButton* ChiudoGSM = nullptr;
    QLabel* Informo = nullptr;
    QLabel* Registrazione = nullptr;      // says when the recording file cannot be written
    QPushButton* Esci = nullptr;
    FormTimer* VisDati = nullptr;
    FormTimer* Dati_Out = nullptr;
    FormTimer* TimeOutTx = nullptr;
    FormTimer* TimeOutModem = nullptr;

    void Esci_Click();
    void T_MapTPS_Click();
    void Dati_Out_Timer();
    void TimeOutTx_Timer();
    void TimeOutModem_Timer();
    void TastoGSM_Click();
    void ChiudoGSM_Click();

    // What the remote-assistance link shows: a call up (hang-up button) or not (call
    // button); a remote exchange open (status line, page controls locked) or not; the
    // exchange's status text.
    void MostroChiamataGSM(bool attiva);
    void MostroScambioRemoto(bool aperto);
    void MostroInformo(const QString& testo);

protected:
    void Form_KeyDown(int& keyCode, int shift) override;
    void Form_Unload(bool& cancel) override;
    void Scollega() override { ScollegaIstanza(this); }

private:
    void InizializzoVariabili();
};
