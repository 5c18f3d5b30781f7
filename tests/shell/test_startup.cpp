#include "base/uApplicationFolders.h"
#include "base/uApplicationSpecifical.h"

#include "model/uExceptions.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace
{

void WriteFile(const QString &path, const QByteArray &content)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(content);
}

// A program folder, the three shell folders and the settings files, all under one temporary folder.
class StartupTest : public ::testing::Test
{
protected:
    QTemporaryDir root;
    QString programDir, common, local, personal;

    void SetUp() override
    {
        ASSERT_TRUE(root.isValid());
        programDir = root.filePath(QStringLiteral("prog"));
        common = root.filePath(QStringLiteral("common"));
        local = root.filePath(QStringLiteral("local"));
        personal = root.filePath(QStringLiteral("docs"));
        QDir().mkpath(programDir);
    }
    void TearDown() override
    {
        CloseEnvironment();
        SetShellFolderResolver({});
    }

    TEnvironmentOptions options() const
    {
        TEnvironmentOptions o;
        o.ProgramDir = programDir;
        const QString c = common, l = local, p = personal;
        o.FolderResolver = [c, l, p](TShellFolder folder) {
            switch (folder) {
            case TShellFolder::CommonAppData:
                return c;
            case TShellFolder::LocalAppData:
                return l;
            case TShellFolder::Personal:
                return p;
            }
            return QString();
        };
        o.UserSettingsFile = root.filePath(QStringLiteral("config/TalmoLoggers/Ombrix.ini"));
        o.MachineSettingsFile = root.filePath(QStringLiteral("etc/TalmoLoggers/Ombrix.ini"));
        return o;
    }

    QStringList leftoverTestFiles() const
    {
        QStringList found;
        QDirIterator it(root.path(), {QStringLiteral("test.txt")}, QDir::Files | QDir::Hidden,
                        QDirIterator::Subdirectories);
        while (it.hasNext())
            found << it.next();
        return found;
    }
};

} // namespace

TEST(CompanyKeyTest, FollowsTheBrandOnlyWhenItIsAUsableFolderName)
{
    struct Case {
        QString brand;
        QString key;
    };
    const Case cases[] = {
        {QStringLiteral("TALMO"), QStringLiteral("TalmoLoggers")},
        {QStringLiteral("Talmo"), QStringLiteral("TalmoLoggers")}, // any capitalisation
        {QString(), QStringLiteral("TalmoLoggers")},
        {QStringLiteral("Acme"), QStringLiteral("Acme")},
        {QStringLiteral("Acme Ltd."), QStringLiteral("Acme Ltd.")},
        {QStringLiteral("Acme/Ltd"), QStringLiteral("TalmoLoggers")},
        {QStringLiteral("A\"B"), QStringLiteral("TalmoLoggers")},
        {QStringLiteral("A*B"), QStringLiteral("TalmoLoggers")},
        {QStringLiteral("A:B"), QStringLiteral("TalmoLoggers")},
        {QStringLiteral("A<B"), QStringLiteral("TalmoLoggers")},
        {QStringLiteral("A>B"), QStringLiteral("TalmoLoggers")},
        {QStringLiteral("A?B"), QStringLiteral("TalmoLoggers")},
        {QStringLiteral("A\\B"), QStringLiteral("TalmoLoggers")},
        {QStringLiteral("A|B"), QStringLiteral("TalmoLoggers")},
        {QString(255, QLatin1Char('x')), QString(255, QLatin1Char('x'))},
        {QString(256, QLatin1Char('x')), QStringLiteral("TalmoLoggers")},
        // The limit is 255 bytes of the name as the file system stores it (UTF-8): "Č" takes two.
        {QString(127, QChar(0x010C)) + QLatin1Char('x'), QString(127, QChar(0x010C)) + QLatin1Char('x')},
        {QString(130, QChar(0x010C)), QStringLiteral("TalmoLoggers")},
        // These would lead out of the parent folder.
        {QStringLiteral(".."), QStringLiteral("TalmoLoggers")},
        {QStringLiteral("."), QStringLiteral("TalmoLoggers")},
        {QStringLiteral("A\nB"), QStringLiteral("TalmoLoggers")},
    };
    for (const Case &c : cases)
        EXPECT_EQ(CompanyKeyOf(c.brand), c.key) << c.brand.toStdString();
}

