#pragma once
// Overhaul reminder letters: one printed letter for every customer whose last overhaul is on
// or before a typed date, merged into the letter template of the current language; and the
// editing of that template in the desktop's text editor.
#include "platform/Form.h"

#include <QList>

class QLabel;
class QLineEdit;
class QPushButton;

class LettRev : public FormBase, public IstanzaPredefinita<LettRev> {
    Q_OBJECT
public:
    LettRev();
    void Form_Load();
    QString NomeForm() const override { return QStringLiteral("LETTREV"); }

    QList<QLineEdit*> DataAvv;   // day, month, year
    QList<QLabel*> LabCli;       // separators
    QPushButton* Stampa;
    QPushButton* Modifica;
    QPushButton* Esci;
    QLabel* LabStampa;
    QLabel* LabRev;
    QLabel* Intitolo;
    QLabel* LogoQox;
    QLabel* LogoZEQ;

    void Stampa_Click();
    void Modifica_Click();
    void Esci_Click();
    void DataAvv_GotFocus(int i);
    void DataAvv_LostFocus(int i);

    // Letters printed by the last run.
    int LetterePrecedenti() const { return m_lettere; }

protected:
    void Form_KeyDown(int& keyCode, int shift) override;
    void Form_KeyPress(int& ascii) override;
    bool eventFilter(QObject* o, QEvent* e) override;

private:
    void Form_Resize() override;
    void Abilito(bool si);
    int m_lettere = 0;
};
