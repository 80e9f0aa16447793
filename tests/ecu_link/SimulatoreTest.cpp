// End to end with the ECU simulator behind a pseudo-terminal: the program's screens open
// the port, activate the link and read live frames exactly as with a real ECU.
#include "support/AmbienteSimulatore.h"
#include "catalogue/StatoCatalogo.h"

#include "diagnosis/Grafici.h"
#include "diagnosis/TarMP.h"
#include "platform/PictureBox.h"
#include "shell/Avvio.h"
#include "shell/ZEQ_Inst.h"

#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QTest>

namespace {

class Simulatore : public AmbienteSimulatore {
protected:
    Veicolo* attivo()
    {
        Shell.Funzione = 1;
        Veicolo* v = Veicolo::Carica();
        v->Attivo_Click();
        return v;
    }
};

} // namespace

TEST_F(Simulatore, ActivationIdentifiesEachFormOfTheIdentity)
{
    const struct { bool breve, lunga; } casi[] = {{false, true}, {false, false}, {true, true}, {true, false}};
    for (const auto& c : casi) {
        SCOPED_TRACE(std::string(c.breve ? "R4" : "R8") + (c.lunga ? " long" : " short"));
        ecu.opzioni.rispostaBreve = c.breve;
        ecu.opzioni.formaLunga = c.lunga;
        ecu.svuotaRegistro();
        BoxHost::PulisciRegistro();
        Veicolo* v = attivo();
        ASSERT_TRUE(ricevuto("MU3"));
        ASSERT_TRUE(AttendiFinche([] { return Link.Collegato && Link.FaseCom == FASE_LIBERA; }));
        EXPECT_EQ(comandi().mid(0, 3), (QList<QByteArray>{"M#", "MUB", "MU3"}));
        EXPECT_TRUE(v->isEnabled());
        EXPECT_EQ(v->StatoCom->text(), Msg(347));
        EXPECT_EQ(DatiCentralina.Matricola, "A0012345");
        EXPECT_EQ(DatiCentralina.VersioneSw, c.lunga ? "02.510315" : "02.510   ");
        EXPECT_EQ(DatiCentralina.ErroriDati, c.breve ? 14 : 0);
        // Short replies carry no installation data: the user is told to send the data.
        EXPECT_EQ(box->testi(), c.breve ? QStringList{Msg(210)} : QStringList{});
        // From now on the live frames keep the link watchdog running.
        EXPECT_TRUE(AttendiFinche([v] { return v->CollegamentoAvviato(); }));
        ScaricoTutto();
        Link.reset();
    }
}

TEST_F(Simulatore, PersonalisedMapOnOlderSoftwareAsksForTheMap)
{
    ecu.identita.tipoCentralina = "01";
    ecu.identita.tipoInstallazione = "01";
    ecu.identita.versioneSw = "09.000315";
    Shell.Funzione = 1;
    Veicolo::Carica();
    StatoCatalogo.Cliente = "AB123CD";   // the read-out needs the plate's folder
    attivo();
    ASSERT_TRUE(ricevuto("MU2"));
    EXPECT_FALSE(comandi().contains("MU3"));
    EXPECT_EQ(Link.FaseCom, FASE_LETTURA_PERSONALE);
    EXPECT_TRUE(Attesa::Caricato());
}

TEST_F(Simulatore, ErrorRepliesAndSilenceToTheIdentityRequest)
{
    FormTimer::ImpostaScalaTempo(0.05);
    const struct { QByteArray sostituto; bool silenzio; int messaggio; bool collegato; } casi[] = {
        {"R0", false, 163, false},
        {"R2", false, 0, true},      // frames came: connected, oldest generation
        {"", true, 156, false},
    };
    for (const auto& c : casi) {
        SCOPED_TRACE(c.messaggio);
        ecu.guasti = {};
        ecu.guasti.sostituto = c.sostituto;
        ecu.guasti.silenzio = c.silenzio;
        ecu.guasti.soloPer = "MUB";
        ecu.svuotaRegistro();
        BoxHost::PulisciRegistro();
        Veicolo* v = attivo();
        ASSERT_TRUE(ricevuto("MUB"));
        ASSERT_TRUE(AttendiFinche([] { return Link.FaseCom == FASE_LIBERA; }));
        EXPECT_EQ(box->testi(), c.messaggio ? QStringList{Msg(c.messaggio)} : QStringList{});
        EXPECT_EQ(Link.Collegato, c.collegato);
        EXPECT_TRUE(v->isEnabled());
        // Only the time-out sends an end command.
        if (c.silenzio)
            EXPECT_TRUE(ricevuto("MU3"));
        else
            EXPECT_FALSE(AttendiFinche([&] { return comandi().contains("MU3"); }, 300));
        ScaricoTutto();
        Link.reset();
    }
    FormTimer::ImpostaScalaTempo(1.0);
}

