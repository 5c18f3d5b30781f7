// The program as a process: the command line's automatic start logs to the CSV file, and a
// termination signal ends it the way closing the window does (records and settings on disk,
// exit status 0).
#include "SimProcess.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QRegularExpression>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <csignal>
#include <unistd.h>

namespace
{

QStringList NonEmptyLines(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

// A loopback address of this process's own, so parallel runs do not meet on the XPort port.
QString OwnLoopbackAddress()
{
    return QStringLiteral("127.0.0.%1").arg(100 + getpid() % 150);
}

// The program with its settings, folders and display in a temporary folder of its own.
struct TProgramRun {
    QTemporaryDir Dir;
    QProcess Process;

    QString ConfigFile() const { return Dir.filePath(QStringLiteral("config/TalmoLoggers/Ombrix.ini")); }

    void PrepareSettings(int tcpPort)
    {
        QDir().mkpath(QFileInfo(ConfigFile()).path());
        QFile file(ConfigFile());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(QStringLiteral("[CONNECTION]\nTCP_PORT=%1\nTIMEOUT=1000\n").arg(tcpPort).toUtf8());
    }

    void Start(const QStringList &arguments)
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("OMBRIX_REPORT_DIALOGS"), QStringLiteral("1"));
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), Dir.filePath(QStringLiteral("config")));
        env.insert(QStringLiteral("XDG_DATA_HOME"), Dir.filePath(QStringLiteral("data")));
        env.insert(QStringLiteral("HOME"), Dir.path());
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), Dir.path());
        Process.setProcessEnvironment(env);
        Process.start(QStringLiteral(OMBRIX_PATH), arguments);
    }

    // Waits (bounded) until the program says the dialog with this text is up.
    bool WaitForDialog(const QString &text)
    {
        const QByteArray wanted = QStringLiteral("dialog: %1\n").arg(text).toLocal8Bit();
        return QTest::qWaitFor(
                   [&] {
                       ErrorOutput += Process.readAllStandardError();
                       return ErrorOutput.contains(wanted) || Process.state() == QProcess::NotRunning;
                   },
                   30000) &&
               ErrorOutput.contains(wanted);
    }

    QByteArray ErrorOutput;

    ~TProgramRun()
    {
        if (Process.state() != QProcess::NotRunning) {
            Process.kill();
            Process.waitForFinished(5000);
        }
    }
};

} // namespace

