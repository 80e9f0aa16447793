#include "platform/Form.h"

#include <QApplication>
#include <QCloseEvent>
#include <QCursor>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>

namespace Tasti {
int Codice(const QKeyEvent* e)
{
    const int k = e->key();
    if (k >= Qt::Key_F1 && k <= Qt::Key_F24)
        return F1 + (k - Qt::Key_F1);
    switch (k) {
    case Qt::Key_Escape: return Esc;
    case Qt::Key_Return:
    case Qt::Key_Enter: return Invio;
    case Qt::Key_Backspace: return Backspace;
    case Qt::Key_Tab: return Tab;
    case Qt::Key_Delete: return 46;
    case Qt::Key_Left: return 37;
    case Qt::Key_Up: return 38;
    case Qt::Key_Right: return 39;
    case Qt::Key_Down: return 40;
    default: break;
    }
    if (k >= Qt::Key_0 && k <= Qt::Key_9)
        return '0' + (k - Qt::Key_0);
    if (k >= Qt::Key_A && k <= Qt::Key_Z)
        return 'A' + (k - Qt::Key_A);
    if (k == Qt::Key_Space)
        return 32;
    return 0;
}

int Modificatori(const QKeyEvent* e)
{
    int m = 0;
    if (e->modifiers() & Qt::ShiftModifier)
        m |= ShiftMask;
    if (e->modifiers() & Qt::ControlModifier)
        m |= CtrlMask;
    if (e->modifiers() & Qt::AltModifier)
        m |= AltMask;
    return m;
}
} // namespace Tasti

FormBase::FormBase(QWidget* parent) : QDialog(parent)
{
    setAttribute(Qt::WA_DeleteOnClose, false);
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinMaxButtonsHint | Qt::WindowCloseButtonHint);
    qApp->installEventFilter(this);
}

FormBase::~FormBase()
{
    qApp->removeEventFilter(this);
}

void FormBase::Mostra(bool modale)
{
    if (m_scaricato)
        return;
    if (!modale) {
        setModal(false);
        show();
        raise();
        activateWindow();
        return;
    }
    QPointer<FormBase> guardia(this);
    m_inModale = true;
    setModal(true);
    exec();
    if (!guardia)
        return;
    m_inModale = false;
    if (m_scaricato)
        deleteLater();
}

bool FormBase::Scarica()
{
    if (m_scaricato)
        return true;
    if (m_inScarico)
        return false;
    m_inScarico = true;
    bool cancel = false;
    Form_Unload(cancel);
    m_inScarico = false;
    if (cancel)
        return false;
    if (m_scaricato) // Form_Unload unloaded it already
        return true;
    m_scaricato = true;
    if (m_scollega)
        m_scollega();
    qApp->removeEventFilter(this);
    if (m_inModale) {
        done(QDialog::Rejected);
    } else {
        hide();
        deleteLater();
    }
    return true;
}

void FormBase::closeEvent(QCloseEvent* e)
{
    if (m_scaricato) {
        e->accept();
        return;
    }
    e->ignore();
    // The close box of a disabled form (one that waits for another) does nothing.
    if (isEnabled())
        ChiusuraUtente();
}

void FormBase::reject()
{
    // Esc reaching the dialog comes here unless the form handles Esc itself in Form_KeyDown.
    if (!m_scaricato && isEnabled())
        ChiusuraUtente();
}

void FormBase::keyPressEvent(QKeyEvent* e)
{
    // Keys reaching the form itself are already previewed by eventFilter; never let the
    // dialog's default Esc/Enter handling close or accept the form.
    e->accept();
}

void FormBase::resizeEvent(QResizeEvent* e)
{
    QDialog::resizeEvent(e);
    Form_Resize();
}