TEST(AppFolderNameTest, AnAppNameThatCouldLeadElsewhereGivesTheDefaultFolder)
{
    EXPECT_EQ(AppFolderNameOf(QStringLiteral("Widget Monitor")), QStringLiteral("Widget Monitor"));
    EXPECT_EQ(AppFolderNameOf(QString()), QString());
    EXPECT_EQ(AppFolderNameOf(QStringLiteral("..")), QStringLiteral("Ombrix"));
    EXPECT_EQ(AppFolderNameOf(QStringLiteral("../../etc")), QStringLiteral("Ombrix"));
    EXPECT_EQ(AppFolderNameOf(QString(130, QChar(0x010C))), QStringLiteral("Ombrix")); // 260 bytes
}

TEST_F(StartupTest, ReadBrandingTakesCompanyAndAppNameFromTheLabelSection)
{
    struct Case {
        const char *name;
        std::optional<QByteArray> file; // none: no branding file
        QString brand;
        QString appName;
    };
    const Case cases[] = {
        {"no file", std::nullopt, QStringLiteral("TALMO"), QStringLiteral("Ombrix")},
        {"both keys", QByteArray("[label]\ncompany=Acme\nappname=Widget\n"), QStringLiteral("Acme"),
         QStringLiteral("Widget")},
        {"no appname", QByteArray("[label]\ncompany=Talmo\n"), QStringLiteral("Talmo"),
         QStringLiteral("Ombrix")},
        {"empty values", QByteArray("[label]\ncompany=\nappname=\n"), QString(), QString()},
        {"other section only", QByteArray("[types]\n1001=X\n"), QStringLiteral("TALMO"),
         QStringLiteral("Ombrix")},
        {"names in other case", QByteArray("[LABEL]\r\nCompany = Acme/Ltd \r\n"), QStringLiteral("Acme/Ltd"),
         QStringLiteral("Ombrix")},
        {"quoted values", QByteArray("[label]\ncompany=\"Acme\"\nappname='Widget'\n"), QStringLiteral("Acme"),
         QStringLiteral("Widget")},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        QFile::remove(programDir + QStringLiteral("/Ombrix.ini"));
        if (c.file)
            WriteFile(programDir + QStringLiteral("/Ombrix.ini"), *c.file);
        ReadBranding(programDir);
        EXPECT_EQ(ProgramDir, programDir + QLatin1Char('/'));
        EXPECT_EQ(BrandingIniPath, programDir + QStringLiteral("/Ombrix.ini"));
        EXPECT_EQ(Brand, c.brand);
        EXPECT_EQ(AppName, c.appName);
    }
}

TEST_F(StartupTest, ProgramDirDefaultsToTheRealExecutableFolder)
{
    ReadBranding();
    const QString exe = QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath();
    EXPECT_EQ(ProgramDir, QFileInfo(exe).absolutePath() + QLatin1Char('/'));
    EXPECT_EQ(ExecutableDir(), ProgramDir);
}

TEST_F(StartupTest, InitEnvironmentSettlesFoldersAndStoresUnderTheDefaultBrand)
{
    InitEnvironment(options());
    EXPECT_EQ(Brand, QStringLiteral("TALMO"));
    EXPECT_EQ(CompanyKey, QStringLiteral("TalmoLoggers"));
    EXPECT_EQ(SettingsKeyPath, QStringLiteral("\\Software\\TalmoLoggers\\Ombrix"));
    EXPECT_EQ(DataDir, common + QStringLiteral("/TalmoLoggers/Ombrix/"));
    EXPECT_EQ(DocumentsDir, personal + QStringLiteral("/TalmoLoggers/Ombrix/"));
    EXPECT_TRUE(QFileInfo(DataDir).isDir());
    EXPECT_TRUE(QFileInfo(DocumentsDir).isDir());
    EXPECT_FALSE(QFileInfo::exists(local)); // the second choice was not needed
    EXPECT_TRUE(leftoverTestFiles().isEmpty()) << leftoverTestFiles().join(QLatin1Char(' ')).toStdString();

    ASSERT_TRUE(UserSettings);
    ASSERT_TRUE(MachineSettings);
    EXPECT_TRUE(MachineSettings->IsReadOnly());
    UserSettings->WriteString(SettingsKeys::SecOptions, SettingsKeys::KeyLanguage, QStringLiteral("de"));
    CloseEnvironment();
    EXPECT_TRUE(QFile::exists(options().UserSettingsFile));
    EXPECT_FALSE(QFile::exists(options().MachineSettingsFile));
}

