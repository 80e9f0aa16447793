#include "platform/Files.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryFile>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>

#ifdef Q_OS_UNIX
#include <dirent.h>
#include <fcntl.h>
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
// letters or digits from QTemporaryFile, and ".tmp" ("ZEQINST.INI.~zeqtmp-a8Xk2P.tmp"). Where
// that name would pass the folder's limit on name length (a target of 237 bytes or more on
// most systems) the temporary has the short form: the marker, the first 16 hex digits of the
// SHA-256 of the target's name, "-", six random letters or digits and ".tmp"
// (".~zeqtmp-3f9c0a17b2e4d581-a8Xk2P.tmp"), so every name the folder takes can be rewritten.
static const QLatin1String kMarcaTemporaneo(".~zeqtmp-");
static const QLatin1String kCodaTemporaneo(".tmp");

// The short form's part that stands for the target's name.
static QString SiglaNome(const QString& nome)
{
    return QString::fromLatin1(
        QCryptographicHash::hash(QFile::encodeName(nome), QCryptographicHash::Sha256).toHex().left(16));
}

// The template of a temporary for `nome` in `cartella` (QTemporaryFile replaces the last
// "XXXXXX").
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

// The permissions the system gives a new file: read and write for all, less the process's
// umask. The mask is read from /proc, which leaves it alone; where there is none it is set and
// put back at once.
static QFileDevice::Permissions PermessiNuovo()
{
    unsigned modo = 0644;
#ifdef Q_OS_UNIX
    unsigned maschera = 0;
    bool letta = false;
    QFile stato(QStringLiteral("/proc/self/status"));
    if (stato.open(QIODevice::ReadOnly)) {
        for (const QByteArray& riga : stato.readAll().split('\n'))
            if (riga.startsWith("Umask:"))
                maschera = riga.mid(6).trimmed().toUInt(&letta, 8);
    }
    if (!letta) {
        maschera = ::umask(022);
        ::umask(maschera);
    }
    modo = 0666 & ~maschera;
#endif
    return QFileDevice::Permissions(QFlag(int(((modo & 0700) << 6) | ((modo & 070) << 1) | (modo & 07))));
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
    else if (!Scrivibile(finale))
        // A file the user made read-only is not replaced behind his back.
        motivo = Sistema(EACCES) + QStringLiteral(" (read-only file)");
    else
        return true;
    perche = QStringLiteral("cannot replace ") + finale + QStringLiteral(": ") + motivo;
    return false;
}

// Whether a new file can be made in the folder: an unnamed one is made and let go at once,
// which leaves nothing behind; where the file system makes none, the folder's permissions
// tell.
static bool AccoglieFile(const QString& cartella, QString& perche)
{
#ifdef Q_OS_UNIX
    const QByteArray nome = QFile::encodeName(cartella);
#ifdef O_TMPFILE
    const int fd = ::open(nome.constData(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
    if (fd >= 0) {
        ::close(fd);
        return true;
    }
    if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL) {
        perche = Sistema(errno);
        return false;
    }
#endif
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
    const QString cartella = QFileInfo(finale).absolutePath();
    if (!AccoglieFile(cartella, motivo)) {
        if (perche)
            *perche = QStringLiteral("cannot write in ") + cartella + QStringLiteral(": ") + motivo;
        return false;
    }
    return true;
}

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
    QTemporaryFile f(ModelloTemporaneo(esistente.absolutePath(), esistente.fileName()));
    if (!f.open())
        return fallito(f.errorString());
    // The new file keeps the old one's permissions; a new one gets what the system gives one.
    f.setPermissions(esistente.exists() ? esistente.permissions() : PermessiNuovo());
    // A write the disk refused in part may sit in Qt's buffer: flush and check before the
    // rename, or a truncated file would replace the good one.
    if (!scrittore(f) || !f.flush() || f.error() != QFileDevice::NoError)
        return fallito(f.error() != QFileDevice::NoError ? f.errorString() : QStringLiteral("write aborted"));
    if (!SincronizzaAperto(f.handle()))
        return fallito(QStringLiteral("cannot sync ") + finale + QStringLiteral(": ")
                       + QString::fromLocal8Bit(std::strerror(errno)));
    // Where the system allows it the data were written to a file without a name. A new
    // target gets them in one step, with nothing left behind by a kill; an existing one is
    // replaced by a rename from the marked name, given only now.
    if (!QFileInfo::exists(finale) && f.rename(finale)) {
        f.setAutoRemove(false);
        return true;
    }
    const QString nomeTemporaneo = f.fileName();
    f.close();
    if (f.error() != QFileDevice::NoError)
        return fallito(f.errorString());
    if (!RinominaSopra(nomeTemporaneo, finale, &perche))
        return fallito(QStringLiteral("cannot replace ") + finale + QStringLiteral(": ") + perche);
    f.setAutoRemove(false);
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
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
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

bool Sincronizza(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) && SincronizzaAperto(f.handle());
}

bool SostituisciConRinomina(const QString& da, const QString& a)
{
    return Sincronizza(da) && RinominaSopra(da, a);
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
