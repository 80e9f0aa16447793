#pragma once
// The configuration form: the serial ports of the ECU and of the GSM modem and the
// telephone number of the assistance station, kept in ZEQINST.INI.
#include "platform/Form.h"

#include <array>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

class Config : public FormBase, public IstanzaPredefinita<Config> {
    Q_OBJECT
public:
    Config();
    void Form_Load();
    QString NomeForm() const override { return QStringLiteral("CONFIG"); }

    QComboBox* EleS;
    QComboBox* EleSGSM;
    QLineEdit* NumTel;
    std::array<QLabel*, 3> LabConf{};
    QLabel* Intitolo;
    QPushButton* Salva;
    QPushButton* Esci;
    QLabel* LogoZEQ;

    void Salva_Click();
    void Esci_Click();

    // List position of a stored port text ("COM3" -> 2); -1 when it is not COM1..COM10.
    static int PosizionePorta(const QString& testo, int lunghezza);

protected:
    void Form_KeyDown(int& keyCode, int shift) override;
    bool eventFilter(QObject* o, QEvent* e) override;

private:
    void EleS_Click();
    void EleSGSM_Click();
    void NumTel_Change();
    void Form_Resize() override;
    QString m_telefonoCaricato;
    int m_portaCaricata = -1;
    int m_portaGSMCaricata = -1;
    bool m_caricamento = false;
};

// A telephone number may hold only digits and "+" (a CR or any other character would
// reach the modem as part of a command). An empty number is not valid for dialling.
bool NumeroTelefonoValido(const QString& numero);
