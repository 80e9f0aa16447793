#pragma once
// The vehicle screen opened over the demo program folder (catalogue, rails, diagrams) with its
// port on a pseudo-terminal, and a few stored customers of the test's own; the bound on modal
// forms that the vehicle tests share.
#include "support/Ambiente.h"

#include "archive/Archivio.h"
#include "catalogue/StatoCatalogo.h"
#include "vehicle/StatoVeicolo.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QElapsedTimer>
#include <QPointer>
#include <QTest>
#include <QTimer>

// A modal form left up for longer than the bound is unloaded and fails the test: a slip that
// opens a screen a test does not expect, or never closes one it does, ends the test in
// seconds instead of at ctest's time-out. Lives as long as the fixture that holds it.
class LimiteModali {
public:
    explicit LimiteModali(int ms);
private:
    QTimer m_timer;
    bool m_superato = false;
    QList<std::pair<QPointer<FormBase>, QElapsedTimer>> m_aperti;
};

struct ClienteProva {
    QString targa, nome;
    QString marca = "AURELIA", modello = "BREZZA12", centralina = "PETRONIX P3", valvola = "RAIL ALPHA 4 CYLINDERS";
    int impianto = 0, tipoInst = 0, tipoTab = 0;
    QDate installo = QDate(2020, 3, 5), revisione = QDate(2021, 6, 7);
};

class SchermoVeicolo : public AmbienteLink {
protected:
    void SetUp() override;
    // Writes customers straight into the archive file, then opens the screen.
    void apro(const QList<ClienteProva>& clienti = {});
    // Types a plate and Enter, as the user would.
    void caricoTarga(const QString& targa);
    // The number of rows of CLIENTI, read through a second connection after the screen closed.
    int righe(const QString& dove = "1=1");
    Veicolo* v = nullptr;
    std::unique_ptr<Pty> pty;
};
