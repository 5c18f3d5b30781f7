// The popup window: its settings, its rows' layout and colours, its place and fade, dragging.
#include "reading/uChartHistory.h"
#include "reading/uOBfSmartOutput.h"
#include "reading/uOBfrSmartOutputRow.h"
#include "reading/uPopupLayout.h"

#include "base/uSettingsStore.h"
#include "model/uOBGlob.h"

#include <QCursor>
#include <QGuiApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>

namespace
{

class PopupTest : public ::testing::Test
{
protected:
    QTemporaryDir dir;
    std::unique_ptr<TSettingsStore> store =
        std::make_unique<TSettingsStore>(dir.filePath(QStringLiteral("Ombrix.ini")), false);
    TLangQuan temperature, humidity;
    TChartHistory history; // the popup shows no history

    void SetUp() override
    {
        temperature.SetQuanType(TQuantity::qtTemperature);
        humidity.SetQuanType(TQuantity::qtRelativeHumidity);
    }

    // The rows of a starting measurement, as the reader core tells its views.
    void AddRows(TOBfSmartOutput &popup, std::initializer_list<TLangQuan *> quantities)
    {
        int row = 0;
        for (TLangQuan *q : quantities)
            popup.QuantityAdded(row++, *q, history);
    }
};

QColor PanelColour(const QWidget *w)
{
    return w->palette().color(QPalette::Window);
}

// The colour the widget's text is drawn with.
QColor TextColour(const QWidget *w)
{
    return w->palette().color(w->foregroundRole());
}

void SendMouse(QWidget *target, QEvent::Type type, const QPoint &global)
{
    QMouseEvent event(type, QPointF(target->mapFromGlobal(global)), QPointF(global), Qt::LeftButton,
                      type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(target, &event);
}

} // namespace

TEST_F(PopupTest, ReadsItsKeysAtCreationAndWritesThemWhenDestroyed)
{
    namespace K = SettingsKeys;
    {
        TOBfSmartOutput popup(store.get());
        EXPECT_EQ(popup.TextColor(), 12632256u);
        EXPECT_EQ(popup.BackColor(), 8404992u);
        EXPECT_EQ(popup.GetSizeName(), QStringLiteral("Small"));
        EXPECT_EQ(popup.Transparency(), 100);
        EXPECT_TRUE(popup.TitleVisible());
        EXPECT_FALSE(popup.Horizontal());
        EXPECT_TRUE(popup.QuantityTitles());
        EXPECT_TRUE(popup.AutoPos());
        const QRect workArea = popup.screen()->availableGeometry();
        EXPECT_EQ(popup.pos(), QPoint(workArea.right() + 2, workArea.bottom() + 2))
            << "just beyond the work area's corner";
    }
    store->WriteInteger(K::SecPopupWindow, K::KeyFontColor, 0x0000FF);
    store->WriteString(K::SecPopupWindow, K::KeySize, QStringLiteral("Large"));
    store->WriteInteger(K::SecPopupWindow, K::KeyTransparency, 50);
    store->WriteBool(K::SecPopupWindow, K::KeyVisibleTitle, false);
    store->WriteBool(K::SecPopupWindow, K::KeyLayOutHorizontally, true);
    store->WriteBool(K::SecPopupWindow, K::KeyVisibleQuantityTitles, false);
    store->WriteInteger(K::SecPopupWindow, K::KeyTop, 100);
    store->WriteInteger(K::SecPopupWindow, K::KeyLeft, 300);
    store->WriteBool(K::SecPopupWindow, K::KeyAutoPos, false);
    {
        TOBfSmartOutput popup(store.get());
        EXPECT_EQ(ColorFromBgr(popup.TextColor()), QColor(255, 0, 0));
        EXPECT_EQ(popup.RowSize(), 2);
        EXPECT_EQ(popup.Transparency(), 50);
        EXPECT_FALSE(popup.TitleVisible());
        EXPECT_TRUE(popup.Horizontal());
        EXPECT_FALSE(popup.QuantityTitles());
        EXPECT_FALSE(popup.AutoPos());
        EXPECT_EQ(popup.pos(), QPoint(100, 300)) << "TOP holds the left edge, LEFT the top edge";
        popup.SetSizeName(QStringLiteral("Medium"));
        popup.SetBackColor(0x00FF00);
        popup.move(120, 250);
    }
    EXPECT_EQ(store->ReadString(K::SecPopupWindow, K::KeySize, {}), QStringLiteral("Medium"));
    EXPECT_EQ(store->ReadInteger(K::SecPopupWindow, K::KeyBackgroundColor, 0), 0x00FF00);
    EXPECT_EQ(store->ReadInteger(K::SecPopupWindow, K::KeyTop, 0), 120);
    EXPECT_EQ(store->ReadInteger(K::SecPopupWindow, K::KeyLeft, 0), 250);
    EXPECT_FALSE(store->ReadBool(K::SecPopupWindow, K::KeyVisibleTitle, true));
    EXPECT_FALSE(store->ReadBool(K::SecPopupWindow, K::KeyAutoPos, true));
}

TEST_F(PopupTest, RowsAreLaidOutAgainForEverySizeAndClearedWithTheirCaption)
{
    TOBfSmartOutput popup(nullptr);
    AddRows(popup, {&temperature, &humidity});
    ASSERT_EQ(popup.RowCount(), 2);
    EXPECT_EQ(popup.GetRow(0)->lQuantName->text(), temperature.GetName()) << "titles lose their colon";
    EXPECT_EQ(popup.height(), 2 * 25 + 4);
    const int smallWidth = popup.width();

    popup.SetSizeName(QStringLiteral("Large"));
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(popup.GetRow(i)->lValue->font().pointSize(), 16);
        EXPECT_EQ(popup.GetRow(i)->geometry(), QRect(0, 35 * i, popup.width(), 35));
    }
    EXPECT_EQ(popup.height(), 2 * 35 + 4);
    EXPECT_GT(popup.width(), smallWidth);

