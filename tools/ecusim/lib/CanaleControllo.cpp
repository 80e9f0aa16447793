#include "ecusim/lib/CanaleControllo.h"

#include "ecusim/lib/Controllo.h"
#include "ecusim/lib/EcuModel.h"

#include <QFileInfo>
#include <QSocketNotifier>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace ecusim {

namespace {

// A command line longer than this without an LF is dropped (a stuck client cannot grow it).
constexpr qsizetype MaxRiga = 64 * 1024;

void ScriviTutto(int fd, const QByteArray& dati)
{
    qsizetype fatto = 0;
    while (fatto < dati.size()) {
        const ssize_t n = ::write(fd, dati.constData() + fatto, size_t(dati.size() - fatto));
        if (n > 0) {
            fatto += n;
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        return; // a client that went away or stopped reading loses its answer
    }
}

} // namespace

CanaleControllo::CanaleControllo(EcuModel& ecu, int msSpento, QObject* parent)
    : QObject(parent), m_ecu(ecu), m_msSpento(msSpento)
{
}

CanaleControllo::~CanaleControllo()
{
    for (const Cliente& c : m_clienti) {
        if (c.leggi > 1)
            ::close(c.leggi);
    }
    if (m_ascolto >= 0) {
        ::close(m_ascolto);
        ::unlink(m_percorso.toLocal8Bit().constData());
    }
}

void CanaleControllo::ascoltaStdin()
{
    aggiungiCliente(0, 1);
}

bool CanaleControllo::ascoltaSocket(const QString& percorso, QString* errore)
{
    const QByteArray nome = percorso.toLocal8Bit();
    sockaddr_un indirizzo{};
    if (nome.isEmpty() || size_t(nome.size()) >= sizeof indirizzo.sun_path) {
        *errore = QStringLiteral("socket path empty or too long");
        return false;
    }
    struct stat st {};
    if (::lstat(nome.constData(), &st) == 0) {
        if (!S_ISSOCK(st.st_mode)) {
            *errore = percorso + QStringLiteral(" exists and is not a socket");
            return false;
        }
        ::unlink(nome.constData());
    }
    const int s = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (s < 0) {
        *errore = QString::fromLocal8Bit(std::strerror(errno));
        return false;
    }
    indirizzo.sun_family = AF_UNIX;
    std::memcpy(indirizzo.sun_path, nome.constData(), size_t(nome.size()));
    if (::bind(s, reinterpret_cast<sockaddr*>(&indirizzo), sizeof indirizzo) != 0 || ::listen(s, 8) != 0) {
        *errore = QString::fromLocal8Bit(std::strerror(errno));
        ::close(s);
        return false;
    }
    m_ascolto = s;
    m_percorso = percorso;
    m_notificaAscolto = new QSocketNotifier(qintptr(s), QSocketNotifier::Read, this);
    connect(m_notificaAscolto, &QSocketNotifier::activated, this, &CanaleControllo::accetta);
    return true;
}

void CanaleControllo::accetta()
{
    for (;;) {
        const int c = ::accept4(m_ascolto, nullptr, nullptr, SOCK_CLOEXEC);
        if (c < 0) {
            if (errno == EINTR)
                continue;
            return;
        }
        aggiungiCliente(c, c);
    }
}

void CanaleControllo::aggiungiCliente(int leggi, int scrivi)
{
    Cliente c;
    c.leggi = leggi;
    c.scrivi = scrivi;
    c.notifica = new QSocketNotifier(qintptr(leggi), QSocketNotifier::Read, this);
    connect(c.notifica, &QSocketNotifier::activated, this, [this, leggi] { leggiCliente(leggi); });
    m_clienti.append(c);
}

void CanaleControllo::chiudiCliente(int fd)
{
    for (qsizetype i = 0; i < m_clienti.size(); ++i) {
        if (m_clienti[i].leggi != fd)
            continue;
        m_clienti[i].notifica->setEnabled(false);
        m_clienti[i].notifica->deleteLater();
        if (fd > 1)
            ::close(fd);
        m_clienti.removeAt(i);
        return;
    }
}

void CanaleControllo::leggiCliente(int fd)
{
    char buf[4096];
    const ssize_t n = ::read(fd, buf, sizeof buf);
    if (n < 0 && (errno == EINTR || errno == EAGAIN))
        return;
    if (n <= 0) {
        chiudiCliente(fd);
        return;
    }
    qsizetype i = 0;
    while (i < m_clienti.size() && m_clienti[i].leggi != fd)
        ++i;
    if (i == m_clienti.size())
        return;
    m_clienti[i].buffer.append(buf, n);
    for (;;) {
        // Re-found each time: a command may not change the list, but stay safe.
        qsizetype k = 0;
        while (k < m_clienti.size() && m_clienti[k].leggi != fd)
            ++k;
        if (k == m_clienti.size())
            return;
        Cliente& c = m_clienti[k];
        const qsizetype lf = c.buffer.indexOf('\n');
        if (lf < 0) {
            if (c.buffer.size() > MaxRiga)
                c.buffer.clear();
            return;
        }
        const QByteArray riga = c.buffer.left(lf);
        c.buffer.remove(0, lf + 1);
        const int scrivi = c.scrivi;
        const QByteArray risposta = EseguiControllo(m_ecu, riga, m_msSpento);
        ScriviTutto(scrivi, risposta + '\n');
        emit comandoEseguito(riga, risposta);
    }
}

} // namespace ecusim
