// Message dialogs: what the answer hook sees and returns, and the real dialog
// windows driven by key and mouse events.
#include "base/uDialogs.h"

#include "model/uExceptions.h"

#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <algorithm>

namespace
{

QStringList Texts(std::initializer_list<const char *> items)
{
    QStringList l;
    for (const char *i : items)
        l << QString::fromUtf8(i);
    return l;
}

// Records every dialog the code under test asks for and answers with a fixed position.
struct Recorder {
    explicit Recorder(int answer)
        : scope([this, answer](const TDialogRequest &r) {
              seen << r;
              return answer;
          })
    {
    }
    QList<TDialogRequest> seen;
    TDialogAnswerScope scope;
};

// What a user would press the key on: the focused button, or the dialog itself.
QWidget *KeyTarget(QWidget *dialog)
{
    QWidget *focus = dialog->focusWidget();
    return focus ? focus : dialog;
}

bool HasNoTitleBarButtons(const QWidget &w)
{
    const Qt::WindowFlags f = w.windowFlags();
    return f.testFlag(Qt::CustomizeWindowHint) && !f.testFlag(Qt::WindowCloseButtonHint) &&
           !f.testFlag(Qt::WindowMinimizeButtonHint) && !f.testFlag(Qt::WindowMaximizeButtonHint);
}

} // namespace

TEST(DialogHook, MessageDlgCustomDescribesTheDialogAndReturnsTheAnswer)
{
    struct Case {
        const char *name;
        QStringList given; // captions 1 to 5
        int cancel, deflt;
        bool standardCaption;
        TMsgKind kind;
        QStringList buttons;
        const char *caption;
        int expectCancel, expectDefault;
    };
    const Case cases[] = {
        {"three buttons", Texts({"Overwrite", "Append", "Cancel", "", ""}), 3, 1, false,
         TMsgKind::Confirmation, Texts({"Overwrite", "Append", "Cancel"}), "Record file", 3, 1},
        {"stops at the first empty caption", Texts({"First", "", "Third", "", ""}), 3, 1, false,
         TMsgKind::Warning, Texts({"First"}), "Record file", 0, 1},
        {"five buttons", Texts({"1", "2", "3", "4", "5"}), 5, 2, false, TMsgKind::Error,
         Texts({"1", "2", "3", "4", "5"}), "Record file", 5, 2},
        {"standard caption of the kind", Texts({"Go", "", "", "", ""}), 1, 1, true, TMsgKind::Warning,
         Texts({"Go"}), "Warning", 1, 1},
        {"positions outside the row mean none", Texts({"A", "B", "", "", ""}), 7, 0, false,
         TMsgKind::Information, Texts({"A", "B"}), "Record file", 0, 0},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        Recorder rec(2);
        const int pressed = TDialogs::MessageDlgCustom(
            QStringLiteral("The file exists."), QStringLiteral("Record file"), c.kind, c.cancel, c.deflt,
            c.given[0], c.given[1], c.given[2], c.given[3], c.given[4], c.standardCaption);
        EXPECT_EQ(pressed, 2) << "the hook's answer is returned";
        ASSERT_EQ(rec.seen.size(), 1);
        const TDialogRequest &r = rec.seen.first();
        EXPECT_EQ(r.Form, TDialogRequest::TForm::Custom);
        EXPECT_EQ(r.Kind, c.kind);
        EXPECT_EQ(r.Text, QStringLiteral("The file exists."));
        EXPECT_EQ(r.Caption, QString::fromUtf8(c.caption));
        EXPECT_EQ(r.Buttons, c.buttons);
        EXPECT_EQ(r.CancelButton, c.expectCancel);
        EXPECT_EQ(r.DefaultButton, c.expectDefault);
    }
}

