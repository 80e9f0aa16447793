// The personalisation screen: limits file, keys and focus chain, range checks, the "MUFS"
// lines, the older software's save into the personal map, and the parameter replies of all
// four read states with the store reply.
#include "support/AmbienteSimulatore.h"

#include "catalogue/MapFiles.h"
#include "catalogue/PersonalMaps.h"
#include "platform/Files.h"
#include "catalogue/StatoCatalogo.h"
#include "catalogue/StatoFile.h"
#include "diagnosis/LivSerb.h"
#include "diagnosis/Parametri.h"
#include "vehicle/StatoVeicolo.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

namespace {

// The map defaults of the parameter text when the vehicle has no map that carries them.
const QString MappaPredefinita = QStringLiteral("1200295002502000 200  200001");

QByteArray Rfr(const QByteArray& a, const QByteArray& b, const QByteArray& c)
{
    return "Rfr" + a + b + c + "\r\n";
}

QByteArray Rfn(const QList<QByteArray>& campi, const QByteArray& tipo = "000001")
{
    QByteArray r = "Rfn";
    for (const QByteArray& c : campi)
        r += c;
    return r + tipo + "\r\n";
}

const QList<QByteArray> RfnTipica = {"001300", "002800", "000001", "000030",
                                     "000001", "002500", "000150", "000012"};

bool Rosso(const QLineEdit* e)
{
    return e->palette().color(QPalette::Text) == QColor(Qt::red);
}

class ParametriTest : public AmbienteVeicolo {
protected:
    void SetUp() override
    {
        AmbienteVeicolo::SetUp();
        StatoFile.reset();
        StatoCatalogo.TipoGas = 0;
        StatoCatalogo.TipoInstallazione = -1;
        StatoCatalogo.DirCentralina = cartella->file("AUTO");
        StatoCatalogo.Cliente = "AB123CD";
        DatiCentralina.TipoCentralina = 3;
        DatiCentralina.SwVecchio = false;
        cartella->scrivi("AUTO/LIMITI.TXT", "Soglia;1000;3000;\r\nCalata;100;500;\r\nTemp;20;60;\r\nP;1;2;\r\n");
    }
    Parametri* apro(int tipo)
    {
        StatoCatalogo.TipoInstallazione = tipo;
        Parametri* p = Parametri::Carica();
        return p;
    }
    // A personalised screen of the newer software whose read has been answered.
    Parametri* letto()
    {
        Link.Collegato = true;
        Parametri* p = apro(1);
        ricevo(Rfn(RfnTipica));
        scritto.clear();
        return p;
    }
    // Unloads the parameter screens, leaving the vehicle screen and the ECU identity.
    static void chiudo()
    {
        Parametri::ScaricaIstanza();
        LivSerb::ScaricaIstanza();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    void scrivo(Parametri* p, const QStringList& testi)
    {
        for (int i = 0; i < testi.size(); ++i)
            p->DatiPar[size_t(i)]->setText(testi[i]);
    }
};

} // namespace

TEST_F(ParametriTest, LimitsFileResults)
{
    const struct { QByteArray file; int esito; double min1, max1; const char* tooltip0; const char* tooltip1; } casi[] = {
        {"S;1000;3000;\r\nC;100;500;x\r\nT;20;60;\r\n", 0, 100, 500, "1000 ÷ 3000", "100 ÷ 500"},
        {"S;1000;3000;\r\nC;100;500\r\nT;20;60;\r\n", 2, 100, 0, "1000 ÷ 3000", ""},  // upper not closed
        {"S;1000;3000;\r\nC;100;500;\r\n", 2, 100, 500, "1000 ÷ 3000", "100 ÷ 500"},  // two lines
        {"S;999.5;3000;\r\nC;1;2;\r\nT;1;2;", 0, 1, 2, "1000 ÷ 3000", "1 ÷ 2"},        // "#0", no line end
        {"S 1000 3000\r\nC;1;2;\r\nT;1;2;\r\n", 2, 0, 0, "", ""},
    };
    for (const auto& c : casi) {
        SCOPED_TRACE(c.file.toStdString());
        cartella->scrivi("AUTO/LIMITI.TXT", c.file);
        Parametri* p = apro(-1);
        EXPECT_EQ(p->LeggoLimiti(cartella->file("AUTO/LIMITI.TXT")), c.esito);
        EXPECT_EQ(p->Limiti[1], std::make_pair(c.min1, c.max1));
        EXPECT_EQ(p->DatiPar[0]->toolTip(), QString::fromUtf8(c.tooltip0));
        EXPECT_EQ(p->DatiPar[1]->toolTip(), QString::fromUtf8(c.tooltip1));
        p->Scarica();
    }
    EXPECT_EQ(apro(-1)->LeggoLimiti(cartella->file("AUTO/NONE.TXT")), 1);
}

TEST_F(ParametriTest, ChoosingPersonalisedReadsTheEcu)
{
    Link.Collegato = true;
    Parametri* p = apro(1);
    EXPECT_EQ(scritto, QByteArrayList{"MUFN\r\n"});
    EXPECT_EQ(Link.FaseCom, FASE_LEGGI_PARAMETRI_N);
    EXPECT_EQ(p->Segnalazione->text(), Msg(254));
    EXPECT_FALSE(p->FuoriLinea->Enabled());
    EXPECT_FALSE(p->Esci->isEnabled());
    EXPECT_EQ(StatoVeicolo.FileTabella, cartella->file("PERSONALE.PRG"));
    EXPECT_EQ(box->conta(), 0);
    p->Scarica();
    cartella->scrivi("AUTO/LIMITI.TXT", "S;1;2;\r\n");
    scritto.clear();
    p = apro(1);
    EXPECT_EQ(box->testi(), QStringList{Msg(195)});
    EXPECT_EQ(scritto, QByteArrayList{"MUFN\r\n"}) << "the read goes on";
}

TEST_F(ParametriTest, KeysAndFocusChain)
{
    Parametri* p = letto();
    p->show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(p, 20000));
    QLineEdit* d0 = p->DatiPar[0];
    d0->setFocus();
    d0->clear();
    const int beep = ContatoreBeep();
    QTest::keyClicks(d0, "1a2.");
    EXPECT_EQ(d0->text(), "12");
    EXPECT_EQ(ContatoreBeep() - beep, 2);
    QTest::keyClick(d0, Qt::Key_Space);
    EXPECT_TRUE(d0->text().isEmpty());
    QTest::keyClicks(d0, "0015");
    QTest::keyClick(d0, Qt::Key_Return);
    EXPECT_EQ(QApplication::focusWidget(), p->DatiPar[1]);
    EXPECT_EQ(d0->text(), "  15") << "right-aligned on leaving";
    p->DatiPar[1]->clear();
    QTest::keyClick(p->DatiPar[1], Qt::Key_Return);
    EXPECT_EQ(p->DatiPar[1]->text(), "   0") << "an empty field becomes 0";

