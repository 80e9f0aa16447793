#include "shell/Config.h"
#include "shell/Modulo.h"
#include "shell/Procedure.h"
#include "shell/ZEQ_Inst.h"
#include "platform/PrivateProfile.h"
#include "platform/Resources.h"
#include "platform/Timer.h"

#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QValidator>

bool NumeroTelefonoValido(const QString& numero)
{
    if (numero.isEmpty())
        return false;
    for (const QChar c : numero)
        if (!(c.isDigit() && c.unicode() < 128) && c != QLatin1Char('+'))
            return false;
    return true;
}

namespace {

// Characters of a text that cannot be dialled, in order.
QString NonComponibili(const QString& t)
{
    QString r;
    for (const QChar c : t)
        if (!NumeroTelefonoValido(QString(c)))
            r += c;
    return r;
}

// The telephone box takes digits and "+", typed or pasted. A stored number with other
// characters is shown as it is and stays correctable: an edit may keep or remove those
// characters (Backspace and Delete always pass), never add one.
class ValidatoreTelefono : public QValidator {
public:
    explicit ValidatoreTelefono(QLineEdit* box) : QValidator(box)
    {
        QObject::connect(box, &QLineEdit::textChanged, this, [this](const QString& t) { m_attuale = t; });
    }
    State validate(QString& input, int&) const override
    {
        QString ammessi = NonComponibili(m_attuale);
        for (const QChar c : NonComponibili(input)) {
            const qsizetype i = ammessi.indexOf(c);
            if (i < 0)
                return Invalid;
            ammessi.remove(i, 1);
        }
        return NonComponibili(input).isEmpty() ? Acceptable : Intermediate;
    }

private:
    QString m_attuale;
};

} // namespace

Config::Config()
{
    resize(Twip(9000), Twip(6000));
    Intitolo = CreoIntitolo(this, QString(), true);
    LogoZEQ = new QLabel(this);
    LogoZEQ->setObjectName(QStringLiteral("LogoZEQ"));
    LogoZEQ->resize(Twip(1800), Twip(1200));
    for (int i = 0; i < 3; ++i) {
        LabConf[i] = new QLabel(this);
        LabConf[i]->setObjectName(QStringLiteral("LabConf_%1").arg(i));
    }
    NumTel = new QLineEdit(this);
    NumTel->setObjectName(QStringLiteral("NumTel"));
    NumTel->setValidator(new ValidatoreTelefono(NumTel));
    NumTel->setMaxLength(30);
    EleS = new QComboBox(this);
    EleS->setObjectName(QStringLiteral("EleS"));
    EleSGSM = new QComboBox(this);
    EleSGSM->setObjectName(QStringLiteral("EleSGSM"));
    for (QComboBox* c : {EleS, EleSGSM})
        for (int i = 1; i <= 10; ++i)
            c->addItem(QStringLiteral("COM%1").arg(i));
    const int xl = Twip(480), xc = Twip(4200);
    LabConf[0]->setGeometry(xl, Twip(1800), Twip(3600), Twip(330));
    NumTel->setGeometry(xc, Twip(1800), Twip(2600), Twip(330));
    LabConf[1]->setGeometry(xl, Twip(2400), Twip(3600), Twip(330));
    EleS->setGeometry(xc, Twip(2400), Twip(1600), Twip(330));
    LabConf[2]->setGeometry(xl, Twip(3000), Twip(3600), Twip(330));
    EleSGSM->setGeometry(xc, Twip(3000), Twip(1600), Twip(330));
    Salva = new QPushButton(this);
    Salva->setObjectName(QStringLiteral("Salva"));
    Esci = new QPushButton(this);
    Esci->setObjectName(QStringLiteral("Esci"));
    for (QPushButton* b : {Salva, Esci})
        b->resize(Twip(1215), Twip(855));
    connect(Salva, &QPushButton::clicked, this, &Config::Salva_Click);
    connect(Esci, &QPushButton::clicked, this, &Config::Esci_Click);
    connect(EleS, &QComboBox::currentIndexChanged, this, &Config::EleS_Click);
    connect(EleSGSM, &QComboBox::currentIndexChanged, this, &Config::EleSGSM_Click);
    connect(NumTel, &QLineEdit::textChanged, this, &Config::NumTel_Change);
    EleS->installEventFilter(this);
    EleSGSM->installEventFilter(this);
    NumTel->installEventFilter(this);
}

int Config::PosizionePorta(const QString& testo, int lunghezza)
{
    if (lunghezza <= 0)
        return -1;
    // The same reading as the main menu's port probe; a number outside the list selects nothing.
    const int n = ZEQ_Inst::NumeroPorta(testo.left(lunghezza), -1);
    return n > 0 ? n - 1 : -1;
}