TEST_F(StartupTest, FoldersFollowTheBrandButTheSettingsKeyPathDoesNot)
{
    WriteFile(programDir + QStringLiteral("/Ombrix.ini"), "[label]\ncompany=Acme\nappname=Widget\n");
    InitEnvironment(options());
    EXPECT_EQ(CompanyKey, QStringLiteral("Acme"));
    EXPECT_EQ(DataDir, common + QStringLiteral("/Acme/Widget/"));
    EXPECT_EQ(DocumentsDir, personal + QStringLiteral("/Acme/Widget/"));
    EXPECT_EQ(SettingsKeyPath, QStringLiteral("\\Software\\TalmoLoggers\\Ombrix"));
    EXPECT_EQ(UserSettings->FileName(), options().UserSettingsFile);
}

TEST_F(StartupTest, DataFolderFallsBackToTheLocalFolderWhenTheCommonOneIsUnusable)
{
    struct Case {
        const char *name;
        std::function<void(const QString &common)> spoil;
    };
    const Case cases[] = {
        // Root ignores permission bits, so the common folder is made impossible instead.
        {"common folder cannot be created",
         [](const QString &c) { WriteFile(c, "a regular file where the folder should be"); }},
        {"common folder exists but is not writable",
         [](const QString &c) { QDir().mkpath(c + QStringLiteral("/TalmoLoggers/Ombrix/test.txt")); }},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        QDir(common).removeRecursively();
        QFile::remove(common);
        QDir(local).removeRecursively();
        c.spoil(common);

        InitEnvironment(options());
        EXPECT_EQ(DataDir, local + QStringLiteral("/TalmoLoggers/Ombrix/"));
        EXPECT_TRUE(QFileInfo(DataDir).isDir());
        // Only the folder planted by the fixture may carry that name; no file is left anywhere.
        EXPECT_TRUE(leftoverTestFiles().isEmpty())
            << leftoverTestFiles().join(QLatin1Char(' ')).toStdString();
    }
}

TEST(TestWriteAccessTest, TellsWhetherAFileCanBeWrittenAndLeavesNothing)
{
    QTemporaryDir dir;
    EXPECT_TRUE(TestWriteAccessIn(dir.path()));
    EXPECT_TRUE(QDir(dir.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries).isEmpty());
    EXPECT_FALSE(TestWriteAccessIn(dir.filePath(QStringLiteral("missing"))));
}

TEST(TestWriteAccessTest, NeverOpensAnExistingTestFile)
{
    struct Case {
        const char *name;
        bool link; // test.txt is a link to the target; otherwise test.txt is the target
        bool targetExists;
    };
    const Case cases[] = {
        {"link to another file", true, true},
        {"link to nothing yet", true, false},
        {"file left behind", false, true},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        QTemporaryDir dir;
        const QString testFile = dir.filePath(QStringLiteral("test.txt"));
        const QString target = c.link ? dir.filePath(QStringLiteral("precious")) : testFile;
        if (c.targetExists)
            WriteFile(target, "precious data\n");
        if (c.link) {
            ASSERT_TRUE(QFile::link(target, testFile));
        }

        EXPECT_FALSE(TestWriteAccessIn(dir.path()));
        EXPECT_EQ(QFileInfo(testFile).isSymLink(), c.link);
        EXPECT_EQ(QFileInfo::exists(target), c.targetExists);
        if (c.targetExists) {
            QFile f(target);
            ASSERT_TRUE(f.open(QIODevice::ReadOnly));
            EXPECT_EQ(f.readAll(), QByteArray("precious data\n"));
        }
    }
}

