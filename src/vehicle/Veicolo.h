#pragma once
// The vehicle-installation screen: the controls the ECU link drives (link indicator,
// activation, ECU information and update buttons, map type, plate, dates) and its two
// watchdogs: the one-shot reply watchdog TimeOutTx of every request made from this screen
// and its dialogs, and the link watchdog Dati_Out restarted by every live frame.
#include "platform/Form.h"

#include <QDate>

#include <array>

class QLabel;
class QLineEdit;
class QPushButton;
class FormTimer;

class Veicolo : public FormBase, public IstanzaPredefinita<Veicolo> {
    Q_OBJECT
public:
    Veicolo();
    void Form_Load();
    QString NomeForm() const override { return QStringLiteral("VEICOLO"); }

    QLabel* StatoCom = nullptr;
    QPushButton* Attivo = nullptr;
    QPushButton* Tasto_Inf = nullptr;
    QPushButton* Tasto_Agg = nullptr;
    QPushButton* Caric_Agg = nullptr;
    QLabel* TipoInst = nullptr;
    QLineEdit* Cliente = nullptr;
    std::array<QLineEdit*, 6> AutoImp{};
    FormTimer* TimeOutTx = nullptr;
    FormTimer* Dati_Out = nullptr;

    // What the link and the reply processor show on this screen.
    void MostroStatoCollegamento(bool collegato);
    void MostroTastiAggiornamento(bool software);   // software update (type 1) or loader update
    void MostroTipoInstallazione(const QString& testo);
    // Writes a date into the installation (primo 0) or last-overhaul (primo 3) boxes.
    void ScrivoData(int primo, const QDate& data);
    // The last-overhaul date of the boxes; invalid unless a real date of year 100 or later.
    QDate DataRevisione() const;

    void Attivo_Click();
    void TimeOutTx_Timer();
    void Dati_Out_Timer();

protected:
    void Form_Unload(bool& cancel) override;
    void Scollega() override { ScollegaIstanza(this); }
};
