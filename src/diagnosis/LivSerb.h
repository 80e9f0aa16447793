#pragma once
// The tank-level screen: reads the ECU's lowest and highest tank level and its changeover
// switch when it opens, takes new levels from the live tank-sensor reading (or as typed)
// and writes them back with "MUFS"; the other personalisation parameters that "MUFS"
// carries go back as the ECU reported them (ParSerbatoio).
#include "diagnosis/Parametri.h"

class LivSerb : public FormBase, public IstanzaPredefinita<LivSerb>, public SchermoParametri {
    Q_OBJECT
public:
    LivSerb();
    void Form_Load();
    QString NomeForm() const override { return QStringLiteral("LIVSERB"); }

    std::array<QLineEdit*, 2> DatiPar{};
    std::array<QLabel*, 3> LabParametri{};

    void Salva_Click();
    void Esci_Click();
    void AcqMin_Click();
    void AcqMax_Click();
    void FuoriLinea_Timer();

    void MostroInterruttore(int quale, bool acceso) override;
    void MostroFineLettura(bool parametriCompleti) override;
    void MostroFineSalvataggio(int messaggio) override;
    // Reply watchdog: the request ended without a reply; message n, the exit offered.
    void MostroRichiestaInterrotta(int messaggio);

protected:
    void Form_KeyPress(int& ascii) override;
    bool eventFilter(QObject* o, QEvent* e) override;

private:
    void controlli(bool abilitati);
    void invio(int fase, int messaggio);
    QLineEdit* Casella(int i) const override { return DatiPar[size_t(i)]; }
    // A complete Rfn reply was taken since this opening: ParSerbatoio holds what the ECU
    // reported.
    bool m_parametriLetti = false;
};
