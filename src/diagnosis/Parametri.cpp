#include "diagnosis/Parametri.h"

#include "catalogue/LimitsFile.h"
#include "catalogue/MapFiles.h"
#include "catalogue/PersonalMaps.h"
#include "catalogue/StatoCatalogo.h"
#include "diagnosis/RigaDati.h"
#include "ecu_link/DatiCentralina.h"
#include "ecu_link/StatoLink.h"
#include "platform/Files.h"
#include "platform/Resources.h"
#include "platform/Timer.h"
#include "shell/Modulo.h"
#include "shell/Procedure.h"
#include "vehicle/StatoVeicolo.h"
#include "vehicle/Veicolo.h"

#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

// ---- the value boxes ----

void FuocoCasella(QLineEdit* casella, bool entra)
{
    if (entra) {
        casella->setText(casella->text().trimmed());
        return;
    }
    QString t = Allineato(InteroDaTesto(casella->text().toLatin1()), casella->maxLength());
    CambioVirgola(t);
    if (!t.isEmpty())
        casella->setText(t);
}

void LivelloInCasella(QLineEdit* casella)
{
    const QString t = Allineato(InteroDaTesto(Diagnosi.DatiVideo[0].Valore[5]), casella->maxLength());
    if (!t.isEmpty())
        casella->setText(t);
}

// ---- older ECU software ----

namespace {

// Parameter records of the personal map: main record, copy record (0 none), box, and where
// the map's default sits in the parameter text (first character from 1, length).
struct RecordCampo {
    int principale;
    int copia;
    int campo;
    int inizio, lunghezza;
};
constexpr RecordCampo RecordNumerici[] = {
    {2691, 2776, 0, 13, 4}, {2692, 2777, 1, 17, 4}, {2654, 0, 2, 10, 2},
    {2700, 2784, 3, 1, 4},  {2701, 2785, 4, 5, 4},  {2702, 2786, 5, 21, 4},
};
constexpr int RecordGasForzo = 2690, CopiaGasForzo = 2775, RecordCommutatore = 2706;
constexpr int PredefinitoGasForzo = 12, PredefinitoCommutatore = 9;

bool ZeroUno(const QByteArray& v) { return v == "000000" || v == "000001"; }

} // namespace

ParametriMappaVecchia LeggoRecordParametri(const QByteArray& dati)
{
    ParametriMappaVecchia p;
    QByteArray v;
    auto leggo = [&](int n) { return LeggoRecordMappa(dati, n, v); };
    if (!leggo(CopiaGasForzo) || !ZeroUno(v))
        p.esito = -1;
    if (leggo(RecordGasForzo) && ZeroUno(v))
        p.gasForzo = v == "000001";
    else
        p.esito = -1;
    if (leggo(RecordCommutatore) && ZeroUno(v))
        p.commutatore = v == "000001";
    else
        p.esito = -1;
    for (const RecordCampo& r : RecordNumerici) {
        if (r.copia != 0 && !(leggo(r.copia) && Numerico(v)))
            p.esito = -1;
        if (!leggo(r.principale) || !Numerico(v)) {
            p.esito = -1;
            continue;
        }
        // The sampling number box takes two characters; a value it cannot show whole is
        // not shown cut (a save would write the cut value back).
        const QString t = Allineato(InteroDaTesto(v), r.campo == 5 ? 2 : 6);
        if (t.isEmpty())
            p.esito = -1;
        else
            p.testi[size_t(r.campo)] = t;
    }
    return p;
}

QList<std::pair<int, QByteArray>> RecordParametri(const std::array<QString, 6>& dati, int gasForzo,
                                                 int commutatore)
{
    auto r6 = [](const QString& t) { return Protocollo::Campo6(t.trimmed().toLatin1()); };
    const QByteArray gas = r6(QString::number(gasForzo));
    QList<std::pair<int, QByteArray>> l;
    l.reserve(14);
    for (int i = 0; i < 3; ++i) {
        const RecordCampo& r = RecordNumerici[i];
        if (r.copia)
            l.append({r.copia, r6(dati[size_t(i)])});
        l.append({r.principale, r6(dati[size_t(i)])});
    }
    l.append({CopiaGasForzo, gas});
    l.append({RecordGasForzo, gas});
    l.append({RecordCommutatore, r6(QString::number(commutatore))});
    for (int i = 3; i < 6; ++i) {
        const RecordCampo& r = RecordNumerici[i];
        l.append({r.copia, r6(dati[size_t(i)])});
        l.append({r.principale, r6(dati[size_t(i)])});
    }
    return l;
}

