// The live-data screen under the offscreen platform: values and fuel lamp, graph panes
// added and removed, what the panes show, the window scroll, the page switch, the MAP/TPS
// view, the watchdog boxes and the recording at close.
#include "diagnosis/DatiMotore.h"
#include "diagnosis/Grafici.h"
#include "diagnosis/TarMP.h"
#include "platform/PictureBox.h"
#include "platform/SerialControl.h"
#include "remote/Aggancio.h"
#include "support/Ambiente.h"

#include <QFile>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <csignal>
#include <sys/resource.h>

namespace {

class Schermo : public AmbienteLink {
protected:
    DatiMotore* d = nullptr;
    void SetUp() override
    {
        AmbienteLink::SetUp();
        Shell.Funzione = 2;
        d = DatiMotore::Carica();
        d->Mostra(false);
        Link.InterrogoDati = false;  // the identity has been read
        scritto.clear();
    }
    // One frame with RPM (field 9) = rpm, then one display tick.
    void campione(int rpm, bool tick = true)
    {
        QList<QByteArray> campi(14, "0");
        campi[9] = QByteArray::number(rpm);
        ricevo(TramaDC(campi));
        if (tick)
            d->VisDati_Timer();
    }
    void doppioClic(int k) { QTest::mouseDClick(d->DatiMot1[k], Qt::LeftButton); }
    static int visibili(MatriceLinee* m)
    {
        int n = 0;
        for (int i = 0; i < m->Count(); ++i)
            n += (*m)[i]->Visible;
        return n;
    }
    // Columns of the trace picture holding a pixel of the trace colour.
    static QList<int> colonneRosse(const QImage& im)
    {
        QList<int> c;
        for (int x = 0; x < im.width(); ++x)
            for (int y = 0; y < im.height(); ++y)
                if (im.pixelColor(x, y) == QColor(255, 0, 0)) {
                    c << x;
                    break;
                }
        return c;
    }
};

} // namespace

TEST_F(Schermo, ValuesAndFuelLamp)
{
    const struct { char carburante; QColor lampada; QString testo; } casi[] = {
        {'B', QColor(255, 0, 0), Msg(380)}, {'G', QColor(0, 255, 0), Msg(381)},
        {'X', QColor(255, 255, 255), "-------"}, {' ', QColor(255, 255, 255), "-------"},
    };
    for (const auto& c : casi) {
        ricevo(TramaDCSemplice(c.carburante));
        d->VisDati_Timer();
        EXPECT_EQ(d->LedBG->property("colore").value<QColor>(), c.lampada) << c.carburante;
        EXPECT_EQ(d->DatiMot1[15]->text(), c.testo) << c.carburante;
    }
    // Shown as their 8-character texts, converted where the channel table converts.
    EXPECT_EQ(d->DatiMot[9]->text(), "     850");
    EXPECT_EQ(d->DatiMot1[9]->text(), "     850");
    EXPECT_EQ(d->DatiMot[6]->text(), "   -18.1") << "12.4 in the record's units";
    EXPECT_EQ(d->DatiMot[14]->text(), "  1000.0");
    EXPECT_EQ(d->DatiMot[5], nullptr) << "the gas level has no box on the engine page";
    EXPECT_EQ(d->BoxDati[9]->title(), Msg(305));
    EXPECT_EQ(d->LabMot1[13]->text(), "Libero 1");
    EXPECT_EQ(d->Legenda->text(), Msg(311));
}

