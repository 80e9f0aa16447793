// Run-time control of the simulated ECU: the command lines and their effect on the model,
// and the tool's control channel on stdin and on a socket.
#include "ecusim/lib/Controllo.h"
#include "ecusim/lib/EcuModel.h"
#include "support/TestSupport.h"

#include <QFileInfo>
#include <QProcess>
#include <QSerialPort>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

using namespace ecusim;

TEST(Controllo, CommandsChangeTheModel)
{
    struct Caso {
        const char* riga;
        std::function<bool(const EcuModel&)> verifica;
    } casi[] = {
        {"identity type=01 install-date=01011900 sw=\"02.51 \"",
         [](const EcuModel& e) {
             return e.identita.tipoCentralina == "01" && e.identita.dataInstallazione == "01011900"
                 && e.identita.versioneSw == "02.51 ";
         }},
        {"fault reply-as=R7 only=MZ from=5 times=2",
         [](const EcuModel& e) {
             return e.guasti.sostituto == "R7" && e.guasti.soloPer == "MZ" && e.guasti.daRisposta == 5
                 && e.guasti.volte == 2 && e.guasti.contate == 0;
         }},
        {"fault silent bad-checksum chunks noise=\"\\x00\\r\"",
         [](const EcuModel& e) {
             return e.guasti.silenzio && e.guasti.checksumErrato && e.guasti.aPezzi
                 && e.guasti.rumore == QByteArray("\0\r", 2) && e.guasti.soloPer.isEmpty();
         }},
        {"fault clear", [](const EcuModel& e) { return !e.guasti.attivi(); }},
        {"frames off", [](const EcuModel& e) { return e.trameSospese(); }},
        {"power off", [](const EcuModel& e) { return !e.acceso(); }},
        {"power cycle 50", [](const EcuModel& e) { return !e.acceso(); }},
        {"option binary=on period=40 r4=1 short=yes",
         [](const EcuModel& e) {
             return e.opzioni.trameBinarie && e.opzioni.periodoMs == 40 && e.opzioni.rispostaBreve
                 && !e.opzioni.formaLunga;
         }},
        {"pressure \"    1.25\"", [](const EcuModel& e) { return e.pressione == "    1.25"; }},
    };
    for (const Caso& c : casi) {
        EcuModel e;
        e.guasti.contate = 9;
        EXPECT_EQ(EseguiControllo(e, c.riga), "ok") << c.riga;
        EXPECT_TRUE(c.verifica(e)) << c.riga;
    }
}

TEST(Controllo, BadCommandsAreRefusedAndChangeNothing)
{
    for (const char* riga : {"identity colour=red", "fault only=MZ from=x", "fault loud", "frames maybe",
                             "power cycle -5", "option period=0", "bogus", "identity type=\"01", "fault noise=\"\\q\""}) {
        EcuModel e;
        const QByteArray r = EseguiControllo(e, riga);
        EXPECT_TRUE(r.startsWith("error: ")) << riga << " -> " << r.constData();
        EXPECT_EQ(e.identita.tipoCentralina, "02");
        EXPECT_FALSE(e.guasti.attivi());
        EXPECT_TRUE(e.acceso());
        EXPECT_EQ(e.opzioni.periodoMs, 250);
    }
}

TEST(Controllo, PowerCycleUsesTheGivenOrDefaultOffTime)
{
    EcuModel e;
    EseguiControllo(e, "power cycle", 400);
    e.avanza(399);
    EXPECT_FALSE(e.acceso());
    e.avanza(1);
    EXPECT_TRUE(e.acceso());
    EXPECT_TRUE(EseguiControllo(e, "show").contains(" power=on frames=on type=02 "));
}

