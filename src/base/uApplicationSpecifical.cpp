#include "base/uApplicationSpecifical.h"

#include "base/uApplicationFolders.h"
#include "model/uExceptions.h"
#include "platform/ProfileIni.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

QString ProgramDir;
QString BrandingIniPath;
QString Brand = DefaultBrand;
QString AppName = DefaultAppName;
QString CompanyKey = DefaultCompanyKey;
QString SettingsKeyPath = FixedSettingsKeyPath;
QString DataDir;
QString DocumentsDir;
std::unique_ptr<TSettingsStore> UserSettings;
std::unique_ptr<TSettingsStore> MachineSettings;

namespace
{
const QLatin1String LabelSection("label");

QString WithTrailingSlash(const QString &path)
{
    return path.endsWith(QLatin1Char('/')) ? path : path + QLatin1Char('/');
}

// "\Software\TalmoLoggers\Ombrix" -> "TalmoLoggers/Ombrix.ini": the settings file sits where
// the key path says, below the configuration root instead of the registry root.
QString SettingsFileUnder(const QString &root)
{
    QString relative = QString(FixedSettingsKeyPath);
    const QLatin1String software("\\Software\\");
    if (relative.startsWith(software))
        relative.remove(0, software.size());
    relative.replace(QLatin1Char('\\'), QLatin1Char('/'));
    return WithTrailingSlash(root) + relative + QLatin1String(".ini");
}

// ExpandShellFolder with the create flag, but a folder that cannot be resolved gives "".
QString TryExpand(const QString &path)
{
    try {
        return ExpandShellFolder(path, true);
    } catch (const Exception &) {
        return QString();
    }
}
} // namespace

void ReadBranding(const QString &programDir)
{
    ProgramDir = WithTrailingSlash(programDir.isEmpty() ? ExecutableDir() : programDir);
    BrandingIniPath = ProgramDir + BrandingFileName;
    Brand = DefaultBrand;
    AppName = DefaultAppName;
    if (!QFileInfo(BrandingIniPath).isFile())
        return;
    const TProfileIni ini(BrandingIniPath);
    Brand = ini.ReadString(LabelSection, QStringLiteral("company"), DefaultBrand);
    AppName = ini.ReadString(LabelSection, QStringLiteral("appname"), DefaultAppName);
}

bool IsUsableFolderName(const QString &name)
{
    // The file system's limit is 255 bytes of the encoded name, not 255 characters.
    if (name.isEmpty() || QFile::encodeName(name).size() > 255)
        return false;
    if (name == QLatin1String(".") || name == QLatin1String(".."))
        return false;
    static const QString forbidden = QStringLiteral("\"*/:<>?\\|");
    for (const QChar c : name)
        if (forbidden.contains(c) || c.unicode() < 0x20)
            return false;
    return true;
}

QString CompanyKeyOf(const QString &brand)
{
    if (brand.isEmpty() || brand.toUpper() == DefaultBrand)
        return DefaultCompanyKey;
    if (IsUsableFolderName(brand))
        return brand;
    return DefaultCompanyKey;
}

QString AppFolderNameOf(const QString &appName)
{
    if (appName.isEmpty() || IsUsableFolderName(appName))
        return appName;
    return DefaultAppName;
}

QString DefaultUserSettingsFile()
{
    return SettingsFileUnder(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation));
}

QString DefaultMachineSettingsFile()
{
    return SettingsFileUnder(QStringLiteral("/etc/xdg"));
}

bool TestWriteAccess()
{
    return TestWriteAccessIn(DataDir);
}

void InitEnvironment(const TEnvironmentOptions &options)
{
    UserSettings.reset();
    MachineSettings.reset();
    SetShellFolderResolver(options.FolderResolver);

    ReadBranding(options.ProgramDir);
    CompanyKey = CompanyKeyOf(Brand);
    SettingsKeyPath = FixedSettingsKeyPath;

    const QString userFile =
        options.UserSettingsFile.isEmpty() ? DefaultUserSettingsFile() : options.UserSettingsFile;
    const QString machineFile =
        options.MachineSettingsFile.isEmpty() ? DefaultMachineSettingsFile() : options.MachineSettingsFile;
    QDir().mkpath(QFileInfo(userFile).absolutePath());
    UserSettings = std::make_unique<TSettingsStore>(userFile, false);
    MachineSettings = std::make_unique<TSettingsStore>(machineFile, true);

    const QString folders = QLatin1Char('/') + CompanyKey + QLatin1Char('/') + AppFolderNameOf(AppName);

    // The shared data folder is preferred; a user who may not write there gets a private one.
    DataDir = TryExpand(QStringLiteral("%CSIDL_COMMON_APPDATA%") + folders);
    if (DataDir.isEmpty() || !QFileInfo(DataDir).isDir() || !TestWriteAccess())
        DataDir = TryExpand(QStringLiteral("%CSIDL_LOCAL_APPDATA%") + folders);

    DocumentsDir = TryExpand(QStringLiteral("%CSIDL_PERSONAL%") + folders);
}

void CloseEnvironment()
{
    UserSettings.reset();
    MachineSettings.reset();
}

TBrandLook DecideBrandLook(const QString &brand, const QString &programDir, const QString &brandingIniPath)
{
    TBrandLook look;
    if (brand == DefaultBrand) {
        look.BuiltInLogo = true;
        look.LinkEnabled = true;
        look.LinkUrl = MakerWebAddress;
        return look;
    }
    look.BuiltInLogo = false;
    look.LogoFile = WithTrailingSlash(programDir) + BrandLogoFileName;
    QString web;
    if (QFileInfo(brandingIniPath).isFile())
        web = TProfileIni(brandingIniPath).ReadString(LabelSection, QStringLiteral("web"), QString());
    if (!web.isEmpty()) {
        look.LinkEnabled = true;
        look.LinkUrl = web;
    }
    return look;
}