void ImmagineTasto(QAbstractButton* tasto, int n, int d)
{
    ImmaginiTasto(tasto, IdRisorsa(n), 0, d ? IdRisorsa(d) : 0);
}

// ---- the screen ----

namespace {

void Abilito(std::initializer_list<QWidget*> controlli, bool si)
{
    for (QWidget* w : controlli)
        w->setEnabled(si);
}

} // namespace

Parametri::Parametri()
{
    setFixedSize(Twip(6600), Twip(6360));
    // The design is in twips; its captions are one line high.
    auto riga = [](QWidget* padre, int x, int y, int l) {
        return etichetta(padre, Twip(x), Twip(y), Twip(l), Twip(330));
    };
    LabParametri[4] = riga(this, 240, 255, 2400);
    TipoInst = new QComboBox(this);
    TipoInst->setGeometry(Twip(2700), Twip(210), Twip(2400), Twip(375));
    BoxPers = new QGroupBox(this);
    BoxPers->setGeometry(Twip(120), Twip(720), Twip(6360), Twip(4290));
    const int righe[] = {240, 660, 1080};
    for (int i = 0; i < 3; ++i) {
        LabParametri[size_t(i)] = riga(BoxPers, 120, righe[i], 3840);
        DatiPar[size_t(i)] = new QLineEdit(BoxPers);
        DatiPar[size_t(i)]->setGeometry(Twip(4020), Twip(righe[i] - 30), Twip(900), Twip(360));
        LabParametri[size_t(8 + i)] = riga(BoxPers, 5040, righe[i], 1260);
    }
    LabParametri[12] = riga(BoxPers, 120, 1500, 3840);
    GasForzo = new QCheckBox(BoxPers);
    GasForzo->setGeometry(Twip(4020), Twip(1500), Twip(360), Twip(330));
    LabParametri[3] = riga(BoxPers, 120, 1890, 3840);
    Commutatore = new QCheckBox(BoxPers);
    Commutatore->setGeometry(Twip(4020), Twip(1890), Twip(360), Twip(330));
    Serbatoio = new QGroupBox(BoxPers);
    Serbatoio->setGeometry(Twip(120), Twip(2340), Twip(6120), Twip(1800));
    const int righeS[] = {420, 840, 1260};
    for (int i = 0; i < 3; ++i) {
        LabParametri[size_t(5 + i)] = riga(Serbatoio, 120, righeS[i], 2640);
        DatiPar[size_t(3 + i)] = new QLineEdit(Serbatoio);
        DatiPar[size_t(3 + i)]->setGeometry(Twip(2760), Twip(righeS[i] - 30), Twip(900), Twip(360));
    }
    AcqMin = tasto(Serbatoio, Twip(3960), Twip(330), Twip(1920), Twip(480));
    AcqMax = tasto(Serbatoio, Twip(3960), Twip(870), Twip(1920), Twip(480));
    Salva = tasto(this, Twip(1560), Twip(5100), Twip(1560), Twip(720));
    Esci = tasto(this, Twip(3480), Twip(5100), Twip(1560), Twip(720));
    // Enter moves on between the controls; it never presses a button.
    for (QPushButton* b : {AcqMin, AcqMax, Salva, Esci})
        b->setAutoDefault(false);
    Segnalazione = new QLabel(this);
    Segnalazione->setGeometry(Twip(120), Twip(5880), Twip(6360), Twip(375));
    Segnalazione->setAlignment(Qt::AlignCenter);
    for (size_t i = 0; i < DatiPar.size(); ++i) {
        DatiPar[i]->setMaxLength(i == 2 ? 2 : 4);
        DatiPar[i]->setAlignment(Qt::AlignRight);
    }
    Salva->setEnabled(false);
    FuoriLinea = new FormTimer(this, 200, false);

    connect(TipoInst, &QComboBox::currentIndexChanged, this, &Parametri::TipoInst_Click);
    connect(Salva, &QPushButton::clicked, this, &Parametri::Salva_Click);
    connect(Esci, &QPushButton::clicked, this, &Parametri::Esci_Click);
    connect(AcqMin, &QPushButton::clicked, this, &Parametri::AcqMin_Click);
    connect(AcqMax, &QPushButton::clicked, this, &Parametri::AcqMax_Click);
    connect(FuoriLinea, &FormTimer::Timer, this, &Parametri::FuoriLinea_Timer);
}

