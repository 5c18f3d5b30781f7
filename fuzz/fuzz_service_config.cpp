// A service configuration file as an administrator could write it: either it becomes
// options that the option parser takes one by one, or it is refused with its file and line.

#include "FuzzCheck.h"

#include "export/uConfigFile.h"
#include "export/uServiceOptions.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArray text(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    const QString file = QStringLiteral("/etc/ombrix/fuzz.conf");
    QStringList args;
    try {
        args = Service::ConfigArguments(text, file);
    } catch (const Service::TConfigError &e) {
        FUZZ_CHECK(e.message.startsWith(file + QLatin1Char(':')));
        return 0;
    }
    // Every accepted value is one the command line accepts too.
    Service::TOptions options;
    for (int i = 0; i < args.size(); ++i) {
        FUZZ_CHECK(args[i].startsWith(QLatin1Char('-')));
        const QString name = args[i].startsWith(QLatin1String("--")) ? args[i].mid(1) : args[i];
        if (name == QLatin1String("-append"))
            continue;
        try {
            if (!Service::TakeOption(name, args, i, options)) {
                // A device or measurement option: its value follows.
                FUZZ_CHECK(i + 1 < args.size());
                ++i;
            }
        } catch (const Service::TOptionError &) {
            FUZZ_CHECK(false);
        }
    }
    return 0;
}
