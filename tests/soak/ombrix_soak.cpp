// ombrix-soak [TICKS] [--seed N] [--family farvo|gelmi|dusko]: reads the simulator (a Farvo by default) for
// TICKS ticks (a day at one second by default) with faults on a seeded random schedule, prints the figures
// and whether the goals were met (exit code 0) or not (1); 2 for a wrong command line.
#include "soak_rig.h"

#include <QCoreApplication>
#include <QTextStream>

#include <algorithm>
#include <cstdio>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QStringList args = QCoreApplication::arguments().mid(1);
    Soak::TOptions options;
    options.Ticks = 86400;
    options.WarmupTicks = 2000;
    options.MinGap = 50;
    options.MaxGap = 250;
    bool ok = true;
    for (int i = 0; i < args.size() && ok; ++i) {
        if (args[i] == QStringLiteral("--seed") && i + 1 < args.size()) {
            options.Seed = args[++i].toUInt(&ok);
        } else if (args[i] == QStringLiteral("--family") && i + 1 < args.size()) {
            const QString family = args[++i];
            const auto &devices = Soak::Devices();
            const auto it = std::find_if(devices.begin(), devices.end(),
                                         [&](const Soak::TDevicePlay &d) { return d.Family == family; });
            ok = it != devices.end();
            if (ok)
                options.Device = *it;
        } else {
            options.Ticks = args[i].toLongLong(&ok);
        }
    }
    if (!ok || options.Ticks <= 0) {
        std::fprintf(stderr, "usage: ombrix-soak [TICKS] [--seed N] [--family farvo|gelmi|dusko]\n");
        return 2;
    }
    options.WarmupTicks = std::min<std::int64_t>(options.WarmupTicks, options.Ticks / 10 + 1);
    options.ProgressEvery = 5000;
    options.Progress = [](std::int64_t done) {
        std::fprintf(stderr, "soak: %lld ticks\n", static_cast<long long>(done));
    };

    QTextStream out(stdout);
    out << "soak: " << options.Ticks << " ticks, seed " << options.Seed << ", reply time-out "
        << options.TimeoutMs << " ms, scenario " << options.Device.Scenario << Qt::endl;
    const Soak::TFigures figures = Soak::Run(options);
    for (const QString &line : figures.Report())
        out << line << '\n';
    const QStringList missed = Soak::MissedGoals(figures, options, true);
    if (missed.isEmpty()) {
        out << "goals met" << Qt::endl;
        return 0;
    }
    for (const QString &line : missed)
        out << "goal missed: " << line << '\n';
    out.flush();
    return 1;
}