bool FormBase::eventFilter(QObject* o, QEvent* e)
{
    if (e->type() != QEvent::KeyPress || m_scaricato)
        return false;
    auto* w = qobject_cast<QWidget*>(o);
    if (!w || w->window() != this)
        return false;
    auto* ke = static_cast<QKeyEvent*>(e);
    QObject* prima = m_controlloTasto;
    m_controlloTasto = o;
    const bool gestito = anteprimaTasto(o, ke);
    m_controlloTasto = prima;
    return gestito;
}

bool FormBase::anteprimaTasto(QObject* o, QKeyEvent* ke)
{
    int codice = Tasti::Codice(ke);
    if (codice != 0) {
        m_tastoRipetuto = ke->isAutoRepeat();
        Form_KeyDown(codice, Tasti::Modificatori(ke));
        m_tastoRipetuto = false;
        if (codice == 0)
            return true;
    }
    const QString t = ke->text();
    if (t.size() == 1) {
        int ascii = t.at(0).unicode();
        const int prima = ascii;
        Form_KeyPress(ascii);
        if (ascii == 0)
            return true;
        if (ascii != prima) {
            QKeyEvent altro(QEvent::KeyPress, ke->key(), ke->modifiers(), QString(QChar(ascii)));
            QApplication::sendEvent(o, &altro);
            return true;
        }
    }
    return false;
}

void ScaricaForm(const std::function<bool(FormBase* f, const QString& nome)>& scelta)
{
    const auto finestre = QApplication::topLevelWidgets();
    for (QWidget* w : finestre) {
        auto* f = qobject_cast<FormBase*>(w);
        if (!f || f->Scaricato())
            continue;
        if (scelta(f, f->NomeForm().trimmed().toUpper()))
            f->Scarica();
    }
}

void ScaricaTutteTranne(const QString& nomeForm)
{
    const QString tenuta = nomeForm.trimmed().toUpper();
    ScaricaForm([&](FormBase*, const QString& nome) { return nome != tenuta; });
}

static int g_puntatore = 0;

// The pointer and the beep need a widget application; tools and corpus replays that run
// the receive path under a plain core application skip them.
static bool applicazioneGrafica()
{
    return qobject_cast<QApplication*>(QCoreApplication::instance()) != nullptr;
}

void ImpostoPuntatore(int forma)
{
    g_puntatore = forma;
    if (!applicazioneGrafica())
        return;
    while (QApplication::overrideCursor())
        QApplication::restoreOverrideCursor();
    if (forma == 11)
        QApplication::setOverrideCursor(Qt::WaitCursor);
    else if (forma == 1)
        QApplication::setOverrideCursor(Qt::ArrowCursor);
}

int PuntatoreAttuale()
{
    return g_puntatore;
}

static int g_beep = 0;

void Beep()
{
    ++g_beep;
    if (applicazioneGrafica())
        QApplication::beep();
}

int ContatoreBeep()
{
    return g_beep;
}

QPushButton* tasto(QWidget* genitore, int x, int y, int l, int a, const char* nome)
{
    auto* b = new QPushButton(genitore);
    if (nome)
        b->setObjectName(QLatin1String(nome));
    b->setGeometry(x, y, l, a);
    return b;
}

QLabel* etichetta(QWidget* genitore, int x, int y, int l, int a, const char* nome)
{
    auto* e = new QLabel(genitore);
    if (nome)
        e->setObjectName(QLatin1String(nome));
    e->setGeometry(x, y, l, a);
    return e;
}

void Visibile(QWidget* w, bool si)
{
    w->setEnabled(si);
    w->setVisible(si);
}

QLabel* CreoIntitolo(QWidget* form, const QString& testo, bool banda)
{
    auto* l = new QLabel(testo, form);
    l->setObjectName(QStringLiteral("Intitolo"));
    l->setAlignment(Qt::AlignCenter);
    QFont f = l->font();
    f.setBold(true);
    f.setPointSize(f.pointSize() + (banda ? 2 : 5));
    l->setFont(f);
    if (banda)
        l->setStyleSheet(QStringLiteral("background:#0b3d6b;color:white;padding:4px"));
    return l;
}
