// Speed of the ECU receive path: live frames decoded per second (DC text and DB binary,
// through the whole live branch on the live-data screen's record and buffers), the same
// with the live-data screen open (display copy, four graph panes, recording file), the
// line splitter's throughput in bytes per second, and the graph redraws: four panes from
// a 100,000-line recording and one scroll step of the time window.
#include "diagnosis/DatiMotore.h"
#include "diagnosis/Grafici.h"
#include "diagnosis/RigaDati.h"
#include "ecu_link/CodecDati.h"
#include "ecu_link/Ricezione.h"
#include "ecu_link/StatoLink.h"
#include "platform/BoxHost.h"
#include "shell/Modulo.h"

#include "platform/Files.h"
#include "platform/Timer.h"

#include <QApplication>
#include <QFile>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

#include <algorithm>
#include "support/Tempi.h"

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
    Files::ImpostaCartellaProgramma(cartella.path());
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

// The live-data screen open with four panes and the recording on; every frame is followed
// by a display tick (the worst case: the line carries at most 58 frames a second, the
// display ticks about 3 times a second).
DatiMotore* SchermoConQuattroPannelli()
{
    Prepara();
    Diagnosi.RegistrazioneFallita = false;
    Shell.Lingua = 4;
    DatiMotore* d = DatiMotore::Carica();
    // No event loop runs here, so the display timer never ticks: the loop ticks by hand.
    DatiMotore::FermoCollegamento();
    Link.InterrogoDati = false;
    for (int k : {9, 0, 6, 14})
        d->DatiMot1_DblClick(k);
    return d;
}

void FrameSchermo(benchmark::State& stato, const QByteArray& trama)
{
    DatiMotore* d = SchermoConQuattroPannelli();
    for (auto _ : stato) {
        Link.BufferRx += trama;
        RiceviDati();
        DatiMotore::FermoCollegamento();
        d->VisDati_Timer();
    }
    stato.SetItemsProcessed(stato.iterations());
    stato.SetLabel("frames");
    d->Scarica();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

void BM_LiveFrameScreenDC(benchmark::State& s) { FrameSchermo(s, TramaDC()); }
void BM_LiveFrameScreenDB(benchmark::State& s) { FrameSchermo(s, TramaDB()); }

// A recording of n samples with moving values, written straight to the file; the ring and
// row 0 as after the last of them.
void Registrazione(qint32 n)
{
    QFile f(QString(Shell.PathApp + QStringLiteral("/DATI_GRAF.GRF")));
    f.open(QIODevice::WriteOnly | QIODevice::Truncate);
    QByteArray dati;
    RigaDati r;
    for (qint32 i = 1; i <= n; ++i) {
        r.Numero = i;
        r.Valore[9] = QByteArray::number(800 + i % 97).rightJustified(8, ' ');
        r.Valore[0] = QByteArray::number(1200 + i % 31).rightJustified(8, ' ');
        r.Valore[6] = QByteArray::number((i % 1000) / 10.0, 'f', 1).rightJustified(8, ' ');
        r.Valore[14] = QByteArray::number(1000 + i % 13).rightJustified(8, ' ');
        dati += RigaRegistrazione(r);
        Diagnosi.IndiceCampioni = (Diagnosi.IndiceCampioni + 1) % StatoDiagnosiRec::RigheCampioni;
        Diagnosi.Campioni[Diagnosi.IndiceCampioni] = r;
        if (dati.size() > (1 << 20)) {
            f.write(dati);
            dati.clear();
        }
    }
    f.write(dati);
    Diagnosi.DatiVideo[0] = r;
    Diagnosi.DatiVideo[1] = r;
}

void BM_RedrawFourPanes100k(benchmark::State& stato)
{
    DatiMotore* d = SchermoConQuattroPannelli();
    Registrazione(100000);
    Graf.OrigineTempo = 100000 - 199;
    for (auto _ : stato)
        RidisegnoDaFile();
    d->Scarica();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

void BM_ScrollStep100k(benchmark::State& stato)
{
    DatiMotore* d = SchermoConQuattroPannelli();
    Registrazione(100000);
    for (auto _ : stato) {
        stato.PauseTiming();
        Graf.OrigineTempo = 100000 - 200;  // the newest sample at the right edge
        Link.DatiRicevuti = true;
        stato.ResumeTiming();
        d->VisDati_Timer();
    }
    d->Scarica();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

const auto Peggiore = [](const std::vector<double>& v) { return *std::max_element(v.begin(), v.end()); };

BENCHMARK(BM_LiveFrameDC);
BENCHMARK(BM_LiveFrameDB);
BENCHMARK(BM_CodecDecodeDB);
BENCHMARK(BM_SplitterBytes)->Arg(1)->Arg(16)->Arg(4096);
BENCHMARK(BM_LiveFrameScreenDC);
BENCHMARK(BM_LiveFrameScreenDB);
BENCHMARK(BM_RedrawFourPanes100k)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(25)
    ->ComputeStatistics("worst", Peggiore)->ReportAggregatesOnly(true);
BENCHMARK(BM_ScrollStep100k)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(25)
    ->ComputeStatistics("worst", Peggiore)->ReportAggregatesOnly(true);

} // namespace

int main(int argc, char** argv)
{
    return EseguoBenchmark(argc, argv);
}
