#include "gsmsim/lib/LineaPty.h"

#include <QSocketNotifier>

#include <cerrno>
#include <fcntl.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

namespace gsmsim {

namespace {
constexpr int MsPassoOrologio = 5;
constexpr int MsSondaPortaChiusa = 100;
} // namespace

int AproPtyLibera(QByteArray& percorsoSlave)
{
    int master = -1;
    int slave = -1;
    char nome[256] = {0};
    if (::openpty(&master, &slave, nome, nullptr, nullptr) != 0)
        return -1;
    termios t{};
    for (int fd : {slave, master}) {
        ::tcgetattr(fd, &t);
        ::cfmakeraw(&t);
        ::tcsetattr(fd, TCSANOW, &t);
    }
    ::close(slave);
    percorsoSlave = nome;
    return master;
}

LineaPty::LineaPty(GsmModel& modello, int master, QObject* parent)
    : QObject(parent), m_modello(modello), m_master(master)
{
    ::fcntl(m_master, F_SETFL, ::fcntl(m_master, F_GETFL) | O_NONBLOCK);
    m_orologio.start();
    m_notifica = new QSocketNotifier(qintptr(m_master), QSocketNotifier::Read, this);
    connect(m_notifica, &QSocketNotifier::activated, this, &LineaPty::leggi);
    m_timer.setInterval(MsPassoOrologio);
    connect(&m_timer, &QTimer::timeout, this, &LineaPty::tic);
    m_timer.start();
}

void LineaPty::chiusa()
{
    if (m_aperta)
        m_modello.riaggancio();
    m_aperta = false;
    // Nobody on the slave: the master reports a hang-up at every poll, so look again later.
    m_notifica->setEnabled(false);
    m_riprovaMs = m_orologio.elapsed() + MsSondaPortaChiusa;
}

void LineaPty::leggi()
{
    char buf[4096];
    for (;;) {
        const ssize_t n = ::read(m_master, buf, sizeof buf);
        if (n > 0) {
            m_aperta = true;
            m_modello.ricevi(QByteArray(buf, n));
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno == EAGAIN)
            m_aperta = true;
        else
            chiusa();
        break;
    }
    pubblica();
}

void LineaPty::scrivi(const QByteArray& dati)
{
    qsizetype fatto = 0;
    while (fatto < dati.size()) {
        const ssize_t n = ::write(m_master, dati.constData() + fatto, size_t(dati.size() - fatto));
        if (n > 0) {
            fatto += n;
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        break; // nobody reads (EIO) or the line is full: the bytes are lost, as on a wire
    }
}

void LineaPty::tic()
{
    const qint64 adesso = m_orologio.elapsed();
    if (m_riprovaMs >= 0 && adesso >= m_riprovaMs) {
        m_riprovaMs = -1;
        m_notifica->setEnabled(true);
    }
    const QByteArray uscita = m_modello.avanza(int(adesso - m_ultimoMs));
    m_ultimoMs = adesso;
    if (!uscita.isEmpty())
        scrivi(uscita);
    pubblica();
}

void LineaPty::pubblica()
{
    const auto& r = m_modello.registro();
    while (m_pubblicate < r.size())
        emit voce(r[m_pubblicate++]);
}

} // namespace gsmsim