TEST_F(Simulatore, NoisyChunkedRepliesWithABadChecksumFirst)
{
    ecu.guasti.checksumErrato = true;
    ecu.guasti.soloPer = "MUB";
    ecu.guasti.volte = 1;
    FormTimer::ImpostaScalaTempo(0.05);
    Veicolo* v = attivo();
    ASSERT_TRUE(ricevuto("MUB"));
    // The damaged reply is dropped; the time-out ends the attempt, the next one succeeds.
    ASSERT_TRUE(AttendiFinche([] { return Link.FaseCom == FASE_LIBERA; }));
    EXPECT_FALSE(Link.Collegato);
    FormTimer::ImpostaScalaTempo(1.0);
    ecu.guasti = {};
    ecu.guasti.rumore = "xx\x01";
    ecu.guasti.aPezzi = true;
    ecu.svuotaRegistro();
    BoxHost::PulisciRegistro();
    v->Attivo_Click();
    ASSERT_TRUE(ricevuto("MU3"));
    ASSERT_TRUE(AttendiFinche([] { return Link.Collegato; }));
    EXPECT_EQ(DatiCentralina.Matricola, "A0012345");
}

TEST_F(Simulatore, LiveDataScreenAsksForTheIdentityInItsOwnState)
{
    Shell.Funzione = 2;
    DatiMotore* d = DatiMotore::Carica();
    ASSERT_TRUE(ricevuto("MUB"));
    EXPECT_EQ(comandi().mid(0, 3), (QList<QByteArray>{"M#", "MF", "MUB"}));
    ASSERT_TRUE(ricevuto("MU3"));
    ASSERT_TRUE(AttendiFinche([] { return !Link.InterrogoDati && Link.FaseCom == FASE_LIBERA; }));
    EXPECT_TRUE(d->isEnabled());
    EXPECT_TRUE(GSM.PrimoInvioGSM);
    EXPECT_EQ(DatiCentralina.TipoCentralina, 2);
    EXPECT_EQ(box->conta(), 0);
    EXPECT_FALSE(Link.Collegato) << "the live-data screen leaves the link flag";
}

TEST_F(Simulatore, FiftyThousandFramesBackToBackAreAllRecorded)
{
    for (bool binarie : {false, true}) {
        SCOPED_TRACE(binarie ? "DB" : "DC");
        ecu.opzioni.trameBinarie = binarie;
        ecu.opzioni.periodoMs = 1000000;  // only the burst
        // Words whose bytes are "R" (0x52) and "F" (0x46).
        ecu.valori.impostaParola(ecusim::Canale::Giri, 0x0352);
        ecu.valori.impostaParola(ecusim::Canale::Pressione1, 0x4646);
        ecu.valori.impostaParola(ecusim::Canale::Tps, -5);
        Shell.Funzione = 2;
        DatiMotore::Carica();
        Link.InterrogoDati = false;
        ASSERT_TRUE(ricevuto("MF"));
        const int n = 50000;
        const qint32 primo = Diagnosi.DatiVideo[0].Numero;
        ecu.raffica(n);
        ASSERT_TRUE(AttendiFinche([&] { return Diagnosi.DatiVideo[0].Numero >= primo + n; }, 120000))
            << Diagnosi.DatiVideo[0].Numero;
        const RigaDati& r = Diagnosi.DatiVideo[0];
        EXPECT_EQ(r.Valore[9], "     850");
        EXPECT_EQ(r.Valore[0], "  1799.0");
        // -1.0 in the record's units is shown as TPS percent.
        EXPECT_EQ(r.Valore[6], "   -18.4");
        EXPECT_EQ(r.Valore[15], "G       ");
        SalvoDatiGraf();
        const QByteArray file = cartella->leggi("DATI_GRAF.GRF");
        ASSERT_EQ(file.size(), qsizetype(r.Numero) * 138);
        for (qint32 i = 0; i < r.Numero; ++i)
            ASSERT_EQ(file.mid(qsizetype(i) * 138, 8).trimmed().toInt(), i + 1) << i;
        EXPECT_EQ(filo->byteScartati(), 0);
        ScaricoTutto();
        Link.reset();
    }
}

