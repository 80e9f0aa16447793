// Fuzz target: the modem receive path and the station's commands on arbitrary bytes, in
// every state of the link. The first byte picks the state; the rest arrives in chunks.
// Fails when a file appears anywhere but below TEMPOR and SOFTWARE of the program folder.
#include "ecu_link/StatoLink.h"
#include "platform/Files.h"
#include "remote/ModemLink.h"
#include "remote/StatoGSM.h"
#include "shell/Modulo.h"

#include <QDir>
#include <QDirIterator>
#include <QTemporaryDir>

#include <cstdint>
#include <cstdlib>

namespace {
const int Stati[] = {GSM_CONNESSO, GSM_ATTESA_ATZ, GSM_ATTESA_ATE0, GSM_CHIAMATA, GSM_ATTESA_IDENTITA, GSM_SCAMBIO,
                     GSM_BLOCCHI_MAPPA, GSM_RIGHE_LIMITI, GSM_AGGIORNAMENTO, GSM_BLOCCHI_SOFTWARE};

QTemporaryDir& Radice()
{
    static QTemporaryDir r;
    return r;
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1)
        return 0;
    const QString radice = Radice().path();
    const QString prog = radice + "/a/b/prog";
    QDir().mkpath(prog);
    Shell.PathApp = prog;
    Files::ImpostaCartellaProgramma(prog);
    Shell.Funzione = 0;
    GSM.reset();
    GSM.GSMattivo = true;
    GSM.StatoGSM = Stati[data[0] % std::size(Stati)];
    ImpostaModemDiProva([](const QByteArray&) {});

    const QByteArray in(reinterpret_cast<const char*>(data + 1), qsizetype(size - 1));
    const qsizetype pezzo = 1 + data[0] / std::size(Stati) % 64;
    for (qsizetype i = 0; i < in.size(); i += pezzo) {
        RicevoGSM(in.mid(i, pezzo));
        // Further frames of the chunk, as their queued receive events would.
        for (int k = 0; k < 64 && !GSM.BufferGSM.isEmpty(); ++k) {
            const QByteArray prima = GSM.BufferGSM;
            GestioneGSM();
            if (GSM.BufferGSM == prima)
                break;
        }
        if (GSM.BufferGSM.size() > StatoGSMRec::MaxBufferGSM)
            std::abort();
    }

    QDirIterator it(radice, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString p = it.next();
        if (p == radice + "/a" || p == radice + "/a/b" || p == prog)
            continue;
        if (!p.startsWith(prog + "/TEMPOR") && !p.startsWith(prog + "/SOFTWARE"))
            std::abort();
    }
    QDir(prog + "/TEMPOR").removeRecursively();
    QDir(prog + "/SOFTWARE").removeRecursively();
    ImpostaModemDiProva(nullptr);
    return 0;
}