TEST(ExpandShellFolderTest, ResolvesTheTokenAndAppendsTheRest)
{
    QTemporaryDir dir;
    const QString base = dir.filePath(QStringLiteral("base"));
    const TShellFolderResolver resolver = [&](TShellFolder f) {
        return f == TShellFolder::Personal ? base + QStringLiteral("/docs") : base;
    };
    struct Case {
        QString path;
        QString result;
    };
    const Case cases[] = {
        {QStringLiteral("%CSIDL_COMMON_APPDATA%/A/B"), base + QStringLiteral("/A/B/")},
        {QStringLiteral("%CSIDL_LOCAL_APPDATA%\\A"), base + QStringLiteral("/A/")}, // one leading "\" dropped
        {QStringLiteral("%CSIDL_PERSONAL%"), base + QStringLiteral("/docs/")},
        {QStringLiteral("%csidl_personal%/x/"), base + QStringLiteral("/docs/x/")},
    };
    for (const Case &c : cases)
        EXPECT_EQ(ExpandShellFolder(c.path, false, resolver), c.result) << c.path.toStdString();
    EXPECT_FALSE(QFileInfo::exists(base)); // nothing created without the flag

    EXPECT_EQ(ExpandShellFolder(QStringLiteral("%CSIDL_COMMON_APPDATA%/A/B"), true, resolver),
              base + QStringLiteral("/A/B/"));
    EXPECT_TRUE(QFileInfo(base + QStringLiteral("/A/B")).isDir());

    EXPECT_THROW(ExpandShellFolder(QStringLiteral("%CSIDL_WINDOWS%/A"), true, resolver), Exception);
}

TEST(LinuxDefaultsTest, AProgramStartedThroughALinkFindsItsRealFolderAndTheXdgFiles)
{
    QTemporaryDir root;
    ASSERT_TRUE(root.isValid());
    const QString home = root.filePath(QStringLiteral("home"));
    const QString config = root.filePath(QStringLiteral("config"));
    const QString data = root.filePath(QStringLiteral("data"));
    const QString settingsFile = config + QStringLiteral("/TalmoLoggers/Ombrix.ini");
    WriteFile(config + QStringLiteral("/user-dirs.dirs"), "XDG_DOCUMENTS_DIR=\"$HOME/Papers\"\n");
    WriteFile(settingsFile, "[COM_PORTS]\nCOM7=/dev/ttyFromSettings\n");
    const QString program = QFileInfo(QStringLiteral(OMBRIX_REPORT_DEFAULTS)).canonicalFilePath();
    const QString link = root.filePath(QStringLiteral("bin/ombrix"));
    ASSERT_TRUE(QDir().mkpath(root.filePath(QStringLiteral("bin"))));
    ASSERT_TRUE(QFile::link(program, link));

    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("HOME"), home);
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), config);
    env.insert(QStringLiteral("XDG_DATA_HOME"), data);
    env.remove(QStringLiteral("OMBRIX_COM_PORTS"));
    QProcess process;
    process.setProcessEnvironment(env);
    process.start(link, {root.filePath(QStringLiteral("folders"))});
    ASSERT_TRUE(process.waitForFinished(30000)) << process.errorString().toStdString();
    ASSERT_EQ(process.exitCode(), 0) << process.readAllStandardError().toStdString();
    QMap<QString, QString> reported;
    for (const QString &line : QString::fromUtf8(process.readAllStandardOutput()).split(QLatin1Char('\n'))) {
        const qsizetype eq = line.indexOf(QLatin1Char('='));
        if (eq > 0)
            reported.insert(line.left(eq), line.mid(eq + 1));
    }

    const QString programDir = QFileInfo(program).absolutePath() + QLatin1Char('/');
    const std::pair<const char *, QString> expected[] = {
        {"ProgramDir", programDir}, // the real folder, not the link's
        {"BrandingIniPath", programDir + QStringLiteral("Ombrix.ini")},
        {"UserSettingsFile", settingsFile},
        {"UserStore", settingsFile},
        {"MachineSettingsFile", QStringLiteral("/etc/xdg/TalmoLoggers/Ombrix.ini")},
        {"MachineStore", QStringLiteral("/etc/xdg/TalmoLoggers/Ombrix.ini")},
        {"CommonAppData", QStringLiteral("/var/lib")},
        {"LocalAppData", data},
        {"Personal", home + QStringLiteral("/Papers")},
        {"ComPortsFile", settingsFile},
        {"COM7", QStringLiteral("/dev/ttyFromSettings")},
    };
    for (const auto &[name, value] : expected)
        EXPECT_EQ(reported.value(QString::fromLatin1(name)).toStdString(), value.toStdString()) << name;

    const QSettings written(settingsFile, QSettings::IniFormat);
    EXPECT_EQ(written.value(QStringLiteral("OPTIONS/LANGUAGE")).toString(), QStringLiteral("de"));
    EXPECT_EQ(written.value(QStringLiteral("COM_PORTS/COM7")).toString(),
              QStringLiteral("/dev/ttyFromSettings"));
}
