// Fuzz target: applying a staged catalogue update. The input is the staged record (its
// first 210 bytes) and the existing staging catalogue (the rest). The result is -1 or 0,
// nothing is written outside TEMPOR, and a catalogue written is whole 182-byte records.
#include "platform/Files.h"
#include "remote/ModemLink.h"
#include "shell/Modulo.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QTemporaryDir>

#include <cstdint>
#include <cstdlib>

namespace {
void Scrivo(const QString& p, const QByteArray& d)
{
    QFile f(p);
    if (f.open(QIODevice::WriteOnly))
        f.write(d);
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static QTemporaryDir radice;
    const QString prog = radice.path() + "/a/prog";
    const QString tempor = prog + "/TEMPOR";
    QDir(tempor).removeRecursively();
    QDir().mkpath(tempor);
    Shell.PathApp = prog;
    Files::ImpostaCartellaProgramma(prog);
    const QByteArray in(reinterpret_cast<const char*>(data), qsizetype(size));
    const QByteArray agg = in.left(210);
    Scrivo(tempor + "/AGGMARCA.NEW", agg);
    Scrivo(tempor + "/FILEQOX.NEW", "000001\r\n");
    Scrivo(tempor + "/LIMITI.NEW", "L\r\n");
    const QString marca = TestoStazione(agg.left(20)).trimmed();
    if (!marca.isEmpty() && !marca.contains('/') && marca != "." && marca != "..")
        Scrivo(tempor + "/" + marca + ".PRN", in.mid(210));

    const int r = AggiornoDaAssistenza();
    if (r != -1 && r != 0)
        std::abort();
    QDirIterator it(radice.path(), QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString p = it.next();
        if (p != radice.path() + "/a" && p != prog && !p.startsWith(tempor))
            std::abort();
    }
    if (r == -1) {
        QFile f(tempor + "/" + marca + ".PRN");
        if (!f.open(QIODevice::ReadOnly) || f.size() % 182 != 0)
            std::abort();
    }
    return 0;
}
