// Speed of the remote-assistance link: relay frames built per second, station frames
// handled per second through the receive path, the software record decoding in bytes per
// second, the time per software block of a 64 KiB transfer, and the update of a staging
// catalogue of 200 models.
#include "gsmsim/lib/GsmModel.h"
#include "platform/Files.h"
#include "remote/ModemLink.h"
#include "remote/StatoGSM.h"
#include "shell/Modulo.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

namespace {

QByteArray Record(int n)
{
    return QByteArray("MODEL " + QByteArray::number(n)).leftJustified(41, ' ') + "   4" +
           QByteArray("ECU").leftJustified(120, ' ') + QByteArray("KEY" + QByteArray::number(n)).leftJustified(12, ' ') +
           "GGG";
}

QTemporaryDir& Cartella()
{
    static QTemporaryDir d;
    Shell.PathApp = d.path();
    Files::ImpostaCartellaProgramma(d.path());
    return d;
}

void BM_RelayFrame(benchmark::State& s)
{
    QByteArray dc = "DC";
    for (int k = 0; k < 14; ++k)
        dc += QByteArray::number(k * 123.5 + 0.25).rightJustified(8, ' ') + ',';
    dc += "G\r\n";
    for (auto _ : s)
        benchmark::DoNotOptimize(PreparoMessaggioGSM(dc));
    s.SetItemsProcessed(s.iterations());
}

void BM_FramesHandled(benchmark::State& s)
{
    Cartella();
    ImpostaModemDiProva([](const QByteArray&) {});
    const QByteArray s00 = gsmsim::Cornice("S00");
    const QByteArray s01 = gsmsim::Cornice("S01");
    for (auto _ : s) {
        GSM.GSMattivo = true;
        GSM.BufferGSM += s00;
        GestioneGSM();
        GSM.BufferGSM += s01;
        GestioneGSM();
    }
    s.SetItemsProcessed(s.iterations() * 2);
    ImpostaModemDiProva(nullptr);
}

void BM_ConvertoBufferS19(benchmark::State& s)
{
    QList<QByteArray> righe;
    for (int i = 0; i < 64; ++i) {
        QByteArray r = "S113" + QByteArray::number(0x4000 + i * 16, 16).toUpper().rightJustified(4, '0');
        for (int b = 0; b < 16; ++b)
            r += QByteArray::number((i * 7 + b * 13) & 0xFF, 16).toUpper().rightJustified(2, '0');
        righe.append(r + "53");
    }
    const QByteArray dati = gsmsim::CodificaS19(righe);
    for (auto _ : s) {
        GSM.BufferS19 = dati;
        benchmark::DoNotOptimize(ConvertoBufferS19());
    }
    s.SetBytesProcessed(s.iterations() * dati.size());
}

// One 64 KiB software transfer in 120-byte blocks per iteration; the time per block is the
// iteration time divided by the blocks reported.
void BM_SoftwareBlocks64K(benchmark::State& s)
{
    Cartella();
    ImpostaModemDiProva([](const QByteArray&) {});
    QList<QByteArray> righe;
    for (int i = 0; i * 32 < 65536; ++i) {
        QByteArray r = "S225" + QByteArray::number(0x10000 + i * 32, 16).toUpper().rightJustified(6, '0');
        for (int b = 0; b < 32; ++b)
            r += QByteArray::number((i + b) & 0xFF, 16).toUpper().rightJustified(2, '0');
        righe.append(r + "00");
    }
    const auto scambio = gsmsim::ScambioSoftware("05\\BENCH\\BENCH", righe, 120, "V1.00");
    QList<QByteArray> trame;
    for (const QByteArray& t : scambio)
        trame.append(gsmsim::Cornice(t));
    for (auto _ : s) {
        GSM.reset();
        GSM.GSMattivo = true;
        GSM.StatoGSM = GSM_SCAMBIO;
        for (qsizetype i = 1; i + 1 < trame.size(); ++i) {
            GSM.BufferGSM += trame[i];
            GestioneGSM();
        }
    }
    s.counters["blocks"] = double(trame.size() - 4);
    s.counters["us_per_block"] =
        benchmark::Counter(double(trame.size() - 4) * double(s.iterations()), benchmark::Counter::kIsRate |
                                                                                   benchmark::Counter::kInvert);
    ImpostaModemDiProva(nullptr);
}

void BM_Update200Models(benchmark::State& s)
{
    const QString tempor = Cartella().path() + "/TEMPOR";
    QByteArray catalogo;
    for (int i = 0; i < 200; ++i)
        catalogo += Record(i) + "\r\n";
    const QByteArray agg = QByteArray("FIAT").leftJustified(20, ' ') + Record(150) + QByteArray("MOTORO05");
    auto scrivo = [](const QString& p, const QByteArray& d) {
        QFile f(p);
        f.open(QIODevice::WriteOnly);
        f.write(d);
    };
    for (auto _ : s) {
        s.PauseTiming();
        QDir(tempor).removeRecursively();
        QDir().mkpath(tempor);
        scrivo(tempor + "/FIAT.PRN", catalogo);
        scrivo(tempor + "/AGGMARCA.NEW", agg + "\r\n");
        scrivo(tempor + "/FILEQOX.NEW", QByteArray("000001\r\n").repeated(2850));
        scrivo(tempor + "/LIMITI.NEW", "L\r\n");
        s.ResumeTiming();
        if (AggiornoDaAssistenza() != -1)
            s.SkipWithError("update failed");
    }
}

} // namespace

BENCHMARK(BM_RelayFrame);
BENCHMARK(BM_FramesHandled);
BENCHMARK(BM_ConvertoBufferS19);
BENCHMARK(BM_SoftwareBlocks64K)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Update200Models)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
