#include "ecusim/lib/CollegamentoPty.h"

#include <QSocketNotifier>

#include <algorithm>

#include <cerrno>
#include <fcntl.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

namespace ecusim {

namespace {
constexpr qsizetype MaxUscita = 1024 * 1024; // unsent bytes kept at most
constexpr qint64 MsSenzaLettore = 1000;
} // namespace

CollegamentoPty::CollegamentoPty(EcuModel& ecu, int master, int slave, QObject* parent)
    : QObject(parent), m_ecu(ecu), m_master(master), m_slave(slave)
{
    ::fcntl(m_master, F_SETFL, ::fcntl(m_master, F_GETFL) | O_NONBLOCK);
    m_orologio.start();
    m_notifica = new QSocketNotifier(qintptr(m_master), QSocketNotifier::Read, this);
    connect(m_notifica, &QSocketNotifier::activated, this, &CollegamentoPty::leggi);
    m_timer.setTimerType(Qt::PreciseTimer);
    m_timer.setInterval(2);
    connect(&m_timer, &QTimer::timeout, this, &CollegamentoPty::tic);
    m_timer.start();
}

CollegamentoPty::~CollegamentoPty() = default;

void CollegamentoPty::aggiornaTempo()
{
    const qint64 adesso = m_orologio.elapsed();
    qint64 passo = adesso - m_ultimoMs;
    m_ultimoMs = adesso;
    while (passo > 0) {
        const int p = int(std::min<qint64>(passo, 1 << 30));
        m_uscita += m_ecu.avanza(p);
        passo -= p;
    }
    m_uscita += m_ecu.avanza(0);
    if (m_uscita.size() > MaxUscita) {
        m_scartati += m_uscita.size() - MaxUscita;
        m_uscita.remove(0, m_uscita.size() - MaxUscita);
    }
}

void CollegamentoPty::leggi()
{
    aggiornaTempo();
    char buf[4096];
    for (;;) {
        const ssize_t n = ::read(m_master, buf, sizeof buf);
        if (n > 0) {
            const qsizetype prima = m_ecu.registro().size();
            m_ecu.ricevi(QByteArray(buf, n));
            const auto& reg = m_ecu.registro();
            for (qsizetype i = prima; i < reg.size(); ++i)
                emit rigaRicevuta(reg[i].ms, reg[i].riga);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno == EIO) {
            // No slave descriptor is open: wait a little instead of spinning on the error.
            m_notifica->setEnabled(false);
            m_riattivaNotificaMs = m_orologio.elapsed() + 50;
        }
        break;
    }
    aggiornaTempo();
    scrivi();
}

void CollegamentoPty::scrivi()
{
    while (!m_uscita.isEmpty()) {
        const ssize_t n = ::write(m_master, m_uscita.constData(), size_t(m_uscita.size()));
        if (n > 0) {
            m_uscita.remove(0, n);
            m_scrittiDaControllo += n;
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno == EIO) {
            m_scartati += m_uscita.size();
            m_uscita.clear();
        }
        break; // EAGAIN: the slave's buffer is full, try again on the next tick
    }
}

void CollegamentoPty::controllaLettore()
{
    if (m_slave < 0)
        return;
    const qint64 adesso = m_orologio.elapsed();
    int inCoda = 0;
    if (::ioctl(m_slave, FIONREAD, &inCoda) != 0)
        return;
    // Bytes leave the slave's queue only by being read.
    if (inCoda == 0 || inCoda < m_codaPrecedente + m_scrittiDaControllo)
        m_ultimaLetturaMs = adesso;
    if (adesso - m_ultimaLetturaMs > MsSenzaLettore) {
        ::tcflush(m_slave, TCIFLUSH);
        m_scartati += inCoda + m_uscita.size();
        m_uscita.clear();
        m_ultimaLetturaMs = adesso;
        inCoda = 0;
    }
    m_codaPrecedente = inCoda;
    m_scrittiDaControllo = 0;
}

void CollegamentoPty::tic()
{
    if (m_riattivaNotificaMs >= 0 && m_orologio.elapsed() >= m_riattivaNotificaMs) {
        m_riattivaNotificaMs = -1;
        m_notifica->setEnabled(true);
    }
    aggiornaTempo();
    // A burst goes out only as fast as the line drains, so none of it is dropped.
    while (m_ecu.rafficaRestante() > 0 && m_uscita.size() < 16 * 1024)
        m_uscita += m_ecu.estraiRaffica(32);
    scrivi();
    controllaLettore();
}

} // namespace ecusim
