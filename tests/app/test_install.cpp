// `cmake --install` into a temporary prefix, checked as a user's system would see it.
#include "OmbrixVersion.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>
#include <unistd.h>

namespace
{

struct ProcessRun {
    int exitCode = -1;
    QString out; // standard output and error together
};

ProcessRun RunProgram(const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, arguments);
    ProcessRun run;
    if (!process.waitForFinished(40000)) {
        process.kill();
        process.waitForFinished(3000);
        run.out = QStringLiteral("did not finish: ") + process.errorString();
        return run;
    }
    if (process.exitStatus() == QProcess::NormalExit)
        run.exitCode = process.exitCode();
    run.out = QString::fromLocal8Bit(process.readAll());
    return run;
}

QStringList InstalledPrograms()
{
    QStringList programs{QStringLiteral("ombrix"), QStringLiteral("ombrix-probe")};
#ifdef OMBRIX_HAS_LOGGER
    programs << QStringLiteral("ombrix-logger");
#endif
    return programs;
}

class InstallTest : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        prefixDir = std::make_unique<QTemporaryDir>();
        ASSERT_TRUE(prefixDir->isValid());
        installRun = RunProgram(QStringLiteral(OMBRIX_CMAKE_COMMAND),
                                {QStringLiteral("--install"), QStringLiteral(OMBRIX_BUILD_DIR),
                                 QStringLiteral("--prefix"), prefixDir->path()});
    }
    static void TearDownTestSuite() { prefixDir.reset(); }

    void SetUp() override { ASSERT_EQ(installRun.exitCode, 0) << installRun.out.toStdString(); }

    static QString prefix(const QString &relative) { return QDir(prefixDir->path()).filePath(relative); }
    static QString programDir()
    {
        return QFileInfo(prefix(QStringLiteral("lib/ombrix"))).canonicalFilePath() + '/';
    }

    static std::unique_ptr<QTemporaryDir> prefixDir;
    static ProcessRun installRun;
};

std::unique_ptr<QTemporaryDir> InstallTest::prefixDir;
ProcessRun InstallTest::installRun;

} // namespace

TEST_F(InstallTest, ProgramsAndTheirFilesLieTogetherInLibOmbrix)
{
    for (const QString &program : InstalledPrograms()) {
        const QFileInfo file(prefix(QStringLiteral("lib/ombrix/") + program));
        EXPECT_TRUE(file.isFile() && !file.isSymLink()) << program.toStdString();
        EXPECT_TRUE(file.isExecutable()) << program.toStdString();
    }
    for (const char *file :
         {"help_english.txt", "help_czech.txt", "help_german.txt", "ombrix.cs", "ombrix.de"})
        EXPECT_TRUE(QFileInfo(prefix(QStringLiteral("lib/ombrix/") + QLatin1String(file))).isFile()) << file;

    const char *shared[] = {
        "share/applications/example.talmo.Ombrix.desktop", "share/metainfo/example.talmo.Ombrix.metainfo.xml",
        "share/icons/hicolor/scalable/apps/ombrix.svg",    "share/icons/hicolor/16x16/apps/ombrix.png",
        "share/icons/hicolor/22x22/apps/ombrix.png",       "share/icons/hicolor/24x24/apps/ombrix.png",
        "share/icons/hicolor/32x32/apps/ombrix.png",       "share/icons/hicolor/48x48/apps/ombrix.png",
        "share/icons/hicolor/64x64/apps/ombrix.png",       "share/icons/hicolor/128x128/apps/ombrix.png",
        "share/icons/hicolor/256x256/apps/ombrix.png",
    };
    for (const char *file : shared)
        EXPECT_TRUE(QFileInfo(prefix(QString::fromUtf8(file))).isFile()) << file;
}

TEST_F(InstallTest, TheBinFolderHoldsRelativeLinksThatResolveIntoLibOmbrix)
{
    for (const QString &program : InstalledPrograms()) {
        const QFileInfo link(prefix(QStringLiteral("bin/") + program));
        ASSERT_TRUE(link.isSymLink()) << program.toStdString();
        // Relative, so the tree still works where it is unpacked (DESTDIR, a package).
        char target[256] = {};
        ASSERT_GT(::readlink(QFile::encodeName(link.filePath()).constData(), target, sizeof target - 1), 0);
        EXPECT_EQ(QString::fromLocal8Bit(target), QStringLiteral("../lib/ombrix/") + program);
        EXPECT_EQ(link.canonicalFilePath(), programDir() + program) << program.toStdString();
    }
}

TEST_F(InstallTest, StartedThroughALinkTheProgramFolderIsLibOmbrix)
{
    // Through the installed link, and through a user's own link to that link.
    QTemporaryDir userBin;
    const QString userLink = QDir(userBin.path()).filePath(QStringLiteral("ombrix"));
    ASSERT_TRUE(QFile::link(prefix(QStringLiteral("bin/ombrix")), userLink));
    for (const QString &start : {prefix(QStringLiteral("bin/ombrix")), userLink}) {
        const ProcessRun run = RunProgram(start, {QStringLiteral("--program-dir")});
        EXPECT_EQ(run.exitCode, 0) << run.out.toStdString();
        EXPECT_EQ(run.out, programDir() + '\n') << start.toStdString();
    }

    const ProcessRun version =
        RunProgram(prefix(QStringLiteral("bin/ombrix")), {QStringLiteral("--version")});
    EXPECT_EQ(version.exitCode, 0);
    EXPECT_EQ(version.out, QStringLiteral("ombrix " OMBRIX_VERSION "\n"));
    for (const QString &program : InstalledPrograms()) {
        const ProcessRun run =
            RunProgram(prefix(QStringLiteral("bin/") + program), {QStringLiteral("--help")});
        EXPECT_EQ(run.exitCode, 0) << program.toStdString() << run.out.toStdString();
    }
}

TEST_F(InstallTest, DesktopEntryAndMetainfoPassTheirValidators)
{
    struct Check {
        const char *tool;
        QStringList arguments;
    };
    const Check checks[] = {
        {"desktop-file-validate",
         {prefix(QStringLiteral("share/applications/example.talmo.Ombrix.desktop"))}},
        {"appstreamcli",
         {QStringLiteral("validate"), QStringLiteral("--no-net"),
          prefix(QStringLiteral("share/metainfo/example.talmo.Ombrix.metainfo.xml"))}},
    };
    for (const Check &check : checks) {
        const QString tool = QStandardPaths::findExecutable(QString::fromUtf8(check.tool));
        if (tool.isEmpty()) {
            GTEST_SKIP() << check.tool << " is not installed (scripts/install-deps installs it)";
        }
        const ProcessRun run = RunProgram(tool, check.arguments);
        EXPECT_EQ(run.exitCode, 0) << check.tool << ": " << run.out.toStdString();
        if (QLatin1String(check.tool) == QLatin1String("desktop-file-validate")) {
            EXPECT_TRUE(run.out.isEmpty()) << run.out.toStdString(); // not even a hint
        }
    }
}
