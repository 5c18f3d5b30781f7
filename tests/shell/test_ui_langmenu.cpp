// The language menu against the built language modules placed next to a stand-in program,
// the override it writes, and the override installed at the next start.
#include "base/uDialogs.h"
#include "logging/uRecFile.h"
#include "model/uOBGlob.h"
#include "model/uValueText.h"
#include "shell/uLangMenu.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QMenu>
#include <QSettings>
#include <QTemporaryDir>
#include <QTranslator>
#include <QUrl>

#include <gtest/gtest.h>

namespace
{

QString BuiltModule(const QString &code)
{
    return QStringLiteral(OMBRIX_LANGUAGE_MODULE_DIR "/ombrix.") + code;
}

// A folder with a program file "prog" and the Czech and German modules beside it, and a
// settings home of its own so the overrides written stay in the test.
class LangMenuTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        m_oldConfig = qgetenv("XDG_CONFIG_HOME");
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(dir.filePath(QStringLiteral("config"))));
        program = dir.filePath(QStringLiteral("prog"));
        ASSERT_TRUE(Touch(program));
        for (const char *code : {"de", "cs"})
            ASSERT_TRUE(QFile::copy(BuiltModule(QLatin1String(code)),
                                    program + QLatin1Char('.') + QLatin1String(code)))
                << code;
    }
    void TearDown() override { qputenv("XDG_CONFIG_HOME", m_oldConfig); }

    static bool Touch(const QString &path)
    {
        QFile f(path);
        return f.open(QIODevice::WriteOnly);
    }

    static QStringList Captions(const QMenu &menu)
    {
        QStringList captions;
        for (const QAction *a : menu.actions())
            captions << a->text();
        return captions;
    }

    QTemporaryDir dir;
    QString program;
    QMenu menu;

private:
    QByteArray m_oldConfig;
};

} // namespace

TEST_F(LangMenuTest, ListsTheModulesByIdentifierUnderTheirNativeNames)
{
    ASSERT_TRUE(Touch(dir.filePath(QStringLiteral("prog.xx"))));    // not a language
    ASSERT_TRUE(Touch(dir.filePath(QStringLiteral("other.fr"))));   // another program's module
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("prog.it"))); // a folder, not a module
    TLangMenu lang(&menu, program);
    EXPECT_EQ(Captions(menu), (QStringList{QStringLiteral("čeština"), QStringLiteral("Deutsch")}));
    ASSERT_EQ(menu.actions().size(), 2);
    EXPECT_EQ(menu.actions()[0]->data().toInt(), 5);
    EXPECT_EQ(menu.actions()[1]->data().toInt(), 7);
    EXPECT_FALSE(menu.actions()[0]->isCheckable());
    EXPECT_EQ(lang.Lang().LangDir, dir.path() + QLatin1Char('/'));
    EXPECT_EQ(lang.Lang().LangBaseName, QStringLiteral("prog"));
}

TEST_F(LangMenuTest, ARenamedProgramHidesTheModules)
{
    const QString renamed = dir.filePath(QStringLiteral("prog2"));
    ASSERT_TRUE(QFile::rename(program, renamed));
    TLangMenu lang(&menu, renamed);
    EXPECT_TRUE(menu.actions().isEmpty());
}

TEST_F(LangMenuTest, AClickWritesTheOverrideAndTellsToRestartInTheChosenLanguage)
{
    struct Case {
        int item;
        const char *code;
        const char *caption;
        const char *message;
    };
    const Case cases[] = {
        {0, "cs", "Informace", "Aby se změna jazyka projevila, musíte aplikaci restartovat."},
        {1, "de", "Information", "Die Sprachänderung wird erst nach einem Neustart der Anwendung wirksam."},
        {1, "de", "Information", "Die Sprachänderung wird erst nach einem Neustart der Anwendung wirksam."},
    };
    TLangMenu lang(&menu, program);
    ASSERT_EQ(menu.actions().size(), 2);
    for (const Case &c : cases) {
        SCOPED_TRACE(c.code);
        QList<TDialogRequest> shown;
        TDialogAnswerScope answer([&](const TDialogRequest &r) {
            shown << r;
            return 1;
        });
        menu.actions()[c.item]->trigger();
        ASSERT_EQ(shown.size(), 1);
        EXPECT_EQ(shown[0].Kind, TMsgKind::Information);
        EXPECT_EQ(shown[0].Caption, QString::fromUtf8(c.caption));
        EXPECT_EQ(shown[0].Text, QString::fromUtf8(c.message));
        EXPECT_EQ(ReadLanguageOverride(program), QString::fromLatin1(c.code));
    }
    // Keyed by the full path, in the per-user file.
    const QSettings store(dir.filePath(QStringLiteral("config/TalmoLoggers/LanguageOverrides.ini")),
                          QSettings::IniFormat);
    EXPECT_EQ(
        store.value(QStringLiteral("Overrides/") + QString::fromLatin1(QUrl::toPercentEncoding(program)))
            .toString(),
        QStringLiteral("de"));
    EXPECT_TRUE(ReadLanguageOverride(dir.filePath(QStringLiteral("prog2"))).isEmpty());
}

