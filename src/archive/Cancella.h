#pragma once
// Customer look-up and deletion: finds a customer by plate or by name as the user types,
// shows the stored installation record on two tabs and deletes it. Works on the archive
// that the archive menu holds open.
#include "platform/Form.h"

#include <QList>

class PrefixListModel;
class QLabel;
class QLineEdit;
class QListView;
class QPushButton;
class QTabWidget;

class Cancella : public FormBase, public IstanzaPredefinita<Cancella> {
    Q_OBJECT
public:
    Cancella();
    void Form_Load();
    QString NomeForm() const override { return QStringLiteral("CANCELLA"); }

    QLineEdit* Cliente;
    QListView* ElencoTarghe;
    QLineEdit* Ditta_Nome;
    QListView* ElencoNomi;
    // The two lists' rows, read as they scroll into view.
    PrefixListModel* ModelloTarghe;
    PrefixListModel* ModelloNomi;
    QPushButton* Nome_Targa;
    QTabWidget* DatiCli;
    QList<QLabel*> Anagrafe;   // 0..10
    QList<QLabel*> AutoImp;    // 0..13
    QList<QLabel*> LabCli;     // 0..14
    QLabel* IntMarca;
    QLabel* IntModello;
    QList<QLabel*> LabCentr;   // 0..3
    QPushButton* Elimino;
    QPushButton* Esci;
    QLabel* Intitolo;
    QLabel* LogoQox;
    QLabel* LogoZEQ;

    // The car of the record shown, as the catalogue look-up found it.
    QString MarcaAuto, ModelloAuto, CentralinaSel;

    void Cliente_Change();
    void Ditta_Nome_Change();
    void Ditta_Nome_GotFocus();
    void ElencoTarghe_DblClick();
    void ElencoNomi_DblClick();
    void Nome_Targa_Click();
    void Elimino_Click();
    void Esci_Click();
    void LeggoClienteIns();
    void CancelloInf();

    // Each entry of the name list carries its own customer's plate.
    static const int RuoloTarga;

protected:
    void Form_KeyDown(int& keyCode, int shift) override;
    void Form_KeyPress(int& ascii) override;
    bool eventFilter(QObject* o, QEvent* e) override;

private:
    void Form_Resize() override;
    void CatalogoModello(const QString& marca, const QString& modello, const QString& centralina, int tipoTab);

    // Key of the record on the tabs; empty while none is shown.
    QString m_targaMostrata;
};