TEST_F(Schermo, ARemoteExchangeLocksThePagesButLeavesTheValuesReadable)
{
    ricevo(TramaDCSemplice('G'));
    d->VisDati_Timer();
    d->MostroScambioRemoto(true);
    ASSERT_FALSE(d->SfondoMotore->isEnabled());
    // The darkest pixel of each text: black, never the grey of a disabled control.
    auto piuScuro = [](QWidget* w) {
        const QImage im = w->grab().toImage();
        int minimo = 255;
        for (int y = 0; y < im.height(); ++y)
            for (int x = 0; x < im.width(); ++x)
                minimo = std::min(minimo, qGray(im.pixel(x, y)));
        return minimo;
    };
    const struct { const char* nome; QWidget* w; bool grafici; } casi[] = {
        {"engine-page value", d->DatiMot[9], false},
        {"engine-page caption", d->BoxDati[9], false},
        {"fuel legend", d->Legenda, false},
        {"graph-list value", d->DatiMot1[9], true},
        {"graph-list caption", d->LabMot1[9], true},
    };
    for (const auto& c : casi) {
        if (c.grafici)
            d->PaginaGrafici_Click();
        EXPECT_FALSE(c.w->isEnabled()) << c.nome;
        EXPECT_LT(piuScuro(c.w), 60) << c.nome;
    }
}

TEST_F(Schermo, WithoutPanesFramesAreShownButNotPlotted)
{
    campione(850);
    EXPECT_FALSE(Link.DatiRicevuti) << "cleared on each tick";
    EXPECT_EQ(d->DatiMot[9]->text(), "     850");
    EXPECT_EQ(Diagnosi.DatiVideo[1].Numero, -1) << "nothing drawn";
}

TEST_F(Schermo, DoubleClickAddsAndRemovesPanes)
{
    doppioClic(15);
    EXPECT_EQ(d->NumGrafici, 0) << "the fuel has no graph";
    doppioClic(9);
    ASSERT_EQ(d->NumGrafici, 1);
    EXPECT_FALSE(d->Pann_Grafico[0]->isHidden());
    EXPECT_EQ(d->Pann_Grafico[0]->geometry(), QRect(140, 8, 657, 465));
    EXPECT_EQ(d->NomeC[0]->text(), Msg(305));
    EXPECT_EQ(visibili(d->GrigliaV[0]), 4);
    EXPECT_EQ(visibili(d->GrigliaH[0]), 9);
    for (int k : {0, 3, 6})
        doppioClic(k);
    EXPECT_EQ(d->NumGrafici, 4);
    doppioClic(12);
    EXPECT_EQ(d->NumGrafici, 4) << "a fifth channel changes nothing";
    EXPECT_FALSE(Graf.Canali[12].InGrafico);
    doppioClic(6);  // three panes: each slot keeps its quarter
    EXPECT_EQ(d->NumGrafici, 3);
    EXPECT_EQ(d->Pann_Grafico[1]->pos(), QPoint(140, 240));
    EXPECT_EQ(d->Pann_Grafico[2]->pos(), QPoint(466, 8));
    EXPECT_EQ(d->Pann_Grafico[2]->size(), QSize(328, 232));
    doppioClic(9);  // slot 0 removed: the other two are stacked, slot 1 on top
    EXPECT_EQ(d->NumGrafici, 2);
    EXPECT_TRUE(d->Pann_Grafico[0]->isHidden());
    EXPECT_EQ(d->GrigliaV[0]->Count(), 1) << "the loaded grid lines of a free pane are unloaded";
    EXPECT_EQ(d->Pann_Grafico[1]->pos(), QPoint(140, 8));
    EXPECT_EQ(d->Pann_Grafico[2]->pos(), QPoint(140, 240));
    EXPECT_EQ(d->Pann_Grafico[2]->size(), QSize(657, 232));
}

