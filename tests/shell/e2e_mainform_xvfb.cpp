// The main window on a real X display (Xvfb), driven by the keyboard through a whole session:
// connect with Enter, start, a few ticks, stop, disconnect, close.

#include "mainform_rig.h"

#include "discovery/IPEdit.h"
#include "reading/uOBfSmartOutput.h"
#include "reading/uObfrOutputBase.h"

#include <QGuiApplication>

#include <gtest/gtest.h>

namespace
{

// Sends a key to whatever has the focus now, as a person at the keyboard does.
void PressKey(Qt::Key key)
{
    QWidget *target = QApplication::focusWidget();
    ASSERT_NE(target, nullptr) << "nothing has the focus";
    QTest::keyClick(target, key);
}

} // namespace

TEST(MainFormOnX, AWholeSessionByKeyboard)
{
    ASSERT_EQ(QGuiApplication::platformName(), QStringLiteral("xcb")) << "run under xvfb-run";
    TMainFormRig rig;
    ASSERT_TRUE(rig.Open());
    TOBfMainForm &w = *rig.Form;
    TOBfrSettings &f = *w.frSettings;
    // The program's own popup window and reader frame instead of the recording ones.
    TOBfSmartOutput popup(UserSettings.get());
    const std::unique_ptr<IPopupControl> popupControl = AttachMeasurementWindows(w, popup);
    const QString csv = rig.CsvPath(QStringLiteral("Session.csv"));
    f.SetLogToCsvSilently(true);
    f.SetCsvFileName(csv);
    w.show();
    w.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&w));

    // The address field has the focus on an Ethernet connection; Enter connects.
    ASSERT_TRUE(QTest::qWaitFor([] { return QApplication::focusWidget() != nullptr; }));
    EXPECT_TRUE(w.frConnection->ConnPars()->IPEdit()->isAncestorOf(QApplication::focusWidget()) ||
                QApplication::focusWidget() == w.frConnection->ConnPars()->IPEdit());
    PressKey(Qt::Key_Return);
    ASSERT_TRUE(w.frConnection->Connected());
    ASSERT_TRUE(QTest::qWaitFor([&] { return f.isVisible(); }));

    // Start has the focus now; Space presses it.
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return QApplication::focusWidget() == FrameChild<QPushButton>(f, "bStartStop"); }));
    PressKey(Qt::Key_Space);
    ASSERT_TRUE(f.IsRunning());
    EXPECT_EQ(w.StateIconIndex(), 3);
    ASSERT_TRUE(rig.WaitForLines(csv, 6)); // three header lines and three ticks
    const auto *readerFrame = qobject_cast<TObfrOutputBase *>(f.ReaderFrame());
    ASSERT_NE(readerFrame, nullptr);
    EXPECT_TRUE(readerFrame->isVisible());
    EXPECT_GT(readerFrame->RowCount(), 0);
    EXPECT_EQ(popup.RowCount(), readerFrame->RowCount());

    PressKey(Qt::Key_Space); // Stop keeps the focus
    EXPECT_FALSE(f.IsRunning());
    EXPECT_EQ(f.ReaderFrame(), nullptr);
    EXPECT_EQ(popup.RowCount(), 0);
    EXPECT_FALSE(popup.isVisible());
    const int records = FileLines(csv).size();
    QTest::qWait(1500);
    EXPECT_EQ(FileLines(csv).size(), records) << "a stopped measurement must not write";

    FrameChild<QPushButton>(f, "bDisconnect")->setFocus();
    PressKey(Qt::Key_Space);
    EXPECT_FALSE(w.frConnection->Connected());
    ASSERT_TRUE(QTest::qWaitFor([&] { return w.frConnection->isVisible(); }));

    bool closed = false;
    QObject::connect(&w, &TOBfMainForm::Closed, [&] { closed = true; });
    EXPECT_TRUE(w.close());
    EXPECT_TRUE(closed);
    EXPECT_EQ(UserSettings->ReadString(QStringLiteral("SETTINGS"), QStringLiteral("CSV_NAME"), QString()),
              csv);
    EXPECT_TRUE(rig.Dialogs.isEmpty());
    rig.Form.reset(); // before the popup, as in the program
}
