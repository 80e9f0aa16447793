#include "platform/Files.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QRandomGenerator>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>

#ifdef Q_OS_UNIX
#include <dirent.h>
#include <fcntl.h>
#ifdef Q_OS_LINUX
#include <linux/fs.h>
#include <sys/ioctl.h>
#endif
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace Files {

static QStringList dividi(const QString& relativo)
{
    QString r = relativo;
    r.replace(QLatin1Char('\\'), QLatin1Char('/'));
    return r.split(QLatin1Char('/'), Qt::SkipEmptyParts);
}

static QString unisci(const QString& cartella, const QString& nome)
{
    if (cartella.isEmpty())
        return nome;
    return cartella.endsWith(QLatin1Char('/')) ? cartella + nome : cartella + QLatin1Char('/') + nome;
}

QString Trova(const QString& cartella, const QString& nome)
{
    const QString esatto = unisci(cartella, nome);
    if (nome == QLatin1String(".") || nome == QLatin1String("..") || QFileInfo::exists(esatto))
        return esatto;
    QDir dir(cartella.isEmpty() ? QStringLiteral(".") : cartella);
    const QStringList voci = dir.entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    for (const QString& v : voci) {
        if (v.compare(nome, Qt::CaseInsensitive) == 0)
            return unisci(cartella, v);
    }
    return esatto;
}

QString Percorso(const QString& base, const QString& relativo)
{
    QString p = base;
    p.replace(QLatin1Char('\\'), QLatin1Char('/'));
    // An absolute name with no base stays absolute.
    if (p.isEmpty() && (relativo.startsWith(QLatin1Char('/')) || relativo.startsWith(QLatin1Char('\\'))))
        p = QStringLiteral("/");
    while (p.size() > 1 && p.endsWith(QLatin1Char('/')))
        p.chop(1);
    for (const QString& c : dividi(relativo))
        p = Trova(p, c);
    return p;
}

static QString& cartellaProgramma()
{
    static QString c;
    return c;
}

void ImpostaCartellaProgramma(const QString& cartella)
{
    cartellaProgramma() = cartella;
}

QString CartellaProgramma()
{
    return cartellaProgramma();
}

QString PercorsoApp(const QString& relativo)
{
    return Percorso(cartellaProgramma(), relativo);
}

bool ComponenteValido(const QString& nome)
{
    if (nome.isEmpty() || nome == QLatin1String(".") || nome == QLatin1String(".."))
        return false;
    if (nome.trimmed().isEmpty())
        return false;
    for (const QChar c : nome) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7f)
            return false;
        if (c == QLatin1Char('/') || c == QLatin1Char('\\') || c == QLatin1Char(':'))
            return false;
    }
    return true;
}

QStringList ComponentiValidi(const QString& relativo)
{
    if (relativo.isEmpty() || relativo.startsWith(QLatin1Char('\\')) || relativo.startsWith(QLatin1Char('/')))
        return {};
    QString r = relativo;
    r.replace(QLatin1Char('/'), QLatin1Char('\\'));
    const QStringList parti = r.split(QLatin1Char('\\'));
    for (const QString& p : parti)
        if (!ComponenteValido(p))
            return {};
    return parti;
}

// Flushes an open file's data to disk.
static bool SincronizzaAperto(int handle)
{
#ifdef Q_OS_UNIX
    return ::fsync(handle) == 0;
#else
    Q_UNUSED(handle);
    return true;
#endif
}

// Renames a file over another in one step; on failure `perche` gets the system's reason.
static bool RinominaSopra(const QString& da, const QString& a, QString* perche = nullptr)
{
    std::error_code ec;
    std::filesystem::rename(QFile::encodeName(da).toStdString(), QFile::encodeName(a).toStdString(), ec);
    if (ec && perche)
        *perche = QString::fromLocal8Bit(ec.message());
    return !ec;
}

