#include "platform/Files.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryFile>

#include <algorithm>
#include <filesystem>

#ifdef Q_OS_UNIX
#include <dirent.h>
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

// Renames a file over another in one step.
static bool RinominaSopra(const QString& da, const QString& a)
{
    std::error_code ec;
    std::filesystem::rename(QFile::encodeName(da).toStdString(), QFile::encodeName(a).toStdString(), ec);
    return !ec;
}

// A rewrite's temporary file: the target's name, a marker no person gives a file, six random
// letters or digits from QTemporaryFile, and ".tmp" ("ZEQINST.INI.~zeqtmp-a8Xk2P.tmp").
static const QLatin1String kMarcaTemporaneo(".~zeqtmp-");
static const QLatin1String kCodaTemporaneo(".tmp");

// Removes the temporaries of this target that a write cut short left behind. Only names of the
// program's own making go: a person's "ZEQINST.INI.backup" or "X.PRN.241209" stays.
static void RimuovoTemporanei(const QString& path)
{
    const QFileInfo fi(path);
    const QString nome = fi.fileName();
    if (nome.isEmpty())
        return;
    const QRegularExpression temporaneo(QRegularExpression::anchoredPattern(
        QRegularExpression::escape(nome + kMarcaTemporaneo) + QStringLiteral("[A-Za-z0-9]{6}")
        + QRegularExpression::escape(kCodaTemporaneo)));
    QDir d = fi.dir();
    for (const QString& v : d.entryList(QDir::Files | QDir::Hidden | QDir::System))
        if (temporaneo.match(v).hasMatch())
            d.remove(v);
}

bool Scrivibile(const QString& path)
{
    const QFileInfo fi(path);
    return fi.isWritable() && fi.permissions().testFlag(QFileDevice::WriteOwner);
}

bool ScriviAtomico(const QString& path, const std::function<bool(QIODevice&)>& scrittore, QString* errore)
{
    auto fallito = [errore](const QString& perche) {
        if (errore)
            *errore = perche;
        return false;
    };
    // A rewrite through a symbolic link replaces the file it names, not the link.
    QString finale = path;
    const QFileInfo bersaglio(path);
    if (bersaglio.isSymLink() && !bersaglio.symLinkTarget().isEmpty())
        finale = bersaglio.symLinkTarget();
    const QFileInfo esistente(finale);
    // A file the user made read-only is not replaced behind his back.
    if (esistente.exists() && !Scrivibile(finale))
        return fallito(QStringLiteral("existing file is not writable: ") + finale);
    RimuovoTemporanei(finale);
    QTemporaryFile f(esistente.absolutePath() + QLatin1Char('/') + esistente.fileName() + kMarcaTemporaneo
                     + QStringLiteral("XXXXXX") + kCodaTemporaneo);
    if (!f.open())
        return fallito(f.errorString());
    // The new file keeps the old one's permissions; a new one gets the usual ones.
    if (esistente.exists())
        f.setPermissions(esistente.permissions());
    else
        f.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup
                         | QFileDevice::ReadOther);
    // A write the disk refused in part may sit in Qt's buffer: flush and check before the
    // rename, or a truncated file would replace the good one.
    if (!scrittore(f) || !f.flush() || f.error() != QFileDevice::NoError)
        return fallito(f.error() != QFileDevice::NoError ? f.errorString() : QStringLiteral("write aborted"));
    if (!SincronizzaAperto(f.handle()))
        return fallito(QStringLiteral("cannot sync ") + finale);
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
    if (!RinominaSopra(nomeTemporaneo, finale))
        return fallito(QStringLiteral("cannot replace ") + finale);
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
