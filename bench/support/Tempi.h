#pragma once
// Timing helpers of the benchmark programs: wall-clock intervals in milliseconds, a median
// and worst summary line, and the main() of the programs built on Google Benchmark that
// need a QApplication (offscreen: screens are created but never shown).
#include <QApplication>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

#if __has_include(<benchmark/benchmark.h>)
#include <benchmark/benchmark.h>
#endif

using Orologio = std::chrono::steady_clock;

inline double Ms(Orologio::time_point a, Orologio::time_point b)
{
    return std::chrono::duration<double, std::milli>(b - a).count();
}

// One line: what was timed, how many times, median and worst in milliseconds; `larghezza`
// is the width of the first column.
inline void Riepilogo(const char* cosa, std::vector<double> t, int larghezza = 40)
{
    if (t.empty()) {
        std::printf("%-*s n=0\n", larghezza, cosa);
        return;
    }
    std::sort(t.begin(), t.end());
    std::printf("%-*s n=%-5zu median %8.3f ms   worst %8.3f ms\n", larghezza, cosa, t.size(), t[t.size() / 2],
                t.back());
}

#if __has_include(<benchmark/benchmark.h>)
// Runs the registered benchmarks with an offscreen QApplication.
inline int EseguoBenchmark(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
#endif