TEST(DialogHook, MissingOrEmptyCaptionListIsRaisedAndNothingIsShown)
{
    Recorder rec(1);
    const QStringList empty;
    try {
        TDialogs::MessageDlg(QStringLiteral("m"), QStringLiteral("c"), TMsgKind::Custom, 0, 0, nullptr);
        FAIL() << "no exception";
    } catch (const Exception &e) {
        EXPECT_EQ(e.Message(), QStringLiteral("TDialogs.MessageDlg - ABtnCaptions not assigned"));
    }
    try {
        TDialogs::MessageDlg(QStringLiteral("m"), QStringLiteral("c"), TMsgKind::Custom, 0, 0, &empty);
        FAIL() << "no exception";
    } catch (const Exception &e) {
        EXPECT_EQ(e.Message(), QStringLiteral("TDialogs.MessageDlg - ABtnCaptions.Count = 0"));
    }
    try {
        TDialogs::MessageDlgCustom(QStringLiteral("m"), QStringLiteral("c"), TMsgKind::Custom, 0, 0,
                                   QString());
        FAIL() << "no exception";
    } catch (const Exception &e) {
        EXPECT_EQ(e.Message(), QStringLiteral("TDialogs.MessageDlg - ABtnCaptions.Count = 0"));
    }
    EXPECT_TRUE(rec.seen.isEmpty());
}

TEST(DialogHook, MessageDlgStdOrdersButtonsPicksDefaultAndEscapeAndMapsTheAnswer)
{
    using B = TMsgButton;
    struct Case {
        std::initializer_list<TMsgButton> set;
        QStringList buttons;
        int deflt, cancel;
        int answer;   // position the hook presses
        int expected; // result number
    };
    const Case cases[] = {
        {{B::No, B::Yes}, Texts({"&Yes", "&No"}), 1, 2, 2, TDialogs::mrNo},
        {{B::No, B::Yes}, Texts({"&Yes", "&No"}), 1, 2, 1, TDialogs::mrYes},
        {{B::Cancel, B::OK}, Texts({"OK", "Cancel"}), 1, 2, 2, TDialogs::mrCancel},
        {{B::Yes, B::No, B::Cancel}, Texts({"&Yes", "&No", "Cancel"}), 1, 3, 3, TDialogs::mrCancel},
        {{B::Abort, B::Retry, B::Ignore},
         Texts({"&Abort", "&Retry", "&Ignore"}),
         2,
         0,
         3,
         TDialogs::mrIgnore},
        {{B::OK}, Texts({"OK"}), 1, 1, 1, TDialogs::mrOk},
        {{B::Help, B::YesToAll, B::NoToAll, B::All},
         Texts({"&All", "N&o to All", "Yes to &All", "&Help"}),
         0,
         0,
         3,
         TDialogs::mrYesToAll},
        {{B::Help}, Texts({"&Help"}), 0, 0, 1, TDialogs::mrNone},
        {{B::Yes, B::No}, Texts({"&Yes", "&No"}), 1, 2, 5, TDialogs::mrNone}, // no such button
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.buttons.join(QLatin1Char(',')).toStdString() + " answer " + std::to_string(c.answer));
        Recorder rec(c.answer);
        EXPECT_EQ(TDialogs::MessageDlgStd(QStringLiteral("Sure?"), TMsgKind::Confirmation, c.set),
                  c.expected);
        ASSERT_EQ(rec.seen.size(), 1);
        EXPECT_EQ(rec.seen[0].Buttons, c.buttons);
        EXPECT_EQ(rec.seen[0].DefaultButton, c.deflt);
        EXPECT_EQ(rec.seen[0].CancelButton, c.cancel);
        EXPECT_EQ(rec.seen[0].Caption, QStringLiteral("Confirm"));
    }
}

