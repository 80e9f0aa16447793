#pragma once
// The customer list: the complete archive or the customers whose names lie in a range
// picked with an incremental name search, printed with the report layout of the language.
#include "platform/Form.h"

#include <QList>

class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QRadioButton;

class Elenco : public FormBase, public IstanzaPredefinita<Elenco> {
    Q_OBJECT
public:
    Elenco();
    void Form_Load();
    QString NomeForm() const override { return QStringLiteral("ELENCO"); }

    QLabel* TitoloEl;
    QGroupBox* Box_Stampe;
    QList<QRadioButton*> S_Lista;    // 0 complete, 1 partial
    QList<QLabel*> LabLista;         // "from", "to"
    QList<QLineEdit*> Ditta_Nome;    // range ends
    QList<QListWidget*> ElencoNomi;  // names beginning with the box's text
    QPushButton* Stampa;
    QPushButton* Esci;
    QLabel* Segnalo;
    QLabel* LogoZEQ;
    QLabel* LogoQox;

    void S_Lista_Click(int index);
    void Ditta_Nome_Change(int index);
    void ElencoNomi_DblClick(int index);
    void Stampa_Click();
    void Esci_Click();

    // Rows printed by the last print (-1 when it failed).
    int RighePrecedenti() const { return m_righe; }

protected:
    void Form_KeyDown(int& keyCode, int shift) override;

private:
    void Form_Resize() override;
    int m_righe = 0;
};
