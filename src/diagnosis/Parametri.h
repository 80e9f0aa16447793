#pragma once
// The personalisation screen: installation type, changeover threshold, drooping,
// changeover temperature, forced gas, changeover switch and the three tank values, checked
// against LIMITI.TXT and stored in the ECU ("MUFS") or, with the older ECU software, in
// fixed records of the vehicle's personal map. Also the screen interface the parameter
// replies fill.
#include "platform/Form.h"

#include <QByteArray>
#include <QList>
#include <array>
#include <utility>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class FormTimer;
class QAbstractButton;

// ---- the value boxes of the parameter screens ----
// Focus in: blanks trimmed. Focus out: the number as a whole number right-aligned in the
// box (an empty box becomes 0).
void FuocoCasella(QLineEdit* casella, bool entra);
// The live tank-sensor reading (value 5 of the newest live record) into the box, when it
// fits.
void LivelloInCasella(QLineEdit* casella);

// ---- older ECU software: the parameter records of the personal map ----
// The records read into the screen: DatiPar 0-5 as texts right-aligned in their boxes
// (6 characters, the sampling number 2; "" when the main record is not numeric or cannot
// be shown whole), forced gas and changeover switch (0 or 1, -1 when not valid), and the
// result: 0 every record valid, -1 otherwise.
struct ParametriMappaVecchia {
    std::array<QString, 6> testi;
    int gasForzo = -1;
    int commutatore = -1;
    int esito = 0;
};
ParametriMappaVecchia LeggoRecordParametri(const QByteArray& dati);

// The parameter records written by the older-software save, in order, with their 6-character
// values: threshold, drooping, temperature, forced gas, switch, tank minimum, maximum and
// sampling number (texts as in the boxes, check boxes 0 or 1).
QList<std::pair<int, QByteArray>> RecordParametri(const std::array<QString, 6>& dati, int gasForzo,
                                                 int commutatore);

// ---- what the parameter replies show on a screen ----
// The personalisation and tank screens share these controls: the changeover switch, the
// two level buttons, save, exit, the status line and the off-line check.
class SchermoParametri {
public:
    virtual ~SchermoParametri() = default;

    QCheckBox* Commutatore = nullptr;
    QPushButton* AcqMin = nullptr;
    QPushButton* AcqMax = nullptr;
    QPushButton* Salva = nullptr;
    QPushButton* Esci = nullptr;
    QLabel* Segnalazione = nullptr;
    FormTimer* FuoriLinea = nullptr;

    // DatiPar(i) shows a value read from the ECU in black, right-aligned; false (nothing
    // shown) when it does not fit the box.
    bool MostroValoreLetto(int i, const QByteArray& testo);
    // DatiPar(i) shows the default in red.
    void MostroPredefinito(int i, const QString& testo);
    // Check box 0 the changeover switch, 1 forced gas.
    virtual void MostroInterruttore(int quale, bool acceso) = 0;
    // The read is over: controls back, status line empty. parametriCompleti: a complete Rfn
    // reply was taken (the tank screen's parameter string holds what the ECU reported).
    virtual void MostroFineLettura(bool parametriCompleti) = 0;
    // The store is over with message n.
    virtual void MostroFineSalvataggio(int messaggio) = 0;
    // Status line.
    void MostroSegnalazione(const QString& testo);

protected:
    // The screen's value box DatiPar(i).
    virtual QLineEdit* Casella(int i) const = 0;
};

class Parametri : public FormBase, public IstanzaPredefinita<Parametri>, public SchermoParametri {
    Q_OBJECT
public:
    Parametri();
    void Form_Load();
    QString NomeForm() const override { return QStringLiteral("PARAMETRI"); }

    QComboBox* TipoInst = nullptr;
    QGroupBox* BoxPers = nullptr;
    std::array<QLineEdit*, 6> DatiPar{};
    std::array<QLabel*, 13> LabParametri{};
    QCheckBox* GasForzo = nullptr;
    QGroupBox* Serbatoio = nullptr;

    // Limits of threshold, drooping and temperature (minimum, maximum).
    std::array<std::pair<double, double>, 3> Limiti{};

    void TipoInst_Click();
    void Salva_Click();
    void Esci_Click();
    void AcqMin_Click();
    void AcqMax_Click();
    void FuoriLinea_Timer();
    // 0 read, 1 file missing, 2 a line without its three separators or a read error.
    int LeggoLimiti(const QString& percorso);
    // Fills the value controls from the records of StatoVeicolo.FileTabella, a record that
    // cannot be shown by the map's default in red: 0 every record valid, -1 otherwise, -2
    // when the file could not be read.
    int LeggoParametri();

    void MostroInterruttore(int quale, bool acceso) override;
    void MostroFineLettura(bool parametriCompleti) override;
    void MostroFineSalvataggio(int messaggio) override;
    // Reply watchdog: the read (older software: the controls come back) or the store ended
    // without a reply.
    void MostroLetturaInterrotta(bool vecchio);
    void MostroSalvataggioInterrotto();
    // The installation type chosen (the list index).
    int TipoScelto() const;

protected:
    void Form_KeyPress(int& ascii) override;
    bool eventFilter(QObject* o, QEvent* e) override;

private:
    int indiceCampo(QObject* o) const;
    void sposto(QWidget* w);
    void controlliValori(bool abilitati);
    bool controlloLimiti();
    void salvoMappa();
    QLineEdit* Casella(int i) const override { return DatiPar[size_t(i)]; }
    // The personal map this opening prepared and read ("" none), and whether some of its
    // records were not valid: then it is written only with every field a number.
    QString m_mappaLetta;
    bool m_recordErrati = false;
};

// Picture n of the current language on a button, with disabled picture d (0: picture n);
// pressed shows picture n.
void ImmagineTasto(QAbstractButton* tasto, int n, int d = 0);
