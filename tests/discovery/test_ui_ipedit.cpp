// The IP address edit control driven by key events: typing, moving between the
// boxes, pasting and the text accessors.
#include "discovery/IPEdit.h"

#include <QApplication>
#include <QClipboard>
#include <QDialog>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QVBoxLayout>

#include <gtest/gtest.h>

#include <vector>

namespace
{

struct Stroke {
    Qt::Key key;
    Qt::KeyboardModifiers mods = Qt::NoModifier;
};

std::vector<Stroke> Typed(const char *digitsAndDots)
{
    std::vector<Stroke> s;
    for (const char *p = digitsAndDots; *p; ++p) {
        if (*p == '.')
            s.push_back({Qt::Key_Period});
        else if (*p >= '0' && *p <= '9')
            s.push_back({static_cast<Qt::Key>(Qt::Key_0 + (*p - '0'))});
        else
            s.push_back({static_cast<Qt::Key>(Qt::Key_A + (*p - 'a'))});
    }
    return s;
}

// The control alone in a shown, active window, so focus moves like on a desktop.
class IPEditTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        auto *layout = new QVBoxLayout(&window);
        edit = new TIPEdit(&window);
        layout->addWidget(edit);
        window.show();
        window.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    }

    // Puts the focus into a box; caret -1 selects its whole text.
    void Enter(int box, int caret)
    {
        edit->Box(box)->setFocus();
        if (caret < 0)
            edit->Box(box)->selectAll();
        else
            edit->Box(box)->setCursorPosition(caret);
    }

    void Press(const std::vector<Stroke> &strokes)
    {
        for (const Stroke &s : strokes)
            QTest::keyClick(QApplication::focusWidget(), s.key, s.mods);
    }

    int FocusedBox() const
    {
        for (int i = 0; i < 4; ++i) {
            if (edit->Box(i)->hasFocus())
                return i;
        }
        return -1;
    }

    QWidget window;
    TIPEdit *edit = nullptr;
};

} // namespace

TEST_F(IPEditTest, WritingTheTextFillsTheBoxesByTheSplittingRule)
{
    struct Case {
        const char *written;
        const char *shown;
    };
    const Case cases[] = {
        {"10.20.30", "10.20.30.0"},
        {"", "0.0.0.0"},
        {"1.2.3.4.5", "1.2.3.4"},
        {"300.1.1.1", "0.1.1.1"},
        {" 192 . 168 .1. 5 ", "192.168.1.5"},
        {"010.001.000.255", "10.1.0.255"},
        {"a.b.c.d", "0.0.0.0"},
        {"1234.1.1.1", "0.1.1.1"},
        {"-1.2.3.4", "0.2.3.4"},
        {"1..3", "1.0.3.0"},
        {"255.255.255.255", "255.255.255.255"},
    };
    EXPECT_EQ(edit->Text(), QStringLiteral("0.0.0.0")) << "a new control";
    for (const Case &c : cases) {
        SCOPED_TRACE(c.written);
        edit->SetText(QString::fromUtf8(c.written));
        EXPECT_EQ(edit->Text(), QString::fromUtf8(c.shown));
        const QStringList parts = QString::fromUtf8(c.shown).split(QLatin1Char('.'));
        for (int i = 0; i < 4; ++i)
            EXPECT_EQ(edit->Box(i)->text(), parts[i]) << i;
    }
}

TEST_F(IPEditTest, ValuePacksTheFirstOctetIntoTheLowestByte)
{
    edit->SetText(QStringLiteral("1.2.3.4"));
    EXPECT_EQ(edit->Value(), 4u * (1u << 24) + 3u * (1u << 16) + 2u * (1u << 8) + 1u);
    edit->SetValue(5u * (1u << 24) + 1u * (1u << 16) + 168u * (1u << 8) + 192u);
    EXPECT_EQ(edit->Text(), QStringLiteral("192.168.1.5"));
    edit->SetValue(0);
    EXPECT_EQ(edit->Text(), QStringLiteral("0.0.0.0"));
}

