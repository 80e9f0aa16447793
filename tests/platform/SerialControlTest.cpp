#include "platform/Files.h"
#include "platform/PrivateProfile.h"
#include "platform/SerialControl.h"
#include "support/TestSupport.h"
#include "Sottoprocesso.h"
#include "shell/Modulo.h"

#include <QCoreApplication>
#include <QDialog>
#include <QProcess>
#include <QSerialPort>
#include <QSignalSpy>
#include <QTimer>
#include <gtest/gtest.h>
#include <memory>

#include <cstdio>
#include <fcntl.h>
#include <pty.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

namespace {

// Cuts one line (without its LF) out of the buffer; false when no whole line is there.
bool TagliaRiga(QByteArray& buffer, QByteArray& riga)
{
    const qsizetype fine = buffer.indexOf('\n');
    if (fine < 0)
        return false;
    riga = buffer.left(fine);
    buffer.remove(0, fine + 1);
    return true;
}

// Starts this test program again as a helper that holds the port open ("qt": through
// QSerialPort with its lock file and exclusive mode; "excl": a bare open with TIOCEXCL)
// until its standard input closes.
class Detentore {
public:
    Detentore(const QString& modo, const QString& dispositivo)
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("ZEQ_TIENI_PORTA"), dispositivo);
        env.insert(QStringLiteral("ZEQ_TIENI_MODO"), modo);
        m_p.setProcessEnvironment(env);
        m_p.start(QCoreApplication::applicationFilePath(),
                  {QStringLiteral("--gtest_filter=SerialHolder.HoldsThePortUntilStdinCloses")});
        m_p.waitForStarted(30000);
        while (m_p.state() == QProcess::Running && !m_letto.contains("PRONTA")
               && m_p.waitForReadyRead(30000))
            m_letto += m_p.readAllStandardOutput();
    }
    ~Detentore()
    {
        m_p.closeWriteChannel();
        if (!m_p.waitForFinished(5000))
            m_p.kill();
        m_p.waitForFinished(2000);
    }
    bool pronto() const { return m_letto.contains("PRONTA"); }
private:
    QProcess m_p;
    QByteArray m_letto;
};

} // namespace

// The helper side of Detentore: does nothing unless started by it.
TEST(SerialHolder, HoldsThePortUntilStdinCloses)
{
    const QString dispositivo = qEnvironmentVariable("ZEQ_TIENI_PORTA");
    if (dispositivo.isEmpty())
        GTEST_SKIP() << "helper process only";
    const QString modo = qEnvironmentVariable("ZEQ_TIENI_MODO");
    int fd = -1;
    std::unique_ptr<QSerialPort> porta;
    if (modo == QLatin1String("qt")) {
        porta = std::make_unique<QSerialPort>(dispositivo);
        ASSERT_TRUE(porta->open(QIODevice::ReadWrite)) << porta->errorString().toStdString();
    } else {
        fd = ::open(dispositivo.toLocal8Bit().constData(), O_RDWR | O_NOCTTY);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(::ioctl(fd, TIOCEXCL), 0);
    }
    ::write(1, "PRONTA\n", 7);
    char c;
    while (::read(0, &c, 1) > 0) {
    }
    porta.reset();
    if (fd >= 0)
        ::close(fd);
}

TEST(SerialControl, PortNumberResolvesThroughTheConfigurationElseToTtyS)
{
    CartellaProgramma app;
    EXPECT_EQ(SerialControl::Dispositivo(1), "/dev/ttyS0");
    EXPECT_EQ(SerialControl::Dispositivo(10), "/dev/ttyS9");
    MappaPorta(3, "/dev/ttyUSB0");
    EXPECT_EQ(SerialControl::Dispositivo(3), "/dev/ttyUSB0");
    EXPECT_EQ(SerialControl::Dispositivo(4), "/dev/ttyS3");
    app.scrivi("zeqinst.ini", "[porte]\r\n com2 = /dev/pts/7 \r\n");
    EXPECT_EQ(SerialControl::Dispositivo(2), "/dev/pts/7");
}

