#include "shell/uCommandLine.h"
#include "shell/uSettingsModel.h"

#include "OmbrixVersion.h"

#include <gtest/gtest.h>

#include <optional>

namespace
{

QStringList Args(const char *text)
{
    return QString::fromUtf8(text).split(QLatin1Char(' '), Qt::SkipEmptyParts);
}

QString Describe(const std::optional<int> &value)
{
    return value ? QString::number(*value) : QStringLiteral("-");
}

QString Describe(const std::optional<TProtocol> &value)
{
    return value ? QString::number(ChoiceIndex(*value)) : QStringLiteral("-");
}

QString Describe(const std::optional<QString> &value)
{
    return value ? *value : QStringLiteral("-");
}

// The whole result in one line, so a table row shows every field it expects.
QString Describe(const TCommandLine &c)
{
    return QStringLiteral("auto=%1 type=%2 ip=%3 csv=%4 interval=%5 graph=%6 port=%7 speed=%8")
        .arg(c.AutoStart ? 1 : 0)
        .arg(Describe(c.Protocol), Describe(c.IP), Describe(c.CsvFileName), Describe(c.Interval),
             Describe(c.GraphLength), Describe(c.ComPort), Describe(c.Speed));
}

} // namespace

TEST(CommandLineTest, AppliesOnlyAcceptedValuesAfterTheAutostartSwitch)
{
    struct Case {
        const char *arguments;
        const char *expected;
    };
    const Case cases[] = {
        {"", "auto=0 type=- ip=- csv=- interval=- graph=- port=- speed=-"},
        // Without the switch nothing else is looked at.
        {"-ip 10.0.0.5 -interval 5", "auto=0 type=- ip=- csv=- interval=- graph=- port=- speed=-"},
        {"autostart -type RS485 -port 3 -speed 19200",
         "auto=1 type=2 ip=- csv=- interval=- graph=- port=3 speed=19200"},
        // A fixed rate of the master that the speed list lacks is still accepted here.
        {"autostart -speed 128000", "auto=1 type=- ip=- csv=- interval=- graph=- port=- speed=128000"},
        {"autostart -speed 4711", "auto=1 type=- ip=- csv=- interval=- graph=- port=- speed=-"},
        {"autostart -interval 0", "auto=1 type=- ip=- csv=- interval=- graph=- port=- speed=-"},
        {"autostart -interval 4000", "auto=1 type=- ip=- csv=- interval=- graph=- port=- speed=-"},
        {"autostart -interval 3600 -graphlen 60",
         "auto=1 type=- ip=- csv=- interval=3600 graph=60 port=- speed=-"},
        {"autostart -graphlen 61 -port 256", "auto=1 type=- ip=- csv=- interval=- graph=- port=- speed=-"},
        {"autostart -interval ten", "auto=1 type=- ip=- csv=- interval=- graph=- port=- speed=-"},
        // An option in last place has no value.
        {"autostart -csv", "auto=1 type=- ip=- csv=- interval=- graph=- port=- speed=-"},
        // The next argument is the value, even when it looks like an option.
        {"autostart -csv -ip", "auto=1 type=- ip=- csv=-ip interval=- graph=- port=- speed=-"},
        {"autostart -ip 192.168.001.010",
         "auto=1 type=- ip=192.168.001.010 csv=- interval=- graph=- port=- speed=-"},
        {"autostart -ip 192.168.1", "auto=1 type=- ip=- csv=- interval=- graph=- port=- speed=-"},
        // The switch is looked for among all arguments, values included; as a value it is
        // still consumed by its option, whether or not the option accepts it.
        {"-type autostart -ip 10.0.0.5", "auto=1 type=- ip=10.0.0.5 csv=- interval=- graph=- port=- speed=-"},
        {"-csv autostart", "auto=1 type=- ip=- csv=autostart interval=- graph=- port=- speed=-"},
        {"-csv -autostart -ip 10.0.0.5",
         "auto=1 type=- ip=10.0.0.5 csv=-autostart interval=- graph=- port=- speed=-"},
        // Values keep their letter case; names and the switch match in any case.
        {"AutoStart -CSV /home/Ana/Logs/Run.csv",
         "auto=1 type=- ip=- csv=/home/Ana/Logs/Run.csv interval=- graph=- port=- speed=-"},
        {"/AUTOSTART -Type eTHERNET -IP 127.0.0.2",
         "auto=1 type=0 ip=127.0.0.2 csv=- interval=- graph=- port=- speed=-"},
        {"-autostart -type rs232", "auto=1 type=1 ip=- csv=- interval=- graph=- port=- speed=-"},
        {"autostart -type USB -unknown 5 extra",
         "auto=1 type=- ip=- csv=- interval=- graph=- port=- speed=-"},
        // The switch may stand anywhere; later values replace earlier ones.
        {"-interval 5 -interval 7 autostart", "auto=1 type=- ip=- csv=- interval=7 graph=- port=- speed=-"},
    };
    for (const Case &c : cases) {
        const TCommandLine result = ParseCommandLine(Args(c.arguments));
        EXPECT_EQ(result.Request, TCommandLine::TRequest::Run) << c.arguments;
        EXPECT_EQ(Describe(result), QString::fromUtf8(c.expected)) << c.arguments;
    }
}

