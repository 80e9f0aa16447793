#pragma once
// The vehicle-installation screen: the customer search by plate or name, the installation
// card (customer data on tab 0, dates, car and installation on tab 1), the car chosen from
// the catalogue, the ECU link controls and its two watchdogs: the one-shot reply watchdog
// TimeOutTx of every request made from this screen and its dialogs, and the link watchdog
// Dati_Out restarted by every live frame.
#include "platform/Form.h"
#include "shell/ZEQ_Inst.h"

#include <QDate>

#include <array>
#include <functional>

class QCheckBox;
class QComboBox;
class QFrame;
class QLabel;
class QLineEdit;
class QListView;
class QListWidget;
class PrefixListModel;
class QPushButton;
class QRadioButton;
class QTabWidget;
class FormTimer;

class Veicolo : public FormBase, public IstanzaPredefinita<Veicolo> {
    Q_OBJECT
public:
    Veicolo();
    void Form_Load();
    QString NomeForm() const override { return QStringLiteral("VEICOLO"); }

    // Opens the screen for the main menu's F1: loads it and shows it, or, when the archive
    // could not be opened (the user has been told why), unloads it again with nothing held.
    static ZEQ_Inst::Apertura Apri();

    QLabel* Intitolo = nullptr;
    QFrame* BoxIn = nullptr;
    QLineEdit* Cliente = nullptr;
    // The search lists read the archive as they scroll: plates, and names each with its plate.
    QListView* ElencoTarghe = nullptr;
    QLineEdit* Ditta_Nome = nullptr;
    QListView* ElencoNomi = nullptr;
    PrefixListModel* ModelloTarghe = nullptr;
    PrefixListModel* ModelloNomi = nullptr;
    QPushButton* Nome_Targa = nullptr;
    QTabWidget* DatiCli = nullptr;
    std::array<QRadioButton*, 2> Scelta{};
    std::array<QLineEdit*, 11> Anagrafe{};
    std::array<QLabel*, 19> LabCli{};   // 8 and 10 do not exist
    std::array<QLineEdit*, 7> AutoImp{};
    QComboBox* Impianto = nullptr;
    QCheckBox* MarcaP = nullptr;
    QLabel* IntMarca = nullptr;
    QListWidget* ElMarca = nullptr;
    QLabel* IntModello = nullptr;
    QListWidget* ElModello = nullptr;
    QListWidget* ElDir = nullptr;
    QFrame* PCentr = nullptr;
    std::array<QLabel*, 4> LabCentr{};
    QListWidget* CentrBenz = nullptr;
    QListWidget* DirCentr = nullptr;
    QLabel* NValvo = nullptr;
    QComboBox* ModValvole = nullptr;
    QLabel* TipoInst = nullptr;
    QLabel* Versione_Tab = nullptr;
    QFrame* PIstr = nullptr;
    QLabel* LabIstr = nullptr;
    std::array<QLabel*, 9> Istruzione{};
    QPushButton* Attivo = nullptr;
    QPushButton* Tasto_Inf = nullptr;
    QPushButton* Tasto_Agg = nullptr;
    QPushButton* Caric_Agg = nullptr;
    QPushButton* InvioDati = nullptr;
    QPushButton* LanciaSchemi = nullptr;
    QPushButton* Personalizza = nullptr;
    QPushButton* PSerbatoio = nullptr;
    std::array<QLabel*, 2> LogoZEQ{};
    std::array<QLabel*, 2> LogoQox{};
    QLabel* StatoCom = nullptr;
    QPushButton* Salva = nullptr;
    QPushButton* Esci = nullptr;

    // What the link and the reply processor show on this screen.
    void MostroStatoCollegamento(bool collegato);
    void MostroTastiAggiornamento(bool software);   // software update (type 1) or loader update
    void MostroTipoInstallazione(const QString& testo);
    // Writes a date into the installation (primo 0) or last-overhaul (primo 3) boxes.
    void ScrivoData(int primo, const QDate& data);
    // The date of the installation (primo 0) or last-overhaul (primo 3) boxes; invalid
    // unless a real date of year 100 or later.
    QDate LeggoData(int primo) const;
    QDate DataRevisione() const { return LeggoData(3); }

    // The tabs of the card take input only while a plate is loaded. Their controls keep their
    // own enabled state (the link and the reply processor switch the buttons).
    void AbilitoScheda(bool si);
    bool SchedaAbilitata() const { return m_schedaAbilitata; }

