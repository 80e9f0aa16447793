// Speed of the ECU receive path: live frames decoded per second (DC text and DB binary,
// through the whole live branch on the live-data screen's record and buffers), and the
// line splitter's throughput in bytes per second.
#include "diagnosis/RigaDati.h"
#include "ecu_link/CodecDati.h"
#include "ecu_link/Ricezione.h"
#include "ecu_link/StatoLink.h"
#include "platform/BoxHost.h"
#include "shell/Modulo.h"

#include <QCoreApplication>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

namespace {

QByteArray TramaDC()
{
    QByteArray t = "DC";
    const char* campi[] = {"1200.0", "200.0", "350.5", "85.0", "450.0", "77", "12.4",
                           "3", "40", "850", "5", "60", "3.2", "0.123"};
    for (const char* c : campi)
        t += QByteArray(c).rightJustified(8, ' ') + ',';
    return t + "G\r\n";
}

QByteArray TramaDB()
{
    QByteArray b(29, '\0');
    b[0] = 0x2E;
    b[1] = 0xE0;
    b[18] = 0x03;
    b[19] = 0x52;
    b[13] = 0x0D;   // a stuffed byte
    b[28] = 'G';
    return "DB" + CodificoDati(b) + "\r\n";
}

void Prepara()
{
    static QTemporaryDir cartella;
    Shell.PathApp = cartella.path();
    Shell.Funzione = 2;
    Link.reset();
    Diagnosi.reset();
    // Frames keep flowing without a recording failure or a full buffer dominating.
    Diagnosi.RegistrazioneFallita = true;
    BoxHost::ImpostaRisponditore([](const RiquadroMostrato&) { return -1; });
}

void FrameDecoded(benchmark::State& stato, const QByteArray& trama)
{
    Prepara();
    for (auto _ : stato) {
        Link.BufferRx += trama;
        RiceviDati();
    }
    benchmark::DoNotOptimize(Diagnosi.DatiVideo[0].Numero);
    stato.SetItemsProcessed(stato.iterations());
    stato.SetLabel("frames");
}

void BM_LiveFrameDC(benchmark::State& s) { FrameDecoded(s, TramaDC()); }
void BM_LiveFrameDB(benchmark::State& s) { FrameDecoded(s, TramaDB()); }

void BM_CodecDecodeDB(benchmark::State& stato)
{
    const QByteArray trama = TramaDB();
    for (auto _ : stato)
        benchmark::DoNotOptimize(ConvertoDatiBinari(TolgoEscape(trama)));
    stato.SetItemsProcessed(stato.iterations());
}

void BM_SplitterBytes(benchmark::State& stato)
{
    Prepara();
    Shell.Funzione = 0;   // lines are cut and dispatched, frames go nowhere
    QByteArray blocco;
    for (int i = 0; i < 64; ++i)
        blocco += (i % 3 == 0) ? TramaDB() : (i % 3 == 1 ? TramaDC() : QByteArray("R0\r\n"));
    const qsizetype pezzo = stato.range(0);
    for (auto _ : stato) {
        for (qsizetype p = 0; p < blocco.size(); p += pezzo) {
            Link.BufferRx += blocco.mid(p, pezzo);
            RiceviDati();
        }
    }
    stato.SetBytesProcessed(stato.iterations() * blocco.size());
}

BENCHMARK(BM_LiveFrameDC);
BENCHMARK(BM_LiveFrameDB);
BENCHMARK(BM_CodecDecodeDB);
BENCHMARK(BM_SplitterBytes)->Arg(1)->Arg(16)->Arg(4096);

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