    p->Salva->setEnabled(false);
    const struct { QWidget* da; QWidget* a; } catena[] = {
        {p->DatiPar[2], p->GasForzo}, {p->GasForzo, p->Commutatore}, {p->Commutatore, p->DatiPar[3]},
        {p->DatiPar[3], p->AcqMin},   {p->AcqMin, p->DatiPar[4]},    {p->DatiPar[4], p->AcqMax},
        {p->DatiPar[5], p->Esci},     // the save is disabled: never onto it
    };
    for (const auto& c : catena) {
        c.da->setFocus();
        QTest::keyClick(c.da, Qt::Key_Return);
        EXPECT_EQ(QApplication::focusWidget(), c.a) << c.da->metaObject()->className();
    }
    p->AcqMax->setFocus();
    QTest::keyClick(p->AcqMax, Qt::Key_Return);
    EXPECT_EQ(QApplication::focusWidget(), p->AcqMax) << "the disabled save takes no focus";
    const bool acceso = p->Commutatore->isChecked();
    QTest::keyClick(p->Commutatore, Qt::Key_Space);
    EXPECT_EQ(p->Commutatore->isChecked(), acceso) << "the switch swallows every key";
}

TEST_F(ParametriTest, RangeChecksAndTheSaveLines)
{
    const QStringList buoni = {"2000", "200", "25", "1200", "2950", "20"};
    const struct { int campo; const char* valore; int messaggio; } casi[] = {
        {0, "999", 197}, {0, "1000", 0}, {0, "3000", 0}, {0, "3001", 197},
        {1, "99", 198},  {1, "500", 0},  {2, "19", 199}, {2, "61", 199}, {2, "60", 0},
        {5, "x", 0},     // a field that is not a number skips the checks
    };
    for (const auto& c : casi) {
        SCOPED_TRACE(c.valore);
        Parametri* p = letto();
        QStringList t = buoni;
        t[c.campo] = c.valore;
        scrivo(p, t);
        p->Salva_Click();
        EXPECT_EQ(box->testi(), c.messaggio ? QStringList{Msg(c.messaggio)} : QStringList{});
        EXPECT_EQ(scritto.size(), c.messaggio ? 0 : 1);
        BoxHost::PulisciRegistro();
        chiudo();
    }
    Parametri* p = letto();
    scrivo(p, buoni);
    p->GasForzo->setChecked(false);
    p->Commutatore->setChecked(true);
    Veicolo::AvvioCollegamento();
    p->Salva_Click();
    EXPECT_EQ(scritto, QByteArrayList{"MUFS001200002950000001000025000000002000000200000020000001\r\n"});
    EXPECT_EQ(scritto[0].size(), 60);
    EXPECT_EQ(Link.FaseCom, FASE_SALVA_PARAMETRI);
    EXPECT_FALSE(v->CollegamentoAvviato()) << "a pause of the frames while storing is no lost link";
    EXPECT_FALSE(p->Esci->isEnabled());
    ricevo("Rfsok\r\n");
    EXPECT_EQ(p->Segnalazione->text(), Msg(255));
    EXPECT_EQ(StatoCatalogo.TipoInstallazione, 1);
    EXPECT_EQ(DatiCentralina.TipoInstCentr, 1);
    EXPECT_TRUE(Shell.DatiModificati);

    scritto.clear();
    p->TipoInst->setCurrentIndex(0);
    p->Salva_Click();
    EXPECT_EQ(scritto, QByteArrayList{"MUFS-00001-00001-00001-00001-00001-00001-00001-00001000000\r\n"});
}