TEST_F(IPEditTest, TypingAndNavigationKeys)
{
    const Qt::KeyboardModifiers ctrl = Qt::ControlModifier;
    struct Case {
        const char *name;
        const char *start; // text before
        int box, caret;    // where the focus starts; caret -1: all selected
        std::vector<Stroke> keys;
        const char *text; // text after
        int focusBox;
        int caretAfter; // -1: the whole text of the focused box is selected
        int beeps;
    };
    const Case cases[] = {
        {"three digits move on with the next box selected", "0.0.0.0", 0, -1, Typed("192"), "192.0.0.0", 1,
         -1, 0},
        {"a whole address typed with dots", "0.0.0.0", 0, -1, Typed("10.1.22.3"), "10.1.22.3", 3, 1, 0},
        {"above 255 becomes 255 with a beep and moves on", "0.0.0.0", 0, -1, Typed("300"), "255.0.0.0", 1, -1,
         1},
        {"dot moves on with the next box selected", "1.2.3.4", 0, 1, Typed("."), "1.2.3.4", 1, -1, 0},
        {"dot in the last box does nothing", "1.2.3.4", 3, 1, Typed("."), "1.2.3.4", 3, 1, 0},
        {"letters are refused", "1.2.3.4", 1, 1, Typed("ab"), "1.2.3.4", 1, 1, 0},
        {"Right at the end goes to the start of the next box",
         "11.22.33.44",
         1,
         2,
         {{Qt::Key_Right}},
         "11.22.33.44",
         2,
         0,
         0},
        {"Down at the end as well", "11.22.33.44", 1, 2, {{Qt::Key_Down}}, "11.22.33.44", 2, 0, 0},
        {"Right inside the text only moves the caret",
         "11.22.33.44",
         1,
         0,
         {{Qt::Key_Right}},
         "11.22.33.44",
         1,
         1,
         0},
        {"Right at the end of the last box stays",
         "11.22.33.44",
         3,
         2,
         {{Qt::Key_Right}},
         "11.22.33.44",
         3,
         2,
         0},
        {"Shift+Right at the end stays",
         "11.22.33.44",
         1,
         2,
         {{Qt::Key_Right, Qt::ShiftModifier}},
         "11.22.33.44",
         1,
         2,
         0},
        {"Left at the start goes to the end of the previous box",
         "11.22.33.44",
         2,
         0,
         {{Qt::Key_Left}},
         "11.22.33.44",
         1,
         2,
         0},
        {"Up at the start as well", "11.22.33.44", 2, 0, {{Qt::Key_Up}}, "11.22.33.44", 1, 2, 0},
        {"Left at the start of the first box stays",
         "11.22.33.44",
         0,
         0,
         {{Qt::Key_Left}},
         "11.22.33.44",
         0,
         0,
         0},
        {"Ctrl+Right from the middle selects the next box",
         "11.22.33.44",
         1,
         1,
         {{Qt::Key_Right, ctrl}},
         "11.22.33.44",
         2,
         -1,
         0},
        {"Ctrl+Left from the middle selects the previous box",
         "11.22.33.44",
         2,
         1,
         {{Qt::Key_Left, ctrl}},
         "11.22.33.44",
         1,
         -1,
         0},
        {"Ctrl+Alt+Right does not move",
         "11.22.33.44",
         1,
         1,
         {{Qt::Key_Right, ctrl | Qt::AltModifier}},
         "11.22.33.44",
         1,
         1,
         0},
        {"Backspace at the start goes back without deleting",
         "11.22.33.44",
         2,
         0,
         {{Qt::Key_Backspace}},
         "11.22.33.44",
         1,
         2,
         0},
        {"Backspace at the start of the first box does nothing",
         "11.22.33.44",
         0,
         0,
         {{Qt::Key_Backspace}},
         "11.22.33.44",
         0,
         0,
         0},
        {"Backspace inside deletes", "11.22.33.44", 2, 2, {{Qt::Key_Backspace}}, "11.22.3.44", 2, 1, 0},
        {"Backspace over a selection deletes it and stays",
         "11.22.33.44",
         2,
         -1,
         {{Qt::Key_Backspace}, {Qt::Key_7}},
         "11.22.7.44",
         2,
         1,
         0},
        {"a fourth digit is refused and moves on", "11.22.123.44", 2, 3, Typed("4"), "11.22.123.44", 3, -1,
         0},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        edit->SetText(QString::fromUtf8(c.start));
        Enter(c.box, c.caret);
        QSignalSpy beeps(edit, &TIPEdit::Beeped);
        Press(c.keys);
        EXPECT_EQ(edit->Text(), QString::fromUtf8(c.text));
        ASSERT_EQ(FocusedBox(), c.focusBox);
        const TIPByteEdit *box = edit->Box(c.focusBox);
        if (c.caretAfter < 0) {
            EXPECT_EQ(box->selectedText(), box->text());
        } else {
            EXPECT_FALSE(box->hasSelectedText());
            EXPECT_EQ(box->cursorPosition(), c.caretAfter);
        }
        EXPECT_EQ(beeps.count(), c.beeps);
    }
}

