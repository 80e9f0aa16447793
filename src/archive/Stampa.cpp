#include "archive/Stampa.h"

#include <QDir>
#include <QFileInfo>
#include <QPainter>
#include <QPrinter>
#include <QPrinterInfo>
#include <QStringList>

#ifdef Q_OS_UNIX
#include <dlfcn.h>
#endif

namespace Stampa {

namespace {
QString g_cartella;
QStringList g_scritti;
bool g_rifiuto = false;

// Status of the last request this thread made to the CUPS library, which Qt's print engine
// loads and submits the job with; -1 when the library is not in use. The status is one of
// the IPP status codes: below 0x0400 the request succeeded.
int StatoUltimaRichiestaCups()
{
#ifdef Q_OS_UNIX
    void* libreria = ::dlopen("libcups.so.2", RTLD_LAZY | RTLD_NOLOAD);
    if (!libreria)
        return -1;
    using Funzione = int (*)();
    const auto ultimoErrore = reinterpret_cast<Funzione>(::dlsym(libreria, "cupsLastError"));
    const int stato = ultimoErrore ? ultimoErrore() : -1;
    ::dlclose(libreria);
    return stato;
#else
    return -1;
#endif
}
} // namespace

void ImpostaUscitaPdf(const QString& cartella)
{
    g_cartella = cartella;
    g_scritti.clear();
    g_rifiuto = false;
}

void SimuloRifiuto(bool rifiuta) { g_rifiuto = rifiuta; }

bool ConcludoLavoro(QPainter& p, QPrinter& stampante)
{
    if (!p.end())
        return false;
    const QPrinter::PrinterState stato = stampante.printerState();
    if (stato == QPrinter::Error || stato == QPrinter::Aborted)
        return false;
    if (stampante.outputFormat() == QPrinter::PdfFormat) {
        const QFileInfo file(stampante.outputFileName());
        return !g_rifiuto && file.isFile() && file.size() > 0;
    }
    return StatoUltimaRichiestaCups() < 0x0400;
}

QString UscitaPdf() { return g_cartella; }
QStringList FileScritti() { return g_scritti; }

bool StampanteDisponibile()
{
    return !g_cartella.isEmpty() || !QPrinterInfo::defaultPrinter().isNull();
}

std::unique_ptr<QPrinter> NuovaStampante(const QString& nomeDocumento)
{
    if (!g_cartella.isEmpty()) {
        auto p = std::make_unique<QPrinter>(QPrinter::HighResolution);
        p->setOutputFormat(QPrinter::PdfFormat);
        const QString file = QDir(g_cartella).filePath(QString("STAMPA%1.PDF").arg(g_scritti.size() + 1));
        p->setOutputFileName(file);
        p->setDocName(nomeDocumento);
        g_scritti.append(file);
        return p;
    }
    const QPrinterInfo info = QPrinterInfo::defaultPrinter();
    if (info.isNull())
        return nullptr;
    auto p = std::make_unique<QPrinter>(info, QPrinter::HighResolution);
    p->setDocName(nomeDocumento);
    return p;
}

} // namespace Stampa
