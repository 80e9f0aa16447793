#pragma once
// The live engine-data screen: opens the ECU port, asks for live frames and shows the
// newest values every 300 ms on two pages, the engine page (values over a picture of the
// engine) and the graphs page (the values as a list and up to four graph panes). Two
// watchdogs: Dati_Out, the no-data watchdog restarted by every frame, and TimeOutTx, the
// watchdog of the identity request the first frame sends.
#include "platform/Form.h"

#include <array>

class QFrame;
class QGroupBox;
class QLabel;
class QPushButton;
class FormTimer;
class PictureBox;
class PictureClip;
class ControlloLinea;
class MatriceLinee;
struct Segmento;

class DatiMotore : public FormBase, public IstanzaPredefinita<DatiMotore> {
    Q_OBJECT
public:
    DatiMotore();
    ~DatiMotore() override;
    void Form_Load();
    QString NomeForm() const override { return QStringLiteral("DATIMOTORE"); }

    QLabel* Intitolo = nullptr;
    PictureBox* SfondoMotore = nullptr;   // engine page
    PictureBox* SfondoGrafici = nullptr;  // graphs page
    std::array<QGroupBox*, 15> BoxDati{}; // 0-4, 6-12, 14 engine page; 5 the graphs list
    std::array<QLabel*, 15> DatiMot{};    // engine page values (5 and 13 absent)
    QFrame* LedBG = nullptr;              // fuel-in-use lamp
    std::array<ControlloLinea*, 13> Linea{};
    QLabel* Legenda = nullptr;
    std::array<QLabel*, 16> LabMot1{};    // graphs page captions
    std::array<QLabel*, 16> DatiMot1{};   // graphs page values
    // Graph panes, one element per slot.
    std::array<PictureBox*, 4> Pann_Grafico{};
    std::array<PictureBox*, 4> GraficoC{};
    std::array<PictureBox*, 4> BoxScalaX{};
    std::array<ControlloLinea*, 4> ScalaX{};
    std::array<PictureBox*, 4> BoxScalaY{};
    std::array<ControlloLinea*, 4> ScalaY{};
    std::array<QLabel*, 4> NomeC{};
    std::array<MatriceLinee*, 4> GrigliaV{};
    std::array<MatriceLinee*, 4> GrigliaH{};
    PictureClip* ScrollGrafico = nullptr;
    PictureClip* Cancella = nullptr;

    QPushButton* PaginaMotore = nullptr;
    QPushButton* PaginaGrafici = nullptr;
    QPushButton* T_MapTPS = nullptr;
    QPushButton* TastoGSM = nullptr;
    QPushButton* ChiudoGSM = nullptr;
    QLabel* Informo = nullptr;
    QLabel* Registrazione = nullptr;      // says when the recording file cannot be written
    QPushButton* Esci = nullptr;
    FormTimer* VisDati = nullptr;
    FormTimer* Dati_Out = nullptr;
    FormTimer* TimeOutTx = nullptr;
    FormTimer* TimeOutModem = nullptr;

    int NumGrafici = 0;                   // graph panes shown, 0 to 4

    void Esci_Click();
    void T_MapTPS_Click();
    void PaginaMotore_Click();
    void PaginaGrafici_Click();
    void DatiMot1_DblClick(int Index);
    void VisDati_Timer();
    void Dati_Out_Timer();
    void TimeOutTx_Timer();
    void TimeOutModem_Timer();

    // What the rest of the program shows on this screen.
    // The recording file could not be written (true) or records again (false).
    void MostroRegistrazioneFerma(bool ferma);
    // Every occupied pane cleared and drawn empty with the configured bounds (new recording).
    void PannelliVuoti();
    // One trace segment redrawn from the recording file.
    void DisegnoSegmento(const Segmento& s);
    // The MAP/TPS view has closed: the screen and its button are usable again.
    void FineTarMP();
    // While a watchdog box of this screen is open the no-data watchdog only stops.
    bool BoxWatchdogAperto() const { return m_boxWatchdog; }

protected:
    void Form_KeyDown(int& keyCode, int shift) override;
    void Form_Unload(bool& cancel) override;
    void resizeEvent(QResizeEvent* e) override;
    bool eventFilter(QObject* o, QEvent* e) override;
    void Scollega() override { ScollegaIstanza(this); }

private:
    void InizializzoVariabili();
    void Form_Resize();
    void creoPaginaMotore();
    void creoPaginaGrafici();
    void creoPannello(int s);
    void impostoScala(int s);
    void disegnoAsseX(int s);
    void disegnoAsseY(int s, const QColor& colore);
    void AggiornoGrafici();
    bool m_boxWatchdog = false;
};