// A rewrite's temporary file: the target's name, a marker no person gives a file, six random
// letters or digits, and ".tmp" ("ZEQINST.INI.~zeqtmp-a8Xk2P.tmp"). Where that name would
// pass the folder's limit on name length (a target of 237 bytes or more on most systems) the
// temporary has the short form: the marker, the first 16 hex digits of the SHA-256 of the
// target's name, "-", six random letters or digits and ".tmp"
// (".~zeqtmp-3f9c0a17b2e4d581-a8Xk2P.tmp"), so every name the folder takes can be rewritten.
static const QLatin1String kMarcaTemporaneo(".~zeqtmp-");
static const QLatin1String kCodaTemporaneo(".tmp");

// The short form's part that stands for the target's name.
static QString SiglaNome(const QString& nome)
{
    return QString::fromLatin1(
        QCryptographicHash::hash(QFile::encodeName(nome), QCryptographicHash::Sha256).toHex().left(16));
}

// The template of a temporary for `nome` in `cartella` (its last "XXXXXX" stands for the six
// random letters or digits).
static QString ModelloTemporaneo(const QString& cartella, const QString& nome)
{
    const QString lungo = nome + kMarcaTemporaneo + QStringLiteral("XXXXXX") + kCodaTemporaneo;
    long massimo = 255;
#ifdef Q_OS_UNIX
    const long limite = ::pathconf(QFile::encodeName(cartella).constData(), _PC_NAME_MAX);
    if (limite > 0)
        massimo = limite;
#endif
    if (QFile::encodeName(lungo).size() <= massimo)
        return cartella + QLatin1Char('/') + lungo;
    return cartella + QLatin1Char('/') + kMarcaTemporaneo + SiglaNome(nome) + QStringLiteral("-XXXXXX")
           + kCodaTemporaneo;
}

// Removes the temporaries of this target that a write cut short left behind, in either form.
// Only names of the program's own making go: a person's "ZEQINST.INI.backup" or "X.PRN.241209"
// stays, and so do the temporaries of every other file in the folder.
static void RimuovoTemporanei(const QString& path)
{
    const QFileInfo fi(path);
    const QString nome = fi.fileName();
    if (nome.isEmpty())
        return;
    const QString casuale = QStringLiteral("[A-Za-z0-9]{6}") + QRegularExpression::escape(kCodaTemporaneo);
    const QRegularExpression temporaneo(QRegularExpression::anchoredPattern(
        QStringLiteral("(?:") + QRegularExpression::escape(nome + kMarcaTemporaneo) + QStringLiteral("|")
        + QRegularExpression::escape(kMarcaTemporaneo + SiglaNome(nome) + QLatin1Char('-'))
        + QStringLiteral(")") + casuale));
    QDir d = fi.dir();
    for (const QString& v : d.entryList(QDir::Files | QDir::Hidden | QDir::System))
        if (temporaneo.match(v).hasMatch())
            d.remove(v);
}

// The system's limit on symbolic links followed in one name.
static constexpr int kMassimoCollegamenti = 40;

// Follows a chain of symbolic links to the name at its end, which need not exist (a link left
// dangling names where a new file goes). A relative link is read against the folder of the
// link that holds it. A loop or a chain longer than the system's limit is refused.
static bool SeguoCollegamenti(const QString& path, QString& finale, QString& perche)
{
    finale = path;
    for (int salti = 0;; ++salti) {
        std::error_code ec;
        const std::filesystem::path nativo(QFile::encodeName(finale).toStdString());
        if (!std::filesystem::is_symlink(std::filesystem::symlink_status(nativo, ec)))
            return true;
        if (salti == kMassimoCollegamenti) {
            perche = QString::fromLocal8Bit(std::make_error_code(std::errc::too_many_symbolic_link_levels).message());
            return false;
        }
        const std::filesystem::path dest = std::filesystem::read_symlink(nativo, ec);
        if (ec) {
            perche = QString::fromLocal8Bit(ec.message());
            return false;
        }
        const QString nome = QFile::decodeName(QByteArray::fromStdString(dest.string()));
        const QFileInfo collegamento(finale);
        finale = QDir::isAbsolutePath(nome)
                     ? nome
                     : QFileInfo(collegamento.path()).canonicalFilePath() + QLatin1Char('/') + nome;
    }
}