    popup.SetQuantityTitles(false);
    EXPECT_TRUE(popup.GetRow(0)->lQuantName->text().isEmpty());
    EXPECT_EQ(popup.GetRow(0)->lValue->x(), 0) << "the value column starts at the left edge";

    popup.SetSerialNumber(QStringLiteral("07120033"));
    EXPECT_EQ(popup.windowTitle(), QStringLiteral("Serial number: 07120033"));
    popup.ReadingStopped();
    EXPECT_EQ(popup.RowCount(), 0);
    EXPECT_EQ(
        popup.findChild<QWidget *>(QStringLiteral("pRows"))->findChildren<TOBfrSmartOutputRow *>().size(), 0);
    EXPECT_EQ(popup.windowTitle(), QStringLiteral("Serial number: --------"));
}

TEST_F(PopupTest, RowTurnsRedWithYellowTextWhileFailedOrInAlarm)
{
    TOBfSmartOutput popup(nullptr);
    popup.SetTextColor(0xC0C0C0);
    popup.SetBackColor(0x804000);
    AddRows(popup, {&temperature});
    TOBfrSmartOutputRow *row = popup.GetRow(0);
    EXPECT_EQ(PanelColour(row->pTop), ColorFromBgr(DarkenColor(0x804000, 75)));

    struct Case {
        const char *name;
        bool readOK;
        std::uint8_t alarmState;
        bool red;
    };
    const Case cases[] = {{"good", true, 0, false},
                          {"high alarm", true, 2, true},
                          {"failed reading", false, 0, true},
                          {"cleared", true, 0, false}};
    temperature.Value = 21.5;
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        temperature.ReadOK = c.readOK;
        temperature.AlarmState = c.alarmState;
        row->Refresh();
        EXPECT_EQ(PanelColour(row->pRow), c.red ? QColor(Qt::red) : QColor(0, 0x40, 0x80));
        for (QLabel *label : {row->lQuantName, row->lValue, row->lUnit})
            EXPECT_EQ(TextColour(label), c.red ? QColor(Qt::yellow) : QColor(0xC0, 0xC0, 0xC0));
    }
}