TEST_F(ParametriTest, StoreReplies)
{
    const struct { int fase; QByteArray risposta; int messaggio; bool datiOut; } casi[] = {
        {FASE_SALVA_SERBATOIO, "Rfsok\r\n", 255, true}, {FASE_SALVA_SERBATOIO, "Rfsko\r\n", 252, true},
        {FASE_SALVA_PARAMETRI, "Rfsok\r\n", 255, false}, {FASE_SALVA_PARAMETRI, "Rfsko\r\n", 252, true},
        {FASE_SALVA_PARAMETRI, "RfsOK\r\n", 0, false},   {FASE_LEGGI_PARAMETRI_N, "Rfsok\r\n", 0, false},
    };
    for (const auto& c : casi) {
        SCOPED_TRACE(c.risposta.toStdString() + std::to_string(c.fase));
        Parametri* p = apro(-1);
        LivSerb* s = LivSerb::Carica();
        StatoCatalogo.TipoInstallazione = 0;
        s->Segnalazione->clear();
        Link.FaseCom = c.fase;
        Veicolo::FermoCollegamento();
        Veicolo::AvvioRisposta();
        ricevo(c.risposta);
        QLabel* segnalazione = c.fase == FASE_SALVA_SERBATOIO ? s->Segnalazione : p->Segnalazione;
        EXPECT_EQ(segnalazione->text(), c.messaggio ? Msg(c.messaggio) : QString());
        EXPECT_EQ(Link.FaseCom, c.messaggio ? FASE_LIBERA : c.fase);
        EXPECT_EQ(v->RispostaAvviata(), c.messaggio == 0);
        EXPECT_EQ(v->CollegamentoAvviato(), c.datiOut);
        chiudo();
    }
}