TEST(DialogHook, ShowMessageKindUsesTheKindsCaptionAndOneOkButton)
{
    struct Case {
        TMsgKind kind;
        const char *caption;
    };
    const Case cases[] = {{TMsgKind::Warning, "Warning"},
                          {TMsgKind::Error, "Error"},
                          {TMsgKind::Information, "Information"},
                          {TMsgKind::Confirmation, "Confirm"}};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.caption);
        Recorder rec(1);
        TDialogs::ShowMessageKind(QStringLiteral("Wrong IP address."), c.kind);
        ASSERT_EQ(rec.seen.size(), 1);
        const TDialogRequest &r = rec.seen[0];
        EXPECT_EQ(r.Form, TDialogRequest::TForm::Standard);
        EXPECT_EQ(r.Kind, c.kind);
        EXPECT_EQ(r.Caption, QString::fromUtf8(c.caption));
        EXPECT_EQ(r.Text, QStringLiteral("Wrong IP address."));
        EXPECT_EQ(r.Buttons, Texts({"OK"}));
        EXPECT_EQ(r.DefaultButton, 1);
        EXPECT_EQ(r.CancelButton, 1);
    }
}

TEST(DialogHook, ScopesNestAndPutThePreviousHookBack)
{
    EXPECT_FALSE(TDialogs::AnswerHook());
    {
        Recorder outer(1);
        {
            Recorder inner(2);
            TDialogs::ShowMessageKind(QStringLiteral("inner"), TMsgKind::Error);
            EXPECT_EQ(inner.seen.size(), 1);
        }
        TDialogs::ShowMessageKind(QStringLiteral("outer"), TMsgKind::Error);
        ASSERT_EQ(outer.seen.size(), 1);
        EXPECT_EQ(outer.seen[0].Text, QStringLiteral("outer"));
    }
    EXPECT_FALSE(TDialogs::AnswerHook());
}

// The file chooser for saving goes through the same seam: the hook names the file, and once a
// termination signal came it answers Cancel without asking anybody.
TEST(DialogHook, TheSaveFileChooserIsAnsweredByItsHookAndCancelledAtTermination)
{
    QStringList asked;
    const TFileNameScope chooser([&](const QString &caption, const QString &filter) {
        asked << caption + QStringLiteral(" | ") + filter;
        return QStringLiteral("/tmp/chosen.csv");
    });
    EXPECT_EQ(
        TDialogs::SaveFileName(nullptr, QStringLiteral("Save data"), QStringLiteral("CSV files (*.csv)")),
        QStringLiteral("/tmp/chosen.csv"));
    EXPECT_EQ(asked, QStringList{QStringLiteral("Save data | CSV files (*.csv)")});

    TDialogs::EndAllForTermination();
    EXPECT_EQ(TDialogs::SaveFileName(nullptr, QStringLiteral("Save data"), QString()), QString());
    TDialogs::ClearTermination();
    EXPECT_EQ(asked.size(), 1) << "nobody is asked after a termination signal";
}

namespace
{

std::unique_ptr<TMessageDialog> ShownDialog(TMsgKind kind, const QString &caption, const QString &message,
                                            const QStringList &captions, int cancel, int deflt)
{
    auto d = TDialogs::CreateMessageDialog(message, caption, kind, cancel, deflt, captions);
    d->show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(d.get()));
    return d;
}

} // namespace

TEST(MessageDialog, KeysAndClicksReturnTheButtonsPosition)
{
    struct Case {
        const char *name;
        int focusButton; // 0: leave the focus where the dialog put it
        Qt::Key key;     // Qt::Key_unknown: click button `click` instead
        int click;
        int expected;
    };
    const Case cases[] = {
        {"Enter presses the default button", 0, Qt::Key_Return, 0, 1},
        {"keypad Enter as well", 0, Qt::Key_Enter, 0, 1},
        {"Escape presses the cancel button", 0, Qt::Key_Escape, 0, 3},
        {"Enter presses the focused button", 2, Qt::Key_Return, 0, 2},
        {"Space presses the focused button", 2, Qt::Key_Space, 0, 2},
        {"click on the first", 0, Qt::Key_unknown, 1, 1},
        {"click on the second", 0, Qt::Key_unknown, 2, 2},
        {"click on the third", 0, Qt::Key_unknown, 3, 3},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        auto d =
            ShownDialog(TMsgKind::Confirmation, QStringLiteral("Record file"),
                        QStringLiteral("The file exists."), Texts({"Overwrite", "Append", "Cancel"}), 3, 1);
        ASSERT_EQ(d->Buttons().size(), 3);
        EXPECT_TRUE(d->Buttons()[0]->isDefault());
        EXPECT_EQ(d->focusWidget(), d->Buttons()[0]) << "the default button has the focus";
        if (c.focusButton)
            d->Buttons()[c.focusButton - 1]->setFocus();
        if (c.key == Qt::Key_unknown)
            QTest::mouseClick(d->Buttons()[c.click - 1], Qt::LeftButton);
        else
            QTest::keyClick(KeyTarget(d.get()), c.key);
        EXPECT_EQ(d->ResultNumber(), c.expected);
        EXPECT_FALSE(d->isVisible()) << "a button ends the dialog";
    }
}

