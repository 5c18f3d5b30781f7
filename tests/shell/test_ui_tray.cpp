#include "shell/TalmoTrayIcon.h"

#include "FakeTrayIcon.h"

#include <QImage>
#include <QMenu>
#include <QSignalSpy>
#include <gtest/gtest.h>

#include <memory>

using TClick = Platform::TTrayIconBackend::TClick;

namespace
{

class TrayIconTest : public ::testing::Test
{
protected:
    TrayIconTest()
    {
        auto backend = std::make_unique<TFakeTrayIcon>();
        fake = backend.get();
        tray = std::make_unique<TTalmoTrayIcon>(std::move(backend));
    }

    TFakeTrayIcon *fake = nullptr; // owned by tray
    std::unique_ptr<TTalmoTrayIcon> tray;
};

} // namespace

TEST_F(TrayIconTest, ALeftClickRaisesMouseMoveAndClickOthersNothingButTheMenu)
{
    QSignalSpy moves(tray.get(), &TTalmoTrayIcon::OnMouseMove);
    QSignalSpy clicks(tray.get(), &TTalmoTrayIcon::OnClick);
    struct Case {
        TClick click;
        int moves;
        int clicks;
    };
    const Case cases[] = {
        {TClick::Left, 1, 1},
        {TClick::Double, 1, 0},
        {TClick::Right, 0, 0},
        {TClick::Middle, 0, 0},
    };
    for (const Case &c : cases) {
        moves.clear();
        clicks.clear();
        fake->Click(c.click);
        EXPECT_EQ(moves.count(), c.moves) << int(c.click);
        EXPECT_EQ(clicks.count(), c.clicks) << int(c.click);
    }
}

TEST_F(TrayIconTest, ARightClickOpensThePopupMenuUntilTheMenuIsDestroyed)
{
    fake->Click(TClick::Right);
    EXPECT_EQ(fake->MenuOpenings, 0); // no menu yet

    auto menu = std::make_unique<QMenu>();
    tray->SetPopupMenu(menu.get());
    EXPECT_EQ(tray->PopupMenu(), menu.get());
    fake->Click(TClick::Right);
    EXPECT_EQ(fake->MenuOpenings, 1);

    menu.reset();
    EXPECT_EQ(tray->PopupMenu(), nullptr);
    EXPECT_EQ(fake->ContextMenu, nullptr);
    fake->Click(TClick::Right);
    EXPECT_EQ(fake->MenuOpenings, 1);
}

TEST_F(TrayIconTest, TheIconIsInTheAreaExactlyWhileVisibleAndChangesReachItOnlyThen)
{
    tray->SetHint(QStringLiteral("Ombrix"));
    tray->SetIcon(TrayStateIconFile(1));
    EXPECT_TRUE(fake->Requests->isEmpty()); // nothing shown yet, nothing asked

    tray->SetIconVisible(true);
    EXPECT_EQ(*fake->Requests, QStringList({QStringLiteral("icon :/icons/tray-connected.svg"),
                                            QStringLiteral("tip Ombrix"), QStringLiteral("visible")}));

    fake->Requests->clear();
    tray->SetIconVisible(true);              // the value it already has: nothing is sent
    tray->SetHint(QStringLiteral("Ombrix")); // the same hint: nothing either
    tray->SetIcon(TrayStateIconFile(4));
    tray->SetHint(QString(70, QLatin1Char('h'))); // longer than a tip may be
    EXPECT_EQ(*fake->Requests, QStringList({QStringLiteral("icon :/icons/tray-paused.svg"),
                                            QStringLiteral("tip ") + QString(63, QLatin1Char('h'))}));
    EXPECT_EQ(tray->Hint().size(), 70); // the component keeps the whole text

    fake->Requests->clear();
    tray->SetIcon(QString()); // no picture: the application's own
    EXPECT_EQ(fake->IconFile, ApplicationIconFile());
}

TEST(TrayIconLifetime, DestructionRemovesTheIconAndAvailabilityComesFromTheArea)
{
    auto backend = std::make_unique<TFakeTrayIcon>();
    TFakeTrayIcon *fake = backend.get();
    const std::shared_ptr<QStringList> requests = fake->Requests;
    auto tray = std::make_unique<TTalmoTrayIcon>(std::move(backend));

    fake->Available = false;
    EXPECT_FALSE(tray->IsAvailable());
    fake->Available = true;
    EXPECT_TRUE(tray->IsAvailable());

    tray->SetIconVisible(true);
    tray.reset();
    ASSERT_FALSE(requests->isEmpty());
    EXPECT_EQ(requests->last(), QStringLiteral("hidden"));
}

TEST(TrayIconPictures, EveryStatePictureIsA16By16Resource)
{
    for (int index = 0; index < TrayStateIconCount; ++index) {
        const QImage image(TrayStateIconFile(index));
        EXPECT_EQ(image.size(), QSize(16, 16)) << index;
    }
    EXPECT_FALSE(QImage(ApplicationIconFile()).isNull());
    // Indexes outside the five show the application's picture rather than nothing.
    EXPECT_EQ(TrayStateIconFile(5), ApplicationIconFile());
}

TEST(TrayIconQt, WithoutANotificationAreaTheRealTrayReportsItUnavailable)
{
    // The offscreen platform has no notification area, like the build machines.
    TTalmoTrayIcon tray;
    EXPECT_FALSE(tray.IsAvailable());
    tray.SetIcon(TrayStateIconFile(0));
    tray.SetIconVisible(true);
    EXPECT_TRUE(tray.IconVisible());
}