TEST_F(ParametriTest, ParameterRepliesInEveryReadState)
{
    const QByteArray rfrBuona = Rfr("001500", "002700", "000001");
    const struct {
        const char* caso;
        int fase;
        QByteArray risposta;
        QStringList testi;     // the boxes the state fills ("!" prefix: red)
        bool commutatore;
        bool messaggio251;
        int salvo = 0;         // tank of the newer software: Save then shows 215 (sent) or 259 (refused)
    } casi[] = {
        {"tank, Rfr", FASE_LEGGI_SERBATOIO, rfrBuona, {"  1500", "  2700"}, true, false},
        {"tank, missing value", FASE_LEGGI_SERBATOIO, Rfr("-00001", "002700", "000001"), {"!1200", "  2700"}, true, true},
        {"tank, bad switch", FASE_LEGGI_SERBATOIO, Rfr("001500", "002700", "000002"), {"  1500", "  2700"}, false, true},
        {"tank, letters", FASE_LEGGI_SERBATOIO, Rfr("abcdef", "002700", "abcdef"), {"!1200", "  2700"}, false, true},
        {"tank, switch of letters", FASE_LEGGI_SERBATOIO, Rfr("001500", "002700", "abcdef"), {"  1500", "  2700"}, false, false},
        {"tank, overlong line", FASE_LEGGI_SERBATOIO, Rfr("001500", "002700", "0000010"), {"!1200", "!2950"}, false, true},
        {"personal, Rfr", FASE_LEGGI_PARAMETRI, rfrBuona, {"", "", "", "1500", "2700", ""}, true, false},
        {"personal, too long", FASE_LEGGI_PARAMETRI, Rfr("012345", "002700", "000001"), {"", "", "", "!1200", "2700", ""}, true, false},
        {"personal, Rfn", FASE_LEGGI_PARAMETRI_N, Rfn(RfnTipica), {"2500", " 150", "30", "1300", "2800", "  12"}, true, false},
        {"personal, Rfn of 60", FASE_LEGGI_PARAMETRI_N, Rfn(RfnTipica, "0000011"),
         {"!2000", "! 200", "!25", "!1200", "!2950", "!  20"}, false, false},
        {"tank, Rfn", FASE_LEGGI_SERBATOIO_N, Rfn(RfnTipica), {"  1300", "  2800"}, true, false, 215},
        {"tank, Rfn of 17", FASE_LEGGI_SERBATOIO_N, "Rfn001300002800\r\n", {"!1200", "!2950"}, false, true, 259},
        {"tank, Rfn of 59 with a line end in its data", FASE_LEGGI_SERBATOIO_N,
         Rfn(RfnTipica, "000\r01"),
         {"!1200", "!2950"}, false, true, 259},
        {"personal, Rfr of 9", FASE_LEGGI_PARAMETRI, "Rfr0015\r\n", {"", "", "", "!1200", "!2950", ""}, false, false},
    };
    for (const auto& c : casi) {
        SCOPED_TRACE(c.caso);
        const bool serbatoio = c.fase == FASE_LEGGI_SERBATOIO || c.fase == FASE_LEGGI_SERBATOIO_N;
        DatiCentralina.SwVecchio = c.fase == FASE_LEGGI_SERBATOIO || c.fase == FASE_LEGGI_PARAMETRI;
        SchermoParametri* schermo = nullptr;
        QList<QLineEdit*> caselle;
        QCheckBox* commutatore = nullptr;
        QLabel* segnalazione = nullptr;
        if (serbatoio) {
            LivSerb* s = LivSerb::Carica();
            caselle = {s->DatiPar[0], s->DatiPar[1]};
            commutatore = s->Commutatore;
            segnalazione = s->Segnalazione;
            schermo = s;
        } else {
            Parametri* p = apro(-1);
            p->BoxPers->setEnabled(false);
            for (QLineEdit* e : p->DatiPar)
                caselle << e;
            commutatore = p->Commutatore;
            segnalazione = p->Segnalazione;
            schermo = p;
        }
        ASSERT_NE(schermo, nullptr);
        commutatore->setChecked(!c.commutatore);
        Link.FaseCom = c.fase;
        Veicolo::AvvioRisposta();
        ElaboroRisposta(c.risposta);
        EXPECT_EQ(Link.FaseCom, FASE_LIBERA);
        EXPECT_FALSE(v->RispostaAvviata());
        EXPECT_TRUE(v->CollegamentoAvviato());
        EXPECT_EQ(PuntatoreAttuale(), 1);
        for (int i = 0; i < c.testi.size(); ++i) {
            const bool rosso = c.testi[i].startsWith('!');
            EXPECT_EQ(caselle[i]->text(), rosso ? c.testi[i].mid(1) : c.testi[i]) << i;
            if (!c.testi[i].isEmpty()) {
                EXPECT_EQ(Rosso(caselle[i]), rosso) << i;
            }
        }
        EXPECT_EQ(commutatore->isChecked(), c.commutatore);
        EXPECT_EQ(segnalazione->text(), c.messaggio251 ? Msg(251) : QString());
        if (!serbatoio) {
            EXPECT_TRUE(static_cast<Parametri*>(schermo)->BoxPers->isEnabled());
        }
        if (c.salvo != 0) {
            scritto.clear();
            static_cast<LivSerb*>(schermo)->Salva_Click();
            EXPECT_EQ(segnalazione->text(), Msg(c.salvo));
            EXPECT_EQ(scritto.size(), c.salvo == 215 ? 1 : 0);
        }
        chiudo();
    }
}

