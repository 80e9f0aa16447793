#include "diagnosis/LivSerb.h"

#include "catalogue/StatoFile.h"
#include "diagnosis/RigaDati.h"
#include "ecu_link/DatiCentralina.h"
#include "ecu_link/StatoLink.h"
#include "platform/Timer.h"
#include "shell/Modulo.h"
#include "vehicle/Veicolo.h"

#include <QCheckBox>
#include <QEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

LivSerb::LivSerb()
{
    setFixedSize(Twip(6480), Twip(3900));
    const int righe[] = {300, 780, 1260};
    for (size_t i = 0; i < LabParametri.size(); ++i) {
        LabParametri[i] = new QLabel(this);
        LabParametri[i]->setGeometry(Twip(120), Twip(righe[i]), Twip(3540), Twip(330));
    }
    for (size_t i = 0; i < DatiPar.size(); ++i) {
        DatiPar[i] = new QLineEdit(this);
        DatiPar[i]->setGeometry(Twip(3720), Twip(righe[i] - 30), Twip(1020), Twip(360));
        DatiPar[i]->setMaxLength(6);
        DatiPar[i]->setAlignment(Qt::AlignRight);
        DatiPar[i]->setEnabled(false);
    }
    Commutatore = new QCheckBox(this);
    Commutatore->setGeometry(Twip(3720), Twip(righe[2]), Twip(360), Twip(330));
    AcqMin = tasto(this, Twip(4860), Twip(210), Twip(1440), Twip(480));
    AcqMax = tasto(this, Twip(4860), Twip(690), Twip(1440), Twip(480));
    Salva = tasto(this, Twip(1500), Twip(1920), Twip(1440), Twip(720));
    Esci = tasto(this, Twip(3540), Twip(1920), Twip(1440), Twip(720));
    // Enter moves on between the controls; it never presses a button.
    for (QPushButton* b : {AcqMin, AcqMax, Salva, Esci})
        b->setAutoDefault(false);
    for (QWidget* w : std::initializer_list<QWidget*>{AcqMin, AcqMax, Salva})
        w->setEnabled(false);
    Segnalazione = new QLabel(this);
    Segnalazione->setGeometry(Twip(120), Twip(2880), Twip(6240), Twip(720));
    Segnalazione->setAlignment(Qt::AlignCenter);
    Segnalazione->setWordWrap(true);
    FuoriLinea = new FormTimer(this, 200, false);
    connect(Salva, &QPushButton::clicked, this, &LivSerb::Salva_Click);
    connect(Esci, &QPushButton::clicked, this, &LivSerb::Esci_Click);
    connect(AcqMin, &QPushButton::clicked, this, &LivSerb::AcqMin_Click);
    connect(AcqMax, &QPushButton::clicked, this, &LivSerb::AcqMax_Click);
    connect(FuoriLinea, &FormTimer::Timer, this, &LivSerb::FuoriLinea_Timer);
}

void LivSerb::Form_Load()
{
    setWindowTitle(Msg(185).trimmed());
    const int testi[] = {186, 187, 260};
    for (size_t i = 0; i < LabParametri.size(); ++i)
        LabParametri[i]->setText(Msg(testi[i]));
    ImmagineTasto(AcqMin, 115, 146);
    ImmagineTasto(AcqMax, 116, 145);
    ImmagineTasto(Salva, 117, 147);
    ImmagineTasto(Esci, 103);
    FuoriLinea->setEnabled(true);
    // The parameters are read whatever the state of the link: a missing reply is left to
    // the reply watchdog.
    const bool vecchio = DatiCentralina.SwVecchio;
    if (vecchio)
        Salva->setEnabled(false);
    Link.BufferTx = Protocollo::Riga(vecchio ? Protocollo::ComandoLetturaParametri
                                             : Protocollo::ComandoLetturaParametriN);
    invio(vecchio ? FASE_LEGGI_SERBATOIO : FASE_LEGGI_SERBATOIO_N, 254);
}

void LivSerb::invio(int fase, int messaggio)
{
    Link.FaseCom = fase;
    Shell.PuntatoreMouse = PuntatoreAttuale();
    ImpostoPuntatore(11);
    controlli(false);
    Esci->setEnabled(false);
    Segnalazione->setText(Msg(messaggio));
    Veicolo::FermoCollegamento();
    Veicolo::MandoRichiesta(Link.BufferTx, 5000);
}

