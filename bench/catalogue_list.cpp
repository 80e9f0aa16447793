// Make list of a catalogue folder of 200 makes (30 models each), for LPG (the first model
// usually qualifies) and for methane (most makes are read to the end).
#include "catalogue/Catalogue.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

namespace {

QByteArray Riga(int marca, int modello, const char* flag)
{
    return QByteArray("MODEL ").append(QByteArray::number(modello)).leftJustified(41) + "4   "
           + QByteArray("ECU ").append(QByteArray::number(marca)).leftJustified(120)
           + QByteArray("K").append(QByteArray::number(modello)).leftJustified(12) + flag + "\r\n";
}

const QString& Cartella()
{
    static QTemporaryDir dir;
    static bool pronto = false;
    if (!pronto) {
        for (int m = 0; m < 200; ++m) {
            const QString nome = QStringLiteral("MAKE%1").arg(m, 3, 10, QLatin1Char('0'));
            QDir().mkpath(dir.path() + "/" + nome);
            QByteArray c;
            for (int k = 0; k < 30; ++k)
                c += Riga(m, k, (m % 10 == 0 && k == 29) ? "GMG" : "GGG");
            QFile f(dir.path() + "/" + nome + ".PRN");
            f.open(QIODevice::WriteOnly);
            f.write(c);
        }
        pronto = true;
    }
    static const QString p = dir.path();
    return p;
}

void ElencoGpl(benchmark::State& s)
{
    const QString& c = Cartella();
    for (auto _ : s)
        benchmark::DoNotOptimize(ElencoMarche(c, 0));
}
BENCHMARK(ElencoGpl)->Unit(benchmark::kMillisecond);

void ElencoMetano(benchmark::State& s)
{
    const QString& c = Cartella();
    for (auto _ : s)
        benchmark::DoNotOptimize(ElencoMarche(c, 1));
}
BENCHMARK(ElencoMetano)->Unit(benchmark::kMillisecond);

void OrdinoCatalogo(benchmark::State& s)
{
    QList<QByteArray> base;
    for (int k = 0; k < int(s.range(0)); ++k)
        base.append(Riga(1, (k * 7919) % int(s.range(0)), "GGG"));
    for (auto _ : s) {
        QList<QByteArray> r = base;
        OrdinoRecord(r);
        benchmark::DoNotOptimize(r);
    }
}
BENCHMARK(OrdinoCatalogo)->Arg(30)->Arg(200)->Arg(1000)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