TEST_F(ParametriTest, TankReadKeepsTheParameterString)
{
    const struct { const char* caso; int fase; QByteArray risposta; QString attesa; } casi[] = {
        {"older software", FASE_LEGGI_SERBATOIO, Rfr("001500", "002700", "000001"), "120029500"},
        {"values written in", FASE_LEGGI_SERBATOIO_N, Rfn(RfnTipica, "ABCDEF"),
         "120029500" + QStringLiteral("30") + "1" + "2500" + " 150" + "  12" + "0001" + "ABCDEF"},
        {"missing and too long keep the map's", FASE_LEGGI_SERBATOIO_N,
         Rfn({"001300", "002800", "000001", "000125", "000007", "-00001", "000150", "012345"}),
         "120029500" + QStringLiteral("25") + "0" + "2000" + " 150" + "  20" + "0001" + "000001"},
        {"wrong length", FASE_LEGGI_SERBATOIO_N, Rfn(RfnTipica, "0000011"), MappaPredefinita + "000001"},
        {"cut short", FASE_LEGGI_SERBATOIO_N, "Rfn001300002800\r\n", MappaPredefinita},
        {"cut in the type field", FASE_LEGGI_SERBATOIO_N, Rfn(RfnTipica, "ABCD"), MappaPredefinita + "ABCD"},
    };
    for (const auto& c : casi) {
        SCOPED_TRACE(c.caso);
        Link.FaseCom = c.fase;
        ElaboroRisposta(c.risposta);
        EXPECT_EQ(StatoFile.ParSerbatoio, c.attesa);
    }
    // A reply of the other kind is not awaited: dropped.
    Link.FaseCom = FASE_LEGGI_SERBATOIO;
    StatoFile.ParSerbatoio = "x";
    ricevo(Rfn(RfnTipica));
    EXPECT_EQ(Link.FaseCom, FASE_LEGGI_SERBATOIO);
    EXPECT_EQ(StatoFile.ParSerbatoio, "x");
}

TEST_F(ParametriTest, LinkMirror)
{
    Parametri* p = apro(0);
    EXPECT_FALSE(p->Salva->isEnabled());
    Link.Collegato = true;
    p->FuoriLinea_Timer();
    EXPECT_TRUE(p->Salva->isEnabled());
    EXPECT_TRUE(p->TipoInst->isEnabled());
    Link.Collegato = false;
    p->FuoriLinea_Timer();
    EXPECT_FALSE(p->Salva->isEnabled());
    EXPECT_FALSE(p->AcqMax->isEnabled());
}

