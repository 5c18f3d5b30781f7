// The main window on a real X display (Xvfb) at the desktop's scale, in each language and at a
// larger application font: it opens at the size the largest device needs, and a measurement of
// the largest simulated device shows every row whole, alarm words included, without scroll bars.
// CTest runs this program at QT_SCALE_FACTOR 1 and 2.

#include "mainform_rig.h"

#include "model/uOBGlob.h"
#include "reading/uOBfSmartOutput.h"
#include "reading/uOBfrOutputRow.h"
#include "reading/uObfrOutputBase.h"

#include <QApplication>
#include <QLabel>
#include <QScrollArea>
#include <QScrollBar>
#include <QTranslator>

#include <gtest/gtest.h>

#include <optional>

namespace
{

struct FitCase {
    const char *Language; // the module's suffix; empty for the built-in English
    int FontPoints;       // 0 keeps the desktop's font
};

class MainFormFit : public ::testing::TestWithParam<FitCase>
{
protected:
    void SetUp() override
    {
        m_font = QApplication::font();
        const FitCase c = GetParam();
        if (*c.Language != '\0') {
            const QString module =
                QStringLiteral(OMBRIX_LANGUAGE_MODULE_DIR "/ombrix.%1").arg(QLatin1String(c.Language));
            ASSERT_TRUE(m_translator.emplace().load(module)) << module.toStdString();
            QCoreApplication::installTranslator(&*m_translator);
        }
        if (c.FontPoints > 0) {
            QFont font = m_font;
            font.setPointSize(c.FontPoints);
            QApplication::setFont(font);
        }
    }
    void TearDown() override
    {
        if (m_translator)
            QCoreApplication::removeTranslator(&*m_translator);
        QApplication::setFont(m_font);
    }

private:
    QFont m_font;
    std::optional<QTranslator> m_translator;
};

// Why a label of a row does not show its whole text, or nothing when it does.
std::string CutLabel(const TOBfrOutputRow &row)
{
    for (const QLabel *label : {row.lQuantName, row.lValue, row.lUnit, row.lAlarm}) {
        const int needed = label->fontMetrics().horizontalAdvance(label->text());
        if (needed > label->contentsRect().width() || label->sizeHint().height() > row.height())
            return label->objectName().toStdString() + " \"" + label->text().toStdString() + "\" needs " +
                   std::to_string(needed) + " px, has " + std::to_string(label->contentsRect().width());
    }
    return {};
}

} // namespace

TEST_P(MainFormFit, EveryRowOfTheLargestDeviceIsShownWholeWithoutScrollBars)
{
    ASSERT_EQ(QGuiApplication::platformName(), QStringLiteral("xcb")) << "run under xvfb-run";
    TMainFormRig rig;
    ASSERT_TRUE(rig.Open(QStringLiteral("farvo-xport441-co2-io.json")));
    TOBfMainForm &w = *rig.Form;
    TOBfSmartOutput popup(UserSettings.get());
    const std::unique_ptr<IPopupControl> popupControl = AttachMeasurementWindows(w, popup);
    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    const QSize opened = w.size();
    EXPECT_GE(opened.width(), 586);
    EXPECT_GE(opened.height(), 408);

    ASSERT_TRUE(rig.Connect());
    ASSERT_TRUE(rig.StartMeasuring());
    const auto *frame = qobject_cast<TObfrOutputBase *>(w.frSettings->ReaderFrame());
    ASSERT_NE(frame, nullptr);
    ASSERT_EQ(frame->RowCount(), 12);
    // The longest alarm word of the language on every row: the low one and the high one in turn.
    for (int i = 0; i < frame->RowCount(); ++i) {
        frame->Row(i)->Quantity()->AlarmState = i % 2 == 0 ? TLangQuan::asLow : TLangQuan::asHigh;
        frame->Row(i)->RefreshAlarm();
    }
    const auto *scroller = FrameChild<QScrollArea>(*w.frSettings, "sbOutPut");
    ASSERT_NE(scroller, nullptr);
    // The layouts settle in the event loop, which a loaded machine (or a sanitizer) may run late.
    const QWidget *viewport = scroller->viewport();
    const auto rowsInside = [&] {
        for (int i = 0; i < frame->RowCount(); ++i) {
            const TOBfrOutputRow &row = *frame->Row(i);
            if (!viewport->rect().contains(QRect(row.mapTo(viewport, QPoint(0, 0)), row.size())))
                return false;
        }
        return !scroller->verticalScrollBar()->isVisible() && !scroller->horizontalScrollBar()->isVisible();
    };
    QTest::qWait(100);
    EXPECT_TRUE(QTest::qWaitFor(rowsInside, 5000)) << "the rows never came to lie inside the output area";

    // The window opened large enough: the measurement did not need to grow it.
    EXPECT_EQ(w.size(), opened);
    EXPECT_FALSE(scroller->verticalScrollBar()->isVisible());
    EXPECT_FALSE(scroller->horizontalScrollBar()->isVisible());
    for (int i = 0; i < frame->RowCount(); ++i) {
        const TOBfrOutputRow &row = *frame->Row(i);
        EXPECT_EQ(CutLabel(row), "") << "row " << i;
        const QRect shown(row.mapTo(viewport, QPoint(0, 0)), row.size());
        EXPECT_TRUE(viewport->rect().contains(shown)) << "row " << i << " lies outside the output area";
    }
    // The window was sized for the largest device of all, a row more than this one.
    const TOBfrOutputRow &last = *frame->Row(frame->RowCount() - 1);
    EXPECT_LE(last.mapTo(viewport, QPoint(0, 0)).y() + 2 * last.height(), viewport->height())
        << "no room for a thirteenth row";
}

INSTANTIATE_TEST_SUITE_P(LanguagesAndFonts, MainFormFit,
                         ::testing::Values(FitCase{"", 0}, FitCase{"cs", 0}, FitCase{"de", 0},
                                           FitCase{"", 12}, FitCase{"cs", 12}, FitCase{"de", 12}),
                         [](const ::testing::TestParamInfo<FitCase> &info) {
                             return std::string(*info.param.Language ? info.param.Language : "en") +
                                    (info.param.FontPoints > 0
                                         ? "_" + std::to_string(info.param.FontPoints) + "pt"
                                         : std::string("_desktop_font"));
                         });
