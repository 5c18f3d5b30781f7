#pragma once

// Every message and question of the program goes through this unit.
//
//   TDialogs::ShowMessageKind(tr("Wrong IP address."), TMsgKind::Warning);
//   const int pressed = TDialogs::MessageDlgCustom(tr("The file exists."), tr("Record file"),
//       TMsgKind::Confirmation, 3, 1, tr("Overwrite"), tr("Append"), tr("Cancel"));
//   if (TDialogs::MessageDlgStd(text, TMsgKind::Confirmation, {TMsgButton::Yes, TMsgButton::No})
//       == TDialogs::mrYes) ...
//
// Tests answer the modal dialogs without a person through one seam, the answer
// hook: while a hook is installed no window is shown; the hook receives a
// description of the dialog that would have come up and returns the 1-based
// position of the button it "presses" (for ShowMessageKind the only button, OK,
// is position 1). Install it for a scope with TDialogAnswerScope:
//
//   QList<TDialogRequest> seen;
//   TDialogAnswerScope answer([&](const TDialogRequest &r) { seen << r; return r.DefaultButton; });

#include <QCoreApplication>
#include <QDialog>
#include <QList>
#include <QString>
#include <QStringList>

#include <functional>
#include <initializer_list>
#include <memory>

class QLabel;
class QMessageBox;
class QPushButton;
class QWidget;

// The four message kinds with their caption and icon, and the custom kind
// (the application's title, no icon).
enum class TMsgKind { Warning = 0, Error = 1, Information = 2, Confirmation = 3, Custom = 4 };

// Standard buttons, in the order they appear in a dialog.
enum class TMsgButton { Yes, No, OK, Cancel, Abort, Retry, Ignore, All, NoToAll, YesToAll, Help };

// What a test's answer hook learns about the dialog that would come up.
struct TDialogRequest {
    enum class TForm {
        Custom,   // MessageDlg and its relatives: the dialog built here
        Standard, // ShowMessageKind: the toolkit's message box with one OK button
    };
    TForm Form = TForm::Custom;
    TMsgKind Kind = TMsgKind::Information;
    QString Caption; // the window title as it would be shown
    QString Text;
    QStringList Buttons;   // captions, left to right
    int DefaultButton = 0; // 1-based position; 0 = none
    int CancelButton = 0;  // 1-based position pressed by Escape; 0 = none
};

// Returns the 1-based position of the button to press.
using TDialogAnswerHook = std::function<int(const TDialogRequest &)>;
// Answers a file chooser in a test: the chosen file's name, empty for Cancel.
using TFileNameHook = std::function<QString(const QString &caption, const QString &filter)>;

// The dialog MessageDlg shows: icon and message in a white upper band, the
// caller's buttons centred in a grey lower band, sized to fit. It cannot be
// closed except by one of its buttons (Escape presses the cancel button, if any).
class TMessageDialog : public QDialog
{
    Q_OBJECT
public:
    TMessageDialog(const QString &message, const QString &caption, TMsgKind kind, int cancelPosition,
                   int defaultPosition, const QStringList &captions, QWidget *parent = nullptr);

    // The 1-based position of the pressed button; 0 until one is pressed.
    int ResultNumber() const { return m_result; }

    QWidget *UpperBand() const { return m_upper; }
    QWidget *LowerBand() const { return m_lower; }
    QLabel *IconLabel() const { return m_icon; } // null for a kind without icon
    QLabel *MessageLabel() const { return m_message; }
    QList<QPushButton *> Buttons() const { return m_buttons; }
    // Ends the dialog as its cancel button would; without one, with no button pressed (0).
    void EndAsCancelled();

public Q_SLOTS:
    void reject() override;

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void BuildButtons(const QStringList &captions, int cancelPosition, int defaultPosition);
    void Arrange(int captionWidth);

    QWidget *m_upper = nullptr;
    QWidget *m_lower = nullptr;
    QLabel *m_icon = nullptr;
    QLabel *m_message = nullptr;
    QList<QPushButton *> m_buttons;
    QPushButton *m_cancel = nullptr;
    int m_result = 0;
};

class TDialogs
{
    Q_DECLARE_TR_FUNCTIONS(TDialogs)

public:
    TDialogs() = delete;