TEST(SerialControl, FreePortOpensWritesAndDeliversTheReceiveEvent)
{
    CartellaProgramma app;
    Pty pty;
    ASSERT_TRUE(pty.ok());
    MappaPorta(2, pty.slavePath());
    SerialControl c("Test");
    EXPECT_EQ(c.setCommPort(2), 0);
    EXPECT_EQ(c.Output("x"), SerialControl::ErrPortaChiusa);
    ASSERT_EQ(c.setPortOpen(true), 0) << c.UltimoErrore().toStdString();
    EXPECT_TRUE(c.PortOpen());
    EXPECT_EQ(c.setCommPort(3), SerialControl::ErrPortaAperta);
    EXPECT_EQ(c.setPortOpen(true), SerialControl::ErrPortaGiaAperta);

    EXPECT_EQ(c.Output(QByteArray("AT\r\0\xff", 5)), 0);
    EXPECT_EQ(pty.leggiFino(QByteArray("\0\xff", 2)), QByteArray("AT\r\0\xff", 5));
    EXPECT_EQ(c.Scritto(), QByteArray("AT\r\0\xff", 5));

    QByteArray ricevuto;
    int eventi = 0;
    QObject::connect(&c, &SerialControl::OnComm, [&] {
        ++eventi;
        EXPECT_EQ(c.CommEvent(), SerialControl::EventoRicezione);
        ricevuto += c.Input();
    });
    pty.scrivi(QByteArray("OK\r\n\x80\x00", 6));
    ASSERT_TRUE(AttendiFinche([&] { return ricevuto.size() >= 6; }));
    EXPECT_EQ(ricevuto, QByteArray("OK\r\n\x80\x00", 6));
    EXPECT_GE(eventi, 1);
    EXPECT_EQ(c.setPortOpen(false), 0);
    EXPECT_FALSE(c.PortOpen());
    EXPECT_EQ(c.setCommPort(3), 0);
}

TEST(SerialControl, WrittenBytesAreRememberedOnlyAsARecentTail)
{
    // A long session (live frames relayed for hours) must not keep every byte ever sent.
    CartellaProgramma app;
    Pty pty;
    ASSERT_TRUE(pty.ok());
    MappaPorta(2, pty.slavePath());
    SerialControl c("Test");
    ASSERT_EQ(c.setCommPort(2), 0);
    ASSERT_EQ(c.setPortOpen(true), 0) << c.UltimoErrore().toStdString();
    QByteArray ultimo;
    for (int i = 0; i < 200; ++i) {
        ultimo = QByteArray(1000, char('a' + i % 26)) + QByteArray::number(i) + "\r\n";
        ASSERT_EQ(c.Output(ultimo), 0);
        pty.leggi(0);
    }
    EXPECT_LE(c.Scritto().size(), 65536);
    EXPECT_TRUE(c.Scritto().endsWith(ultimo));
    c.setPortOpen(false);
}

TEST(SerialControl, PortHeldByAnotherControlOrProgramIsAlreadyOpen)
{
    CartellaProgramma app;
    Pty pty;
    ASSERT_TRUE(pty.ok());
    MappaPorta(1, pty.slavePath());
    {
        SerialControl primo("A"), secondo("B");
        ASSERT_EQ(primo.setPortOpen(true), 0);
        EXPECT_EQ(secondo.setPortOpen(true), SerialControl::ErrPortaGiaAperta);
        EXPECT_FALSE(secondo.PortOpen());
        primo.setPortOpen(false);
        EXPECT_EQ(secondo.setPortOpen(true), 0) << "a closed port is free again";
    }
    {
        Detentore altro(QStringLiteral("qt"), pty.slavePath());
        ASSERT_TRUE(altro.pronto());
        SerialControl c("C");
        EXPECT_EQ(c.setPortOpen(true), SerialControl::ErrPortaGiaAperta) << c.UltimoErrore().toStdString();
    }
    SerialControl dopo("D");
    EXPECT_EQ(dopo.setPortOpen(true), 0) << "the port is free once the other program ends";
}

