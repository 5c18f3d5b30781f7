#pragma once

// Language modules and the user's choice of language.
//
// A language module is a compiled Qt translation lying next to the program, named after the
// program file with the language's ISO 639 code in place of its extension ("ombrix.cs" next
// to "ombrix"). The choice is a per-user override keyed by the program's full path; it takes
// effect at the next start, when InstallLanguageOverride loads the module before the first
// window exists.

#include <QCoreApplication>
#include <QList>
#include <QString>

#include <memory>
#include <optional>

class QTranslator;

// One language whose module lies next to the program.
struct TLanguageItem {
    int Id = 0;         // primary language identifier, the menu item's tag
    QString Code;       // ISO 639 name
    QString NativeName; // the menu item's caption
};

// The restart notice, in the language of the module just chosen where it can be loaded.
struct TRestartNotice {
    QString Caption;
    QString Message;
};

class TLang
{
    Q_DECLARE_TR_FUNCTIONS(TLang)

public:
    // programPath: the program file's full path (its real file, so an installed program
    // and its link find the same modules and override).
    explicit TLang(const QString &programPath);

    QString LangDir;      // the program's folder ending in "/"; empty without a folder
    QString LangBaseName; // the program file's name without its extension

    // The help file's name next to the program, named by the language in use.
    static QString HelpFileName();

    QString ProgramPath() const { return m_programPath; }
    QString ModulePath(const QString &code) const;

    // The languages with a module, by increasing identifier.
    QList<TLanguageItem> AvailableLanguages() const;

    // Records the choice of the language with the identifier and returns the notice to
    // show; nothing when the identifier names no language or its module is gone.
    std::optional<TRestartNotice> ChooseLanguage(int languageId) const;

private:
    QString m_programPath;
};

// Where the overrides live: $XDG_CONFIG_HOME/TalmoLoggers/LanguageOverrides.ini.
QString LanguageOverridesFile();

// The override of the program with this full path ("" when none), and writing it.
QString ReadLanguageOverride(const QString &programPath);
bool WriteLanguageOverride(const QString &programPath, const QString &code);

// Reads the override of the program and, when its module next to the program loads,
// installs it in the application. Call it after the application object exists and before
// the first window is created. The translator returned stays installed while it lives;
// null when there is no override or the module cannot be loaded.
std::unique_ptr<QTranslator> InstallLanguageOverride(const QString &programPath);
