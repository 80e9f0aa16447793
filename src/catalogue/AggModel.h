#pragma once
// The update screen (F3 of the main menu): the installer chooses the folder of the
// installer media and every *.DAT file found there is imported: VALVOLE.DAT into the rail
// catalogue, SOFTWARE.DAT into the software library, VERSOFTWARE.DAT copied into the
// program folder, any other as a model catalogue update.
#include "platform/Form.h"

#include <functional>

class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

class AggModel : public FormBase, public IstanzaPredefinita<AggModel> {
    Q_OBJECT
public:
    AggModel();
    void Form_Load();
    QString NomeForm() const override { return QStringLiteral("AGGMODEL"); }

    // Folder chooser (test seam): given the starting folder, returns the folder chosen or
    // "" when cancelled. Without one, a folder dialog is shown.
    using SceltaCartella = std::function<QString(QWidget* padre, const QString& partenza)>;
    static void ImpostaSceltaCartella(SceltaCartella scelta);

    // Where the folder chooser starts: the folder that lists the mounted removable volumes.
    static QString CartellaPartenza();

    void DiscoOr_Click();
    void Tastook_Click();
    void Esci_Click();

    // Controls, named as the screen's design names them.
    QLabel* LabModel[4] = {};
    QLabel* LabSegna = nullptr;
    QLabel* Intitolo = nullptr;
    QGroupBox* BoxModel = nullptr;
    QLabel* LogoZEQ = nullptr;
    QPushButton* DiscoOr = nullptr;   // opens the folder chooser
    QLineEdit* Direttiva = nullptr;   // the media folder
    QPushButton* Tastook = nullptr;
    QPushButton* Esci = nullptr;

protected:
    void Form_KeyDown(int& keyCode, int shift) override;
    void ChiusuraUtente() override;

private:
    void Form_Resize() override;
    void Abilito(bool si);
    void Mostro(QLabel* etichetta, const QString& testo);
    bool m_inCorso = false;
};
