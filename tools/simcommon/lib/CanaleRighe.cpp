#include "simcommon/lib/CanaleRighe.h"

#include <QCoreApplication>

#include <QSocketNotifier>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace simcommon {

namespace {
constexpr qsizetype MaxRiga = 64 * 1024; // a longer line without LF is dropped

bool Indirizzo(const QString& percorso, sockaddr_un& a)
{
    const QByteArray nome = percorso.toLocal8Bit();
    if (nome.isEmpty() || size_t(nome.size()) >= sizeof a.sun_path)
        return false;
    a = sockaddr_un{};
    a.sun_family = AF_UNIX;
    std::memcpy(a.sun_path, nome.constData(), size_t(nome.size()));
    return true;
}

void ScrivoTutto(int fd, const QByteArray& dati)
{
    for (qsizetype fatto = 0; fatto < dati.size();) {
        const ssize_t n = ::write(fd, dati.constData() + fatto, size_t(dati.size() - fatto));
        if (n > 0)
            fatto += n;
        else if (!(n < 0 && errno == EINTR))
            return; // the client went away
    }
}
} // namespace

CanaleRighe::CanaleRighe(Esecutore esegui, QObject* parent) : QObject(parent), m_esegui(std::move(esegui)) {}

CanaleRighe::~CanaleRighe()
{
    for (const auto& [fd, c] : m_clienti)
        if (fd > 1)
            ::close(fd);
    if (m_ascolto >= 0) {
        ::close(m_ascolto);
        ::unlink(m_percorso.toLocal8Bit().constData());
    }
}

void CanaleRighe::ascoltaStdin() { aggiungi(0, 1); }

bool CanaleRighe::ascoltaSocket(const QString& percorso, QString* errore)
{
    sockaddr_un a{};
    if (!Indirizzo(percorso, a)) {
        *errore = QStringLiteral("socket path empty or too long");
        return false;
    }
    struct stat st {};
    if (::lstat(a.sun_path, &st) == 0) {
        if (!S_ISSOCK(st.st_mode)) {
            *errore = percorso + QStringLiteral(" exists and is not a socket");
            return false;
        }
        ::unlink(a.sun_path);
    }
    const int s = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (s < 0 || ::bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 || ::listen(s, 8) != 0) {
        *errore = QString::fromLocal8Bit(std::strerror(errno));
        if (s >= 0)
            ::close(s);
        return false;
    }
    m_ascolto = s;
    m_percorso = percorso;
    auto* n = new QSocketNotifier(qintptr(s), QSocketNotifier::Read, this);
    connect(n, &QSocketNotifier::activated, this, &CanaleRighe::accetta);
    return true;
}

void CanaleRighe::accetta()
{
    for (int c; (c = ::accept4(m_ascolto, nullptr, nullptr, SOCK_CLOEXEC)) >= 0 || errno == EINTR;)
        if (c >= 0)
            aggiungi(c, c);
}

void CanaleRighe::aggiungi(int leggi, int scrivi)
{
    Cliente& c = m_clienti[leggi];
    c.scrivi = scrivi;
    c.notifica = new QSocketNotifier(qintptr(leggi), QSocketNotifier::Read, this);
    connect(c.notifica, &QSocketNotifier::activated, this, [this, leggi] { this->leggi(leggi); });
}

void CanaleRighe::leggi(int fd)
{
    auto it = m_clienti.find(fd);
    if (it == m_clienti.end())
        return;
    char buf[4096];
    const ssize_t n = ::read(fd, buf, sizeof buf);
    if (n < 0 && (errno == EINTR || errno == EAGAIN))
        return;
    if (n <= 0) {
        it->second.notifica->setEnabled(false);
        it->second.notifica->deleteLater();
        if (fd > 1)
            ::close(fd);
        m_clienti.erase(it);
        return;
    }
    Cliente& c = it->second;
    c.buffer.append(buf, n);
    for (qsizetype lf; (lf = c.buffer.indexOf('\n')) >= 0;) {
        const QByteArray riga = c.buffer.left(lf).trimmed();
        c.buffer.remove(0, lf + 1);
        const QByteArray risposta = m_esegui(riga);
        ScrivoTutto(c.scrivi, risposta + '\n');
        emit comandoEseguito(riga, risposta);
    }
    if (c.buffer.size() > MaxRiga)
        c.buffer.clear();
}

int InviaComandi(const QString& percorso, const QStringList& comandi)
{
    sockaddr_un a{};
    const int s = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (s < 0 || !Indirizzo(percorso, a) || ::connect(s, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) {
        std::fprintf(stderr, "%s: cannot reach the control socket %s\n", qPrintable(QCoreApplication::applicationName()),
                     qPrintable(percorso));
        if (s >= 0)
            ::close(s);
        return 1;
    }
    int esito = 0;
    for (const QString& c : comandi) {
        ScrivoTutto(s, c.toLocal8Bit() + '\n');
        QByteArray risposta;
        char ch = 0;
        while (::read(s, &ch, 1) == 1 && ch != '\n')
            risposta += ch;
        std::printf("%s\n", risposta.constData());
        if (!risposta.startsWith("ok"))   // "ok" or "ok <what was asked>"
            esito = 1;
    }
    ::close(s);
    return esito;
}

} // namespace simcommon