void Parametri::Form_Load()
{
    {
        const QSignalBlocker b(TipoInst);
        TipoInst->clear();
        TipoInst->addItems({Msg(118), Msg(119)});
        TipoInst->setCurrentIndex(-1);
    }
    setWindowTitle(Msg(180));
    const int testi[] = {181, 182, 183, 260, 228, 186, 187, 188, 189, 189, 190, 0, 184};
    for (size_t i = 0; i < LabParametri.size(); ++i)
        if (LabParametri[i])
            LabParametri[i]->setText(Msg(testi[i]));
    Serbatoio->setTitle(Msg(185));
    ImmagineTasto(AcqMin, 115, 146);
    ImmagineTasto(AcqMax, 116, 145);
    if (DatiCentralina.SwVecchio)
        ImmagineTasto(Salva, 102, 144);
    else
        ImmagineTasto(Salva, 117, 147);
    ImmagineTasto(Esci, 103);
    // Selecting the type runs its handler; any other value selects nothing.
    const int tipo = StatoCatalogo.TipoInstallazione;
    if (tipo == 0 || tipo == 1)
        TipoInst->setCurrentIndex(tipo);
}

int Parametri::LeggoLimiti(const QString& percorso)
{
    const FileLimiti f = LeggoFileLimiti(percorso, 3);
    if (!f.esiste)
        return 1;
    for (int i = 0; i < 3; ++i) {
        if (i >= f.righe.size())
            return 2;
        const RigaLimiti& r = f.righe[i];
        if (r.campi >= 2)
            Limiti[size_t(i)].first = r.minimo;
        if (r.campi < 3)
            return 2;
        Limiti[size_t(i)].second = r.massimo;
        DatiPar[size_t(i)]->setToolTip(FormattoNumero(r.minimo, QStringLiteral("#0")) + QStringLiteral(" ÷ ") +
                                       FormattoNumero(r.massimo, QStringLiteral("#0")));
    }
    return 0;
}

int Parametri::LeggoParametri()
{
    for (QLineEdit* e : DatiPar) {
        e->setMaxLength(6);
        e->clear();
    }
    Commutatore->setChecked(false);
    DatiPar[5]->setMaxLength(2);
    GasForzo->setChecked(false);
    QByteArray dati;
    if (!Files::LeggiTutto(TrovoFile(StatoVeicolo.FileTabella), dati))
        return -2;
    const ParametriMappaVecchia p = LeggoRecordParametri(dati);
    // A record that cannot be shown is shown as a refused reply value is: the map's default
    // in red, for the save to write back.
    QString predefiniti;
    auto predefinito = [&predefiniti](int inizio, int lunghezza) {
        if (predefiniti.isEmpty())
            predefiniti = LeggoParametriMappa(StatoCatalogo.DirCentralina, StatoCatalogo.TipoGas,
                                              DatiCentralina.TipoCentralina);
        return predefiniti.mid(inizio - 1, lunghezza).trimmed();
    };
    for (const RecordCampo& r : RecordNumerici) {
        QLineEdit* e = DatiPar[size_t(r.campo)];
        if (!ValoreInCasella(e, p.testi[size_t(r.campo)].toLatin1()))
            PredefinitoInCasella(e, Allineato(predefinito(r.inizio, r.lunghezza).toLatin1(), e->maxLength()));
    }
    GasForzo->setChecked(p.gasForzo >= 0 ? p.gasForzo == 1 : predefinito(PredefinitoGasForzo, 1) == "1");
    Commutatore->setChecked(p.commutatore >= 0 ? p.commutatore == 1
                                               : predefinito(PredefinitoCommutatore, 1) == "1");
    return p.esito;
}