void LivSerb::controlli(bool abilitati)
{
    for (QWidget* w : std::initializer_list<QWidget*>{DatiPar[0], DatiPar[1], Commutatore, AcqMin, AcqMax, Salva})
        w->setEnabled(abilitati);
}

void LivSerb::Salva_Click()
{
    for (QLineEdit* e : DatiPar) {
        if (!Numerico(e->text().toLatin1())) {
            Beep();
            e->setFocus();
            return;
        }
    }
    auto r6 = [](const QString& t) { return Protocollo::Campo6(t.trimmed().toLatin1()); };
    QByteArray riga = Protocollo::ComandoScritturaParametri + r6(DatiPar[0]->text()) + r6(DatiPar[1]->text()) +
                      r6(QString::number(Commutatore->isChecked() ? 1 : 0));
    if (!DatiCentralina.SwVecchio) {
        const QString& p = StatoFile.ParSerbatoio;
        // Only what the ECU reported since this opening goes back: never a previous
        // vehicle's parameters nor a short set.
        if (!m_parametriLetti || p.size() < 30) {
            Beep();
            Segnalazione->setText(Msg(259));
            return;
        }
        riga += r6(p.mid(9, 2)) + r6(p.mid(11, 1)) + r6(p.mid(12, 4)) + r6(p.mid(16, 4)) + r6(p.mid(20, 4)) +
                p.mid(24, 6).toLatin1();
    }
    Link.BufferTx = Protocollo::Riga(riga);
    invio(FASE_SALVA_SERBATOIO, 215);
}

void LivSerb::Esci_Click()
{
    Scarica();
}

void LivSerb::FuoriLinea_Timer()
{
    if (Link.Collegato && !Salva->isEnabled()) {
        controlli(true);
        // With the older software only the reply enables the save.
        Salva->setEnabled(!DatiCentralina.SwVecchio);
    } else if (!Link.Collegato && Salva->isEnabled()) {
        controlli(false);
    }
}

void LivSerb::AcqMin_Click()
{
    if (Link.DatiRicevuti)
        LivelloInCasella(DatiPar[0]);
}

void LivSerb::AcqMax_Click()
{
    if (Link.DatiRicevuti)
        LivelloInCasella(DatiPar[1]);
}

void LivSerb::Form_KeyPress(int& ascii)
{
    QObject* o = ControlloTasto();
    for (size_t i = 0; i < DatiPar.size(); ++i) {
        if (o != DatiPar[i])
            continue;
        if (ascii == ' ') {
            DatiPar[i]->clear();
            ascii = 0;
        } else if (ascii == Tasti::Invio) {
            ascii = 0;
            QPushButton* prossimo = i == 0 ? AcqMin : AcqMax;
            if (prossimo->isEnabled())
                prossimo->setFocus();
        } else if (ascii != Tasti::Backspace && ascii != Tasti::Tab && (ascii < '0' || ascii > '9')) {
            ascii = 0;  // swallowed without a sound
        }
        return;
    }
    if (o == Commutatore) {
        if (ascii == Tasti::Invio && Salva->isEnabled())
            Salva->setFocus();
        if (ascii != Tasti::Tab)
            ascii = 0;
    }
}

bool LivSerb::eventFilter(QObject* o, QEvent* e)
{
    if (e->type() == QEvent::FocusIn || e->type() == QEvent::FocusOut) {
        for (QLineEdit* d : DatiPar)
            if (o == d)
                FuocoCasella(d, e->type() == QEvent::FocusIn);
    }
    return FormBase::eventFilter(o, e);
}

void LivSerb::MostroInterruttore(int, bool acceso)
{
    Commutatore->setChecked(acceso);
}

void LivSerb::MostroFineLettura(bool parametriCompleti)
{
    controlli(true);
    Esci->setEnabled(true);
    Segnalazione->clear();
    m_parametriLetti = parametriCompleti;
}

void LivSerb::MostroFineSalvataggio(int messaggio)
{
    controlli(true);
    Esci->setEnabled(true);
    Segnalazione->setText(Msg(messaggio));
}

void LivSerb::MostroRichiestaInterrotta(int messaggio)
{
    Segnalazione->setText(Msg(messaggio));
    Esci->setEnabled(true);
    Esci->setFocus();
}
