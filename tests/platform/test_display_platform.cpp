#include "platform/DisplayPlatform.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using Platform::ChooseQpaPlatform;
using Platform::TDisplayEnvironment;

TEST(DisplayPlatformTest, AWaylandSessionRunsThroughXWaylandUnlessTheUserChose)
{
    struct Case {
        const char *name;
        TDisplayEnvironment environment;
        const char *platform;
    };
    const QString wl = QStringLiteral("wayland-0");
    const QString x = QStringLiteral(":0");
    const QString wayland = QStringLiteral("wayland");
    const Case cases[] = {
        {"wayland display", {{}, wl, {}, x, true}, "xcb"},
        {"wayland session type", {{}, {}, wayland, x, true}, "xcb"},
        {"session type in capitals", {{}, {}, QStringLiteral("Wayland"), x, true}, "xcb"},
        {"user chose wayland", {QStringLiteral("wayland"), wl, wayland, x, true}, ""},
        {"user chose offscreen", {QStringLiteral("offscreen"), wl, wayland, x, true}, ""},
        {"empty choice counts as none", {QString(""), wl, wayland, x, true}, "xcb"},
        {"no xcb plugin", {{}, wl, wayland, x, false}, ""},
        {"no X display reachable", {{}, wl, wayland, {}, true}, ""},
        {"an X11 session", {{}, {}, QStringLiteral("x11"), x, true}, ""},
        {"no session at all", {{}, {}, {}, {}, true}, ""},
    };
    for (const Case &c : cases)
        EXPECT_EQ(ChooseQpaPlatform(c.environment), QString::fromUtf8(c.platform)) << c.name;
}

TEST(DisplayPlatformTest, TheXcbPluginIsFoundInThePlatformsFolder)
{
    QTemporaryDir without, with;
    ASSERT_TRUE(QDir(with.path()).mkpath(QStringLiteral("platforms")));
    QFile plugin(with.filePath(QStringLiteral("platforms/libqxcb.so")));
    ASSERT_TRUE(plugin.open(QIODevice::WriteOnly));
    plugin.close();

    EXPECT_FALSE(Platform::XcbPluginIn({}));
    EXPECT_FALSE(Platform::XcbPluginIn({without.path()}));
    EXPECT_TRUE(Platform::XcbPluginIn({without.path(), with.path()}));
}

TEST(DisplayPlatformTest, TheChoiceIsSetForTheApplicationObject)
{
    const QByteArray saved[] = {qgetenv("QT_QPA_PLATFORM"), qgetenv("WAYLAND_DISPLAY"),
                                qgetenv("XDG_SESSION_TYPE"), qgetenv("DISPLAY"), qgetenv("QT_PLUGIN_PATH")};
    QTemporaryDir plugins;
    ASSERT_TRUE(QDir(plugins.path()).mkpath(QStringLiteral("platforms")));
    QFile plugin(plugins.filePath(QStringLiteral("platforms/libqxcb.so")));
    ASSERT_TRUE(plugin.open(QIODevice::WriteOnly));
    plugin.close();

    qunsetenv("QT_QPA_PLATFORM");
    qputenv("WAYLAND_DISPLAY", "wayland-1");
    qputenv("DISPLAY", ":5");
    qputenv("QT_PLUGIN_PATH", plugins.path().toLocal8Bit());
    EXPECT_EQ(Platform::ApplyQpaPlatformChoice(), QStringLiteral("xcb"));
    EXPECT_EQ(qgetenv("QT_QPA_PLATFORM"), QByteArray("xcb"));

    // The user's own choice stays.
    qputenv("QT_QPA_PLATFORM", "wayland");
    EXPECT_EQ(Platform::ApplyQpaPlatformChoice(), QString());
    EXPECT_EQ(qgetenv("QT_QPA_PLATFORM"), QByteArray("wayland"));

    const char *names[] = {"QT_QPA_PLATFORM", "WAYLAND_DISPLAY", "XDG_SESSION_TYPE", "DISPLAY",
                           "QT_PLUGIN_PATH"};
    for (int i = 0; i < 5; ++i) {
        if (saved[i].isNull())
            qunsetenv(names[i]);
        else
            qputenv(names[i], saved[i]);
    }
}