TEST_F(PopupTest, ShownInTheCornerWithItsOpacityAndRefusesToClose)
{
    TOBfSmartOutput popup(nullptr);
    AddRows(popup, {&temperature});
    popup.SetTransparency(50);
    popup.ApplyTransparency();
    EXPECT_EQ(popup.Opacity(), 128);
    popup.ShowPlaced();
    ASSERT_TRUE(popup.isVisible());
    const QRect workArea = popup.screen()->availableGeometry();
    const QSize size = popup.frameGeometry().size();
    EXPECT_EQ(popup.pos(),
              QPoint(workArea.right() + 1 - size.width() - 5, workArea.bottom() + 1 - size.height() - 5));
    EXPECT_TRUE(popup.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_FALSE(popup.close());
    EXPECT_TRUE(popup.isVisible());

    // Without automatic placement a place dragged off the screen comes back inside.
    popup.SetAutoPos(false);
    popup.move(workArea.right() + 500, workArea.top() + 40);
    popup.PlaceWindow();
    EXPECT_EQ(popup.pos(), QPoint(workArea.right() + 1 - size.width() - 5, workArea.top() + 40));
}

TEST_F(PopupTest, HidableModeFadesOutAndHides)
{
    TOBfSmartOutput popup(nullptr);
    AddRows(popup, {&temperature});
    std::int64_t now = 1000;
    popup.Clock = [&] { return now; };
    popup.SetPopupHidable(true);
    popup.StartFade();
    ASSERT_TRUE(popup.isVisible());
    EXPECT_EQ(popup.Opacity(), 255);
    now = 1000 + 5000;
    EXPECT_TRUE(QTest::qWaitFor([&] { return popup.Opacity() == 50; }, 5000));
    popup.StartFade(); // pointed at again: full opacity from now on
    EXPECT_EQ(popup.Opacity(), 255);
    EXPECT_EQ(popup.FadeStarted(), now);
    now += 5788;
    EXPECT_TRUE(QTest::qWaitFor([&] { return !popup.isVisible(); }, 5000));
    EXPECT_EQ(popup.Opacity(), 255);
    EXPECT_FALSE(popup.IsFading());

    popup.SetPopupHidable(false); // stays on top: the timer leaves it alone
    popup.StartFade();
    now += 100000;
    QTest::qWait(3 * FadeStepMs);
    EXPECT_TRUE(popup.isVisible());
    EXPECT_EQ(popup.Opacity(), 255);
}

TEST_F(PopupTest, DraggedByAnyRowLabelWithTheMoveCursor)
{
    TOBfSmartOutput popup(nullptr);
    AddRows(popup, {&temperature, &humidity});
    popup.move(300, 200);
    popup.show();
    QLabel *grip = popup.GetRow(1)->lValue;
    const QPoint start(320, 240);
    SendMouse(grip, QEvent::MouseButtonPress, start);
    ASSERT_NE(QGuiApplication::overrideCursor(), nullptr);
    EXPECT_EQ(QGuiApplication::overrideCursor()->shape(), Qt::SizeAllCursor);
    SendMouse(grip, QEvent::MouseMove, start + QPoint(15, 5));
    EXPECT_EQ(popup.pos(), QPoint(315, 205));
    SendMouse(grip, QEvent::MouseButtonRelease, start + QPoint(40, -30));
    EXPECT_EQ(popup.pos(), QPoint(340, 170));
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
    SendMouse(grip, QEvent::MouseMove, start + QPoint(90, 90));
    EXPECT_EQ(popup.pos(), QPoint(340, 170)) << "no drag without a pressed button";
}

TEST_F(PopupTest, RowWithoutQuantityIsRefused)
{
    try {
        TOBfrSmartOutputRow row(nullptr);
        FAIL() << "created";
    } catch (const std::exception &e) {
        EXPECT_STREQ(e.what(), "[interrupt] TOBfrSmartOutputRow.Create(Quant: TLangQuan)");
    }
}
