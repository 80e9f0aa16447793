#pragma once
// The two modal boxes of the program: MessErr (a text with OK, or YES and NO) and SegnalEr
// (the ECU does not communicate: quit, try again, go on).
#include "platform/Form.h"

class QLabel;
class QPushButton;

class MessErr : public FormBase, public IstanzaPredefinita<MessErr> {
    Q_OBJECT
public:
    MessErr();
    void Form_Load();
    QString NomeForm() const override { return QStringLiteral("MESSERR"); }

    QLabel* Messaggio;
    QPushButton* Esci;
    QPushButton* Cancella;

    void Esci_Click();
    void Cancella_Click();
    // A YES/NO box: it waits for the user's answer.
    bool ChiedeRisposta() const;
    // This box's own answer: -1 OK or YES, 0 NO or closed without a button.
    int Risposta() const { return m_risposta; }

private:
    int m_risposta = 0;
};

class SegnalEr : public FormBase, public IstanzaPredefinita<SegnalEr> {
    Q_OBJECT
public:
    SegnalEr();
    void Form_Load();
    QString NomeForm() const override { return QStringLiteral("SEGNALER"); }

    QLabel* Messaggio;
    QPushButton* Continua;
    QPushButton* Riprova;
    QPushButton* Esci;
};
