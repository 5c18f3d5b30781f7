// Start-up time of the program: from starting the process to its main window being shown, on
// the offscreen platform with a fresh user's settings. The program reports the moment itself
// (OMBRIX_REPORT_SHOWN), so the figure needs no display and no polling.

#include <QElapsedTimer>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <csignal>

namespace
{

void BM_StartupToMainWindowShown(benchmark::State &state)
{
    const QTemporaryDir dir;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("OMBRIX_REPORT_SHOWN"), QStringLiteral("1"));
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), dir.filePath(QStringLiteral("config")));
    env.insert(QStringLiteral("XDG_DATA_HOME"), dir.filePath(QStringLiteral("data")));
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), dir.path());
    env.insert(QStringLiteral("HOME"), dir.path());
    double ownFigureMs = 0;
    for (auto _ : state) {
        QProcess program;
        program.setProcessEnvironment(env);
        program.setReadChannel(QProcess::StandardError);
        QElapsedTimer timer;
        timer.start();
        program.start(QStringLiteral(OMBRIX_PATH), {});
        QByteArray err;
        while (!err.contains("shown ") && program.waitForReadyRead(10000))
            err += program.readAllStandardError();
        const double seconds = static_cast<double>(timer.nsecsElapsed()) / 1e9;
        const qsizetype at = err.indexOf("shown ");
        if (at < 0) {
            state.SkipWithError("the program did not report its window");
            break;
        }
        ownFigureMs += err.mid(at + 6).split(' ').value(0).toDouble();
        state.SetIterationTime(seconds);
        ::kill(static_cast<pid_t>(program.processId()), SIGTERM);
        program.waitForFinished(10000);
    }
    if (state.iterations() > 0)
        state.counters["in_process_ms"] = ownFigureMs / static_cast<double>(state.iterations());
}

} // namespace

BENCHMARK(BM_StartupToMainWindowShown)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(10);
