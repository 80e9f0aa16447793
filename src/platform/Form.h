#pragma once
// Forms with one default instance each, loaded on first use and destroyed on unload, with
// key preview (the form sees every key before its controls) in the program's key codes
// (F1 = 112, Esc = 27, Enter = 13) and the Shift/Ctrl/Alt mask 1/2/4.
#include <QDialog>
#include <QPointer>

#include <functional>

class QKeyEvent;

namespace Tasti {
constexpr int Invio = 13;
constexpr int Backspace = 8;
constexpr int Tab = 9;
constexpr int Esc = 27;
constexpr int F1 = 112;
constexpr int F2 = 113;
constexpr int F3 = 114;
constexpr int F4 = 115;
constexpr int F8 = 119;
constexpr int F10 = 121;
constexpr int ShiftMask = 1;
constexpr int CtrlMask = 2;
constexpr int AltMask = 4;
// Key code of a Qt key event (0 when it has none) and its modifier mask.
int Codice(const QKeyEvent* e);
int Modificatori(const QKeyEvent* e);
} // namespace Tasti

class FormBase : public QDialog {
    Q_OBJECT
public:
    explicit FormBase(QWidget* parent = nullptr);
    ~FormBase() override;

    // Shows the form; modal runs a nested event loop and returns when the form closes.
    void Mostra(bool modale = false);
    // Unloads the form: runs Form_Unload, closes it and destroys it once it is off the stack.
    // This is the program's unload (watchdogs, abort sequence, language change, unload-all):
    // it never asks the user. Returns false when Form_Unload cancelled.
    bool Scarica();
    bool Scaricato() const { return m_scaricato; }
    bool InModale() const { return m_inModale; }

    // Module name of the form (upper case), e.g. "ZEQ_INST".
    virtual QString NomeForm() const = 0;

protected:
    // Key preview: called for every key pressed while the form or one of its controls has
    // the focus. Set keyCode to 0 to swallow the key.
    virtual void Form_KeyDown(int& keyCode, int shift) { Q_UNUSED(keyCode) Q_UNUSED(shift) }
    // Key press with the character typed (after Form_KeyDown); set ascii to 0 to swallow it.
    virtual void Form_KeyPress(int& ascii) { Q_UNUSED(ascii) }
    // Unload handler. A form that may refuse to go does so in ChiusuraUtente(), never here:
    // the program's unloads must always succeed.
    virtual void Form_Unload(bool& cancel) { Q_UNUSED(cancel) }
    // The user's close: the close box and Esc reaching reject() come here (a disabled form
    // ignores its close box). Default: unload. Override to ask first or to refuse.
    virtual void ChiusuraUtente() { Scarica(); }
    // The control the key being handled in Form_KeyDown / Form_KeyPress was sent to.
    QObject* ControlloTasto() const { return m_controlloTasto; }
    // Whether the key being handled is an auto-repeat of a held key.
    bool TastoRipetuto() const { return m_tastoRipetuto; }
    // Lays the controls out for the form's new size; called after every resize.
    virtual void Form_Resize() {}

    bool eventFilter(QObject* o, QEvent* e) override;
    void closeEvent(QCloseEvent* e) override;
    void reject() override;
    void keyPressEvent(QKeyEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;

private:
    template <class> friend class IstanzaPredefinita;
    bool anteprimaTasto(QObject* o, QKeyEvent* ke);
    // Run once the form has been unloaded: a default instance forgets itself there.
    std::function<void()> m_scollega;
    bool m_inModale = false;
    bool m_scaricato = false;
    bool m_inScarico = false;
    QObject* m_controlloTasto = nullptr;
    bool m_tastoRipetuto = false;
};

// Default instance of form class T. T::Carica() creates and loads the form once;
// T::Istanza() is nullptr while it is not loaded.
template <class T>
class IstanzaPredefinita {
public:
    static T* Carica()
    {
        if (!s_istanza) {
            T* f = new T();
            s_istanza = f;
            f->m_scollega = [f] { ScollegaIstanza(f); };
            f->Form_Load();
        }
        return s_istanza.data();
    }
    static T* Istanza() { return s_istanza.data(); }
    static bool Caricato() { return !s_istanza.isNull() && !s_istanza->Scaricato(); }
    static void ScaricaIstanza()
    {
        if (T* f = s_istanza.data())
            f->Scarica();
    }

protected:
    static void ScollegaIstanza(T* f)
    {
        if (s_istanza.data() == f)
            s_istanza.clear();
    }

private:
    static inline QPointer<T> s_istanza;
};

class QLabel;
class QPushButton;

// Controls a form places where its design puts them: a push button or a label of `genitore`
// at x, y, l wide and a high (pixels; Twip() converts a layout's twips), with the object
// name `nome` when one is given.
QPushButton* tasto(QWidget* genitore, int x, int y, int l, int a, const char* nome = nullptr);
QLabel* etichetta(QWidget* genitore, int x, int y, int l, int a = 20, const char* nome = nullptr);

// Shows and enables a control together, or hides and disables it.
void Visibile(QWidget* w, bool si);

// The title line of a screen: centred, bold and larger than the screen's text; as a banner
// (white on blue) for the main menu, the language form and the configuration.
QLabel* CreoIntitolo(QWidget* form, const QString& testo = QString(), bool banda = false);

// The program's title line shown by the main menu and the language form.
inline const char* const TitoloProgramma = " Z E Q - GAS EQUIPMENT -- ZULVEN INJECTION";

// Unloads every loaded form that `scelta` picks, given the form and its module name (upper
// case, trimmed): one pass over the windows open when it starts, so a caller that must also
// catch a form brought up by one of these unloads calls it twice.
void ScaricaForm(const std::function<bool(FormBase* f, const QString& nome)>& scelta);
// Unloads every loaded form except the one named (used by the vehicle screen's close).
void ScaricaTutteTranne(const QString& nomeForm);

// Mouse pointer shared by the whole program: 0 default, 1 arrow, 11 hourglass.
// The hourglass is one application override that is replaced, never stacked, so it
// cannot stay stuck.
void ImpostoPuntatore(int forma);
int PuntatoreAttuale();

// Audible beep; tests count the beeps.
void Beep();
int ContatoreBeep();