TEST_F(Schermo, RedTraceOnBlackUnderWhiteGrid)
{
    doppioClic(9);
    for (int i = 0; i < 20; ++i)
        campione(800 + 10 * i);
    PictureBox* g = d->GraficoC[0];
    const QImage im = g->Image();
    EXPECT_EQ(im.pixelColor(im.width() - 2, 2), QColor(0, 0, 0));
    const QList<int> rosse = colonneRosse(im);
    ASSERT_FALSE(rosse.isEmpty());
    EXPECT_LE(rosse.first(), 3);
    EXPECT_NEAR(rosse.last(), g->width() * 20 / 200, 2);
    // The grid is painted over the picture, in white.
    d->PaginaGrafici_Click();
    const QImage visto = g->grab().toImage();
    const int x = qRound(g->width() / 5.0);
    const int y = g->height() - 3;
    EXPECT_TRUE(visto.pixelColor(x - 1, y) == Qt::white || visto.pixelColor(x, y) == Qt::white);
    EXPECT_EQ(g->Image().pixelColor(x, y), QColor(0, 0, 0)) << "never drawn into the trace";
    EXPECT_EQ(g->Image().pixelColor(x - 1, y), QColor(0, 0, 0));

    // Removed, 20 samples at 2000, added again: drawn up to the newest sample, and the next
    // segment does not start from sample 20.
    doppioClic(9);
    for (int i = 0; i < 20; ++i)
        campione(2000);
    doppioClic(9);
    EXPECT_NEAR(colonneRosse(g->Image()).last(), g->width() * 40 / 200, 2);
    campione(2000);
    const QImage dopo = g->Image();
    int punti = 0;
    for (int r = 0; r < dopo.height(); ++r)
        punti += dopo.pixelColor(g->width() * 30 / 200, r) == QColor(255, 0, 0);
    EXPECT_EQ(punti, 1) << "sample 30 at 2000 only";
}

TEST_F(Schermo, WindowMovesByAFifthWhenSample200Arrives)
{
    doppioClic(9);
    for (int n = 1; n < 200; ++n)
        campione(n == 100 ? 2000 : 1000);
    const QList<int> prima = colonneRosse(d->GraficoC[0]->Image());
    EXPECT_EQ(Graf.OrigineTempo, 0);
    campione(1000);
    EXPECT_EQ(Graf.OrigineTempo, 40);
    EXPECT_EQ(Graf.Canali[16].ScalaMin + Graf.OrigineTempo, 40);
    // The spike of sample 100 moved left by one fifth of the picture.
    auto picco = [&](const PictureBox* g) {
        const QImage im = g->Image();
        for (int y = 0; y < im.height(); ++y)
            for (int x = 0; x < im.width(); ++x)
                if (im.pixelColor(x, y) == QColor(255, 0, 0))
                    return x;
        return -1;
    };
    const int w = d->GraficoC[0]->width();
    EXPECT_NEAR(picco(d->GraficoC[0]), w * 60 / 200, 2);
    EXPECT_FALSE(prima.isEmpty());
}

TEST_F(Schermo, AHeldUpTimerClearsThePaneAndRedrawsFromTheFile)
{
    doppioClic(9);
    for (int n = 1; n <= 150; ++n)
        campione(3000);
    // A modal box held the display timer: 700 frames arrive without a tick.
    for (int n = 0; n < 700; ++n)
        campione(1000, false);
    campione(1000);
    EXPECT_EQ(Graf.OrigineTempo, 680);
    // Only the samples of the new window are in the picture: flat at 1000, none at 3000.
    const QImage im = d->GraficoC[0]->Image();
    const QList<int> rosse = colonneRosse(im);
    ASSERT_FALSE(rosse.isEmpty());
    EXPECT_NEAR(rosse.last(), d->GraficoC[0]->width() * 171 / 200, 3);
    EXPECT_EQ(Graf.Canali[9].ScalaMin, 996) << "the axis follows the window";
}

TEST_F(Schermo, PageSwitch)
{
    EXPECT_FALSE(d->PaginaMotore->isEnabled());
    EXPECT_TRUE(d->SfondoMotore->isVisibleTo(d));
    d->PaginaGrafici->click();
    EXPECT_TRUE(d->PaginaMotore->isEnabled());
    EXPECT_FALSE(d->PaginaGrafici->isEnabled());
    EXPECT_TRUE(d->SfondoGrafici->isVisibleTo(d));
    EXPECT_FALSE(d->SfondoMotore->isVisibleTo(d));
    d->PaginaMotore->click();
    EXPECT_TRUE(d->SfondoMotore->isVisibleTo(d));
    EXPECT_FALSE(d->SfondoGrafici->isVisibleTo(d));
}