    // Results of MessageDlgStd, one per standard button.
    enum : int {
        mrNone = 0, // also the Help button's result
        mrOk = 1,
        mrCancel = 2,
        mrAbort = 3,
        mrRetry = 4,
        mrIgnore = 5,
        mrYes = 6,
        mrNo = 7,
        mrAll = 8,
        mrNoToAll = 9,
        mrYesToAll = 10,
    };

    // Shows the dialog and returns the 1-based position of the pressed button.
    // positions are 1-based; a position matching no button means none. With
    // useStandardCaption the caption comes from the kind (the application's title
    // for Custom). Raises Exception when captions is null or empty.
    static int MessageDlg(const QString &message, const QString &caption, TMsgKind kind, int cancelPosition,
                          int defaultPosition, const QStringList *captions, bool useStandardCaption = false);
    // The same with up to five captions; the list stops at the first empty one.
    static int MessageDlgCustom(const QString &message, const QString &caption, TMsgKind kind,
                                int cancelPosition, int defaultPosition, const QString &caption1,
                                const QString &caption2 = QString(), const QString &caption3 = QString(),
                                const QString &caption4 = QString(), const QString &caption5 = QString(),
                                bool useStandardCaption = false);
    // Standard buttons with their standard captions and the kind's caption; returns
    // the pressed button's result (mrYes, mrNo, ...). Default: OK, else Yes, else
    // Retry; Escape: Cancel, else No, else OK.
    static int MessageDlgStd(const QString &message, TMsgKind kind,
                             std::initializer_list<TMsgButton> buttons);

    // The toolkit's message box for the kind with one OK button, without title-bar
    // buttons, centred over the active window (or the screen), modal.
    static void ShowMessageKind(const QString &message, TMsgKind kind);
    // The same box with a caption of the caller's (a text that must come from a language
    // other than the one in use, as the restart notice after choosing a language).
    static void ShowMessageCaptioned(const QString &caption, const QString &message, TMsgKind kind);

    // The windows themselves, for callers that want to show them otherwise and
    // for the tests of their look.
    static std::unique_ptr<TMessageDialog>
    CreateMessageDialog(const QString &message, const QString &caption, TMsgKind kind, int cancelPosition,
                        int defaultPosition, const QStringList &captions, bool useStandardCaption = false);
    static std::unique_ptr<QMessageBox> CreateMessageBox(const QString &message, TMsgKind kind);

    static QString KindCaption(TMsgKind kind); // "Warning", ...; the application's title for Custom
    static QString ButtonCaption(TMsgButton button);
    static int ButtonResult(TMsgButton button);

    // A termination signal arrived and nobody is there to answer: every open dialog and modal
    // window ends as its Cancel button (or closing it) would, an open popup menu closes, and
    // every dialog asked for from now on answers the same way at once without showing.
    static void EndAllForTermination();
    static bool IsEndingForTermination();
    // Lets dialogs show again (tests that end one run and start the next in one process).
    static void ClearTermination();

    // The file chooser for a file to write, over parent; the chosen name, empty after Cancel.
    // While a file name hook is installed no window shows and the hook answers; after a
    // termination signal it answers Cancel without showing.
    static QString SaveFileName(QWidget *parent, const QString &caption, const QString &filter);

    // The test seam (see the top of this file). An empty hook shows real windows.
    static void SetAnswerHook(TDialogAnswerHook hook);
    static const TDialogAnswerHook &AnswerHook();
    static void SetFileNameHook(TFileNameHook hook);
    static const TFileNameHook &FileNameHook();
};

// Installs an answer hook for its lifetime and puts the previous one back.
class TDialogAnswerScope
{
public:
    explicit TDialogAnswerScope(TDialogAnswerHook hook);
    ~TDialogAnswerScope();
    TDialogAnswerScope(const TDialogAnswerScope &) = delete;
    TDialogAnswerScope &operator=(const TDialogAnswerScope &) = delete;

private:
    TDialogAnswerHook m_previous;
};

// Installs a file name hook for its lifetime and puts the previous one back.
class TFileNameScope
{
public:
    explicit TFileNameScope(TFileNameHook hook);
    ~TFileNameScope();
    TFileNameScope(const TFileNameScope &) = delete;
    TFileNameScope &operator=(const TFileNameScope &) = delete;

private:
    TFileNameHook m_previous;
};

// Convenience for callers that only need to say something: the same as
// TDialogs::ShowMessageKind.
inline void ShowMessageKind(const QString &message, TMsgKind kind)
{
    TDialogs::ShowMessageKind(message, kind);
}
