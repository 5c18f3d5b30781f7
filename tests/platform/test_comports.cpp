#include "platform/ComPorts.h"

#include "PtyPair.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>
#include <QThread>
#include <gtest/gtest.h>

namespace
{

// Sets OMBRIX_COM_PORTS and a settings file for one test and restores both.
class ComMappingTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_oldEnv = qgetenv("OMBRIX_COM_PORTS");
        m_hadEnv = qEnvironmentVariableIsSet("OMBRIX_COM_PORTS");
        qunsetenv("OMBRIX_COM_PORTS");
        ASSERT_TRUE(dir.isValid());
        ComPorts::SetSettingsFile(dir.filePath(QStringLiteral("Ombrix.ini")));
    }
    void TearDown() override
    {
        if (m_hadEnv)
            qputenv("OMBRIX_COM_PORTS", m_oldEnv);
        else
            qunsetenv("OMBRIX_COM_PORTS");
        ComPorts::SetSettingsFile(QString());
    }
    void setEnv(const QString &value) { qputenv("OMBRIX_COM_PORTS", value.toUtf8()); }
    void setSetting(int n, const QString &path)
    {
        QSettings s(ComPorts::SettingsFile(), QSettings::IniFormat);
        s.setValue(QStringLiteral("COM_PORTS/COM") + QString::number(n), path);
    }

    QTemporaryDir dir;

private:
    QByteArray m_oldEnv;
    bool m_hadEnv = false;
};

} // namespace

TEST_F(ComMappingTest, ConventionNumbersFollowWine)
{
    struct Case {
        int number;
        const char *path;
    };
    const Case cases[] = {{1, "/dev/ttyS0"},
                          {32, "/dev/ttyS31"},
                          {33, "/dev/ttyUSB0"},
                          {64, "/dev/ttyUSB31"},
                          {65, "/dev/ttyACM0"},
                          {96, "/dev/ttyACM31"},
                          {97, ""},
                          {255, ""},
                          {0, ""},
                          {256, ""}};
    for (const Case &c : cases)
        EXPECT_EQ(ComPorts::DevicePath(c.number), QString::fromLatin1(c.path)) << c.number;
}

TEST_F(ComMappingTest, PortNamesResolveThroughTheMapping)
{
    setEnv(QStringLiteral("7=/tmp/ttyB; COM9=/dev/ttyX;junk;300=/dev/x;12="));
    struct Case {
        const char *name;
        const char *path;
        int number;
    };
    const Case cases[] = {
        {"\\\\.\\COM7", "/tmp/ttyB", 7},
        {"COM9", "/dev/ttyX", 9},
        {"com2", "/dev/ttyS1", 2},
        {"\\\\.\\COM12", "/dev/ttyS11", 12},
        {"/dev/pts/3", "/dev/pts/3", 0},
        {"COM0", "", 0},
        {"COM256", "", 0},
        {"\\\\.\\COM100", "", 100},
        {"LPT1", "", 0},
        {"COM7x", "", 0},
        {"", "", 0},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        int number = -1;
        EXPECT_EQ(ComPorts::ResolvePortName(QString::fromLatin1(c.name), &number),
                  QString::fromLatin1(c.path));
        EXPECT_EQ(number, c.number);
    }
}

TEST_F(ComMappingTest, EnvironmentWinsOverSettingsWhichWinOverConvention)
{
    setSetting(3, QStringLiteral("/dev/fromSettings3"));
    setSetting(4, QStringLiteral("/dev/fromSettings4"));
    setEnv(QStringLiteral("4=/dev/fromEnv4"));
    EXPECT_EQ(ComPorts::DevicePath(3), QStringLiteral("/dev/fromSettings3"));
    EXPECT_EQ(ComPorts::DevicePath(4), QStringLiteral("/dev/fromEnv4"));
    EXPECT_EQ(ComPorts::DevicePath(5), QStringLiteral("/dev/ttyS4"));
}

TEST_F(ComMappingTest, ListHoldsPresentPortsFreeOrBusyAndLeavesOutAbsentOnes)
{
    PtyPair a, b;
    ASSERT_TRUE(a.open());
    ASSERT_TRUE(b.open());
    const QString plainFile = dir.filePath(QStringLiteral("plain"));
    QFile f(plainFile);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.close();
    // Numbers beyond the convention, so ports of this machine do not interfere.
    setEnv(QStringLiteral("201=%1;202=%2;203=%3;204=%4")
               .arg(a.masterSide(), dir.filePath(QStringLiteral("missing")), b.masterSide(), plainFile));

    // Another program holds port 203. It waits for the lock instead of giving up (-n): the probe
    // below takes the same lock for a moment, and a holder that met it would quit at once.
    QProcess holder;
    holder.start(QStringLiteral("flock"), {QStringLiteral("-w"), QStringLiteral("10"), QStringLiteral("-F"),
                                           b.masterSide(), QStringLiteral("sleep"), QStringLiteral("10")});
    ASSERT_TRUE(holder.waitForStarted(3000));
    ComPorts::PortState held = ComPorts::PortState::Free;
    for (int i = 0; i < 100 && held != ComPorts::PortState::Busy; ++i) {
        QThread::msleep(20);
        held = ComPorts::Probe(203);
    }

    const QList<ComPorts::PortInfo> ports = ComPorts::ListPorts();
    holder.kill();
    holder.waitForFinished(3000);

    EXPECT_EQ(held, ComPorts::PortState::Busy);
    EXPECT_EQ(ComPorts::Probe(201), ComPorts::PortState::Free);
    EXPECT_EQ(ComPorts::Probe(202), ComPorts::PortState::Absent);
    EXPECT_EQ(ComPorts::Probe(204), ComPorts::PortState::Absent) << "a plain file is no serial port";
    EXPECT_EQ(ComPorts::Probe(205), ComPorts::PortState::Absent) << "unmapped and beyond the convention";

    QMap<int, ComPorts::PortInfo> mine;
    for (const auto &p : ports) {
        if (p.Number > 200)
            mine.insert(p.Number, p);
    }
    ASSERT_EQ(mine.keys(), (QList<int>{201, 203}));
    EXPECT_FALSE(mine[201].Busy);
    EXPECT_TRUE(mine[203].Busy);
    EXPECT_EQ(mine[201].DisplayText(), QStringLiteral("COM201 (master)"));
    EXPECT_EQ(ComPorts::Probe(203), ComPorts::PortState::Free) << "free again once the holder is gone";
}
