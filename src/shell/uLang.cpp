#include "shell/uLang.h"

#include "platform/LanguageIds.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>
#include <QTranslator>
#include <QUrl>

namespace
{

const QString OverridesGroup = QStringLiteral("Overrides");

// The notice's two texts, marked so that lupdate puts them into every module.
const char *const NoticeContext = "TLang";
const char *const NoticeCaption = QT_TRANSLATE_NOOP("TLang", "Information");
const char *const NoticeMessage =
    QT_TRANSLATE_NOOP("TLang", "You must restart the application for the language changes to take effect.");

// QSettings would read the slashes of a path as nested groups and drop the leading one;
// percent-encoding keeps the key exactly the program's path.
QString OverrideKey(const QString &programPath)
{
    return OverridesGroup + QLatin1Char('/') + QString::fromLatin1(QUrl::toPercentEncoding(programPath));
}

// Loads exactly the file named: QTranslator would otherwise also try the name with ".qm"
// appended and shortened names, which could pick up another file next to the program.
bool LoadModule(QTranslator &module, const QString &path)
{
    const QString exactly = QLatin1String("");
    return QFileInfo(path).isFile() && module.load(path, QString(), exactly, exactly);
}

QString TextFrom(const QTranslator *module, const char *source)
{
    if (module) {
        const QString translated = module->translate(NoticeContext, source);
        if (!translated.isEmpty())
            return translated;
    }
    return QCoreApplication::translate(NoticeContext, source);
}

} // namespace

TLang::TLang(const QString &programPath) : m_programPath(programPath)
{
    const QFileInfo info(programPath);
    if (programPath.contains(QLatin1Char('/')))
        LangDir = info.path() + QLatin1Char('/');
    LangBaseName = info.completeBaseName();
}

QString TLang::HelpFileName()
{
    //: The file name of the help file written in this language, next to the program.
    return tr("help_english.txt");
}

QString TLang::ModulePath(const QString &code) const
{
    return LangDir + LangBaseName + QLatin1Char('.') + code;
}

QList<TLanguageItem> TLang::AvailableLanguages() const
{
    QList<TLanguageItem> items;
    for (int id = Platform::FirstPrimaryLanguageId; id <= Platform::LastPrimaryLanguageId; ++id) {
        const QString code = Platform::LanguageIsoCode(id);
        if (code.isEmpty() || !QFileInfo(ModulePath(code)).isFile())
            continue;
        items << TLanguageItem{id, code, Platform::LanguageNativeName(id)};
    }
    return items;
}

std::optional<TRestartNotice> TLang::ChooseLanguage(int languageId) const
{
    const QString code = Platform::LanguageIsoCode(languageId);
    if (code.isEmpty() || !QFileInfo(ModulePath(code)).isFile())
        return std::nullopt;
    WriteLanguageOverride(m_programPath, code);
    QTranslator module;
    const bool loaded = LoadModule(module, ModulePath(code));
    const QTranslator *source = loaded ? &module : nullptr;
    return TRestartNotice{TextFrom(source, NoticeCaption), TextFrom(source, NoticeMessage)};
}

QString LanguageOverridesFile()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/TalmoLoggers/LanguageOverrides.ini");
}

QString ReadLanguageOverride(const QString &programPath)
{
    const QSettings store(LanguageOverridesFile(), QSettings::IniFormat);
    return store.value(OverrideKey(programPath)).toString();
}

bool WriteLanguageOverride(const QString &programPath, const QString &code)
{
    QDir().mkpath(QFileInfo(LanguageOverridesFile()).path());
    QSettings store(LanguageOverridesFile(), QSettings::IniFormat);
    store.setValue(OverrideKey(programPath), code);
    store.sync();
    return store.status() == QSettings::NoError;
}

std::unique_ptr<QTranslator> InstallLanguageOverride(const QString &programPath)
{
    const QString code = ReadLanguageOverride(programPath);
    if (code.isEmpty())
        return nullptr;
    const TLang lang(programPath);
    auto module = std::make_unique<QTranslator>();
    if (!LoadModule(*module, lang.ModulePath(code)))
        return nullptr;
    QCoreApplication::installTranslator(module.get());
    return module;
}
