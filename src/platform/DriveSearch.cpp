#include "platform/DriveSearch.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QStorageInfo>
#include <algorithm>

#ifndef Q_OS_WIN
#include <dirent.h>
#include <sys/stat.h>
#endif

namespace {

// Octal escapes of /proc/mounts ("\040" for a blank).
QByteArray senzaEscape(const QByteArray& campo)
{
    QByteArray r;
    for (qsizetype i = 0; i < campo.size(); ++i) {
        if (campo.at(i) == '\\' && i + 3 < campo.size()) {
            const QByteArray ottale = campo.mid(i + 1, 3);
            bool ok = ottale.size() == 3;
            for (char c : ottale)
                ok = ok && c >= '0' && c <= '7';
            if (ok) {
                r.append(char(ottale.toInt(nullptr, 8)));
                i += 3;
                continue;
            }
        }
        r.append(campo.at(i));
    }
    return r;
}

bool tipoEscluso(const QByteArray& tipo)
{
    static const QSet<QByteArray> esclusi{
        // pseudo and memory file systems
        "proc", "sysfs", "tmpfs", "devtmpfs", "devpts", "cgroup", "cgroup2", "securityfs", "pstore",
        "debugfs", "tracefs", "configfs", "fusectl", "mqueue", "hugetlbfs", "bpf", "autofs",
        "binfmt_misc", "efivarfs", "rpc_pipefs", "nsfs", "ramfs", "selinuxfs", "overlay", "aufs",
        "squashfs", "nfsd", "rootfs", "devfs", "usbfs", "shm", "none",
        // network file systems
        "nfs", "nfs4", "cifs", "smb3", "smbfs", "ncpfs", "afs", "coda", "9p", "ceph", "glusterfs",
        "lustre", "davfs", "sshfs", "fuse",
        // removable media
        "iso9660", "udf"};
    return esclusi.contains(tipo) || tipo.startsWith("fuse.");
}

bool sottoCartella(const QString& percorso, const QString& base)
{
    return percorso == base || percorso.startsWith(base + QLatin1Char('/'));
}

// A block device whose disk says it is removable (USB sticks, card readers).
bool dispositivoRimovibile(const QByteArray& dispositivo)
{
    if (!dispositivo.startsWith("/dev/"))
        return false;
    const QString reale = QFileInfo(QFile::decodeName(dispositivo)).canonicalFilePath();
    if (reale.isEmpty())
        return false;
    const QString nome = QFileInfo(reale).fileName();
    const QString blocco = QFileInfo(QStringLiteral("/sys/class/block/") + nome).canonicalFilePath();
    if (blocco.isEmpty())
        return false;
    // A partition has no "removable" of its own: its disk is the parent folder.
    for (const QString& f : {blocco + QStringLiteral("/removable"),
                             QFileInfo(blocco).absolutePath() + QStringLiteral("/removable")}) {
        QFile r(f);
        if (r.open(QIODevice::ReadOnly))
            return r.readAll().trimmed() == "1";
    }
    return false;
}

} // namespace

QStringList RadiciLocaliDa(const QByteArray& tabella)
{
    QStringList radici{QStringLiteral("/")};
    for (const QByteArray& riga : tabella.split('\n')) {
        const QList<QByteArray> campi = riga.simplified().split(' ');
        if (campi.size() < 3)
            continue;
        const QByteArray dispositivo = senzaEscape(campi.at(0));
        const QString punto = QFile::decodeName(senzaEscape(campi.at(1)));
        const QByteArray tipo = campi.at(2);
        if (punto == QLatin1String("/") || !punto.startsWith(QLatin1Char('/')) || radici.contains(punto))
            continue;
        if (tipoEscluso(tipo))
            continue;
        if (sottoCartella(punto, QStringLiteral("/media")) || sottoCartella(punto, QStringLiteral("/run/media")))
            continue;
        if (sottoCartella(punto, QStringLiteral("/proc")) || sottoCartella(punto, QStringLiteral("/sys"))
            || sottoCartella(punto, QStringLiteral("/dev")))
            continue;
        const QFileInfo fi(punto);
        if (!fi.isDir())
            continue;
        if (dispositivoRimovibile(dispositivo))
            continue;
        radici << punto;
    }
    return radici;
}

