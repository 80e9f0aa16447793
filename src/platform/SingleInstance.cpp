#include "platform/SingleInstance.h"
#include "platform/Files.h"

#include <QCryptographicHash>
#include <QDir>
#include <QLockFile>
#include <map>
#ifdef Q_OS_UNIX
#include <cerrno>
#include <csignal>
#endif
#include <memory>

namespace {

std::map<QString, std::unique_ptr<QLockFile>>& presi()
{
    static std::map<QString, std::unique_ptr<QLockFile>> m;
    return m;
}

QString chiave(const QString& nomeLock)
{
    return QDir::cleanPath(Files::CartellaProgramma()) + QLatin1Char('\n') + nomeLock.toUpper();
}

// Tries one place; 1 taken, 0 held by a living copy, -1 this place takes no lock.
int prova(std::unique_ptr<QLockFile>& lock, const QString& percorso)
{
    lock = std::make_unique<QLockFile>(percorso);
    // Never stale because of its age: only when its owner is gone.
    lock->setStaleLockTime(0);
    if (lock->tryLock(0))
        return 1;
    if (lock->error() == QLockFile::LockFailedError) {
#ifdef Q_OS_UNIX
        // tryLock already takes over a lock whose process is gone; should it not have (an
        // owner recorded under another host name, for one), check the owner here.
        qint64 pid = 0;
        if (lock->getLockInfo(&pid, nullptr, nullptr) && pid > 0 && ::kill(pid_t(pid), 0) != 0
            && errno == ESRCH && lock->removeStaleLockFile() && lock->tryLock(0))
            return 1;
#endif
        return 0;
    }
    return -1;
}

} // namespace

bool AcquisisciIstanzaUnica(const QString& nomeLock)
{
    const QString k = chiave(nomeLock);
    if (presi().count(k))
        return true;
    std::unique_ptr<QLockFile> lock;
    int r = prova(lock, Files::PercorsoApp(nomeLock));
    if (r < 0) {
        const QByteArray impronta =
            QCryptographicHash::hash(QDir::cleanPath(Files::CartellaProgramma()).toUtf8(), QCryptographicHash::Sha1)
                .toHex()
                .left(16);
        r = prova(lock, QDir(QDir::tempPath()).filePath(nomeLock + QLatin1Char('-') + QString::fromLatin1(impronta)));
    }
    if (r == 0)
        return false;
    if (r > 0)
        presi()[k] = std::move(lock);
    return true;
}

void RilascioIstanzaUnica(const QString& nomeLock)
{
    presi().erase(chiave(nomeLock));
}