TEST_F(IPEditTest, ClampKeepsTheCaretWhereItWas)
{
    edit->SetText(QStringLiteral("1.2.3.4"));
    Enter(1, -1);
    Press(Typed("99"));
    edit->Box(1)->setCursorPosition(0);
    QSignalSpy beeps(edit, &TIPEdit::Beeped);
    Press(Typed("7")); // 799
    EXPECT_EQ(edit->Box(1)->text(), QStringLiteral("255"));
    EXPECT_EQ(edit->Box(1)->cursorPosition(), 1);
    EXPECT_EQ(FocusedBox(), 1) << "the caret is not after the third character";
    EXPECT_EQ(beeps.count(), 1);
}

TEST_F(IPEditTest, LeavingABoxWritesItsPlainNumber)
{
    edit->SetText(QStringLiteral("1.2.3.4"));
    Enter(0, -1);
    Press(Typed("007"));
    EXPECT_EQ(edit->Box(0)->text(), QStringLiteral("7")) << "rewritten when the focus moved on";
    EXPECT_EQ(FocusedBox(), 1);

    QSignalSpy beeps(edit, &TIPEdit::Beeped);
    Enter(2, -1);
    Press({{Qt::Key_Delete}});
    EXPECT_EQ(edit->Box(2)->text(), QString());
    EXPECT_EQ(edit->Text(), QStringLiteral("7.2.0.4")) << "an empty box counts as 0";
    Enter(3, 0);
    EXPECT_EQ(edit->Box(2)->text(), QStringLiteral("0"));
    EXPECT_EQ(beeps.count(), 0) << "an empty box becomes 0 without a beep";
}