TEST_F(Simulatore, LiveDataScreenIdentityErrorsAndSilence)
{
    FormTimer::ImpostaScalaTempo(0.05);
    const struct { QByteArray sostituto; bool silenzio; int messaggio; bool primoInvio; } casi[] = {
        {"R0", false, 163, false},
        {"R2", false, 0, true},   // frames came: the identity message still goes first
        {"", true, 208, false},
    };
    for (const auto& c : casi) {
        SCOPED_TRACE(c.messaggio);
        ecu.guasti = {};
        ecu.guasti.sostituto = c.sostituto;
        ecu.guasti.silenzio = c.silenzio;
        ecu.guasti.soloPer = "MUB";
        ecu.guasti.volte = 1;
        ecu.svuotaRegistro();
        BoxHost::PulisciRegistro();
        Shell.Funzione = 2;
        DatiMotore* d = DatiMotore::Carica();
        ASSERT_TRUE(ricevuto("MUB"));
        ASSERT_TRUE(AttendiFinche([] { return !Link.InterrogoDati && Link.FaseCom == FASE_LIBERA; }));
        EXPECT_EQ(box->testi(), c.messaggio ? QStringList{Msg(c.messaggio)} : QStringList{});
        EXPECT_EQ(GSM.PrimoInvioGSM, c.primoInvio);
        EXPECT_TRUE(d->isEnabled());
        if (c.silenzio)
            EXPECT_TRUE(ricevuto("MU3"));
        else
            EXPECT_FALSE(comandi().contains("MU3"));
        // The no-data watchdog runs again with the next frames.
        EXPECT_TRUE(AttendiFinche([d] { return d->CollegamentoAvviato(); }));
        ScaricoTutto();
        Link.reset();
        GSM.reset();
    }
    FormTimer::ImpostaScalaTempo(1.0);
}

