// The popup window settings dialog on a real popup window, and the logo frame's link.
#include "reading/uOBfSmartOutput.h"
#include "reading/uPopupLayout.h"
#include "shell/uOBfPopupSettings.h"
#include "shell/uOBfrLogo.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

namespace
{

const TPopupLook Before{0x000000, 0xFFFFFF, 0, 75, true, false, true, true};
const TPopupLook Changed{0x0000FF, 0x00FF00, 2, 40, false, true, false, false};

void SetLook(TOBfSmartOutput &popup, const TPopupLook &look)
{
    popup.SetTextColor(look.FontColor);
    popup.SetBackColor(look.BackColor);
    popup.SetRowSize(look.Size);
    popup.SetTransparency(look.Opacity);
    popup.SetTitleVisible(look.TitleVisible);
    popup.SetHorizontal(look.Horizontal);
    popup.SetQuantityTitles(look.QuantityTitles);
    popup.SetAutoPos(look.AutoPos);
}

void Click(QAbstractButton *b)
{
    b->click();
}

// Turns every control of the dialog to the Changed look, as a user would.
void ChangeEverything(TOBfPopupSettings &d)
{
    // The font colour is picked first, then the background.
    d.cdColorDlg = [calls = 0](QWidget *, const QColor &) mutable {
        return ColorOfBgr(calls++ == 0 ? Changed.FontColor : Changed.BackColor);
    };
    QTest::mouseClick(d.bFontColor, Qt::LeftButton);
    QTest::mouseClick(d.bBgColor, Qt::LeftButton);
    d.cbSize->setCurrentIndex(Changed.Size);
    d.tbTransparency->setValue(Changed.Opacity);
    Click(d.cbTitleVisible);
    Click(d.rbHorizontally);
    Click(d.cbQuantsVisible);
    Click(d.rbPosCustom);
}

// Runs the modal dialog of ShowPopupSettings, changes every control and presses the button.
bool RunDialog(TOBfSmartOutput &popup, bool running, bool ok)
{
    QTimer::singleShot(0, [ok] {
        auto *d = qobject_cast<TOBfPopupSettings *>(QApplication::activeModalWidget());
        ASSERT_NE(d, nullptr);
        ChangeEverything(*d);
        EXPECT_EQ(d->Chosen, Changed);
        QTest::mouseClick(ok ? d->bOk : d->bCancel, Qt::LeftButton);
    });
    return ShowPopupSettings(nullptr, popup, running);
}

} // namespace

TEST(PopupSettingsDialog, OpensWithTheInitialValues)
{
    struct Case {
        int opacity;
        int track;
        const char *label;
    };
    for (const Case &c : {Case{75, 75, "75%"}, Case{10, 25, "25%"}, Case{130, 100, "100%"}}) {
        SCOPED_TRACE(c.opacity);
        TOBfPopupSettings d;
        d.Initial = Before;
        d.Initial.Opacity = c.opacity;
        d.show();
        EXPECT_EQ(d.tbTransparency->value(), c.track);
        EXPECT_EQ(d.lTransparencyValue->text(), QString::fromLatin1(c.label));
        EXPECT_EQ(d.Chosen, d.Initial) << "the opacity stays as given";
        EXPECT_EQ(d.cbSize->currentText(), QStringLiteral("Small"));
        EXPECT_TRUE(d.cbTitleVisible->isChecked());
        EXPECT_TRUE(d.rbVertically->isChecked());
        EXPECT_TRUE(d.cbQuantsVisible->isChecked());
        EXPECT_TRUE(d.rbPosAuto->isChecked());
        EXPECT_EQ(d.pBgColor->palette().color(QPalette::Window), QColor(Qt::white));
    }
}

