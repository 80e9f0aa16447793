#include "archive/Stampa.h"

#include <QDir>
#include <QPrinter>
#include <QPrinterInfo>
#include <QStringList>

namespace Stampa {

namespace {
QString g_cartella;
QStringList g_scritti;
} // namespace

void ImpostaUscitaPdf(const QString& cartella)
{
    g_cartella = cartella;
    g_scritti.clear();
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
