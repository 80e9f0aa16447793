#pragma once
// The modem connection dialog: opens the modem port, resets the modem, turns its echo off
// and dials the assistance station. The dialogue itself runs in the receive path
// (GestioneGSM) and the live-data screen's watchdog; the dialog shows where it stands.
#include "platform/Form.h"

class QLabel;
class QPushButton;

class Aggancio : public FormBase, public IstanzaPredefinita<Aggancio> {
    Q_OBJECT
public:
    Aggancio();
    void Form_Load();
    QString NomeForm() const override { return QStringLiteral("AGGANCIO"); }

    void Collega_Click();
    void Interrompi_Click();
    void Esci_Click();

    // What the dialogue shows: the status line; a call being dialled (only Interrompi) or
    // not (Collega and Esci); the modem being prepared (no button).
    void MostroStato(const QString& testo);
    void MostroChiamata(bool inCorso);
    void MostroPreparazione();

    QPushButton* Collega = nullptr;
    QPushButton* Interrompi = nullptr;
    QPushButton* Esci = nullptr;
    QLabel* Segnalazione = nullptr;

protected:
    void Form_Unload(bool& cancel) override;
    // The close box: while the modem dialogue runs it aborts the call first.
    void ChiusuraUtente() override;
};
