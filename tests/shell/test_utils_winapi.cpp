#include "shell/uUtilsWinAPI.h"

#include "OmbrixVersion.h"

#include "model/uExceptions.h"
#include "platform/Process.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <thread>
#include <unistd.h>

namespace
{

double MsSince(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

// Waits up to limitMs for a file a background command writes.
bool AppearsWithin(const QString &path, int limitMs)
{
    const auto start = std::chrono::steady_clock::now();
    while (MsSince(start) < limitMs) {
        if (QFile::exists(path))
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return QFile::exists(path);
}

TEST(FileVersion, FormatsTheFourHalves)
{
    struct Case {
        std::uint32_t ms, ls;
        const char *text;
    };
    const Case cases[] = {
        {0x00020000u, 0x00010000u, "2.0.1.0"},
        {0x00000000u, 0x00000000u, "0.0.0.0"},
        {0xFFFF0001u, 0x0002FFFFu, "65535.1.2.65535"},
        {0x000A0014u, 0x001E0028u, "10.20.30.40"},
    };
    for (const Case &c : cases)
        EXPECT_EQ(TWinAPIUtils::FormatFileVersion(c.ms, c.ls), QString::fromLatin1(c.text));
}

TEST(FileVersion, OwnProgramReportsBuildVersionOthersNone)
{
    const QString expected = QStringLiteral("%1.%2.%3.%4")
                                 .arg(OMBRIX_VERSION_MAJOR + 0)
                                 .arg(OMBRIX_VERSION_MINOR + 0)
                                 .arg(OMBRIX_VERSION_PATCH + 0)
                                 .arg(OMBRIX_VERSION_TWEAK + 0);
    const QString self = QCoreApplication::applicationFilePath();
    EXPECT_EQ(TWinAPIUtils::GetFileVersion(self), expected);

    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString link = dir.filePath(QStringLiteral("ombrix-link"));
    ASSERT_TRUE(QFile::link(self, link));
    EXPECT_EQ(TWinAPIUtils::GetFileVersion(link), expected) << "a link to the program is the program";

    const QString other = dir.filePath(QStringLiteral("other"));
    QFile file(other);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("MZ");
    file.close();
    for (const QString &path : {other, dir.filePath(QStringLiteral("missing")), QString(), dir.path()})
        EXPECT_EQ(TWinAPIUtils::GetFileVersion(path), QString()) << path.toStdString();
}

class RunAndWaitTest : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(m_dir.isValid()); }
    void TearDown() override { Platform::EndBackgroundChildren(); }
    QString Path(const char *name) const { return m_dir.filePath(QString::fromLatin1(name)); }

    QTemporaryDir m_dir;
};

TEST_F(RunAndWaitTest, EndedProgramsReportTrue)
{
    const QString marker = Path("with blank");
    struct Case {
        QString commandLine;
        bool hidden;
        std::uint32_t timeout;
    };
    const Case cases[] = {
        {QStringLiteral("true"), true, 5000},
        {QStringLiteral("false"), false, 5000}, // its exit code is not the question
        {QStringLiteral("touch \"%1\"").arg(marker), true, TWinAPIUtils::Infinite},
    };
    for (const Case &c : cases)
        EXPECT_TRUE(TWinAPIUtils::RunAndWait(c.commandLine, c.hidden, c.timeout))
            << c.commandLine.toStdString();
    EXPECT_TRUE(QFile::exists(marker)) << "quoted arguments must reach the program intact";
}

TEST_F(RunAndWaitTest, ProgramsReapedBehindOurBackStillReportTrue)
{
    // With SIGCHLD ignored the system reaps a child the moment it ends, which for a quick
    // program can be before the timed wait even starts looking at it.
    struct sigaction ignore {
    }, previous{};
    ignore.sa_handler = SIG_IGN;
    ASSERT_EQ(sigaction(SIGCHLD, &ignore, &previous), 0);
    int ended = 0;
    for (int i = 0; i < 20; ++i) {
        try {
            ended += TWinAPIUtils::RunAndWait(QStringLiteral("true"), true, 5000) ? 1 : 0;
        } catch (const Exception &e) {
            ADD_FAILURE() << e.Message().toStdString();
        }
    }
    sigaction(SIGCHLD, &previous, nullptr);
    EXPECT_EQ(ended, 20);
}

TEST_F(RunAndWaitTest, UnstartableProgramsRaiseWithTheCommandLineQuoted)
{
    const QString notExecutable = Path("plain.txt");
    QFile file(notExecutable);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    for (const QString &commandLine : {QStringLiteral("ombrix-no-such-program --flag 1"), notExecutable,
                                       QString(), QStringLiteral("   ")}) {
        try {
            TWinAPIUtils::RunAndWait(commandLine, true, 1000);
            ADD_FAILURE() << "no error for " << commandLine.toStdString();
        } catch (const Exception &e) {
            EXPECT_EQ(e.Message(), QStringLiteral("Unable to Create Process \"%1\"").arg(commandLine));
        }
    }
}

TEST_F(RunAndWaitTest, TimeOutReturnsFalseAndProgramKeepsRunning)
{
    const QString marker = Path("late");
    for (std::uint32_t timeout : {0u, 100u}) {
        QFile::remove(marker);
        const auto start = std::chrono::steady_clock::now();
        EXPECT_FALSE(TWinAPIUtils::RunAndWait(QStringLiteral("sh -c \"sleep 1.5; touch %1\"").arg(marker),
                                              true, timeout));
        const double elapsed = MsSince(start);
        EXPECT_GE(elapsed, timeout);
        // Far below the program's 1.5 s, with room for a loaded machine.
        EXPECT_LT(elapsed, timeout + 1000.0) << "must not wait for the program";
        EXPECT_TRUE(AppearsWithin(marker, 5000)) << "the timed-out program must go on to its end";
    }
    // The marker appears just before the shell exits.
    const auto start = std::chrono::steady_clock::now();
    while (Platform::BackgroundChildCount() > 0 && MsSince(start) < 2000)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_EQ(Platform::BackgroundChildCount(), 0) << "finished background programs must be reaped";
}

TEST_F(RunAndWaitTest, TimedOutProgramTreeIsEndedWithTheProgram)
{
    const QString marker = Path("never");
    // The shell and its sleep form one group; both must go, or the touch would still run.
    EXPECT_FALSE(
        TWinAPIUtils::RunAndWait(QStringLiteral("sh -c \"sleep 0.4; touch %1\"").arg(marker), true, 20));
    EXPECT_EQ(Platform::BackgroundChildCount(), 1);
    Platform::EndBackgroundChildren();
    EXPECT_EQ(Platform::BackgroundChildCount(), 0);
    EXPECT_FALSE(AppearsWithin(marker, 700));
}

TEST_F(RunAndWaitTest, ChildGetsNoInheritedDescriptorsAndHiddenSilencesOutput)
{
    // A descriptor of ours without close-on-exec, such as a socket, must not leak.
    const int leaked = open("/dev/null", O_RDONLY);
    ASSERT_GE(leaked, 3);
    const QString marker = Path("fd-seen");
    EXPECT_TRUE(TWinAPIUtils::RunAndWait(
        QStringLiteral("sh -c \"[ -e /proc/self/fd/%1 ] && touch %2; true\"").arg(leaked).arg(marker), true,
        5000));
    close(leaked);
    EXPECT_FALSE(QFile::exists(marker));

    // Capture our own stdout for the length of two runs.
    const QString capture = Path("stdout");
    fflush(stdout);
    const int saved = dup(1);
    const int out = open(capture.toLocal8Bit().constData(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    ASSERT_GE(out, 0);
    dup2(out, 1);
    close(out);
    const bool visibleRan = TWinAPIUtils::RunAndWait(QStringLiteral("echo visible-line"), false, 5000);
    const bool hiddenRan = TWinAPIUtils::RunAndWait(QStringLiteral("echo hidden-line"), true, 5000);
    fflush(stdout);
    dup2(saved, 1);
    close(saved);
    EXPECT_TRUE(visibleRan);
    EXPECT_TRUE(hiddenRan);
    QFile captured(capture);
    ASSERT_TRUE(captured.open(QIODevice::ReadOnly));
    EXPECT_EQ(captured.readAll(), QByteArray("visible-line\n"));
}

} // namespace