TEST_F(Schermo, MapTpsViewAndItsCloseBox)
{
    d->T_MapTPS->click();
    TarMP* t = TarMP::Istanza();
    ASSERT_NE(t, nullptr);
    EXPECT_FALSE(d->isEnabled());
    EXPECT_EQ(scritto, QByteArrayList{"MT\r\n"});
    EXPECT_EQ(t->windowTitle(), Msg(370));
    d->close();  // the live screen's close box is ignored while the view holds it
    EXPECT_TRUE(DatiMotore::Caricato());
    t->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(TarMP::Caricato());
    EXPECT_EQ(scritto, (QByteArrayList{"MT\r\n", "MF\r\n"}));
    EXPECT_FALSE(Link.TarMPattivo);
    EXPECT_TRUE(d->isEnabled());
    EXPECT_TRUE(d->T_MapTPS->isEnabled());
    d->close();  // now it leaves as the exit button does
    EXPECT_FALSE(DatiMotore::Caricato());
}

TEST_F(Schermo, PendingRowsReachTheFileBeforeThePortCloses)
{
    for (int n = 0; n < 37; ++n)
        campione(900, false);
    d->Esci->click();
    const QByteArray file = cartella->leggi("DATI_GRAF.GRF");
    ASSERT_EQ(file.size(), 37 * 138);
    EXPECT_EQ(file.mid(36 * 138, 8), "      37");
}

TEST_F(Schermo, SampleNumberBeyondEightDigitsStopsTheRecording)
{
    Diagnosi.DatiVideo[0].Numero = 99999997;
    for (int n = 0; n < 4; ++n)
        campione(900, false);
    SalvoDatiGraf();
    const QByteArray file = cartella->leggi("DATI_GRAF.GRF");
    ASSERT_EQ(file.size(), 2 * 138);
    EXPECT_EQ(file.left(8), "99999998");
    EXPECT_EQ(d->Registrazione->text(), Msg(362));
    EXPECT_EQ(box->conta(), 0) << "said in the label, not in a box";
    campione(900, false);
    SalvoDatiGraf();
    EXPECT_EQ(cartella->leggi("DATI_GRAF.GRF").size(), 2 * 138) << "off until the next reset";

    // A write the disk refuses half-way (a 1,000-byte file limit) leaves no part of it.
    AzzeroGrafici();
    for (int n = 0; n < 37; ++n)
        campione(900, false);
    rlimit vecchio{};
    ::getrlimit(RLIMIT_FSIZE, &vecchio);
    const auto segnale = ::signal(SIGXFSZ, SIG_IGN);
    const rlimit stretto{1000, vecchio.rlim_max};
    ::setrlimit(RLIMIT_FSIZE, &stretto);
    SalvoDatiGraf();
    ::setrlimit(RLIMIT_FSIZE, &vecchio);
    ::signal(SIGXFSZ, segnale);
    EXPECT_EQ(cartella->leggi("DATI_GRAF.GRF"), QByteArray());
    EXPECT_EQ(d->Registrazione->text(), Msg(362));
}

TEST_F(Schermo, OneWatchdogBoxAtATime)
{
    int boxAperti = 0;
    const struct { const char* nome; bool chiudeSchermo, identita; } casi[] = {
        {"box open", false, false}, {"identity watchdog under the box", false, true}, {"screen closed", true, false}};
    for (const auto& c : casi) {
        SCOPED_TRACE(c.nome);
        BoxHost::ImpostaRisponditore([&](const RiquadroMostrato&) {
            if (++boxAperti == 1 && c.identita) {
                // The ECU came on under the box: its first frame's identity request times out.
                Link.FaseCom = FASE_RICHIESTA_VERSIONE;
                DatiMotore::AvvioRisposta();
                FireWatchdog(d, WatchdogTimer::TimeOutTx);
            }
            // The no-data watchdog expires again while its box is up.
            DatiMotore::AvvioCollegamento();
            FireWatchdog(d, WatchdogTimer::Dati_Out);
            EXPECT_FALSE(d->CollegamentoAvviato());
            if (c.chiudeSchermo)
                d->Scarica();
            return 1;  // try again
        });
        boxAperti = 0;
        scritto.clear();
        FireWatchdog(d, WatchdogTimer::Dati_Out);
        EXPECT_EQ(boxAperti, 1);
        if (c.chiudeSchermo)
            EXPECT_FALSE(scritto.contains("M#\r\n")) << "nothing sent for a closed screen";
        else
            EXPECT_TRUE(d->CollegamentoAvviato());
    }
    BoxHost::RimuoviRisponditore();
}

