#pragma once
// The live engine-data screen: opens the ECU port, asks for live frames and shows the
// newest values every 300 ms on two pages, the engine page (values over a picture of the
// engine) and the graphs page (the values as a list and up to four graph panes). Two
// watchdogs: Dati_Out, the no-data watchdog restarted by every frame, and TimeOutTx, the
// watchdog of the identity request the first frame sends.
#include "platform/Form.h"
#include "shell/ZEQ_Inst.h"

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
    // F2 of the main menu: loads and shows the screen. When the port the menu has just
    // probed could not be opened after all, says so (366 held elsewhere, else 367) and
    // unloads the screen again.
    static ZEQ_Inst::Apertura Apri();

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
    void TastoGSM_Click();
    void ChiudoGSM_Click();

    // The watchdogs are this screen's own: the live-data branch, the reply processor and the
    // remote-assistance link switch them only through these, each of which does nothing while
    // the screen is not loaded. Starting (Avvio) a running watchdog leaves it running;
    // giving it a time (Imposto, Armo) restarts a running one.
    // TimeOutTx: the wait of the identity request about to be written.
    static void ImpostoRisposta(int ms);
    // TimeOutTx: the identity request has been written, its reply is awaited.
    static void AvvioRisposta();
    // TimeOutTx: the identity came, or the request is over.
    static void FermoRisposta();
    // Dati_Out: the live frames are watched; when they stop the no-data box comes.
    static void AvvioCollegamento();
    // Dati_Out: held, while a request or the call dialog is in charge.
    static void FermoCollegamento();
    // TimeOutModem: the wait of the modem command or station frame about to be written
    // (a running watchdog restarts).
    static void ImpostoModem(int ms);
    // TimeOutModem: the modem or the station is awaited.
    static void AvvioModem();
    // TimeOutModem: the modem or the station is awaited for ms from now.
    static void ArmoModem(int ms);
    // TimeOutModem: the answer came, or the dialogue is over.
    static void FermoModem();
    // Their state, as the tests read it.
    bool RispostaAvviata() const;
    bool CollegamentoAvviato() const;
    int TempoCollegamento() const;
    bool ModemAvviato() const;
    int TempoModem() const;
    // The whole screen takes input; false while its identity request awaits the ECU.
    static void AbilitoSchermo(bool si);

    // What the remote-assistance link shows: a call up (hang-up button) or not (call
    // button); a remote exchange open (status line, page controls locked) or not; the
    // exchange's status text.
    void MostroChiamataGSM(bool attiva);
    void MostroScambioRemoto(bool aperto);
    // An exchange ended by the link's watchdog: as its close, and the MAP/TPS button usable.
    void MostroScambioScaduto();
    void MostroInformo(const QString& testo);

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
    // The close box leaves as the exit button does (ignored while TarMP holds the screen).
    void ChiusuraUtente() override { Esci_Click(); }
    bool eventFilter(QObject* o, QEvent* e) override;

private:
    void InizializzoVariabili();
    void Form_Resize() override;
    void creoPaginaMotore();
    void creoPaginaGrafici();
    void creoPannello(int s);
    void impostoScala(int s);
    void disegnoAsseX(int s);
    void disegnoAsseY(int s, const QColor& colore);
    void AggiornoGrafici();
    FormTimer* VisDati = nullptr;
    FormTimer* Dati_Out = nullptr;
    FormTimer* TimeOutTx = nullptr;
    FormTimer* TimeOutModem = nullptr;
    bool m_boxWatchdog = false;
    int m_erroreApertura = 0;
};
