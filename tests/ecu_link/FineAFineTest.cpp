// The program's screens talking to a far end over a real pseudo-terminal: the test plays
// the ECU on the master side.
#include "support/Ambiente.h"

#include "ecu_link/CodecDati.h"
#include "platform/SerialControl.h"

#include <QCoreApplication>
#include <QFile>

namespace {

class FineAFine : public AmbienteLink {
protected:
    std::unique_ptr<Pty> pty;
    void SetUp() override
    {
        AmbienteLink::SetUp();
        ImpostaOsservatoreUscita(nullptr);
        pty = std::make_unique<Pty>();
        ASSERT_TRUE(pty->ok());
        cartella->scrivi("ZEQINST.INI", "[PORTE]\r\nCOM1=" + pty->slavePath().toLatin1() + "\r\n");
        Comunic().setPortOpen(false);
        ASSERT_EQ(Comunic().setCommPort(1), 0);
    }
    void TearDown() override
    {
        AmbienteLink::TearDown();
        Comunic().setPortOpen(false);
        pty.reset();
    }
    QByteArray attendo(const QByteArray& atteso)
    {
        return pty->leggiFino(atteso);
    }
};

} // namespace

TEST_F(FineAFine, ActivationIdentifiesTheEcuAndEndsTheExchange)
{
    Shell.Funzione = 1;
    Veicolo* v = Veicolo::Carica();
    ASSERT_TRUE(Comunic().PortOpen());
    v->Attivo_Click();
    EXPECT_TRUE(attendo("M#\r\n").endsWith("M#\r\n"));
    // Noise, then a frame cut in two.
    const QByteArray trama = TramaDCSemplice();
    pty->scrivi("\x01\x02" + trama.left(50));
    pty->scrivi(trama.mid(50));
    EXPECT_TRUE(attendo("MUB\r\n").endsWith("MUB\r\n"));
    pty->scrivi(Identita{}.R8());
    EXPECT_TRUE(attendo("MU3\r\n").endsWith("MU3\r\n"));
    ASSERT_TRUE(AttendiFinche([] { return Link.Collegato; }));
    EXPECT_TRUE(v->isEnabled());
    EXPECT_EQ(DatiCentralina.Matricola, "SN000123");
    EXPECT_EQ(Link.FaseCom, FASE_LIBERA);
}

TEST_F(FineAFine, ErrorReplyAndSilenceEndTheActivation)
{
    Shell.Funzione = 1;
    Veicolo* v = Veicolo::Carica();
    v->Attivo_Click();
    attendo("M#\r\n");
    pty->scrivi("R0\r\n");
    ASSERT_TRUE(AttendiFinche([] { return Link.FaseCom == FASE_LIBERA; }));
    EXPECT_EQ(box->testi(), QStringList{Msg(163)});
    EXPECT_TRUE(v->isEnabled());
    // Silence: the reply watchdog ends it with message 156 and "MU3".
    BoxHost::PulisciRegistro();
    FormTimer::ImpostaScalaTempo(0.01);
    v->Attivo_Click();
    attendo("M#\r\n");
    ASSERT_TRUE(AttendiFinche([] { return Link.FaseCom == FASE_LIBERA; }));
    FormTimer::ImpostaScalaTempo(1.0);
    EXPECT_EQ(box->testi(), QStringList{Msg(156)});
    EXPECT_TRUE(attendo("MU3\r\n").endsWith("MU3\r\n"));
}

TEST_F(FineAFine, LiveFramesBackToBackReachTheRecordUnchanged)
{
    Shell.Funzione = 2;
    DatiMotore* d = DatiMotore::Carica();
    ASSERT_TRUE(Comunic().PortOpen());
    attendo("MF\r\n");
    Link.InterrogoDati = false;
    // DB frames with bytes 0x52 and 0x46, and DC frames, alternating.
    const int n = 50000;
    QByteArray flusso;
    for (int i = 0; i < n; ++i) {
        if (i % 2) {
            flusso += TramaDCSemplice();
        } else {
            QByteArray b(29, '\0');
            b[18] = 0x03;
            b[19] = 0x52;          // 850 rpm
            b[0] = 0x46;
            b[1] = char(i & 0xFF); // pressure 1 varies with the frame
            b[28] = 'G';
            flusso += "DB" + CodificoDati(b) + "\r\n";
        }
    }
    for (qsizetype p = 0; p < flusso.size(); p += 4096) {
        pty->scrivi(flusso.mid(p, 4096));
        QCoreApplication::processEvents();
    }
    ASSERT_TRUE(AttendiFinche([] { return Diagnosi.DatiVideo[0].Numero >= n; }, 60000))
        << Diagnosi.DatiVideo[0].Numero;
    EXPECT_EQ(Diagnosi.DatiVideo[0].Numero, n);
    EXPECT_EQ(Diagnosi.DatiVideo[0].Valore[9], "     850");
    SalvoDatiGraf();
    const QByteArray file = cartella->leggi("DATI_GRAF.GRF");
    ASSERT_EQ(file.size(), qsizetype(n) * 138);
    for (int r = 0; r < n; ++r) {
        const QByteArray riga = file.mid(qsizetype(r) * 138, 138);
        ASSERT_EQ(riga.left(8).trimmed().toInt(), r + 1);
        ASSERT_EQ(riga.mid(8 + 8 * 9, 8), "     850") << r;
        if (r % 2 == 0) {
            const double atteso = double(0x4600 | (r & 0xFF)) / 10.0;
            ASSERT_EQ(riga.mid(8, 8).trimmed().toDouble(), atteso) << r;
        }
    }
    EXPECT_TRUE(d->CollegamentoAvviato());
}

TEST_F(FineAFine, ClosingTheScreensStopsTheFramesAndClosesThePort)
{
    Shell.Funzione = 2;
    DatiMotore::Carica();
    attendo("MF\r\n");
    DatiMotore::Istanza()->Esci_Click();
    EXPECT_TRUE(attendo("MF\r\n").endsWith("MF\r\n"));
    EXPECT_FALSE(Comunic().PortOpen());
    EXPECT_EQ(Shell.Funzione, 0);
    Shell.Funzione = 1;
    Veicolo::Carica();
    EXPECT_TRUE(Comunic().PortOpen());
    Veicolo::ScaricaIstanza();
    EXPECT_FALSE(Comunic().PortOpen());
    EXPECT_EQ(Shell.Funzione, 0);
}

TEST_F(FineAFine, ClosingTheScreensClosesTheModemPortAndEndsTheCall)
{
    Pty modemPty;
    ASSERT_TRUE(modemPty.ok());
    cartella->scrivi("ZEQINST.INI", "[PORTE]\r\nCOM1=" + pty->slavePath().toLatin1() + "\r\nCOM5=" +
                                        modemPty.slavePath().toLatin1() + "\r\n");
    ComGSM().setPortOpen(false);
    ASSERT_EQ(ComGSM().setCommPort(5), 0);
    for (int schermo : {1, 2}) {
        Shell.Funzione = schermo;
        FormBase* f = schermo == 1 ? static_cast<FormBase*>(Veicolo::Carica())
                                   : static_cast<FormBase*>(DatiMotore::Carica());
        ASSERT_EQ(ComGSM().setPortOpen(true), 0);
        GSM.GSMattivo = true;
        f->Scarica();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_FALSE(ComGSM().PortOpen()) << schermo;
        EXPECT_FALSE(GSM.GSMattivo) << schermo;
    }
}