// ---- older ECU software: the personal map ----

namespace {

// A normalised 2,850-record map with the parameter records set.
QByteArray MappaConParametri(const QMap<int, QByteArray>& valori)
{
    QByteArray m;
    for (int n = 1; n <= MappaValori::NumeroValori; ++n)
        m += valori.value(n, QByteArray::number(n % 1000).rightJustified(6, '0')) + "\r\n";
    return m;
}

const QMap<int, QByteArray> ParametriMappa = {
    {2654, "000025"}, {2690, "000000"}, {2775, "000000"}, {2691, "002000"}, {2776, "002000"},
    {2692, "000200"}, {2777, "000200"}, {2700, "001200"}, {2784, "001200"}, {2701, "002950"},
    {2785, "002950"}, {2702, "000020"}, {2786, "000020"}, {2706, "000001"},
};

class ParametriVecchi : public ParametriTest {
protected:
    void SetUp() override
    {
        ParametriTest::SetUp();
        DatiCentralina.SwVecchio = true;
        StatoVeicolo.FileTabella = cartella->file("AUTO/MOTORO03.APP");
        cartella->scrivi("AUTO/MOTORO03.APP", "working map of the send\r\n");
    }
    QString personale() const { return cartella->file("PERSONALIZZATE/AB123CD/MOTORO03.QOX"); }
};

} // namespace

TEST_F(ParametriVecchi, ReadAndSaveRoundTrip)
{
    const QByteArray mappa = MappaConParametri(ParametriMappa);
    cartella->scrivi("AUTO/MOTORO03.QOX", mappa);
    Parametri* p = apro(1);
    EXPECT_EQ(box->conta(), 0);
    EXPECT_TRUE(scritto.isEmpty()) << "link down: nothing asked";
    const QStringList attesi = {"  2000", "   200", "    25", "  1200", "  2950", "20"};
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(p->DatiPar[size_t(i)]->text(), attesi[i]);
    EXPECT_TRUE(p->Commutatore->isChecked());
    EXPECT_FALSE(p->GasForzo->isChecked());

    scrivo(p, {"2100", "300", "30", "1100", "2900", "15"});
    p->GasForzo->setChecked(true);
    p->Salva->setEnabled(true);
    p->Salva_Click();
    EXPECT_FALSE(Parametri::Caricato());
    EXPECT_TRUE(scritto.isEmpty());
    EXPECT_EQ(StatoCatalogo.TipoInstallazione, 1);
    EXPECT_TRUE(Shell.DatiModificati);
    QMap<int, QByteArray> nuovi = ParametriMappa;
    for (auto [n, val] : std::initializer_list<std::pair<int, const char*>>{
             {2691, "002100"}, {2776, "002100"}, {2692, "000300"}, {2777, "000300"}, {2654, "000030"},
             {2690, "000001"}, {2775, "000001"}, {2700, "001100"}, {2784, "001100"}, {2701, "002900"},
             {2785, "002900"}, {2702, "000015"}, {2786, "000015"}})
        nuovi[n] = val;
    QFile f(personale());
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), MappaConParametri(nuovi)) << "every other record byte-identical, CR LF kept";
    EXPECT_EQ(cartella->leggi("AUTO/MOTORO03.APP"), "working map of the send\r\n");
    EXPECT_EQ(cartella->leggi("AUTO/MOTORO03.QOX"), mappa);
}