TEST_F(IPEditTest, PasteTakesWholeAddressesAndOctetsAndRefusesJunk)
{
    struct Case {
        const char *name;
        const char *clip;
        int box, caret; // caret -1: all selected
        const char *text;
    };
    const Case cases[] = {
        {"a whole address into any box fills all four", "192.168.1.5", 2, 0, "192.168.1.5"},
        {"blanks and a line end around it are fine", " 10.0.0.1\n", 0, -1, "10.0.0.1"},
        {"leading zeros of a whole address", "010.001.000.255", 1, 1, "10.1.0.255"},
        {"a number over the selection", "12", 1, -1, "1.12.3.45"},
        {"a digit at the caret", "1", 3, 0, "1.2.3.145"},
        {"a result above 255 is refused", "300", 1, -1, "1.2.3.45"},
        {"a digit making it above 255 is refused", "9", 3, 2, "1.2.3.45"},
        {"more than three characters are refused", "0012", 0, -1, "1.2.3.45"},
        {"letters are refused", "abc", 0, -1, "1.2.3.45"},
        {"digits with letters are refused", "12a", 0, -1, "1.2.3.45"},
        {"a part of an address is refused", "1.2.3", 0, -1, "1.2.3.45"},
        {"an address with a group above 255 is refused", "1.2.3.256", 0, -1, "1.2.3.45"},
        {"an empty clipboard changes nothing", "", 0, -1, "1.2.3.45"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        edit->SetText(QStringLiteral("1.2.3.45"));
        QGuiApplication::clipboard()->setText(QString::fromUtf8(c.clip));
        Enter(c.box, c.caret);
        Press({{Qt::Key_V, Qt::ControlModifier}});
        EXPECT_EQ(edit->Text(), QString::fromUtf8(c.text));
    }
}

TEST_F(IPEditTest, ReadOnlyKeepsTheTextButTheFocusStillMoves)
{
    edit->SetText(QStringLiteral("1.2.3.4"));
    edit->SetReadOnly(true);
    QGuiApplication::clipboard()->setText(QStringLiteral("9.9.9.9"));
    Enter(0, 1);
    Press({{Qt::Key_5}, {Qt::Key_V, Qt::ControlModifier}, {Qt::Key_Right}});
    EXPECT_EQ(edit->Text(), QStringLiteral("1.2.3.4"));
    EXPECT_EQ(FocusedBox(), 1);
    Press(Typed("."));
    EXPECT_EQ(FocusedBox(), 2);
    for (int i = 0; i < 4; ++i)
        EXPECT_TRUE(edit->Box(i)->isReadOnly());
}

TEST_F(IPEditTest, DisablingDisablesBoxesAndDots)
{
    edit->setEnabled(false);
    for (int i = 0; i < 4; ++i)
        EXPECT_FALSE(edit->Box(i)->isEnabled());
    for (int i = 0; i < 3; ++i) {
        EXPECT_FALSE(edit->Dot(i)->isEnabled());
        EXPECT_EQ(edit->Dot(i)->text(), QStringLiteral("."));
    }
    edit->setEnabled(true);
    EXPECT_TRUE(edit->Box(3)->isEnabled());
}

TEST_F(IPEditTest, ChangesAreReported)
{
    QSignalSpy changes(edit, &TIPEdit::OnChange);
    edit->SetText(QStringLiteral("1.0.0.0"));
    EXPECT_EQ(changes.count(), 1) << "one box changed";
    edit->SetText(QStringLiteral("1.0.0.0"));
    EXPECT_EQ(changes.count(), 1) << "nothing changed";
    Enter(3, -1);
    Press(Typed("8"));
    EXPECT_EQ(changes.count(), 2);
}

TEST_F(IPEditTest, FocusGoesToTheFirstBoxAndOnlyItIsATabStop)
{
    edit->Box(2)->setFocus();
    EXPECT_TRUE(edit->Focused());
    window.setFocus();
    EXPECT_FALSE(edit->Focused());
    edit->setFocus();
    EXPECT_EQ(FocusedBox(), 0);
    EXPECT_EQ(edit->Box(0)->focusPolicy(), Qt::StrongFocus);
    for (int i = 1; i < 4; ++i)
        EXPECT_EQ(edit->Box(i)->focusPolicy(), Qt::ClickFocus) << i;
    edit->SetTabStop(false);
    EXPECT_EQ(edit->Box(0)->focusPolicy(), Qt::ClickFocus);
}

TEST(IPEditEnter, EnterInABoxReachesTheDialogsDefaultButton)
{
    QDialog dialog;
    auto *layout = new QVBoxLayout(&dialog);
    auto *edit = new TIPEdit(&dialog);
    auto *ok = new QPushButton(QStringLiteral("OK"), &dialog);
    ok->setDefault(true);
    layout->addWidget(edit);
    layout->addWidget(ok);
    QObject::connect(ok, &QPushButton::clicked, &dialog, &QDialog::accept);
    dialog.show();
    dialog.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
    edit->Box(1)->setFocus();
    QTest::keyClick(edit->Box(1), Qt::Key_Return);
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(edit->Text(), QStringLiteral("0.0.0.0")) << "the box itself did nothing with it";
}

TEST_F(IPEditTest, BoxesSitLeftToRightWithTheDotsBetweenAndShareTheWidth)
{
    for (int width : {125, 300}) {
        SCOPED_TRACE(width);
        edit->resize(width, edit->height());
        int right = edit->contentsRect().left();
        for (int i = 0; i < 4; ++i) {
            const QRect box = edit->Box(i)->geometry();
            EXPECT_EQ(box.left(), right);
            EXPECT_EQ(box.width(), edit->Box(0)->width());
            right = box.right() + 1;
            if (i < 3) {
                EXPECT_EQ(edit->Dot(i)->geometry().left(), right);
                right = edit->Dot(i)->geometry().right() + 1;
            }
        }
        EXPECT_LE(right, edit->contentsRect().right() + 1) << "everything fits";
        EXPECT_GE(right, edit->contentsRect().right() + 1 - 4) << "the boxes share the width";
        EXPECT_GE(edit->Box(0)->width(), QFontMetrics(edit->font()).horizontalAdvance(QStringLiteral("255")));
    }
}