void Config::Form_Load()
{
    m_caricamento = true;
    CaricoImmagine(IdRisorsa(138), Salva);
    CaricoImmagine(IdRisorsa(132), Esci);
    CaricoImmagine(3008, LogoZEQ);
    LabConf[0]->setText(Msg(332));
    LabConf[1]->setText(Msg(369));
    LabConf[2]->setText(Msg(374));
    Intitolo->setText(Msg(331));
    setWindowTitle(Msg(331).trimmed());

    const QString file = FileConfigurazione();
    Shell.LungIni = LeggoProfilo(QStringLiteral("ASSISTENZA"), QStringLiteral("Telefono"), QString(),
                                 Shell.BufferIni, file);
    m_telefonoCaricato = Shell.BufferIni.left(Shell.LungIni).trimmed();
    // A stored number with other characters is shown as it is, so the user sees it and
    // can correct it.
    NumTel->setText(m_telefonoCaricato);

    Shell.LungIni = LeggoProfilo(QStringLiteral("SERIALE"), QStringLiteral("Porta"), QStringLiteral("COM1"),
                                 Shell.BufferIni, file);
    m_portaCaricata = PosizionePorta(Shell.BufferIni, Shell.LungIni);
    EleS->setCurrentIndex(m_portaCaricata);
    Shell.LungIni = LeggoProfilo(QStringLiteral("SERIALE"), QStringLiteral("PortaGSM"), QStringLiteral("COM5"),
                                 Shell.BufferIni, file);
    m_portaGSMCaricata = PosizionePorta(Shell.BufferIni, Shell.LungIni);
    EleSGSM->setCurrentIndex(m_portaGSMCaricata);
    Shell.DatiModificati = false;
    m_caricamento = false;
    Form_Resize();
    if (!m_telefonoCaricato.isEmpty() && !NumeroTelefonoValido(m_telefonoCaricato)) {
        Avviso(378);
        NumTel->setFocus();
    }
}

void Config::EleS_Click()
{
    if (!m_caricamento && EleS->currentIndex() != m_portaCaricata)
        Shell.DatiModificati = true;
}

void Config::EleSGSM_Click()
{
    if (!m_caricamento && EleSGSM->currentIndex() != m_portaGSMCaricata)
        Shell.DatiModificati = true;
}

void Config::NumTel_Change()
{
    if (!m_caricamento && NumTel->text().trimmed() != m_telefonoCaricato)
        Shell.DatiModificati = true;
}

bool Config::eventFilter(QObject* o, QEvent* e)
{
    if (e->type() == QEvent::FocusIn && o == NumTel) {
        const QString t = NumTel->text().trimmed();
        if (t != NumTel->text())
            NumTel->setText(t);
    }
    if (e->type() == QEvent::KeyPress && (o == EleS || o == EleSGSM || o == NumTel)) {
        auto* ke = static_cast<QKeyEvent*>(e);
        if (ke->key() == Qt::Key_Return || ke->key() == Qt::Key_Enter) {
            focusNextChild();
            return true;
        }
    }
    return FormBase::eventFilter(o, e);
}

void Config::Form_KeyDown(int& keyCode, int shift)
{
    if (keyCode == Tasti::Esc && shift == 0) {
        keyCode = 0;
        Esci_Click();
    }
}

void Config::Salva_Click()
{
    if (EleS->currentIndex() < 0) {
        Beep();
        EleS->setFocus();
        return;
    }
    if (EleSGSM->currentIndex() < 0) {
        Beep();
        EleSGSM->setFocus();
        return;
    }
    if (EleS->currentIndex() == EleSGSM->currentIndex()) {
        Beep();
        EleS->setFocus();
        return;
    }
    const QString telefono = NumTel->text().trimmed();
    if (!telefono.isEmpty() && !NumeroTelefonoValido(telefono)) {
        Beep();
        NumTel->setFocus();
        return;
    }
    const QList<VoceProfilo> voci = {
        {QStringLiteral("ASSISTENZA"), QStringLiteral("Telefono"), telefono},
        {QStringLiteral("SERIALE"), QStringLiteral("Porta"), EleS->currentText().trimmed()},
        {QStringLiteral("SERIALE"), QStringLiteral("PortaGSM"), EleSGSM->currentText().trimmed()},
    };
    if (!ScrivoProfilo(voci, FileConfigurazione())) {
        Shell.LungIni = 0;
        Avviso(164);
        return;
    }
    Shell.LungIni = 1;
    Shell.DatiModificati = false;
    Scarica();
}

void Config::Esci_Click()
{
    if (!Shell.DatiModificati) {
        Scarica();
        return;
    }
    if (Avviso(201, 140, 1) == -1)
        Salva_Click();
    else
        Scarica();
}

void Config::Form_Resize()
{
    const int w = width();
    Intitolo->setGeometry(0, 0, w, Intitolo->sizeHint().height());
    LogoZEQ->move(w - LogoZEQ->width() - Twip(240), Twip(480));
    const int top = height() - Salva->height() - Twip(360);
    Salva->move(int(0.4 * w) - Salva->width(), top);
    Esci->move(int(0.6 * w), top);
}