// Helper: opens COM1 of the given program folder and prints the result.
TEST(SerialHolder, OpensThePortAndPrintsTheResult)
{
    const QString cartella = qEnvironmentVariable("ZEQ_PROGRAMMA");
    if (cartella.isEmpty())
        GTEST_SKIP() << "helper process only";
    Shell.PathApp = cartella;
    Files::ImpostaCartellaProgramma(cartella);
    SerialControl c("Aiutante");
    std::printf("RISULTATO=%d\n", c.setPortOpen(true));
}

// A terminal another program opened in exclusive mode (without a lock file) is busy. The
// exclusive mode does not stop a privileged process, so as root the opening side runs as
// "nobody" in a child process.
TEST(SerialControl, PortOpenedExclusivelyWithoutLockFileIsAlreadyOpen)
{
    CartellaProgramma app;
    Pty pty;
    ASSERT_TRUE(pty.ok());
    MappaPorta(1, pty.slavePath());
    if (::geteuid() != 0) {
        Detentore altro(QStringLiteral("excl"), pty.slavePath());
        ASSERT_TRUE(altro.pronto());
        SerialControl c("E");
        EXPECT_EQ(c.setPortOpen(true), SerialControl::ErrPortaGiaAperta);
        return;
    }
    ASSERT_EQ(::chmod(app.path().toLocal8Bit().constData(), 0755), 0);
    ASSERT_EQ(::chown(pty.slavePath().toLocal8Bit().constData(), 65534, 65534), 0);
    const auto apri = [&] {
        return RisultatoAiutante(EseguiAiutante("SerialHolder.OpensThePortAndPrintsTheResult",
                                                {"ZEQ_PROGRAMMA=" + app.path()}, true));
    };
    EXPECT_EQ(apri(), "0") << "the unprivileged side can open the free port";
    const int fd = ::open(pty.slavePath().toLocal8Bit().constData(), O_RDWR | O_NOCTTY);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::ioctl(fd, TIOCEXCL), 0);
    EXPECT_EQ(apri(), QString::number(SerialControl::ErrPortaGiaAperta));
    ::ioctl(fd, TIOCNXCL);
    ::close(fd);
}

TEST(SerialControl, MissingDeviceIsAnInvalidPort)
{
    CartellaProgramma app;
    MappaPorta(5, app.path() + "/nessuna-porta");
    SerialControl c("F");
    EXPECT_EQ(c.setCommPort(0), SerialControl::ErrPortaNonValida);
    EXPECT_EQ(c.CommPort(), 1);
    ASSERT_EQ(c.setCommPort(5), 0);
    EXPECT_EQ(c.setPortOpen(true), SerialControl::ErrPortaNonValida);
    EXPECT_FALSE(c.PortOpen());
}

TEST(SerialControl, PortClosesAtTheFirstErrorWhenTheFarEndGoesAway)
{
    CartellaProgramma app;
    int master = -1, slave = -1;
    char nome[256] = {0};
    ASSERT_EQ(openpty(&master, &slave, nome, nullptr, nullptr), 0);
    ::close(slave);
    MappaPorta(1, QString::fromLocal8Bit(nome));
    SerialControl c("G");
    ASSERT_EQ(c.setPortOpen(true), 0);
    QSignalSpy chiusa(&c, &SerialControl::Chiusa);
    QByteArray ricevuto;
    QObject::connect(&c, &SerialControl::OnComm, [&] { ricevuto += c.Input(); });
    ASSERT_EQ(::write(master, "END", 3), 3);
    ASSERT_TRUE(AttendiFinche([&] { return ricevuto == "END"; }));
    ::close(master);
    ASSERT_TRUE(AttendiFinche([&] { return !c.PortOpen(); }));
    EXPECT_EQ(chiusa.count(), 1);
}