QStringList RadiciLocali()
{
#ifdef Q_OS_WIN
    QStringList radici;
    for (const QStorageInfo& s : QStorageInfo::mountedVolumes()) {
        if (s.isValid() && s.isReady() && !s.device().startsWith("\\\\"))
            radici << s.rootPath();
    }
    return radici;
#else
    QFile f(QStringLiteral("/proc/mounts"));
    if (!f.open(QIODevice::ReadOnly))
        return {QStringLiteral("/")};
    return RadiciLocaliDa(f.readAll());
#endif
}

#ifndef Q_OS_WIN
namespace {

struct Cartella {
    QByteArray percorso;  // file-system encoding
    dev_t dispositivo;
};

QByteArray unisci(const QByteArray& cartella, const QByteArray& nome)
{
    return cartella.endsWith('/') ? cartella + nome : cartella + '/' + nome;
}

} // namespace

QString CercaCartella(const QStringList& radici, const QString& nomeFile)
{
    if (nomeFile.isEmpty() || nomeFile.contains(QLatin1Char('/')) || nomeFile == QLatin1String(".")
        || nomeFile == QLatin1String(".."))
        return {};
    QList<Cartella> livello;
    for (const QString& r : radici) {
        const QByteArray p = QFile::encodeName(r);
        struct stat st {};
        if (::stat(p.constData(), &st) == 0 && S_ISDIR(st.st_mode))
            livello.append({p, st.st_dev});
    }
    while (!livello.isEmpty()) {
        QList<Cartella> prossimo;
        for (const Cartella& c : livello) {
            DIR* d = ::opendir(c.percorso.constData());
            if (!d)
                continue;  // unreadable: skipped
            QList<QByteArray> voci;
            while (const dirent* e = ::readdir(d)) {
                const QByteArray n(e->d_name);
                if (n != "." && n != "..")
                    voci << n;
            }
            ::closedir(d);
            std::sort(voci.begin(), voci.end());
            for (const QByteArray& n : voci) {
                if (QFile::decodeName(n).compare(nomeFile, Qt::CaseInsensitive) == 0)
                    return QFile::decodeName(c.percorso);
            }
            for (const QByteArray& n : voci) {
                const QByteArray figlio = unisci(c.percorso, n);
                struct stat st {};
                // lstat: a symbolic link is never a folder to enter.
                if (::lstat(figlio.constData(), &st) != 0 || !S_ISDIR(st.st_mode))
                    continue;
                if (st.st_dev != c.dispositivo)
                    continue;  // another mount point
                prossimo.append({figlio, c.dispositivo});
            }
        }
        livello = std::move(prossimo);
    }
    return {};
}
#else
QString CercaCartella(const QStringList& radici, const QString& nomeFile)
{
    if (nomeFile.isEmpty() || nomeFile.contains(QLatin1Char('/')) || nomeFile.contains(QLatin1Char('\\')))
        return {};
    QStringList livello;
    for (const QString& r : radici)
        if (QFileInfo(r).isDir())
            livello << r;
    while (!livello.isEmpty()) {
        QStringList prossimo;
        for (const QString& c : livello) {
            QDir d(c);
            QStringList voci = d.entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                                           QDir::Unsorted);
            std::sort(voci.begin(), voci.end());
            for (const QString& n : voci)
                if (n.compare(nomeFile, Qt::CaseInsensitive) == 0)
                    return c;
            for (const QString& n : voci) {
                const QFileInfo fi(d.filePath(n));
                if (fi.isDir() && !fi.isSymLink() && !fi.isJunction())
                    prossimo << fi.filePath();
            }
        }
        livello = std::move(prossimo);
    }
    return {};
}
#endif
