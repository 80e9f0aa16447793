#pragma once
// The customer-archive menu (F4 of the main menu): opens the archive exclusively while it is
// up and offers deletion, overhaul letters and the customer list, each a modal screen on
// the same open archive.
#include "platform/Form.h"

class QLabel;
class QPushButton;

class Gestione : public FormBase, public IstanzaPredefinita<Gestione> {
    Q_OBJECT
public:
    Gestione();
    void Form_Load();
    QString NomeForm() const override { return QStringLiteral("GESTIONE"); }

    QLabel* Intitolo;
    QPushButton* Elimino;
    QPushButton* Revisio;
    QPushButton* Lista;
    QPushButton* Esci;
    QLabel* LogoZEQ;
    QLabel* LogoQox;

    void Elimino_Click();
    void Revisio_Click();
    void Lista_Click();
    void Esci_Click();

    // Whether the archive is open (false when loading could not open it: the menu then
    // unloads itself as soon as it is shown, after telling the user why).
    bool ArchivioAperto() const { return m_aperto; }

protected:
    void Form_KeyDown(int& keyCode, int shift) override;
    void Form_Unload(bool& cancel) override;

private:
    void Form_Resize() override;
    bool m_aperto = false;
};

// Loads the archive menu and shows it modally (the main menu's F4). Always true: a menu that
// cannot open the archive has already said why.
bool AproGestione();
