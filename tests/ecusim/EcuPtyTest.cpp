// The ECU model behind a real pseudo-terminal, in-process and as the ecusim tool, with a
// serial port on the slave side as the program will have.
#include "ecusim/lib/CollegamentoPty.h"
#include "ecusim/lib/EcuModel.h"
#include "support/TestSupport.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFileInfo>
#include <QProcess>
#include <QSerialPort>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

using namespace ecusim;

namespace {

struct Porta {
    QSerialPort porta;
    QByteArray ricevuto;
    explicit Porta(const QString& percorso)
    {
        porta.setPortName(percorso);
        QObject::connect(&porta, &QSerialPort::readyRead, [this] { ricevuto += porta.readAll(); });
    }
    bool apri()
    {
        return porta.open(QIODevice::ReadWrite) && porta.setBaudRate(19200);
    }
    bool attendi(const QByteArray& atteso, int ms = 20000)
    {
        return AttendiFinche([&] { return ricevuto.contains(atteso); }, ms);
    }
};

// A raw pseudo-terminal whose slave descriptor the test can hand to the driver.
struct PtyGrezzo {
    int master = -1;
    int slave = -1;
    QString percorso;
    PtyGrezzo()
    {
        char nome[256] = {0};
        if (::openpty(&master, &slave, nome, nullptr, nullptr) != 0)
            return;
        termios t{};
        for (int fd : {slave, master}) {
            ::tcgetattr(fd, &t);
            ::cfmakeraw(&t);
            ::tcsetattr(fd, TCSANOW, &t);
        }
        percorso = QString::fromLocal8Bit(nome);
    }
    ~PtyGrezzo()
    {
        if (master >= 0)
            ::close(master);
        if (slave >= 0)
            ::close(slave);
    }
};

// Reads a descriptor for ms milliseconds while the event loop runs.
QByteArray LeggiPer(int fd, int ms)
{
    QByteArray r;
    QDeadlineTimer fine(ms);
    while (!fine.hasExpired()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        char buf[8192];
        ssize_t n;
        while ((n = ::read(fd, buf, sizeof buf)) > 0)
            r.append(buf, n);
        QThread::msleep(1);
    }
    return r;
}

} // namespace

TEST(EcuPty, StartBringsFramesAndIdentityOverASerialPort)
{
    Pty pty;
    ASSERT_TRUE(pty.ok());
    EcuModel ecu;
    ecu.opzioni.periodoMs = 30;
    ecu.opzioni.trameBinarie = true;
    ecu.valori.imposta(Canale::Giri, 850);
    ecu.valori.imposta(Canale::Pressione1, 7.0); // 70 = 0x46 "F"
    CollegamentoPty collegamento(ecu, pty.master());

    Porta p(pty.slavePath());
    ASSERT_TRUE(p.apri()) << p.porta.errorString().toStdString();
    QThread::msleep(100);
    QCoreApplication::processEvents();
    EXPECT_TRUE(p.ricevuto.isEmpty()) << "silent until started";

    p.porta.write("M#\r\n");
    const QByteArray trama = TramaDB(ecu.valori);
    ASSERT_TRUE(p.attendi(trama + trama));
    p.porta.write("MUB\r\n");
    ASSERT_TRUE(p.attendi(RispostaR8(ecu.identita, true)));
    EXPECT_EQ(ecu.comandiRicevuti(), (QList<QByteArray>{"M#", "MUB"}));
}

TEST(EcuPty, ChunkedRepliesReachTheSerialPortWhole)
{
    Pty pty;
    ASSERT_TRUE(pty.ok());
    EcuModel ecu;
    ecu.guasti.aPezzi = true;
    ecu.guasti.msTraPezzi = 500;   // longer than a busy machine keeps the reader waiting
    ecu.guasti.rumore = "xx";
    ecu.opzioni.rispostaBreve = true;
    QList<qint64> arrivi;
    CollegamentoPty collegamento(ecu, pty.master());
    Porta p(pty.slavePath());
    ASSERT_TRUE(p.apri());
    QObject::connect(&p.porta, &QSerialPort::readyRead, [&] { arrivi.append(p.ricevuto.size()); });
    p.porta.write("MUB\r\n");
    const QByteArray atteso = "xx" + RispostaR4(ecu.identita, true);
    ASSERT_TRUE(p.attendi(atteso));
    EXPECT_EQ(p.ricevuto, atteso);
    EXPECT_GE(arrivi.size(), 2) << "the pieces arrive as separate reads";
}

