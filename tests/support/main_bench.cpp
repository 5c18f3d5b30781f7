#include <QCoreApplication>
#include <benchmark/benchmark.h>

// BENCHMARK_MAIN with an application object: the code under measurement needs one
// for translations, the system locale and the master's pumped waits.
int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
