// The modem and station simulator: its frame codec against hand-computed frames (and the
// program's codec against the same), the modem's answers, the station's exchanges and
// the pseudo-terminal line that sees the program's hang-up.
#include "simcommon/lib/CanaleRighe.h"
#include "gsmsim/lib/Controllo.h"
#include "gsmsim/lib/GsmModel.h"
#include "gsmsim/lib/LineaPty.h"
#include "remote/StatoGSM.h"
#include "support/TestSupport.h"

#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <atomic>
#include <thread>
#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

using namespace gsmsim;

namespace {

QByteArray Esa(const char* testo) { return QByteArray::fromHex(testo); }

// Feeds the model and runs its clock until quiet; returns everything it sent.
QByteArray Scambia(GsmModel& m, const QByteArray& dati, int ms = 3000)
{
    m.ricevi(dati);
    QByteArray out;
    for (int t = 0; t < ms; t += 10)
        out += m.avanza(10);
    return out;
}

Guasti Con(const std::function<void(Guasti&)>& imposta)
{
    Guasti g;
    imposta(g);
    return g;
}

GsmModel Connesso()
{
    GsmModel m;
    m.modem.ritardoMs = 100;
    Scambia(m, "ATZ\rATE0\rATD123\r");
    return m;
}

} // namespace

TEST(GsmsimCodec, FramesMatchTheHandComputedBytesInBothCodecs)
{
    const struct {
        QByteArray testo;
        QByteArray trama;
    } casi[] = {
        {"abc", Esa("02616263" "60" "03")},
        {"FP1" + CodificaS19({"S105000053A7"}), Esa("024650315331050000" "1b3b73" "a7" "8f" "03")},
        {QByteArray("\x03", 1), Esa("021b23" "1b23" "03")},     // ETX in the text and as check byte
        {"", Esa("02" "00" "03")},
        {QByteArray("A\x43", 2), Esa("024143" "1b22" "03")},     // check byte 2 escaped
    };
    for (const auto& c : casi) {
        EXPECT_EQ(Cornice(c.testo), c.trama) << c.testo.toHex().constData();
        EXPECT_EQ(PreparoMessaggioGSM(c.testo), c.trama) << c.testo.toHex().constData();
        Lettore l;
        l.aggiungi(c.trama);
        ASSERT_EQ(l.trame.size(), 1);
        EXPECT_EQ(l.trame[0].testo, c.testo);
        EXPECT_TRUE(l.trame[0].controlloOk);
    }
}

TEST(GsmsimCodec, ReaderSeparatesFramesStrayBytesAndBadCheckBytes)
{
    Lettore l;
    l.aggiungi("noise" + Cornice("DC1") + "s00o");
    l.aggiungi("k" + QByteArray("\x02X\x00\x03", 4) + "\x02" "cut" + Cornice("ft1ko01"));
    ASSERT_EQ(l.trame.size(), 3);
    EXPECT_TRUE(l.trame[0].controlloOk);
    EXPECT_FALSE(l.trame[1].controlloOk);
    EXPECT_EQ(l.trame[2].testo, "ft1ko01");
    EXPECT_TRUE(l.trame[2].controlloOk);
    EXPECT_EQ(l.fuori, "noise" "s00ok" "\x02" "cut"); // a frame cut short by the next STX is stray too
    for (const char* r : {"s00ok", "s01ko01", "ft1ok", "fl9ko01", "fp0ok"})
        EXPECT_TRUE(ERisposta(r)) << r;
    for (const char* r : {"i00OK", "S00ok", "s00ko", "s00ok\r\n", "DC1", ""})
        EXPECT_FALSE(ERisposta(r)) << r;
}

TEST(GsmsimModem, AnswersCommandsAndTheCallAsConfigured)
{
    const struct {
        const char* nome;
        std::function<void(GsmModel&)> imposta;
        QByteArray ingresso;
        QByteArray atteso;
        bool connesso;
    } casi[] = {
        {"echo until ATE0", [](GsmModel&) {}, "ATZ\rATE0\rAT\r", "ATZ\rATE0\r\r\nOK\r\n\r\nOK\r\n\r\nOK\r\n", false},
        {"connect", [](GsmModel&) {}, "ATE0\rATD555\r", "ATE0\r\r\nOK\r\n\r\nCONNECT 9600\r\n", true},
        {"busy", [](GsmModel& m) { m.modem.esito = Esito::Busy; }, "ATE0\rATD5\r", "ATE0\r\r\nOK\r\n\r\nBUSY\r\n", false},
        {"no carrier", [](GsmModel& m) { m.modem.esito = Esito::NoCarrier; }, "ATE0\rATD5\r",
         "ATE0\r\r\nOK\r\n\r\nNO CARRIER\r\n", false},
        {"no answer to the call", [](GsmModel& m) { m.modem.esito = Esito::Nessuno; }, "ATE0\rATD5\r",
         "ATE0\r\r\nOK\r\n", false},
        {"error", [](GsmModel& m) { m.modem.errore = true; }, "ATZ\r", "ATZ\r\r\nERROR\r\n", false},
        {"silent", [](GsmModel& m) { m.modem.silenzio = true; }, "ATZ\r", "ATZ\r", false},
    };
    for (const auto& c : casi) {
        GsmModel m;
        m.modem.ritardoMs = 200;
        c.imposta(m);
        EXPECT_EQ(Scambia(m, c.ingresso), c.atteso) << c.nome;
        EXPECT_EQ(m.connesso(), c.connesso) << c.nome;
    }
}