void Parametri::TipoInst_Click()
{
    const int indice = TipoInst->currentIndex();
    if (indice == 0) {
        BoxPers->setVisible(false);
        BoxPers->setEnabled(false);
        TipoInst->setEnabled(Link.Collegato);
        Salva->setEnabled(Link.Collegato);
        return;
    }
    if (indice != 1)
        return;
    BoxPers->setVisible(true);
    BoxPers->setEnabled(true);
    if (DatiCentralina.SwVecchio) {
        QString mappa;
        if (!CreoMappePersonali(mappa, 1))
            return;  // it has shown its own message
        StatoVeicolo.FileTabella = mappa;
        const int esito = FormattoFile(mappa) == 0 ? LeggoParametri() : -2;
        // A copy with records that cannot be shown is still this opening's: a save repairs it.
        m_mappaLetta = esito == -2 ? QString() : mappa;
        m_recordErrati = esito != 0;
        if (esito != 0) {
            Beep();
            Avviso(211);
            Salva->setEnabled(false);
        }
    } else {
        StatoVeicolo.FileTabella = Files::PercorsoApp(QStringLiteral("PERSONALE.PRG"));
    }
    // No catalogue folder chosen: no limits file (never one in the current folder).
    const QString& dir = StatoCatalogo.DirCentralina;
    const int limiti = LeggoLimiti(dir.trimmed().isEmpty() ? QString()
                                                           : Files::Percorso(dir, QStringLiteral("LIMITI.TXT")));
    if (limiti != 0) {
        Beep();
        Avviso(limiti == 1 ? 194 : 195);
        Salva->setEnabled(false);
    }
    if (!Link.Collegato)
        return;
    FuoriLinea->setEnabled(false);
    const bool vecchio = DatiCentralina.SwVecchio;
    Link.BufferTx = Protocollo::Riga(vecchio ? Protocollo::ComandoLetturaParametri
                                             : Protocollo::ComandoLetturaParametriN);
    Link.FaseCom = vecchio ? FASE_LEGGI_PARAMETRI : FASE_LEGGI_PARAMETRI_N;
    Shell.PuntatoreMouse = PuntatoreAttuale();
    ImpostoPuntatore(11);
    Abilito({TipoInst, BoxPers, Salva, Esci}, false);
    Segnalazione->setText(Msg(254));
    Veicolo::FermoCollegamento();
    Veicolo::MandoRichiesta(Link.BufferTx, 5000);
}

bool Parametri::controlloLimiti()
{
    for (QLineEdit* e : DatiPar)
        if (!Numerico(e->text().toLatin1()))
            return true;  // a field that is not a number skips the range checks
    for (int i = 0; i < 3; ++i) {
        const double v = Val(QByteArrayView(DatiPar[size_t(i)]->text().toLatin1()));
        if (v < Limiti[size_t(i)].first || v > Limiti[size_t(i)].second) {
            Beep();
            Avviso(197 + i);
            sposto(DatiPar[size_t(i)]);
            return false;
        }
    }
    return true;
}

void Parametri::salvoMappa()
{
    // Only the personal copy this opening prepared and read is written: never the working
    // map of a send, nor a file that could not be read.
    if (m_mappaLetta.isEmpty()) {
        if (TipoInst->currentIndex() == 0) {
            StatoCatalogo.TipoInstallazione = 0;
            Shell.DatiModificati = true;
            Scarica();
            return;
        }
        Beep();
        Avviso(211);
        return;
    }
    std::array<QString, 6> testi;
    for (size_t i = 0; i < DatiPar.size(); ++i) {
        testi[i] = DatiPar[i]->text();
        if (m_recordErrati && !Numerico(testi[i].toLatin1())) {
            Beep();
            Avviso(211);
            sposto(DatiPar[i]);
            return;
        }
    }
    if (!ScrivoRecordMappa(m_mappaLetta, RecordParametri(testi, GasForzo->isChecked(), Commutatore->isChecked()))) {
        Beep();
        Avviso(211);
        return;
    }
    StatoCatalogo.TipoInstallazione = TipoInst->currentIndex();
    Shell.DatiModificati = true;
    Scarica();
}

void Parametri::Salva_Click()
{
    if (TipoInst->currentIndex() == 1 && !controlloLimiti())
        return;
    if (DatiCentralina.SwVecchio) {
        salvoMappa();
        return;
    }
    QByteArray riga = Protocollo::ComandoScritturaParametri;
    if (TipoInst->currentIndex() == 1) {
        auto r6 = [](const QString& t) { return Protocollo::Campo6(t.trimmed().toLatin1()); };
        auto r6c = [](const QCheckBox* c) { return Protocollo::Campo6(c->isChecked() ? "1" : "0"); };
        riga += r6(DatiPar[3]->text()) + r6(DatiPar[4]->text()) + r6c(Commutatore) + r6(DatiPar[2]->text()) +
                r6c(GasForzo) + r6(DatiPar[0]->text()) + r6(DatiPar[1]->text()) + r6(DatiPar[5]->text()) +
                "000001";
    } else {
        for (int i = 0; i < 8; ++i)
            riga += "-00001";
        riga += "000000";
    }
    Link.BufferTx = Protocollo::Riga(riga);
    Link.FaseCom = FASE_SALVA_PARAMETRI;
    Abilito({TipoInst, BoxPers, Salva, Esci}, false);
    Shell.PuntatoreMouse = PuntatoreAttuale();
    ImpostoPuntatore(11);
    // Like every other sender: an ECU that pauses its frames while it stores must not be
    // taken for a lost link.
    Veicolo::FermoCollegamento();
    Veicolo::MandoRichiesta(Link.BufferTx, 5000);
}