TEST_F(ParametriVecchi, OnlyThisOpeningsPersonalCopyIsWrittenAndOnlyWhole)
{
    // A three-digit sampling number cannot be shown whole: the copy is invalid, the field
    // shows the map's default in red.
    QMap<int, QByteArray> tre = ParametriMappa;
    tre[2702] = "000120";
    const QByteArray mappa = MappaConParametri(tre);
    cartella->scrivi("AUTO/MOTORO03.QOX", mappa);
    Parametri* p = apro(1);
    EXPECT_EQ(box->testi(), QStringList{Msg(211)});
    EXPECT_EQ(p->DatiPar[5]->text(), "20");
    EXPECT_TRUE(Rosso(p->DatiPar[5]));
    EXPECT_FALSE(p->Salva->isEnabled());
    p->Salva->setEnabled(true);
    BoxHost::PulisciRegistro();
    p->DatiPar[5]->clear();
    p->Salva_Click();
    EXPECT_EQ(box->testi(), QStringList{Msg(211)});
    EXPECT_TRUE(Parametri::Caricato());
    QFile f(personale());
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), mappa);
    p->DatiPar[5]->setText("15");
    p->Salva_Click();
    EXPECT_FALSE(Parametri::Caricato());
    tre[2702] = tre[2786] = "000015";
    EXPECT_EQ(cartella->leggi("PERSONALIZZATE/AB123CD/MOTORO03.QOX"), MappaConParametri(tre)) << "repaired";

    // Standard type without a copy prepared by this opening: nothing written, the screen
    // closes as the standard type.
    chiudo();
    BoxHost::PulisciRegistro();
    Link.Collegato = true;
    p = apro(0);
    p->Salva_Click();
    EXPECT_FALSE(Parametri::Caricato());
    EXPECT_EQ(box->conta(), 0);
    EXPECT_EQ(StatoCatalogo.TipoInstallazione, 0);
    EXPECT_TRUE(Shell.DatiModificati);
    EXPECT_EQ(cartella->leggi("AUTO/MOTORO03.APP"), "working map of the send\r\n");
}

TEST(ParametriMappa, RecordsThatCannotBeShownWholeAreInvalid)
{
    const struct { int record; const char* valore; int esito; } casi[] = {
        {0, "", 0},            {2702, "000099", 0}, {2702, "000100", -1}, {2786, "abcdef", -1},
        {2775, "000002", -1},  {2690, "000002", -1}, {2691, "0020.5", 0},  {2691, "12345x", -1},
    };
    for (const auto& c : casi) {
        QMap<int, QByteArray> m = ParametriMappa;
        if (c.record)
            m[c.record] = c.valore;
        EXPECT_EQ(LeggoRecordParametri(MappaConParametri(m)).esito, c.esito) << c.record << c.valore;
    }
    EXPECT_EQ(LeggoRecordParametri("000001\r\n").esito, -1);
}

// ---- with the ECU simulator over a pseudo-terminal ----

namespace {

class ParametriSimulatore : public AmbienteSimulatore {
protected:
    void SetUp() override
    {
        AmbienteSimulatore::SetUp();
        cartella->scrivi("AUTO/LIMITI.TXT", "S;1000;3000;\r\nC;50;500;\r\nT;20;60;\r\nP;1;2;\r\n");
        ecu.valori.imposta(ecusim::Canale::LivelloGas, 1111);
        ASSERT_NE(collegato(), nullptr);
        StatoCatalogo.DirCentralina = cartella->file("AUTO");
        StatoCatalogo.TipoGas = 0;
        StatoCatalogo.TipoInstallazione = 1;
    }
    Parametri* apro()
    {
        Parametri* p = Parametri::Carica();
        p->show();
        AttendiFinche([] { return Link.FaseCom == FASE_LIBERA; });
        return p;
    }
};

} // namespace