TEST(CommandLineTest, HelpAndVersionAreAskedOutsideOptionValues)
{
    using R = TCommandLine::TRequest;
    struct Case {
        const char *arguments;
        R request;
    };
    const Case cases[] = {
        {"--help", R::Help},
        {"-h", R::Help},
        {"--version", R::Version},
        {"autostart --VERSION --help", R::Version},
        {"--Program-Dir", R::PrintProgramDir},
        {"autostart -csv --help", R::Run}, // a file named "--help"
        {"autostart", R::Run},
    };
    for (const Case &c : cases)
        EXPECT_EQ(ParseCommandLine(Args(c.arguments)).Request, c.request) << c.arguments;

    EXPECT_TRUE(CommandLineHelpText(QStringLiteral("ombrix")).startsWith(QLatin1String("Usage: ombrix ")));
    EXPECT_TRUE(CommandLineHelpText(QStringLiteral("ombrix")).contains(QLatin1String("-graphlen")));
    EXPECT_EQ(CommandLineVersionText(QStringLiteral("ombrix")),
              QStringLiteral("ombrix %1\n").arg(QLatin1String(OMBRIX_VERSION)));
}

TEST(CommandLineTest, IPv4CheckSplitsAtDotsAndLimitsTheLength)
{
    struct Case {
        const char *text;
        bool valid;
    };
    const Case cases[] = {
        {"192.168.001.010", true},
        {"0.0.0.0", true},
        {"255.255.255.255", true},
        {" 1.2.3.4 ", true},  // 9 characters as given, blanks trimmed
        {"1. 2.3 .4", true},  // each part is trimmed too
        {"1.2.3", false},     // a missing dot
        {"1.2.3.4.5", false}, // an extra dot leaves "4.5"
        {"256.1.1.1", false},
        {"1.2..4", false}, // an empty part
        {"1.2.3.x", false},
        {"1.2.3.-1", false},
        {"1.2.3.4", true},           // exactly 7 characters
        {"1.2.3.", false},           // 6 characters
        {"001.002.003.0004", false}, // 16 characters
        {"", false},
    };
    for (const Case &c : cases)
        EXPECT_EQ(IsValidIPv4(QString::fromUtf8(c.text)), c.valid) << c.text;
}

TEST(CommandLineTest, AcceptedValuesReplaceTheLoadedSettingsAndOnlyThose)
{
    TMainSettings loaded;
    loaded.Protocol = TProtocol::RS232;
    loaded.IP = QStringLiteral("10.0.0.9");
    loaded.CsvName = QStringLiteral("/tmp/old.csv");
    loaded.Interval = 30;
    loaded.GraphLength = 15;
    loaded.ComPort = 2;
    loaded.Speed = 4800;
    loaded.SlaveAddress = 7;

    TMainSettings s = loaded;
    ApplyCommandLine(ParseCommandLine(Args("autostart -interval 4000 -port 0 -speed 12")), s);
    EXPECT_EQ(s, loaded); // nothing accepted, nothing changed

    ApplyCommandLine(
        ParseCommandLine(Args("autostart -type Ethernet -ip 127.0.0.5 -csv /home/Ana/Run.csv -interval 10 "
                              "-graphlen 5 -port 3 -speed 128000")),
        s);
    EXPECT_EQ(s.Protocol, TProtocol::Ethernet);
    EXPECT_EQ(s.IP, QStringLiteral("127.0.0.5"));
    EXPECT_TRUE(s.LogToCsv);
    EXPECT_EQ(s.CsvName, QStringLiteral("/home/Ana/Run.csv"));
    EXPECT_EQ(s.Interval, 10);
    EXPECT_EQ(s.GraphLength, 5);
    EXPECT_EQ(s.ComPort, 3);
    EXPECT_EQ(s.Speed, 128000); // the speed list then shows its first entry
    EXPECT_EQ(s.SlaveAddress, 7);
}