TEST(OmbrixProcess, AutostartLogsUntilATerminationSignalThenLeavesRecordsAndSettings)
{
    const QString address = OwnLoopbackAddress();
    struct TCase {
        int signal;
        const char *name;
    };
    for (const TCase &c : {TCase{SIGTERM, "SIGTERM"}, TCase{SIGINT, "SIGINT"}, TCase{SIGHUP, "SIGHUP"}}) {
        SCOPED_TRACE(c.name);
        SimProcess sim;
        ASSERT_TRUE(sim.start(QStringLiteral("farvo-xport441-co2-io.json"),
                              {QStringLiteral("--tcp"), address + QStringLiteral(":0"),
                               QStringLiteral("--udp"), address + QStringLiteral(":30718")}))
            << sim.errorOutput().toStdString();
        TProgramRun run;
        run.PrepareSettings(sim.tcpPort());
        // A mixed-case path in a folder of its own: the name must reach the disk as given.
        const QString csv = run.Dir.filePath(QStringLiteral("Logs/Run.csv"));
        ASSERT_TRUE(QDir().mkpath(QFileInfo(csv).path()));
        run.Start({QStringLiteral("autostart"), QStringLiteral("-type"), QStringLiteral("Ethernet"),
                   QStringLiteral("-ip"), address, QStringLiteral("-csv"), csv, QStringLiteral("-interval"),
                   QStringLiteral("1")});
        ASSERT_TRUE(run.Process.waitForStarted(10000));
        // The three header lines, then a few ticks.
        const bool ticked = QTest::qWaitFor([&] { return NonEmptyLines(csv).size() >= 6; }, 30000);
        ASSERT_TRUE(ticked) << run.Process.readAllStandardError().toStdString();

        QElapsedTimer sinceSignal;
        sinceSignal.start();
        ::kill(static_cast<pid_t>(run.Process.processId()), c.signal);
        ASSERT_TRUE(run.Process.waitForFinished(15000));
        std::printf("%s: exited %lld ms after the signal\n", c.name,
                    static_cast<long long>(sinceSignal.elapsed()));
        EXPECT_EQ(run.Process.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(run.Process.exitCode(), 0) << run.Process.readAllStandardError().toStdString();

        const QStringList lines = NonEmptyLines(csv);
        const qsizetype header = lines.indexOf(QRegularExpression(QStringLiteral("^\"Local PC Date\".*")));
        ASSERT_GE(header, 0);
        ASSERT_GE(lines.size(), header + 3);
        // Every record is whole: the fields of the column header and the record's closing one.
        for (qsizetype i = header + 1; i < lines.size(); ++i)
            EXPECT_EQ(lines[i].count(QLatin1Char(';')), lines[header].count(QLatin1Char(';')) + 1) << i;

        const QSettings stored(run.ConfigFile(), QSettings::IniFormat);
        EXPECT_EQ(stored.value(QStringLiteral("SETTINGS/CSV_NAME")).toString(), csv);
        EXPECT_EQ(stored.value(QStringLiteral("SETTINGS/LOG_TO_CSV")).toString(), QStringLiteral("1"));
        EXPECT_EQ(stored.value(QStringLiteral("SETTINGS/INTERVAL")).toString(), QStringLiteral("1"));
        EXPECT_EQ(stored.value(QStringLiteral("CONNECTION/IP_ADDRESS")).toString(), address);
        EXPECT_EQ(stored.value(QStringLiteral("CONNECTION/TCP_PORT")).toInt(), sim.tcpPort());
        EXPECT_TRUE(stored.contains(QStringLiteral("POPUP_WINDOW/HIDABLE")));
    }
}

TEST(OmbrixProcess, HelpAndVersionAnswerWithoutADisplay)
{
    for (const char *option : {"--help", "--version"}) {
        TProgramRun run;
        run.Start({QString::fromLatin1(option)});
        ASSERT_TRUE(run.Process.waitForFinished(10000));
        EXPECT_EQ(run.Process.exitCode(), 0);
        EXPECT_TRUE(run.Process.readAllStandardOutput().contains("ombrix")) << option;
    }
}

TEST(OmbrixProcess, ATerminationSignalDuringAFailedAutomaticStartStillEndsTheProgram)
{
    // Nothing listens: the connect fails and its message waits for a person who is not there.
    TProgramRun run;
    run.PrepareSettings(1);
    run.Start({QStringLiteral("autostart"), QStringLiteral("-ip"), OwnLoopbackAddress()});
    ASSERT_TRUE(run.Process.waitForStarted(10000));
    // No evidence to wait for from outside; the program must end cleanly whether the message is
    // up already or the connect is still under way.
    QTest::qWait(2000);
    ::kill(static_cast<pid_t>(run.Process.processId()), SIGTERM);
    ASSERT_TRUE(run.Process.waitForFinished(15000));
    EXPECT_EQ(run.Process.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(run.Process.exitCode(), 0);
    const QSettings stored(run.ConfigFile(), QSettings::IniFormat);
    EXPECT_EQ(stored.value(QStringLiteral("CONNECTION/IP_ADDRESS")).toString(), OwnLoopbackAddress());
}

TEST(OmbrixProcess, ATerminationSignalEndsTheProgramWhateverDialogIsOpen)
{
    const QString address = OwnLoopbackAddress();
    struct TCase {
        const char *name;
        int signal;
        bool withDevice;
        QString storedSettings; // more lines of the settings file
        QStringList arguments;
        QString dialog; // its text
    };
    const QString missingFolder = QStringLiteral("/nonexistent/dir/x.csv");
    const TCase cases[] = {
        // The error with a single OK button, which does not accept being closed otherwise.
        {"CSV file cannot be opened",
         SIGTERM,
         true,
         QString(),
         {QStringLiteral("autostart"), QStringLiteral("-ip"), address, QStringLiteral("-csv"), missingFolder},
         QStringLiteral("Unable to open CSV file for logging.")},
        // The toolkit's message box.
        {"CSV file name missing",
         SIGINT,
         true,
         QStringLiteral("[SETTINGS]\nLOG_TO_CSV=1\nCSV_NAME=\n"),
         {QStringLiteral("autostart"), QStringLiteral("-ip"), address},
         QStringLiteral("Csv filename required.")},
        {"nothing answers",
         SIGHUP,
         false,
         QString(),
         {QStringLiteral("autostart"), QStringLiteral("-ip"), address},
         QStringLiteral(
             "Unable to connect. Sensor must be properly connected according to choosed settings.")},
    };
    for (const TCase &c : cases) {
        SCOPED_TRACE(c.name);
        SimProcess sim;
        int tcpPort = 1;
        if (c.withDevice) {
            ASSERT_TRUE(sim.start(QStringLiteral("farvo-xport441-co2-io.json"),
                                  {QStringLiteral("--tcp"), address + QStringLiteral(":0"),
                                   QStringLiteral("--udp"), address + QStringLiteral(":30718")}))
                << sim.errorOutput().toStdString();
            tcpPort = sim.tcpPort();
        }
        TProgramRun run;
        run.PrepareSettings(tcpPort);
        if (!c.storedSettings.isEmpty()) {
            QFile file(run.ConfigFile());
            ASSERT_TRUE(file.open(QIODevice::Append));
            file.write(c.storedSettings.toUtf8());
        }
        run.Start(c.arguments);
        ASSERT_TRUE(run.Process.waitForStarted(10000));
        ASSERT_TRUE(run.WaitForDialog(c.dialog)) << run.ErrorOutput.toStdString();

        QElapsedTimer sinceSignal;
        sinceSignal.start();
        ::kill(static_cast<pid_t>(run.Process.processId()), c.signal);
        // Bounded generously for a loaded machine; the time it took is printed.
        ASSERT_TRUE(run.Process.waitForFinished(15000)) << "the program outlived its window";
        std::printf("%s: exited %lld ms after the signal\n", c.name,
                    static_cast<long long>(sinceSignal.elapsed()));
        EXPECT_EQ(run.Process.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(run.Process.exitCode(), 0);
        // Closed as the window closes: the settings of the automatic start were saved.
        const QSettings stored(run.ConfigFile(), QSettings::IniFormat);
        EXPECT_EQ(stored.value(QStringLiteral("CONNECTION/IP_ADDRESS")).toString(), address);
    }
}
