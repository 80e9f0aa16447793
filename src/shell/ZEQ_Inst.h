#pragma once
// The main menu: large picture buttons driven by function keys, the program version, the
// first line of VERSOFTWARE.DAT and the hidden ECU software list panel.
#include "platform/Form.h"

#include <array>
#include <functional>

class QFrame;
class QLabel;
class QPushButton;
class QTableWidget;

class ZEQ_Inst : public FormBase, public IstanzaPredefinita<ZEQ_Inst> {
    Q_OBJECT
public:
    ZEQ_Inst();
    void Form_Load();
    QString NomeForm() const override { return QStringLiteral("ZEQ_INST"); }

    // Menu buttons by function key number - 1 (0-3 F1-F4, 7 F8, 9 F10; the others are null).
    std::array<QPushButton*, 10> TastoF{};
    std::array<QLabel*, 7> LabTasti{};
    QPushButton* TastoESC;
    std::array<QLabel*, 2> Versione{};
    std::array<QLabel*, 2> Logo1{};
    QLabel* Intitolo;
    QFrame* BoxSW;
    QTableWidget* GrigliaSW;
    QPushButton* TastoVS;
    QPushButton* EsciVS;

    void TastoF_Click(int index);
    void TastoESC_Click();
    void EsciVS_Click();
    // The software list: TastoVS disabled, the panel shown with one row per software file
    // (name, version), one empty row when there is none.
    void MostroElencoSoftware(const QList<QPair<QString, QString>>& righe);
    // Redraw and focus after a dialog or screen opened from the menu has closed.
    void DopoDialogo();
    // The vehicle or live-data screen has unloaded: the menu, disabled while it was open,
    // takes input again, redrawn and focused.
    void DopoSchermo();
    void LeggoVersTab();

    // Opens the port named by "Porta" of ZEQINST.INI and closes it at once. Returns 0 or
    // the serial control's error number (8005 held elsewhere, anything else: cannot open).
    static int ProvaPorta();
    // Port number from a configured port text, for the probe and the configuration form:
    // "COM7" -> 7; a number outside 1..10 -> fallback; -1 when the text has no number from
    // its 4th character.
    static int NumeroPorta(const QString& testo, int fallback = 1);

    // Outcome of opening a modeless screen: opened; failed after the screen told the user why
    // (archive 172/174, port 366/367); failed without a word (the menu then shows 367).
    enum class Apertura { Aperta, FallitaDetta, FallitaMuta };

    // Screens opened by the menu keys. A modal one returns false when it could not be opened
    // (the menu then shows message 367); an unset entry counts as a silent failure.
    struct Schermi {
        std::function<Apertura()> Veicolo;     // F1, modeless
        std::function<Apertura()> DatiMotore;  // F2, modeless
        std::function<bool()> AggModel;    // F3, modal
        std::function<bool()> Gestione;    // F4, modal
        std::function<void()> TastoVS;     // software list (fills and shows the panel)
    };
    static Schermi& Apri();

protected:
    void Form_KeyDown(int& keyCode, int shift) override;
    void Form_Unload(bool& cancel) override;
    void ChiusuraUtente() override;

private:
    void Form_Resize() override;
    bool apriModeless(int funzione, const std::function<Apertura()>& apri);
    bool m_cambioLingua = false;
};

// Fills the main menu's captions and pictures in the current language and maximises it.
void ImpostoLinguaPrincipale();