int Parametri::TipoScelto() const
{
    return TipoInst->currentIndex();
}

void Parametri::Esci_Click()
{
    Scarica();
}

void Parametri::controlliValori(bool abilitati)
{
    Abilito({TipoInst, GasForzo, Commutatore, Salva, AcqMin, AcqMax}, abilitati);
    for (QLineEdit* e : DatiPar)
        e->setEnabled(abilitati);
}

void Parametri::FuoriLinea_Timer()
{
    if (Link.Collegato && !Salva->isEnabled())
        controlliValori(true);
    else if (!Link.Collegato && Salva->isEnabled())
        controlliValori(false);
}

void Parametri::AcqMin_Click()
{
    if (Link.DatiRicevuti && Link.Collegato)
        LivelloInCasella(DatiPar[3]);
}

void Parametri::AcqMax_Click()
{
    if (Link.DatiRicevuti && Link.Collegato)
        LivelloInCasella(DatiPar[4]);
}

int Parametri::indiceCampo(QObject* o) const
{
    for (size_t i = 0; i < DatiPar.size(); ++i)
        if (o == DatiPar[i])
            return int(i);
    return -1;
}

void Parametri::sposto(QWidget* w)
{
    // A focus move never goes to a disabled control.
    if (w && w->isEnabled())
        w->setFocus();
}

void Parametri::Form_KeyPress(int& ascii)
{
    QObject* o = ControlloTasto();
    const int i = indiceCampo(o);
    if (i >= 0) {
        if (ascii == ' ') {
            DatiPar[size_t(i)]->clear();
            ascii = 0;
        } else if (ascii == Tasti::Invio) {
            ascii = 0;
            QWidget* prossimi[] = {DatiPar[1], DatiPar[2], GasForzo, AcqMin, AcqMax,
                                   Salva->isEnabled() ? static_cast<QWidget*>(Salva) : Esci};
            sposto(prossimi[i]);
        } else if (ascii != Tasti::Backspace && ascii != Tasti::Tab && (ascii < '0' || ascii > '9')) {
            ascii = 0;
            Beep();
        }
        return;
    }
    if (o == Commutatore) {
        if (ascii == Tasti::Invio)
            sposto(DatiPar[3]);
        if (ascii != Tasti::Tab)
            ascii = 0;
        return;
    }
    if (ascii != Tasti::Invio)
        return;
    if (o == GasForzo) {
        ascii = 0;
        sposto(Commutatore);
    } else if (o == AcqMin) {
        ascii = 0;
        sposto(DatiPar[4]);
    } else if (o == AcqMax) {
        ascii = 0;
        sposto(Salva);
    }
}

bool Parametri::eventFilter(QObject* o, QEvent* e)
{
    if (e->type() == QEvent::FocusIn || e->type() == QEvent::FocusOut) {
        const int i = indiceCampo(o);
        if (i >= 0)
            FuocoCasella(DatiPar[size_t(i)], e->type() == QEvent::FocusIn);
    }
    return FormBase::eventFilter(o, e);
}

// ---- what the replies show ----

bool SchermoParametri::MostroValoreLetto(int i, const QByteArray& testo)
{
    return ValoreInCasella(Casella(i), testo);
}

void SchermoParametri::MostroPredefinito(int i, const QString& testo)
{
    PredefinitoInCasella(Casella(i), testo);
}

void SchermoParametri::MostroSegnalazione(const QString& testo)
{
    Segnalazione->setText(testo);
}

void Parametri::MostroInterruttore(int quale, bool acceso)
{
    (quale == 0 ? Commutatore : GasForzo)->setChecked(acceso);
}

void Parametri::MostroFineLettura(bool)
{
    FuoriLinea->setEnabled(true);
    Abilito({TipoInst, BoxPers, Salva, Esci}, true);
    Segnalazione->clear();
}

void Parametri::MostroFineSalvataggio(int messaggio)
{
    Abilito({TipoInst, BoxPers, Salva, Esci}, true);
    Segnalazione->setText(Msg(messaggio));
}

void Parametri::MostroLetturaInterrotta(bool vecchio)
{
    Segnalazione->clear();
    FuoriLinea->setEnabled(true);
    Esci->setEnabled(true);
    Esci->setFocus();
    if (vecchio)
        Abilito({Salva, BoxPers, TipoInst}, true);
}

void Parametri::MostroSalvataggioInterrotto()
{
    Segnalazione->setText(Msg(218));
    Esci->setEnabled(true);
    Esci->setFocus();
}