TEST(PopupSettingsDialog, EveryControlSetsItsChosenValueAndACancelledColourNothing)
{
    TOBfPopupSettings d;
    d.Initial = Before;
    d.show();
    ChangeEverything(d);
    EXPECT_EQ(d.Chosen, Changed);
    EXPECT_EQ(d.Initial, Before);
    EXPECT_EQ(d.pFontColor->palette().color(QPalette::Window), QColor(Qt::red));
    EXPECT_EQ(d.lTransparencyValue->text(), QStringLiteral("40%"));
    d.cdColorDlg = [](QWidget *, const QColor &) { return QColor(); };
    QTest::mouseClick(d.bFontColor, Qt::LeftButton);
    EXPECT_EQ(d.Chosen.FontColor, Changed.FontColor);
}

TEST(PopupSettingsDialog, CancelLeavesThePopupAndOkAppliesEverythingAtOnceOnTop)
{
    for (const bool ok : {false, true}) {
        SCOPED_TRACE(ok ? "OK" : "Cancel");
        TOBfSmartOutput popup(nullptr);
        SetLook(popup, Before);
        popup.SetPopupHidable(false);
        popup.ApplyTransparency();
        popup.ShowPlaced();
        const int opacityBefore = popup.Opacity();
        EXPECT_EQ(RunDialog(popup, true, ok), ok);
        EXPECT_EQ(PopupLookOf(popup), ok ? Changed : Before);
        EXPECT_EQ(popup.Opacity(), ok ? OpacityOfTransparency(Changed.Opacity) : opacityBefore);
        EXPECT_EQ(popup.windowFlags().testFlag(Qt::FramelessWindowHint), ok);
        EXPECT_TRUE(popup.isVisible());
    }
}

TEST(PopupSettingsDialog, OkWithAHidablePopupShowsItFadingOnlyWhileMeasuring)
{
    for (const bool running : {false, true}) {
        SCOPED_TRACE(running ? "running" : "idle");
        TOBfSmartOutput popup(nullptr);
        SetLook(popup, Before);
        popup.SetPopupHidable(true);
        ASSERT_FALSE(popup.isVisible());
        EXPECT_TRUE(RunDialog(popup, running, true));
        EXPECT_EQ(popup.isVisible(), running);
        EXPECT_EQ(popup.IsFading(), running);
        if (running) {
            EXPECT_EQ(popup.Opacity(), 255);
        }
        EXPECT_EQ(popup.Transparency(), Changed.Opacity);
    }
}

TEST(LogoFrame, AClickOpensTheLinkOnlyWhenEnabled)
{
    TOBfrLogo logo;
    logo.resize(TOBfrLogo::LogoWidth, TOBfrLogo::LogoHeight);
    logo.show();
    QList<QUrl> opened;
    logo.UrlOpener = [&](const QUrl &url) {
        opened << url;
        return false; // a failure is not reported
    };
    logo.LinkUrl = QStringLiteral("https://reseller.example/ombrix");
    EXPECT_EQ(logo.iLogo->cursor().shape(), Qt::ArrowCursor);
    QTest::mouseClick(logo.iLogo, Qt::LeftButton);
    EXPECT_TRUE(opened.isEmpty());

    logo.SetLinkEnabled(true);
    EXPECT_EQ(logo.iLogo->cursor().shape(), Qt::PointingHandCursor);
    EXPECT_EQ(logo.pAll->cursor().shape(), Qt::PointingHandCursor);
    QTest::mouseClick(logo.iLogo, Qt::LeftButton);
    QTest::mouseClick(logo.pAll, Qt::LeftButton, {}, QPoint(1, 1));
    EXPECT_EQ(opened, (QList<QUrl>{QUrl(QStringLiteral("https://reseller.example/ombrix")),
                                   QUrl(QStringLiteral("https://reseller.example/ombrix"))}));

    logo.SetLinkEnabled(false);
    EXPECT_EQ(logo.pAll->cursor().shape(), Qt::ArrowCursor);
    QTest::mouseClick(logo.iLogo, Qt::LeftButton);
    EXPECT_EQ(opened.size(), 2);
    EXPECT_EQ(logo.iLogo->pixmap().size(), QSize(176, 356));
}