bool Scrivibile(const QString& path)
{
    const QFileInfo fi(path);
    return fi.isWritable() && fi.permissions().testFlag(QFileDevice::WriteOwner);
}

static QString Sistema(int codice) { return QString::fromLocal8Bit(std::strerror(codice)); }

// The name a rewrite of `path` writes, at the end of its chain of links, and whether what
// stands there may be replaced: nothing, or a regular file that is Scrivibile. On refusal
// `perche` names the file and gives the reason.
#ifdef Q_OS_LINUX
// Whether the system keeps a file that may be written from being replaced by a rename: it or
// its folder is append-only or immutable, or the folder is sticky and neither it nor the file
// is the user's.
static bool RinominaNegata(const QString& file)
{
    auto bandiere = [](const QString& p) {
        int b = 0;
        const int fd = ::open(QFile::encodeName(p).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0)
            return 0;
        if (::ioctl(fd, FS_IOC_GETFLAGS, &b) != 0)
            b = 0;
        ::close(fd);
        return b;
    };
    const QString cartella = QFileInfo(file).absolutePath();
    if ((bandiere(file) | bandiere(cartella)) & (FS_APPEND_FL | FS_IMMUTABLE_FL))
        return true;
    struct stat c {}, f {};
    const uid_t io = ::geteuid();
    return io != 0 && ::stat(QFile::encodeName(cartella).constData(), &c) == 0 && (c.st_mode & S_ISVTX)
           && c.st_uid != io && ::stat(QFile::encodeName(file).constData(), &f) == 0 && f.st_uid != io;
}
#endif

static bool Destinazione(const QString& path, QString& finale, QString& perche)
{
    if (!SeguoCollegamenti(path, finale, perche)) {
        perche = path + QStringLiteral(": ") + perche;
        return false;
    }
    const QFileInfo fi(finale);
    if (!fi.exists())
        return true;
    QString motivo;
    if (fi.isDir())
        motivo = Sistema(EISDIR);
    else if (!fi.isFile())
        motivo = QStringLiteral("not a regular file");
#ifdef Q_OS_UNIX
    else if (::access(QFile::encodeName(finale).constData(), W_OK) != 0)
        // The system's own reason: permissions, a file system mounted read-only, a file
        // made immutable.
        motivo = Sistema(errno);
#endif
#ifdef Q_OS_LINUX
    else if (RinominaNegata(finale))
        motivo = Sistema(EPERM);
#endif
    else if (!Scrivibile(finale))
        // A file the user made read-only is not replaced behind his back.
        motivo = Sistema(EACCES) + QStringLiteral(" (read-only file)");
    else
        return true;
    perche = QStringLiteral("cannot replace ") + finale + QStringLiteral(": ") + motivo;
    return false;
}

