// Speed of the calibration screens' file and reply work: the older software's save of the
// personalisation parameters into a 2,850-record personal map (read, 14 records replaced,
// atomic replace), reading those records back, and an Rfn reply handled with the tank
// screen open (parameter text of the vehicle's map, nine fields, the screen filled).
#include "catalogue/MapFiles.h"
#include "catalogue/StatoCatalogo.h"
#include "diagnosis/LivSerb.h"
#include "diagnosis/Parametri.h"
#include "ecu_link/DatiCentralina.h"
#include "ecu_link/Ricezione.h"
#include "ecu_link/StatoLink.h"
#include "platform/BoxHost.h"
#include "platform/Files.h"
#include "shell/Modulo.h"
#include "support/Tempi.h"

#include <QFile>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

namespace {

QByteArray Mappa()
{
    QByteArray m;
    for (int n = 1; n <= MappaValori::NumeroValori; ++n)
        m += QByteArray::number(n % 1000).rightJustified(6, '0') + "\r\n";
    return m;
}

void BM_OlderSoftwareSave(benchmark::State& stato)
{
    QTemporaryDir cartella;
    const QString file = cartella.filePath("MOTORO03.QOX");
    QFile f(file);
    f.open(QIODevice::WriteOnly);
    f.write(Mappa());
    f.close();
    const std::array<QString, 6> testi = {"  2000", "   200", "    25", "  1200", "  2950", "20"};
    int i = 0;
    for (auto _ : stato) {
        if (!ScrivoRecordMappa(file, RecordParametri(testi, ++i & 1, 1)))
            stato.SkipWithError("save failed");
    }
    stato.SetItemsProcessed(stato.iterations());
    stato.SetLabel("saves");
}

void BM_OlderSoftwareRead(benchmark::State& stato)
{
    const QByteArray m = Mappa();
    for (auto _ : stato)
        benchmark::DoNotOptimize(LeggoRecordParametri(m));
    stato.SetItemsProcessed(stato.iterations());
}

void BM_RfnReplyHandled(benchmark::State& stato)
{
    static QTemporaryDir cartella;
    Shell.PathApp = cartella.path();
    Files::ImpostaCartellaProgramma(cartella.path());
    Shell.Lingua = 4;
    BoxHost::ImpostaRisponditore([](const RiquadroMostrato&) { return -1; });
    DatiCentralina.SwVecchio = false;
    LivSerb::Carica();
    const QByteArray riga = "Rfn001300002800000001000025000001002500000150000012000001\r\n";
    for (auto _ : stato) {
        Link.FaseCom = FASE_LEGGI_SERBATOIO_N;
        ElaboroRisposta(riga);
    }
    LivSerb::ScaricaIstanza();
    stato.SetItemsProcessed(stato.iterations());
    stato.SetLabel("replies");
}

BENCHMARK(BM_OlderSoftwareSave);
BENCHMARK(BM_OlderSoftwareRead);
BENCHMARK(BM_RfnReplyHandled);

} // namespace

int main(int argc, char** argv)
{
    return EseguoBenchmark(argc, argv);
}