TEST_F(Simulatore, LiveDataFromF2GraphsRecordingAndMapTpsView)
{
    using C = ecusim::Canale;
    // Words in the ECU's units; bytes 0x52 and 0x46 among them.
    ecu.valori.impostaParola(C::Pressione1, 0x4646);  // 1799.0 mbar
    ecu.valori.impostaParola(C::DeltaP, 2000);        // 200.0
    ecu.valori.impostaParola(C::Map, 123);            // 12.3
    ecu.valori.impostaParola(C::Tps, 4500);           // 900.0 in the record: 5.3 %
    ecu.valori.impostaParola(C::DutyIn, 1235);        // hundredths: 12.4 %
    ecu.valori.impostaParola(C::Giri, 0x0352);        // 850
    ecu.valori.impostaParola(C::DutyPwm, 255);        // tenths: 25.5 %
    ecu.valori.impostaParola(C::Flusso, 1250);        // 125.0 in the record: 1.3 g/s
    // The recorded texts, channel by channel, written out by hand.
    const QByteArrayList attesi = {"  1799.0", "   200.0", "    12.3", "     0.0", "     0.0", "       0",
                                   "     5.3", "       0", "    12.4", "     850", "       0", "    25.5",
                                   "     1.3", "   0.000", "  1599.0", "G       "};
    cartella->scrivi("ZEQINST.INI", "[PORTE]\r\nCOM1=" + pty->slavePath().toLatin1() +
                                        "\r\n[SERIALE]\r\nPorta=COM1\r\n");
    FormTimer::ImpostaScalaTempo(0.05);
    RegistroSchermi();
    for (bool binarie : {false, true}) {
        SCOPED_TRACE(binarie ? "DB" : "DC");
        ecu.opzioni.trameBinarie = binarie;
        // A text frame may carry text in place of the oxygen sensor's number.
        ecu.valori.testo[size_t(C::Lambda)] = binarie ? QByteArray() : QByteArray("--");
        QByteArrayList atteso = attesi;
        if (!binarie)
            atteso[4] = "      --";
        auto volte = [this](const char* c) { return int(comandi().count(c)); };
        const int mub = volte("MUB"), mt = volte("MT"), mf = volte("MF");
        pty->scartaNonLetto();   // frames of the other kind still on their way when the port closed
        ZEQ_Inst* menu = ZEQ_Inst::Carica();
        menu->Mostra(false);
        QTest::keyClick(menu, Qt::Key_F2);
        DatiMotore* d = DatiMotore::Istanza();
        ASSERT_NE(d, nullptr);
        ASSERT_TRUE(AttendiFinche([&] { return volte("MUB") > mub; })) << "the first frame asks for the identity";
        ASSERT_TRUE(AttendiFinche([&] { return d->DatiMot[9]->text() == "     850"; }));
        EXPECT_EQ(d->DatiMot[6]->text(), "     5.3");
        EXPECT_EQ(d->DatiMot[4]->text(), QString::fromLatin1(atteso[4])) << "shown as it came";
        for (int k : {9, 6, 14, 4})
            d->DatiMot1_DblClick(k);
        EXPECT_EQ(d->NumGrafici, 4);
        ecu.raffica(300);
        ASSERT_TRUE(AttendiFinche([] { return Graf.OrigineTempo > 0; }, 20000)) << Diagnosi.DatiVideo[0].Numero;
        // Traces in the panes of numbers; text is not plotted.
        auto tracciato = [](const QImage& im) {
            for (int x = 0; x < im.width(); ++x)
                for (int y = 0; y < im.height(); ++y)
                    if (im.pixelColor(x, y) == QColor(255, 0, 0))
                        return true;
            return false;
        };
        EXPECT_TRUE(tracciato(d->GraficoC[1]->Image()));
        EXPECT_EQ(tracciato(d->GraficoC[3]->Image()), binarie);
        // The MAP/TPS view: DT frames between "MT" and "MF".
        d->T_MapTPS->click();
        ASSERT_TRUE(AttendiFinche([&] { return volte("MT") > mt; }));
        ASSERT_TRUE(AttendiFinche([] { return TarMP::Istanza() && TarMP::Istanza()->DatiMot1[0]->text() == "    4500"; }));
        EXPECT_EQ(TarMP::Istanza()->DatiMot1[1]->text(), "     123");
        const int mfPrima = volte("MF");
        EXPECT_GT(mfPrima, mf) << "the screen asked for the normal frames at opening";
        TarMP::Istanza()->Esci->click();
        ASSERT_TRUE(AttendiFinche([&] { return volte("MF") > mfPrima; }));
        EXPECT_TRUE(d->isEnabled());
        // Closing writes every pending row before the port closes.
        d->Esci->click();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_FALSE(DatiMotore::Caricato());
        const qint32 n = Diagnosi.DatiVideo[0].Numero;
        const QByteArray file = cartella->leggi("DATI_GRAF.GRF");
        ASSERT_GE(n, 300);
        ASSERT_EQ(file.size(), qsizetype(n) * 138);
        for (qint32 r = 0; r < n; ++r) {
            const QByteArray riga = file.mid(qsizetype(r) * 138, 138);
            ASSERT_EQ(riga.left(8), QByteArray::number(r + 1).rightJustified(8, ' ')) << r;
            for (int c = 0; c < 16; ++c)
                ASSERT_EQ(riga.mid(8 + 8 * c, 8), atteso[c]) << "line " << r + 1 << " channel " << c;
            ASSERT_TRUE(riga.endsWith("\r\n"));
        }
        ZEQ_Inst::ScaricaIstanza();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    FormTimer::ImpostaScalaTempo(1.0);
    ZEQ_Inst::Apri() = {};
}