TEST(EcuPty, BacklogNobodyReadsIsDiscardedButAReaderLosesNothing)
{
    PtyGrezzo pty;
    ASSERT_GE(pty.master, 0);
    EcuModel ecu;
    ecu.opzioni.periodoMs = 1;
    CollegamentoPty collegamento(ecu, pty.master, pty.slave);

    const int lettore = ::open(pty.percorso.toLocal8Bit().constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    ASSERT_GE(lettore, 0);
    ASSERT_EQ(::write(lettore, "M#\r\n", 4), 4);

    // Read continuously: every frame generated arrives, none is discarded.
    const QByteArray letto = LeggiPer(lettore, 2500);
    EXPECT_EQ(collegamento.byteScartati(), 0);
    EXPECT_GT(letto.size(), 100 * 131);

    // Stop reading: after a second the backlog is dropped, so a late reader gets only a
    // recent tail instead of everything sent meanwhile.
    QDeadlineTimer pausa(3000);
    while (!pausa.hasExpired()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        QThread::msleep(1);
    }
    EXPECT_GT(collegamento.byteScartati(), 0);
    const QByteArray coda = LeggiPer(lettore, 50);
    const qint64 generati = qint64(ecu.trameInviate()) * 131;
    EXPECT_LT(coda.size(), 200 * 1024);
    EXPECT_LT(letto.size() + coda.size(), generati);
    ::close(lettore);
}

TEST(EcuPty, ToolPrintsTheSlaveLinksItAndCleansUpOnTerminate)
{
    QTemporaryDir dir;
    const QString link = dir.filePath("ecu");
    QProcess sim;
    sim.start(QStringLiteral(ZEQ_BINARY_DIR "/ecusim"),
              {"--link", link, "--period", "40", "--r4", "--short", "--serial", "RR000046", "--value", "rpm=850"});
    ASSERT_TRUE(sim.waitForStarted(30000));
    ASSERT_TRUE(AttendiFinche([&] { return sim.canReadLine(); }, 30000));
    const QString percorso = QString::fromLocal8Bit(sim.readLine()).trimmed();
    EXPECT_TRUE(percorso.startsWith("/dev/pts/")) << percorso.toStdString();
    EXPECT_EQ(QFileInfo(link).symLinkTarget(), percorso);

    {
        // The program's port probe opens and closes the port first.
        QSerialPort sonda(link);
        ASSERT_TRUE(sonda.open(QIODevice::ReadWrite));
        sonda.close();
    }
    Porta p(link);
    ASSERT_TRUE(p.apri());
    p.porta.write("M#\r\n");
    ASSERT_TRUE(p.attendi("     850,"));
    p.porta.write("MUB\r\n");
    ASSERT_TRUE(p.attendi("R4 02RR000046"));
    p.porta.close();

    sim.terminate();
    ASSERT_TRUE(sim.waitForFinished(30000));
    EXPECT_EQ(sim.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(sim.exitCode(), 0);
    EXPECT_FALSE(QFileInfo(link).isSymLink()) << "link removed";
}

TEST(EcuPty, BurstOfFramesArrivesCompleteAtTheSerialPort)
{
    Pty pty;
    ASSERT_TRUE(pty.ok());
    EcuModel ecu;
    ecu.opzioni.trameBinarie = true;
    ecu.valori.imposta(Canale::Giri, 850);
    CollegamentoPty collegamento(ecu, pty.master());
    Porta p(pty.slavePath());
    ASSERT_TRUE(p.apri());
    const int n = 5000;
    ecu.raffica(n);
    const QByteArray trama = TramaDB(ecu.valori);
    ASSERT_TRUE(AttendiFinche([&] { return p.ricevuto.size() >= n * trama.size(); }, 20000));
    EXPECT_EQ(p.ricevuto, trama.repeated(n));
    EXPECT_EQ(collegamento.byteScartati(), 0);
}