TEST(GsmsimStation, AnswersTheIdentityKeepsTheRelayAndDropsTheCarrier)
{
    GsmModel m = Connesso();
    EXPECT_EQ(Scambia(m, Cornice("I00xyz")), Cornice("i00OK"));
    EXPECT_EQ(Scambia(m, Cornice("DC 1,2") + QByteArray("\x02" "DCx\x00\x03", 6)), QByteArray());
    EXPECT_EQ(m.identita, QList<QByteArray>{"I00xyz"});
    EXPECT_EQ(m.relay, (QList<QByteArray>{"DC 1,2", "DCx"}));
    EXPECT_EQ(m.controlliErrati, 1);
    m.rispostaIdentita = QByteArray();
    EXPECT_EQ(Scambia(m, Cornice("I00xyz")), QByteArray());
    m.cadutaPortante();
    EXPECT_EQ(Scambia(m, {}), "\r\nNO CARRIER\r\n");
    EXPECT_FALSE(m.connesso());
}

TEST(GsmsimStation, PlaysAnExchangeStopAndWaitWithItsFaults)
{
    const QList<QByteArray> scambio{"S00", "FP0A\\B", "FP1xy", "S01"};
    const QByteArray incorniciata = Cornice("s00ok");
    const struct {
        const char* nome;
        Guasti guasti;
        QByteArray risposta;           // what the program answers to S00
        int trameDopoPrimaRisposta;
        bool presa;                    // the station took the reply
        int erroriProtocollo;
        int controlliErrati;
    } casi[] = {
        {"plain", {}, incorniciata, 1, true, 0, 0},
        {"two frames in one write", Con([](Guasti& g) { g.dueTrame = true; }), incorniciata, 2, true, 0, 0},
        {"noise before STX", Con([](Guasti& g) { g.rumore = "zz"; }), incorniciata, 1, true, 0, 0},
        {"silent after the first reply", Con([](Guasti& g) { g.silenzioDopo = 0; }), incorniciata, 0, true, 0, 0},
        {"bare reply", {}, "s00ok", 0, false, 1, 0},
        {"framed reply after stray bytes", {}, "s00ok" + incorniciata, 1, true, 1, 0},
        {"reply with a wrong check byte", {}, QByteArray("\x02" "s00ok" "X" "\x03"), 0, false, 0, 1},
    };
    for (const auto& c : casi) {
        GsmModel m = Connesso();
        m.guasti = c.guasti;
        ASSERT_TRUE(m.avviaScambio(scambio));
        Lettore l;
        l.aggiungi(Scambia(m, {}));
        ASSERT_EQ(l.trame.size(), c.guasti.dueTrame ? 2 : 1) << c.nome;
        EXPECT_EQ(l.trame[0].testo, "S00");
        EXPECT_EQ(l.fuori, c.guasti.rumore.repeated(l.trame.size()));
        Lettore dopo;
        dopo.aggiungi(Scambia(m, c.risposta));
        EXPECT_EQ(dopo.trame.size(), c.guasti.dueTrame ? 0 : c.trameDopoPrimaRisposta) << c.nome;
        EXPECT_EQ(m.risposte, c.presa ? QList<QByteArray>{"s00ok"} : QList<QByteArray>{}) << c.nome;
        EXPECT_EQ(m.erroriProtocollo, c.erroriProtocollo) << c.nome;
        EXPECT_EQ(m.controlliErrati, c.controlliErrati) << c.nome;
        const bool registrato = std::any_of(m.registro().begin(), m.registro().end(), [](const Voce& v) {
            return v.verso == '!' && v.testo.startsWith("protocol error") && v.testo.endsWith(": s00ok");
        });
        EXPECT_EQ(registrato, c.erroriProtocollo > 0) << c.nome;
    }
}

TEST(GsmsimLine, TheProgramsHangUpShowsOnTheMaster)
{
    QByteArray slave;
    const int master = AproPtyLibera(slave);
    ASSERT_GE(master, 0);
    GsmModel m;
    m.modem.ritardoMs = 50;
    LineaPty linea(m, master);
    const int fd = ::open(slave.constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::write(fd, "ATE0\rATD1\r", 10), 10);
    QByteArray letto;
    ASSERT_TRUE(AttendiFinche([&] {
        char b[256];
        const ssize_t n = ::read(fd, b, sizeof b);
        if (n > 0)
            letto.append(b, n);
        return letto.contains("CONNECT 9600\r\n");
    }));
    EXPECT_TRUE(m.connesso());
    ::close(fd);
    EXPECT_TRUE(AttendiFinche([&] { return !m.connesso(); }));
    ::close(master);
}

TEST(GsmsimControl, TheSocketAnswersEachLine)
{
    QTemporaryDir cartella;
    const QString presa = cartella.filePath("ctl");
    GsmModel m;
    simcommon::CanaleRighe canale([&m](const QByteArray& riga) {
        const QString e = EseguoComando(m, QString::fromLocal8Bit(riga));
        return e.isEmpty() ? QByteArray("ok") : "error: " + e.toLocal8Bit();
    });
    QString errore;
    ASSERT_TRUE(canale.ascoltaSocket(presa, &errore)) << errore.toStdString();
    std::atomic<int> esito{-1};
    std::thread cliente([&] { esito = simcommon::InviaComandi(presa, {"delay 42", "call none"}); });
    EXPECT_TRUE(AttendiFinche([&] { return esito >= 0; }));
    cliente.join();
    EXPECT_EQ(esito, 0);
    EXPECT_EQ(m.modem.ritardoMs, 42);
    EXPECT_EQ(m.modem.esito, Esito::Nessuno);
}