TEST_F(LangMenuTest, AModuleRemovedAfterTheMenuWasBuiltMakesTheClickDoNothing)
{
    TLangMenu lang(&menu, program);
    ASSERT_TRUE(QFile::remove(program + QStringLiteral(".cs")));
    int shown = 0;
    TDialogAnswerScope answer([&](const TDialogRequest &) { return ++shown; });
    menu.actions()[0]->trigger();
    EXPECT_EQ(shown, 0);
    EXPECT_TRUE(ReadLanguageOverride(program).isEmpty());
}

TEST_F(LangMenuTest, AModuleThatCannotBeLoadedGivesTheNoticeInTheLanguageInUse)
{
    QFile broken(program + QStringLiteral(".cs"));
    ASSERT_TRUE(broken.open(QIODevice::WriteOnly | QIODevice::Truncate));
    broken.write("not a translation");
    broken.close();
    TLangMenu lang(&menu, program);
    QList<TDialogRequest> shown;
    TDialogAnswerScope answer([&](const TDialogRequest &r) {
        shown << r;
        return 1;
    });
    menu.actions()[0]->trigger();
    ASSERT_EQ(shown.size(), 1);
    EXPECT_EQ(shown[0].Caption, QStringLiteral("Information"));
    EXPECT_EQ(shown[0].Text,
              QStringLiteral("You must restart the application for the language changes to take effect."));
    EXPECT_EQ(ReadLanguageOverride(program), QStringLiteral("cs"));
}

TEST_F(LangMenuTest, TheOverrideInstallsItsModuleAtTheNextStart)
{
    EXPECT_EQ(InstallLanguageOverride(program), nullptr) << "no override yet";
    ASSERT_TRUE(WriteLanguageOverride(program, QStringLiteral("cs")));
    {
        const std::unique_ptr<QTranslator> czech = InstallLanguageOverride(program);
        ASSERT_NE(czech, nullptr);
        EXPECT_EQ(QCoreApplication::translate("TRecFile", "Local PC Date"),
                  QStringLiteral("Místní datum PC"));
        EXPECT_EQ(QCoreApplication::translate("TDialogs", "Warning"), QStringLiteral("Upozornění"));
        EXPECT_EQ(TLang::HelpFileName(), QStringLiteral("help_czech.txt"));
        // What the program writes through its own units comes out in Czech too.
        TErrMessageList errors;
        TRecFile record(errors, QString());
        TQuantity temperature;
        temperature.SetQuanType(TQuantity::qtTemperature);
        record.Columns[0] = &temperature;
        const QString header = record.BuildHeader();
        EXPECT_TRUE(header.contains(QStringLiteral("Místní datum PC"))) << header.toStdString();
        EXPECT_TRUE(header.contains(QStringLiteral("Teplota"))) << header.toStdString();
        EXPECT_EQ(StateText(TQuantity::qtBinaryInput, 1.0), QStringLiteral("sepnuto"));
        EXPECT_EQ(StateText(TQuantity::qtCO2Level, 0.0), QStringLiteral("neaktivní"));
    }
    EXPECT_EQ(QCoreApplication::translate("TRecFile", "Local PC Date"), QStringLiteral("Local PC Date"))
        << "removed with its translator";
    EXPECT_EQ(TLang::HelpFileName(), QStringLiteral("help_english.txt"));
    ASSERT_TRUE(WriteLanguageOverride(program, QStringLiteral("fr")));
    EXPECT_EQ(InstallLanguageOverride(program), nullptr) << "no French module";
}
