// Map file benchmarks: the data image of a 2,850-value map, its conversion into an S-record
// map (in memory and through the files), normalising a value file and composing a
// programming image.
#include "catalogue/MapFiles.h"
#include "catalogue/SRecord.h"
#include "catalogue/SoftwareLibrary.h"
#include "platform/Files.h"

#include <QTemporaryDir>
#include <benchmark/benchmark.h>

namespace {

QByteArray valori(int n, int base, bool commenti = false)
{
    QByteArray t;
    for (int k = 1; k <= n; ++k) {
        if (commenti && k % 100 == 1)
            t += "* block " + QByteArray::number(k) + "\r\n";
        t += "  " + QByteArray::number((base + k * 7) % 5000 - 50) + "\r\n";
    }
    return t;
}

QByteArray normalizzata(int n)
{
    QByteArray out;
    NormalizzoTesto(valori(n, 3), out);
    return out;
}

void BM_ImmagineDati(benchmark::State& state)
{
    const QByteArray mappa = normalizzata(2850), pwm = valori(602, 1), pcm = valori(26, 2);
    for (auto _ : state)
        benchmark::DoNotOptimize(ImmagineDati(mappa, pwm, pcm));
}
BENCHMARK(BM_ImmagineDati)->Unit(benchmark::kMicrosecond);

void BM_ComponoDatiFromFiles(benchmark::State& state)
{
    QTemporaryDir dir;
    Files::ScriviAtomico(dir.path() + "/MOTORO02.APP", normalizzata(2850));
    Files::CreaCartella(dir.path() + "/VALVOLE");
    Files::ScriviAtomico(dir.path() + "/VALVOLE/TABPWM02.PWM", valori(602, 1));
    Files::ScriviAtomico(dir.path() + "/VALVOLE/TABPCM02.PCM", valori(26, 2));
    for (auto _ : state)
        benchmark::DoNotOptimize(ComponoDati(dir.path() + "/MOTORO02.APP", 2, dir.path() + "/VALVOLE"));
}
BENCHMARK(BM_ComponoDatiFromFiles)->Unit(benchmark::kMicrosecond);

void BM_MappaInF19(benchmark::State& state)
{
    const QByteArray qox = normalizzata(2850);
    QByteArray f19;
    for (auto _ : state) {
        MappaInF19(qox, QDate(2004, 1, 7), f19);
        benchmark::DoNotOptimize(f19);
    }
}
BENCHMARK(BM_MappaInF19)->Unit(benchmark::kMicrosecond);

void BM_ConvertoMappaInF19File(benchmark::State& state)
{
    QTemporaryDir dir;
    const QByteArray qox = normalizzata(2850);
    for (auto _ : state) {
        state.PauseTiming();
        Files::ScriviAtomico(dir.path() + "/MOTORO02.QOX", qox);
        state.ResumeTiming();
        if (ConvertoMappaInF19(dir.path() + "/MOTORO02", dir.path() + "/C_GPL02", QDate(2004, 1, 7)) != 0)
            state.SkipWithError("conversion failed");
    }
}
BENCHMARK(BM_ConvertoMappaInF19File)->Unit(benchmark::kMicrosecond);

void BM_FormattoFile(benchmark::State& state)
{
    QTemporaryDir dir;
    const QByteArray grezza = valori(2850, 5, true);
    for (auto _ : state) {
        state.PauseTiming();
        Files::ScriviAtomico(dir.path() + "/MOTORO02.QOX", grezza);
        state.ResumeTiming();
        if (FormattoFile(dir.path() + "/MOTORO02.QOX") != 0)
            state.SkipWithError("normalising failed");
    }
}
BENCHMARK(BM_FormattoFile)->Unit(benchmark::kMicrosecond);

void BM_ComponoProgrammazione(benchmark::State& state)
{
    // A base software of 2,000 S2 records of 32 bytes.
    QByteArray software = "S00600004844521B\r\n";
    for (uint32_t a = 0x10000; a < 0x10000 + 2000 * 32; a += 32) {
        QByteArray corpo = "24" + Esadecimale(a, 6);
        for (int i = 0; i < 32; ++i)
            corpo += Esadecimale((a + uint32_t(i)) & 0xFF, 2);
        software += "S2" + corpo + CalcoloChecksum(corpo) + "\r\n";
    }
    software += "S9030000FC\r\n";
    QByteArray mappa, pwm, pcm;
    MappaInF19(normalizzata(2850), QDate(2004, 1, 7), mappa);
    RecordS1(valori(602, 1), 1, 602, 0x4FA6, pwm);
    RecordS1(valori(26, 2), 1, 26, 0x545A, pcm);
    DatiProgrammazione dati;
    dati.TipoCentralina = 2;
    dati.AutoImp = {"7", "1", "2004", "8", "1", "2030"};
    dati.Oggi = QDate(2026, 1, 1);
    QByteArray immagine;
    for (auto _ : state) {
        if (ComponoProgrammazione(software, mappa, pwm, pcm, dati, immagine) != 0)
            state.SkipWithError("image failed");
        benchmark::DoNotOptimize(immagine);
    }
}
BENCHMARK(BM_ComponoProgrammazione)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