namespace {

int Connetti(const QString& percorso)
{
    const int s = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un a{};
    a.sun_family = AF_UNIX;
    const QByteArray n = percorso.toLocal8Bit();
    std::memcpy(a.sun_path, n.constData(), size_t(n.size()));
    if (::connect(s, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) {
        ::close(s);
        return -1;
    }
    return s;
}

QByteArray Chiedi(int s, const QByteArray& riga)
{
    if (::write(s, riga.constData(), size_t(riga.size())) != riga.size())
        return {};
    QByteArray r;
    char c = 0;
    while (::read(s, &c, 1) == 1 && c != '\n')
        r += c;
    return r;
}

} // namespace

TEST(Controllo, ToolTakesCommandsOnItsSocketAndOnStdin)
{
    QTemporaryDir dir;
    const QString link = dir.filePath("ecu");
    const QString presa = dir.filePath("ctl");
    QProcess sim;
    sim.start(QStringLiteral(ZEQ_BINARY_DIR "/ecusim"), {"--link", link, "--control", presa});
    ASSERT_TRUE(sim.waitForStarted(30000));
    ASSERT_TRUE(AttendiFinche([&] { return sim.canReadLine(); }, 30000));
    sim.readLine();
    const int s = Connetti(presa);
    ASSERT_GE(s, 0);
    // Two commands in one write, answered in order.
    ASSERT_EQ(::write(s, "identity type=01 serial=RR000047\nfault reply-as=R2 only=MUB from=2\n", 68), 68);
    QByteArray r;
    char c = 0;
    while (r.count('\n') < 2 && ::read(s, &c, 1) == 1)
        r += c;
    EXPECT_EQ(r, "ok\nok\n");
    EXPECT_TRUE(Chiedi(s, "bogus\n").startsWith("error: "));

    QSerialPort porta(link);
    ASSERT_TRUE(porta.open(QIODevice::ReadWrite));
    QByteArray ricevuto;
    QObject::connect(&porta, &QSerialPort::readyRead, [&] { ricevuto += porta.readAll(); });
    porta.write("MUB\r\n");
    ASSERT_TRUE(AttendiFinche([&] { return ricevuto.contains("RR000047"); }));
    EXPECT_EQ(ricevuto.mid(11, 2), "01");
    porta.write("MUB\r\n");
    ASSERT_TRUE(AttendiFinche([&] { return ricevuto.endsWith("R2\r\n"); }));
    ::close(s);
    porta.close();

    // The tool as a client of its own socket: one command per argument, exit code 0 when all
    // were taken.
    QProcess cliente;
    cliente.start(QStringLiteral(ZEQ_BINARY_DIR "/ecusim"), {"--send", presa, "frames off", "show"});
    ASSERT_TRUE(cliente.waitForFinished(30000));
    EXPECT_EQ(cliente.exitCode(), 0);
    EXPECT_TRUE(cliente.readAllStandardOutput().startsWith("ok\nok power=on frames=off type=01 "));
    cliente.start(QStringLiteral(ZEQ_BINARY_DIR "/ecusim"), {"--send", presa, "frames sideways"});
    ASSERT_TRUE(cliente.waitForFinished(30000));
    EXPECT_EQ(cliente.exitCode(), 1);

    sim.terminate();
    ASSERT_TRUE(sim.waitForFinished(30000));
    EXPECT_FALSE(QFileInfo::exists(presa)) << "socket removed";

    QProcess sim2;
    sim2.start(QStringLiteral(ZEQ_BINARY_DIR "/ecusim"), {"--control", "-"});
    ASSERT_TRUE(sim2.waitForStarted(30000));
    ASSERT_TRUE(AttendiFinche([&] { return sim2.canReadLine(); }, 30000));
    sim2.readLine();
    sim2.write("identity type=07\nshow\n");
    QByteArray uscita;
    ASSERT_TRUE(AttendiFinche([&] { return (uscita += sim2.readAllStandardOutput()).contains("type=07"); }, 30000));
    EXPECT_TRUE(uscita.startsWith("ok\nok power=on"));
    sim2.terminate();
    ASSERT_TRUE(sim2.waitForFinished(30000));
}