TEST_F(ParametriSimulatore, ReadEditStoreAndReadAgain)
{
    Parametri* p = apro();
    EXPECT_EQ(comandi(), QList<QByteArray>{"MUFN"});
    const QStringList letti = {"1500", " 100", "45", "1200", "2950", "  10"};
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(p->DatiPar[size_t(i)]->text(), letti[i]) << i;
        EXPECT_FALSE(Rosso(p->DatiPar[size_t(i)]));
    }
    EXPECT_TRUE(p->Esci->isEnabled());
    ASSERT_TRUE(AttendiFinche([] { return Link.DatiRicevuti; }));
    p->AcqMin_Click();
    EXPECT_EQ(p->DatiPar[3]->text(), "1111") << "the live tank reading";
    p->DatiPar[0]->setText("2000");
    p->GasForzo->setChecked(true);
    p->Salva_Click();
    ASSERT_TRUE(AttendiFinche([p] { return p->Segnalazione->text() == Msg(255); }));
    EXPECT_EQ(comandi().value(1), "MUFS001111002950000000000045000001002000000100000010000001");
    EXPECT_EQ(ecu.parametri, (std::array<int, 8>{1111, 2950, 0, 45, 1, 2000, 100, 10}));
    EXPECT_TRUE(Shell.DatiModificati);

    p->Esci_Click();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    p = apro();
    EXPECT_EQ(p->DatiPar[0]->text(), "2000");
    EXPECT_EQ(p->DatiPar[3]->text(), "1111");
    EXPECT_TRUE(p->GasForzo->isChecked());
    EXPECT_FALSE(Rosso(p->DatiPar[0]));
    EXPECT_EQ(box->conta(), 0);
}

TEST_F(ParametriSimulatore, RefusedWithTheEngineRunningThenASlowReplyWithTheFramesPaused)
{
    Parametri* p = apro();
    ecu.opzioni.motoreAcceso = true;
    p->DatiPar[0]->setText("2100");
    p->Salva_Click();
    ASSERT_TRUE(AttendiFinche([p] { return p->Segnalazione->text() == Msg(252); }));
    EXPECT_EQ(ecu.parametri[5], 1500) << "not stored";
    EXPECT_TRUE(p->Salva->isEnabled()) << "the user can try again";

    // The ECU pauses its frames while it stores and answers after three seconds: the link
    // watchdog (stopped by the send) must not take that for a lost link.
    FormTimer::ImpostaScalaTempo(1.0);
    ecu.opzioni.motoreAcceso = false;
    ecu.opzioni.ritardoPer["MUFS"] = 3000;
    ecu.opzioni.trameFermeInRitardo = true;
    p->Salva_Click();
    ASSERT_TRUE(AttendiFinche([p] { return p->Segnalazione->text() == Msg(255); }));
    EXPECT_EQ(box->conta(), 0) << "no message 353";
    EXPECT_TRUE(Link.Collegato);
    EXPECT_TRUE(p->Esci->isEnabled());
    EXPECT_EQ(ecu.parametri[5], 2100);
}

TEST_F(ParametriSimulatore, OlderSoftwareStoresIntoThePersonalMapOnly)
{
    ScaricoTutto();
    ecu.identita.versioneSw = "01.000315";
    ASSERT_NE(collegato(), nullptr);
    ASSERT_TRUE(DatiCentralina.SwVecchio);
    StatoCatalogo.DirCentralina = cartella->file("AUTO");
    StatoCatalogo.TipoInstallazione = 1;
    StatoCatalogo.Cliente = "AB123CD";
    const QString cartellaVeicolo = CartellaVeicolo();
    ASSERT_FALSE(cartellaVeicolo.isEmpty());
    cartella->scrivi("AUTO/MOTORO02.QOX", MappaConParametri(ParametriMappa));
    Parametri* p = apro();
    EXPECT_EQ(comandi(), QList<QByteArray>{"MUFR"});
    // The ECU's tank values over the map's; the other values from the map.
    EXPECT_EQ(p->DatiPar[3]->text(), "  1200");
    EXPECT_EQ(p->DatiPar[0]->text(), "  2000");
    p->DatiPar[0]->setText("2400");
    p->Salva_Click();
    EXPECT_FALSE(Parametri::Caricato());
    EXPECT_EQ(comandi(), QList<QByteArray>{"MUFR"}) << "nothing sent";
    QByteArray v;
    ASSERT_TRUE(LeggoRecordMappa(Files::Trova(cartellaVeicolo, "MOTORO02.QOX"), 2691, v));
    EXPECT_EQ(v, "002400");
    EXPECT_EQ(ecu.parametri[5], 1500);
}