// Opens a new file without a name in the folder, read and write for all as the system gives a
// new file (less the umask, or as the folder's default access list says): its descriptor, or
// -1 with errno set. Where the file system makes no such file errno says so (SenzaNomeAssente).
static int AproSenzaNome(const QByteArray& cartella)
{
#if defined(Q_OS_LINUX) && defined(O_TMPFILE)
    return ::open(cartella.constData(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0666);
#else
    Q_UNUSED(cartella);
    errno = EOPNOTSUPP;
    return -1;
#endif
}

// Whether AproSenzaNome failed only because the system or its file system makes no file
// without a name.
static bool SenzaNomeAssente(int codice)
{
    return codice == EOPNOTSUPP || codice == EISDIR || codice == EINVAL;
}

// Whether a new file can be made in the folder: an unnamed one is made and let go at once,
// which leaves nothing behind; where the file system makes none, the folder's permissions
// tell.
bool AccoglieFile(const QString& cartella, QString& perche)
{
#ifdef Q_OS_UNIX
    const QByteArray nome = QFile::encodeName(cartella);
    const int fd = AproSenzaNome(nome);
    if (fd >= 0) {
        ::close(fd);
        return true;
    }
    if (!SenzaNomeAssente(errno)) {
        perche = Sistema(errno);
        return false;
    }
    if (::access(nome.constData(), W_OK | X_OK) != 0) {
        perche = Sistema(errno);
        return false;
    }
#else
    Q_UNUSED(cartella);
    Q_UNUSED(perche);
#endif
    return true;
}

bool Sostituibile(const QString& path, QString* perche)
{
    QString finale, motivo;
    if (!Destinazione(path, finale, motivo)) {
        if (perche)
            *perche = motivo;
        return false;
    }
    // Where the file's folder is still to be made, the nearest folder that stands must take the
    // first one missing.
    QString cartella = QFileInfo(finale).absolutePath();
    for (QFileInfo c(cartella); !c.exists() && !c.isSymLink() && !c.isRoot(); c.setFile(c.absolutePath()))
        cartella = c.absolutePath();
    if (!AccoglieFile(cartella, motivo)) {
        if (perche)
            *perche = QStringLiteral("cannot write in ") + cartella + QStringLiteral(": ") + motivo;
        return false;
    }
    return true;
}

// A rewrite's temporary in the target's folder, made as the system makes a new file (read and
// write for all less the umask, or what the folder's default access list gives), so a new
// target ends with the mode and access list the folder gives it. Where the system allows it
// the file has no name while it is written, and a write cut short leaves nothing; it is given
// its marked name (ModelloTemporaneo) only when a rename needs one, or when fileName() is
// asked. Elsewhere it has the marked name from the start. One not put in place is removed.
class Temporaneo : public QFile {
public:
    explicit Temporaneo(const QString& modello) : m_modello(modello) {}
    ~Temporaneo() override
    {
        close();
        // One that cannot go now is removed by the next write of this target.
        if (!m_nome.isEmpty() && !m_posto)
            Rimuovi(m_nome);
    }

    bool Apro(QString& perche)
    {
#ifdef Q_OS_UNIX
        // The name is given later through /proc: without it the file is named from the start.
        static const bool procfs = ::access("/proc/self/fd", X_OK) == 0;
        const int fd = procfs ? AproSenzaNome(QFile::encodeName(QFileInfo(m_modello).path())) : -1;
        if (fd >= 0) {
            if (open(fd, QIODevice::ReadWrite, QFileDevice::AutoCloseHandle))
                return true;
            ::close(fd);
            perche = errorString();
            return false;
        }
        if (procfs && !SenzaNomeAssente(errno)) {
            perche = Sistema(errno);
            return false;
        }
#endif
        for (int prova = 0; prova < kProve; ++prova) {
            const QString nome = NomeCasuale();
            setFileName(nome);
            if (open(QIODevice::ReadWrite | QIODevice::NewOnly)) {
                m_nome = nome;
                return true;
            }
            const QFileInfo occupato(nome);
            if (!occupato.exists() && !occupato.isSymLink()) {
                perche = errorString();
                return false;
            }
        }
        perche = Sistema(EEXIST);
        return false;
    }

    // The marked name, given now when the file has none.
    QString fileName() const override
    {
        QString perche;
        return Nomino(perche) ? m_nome : QString();
    }

    bool Nomino(QString& perche) const
    {
        if (!m_nome.isEmpty())
            return true;
        for (int prova = 0; prova < kProve; ++prova) {
            const QString nome = NomeCasuale();
            const int codice = Collego(QFile::encodeName(nome));
            if (codice == 0) {
                m_nome = nome;
                return true;
            }
            if (codice != EEXIST) {
                perche = Sistema(codice);
                return false;
            }
        }
        perche = Sistema(EEXIST);
        return false;
    }

    // Puts the whole file in place at `finale`: where nothing stands there the unnamed file
    // gets that name in one step, with nothing left behind by a kill; anything else is
    // replaced by a rename from the marked name, given only now.
    bool Pongo(const QString& finale, QString& perche)
    {
        if (m_nome.isEmpty() && !QFileInfo::exists(finale)) {
            const int codice = Collego(QFile::encodeName(finale));
            if (codice == 0) {
                m_posto = true;
                return true;
            }
            if (codice != EEXIST) {
                perche = Sistema(codice);
                return false;
            }
        }
        if (!Nomino(perche))
            return false;
        close();
        if (error() != QFileDevice::NoError) {
            perche = errorString();
            return false;
        }
        if (!RinominaSopra(m_nome, finale, &perche))
            return false;
        m_posto = true;
        return true;
    }

    // Why the last write failed, as the system gave it; "" when none did.
    QString Errore() const { return m_errore; }

protected:
#ifdef Q_OS_UNIX
    // Every block goes to the file at once, whole or with the system's reason: a disk that
    // takes a block only in part says why at the next write of the rest.
    qint64 writeData(const char* dati, qint64 n) override
    {
        qint64 scritti = 0;
        while (scritti < n) {
            const ssize_t r = ::write(handle(), dati + scritti, size_t(n - scritti));
            if (r < 0 && errno == EINTR)
                continue;
            if (r <= 0) {
                m_errore = Sistema(r < 0 ? errno : EIO);
                setErrorString(m_errore);
                return -1;
            }
            scritti += r;
        }
        return scritti;
    }
#endif

private:
    static constexpr int kProve = 100;

    // The template's last "XXXXXX" replaced by six random letters or digits.
    QString NomeCasuale() const
    {
        static const char cifre[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
        QString nome = m_modello;
        const qsizetype i = nome.lastIndexOf(QLatin1String("XXXXXX"));
        for (qsizetype k = i; k < i + 6; ++k)
            nome[k] = QLatin1Char(cifre[QRandomGenerator::global()->bounded(int(sizeof cifre - 1))]);
        return nome;
    }

    // Gives the unnamed open file a name: 0, or the system's error code.
    int Collego(const QByteArray& nome) const
    {
#ifdef Q_OS_UNIX
        const QByteArray aperto = "/proc/self/fd/" + QByteArray::number(handle());
        return ::linkat(AT_FDCWD, aperto.constData(), AT_FDCWD, nome.constData(), AT_SYMLINK_FOLLOW) == 0 ? 0 : errno;
#else
        Q_UNUSED(nome);
        return EOPNOTSUPP;
#endif
    }

    QString m_modello;
    QString m_errore;
    mutable QString m_nome;   // the name on disk; "" while it has none
    bool m_posto = false;     // put in place at the target
};

bool ScriviAtomico(const QString& path, const std::function<bool(QIODevice&)>& scrittore, QString* errore)
{
    auto fallito = [errore](const QString& perche) {
        if (errore)
            *errore = perche;
        return false;
    };
    // A rewrite through symbolic links replaces the file at the end of the chain; the links stay.
    QString finale;
    QString perche;
    if (!Destinazione(path, finale, perche))
        return fallito(perche);
    const QFileInfo esistente(finale);
    RimuovoTemporanei(finale);
    Temporaneo f(ModelloTemporaneo(esistente.absolutePath(), esistente.fileName()));
    if (!f.Apro(perche))
        return fallito(QStringLiteral("cannot write in ") + esistente.absolutePath() + QStringLiteral(": ") + perche);
    // A replaced file keeps its permissions, given before any data; a new one keeps what the
    // system gave it.
    if (esistente.exists() && !f.setPermissions(esistente.permissions()))
        return fallito(QStringLiteral("cannot keep the permissions of ") + finale + QStringLiteral(": ")
                       + f.errorString());
    // A write the disk refused in part may sit in Qt's buffer: flush and check before the
    // rename, or a truncated file would replace the good one.
    if (!scrittore(f) || !f.flush() || f.error() != QFileDevice::NoError || !f.Errore().isEmpty())
        return fallito(QStringLiteral("cannot write ") + finale + QStringLiteral(": ")
                       + (!f.Errore().isEmpty()                   ? f.Errore()
                          : f.error() != QFileDevice::NoError ? f.errorString()
                                                              : QStringLiteral("write aborted")));
    if (!SincronizzaAperto(f.handle())) {
        const int codice = errno;
        return fallito(QStringLiteral("cannot sync ") + finale + QStringLiteral(": ") + Sistema(codice));
    }
    if (!f.Pongo(finale, perche))
        return fallito(QStringLiteral("cannot replace ") + finale + QStringLiteral(": ") + perche);
    return true;
}

bool ScriviAtomico(const QString& path, const QByteArray& data, QString* errore)
{
    return ScriviAtomico(path, [&](QIODevice& d) { return d.write(data) == data.size(); }, errore);
}

bool AppendoBlocco(const QString& percorso, const QByteArray& dati, bool crea)
{
    QFile f(percorso);
    if (!crea && !f.exists())
        return false;
    // Unbuffered: nothing is left in a buffer for the close to write after the cut.
    if (!QFileInfo(percorso).dir().exists() || !f.open(QIODevice::Append | QIODevice::Unbuffered))
        return false;
    const qint64 prima = f.size();
    const bool ok = f.write(dati) == dati.size() && f.flush();
    if (!ok)
        f.resize(prima);
    return ok;
}

bool LeggiTutto(const QString& path, QByteArray& dati)
{
    // Checked before opening: a FIFO would be waited for, a device read without end.
    QFile f(path);
    if (!QFileInfo(path).isFile() || !f.open(QIODevice::ReadOnly) || f.size() > MassimoLettura)
        return false;
    dati = f.readAll();
    return f.error() == QFileDevice::NoError;
}

QByteArray PrimaRiga(const QString& path, qsizetype massimo)
{
    // Checked before opening: opening a FIFO for reading waits for a writer.
    if (!QFileInfo(path).isFile())
        return {};
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    QByteArray riga = f.read(massimo);
    for (qsizetype i = 0; i < riga.size(); ++i) {
        if (riga[i] == '\r' || riga[i] == '\n') {
            riga.truncate(i);
            break;
        }
    }
    return riga;
}

bool CopiaAtomica(const QString& sorgente, const QString& destinazione, QString* errore)
{
    const QFileInfo fi(sorgente);
    if (fi.isSymLink() || !fi.isFile()) {
        if (errore)
            *errore = QStringLiteral("not a regular file: ") + sorgente;
        return false;
    }
    QFile in(sorgente);
    if (!in.open(QIODevice::ReadOnly)) {
        if (errore)
            *errore = in.errorString();
        return false;
    }
    return ScriviAtomico(destinazione, [&](QIODevice& out) {
        char buf[65536];
        for (;;) {
            const qint64 n = in.read(buf, sizeof buf);
            if (n < 0)
                return false;
            if (n == 0)
                return true;
            if (out.write(buf, n) != n)
                return false;
        }
    }, errore);
}

bool Rimuovi(const QString& path, QString* perche)
{
#ifdef Q_OS_UNIX
    if (::unlink(QFile::encodeName(path).constData()) == 0 || errno == ENOENT || errno == ENOTDIR)
        return true;
    if (perche)
        *perche = Sistema(errno);
    return false;
#else
    QFile f(path);
    if (!f.exists() || f.remove())
        return true;
    if (perche)
        *perche = f.errorString();
    return false;
#endif
}

bool Sincronizza(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) && SincronizzaAperto(f.handle());
}

bool SostituisciConRinomina(const QString& da, const QString& a, QString* perche)
{
    auto fallito = [perche](const QString& motivo) {
        if (perche)
            *perche = motivo;
        return false;
    };
    // Through symbolic links the file at the end of the chain is replaced, as a rewrite
    // replaces it; the links stay.
    QString finale, motivo;
    if (!SeguoCollegamenti(a, finale, motivo))
        return fallito(a + QStringLiteral(": ") + motivo);
    // A replaced file keeps its mode where the user may give it (he owns the new file).
#ifdef Q_OS_UNIX
    struct stat vecchio {}, nuovo {};
    const QByteArray n = QFile::encodeName(da);
    if (::stat(QFile::encodeName(finale).constData(), &vecchio) == 0 && S_ISREG(vecchio.st_mode)
        && ::stat(n.constData(), &nuovo) == 0 && (nuovo.st_mode & 0777) != (vecchio.st_mode & 0777))
        ::chmod(n.constData(), vecchio.st_mode & 0777);
#endif
    if (!Sincronizza(da))
        return fallito(QStringLiteral("cannot sync ") + da + QStringLiteral(": ") + Sistema(errno));
    std::error_code ec;
    std::filesystem::rename(QFile::encodeName(da).toStdString(), QFile::encodeName(finale).toStdString(), ec);
    if (!ec)
        return true;
    // A chain that ends on another file system: the file is copied there whole, then goes.
    if (ec == std::errc::cross_device_link) {
        if (!CopiaAtomica(da, finale, &motivo))
            return fallito(motivo);
        return Rimuovi(da, &motivo) || fallito(QStringLiteral("cannot remove ") + da + QStringLiteral(": ") + motivo);
    }
    return fallito(QStringLiteral("cannot replace ") + finale + QStringLiteral(": ")
                   + QString::fromLocal8Bit(ec.message()));
}

bool CreaCartella(const QString& path)
{
    if (path.isEmpty())
        return false;
    QDir d;
    return d.mkpath(path) && QFileInfo(path).isDir();
}

bool CorrispondeJolly(const QString& nome, const QString& modello)
{
    const QRegularExpression re(QRegularExpression::wildcardToRegularExpression(
                                    modello, QRegularExpression::UnanchoredWildcardConversion),
                                QRegularExpression::CaseInsensitiveOption);
    const QRegularExpression ancorato(QRegularExpression::anchoredPattern(re.pattern()),
                                      QRegularExpression::CaseInsensitiveOption);
    return ancorato.match(nome).hasMatch();
}

void OrdinoNomi(QStringList& nomi)
{
    std::sort(nomi.begin(), nomi.end(), [](const QString& a, const QString& b) {
        const int c = a.compare(b, Qt::CaseInsensitive);
        return c != 0 ? c < 0 : a < b;
    });
}

QList<QByteArray> NomiIllegibili(const QString& cartella)
{
    QList<QByteArray> nomi;
#ifdef Q_OS_UNIX
    // Qt leaves such entries out of its listings without a word.
    DIR* d = opendir(QFile::encodeName(cartella).constData());
    if (!d)
        return nomi;
    while (const dirent* e = readdir(d)) {
        const QByteArray nome(e->d_name);
        if (QFile::encodeName(QFile::decodeName(nome)) != nome)
            nomi.append(nome);
    }
    closedir(d);
#else
    Q_UNUSED(cartella);
#endif
    return nomi;
}

} // namespace Files