    // Search and card.
    void Cliente_GotFocus();
    void Cliente_Change();
    void Cliente_KeyPress(int& ascii);
    void Ditta_Nome_GotFocus();
    void Ditta_Nome_Change();
    void ElencoTarghe_GotFocus();
    void ElencoTarghe_DblClick();
    void ElencoNomi_GotFocus();
    void ElencoNomi_DblClick();
    void Nome_Targa_Click();
    void DatiCli_KeyPress(int& ascii);
    void Anagrafe_KeyPress(int indice, int& ascii);
    void AutoImp_KeyPress(int indice, int& ascii);
    void Anagrafe_LostFocus(int indice);
    void AutoImp_LostFocus(int indice);
    // Validation of the card: true when a check failed and nothing may be saved.
    bool SalvoDati();
    // Writes the installation record of the card: 0 stored, -1 on any failure.
    int SalvoCliente();
    // SalvoCliente, and a failure shown to the user (message 216 under 140): the save of
    // Salva, of the exit and of the configuration send's confirm buttons. True when stored.
    bool SalvoClienteMostrando();
    void Salva_Click();
    void Esci_Click();

    // Catalogue selection and wiring diagram.
    void Impianto_Click();
    void MarcaP_Click();
    void ElMarca_Click();
    void ElMarca_DblClick();
    void ElModello_Click();
    void ElModello_DblClick();
    void CentrBenz_DblClick();
    void ModValvole_Click();
    void LanciaSchemi_Click();

    // ECU link.
    void Attivo_Click();
    void TimeOutTx_Timer();
    void Dati_Out_Timer();

    // The two watchdogs are this screen's own: the reply branches and the dialogs opened from
    // here switch them only through these, each of which does nothing while the screen is not
    // loaded. Starting (Avvio) a running watchdog leaves it running; giving it a time
    // (Imposto, Armo) restarts a running one.
    // TimeOutTx: the wait of the request about to be written (a running watchdog restarts).
    static void ImpostoRisposta(int ms);
    // TimeOutTx: the request has been written, its reply is awaited.
    static void AvvioRisposta();
    // TimeOutTx: the reply is awaited for ms from now.
    static void ArmoRisposta(int ms);
    // A request goes out on the ECU port: its wait of ms is given before the line is written
    // and started after it (ImpostoRisposta, the write, AvvioRisposta).
    static void MandoRichiesta(const QByteArray& riga, int ms);
    // TimeOutTx: the reply came, or the exchange is over.
    static void FermoRisposta();
    // Dati_Out: the live frames are watched; when they stop the ECU is taken as gone.
    static void AvvioCollegamento();
    // Dati_Out: held, while a request is in charge or once the link is down.
    static void FermoCollegamento();
    // Their state, as the tests read it.
    bool RispostaAvviata() const;
    int TempoRisposta() const;
    bool CollegamentoAvviato() const;
    // The whole screen takes input; false while a request of its own awaits the ECU.
    static void AbilitoSchermo(bool si);

    // Layout of a window of the given width (positions of the centred and mirrored controls).
    struct Disposizione {
        int boxIn, datiCli, statoCom, esci, salva;
    };
    static Disposizione Dispongo(int larghezza, int larghezzaBoxIn, int larghezzaDatiCli, int larghezzaStatoCom,
                                 int larghezzaEsci, int larghezzaSalva);

    // ---- ECU link controls and the configuration send ----
    void InvioDati_Click();
    void Tasto_Inf_Click();
    void Tasto_Agg_Click();
    void Caric_Agg_Click();
    void Personalizza_Click();
    void PSerbatoio_Click();
    // Map path of the send (ECU type 1): prepares the working map file and shows MandoDati
    // in map mode; salvo saves the installation record when the user confirms (0 = saved).
    void InvioMappa(std::function<int()> salvo);
    // Programming path of the send (ECU type 2 and above): prepares the programming image
    // and shows MandoDati in programming mode. 0 when the dialog was shown.
    int PreparoProgrammazione(std::function<int()> salvo);
    // The installation date as typed (day, month, year boxes), for the date command.
    void TestiDataInstallazione(QByteArray& giorno, QByteArray& mese, QByteArray& anno) const;

protected:
    void Form_KeyDown(int& keyCode, int shift) override;
    void Form_KeyPress(int& ascii) override;
    void Form_Unload(bool& cancel) override;
    void ChiusuraUtente() override;
    bool eventFilter(QObject* o, QEvent* e) override;

private:
    void collegoTastiCentralina();
    void costruiscoRicerca();
    void costruiscoScheda();
    void costruiscoCatalogo();
    void Inivar();
    void Form_Resize() override;
    void AzzeroVideata();
    void LeggoClienteIns();
    void Aggiorno_Modelli();
    void Leggo_VersioneTab();
    void mostroModoTarga();
    void focoRicerca();
    void vaiA(QWidget* w);
    void avvisoCampo(int messaggio, QWidget* fuoco, int tab);
    void selezionoMarca(const QString& marca);
    QString baseCatalogo() const;
    QString fileMarca() const;
    QString marcaCartella() const;
    FormTimer* TimeOutTx = nullptr;
    FormTimer* Dati_Out = nullptr;
    bool m_archivioAperto = false;
    bool m_schedaAbilitata = true;
    int m_erroreporta = 0;     // why the port did not open at loading (0 it did)
};
