#include "support/TestSupport.h"
#include "shell/Modulo.h"
#include "platform/Files.h"
#include "platform/PrivateProfile.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QThread>

#include <fcntl.h>
#include <linux/fs.h>
#include <pty.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

CartellaProgramma::CartellaProgramma()
{
    m_vecchioPath = Shell.PathApp;
    Shell.PathApp = m_dir.path();
    Files::ImpostaCartellaProgramma(m_dir.path());
}

CartellaProgramma::~CartellaProgramma()
{
    Shell.PathApp = m_vecchioPath;
    Files::ImpostaCartellaProgramma(m_vecchioPath);
}

QString CartellaProgramma::file(const QString& relativo) const
{
    return Files::Percorso(m_dir.path(), relativo);
}

void CartellaProgramma::scrivi(const QString& relativo, const QByteArray& contenuto) const
{
    const QString p = file(relativo);
    QDir().mkpath(QFileInfo(p).absolutePath());
    QFile f(p);
    if (f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        f.write(contenuto);
}

QByteArray CartellaProgramma::leggi(const QString& relativo) const
{
    QFile f(file(relativo));
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return f.readAll();
}

Pty::Pty()
{
    char nome[256] = {0};
    if (openpty(&m_master, &m_slave, nome, nullptr, nullptr) != 0) {
        m_master = m_slave = -1;
        return;
    }
    m_slavePath = QString::fromLocal8Bit(nome);
    termios t{};
    tcgetattr(m_slave, &t);
    cfmakeraw(&t);
    tcsetattr(m_slave, TCSANOW, &t);
    tcgetattr(m_master, &t);
    cfmakeraw(&t);
    tcsetattr(m_master, TCSANOW, &t);
    fcntl(m_master, F_SETFL, fcntl(m_master, F_GETFL) | O_NONBLOCK);
}

Pty::~Pty()
{
    if (m_master >= 0)
        ::close(m_master);
    if (m_slave >= 0)
        ::close(m_slave);
}

void Pty::scrivi(const QByteArray& dati)
{
    qsizetype fatto = 0;
    while (fatto < dati.size()) {
        const ssize_t n = ::write(m_master, dati.constData() + fatto, size_t(dati.size() - fatto));
        if (n > 0)
            fatto += n;
        else
            QThread::msleep(1);
    }
}

QByteArray Pty::leggi(int timeoutMs)
{
    QByteArray r;
    QDeadlineTimer fine(timeoutMs);
    do {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        char buf[4096];
        for (;;) {
            const ssize_t n = ::read(m_master, buf, sizeof buf);
            if (n <= 0)
                break;
            r.append(buf, n);
        }
        QThread::msleep(1);
    } while (!fine.hasExpired());
    return r;
}

QByteArray Pty::leggiFino(const QByteArray& atteso, int timeoutMs)
{
    QByteArray r;
    QDeadlineTimer fine(timeoutMs);
    while (!fine.hasExpired() && !r.contains(atteso)) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        char buf[4096];
        const ssize_t n = ::read(m_master, buf, sizeof buf);
        if (n > 0)
            r.append(buf, n);
        else
            QThread::msleep(1);
    }
    return r;
}

void Pty::scartaNonLetto()
{
    if (m_slave >= 0)
        tcflush(m_slave, TCIFLUSH);
}

RegistroBox::RegistroBox(int risposta)
{
    BoxHost::PulisciRegistro();
    BoxHost::ImpostaRisponditore([risposta](const RiquadroMostrato&) { return risposta; });
}

RegistroBox::RegistroBox(BoxHost::Risponditore r)
{
    BoxHost::PulisciRegistro();
    BoxHost::ImpostaRisponditore(std::move(r));
}

RegistroBox::~RegistroBox()
{
    BoxHost::RimuoviRisponditore();
    BoxHost::PulisciRegistro();
}

QStringList RegistroBox::testi() const
{
    QStringList l;
    for (const auto& b : BoxHost::Registro())
        l << b.testo;
    return l;
}

bool AttendiFinche(const std::function<bool()>& cond, int timeoutMs)
{
    QDeadlineTimer fine(timeoutMs);
    while (!cond()) {
        if (fine.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(1);
    }
    return true;
}

void MappaPorta(int n, const QString& dispositivo)
{
    ScrivoProfilo(QStringLiteral("PORTE"), QStringLiteral("COM%1").arg(n), dispositivo, FileConfigurazione());
}

namespace {
// Whether a new file can be made in the folder, by making one.
bool TakesNewFile(const QString& cartella)
{
    const QByteArray prova = QFile::encodeName(cartella + QStringLiteral("/.probe"));
    const int fd = ::open(prova.constData(), O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC, 0600);
    if (fd < 0)
        return false;
    ::close(fd);
    ::unlinkat(AT_FDCWD, prova.constData(), 0);
    return true;
}
} // namespace

bool SetImmutable(const QString& path, bool si)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    int flag = 0;
    bool ok = ::ioctl(fd, FS_IOC_GETFLAGS, &flag) == 0;
    flag = si ? flag | FS_IMMUTABLE_FL : flag & ~FS_IMMUTABLE_FL;
    ok = ok && ::ioctl(fd, FS_IOC_SETFLAGS, &flag) == 0;
    ::close(fd);
    return ok;
}

ClosedFolder::ClosedFolder(const QString& cartella) : m_cartella(cartella)
{
    QFile::setPermissions(cartella, QFile::ReadOwner | QFile::ExeOwner | QFile::ReadGroup | QFile::ExeGroup
                                        | QFile::ReadOther | QFile::ExeOther);
    if (TakesNewFile(cartella))
        m_immutabile = SetImmutable(cartella, true);
    m_chiusa = !TakesNewFile(cartella);
}

ClosedFolder::~ClosedFolder()
{
    if (m_immutabile)
        SetImmutable(m_cartella, false);
    QFile::setPermissions(m_cartella, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadGroup
                                          | QFile::ExeGroup | QFile::ReadOther | QFile::ExeOther);
}

