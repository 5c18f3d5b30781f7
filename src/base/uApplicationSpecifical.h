#pragma once

#include "base/uSettingsStore.h"
#include "platform/ShellFolders.h"

#include <QString>
#include <memory>

// Start-up globals: written by InitEnvironment (and ReadBranding) once, before the first
// window exists, and only read afterwards.
extern QString ProgramDir;      // folder of the program file, ending in "/"
extern QString BrandingIniPath; // ProgramDir + "Ombrix.ini", whether or not it exists
extern QString Brand;           // [label] company; "TALMO" when the file or key is missing
extern QString AppName;         // [label] appname; "Ombrix" when the file or key is missing
extern QString CompanyKey;      // company folder name derived from Brand
extern QString SettingsKeyPath; // "\Software\TalmoLoggers\Ombrix", never follows the brand
extern QString DataDir;         // the program's application data folder, ending in "/"
extern QString DocumentsDir;    // the program's folder in the user's documents, ending in "/"
extern std::unique_ptr<TSettingsStore> UserSettings;
extern std::unique_ptr<TSettingsStore> MachineSettings; // read-only

inline constexpr QLatin1String DefaultBrand("TALMO");
inline constexpr QLatin1String DefaultAppName("Ombrix");
inline constexpr QLatin1String DefaultCompanyKey("TalmoLoggers");
inline constexpr QLatin1String FixedSettingsKeyPath("\\Software\\TalmoLoggers\\Ombrix");
inline constexpr QLatin1String BrandingFileName("Ombrix.ini");
inline constexpr QLatin1String BrandLogoFileName("logo.bmp");
// Placeholder until the maker's real address is settled; the logo links to it under the
// default brand.
inline constexpr QLatin1String MakerWebAddress("https://talmo.example/");

// What start-up may be told instead of asking the system; empty members keep the default.
struct TEnvironmentOptions {
    QString ProgramDir;                  // default: ExecutableDir()
    TShellFolderResolver FolderResolver; // default: DefaultShellFolderPath
    QString UserSettingsFile;            // default: $XDG_CONFIG_HOME/TalmoLoggers/Ombrix.ini
    QString MachineSettingsFile;         // default: /etc/xdg/TalmoLoggers/Ombrix.ini
};

// Sets ProgramDir and BrandingIniPath from programDir (ExecutableDir() when empty), then
// Brand and AppName from the branding file. A key present with an empty value gives "".
void ReadBranding(const QString &programDir = QString());

// The company folder name for a brand: "TalmoLoggers" for any capitalisation of "TALMO" and
// for an empty brand; the brand itself when it is a usable folder name; "TalmoLoggers" otherwise.
QString CompanyKeyOf(const QString &brand);

// A usable single folder name: at most 255 bytes once encoded for the file system, none of " * / : < > ? \ |,
// no control character, and not "." or ".." (which would lead out of the parent folder).
bool IsUsableFolderName(const QString &name);

// The folder level that AppName gives: AppName itself, or "Ombrix" when AppName could lead
// elsewhere ("..", "a/b", ...). An empty AppName stays empty (the company folder is used).
QString AppFolderNameOf(const QString &appName);

// Fills all start-up globals and opens both settings stores. Call once before any window;
// calling it again (tests) starts over. Folders that cannot be created are not reported.
void InitEnvironment(const TEnvironmentOptions &options = {});

// Closes both settings stores (the user store writes its file); call after the last window.
void CloseEnvironment();

// Whether a file can be created, written and deleted in DataDir.
bool TestWriteAccess();

// The files the settings stores use by default.
QString DefaultUserSettingsFile();
QString DefaultMachineSettingsFile();

// How the logo frames look under the current brand. The main window loads LogoFile itself
// (when it is set) and shows the pictures only when that succeeds.
struct TBrandLook {
    bool BuiltInLogo = true; // keep the built-in pictures; otherwise hide them first
    QString LogoFile;        // picture to try when BuiltInLogo is false
    bool LinkEnabled = false;
    QString LinkUrl;
};

// The default brand is "TALMO" spelt exactly so: built-in pictures and the maker's link.
// Any other brand (even "Talmo"): the pictures come from programDir + "logo.bmp", and the link
// is [label] web of the branding file when that exists and is not empty, otherwise none.
TBrandLook DecideBrandLook(const QString &brand, const QString &programDir, const QString &brandingIniPath);