bool Esiste(const QString& nome, int attributi)
{
    if (nome.trimmed().isEmpty())
        return false;
    QString n = nome;
    n.replace(QLatin1Char('\\'), QLatin1Char('/'));
    const int sep = n.lastIndexOf(QLatin1Char('/'));
    const QString cartella = sep < 0 ? QStringLiteral(".") : (sep == 0 ? QStringLiteral("/") : n.left(sep));
    const QString ultimo = n.mid(sep + 1);
    if (ultimo.isEmpty())
        return false;
    const QString dir = Files::Percorso(cartella, QString());
    const bool cartelleAncora = (attributi & 16) != 0;
    const bool jolly = ultimo.contains(QLatin1Char('*')) || ultimo.contains(QLatin1Char('?'));
    if (!jolly) {
        const QFileInfo fi(Files::Trova(dir, ultimo));
        if (!fi.exists())
            return false;
        return fi.isDir() ? cartelleAncora : true;
    }
    QDir d(dir);
    if (!d.exists())
        return false;
    QDir::Filters filtri = QDir::Files | QDir::Hidden | QDir::System;
    if (cartelleAncora)
        filtri |= QDir::Dirs | QDir::NoDotAndDotDot;
    for (const QString& v : d.entryList(filtri))
        if (Files::CorrispondeJolly(v, ultimo) && !v.trimmed().isEmpty())
            return true;
    return false;
}
