// Reports, one "name=value" line each, what start-up settles by itself in the environment it
// was started in: the program folder, the settings files, the shell folders and the COM-port
// mappings. Tests start it through a link with an environment of their own. Only the shell
// folders are given (argument 1: a folder to put them under), so nothing is created outside it.

#include "base/uApplicationSpecifical.h"
#include "platform/ComPorts.h"
#include "platform/ShellFolders.h"

#include <QCoreApplication>
#include <QTextStream>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() != 2) {
        QTextStream(stderr) << "usage: " << args.value(0) << " FOLDER\n";
        return 2;
    }
    QTextStream out(stdout);
    const auto report = [&out](const QString &name, const QString &value) {
        out << name << '=' << value << '\n';
    };

    report(QStringLiteral("UserSettingsFile"), DefaultUserSettingsFile());
    report(QStringLiteral("MachineSettingsFile"), DefaultMachineSettingsFile());
    report(QStringLiteral("CommonAppData"), DefaultShellFolderPath(TShellFolder::CommonAppData));
    report(QStringLiteral("LocalAppData"), DefaultShellFolderPath(TShellFolder::LocalAppData));
    report(QStringLiteral("Personal"), DefaultShellFolderPath(TShellFolder::Personal));
    report(QStringLiteral("ComPortsFile"), ComPorts::SettingsFile());
    const QMap<int, QString> mappings = ComPorts::ExplicitMappings();
    for (auto it = mappings.cbegin(); it != mappings.cend(); ++it)
        report(QStringLiteral("COM") + QString::number(it.key()), it.value());

    TEnvironmentOptions options;
    const QString folder = args.at(1);
    options.FolderResolver = [folder](TShellFolder which) {
        return folder + QLatin1Char('/') + QString::number(static_cast<int>(which));
    };
    InitEnvironment(options);
    report(QStringLiteral("ProgramDir"), ProgramDir);
    report(QStringLiteral("BrandingIniPath"), BrandingIniPath);
    report(QStringLiteral("UserStore"), UserSettings->FileName());
    report(QStringLiteral("MachineStore"), MachineSettings->FileName());
    // Shows that the user store really writes where it says.
    UserSettings->WriteString(SettingsKeys::SecOptions, SettingsKeys::KeyLanguage, QStringLiteral("de"));
    CloseEnvironment();
    return 0;
}