TEST(MessageDialog, OnlyAButtonEndsIt)
{
    auto d = ShownDialog(TMsgKind::Information, QStringLiteral("c"), QStringLiteral("No cancel button here."),
                         Texts({"Yes", "No"}), 0, 1);
    EXPECT_TRUE(HasNoTitleBarButtons(*d));
    QTest::keyClick(KeyTarget(d.get()), Qt::Key_Escape);
    EXPECT_TRUE(d->isVisible()) << "Escape without a cancel button does nothing";
    EXPECT_FALSE(d->close()) << "closing is refused";
    d->reject();
    EXPECT_TRUE(d->isVisible());
    EXPECT_EQ(d->ResultNumber(), 0);
    QTest::mouseClick(d->Buttons()[1], Qt::LeftButton);
    EXPECT_EQ(d->ResultNumber(), 2);
    EXPECT_FALSE(d->isVisible());
}

TEST(MessageDialog, LayoutFollowsTheWidestOfMessageCaptionAndButtons)
{
    const QString longCaption(
        QStringLiteral("A caption much, much wider than the short message and its buttons"));
    const QString longMessage(QStringLiteral("A long message line that is wider than the buttons below it.\n"
                                             "And a second line."));
    enum Widest { Message, Caption, Buttons };
    struct Case {
        const char *name;
        TMsgKind kind;
        QString caption, message;
        QStringList buttons;
        Widest widest;
    };
    const Case cases[] = {
        {"message with icon", TMsgKind::Warning, QStringLiteral("c"), longMessage, Texts({"OK"}), Message},
        {"message without icon", TMsgKind::Custom, QStringLiteral("c"), longMessage, Texts({"OK"}), Message},
        {"long caption", TMsgKind::Error, longCaption, QStringLiteral("Short."), Texts({"OK"}), Caption},
        {"many buttons", TMsgKind::Information, QStringLiteral("c"), QStringLiteral("Hi"),
         Texts({"Overwrite", "Append", "Cancel", "Yes to &All", "&Retry"}), Buttons},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        auto d = ShownDialog(c.kind, c.caption, c.message, c.buttons, 0, 1);
        const QFontMetrics fm = d->fontMetrics();
        const QLabel *icon = d->IconLabel();
        const QLabel *label = d->MessageLabel();
        EXPECT_EQ(icon != nullptr, c.kind != TMsgKind::Custom);
        int textLeft = 10;
        int upperHeight = label->height() + 20;
        if (icon) {
            EXPECT_EQ(icon->pos(), QPoint(10, 10));
            EXPECT_FALSE(icon->pixmap().isNull());
            textLeft = icon->width() + 20;
            upperHeight = std::max(upperHeight, icon->height() + 20);
        }
        EXPECT_EQ(label->pos(), QPoint(textLeft, 10));
        EXPECT_EQ(label->text(), c.message);
        EXPECT_EQ(d->UpperBand()->geometry(), QRect(0, 0, d->width(), upperHeight));

        const QList<QPushButton *> buttons = d->Buttons();
        ASSERT_EQ(buttons.size(), c.buttons.size());
        int total = 0;
        for (int i = 0; i < buttons.size(); ++i) {
            QString shown = c.buttons[i];
            shown.remove(QLatin1Char('&'));
            EXPECT_EQ(buttons[i]->text(), c.buttons[i]);
            EXPECT_EQ(buttons[i]->width(), fm.horizontalAdvance(shown) + 20) << i;
            EXPECT_EQ(buttons[i]->y(), 10);
            if (i > 0) {
                EXPECT_EQ(buttons[i]->x(), buttons[i - 1]->x() + buttons[i - 1]->width() + 10);
            }
            total += buttons[i]->width() + (i > 0 ? 10 : 0);
        }
        EXPECT_EQ(buttons[0]->x(), (d->width() - total) / 2) << "the row is centred";
        EXPECT_EQ(d->LowerBand()->geometry(), QRect(0, upperHeight, d->width(), buttons[0]->height() + 20));
        EXPECT_EQ(d->height(), upperHeight + buttons[0]->height() + 20);

        const int byMessage = textLeft + label->width() + 10;
        const int byCaption = fm.horizontalAdvance(c.caption);
        const int byButtons = total + 20;
        EXPECT_EQ(d->width(), std::max({byMessage, byCaption, byButtons}));
        const int winner = c.widest == Message ? byMessage : c.widest == Caption ? byCaption : byButtons;
        EXPECT_EQ(d->width(), winner) << byMessage << " " << byCaption << " " << byButtons;
        EXPECT_TRUE(HasNoTitleBarButtons(*d));
        EXPECT_EQ(d->windowTitle(), c.caption);
    }
}