TEST_F(Schermo, CallButtonOpensTheConnectionDialog)
{
    QString titolo;
    QTimer::singleShot(0, [&titolo] {
        if (Aggancio* a = Aggancio::Istanza()) {
            titolo = a->windowTitle();
            a->Esci_Click();
        }
    });
    d->TastoGSM->setEnabled(true);
    d->TastoGSM->click();
    EXPECT_EQ(titolo, Msg(368));
    EXPECT_TRUE(box->testi().isEmpty());
}

TEST_F(Schermo, NoDataWatchdogRestartsTheRecordingAndKeepsThePanes)
{
    doppioClic(9);
    for (int n = 0; n < 30; ++n)
        campione(850 + n);
    SalvoDatiGraf();
    ASSERT_FALSE(colonneRosse(d->GraficoC[0]->Image()).isEmpty());
    BoxHost::ImpostaRisponditore([](const RiquadroMostrato&) { return 2; });  // go on
    FireWatchdog(d, WatchdogTimer::Dati_Out);
    BoxHost::RimuoviRisponditore();
    EXPECT_EQ(Graf.Tracce[0].Canale, 9) << "the slots survive the new recording";
    EXPECT_EQ(Graf.Canali[9].Nome, Msg(305));
    EXPECT_EQ(std::pair(Graf.Canali[9].ScalaMin, Graf.Canali[9].ScalaMax), std::pair(0, 8000));
    EXPECT_TRUE(colonneRosse(d->GraficoC[0]->Image()).isEmpty()) << "the pane is drawn empty";
    EXPECT_FALSE(QFile::exists(cartella->file("DATI_GRAF.GRF")));
    EXPECT_EQ(Diagnosi.DatiVideo[0].Numero, 0);
    EXPECT_FALSE(d->CollegamentoAvviato()) << "answer 2 waits for the next frame";
    campione(900);
    EXPECT_EQ(Diagnosi.DatiVideo[0].Numero, 1);
    EXPECT_TRUE(d->RispostaAvviata()) << "the next frame asks for the identity again";
    EXPECT_TRUE(scritto.contains("MUB\r\n"));
}

namespace {
class AperturaSchermo : public AmbienteLink {};
} // namespace

TEST_F(AperturaSchermo, PortTakenAfterTheProbeIsToldAndTheScreenUnloaded)
{
    Pty pty;
    SerialControl altro(QStringLiteral("altro"));
    const struct { bool occupata; int messaggio; } casi[] = {{true, 366}, {false, 367}};
    for (const auto& c : casi) {
        SCOPED_TRACE(c.messaggio);
        BoxHost::PulisciRegistro();
        MappaPorta(1, c.occupata ? pty.slavePath() : cartella->file("no-such-device"));
        if (c.occupata) {
            altro.setCommPort(1);
            ASSERT_EQ(altro.setPortOpen(true), 0);
        }
        Shell.Funzione = 2;
        EXPECT_EQ(DatiMotore::Apri(), ZEQ_Inst::Apertura::FallitaDetta);
        EXPECT_EQ(box->testi(), QStringList{Msg(c.messaggio)});
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_FALSE(DatiMotore::Caricato());
        EXPECT_EQ(Shell.Funzione, 0);
        altro.setPortOpen(false);
    }
}
