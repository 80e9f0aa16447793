#include "RemoteFixture.h"

#include <QApplication>
#include <QCryptographicHash>
#include <QDirIterator>

#include <cerrno>
#include <fcntl.h>
#include <sys/inotify.h>
#include <unistd.h>

namespace {
QString rimozioneFallita;
QString renameFailing;

// Whether this call is the one that fails: the file named is the one given, once.
bool FailsNow(QString& fallisce, const char* nome)
{
    if (fallisce.isEmpty() || QFileInfo(QFile::decodeName(nome)).absoluteFilePath() != fallisce)
        return false;
    fallisce.clear();
    errno = EIO;
    return true;
}
} // namespace

void RimozioneFallisceUnaVolta(const QString& percorso) { rimozioneFallita = QFileInfo(percorso).absoluteFilePath(); }
void RenameFailsOnce(const QString& percorso) { renameFailing = QFileInfo(percorso).absoluteFilePath(); }

// The test program's unlink and rename stand before the C library's for every caller in the
// process, Qt's file removal and the standard library's rename included.
extern "C" int unlink(const char* nome)
{
    return FailsNow(rimozioneFallita, nome) ? -1 : ::unlinkat(AT_FDCWD, nome, 0);
}

extern "C" int rename(const char* da, const char* a)
{
    return FailsNow(renameFailing, da) ? -1 : ::renameat(AT_FDCWD, da, AT_FDCWD, a);
}

QByteArray Leggo(const QString& percorso)
{
    QFile f(percorso);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

QMap<QString, QByteArray> Elenco(const QString& cartella)
{
    QMap<QString, QByteArray> e;
    QDirIterator it(cartella, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString p = it.next();
        QByteArray contenuto;
        QFile f(p);
        if (it.fileInfo().isFile() && f.open(QIODevice::ReadOnly))
            contenuto = QCryptographicHash::hash(f.readAll(), QCryptographicHash::Md5).toHex();
        e.insert(p.mid(cartella.size()), contenuto);
    }
    return e;
}

QStringList Cancellati(int avvisi)
{
    QStringList nomi;
    alignas(inotify_event) char buf[4096];
    for (ssize_t n; (n = read(avvisi, buf, sizeof buf)) > 0;)
        for (ssize_t i = 0; i < n; i += sizeof(inotify_event) + reinterpret_cast<inotify_event*>(buf + i)->len)
            nomi << QString::fromLocal8Bit(reinterpret_cast<inotify_event*>(buf + i)->name);
    return nomi;
}

QByteArray RigaCatalogo(const QByteArray& descrizione, const QByteArray& chiave, const QList<QByteArray>& centraline,
                          const QByteArray& flag)
{
    QByteArray r = descrizione.leftJustified(41, ' ', true) + QByteArray("   4");
    for (int k = 0; k < 3; ++k)
        r += centraline.value(k).leftJustified(40, ' ', true);
    return r + chiave.leftJustified(12, ' ', true) + flag.leftJustified(3, ' ', true);
}

void RemoteFixture::SetUp()
{
    AmbienteLink::SetUp();
    FormTimer::ImpostaScalaTempo(1.0);
    cartella->scrivi("ZEQINST.INI", "[PORTE]\r\nCOM1=/nonexistent/ecu\r\nCOM5=/nonexistent/modem\r\n"
                                    "[ASSISTENZA]\r\nTelefono=0123456789\r\n");
    ImpostaModemDiProva([this](const QByteArray& b) { modem.append(b); });
    Shell.Funzione = 2;
    d = DatiMotore::Carica();
}

void RemoteFixture::TearDown()
{
    AmbienteLink::TearDown();
    rimozioneFallita.clear();
    GSM.reset();
    Link.reset();
}

void RemoteFixture::stazione(const QByteArray& testo)
{
    GSM.BufferGSM += gsmsim::Cornice(testo);
    GestioneGSM();
}

void RemoteFixture::inStato(int stato)
{
    GSM.GSMattivo = true;
    GSM.StatoGSM = stato;
    d->MostroChiamataGSM(true);
    if (InScambioRemoto(stato)) {
        GSM.InvioGSM = true;
        d->MostroScambioRemoto(true);
    }
}
