#include "platform/SerialControl.h"
#include "platform/PrivateProfile.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QSerialPort>
#include <utility>

SerialControl::SerialControl(const QString& nome, QObject* parent)
    : QObject(parent), m_nome(nome), m_port(new QSerialPort(this))
{
    connect(m_port, &QSerialPort::readyRead, this, &SerialControl::dati);
    connect(m_port, &QSerialPort::errorOccurred, this,
            [this](QSerialPort::SerialPortError e) { errore(int(e)); });
}

SerialControl::~SerialControl()
{
    if (m_port->isOpen())
        m_port->close();
}

int SerialControl::setCommPort(int n)
{
    if (m_port->isOpen())
        return ErrPortaAperta;
    if (n < 1)
        return ErrPortaNonValida;
    m_porta = n;
    return 0;
}

bool SerialControl::PortOpen() const
{
    return m_port->isOpen();
}

QString SerialControl::Dispositivo(int porta)
{
    const QString chiave = QStringLiteral("COM%1").arg(porta);
    const QString mappato = LeggoProfilo(QStringLiteral("PORTE"), chiave, QString(), FileConfigurazione());
    if (!mappato.isEmpty())
        return mappato;
#ifdef Q_OS_WIN
    return chiave;
#else
    return QStringLiteral("/dev/ttyS%1").arg(porta - 1);
#endif
}

int SerialControl::setPortOpen(bool aperta)
{
    if (!aperta) {
        if (m_port->isOpen())
            m_port->close();
        return 0;
    }
    if (m_port->isOpen())
        return ErrPortaGiaAperta;
    m_port->setPortName(Dispositivo(m_porta));
    m_port->setBaudRate(QSerialPort::Baud19200);
    m_port->setDataBits(QSerialPort::Data8);
    m_port->setParity(QSerialPort::NoParity);
    m_port->setStopBits(QSerialPort::OneStop);
    m_port->setFlowControl(QSerialPort::NoFlowControl);
    m_ricevuto.clear();
    m_evento = 0;
    if (m_port->open(QIODevice::ReadWrite)) {
        m_ultimoErrore.clear();
        return 0;
    }
    m_ultimoErrore = m_port->errorString();
    const QSerialPort::SerialPortError e = m_port->error();
    m_port->clearError();
    switch (e) {
    case QSerialPort::DeviceNotFoundError:
        return ErrPortaNonValida;
    case QSerialPort::PermissionError:  // held by another program (lock file or exclusive open)
    case QSerialPort::OpenError:        // already open through this object
        return ErrPortaGiaAperta;
    default:
        return ErrGenerico;
    }
}

int SerialControl::Output(const QByteArray& dati)
{
    if (!m_port->isOpen())
        return ErrPortaChiusa;
    m_scritto += dati;
    if (m_scritto.size() > LimiteScritto)
        m_scritto.remove(0, m_scritto.size() - LimiteScritto);
    if (m_port->write(dati) != dati.size()) {
        m_ultimoErrore = m_port->errorString();
        return ErrGenerico;
    }
    // Hand the bytes to the device now rather than at the next event-loop turn.
    m_port->flush();
    return 0;
}

QByteArray SerialControl::Input()
{
    if (m_port->isOpen())
        m_ricevuto += m_port->readAll();
    return std::exchange(m_ricevuto, QByteArray());
}

// readyRead: only buffer and post the receive event. QSerialPort does not emit readyRead again
// while a slot connected to it runs, so no user code (which may open modal boxes) runs here.
void SerialControl::dati()
{
    m_ricevuto += m_port->readAll();
    if (m_eventoInCoda)
        return;
    m_eventoInCoda = true;
    QMetaObject::invokeMethod(this, &SerialControl::consegna, Qt::QueuedConnection);
}

// The receive event, from the event loop. The flag is cleared before the handlers run, so bytes
// arriving while a handler waits in a nested event loop (a modal box) post a new event that the
// nested loop delivers.
void SerialControl::consegna()
{
    m_eventoInCoda = false;
    if (m_ricevuto.isEmpty() && !(m_port->isOpen() && m_port->bytesAvailable() > 0))
        return;
    m_evento = EventoRicezione;
    emit OnComm();
}

void SerialControl::errore(int codice)
{
    const auto e = QSerialPort::SerialPortError(codice);
    if (e != QSerialPort::ReadError && e != QSerialPort::ResourceError)
        return;
    if (!m_port->isOpen())
        return;
    // Close at the first read or resource error: the device went away and Qt would otherwise
    // keep signalling it. What was already received stays readable through Input().
    m_ultimoErrore = m_port->errorString();
    m_port->clearError();
    m_port->close();
    emit Chiusa(m_ultimoErrore);
}

namespace {
void chiudiPorte();
}

static SerialControl& istanza(int quale)
{
    // The controls outlive the forms (the main form is unloaded and loaded again); their ports
    // are closed when the application object goes away.
    static SerialControl comunic(QStringLiteral("Comunic"));
    static SerialControl comGsm(QStringLiteral("ComGSM"));
    static const bool registrato = (qAddPostRoutine(chiudiPorte), true);
    (void)registrato;
    return quale == 0 ? comunic : comGsm;
}

namespace {
void chiudiPorte()
{
    istanza(0).setPortOpen(false);
    istanza(1).setPortOpen(false);
}
} // namespace

SerialControl& Comunic()
{
    return istanza(0);
}

SerialControl& ComGSM()
{
    return istanza(1);
}
