#pragma once
// Modal confirmation dialog of the configuration send. In map mode its confirm button saves
// the installation record and starts the map upload ("MU0"); in programming mode (ECU type 2
// and above) TastoSIULP starts the programming image transfer. The reply processor shows
// the progress and unloads it at the end of a transfer.
#include "platform/Form.h"

#include <array>
#include <functional>

class QGroupBox;
class QLabel;
class QProgressBar;
class QPushButton;

class MandoDati : public FormBase, public IstanzaPredefinita<MandoDati> {
    Q_OBJECT
public:
    MandoDati();
    void Form_Load();
    QString NomeForm() const override { return QStringLiteral("MANDODATI"); }

    QGroupBox* BoxQOX = nullptr;   // map transfer
    QGroupBox* BoxF19 = nullptr;   // programming image
    std::array<QLabel*, 7> LabInvioD{};
    std::array<QLabel*, 2> VersioneT{};   // map version on the ECU, on the PC
    std::array<QLabel*, 5> VersioneF{};   // ECU map, PC map, software, its version, project
    QLabel* Segnalazione = nullptr;
    QProgressBar* Avanzamento = nullptr;
    QPushButton* TastoSI = nullptr;
    QPushButton* TastoSIULP = nullptr;
    QPushButton* TastoNO = nullptr;
    QPushButton* Tastook = nullptr;

    // Saves the installation record before a transfer; 0 = saved. Set by the opener.
    std::function<int()> SalvoCliente;

    // Map mode: the map frame and TastoSI; versionePC is the map version of the working file.
    void ModoMappa(const QString& versionePC);
    // The upload is at block n (from 0) of totale.
    void MostroAvanzamento(int n, int totale);

    // ---- programming mode (ECU type 2 and above) ----
    // The image frame and TastoSIULP; versioni are VersioneF(1) to (4).
    void ModoProgrammazione(const std::array<QString, 4>& versioni);
    // The image transfer has sent line n.
    void MostroAvanzamento(int n);
    // The image transfer ended on an error: the text stays, only Tastook is left.
    void MostroErroreProgrammazione(const QString& testo);
    // Saves the record, then starts the image transfer ("MWin", state 20).
    void TastoSIULP_Click();

    void TastoSI_Click();
    void TastoNO_Click();
    void Tastook_Click();

    // The record is saved through SalvoCliente; a failed save is told with message 216 and
    // gives false (the dialog stays open, nothing is sent).
    bool SalvoScheda();

private:
    // Saves the record, then starts a transfer: caption, state, command and watchdog.
    bool AvvioTrasferimento(QPushButton* tasto, int messaggio, int fase, const QByteArray& comando,
                            int intervallo, bool salvoPuntatore);

protected:
    // The user cannot close the dialog while the map or the image is being sent; the
    // program's unloads (time-out, lost link) still close it.
    void ChiusuraUtente() override;
};