TEST(SerialControl, ReadAndResourceErrorsCloseThePortOnceOtherErrorsLeaveItOpen)
{
    // A USB adapter pulled out gives a resource error; the port's own error signal is driven
    // here with each kind, twice, as Qt repeats it while the device is gone.
    const struct {
        QSerialPort::SerialPortError errore;
        bool chiude;
    } casi[] = {
        {QSerialPort::ResourceError, true},   {QSerialPort::ReadError, true},
        {QSerialPort::TimeoutError, false},   {QSerialPort::WriteError, false},
        {QSerialPort::UnknownError, false},
    };
    for (const auto& caso : casi) {
        CartellaProgramma app;
        Pty pty;
        ASSERT_TRUE(pty.ok());
        MappaPorta(1, pty.slavePath());
        SerialControl c("G");
        ASSERT_EQ(c.setPortOpen(true), 0);
        QSignalSpy chiusa(&c, &SerialControl::Chiusa);
        auto* porta = c.findChild<QSerialPort*>();
        ASSERT_NE(porta, nullptr);
        emit porta->errorOccurred(caso.errore);
        emit porta->errorOccurred(caso.errore);
        EXPECT_EQ(c.PortOpen(), !caso.chiude) << int(caso.errore);
        EXPECT_EQ(chiusa.count(), caso.chiude ? 1 : 0) << int(caso.errore);
        c.setPortOpen(false);
    }
}

// A line handler that opens a modal box must not stop the lines that arrive while the box is
// up: the nested event loop delivers further receive events and each line is processed once,
// in order, even when a line inside the box opens a second box.
TEST(SerialControl, LinesArrivingWhileAModalBoxIsOpenAreProcessedInOrder)
{
    CartellaProgramma app;
    Pty pty;
    ASSERT_TRUE(pty.ok());
    MappaPorta(1, pty.slavePath());
    SerialControl c("H");
    ASSERT_EQ(c.setPortOpen(true), 0);

    QByteArray buffer;
    QList<QByteArray> elaborate;
    QList<int> profondita;
    int aperti = 0;
    bool scaduto = false;

    auto box = [&](const QByteArray& invia, const QByteArray& attesa) {
        QDialog d;
        ++aperti;
        QTimer::singleShot(20, [&] {
            // Split over several writes, the way a device sends.
            for (qsizetype i = 0; i < invia.size(); i += 3)
                pty.scrivi(invia.mid(i, 3));
        });
        QTimer sonda;
        QObject::connect(&sonda, &QTimer::timeout, [&] {
            if (elaborate.contains(attesa))
                d.accept();
        });
        sonda.start(5);
        QTimer::singleShot(20000, &d, [&] { scaduto = true; d.reject(); });
        d.exec();
        --aperti;
    };

    QObject::connect(&c, &SerialControl::OnComm, [&] {
        buffer += c.Input();
        QByteArray riga;
        while (TagliaRiga(buffer, riga)) {
            elaborate << riga;
            profondita << aperti;
            if (riga == "BOX1")
                box("L2\nBOX2\nL4\n", "L5");
            else if (riga == "BOX2")
                box("L5\nL6", "L5");
        }
    });

    pty.scrivi("L1\nBOX1\n");
    ASSERT_TRUE(AttendiFinche([&] { return (elaborate.contains("L5") && aperti == 0) || scaduto; }, 60000));
    pty.scrivi("\nL7\n");
    ASSERT_TRUE(AttendiFinche([&] { return elaborate.contains("L7") || scaduto; }));
    EXPECT_FALSE(scaduto);
    const QList<QByteArray> attese{"L1", "BOX1", "L2", "BOX2", "L4", "L5", "L6", "L7"};
    EXPECT_EQ(elaborate, attese);
    // L2 came in while the first box was up, L4 and L5 while the second one was.
    ASSERT_EQ(profondita.size(), attese.size());
    EXPECT_EQ(profondita[0], 0);
    EXPECT_EQ(profondita[2], 1);
    EXPECT_EQ(profondita[4], 2);
    EXPECT_EQ(profondita[5], 2);
    EXPECT_EQ(profondita[7], 0);
}

TEST(SerialControl, ProgramWideControlsAreTwoLastingInstances)
{
    EXPECT_EQ(&Comunic(), &Comunic());
    EXPECT_EQ(&ComGSM(), &ComGSM());
    EXPECT_NE(&Comunic(), &ComGSM());
    EXPECT_EQ(Comunic().Nome(), "Comunic");
    EXPECT_EQ(ComGSM().Nome(), "ComGSM");
}
