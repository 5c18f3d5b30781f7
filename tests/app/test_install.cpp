// `cmake --install` into a temporary prefix, checked as a user's system would see it.
#include "OmbrixVersion.h"

#include <QDate>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QLocale>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include <memory>
#include <unistd.h>

namespace
{

struct ProcessRun {
    int exitCode = -1;
    QString out; // standard output and error together
};

ProcessRun RunProgram(const QString &program, const QStringList &arguments,
                      const QProcessEnvironment &environment = QProcessEnvironment::systemEnvironment())
{
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.setProcessEnvironment(environment);
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

QString ReadText(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
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

namespace
{

// Standard output and standard error apart: groff's warnings come on standard error.
struct SplitRun {
    int exitCode = -1;
    QString out;
    QString err;
};

SplitRun RunSplit(const QString &program, const QStringList &arguments,
                  const QProcessEnvironment &environment)
{
    QProcess process;
    process.setProcessEnvironment(environment);
    process.start(program, arguments);
    SplitRun run;
    if (!process.waitForFinished(40000)) {
        process.kill();
        process.waitForFinished(3000);
        run.err = QStringLiteral("did not finish: ") + process.errorString();
        return run;
    }
    if (process.exitStatus() == QProcess::NormalExit)
        run.exitCode = process.exitCode();
    run.out = QString::fromUtf8(process.readAllStandardOutput());
    run.err = QString::fromUtf8(process.readAllStandardError());
    return run;
}

// Every option a help text names: "-csv", "--json", also those inside "[--arp]".
QStringList OptionsNamedIn(const QString &help)
{
    static const QRegularExpression option(QStringLiteral("(?<![\\w/-])(--?[a-z][a-z-]*[a-z])"));
    QStringList options;
    for (auto match = option.globalMatch(help); match.hasNext();)
        options << match.next().captured(1);
    options.removeDuplicates();
    return options;
}

} // namespace

TEST_F(InstallTest, ManualPagesFormatWithoutWarningsAndNameEveryOptionOfTheHelp)
{
    const QString man = QStandardPaths::findExecutable(QStringLiteral("man"));
    if (man.isEmpty()) {
        GTEST_SKIP() << "man is not installed (package man-db)";
    }
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("LC_ALL"), QStringLiteral("C.UTF-8"));
    environment.insert(QStringLiteral("MANWIDTH"), QStringLiteral("80"));
    environment.insert(QStringLiteral("MANROFFSEQ"), QString());
    for (const QString &program : InstalledPrograms()) {
        SCOPED_TRACE(program.toStdString());
        const QString page = prefix(QStringLiteral("share/man/man1/") + program + QStringLiteral(".1.gz"));
        ASSERT_TRUE(QFileInfo(page).isFile()) << page.toStdString();

        // The check lintian makes: groff must set the page without a single warning.
        const SplitRun troff =
            RunSplit(man,
                     {QStringLiteral("--warnings"), QStringLiteral("-E"), QStringLiteral("UTF-8"),
                      QStringLiteral("-l"), QStringLiteral("-Tutf8"), QStringLiteral("-Z"), page},
                     environment);
        EXPECT_EQ(troff.exitCode, 0);
        EXPECT_TRUE(troff.err.isEmpty()) << troff.err.toStdString();

        const SplitRun text = RunSplit(man, {QStringLiteral("-l"), page}, environment);
        ASSERT_EQ(text.exitCode, 0) << text.err.toStdString();
        EXPECT_TRUE(text.out.contains(QStringLiteral(OMBRIX_VERSION)))
            << "the page's footer names the version";
        const ProcessRun help =
            RunProgram(prefix(QStringLiteral("bin/") + program), {QStringLiteral("--help")});
        ASSERT_EQ(help.exitCode, 0);
        const QStringList options = OptionsNamedIn(help.out);
        EXPECT_GE(options.size(), 3) << help.out.toStdString();
        for (const QString &option : options)
            EXPECT_TRUE(text.out.contains(option)) << "the page lacks " << option.toStdString();
    }
}

TEST_F(InstallTest, MetainfoNamesTheScreenshotsHomepageDeveloperAndThisRelease)
{
    const QString metainfo =
        ReadText(prefix(QStringLiteral("share/metainfo/example.talmo.Ombrix.metainfo.xml")));
    ASSERT_FALSE(metainfo.isEmpty());
    EXPECT_TRUE(metainfo.contains(QStringLiteral("<url type=\"homepage\">https://talmo.example/</url>")));
    EXPECT_TRUE(
        metainfo.contains(QRegularExpression(QStringLiteral("<developer_name>\\S.*</developer_name>"))));

    const QDir docs(qEnvironmentVariable("OMBRIX_SOURCE_DIR") + QStringLiteral("/docs"));
    const QStringList screenshots = docs.entryList({QStringLiteral("*.png")}, QDir::Files);
    ASSERT_FALSE(screenshots.isEmpty()) << docs.path().toStdString();
    for (const QString &screenshot : screenshots)
        EXPECT_TRUE(
            metainfo.contains(QStringLiteral("/screenshots/") + screenshot + QStringLiteral("</image>")))
            << screenshot.toStdString();

    // The release is this build's version, dated when it was configured (the last commit's date).
    const QRegularExpression release(
        QStringLiteral("<release version=\"([^\"]+)\" date=\"(\\d{4}-\\d{2}-\\d{2})\"/>"));
    const QRegularExpressionMatch match = release.match(metainfo);
    ASSERT_TRUE(match.hasMatch()) << metainfo.toStdString();
    EXPECT_EQ(match.captured(1), QStringLiteral(OMBRIX_VERSION));
    const QString changelog = ReadText(QStringLiteral(OMBRIX_BUILD_DIR "/packaging/changelog"));
    EXPECT_TRUE(changelog.startsWith(QStringLiteral("ombrix (" OMBRIX_VERSION ") ")))
        << changelog.toStdString();
    const QDate date = QDate::fromString(match.captured(2), Qt::ISODate);
    ASSERT_TRUE(date.isValid());
    EXPECT_TRUE(changelog.contains(QLocale::c().toString(date, QStringLiteral("d MMM yyyy"))) ||
                changelog.contains(QLocale::c().toString(date, QStringLiteral("dd MMM yyyy"))))
        << "the changelog and the metainfo give the same release date: " << changelog.toStdString();
}

#ifdef OMBRIX_HAS_LOGGER
TEST_F(InstallTest, ServiceUnitNamesTheInstalledLoggerAndPassesSystemdAnalyzeVerify)
{
    const QString unitPath = prefix(QStringLiteral("lib/systemd/system/ombrix-logger@.service"));
    const QString unit = ReadText(unitPath);
    ASSERT_FALSE(unit.isEmpty()) << unitPath.toStdString();
    // Outside /usr the unit runs the logger of this prefix and reads its configuration there.
    EXPECT_TRUE(unit.contains(QStringLiteral("\nExecStart=") + prefix(QStringLiteral("bin/ombrix-logger")) +
                              QStringLiteral(" --config ") + prefix(QStringLiteral("etc/ombrix/%i.conf")) +
                              QStringLiteral(" --retry\n")))
        << unit.toStdString();
    for (const char *setting : {"Type=notify", "User=ombrix", "SupplementaryGroups=dialout",
                                "StateDirectory=ombrix", "Restart=on-failure", "NoNewPrivileges=yes",
                                "ProtectSystem=strict", "ProtectHome=yes", "PrivateTmp=yes"})
        EXPECT_TRUE(unit.contains(QLatin1Char('\n') + QLatin1String(setting) + QLatin1Char('\n'))) << setting;
    EXPECT_TRUE(unit.contains(QStringLiteral("\nWatchdogSec=")));
    EXPECT_TRUE(QFileInfo(prefix(QStringLiteral("etc/ombrix/example.conf"))).isFile());

    const QString analyze = QStandardPaths::findExecutable(QStringLiteral("systemd-analyze"));
    if (analyze.isEmpty()) {
        GTEST_SKIP() << "systemd-analyze is not installed (package systemd)";
    }
    // verify runs the binary check on ExecStart and looks up Documentation= with man, which
    // finds the installed page through MANPATH.
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("MANPATH"), prefix(QStringLiteral("share/man")));
    const ProcessRun verify = RunProgram(analyze, {QStringLiteral("verify"), unitPath}, environment);
    EXPECT_EQ(verify.exitCode, 0) << verify.out.toStdString();
    EXPECT_TRUE(verify.out.trimmed().isEmpty()) << verify.out.toStdString();
}

TEST_F(InstallTest, SysusersFileMakesTheServiceUserInGroupDialout)
{
    const QString sysusers = QStandardPaths::findExecutable(QStringLiteral("systemd-sysusers"));
    if (sysusers.isEmpty()) {
        GTEST_SKIP() << "systemd-sysusers is not installed (package systemd)";
    }
    QTemporaryDir root;
    ASSERT_TRUE(QDir(root.path()).mkpath(QStringLiteral("etc")));
    const ProcessRun run = RunProgram(sysusers, {QStringLiteral("--root=") + root.path(),
                                                 prefix(QStringLiteral("lib/sysusers.d/ombrix.conf"))});
    ASSERT_EQ(run.exitCode, 0) << run.out.toStdString();
    const QString passwd = ReadText(root.path() + QStringLiteral("/etc/passwd"));
    EXPECT_TRUE(passwd.contains(QRegularExpression(
        QStringLiteral("(^|\\n)ombrix:x:\\d+:\\d+:[^:]*:/var/lib/ombrix:/usr/sbin/nologin\\n"))))
        << passwd.toStdString();
    const QString group = ReadText(root.path() + QStringLiteral("/etc/group"));
    EXPECT_TRUE(group.contains(QRegularExpression(QStringLiteral("(^|\\n)dialout:x:\\d+:ombrix(\\n|$)"))))
        << group.toStdString();
}
#endif

// Shells find a window's launcher and icon through its class (X11) or app id (Wayland); a class
// that no desktop entry names gets a generic icon and a second task-bar entry.
TEST_F(InstallTest, TheWindowsClassIsTheOneTheDesktopEntryNames)
{
    const QString xvfb = QStandardPaths::findExecutable(QStringLiteral("Xvfb"));
    const QString xwininfo = QStandardPaths::findExecutable(QStringLiteral("xwininfo"));
    if (xvfb.isEmpty() || xwininfo.isEmpty()) {
        GTEST_SKIP() << "Xvfb and xwininfo are needed (packages xvfb, x11-utils)";
    }
    const QString entry = ReadText(prefix(QStringLiteral("share/applications/example.talmo.Ombrix.desktop")));
    const QRegularExpressionMatch wmClass =
        QRegularExpression(QStringLiteral("\\nStartupWMClass=(\\S+)\\n")).match(entry);
    ASSERT_TRUE(wmClass.hasMatch()) << entry.toStdString();

    QProcess server; // picks a free display and writes its number on the descriptor given
    server.start(xvfb, {QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-nolisten"),
                        QStringLiteral("tcp"), QStringLiteral("-screen"), QStringLiteral("0"),
                        QStringLiteral("1024x768x24")});
    ASSERT_TRUE(server.waitForReadyRead(20000)) << "Xvfb did not start";
    const QString display = QLatin1Char(':') + QString::fromLatin1(server.readAllStandardOutput()).trimmed();

    QTemporaryDir home;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("DISPLAY"), display);
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    environment.insert(QStringLiteral("HOME"), home.path());
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), home.path() + QStringLiteral("/.config"));
    // libxkbcommon-x11 strndup()s keymap names that are not NUL-terminated, which strndup allows
    // but the sanitizer build's strict string checks report; the xcb platform cannot start without it.
    if (const QString asan = environment.value(QStringLiteral("ASAN_OPTIONS")); !asan.isEmpty())
        environment.insert(QStringLiteral("ASAN_OPTIONS"), asan + QStringLiteral(":strict_string_checks=0"));
    QProcess program;
    program.setProcessChannelMode(QProcess::MergedChannels);
    program.setProcessEnvironment(environment);
    program.start(prefix(QStringLiteral("bin/ombrix")), {});
    ASSERT_TRUE(program.waitForStarted(10000));

    // xwininfo shows each named window with its WM_CLASS: 0x1a00007 "Ombrix, ...": ("ombrix" "ombrix")
    static const QRegularExpression named(QStringLiteral("\"([^\"]*)\": \\(\"([^\"]*)\" \"([^\"]*)\"\\)"));
    QStringList classes;
    QElapsedTimer waited;
    waited.start();
    while (classes.isEmpty() && waited.elapsed() < 40000 && program.state() == QProcess::Running) {
        QThread::msleep(300);
        const ProcessRun tree = RunProgram(xwininfo, {QStringLiteral("-display"), display,
                                                      QStringLiteral("-root"), QStringLiteral("-tree")});
        for (auto match = named.globalMatch(tree.out); match.hasNext();) {
            const QRegularExpressionMatch window = match.next();
            if (window.captured(1).startsWith(QStringLiteral("Ombrix")))
                classes << window.captured(3);
        }
    }
    program.terminate(); // SIGTERM ends the program as closing its window does
    const bool ended = program.waitForFinished(20000);
    if (!ended)
        program.kill();
    server.terminate();
    server.waitForFinished(10000);

    ASSERT_FALSE(classes.isEmpty()) << "no Ombrix window appeared on " << display.toStdString() << ": "
                                    << program.readAll().toStdString();
    for (const QString &windowClass : classes)
        EXPECT_EQ(windowClass, wmClass.captured(1));
    EXPECT_TRUE(ended);
    EXPECT_EQ(program.exitCode(), 0);
}