TEST(MessageBox, EachKindHasItsCaptionIconAndOneDefaultOkButton)
{
    struct Case {
        TMsgKind kind;
        const char *caption;
        QMessageBox::Icon icon;
    };
    const Case cases[] = {{TMsgKind::Warning, "Warning", QMessageBox::Warning},
                          {TMsgKind::Error, "Error", QMessageBox::Critical},
                          {TMsgKind::Information, "Information", QMessageBox::Information},
                          {TMsgKind::Confirmation, "Confirm", QMessageBox::Question}};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.caption);
        for (Qt::Key key : {Qt::Key_Return, Qt::Key_Escape}) {
            auto box = TDialogs::CreateMessageBox(QStringLiteral("<b>Wrong IP address.</b>"), c.kind);
            EXPECT_EQ(box->windowTitle(), QString::fromUtf8(c.caption));
            EXPECT_EQ(box->icon(), c.icon);
            EXPECT_EQ(box->text(), QStringLiteral("<b>Wrong IP address.</b>"));
            EXPECT_EQ(box->textFormat(), Qt::PlainText) << "a message is never read as markup";
            EXPECT_TRUE(HasNoTitleBarButtons(*box));
            ASSERT_EQ(box->buttons().size(), 1);
            QAbstractButton *ok = box->buttons()[0];
            EXPECT_EQ(ok->text(), QStringLiteral("OK"));
            EXPECT_EQ(box->defaultButton(), ok);
            box->show();
            ASSERT_TRUE(QTest::qWaitForWindowExposed(box.get()));
            QTest::keyClick(KeyTarget(box.get()), key);
            EXPECT_EQ(box->clickedButton(), ok);
            EXPECT_FALSE(box->isVisible());
        }
    }
}

TEST(ModalDialogs, WithoutAHookTheRealWindowsAreShownAndAnswered)
{
    // The one place that waits for a modal window: the real exec() path itself.
    int shown = 0;
    QTimer presser;
    presser.setInterval(20);
    QObject::connect(&presser, &QTimer::timeout, [&] {
        if (QWidget *modal = QApplication::activeModalWidget()) {
            ++shown;
            QTest::keyClick(KeyTarget(modal), Qt::Key_Escape);
        }
    });
    presser.start();
    EXPECT_EQ(TDialogs::MessageDlgCustom(QStringLiteral("The file exists."), QStringLiteral("Record file"),
                                         TMsgKind::Confirmation, 3, 1, QStringLiteral("Overwrite"),
                                         QStringLiteral("Append"), QStringLiteral("Cancel")),
              3);
    TDialogs::ShowMessageKind(QStringLiteral("Wrong IP address."), TMsgKind::Warning);
    presser.stop();
    EXPECT_EQ(shown, 2);
}
