#include "base/uDialogs.h"

#include "base/uApplicationSpecifical.h"
#include "model/uExceptions.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFileDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QStyle>

#include <algorithm>
#include <array>
#include <cstdio>

namespace
{

constexpr int Margin = 10; // every gap of the layout

TDialogAnswerHook &Hook()
{
    static TDialogAnswerHook hook;
    return hook;
}

TFileNameHook &FileNameHookStore()
{
    static TFileNameHook hook;
    return hook;
}

bool &EndingForTermination()
{
    static bool ending = false;
    return ending;
}

// With OMBRIX_REPORT_DIALOGS set, says on stderr which dialog comes up ("dialog: <text>"), so
// a test that runs the program as a process knows when the dialog is there.
void ReportShown(const QString &message)
{
    if (!qEnvironmentVariableIsSet("OMBRIX_REPORT_DIALOGS"))
        return;
    std::fputs(QStringLiteral("dialog: %1\n").arg(message).toLocal8Bit().constData(), stderr);
    std::fflush(stderr);
}

// No close box, no minimise or maximise: the dialog ends only through its buttons.
constexpr Qt::WindowFlags DialogFlags = Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint;

QStyle::StandardPixmap KindPixmap(TMsgKind kind)
{
    switch (kind) {
    case TMsgKind::Warning:
        return QStyle::SP_MessageBoxWarning;
    case TMsgKind::Error:
        return QStyle::SP_MessageBoxCritical;
    case TMsgKind::Information:
        return QStyle::SP_MessageBoxInformation;
    case TMsgKind::Confirmation:
        return QStyle::SP_MessageBoxQuestion;
    case TMsgKind::Custom:
        break;
    }
    return QStyle::SP_CustomBase;
}

QMessageBox::Icon KindBoxIcon(TMsgKind kind)
{
    switch (kind) {
    case TMsgKind::Warning:
        return QMessageBox::Warning;
    case TMsgKind::Error:
        return QMessageBox::Critical;
    case TMsgKind::Information:
        return QMessageBox::Information;
    case TMsgKind::Confirmation:
        return QMessageBox::Question;
    case TMsgKind::Custom:
        break;
    }
    return QMessageBox::NoIcon;
}

// The text a button shows: "&Yes" is shown as "Yes", "&&" as "&".
QString ShownText(const QString &caption)
{
    QString shown;
    for (qsizetype i = 0; i < caption.size(); ++i) {
        if (caption[i] == QLatin1Char('&') && i + 1 < caption.size())
            ++i;
        shown += caption[i];
    }
    return shown;
}

void FillBackground(QWidget *band, QPalette::ColorRole role)
{
    QPalette palette = band->palette();
    palette.setColor(QPalette::Window, band->palette().color(role));
    band->setPalette(palette);
    band->setAutoFillBackground(true);
}

int PositionIn(const QList<TMsgButton> &buttons, std::initializer_list<TMsgButton> preferred)
{
    for (TMsgButton b : preferred) {
        const qsizetype at = buttons.indexOf(b);
        if (at >= 0)
            return static_cast<int>(at) + 1;
    }
    return 0;
}

} // namespace

TMessageDialog::TMessageDialog(const QString &message, const QString &caption, TMsgKind kind,
                               int cancelPosition, int defaultPosition, const QStringList &captions,
                               QWidget *parent)
    : QDialog(parent, DialogFlags)
{
    setObjectName(QStringLiteral("TMessageDialog"));
    setWindowTitle(caption);

    m_upper = new QWidget(this);
    m_upper->setObjectName(QStringLiteral("pMessage"));
    FillBackground(m_upper, QPalette::Base);
    m_lower = new QWidget(this);
    m_lower->setObjectName(QStringLiteral("pButtons"));
    FillBackground(m_lower, QPalette::Button);

    if (kind != TMsgKind::Custom) {
        const int size = style()->pixelMetric(QStyle::PM_MessageBoxIconSize, nullptr, this);
        m_icon = new QLabel(m_upper);
        m_icon->setObjectName(QStringLiteral("lIcon"));
        m_icon->setPixmap(style()->standardIcon(KindPixmap(kind), nullptr, this).pixmap(size, size));
        m_icon->setFixedSize(m_icon->sizeHint());
        m_icon->move(Margin, Margin);
    }
    m_message = new QLabel(message, m_upper);
    m_message->setObjectName(QStringLiteral("lMessage"));
    m_message->setTextFormat(Qt::PlainText);
    m_message->resize(m_message->sizeHint());

    BuildButtons(captions, cancelPosition, defaultPosition);
    Arrange(fontMetrics().horizontalAdvance(caption));
}

void TMessageDialog::BuildButtons(const QStringList &captions, int cancelPosition, int defaultPosition)
{
    for (qsizetype i = 0; i < captions.size(); ++i) {
        const int position = static_cast<int>(i) + 1;
        auto *button = new QPushButton(captions[i], m_lower);
        button->setObjectName(QStringLiteral("bButton%1").arg(position));
        button->resize(button->fontMetrics().horizontalAdvance(ShownText(captions[i])) + 2 * Margin,
                       button->sizeHint().height());
        if (position == defaultPosition) {
            button->setDefault(true);
            button->setFocus();
        }
        if (position == cancelPosition)
            m_cancel = button;
        connect(button, &QPushButton::clicked, this, [this, position] {
            m_result = position;
            done(position);
        });
        m_buttons.append(button);
    }
}

void TMessageDialog::Arrange(int captionWidth)
{
    const int textLeft = m_icon ? m_icon->width() + 2 * Margin : Margin;
    m_message->move(textLeft, Margin);
    int upperHeight = m_message->height() + 2 * Margin;
    if (m_icon)
        upperHeight = std::max(upperHeight, m_icon->height() + 2 * Margin);

    int buttonsWidth = 0;
    int buttonHeight = 0;
    for (QPushButton *b : m_buttons) {
        buttonsWidth += b->width();
        buttonHeight = std::max(buttonHeight, b->height());
    }
    buttonsWidth += Margin * static_cast<int>(std::max<qsizetype>(m_buttons.size() - 1, 0));
    const int lowerHeight = buttonHeight + 2 * Margin;

    const int width =
        std::max({textLeft + m_message->width() + Margin, captionWidth, buttonsWidth + 2 * Margin});
    m_upper->setGeometry(0, 0, width, upperHeight);
    m_lower->setGeometry(0, upperHeight, width, lowerHeight);
    int left = (width - buttonsWidth) / 2;
    for (QPushButton *b : m_buttons) {
        b->move(left, Margin);
        left += b->width() + Margin;
    }
    setFixedSize(width, upperHeight + lowerHeight);

    if (const QScreen *s = screen())
        move(s->availableGeometry().center() - QPoint(width / 2, (upperHeight + lowerHeight) / 2));
}

void TMessageDialog::EndAsCancelled()
{
    if (m_cancel) {
        m_cancel->click();
        return;
    }
    m_result = 0;
    QDialog::done(0);
}

void TMessageDialog::reject()
{
    // Only a button may end the dialog; Escape without a cancel button does nothing.
    if (m_result != 0)
        QDialog::reject();
}

void TMessageDialog::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        if (m_cancel)
            m_cancel->click();
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void TMessageDialog::closeEvent(QCloseEvent *event)
{
    if (m_result == 0)
        event->ignore();
    else
        QDialog::closeEvent(event);
}

QString TDialogs::KindCaption(TMsgKind kind)
{
    switch (kind) {
    case TMsgKind::Warning:
        return tr("Warning");
    case TMsgKind::Error:
        return tr("Error");
    case TMsgKind::Information:
        return tr("Information");
    case TMsgKind::Confirmation:
        return tr("Confirm");
    case TMsgKind::Custom:
        break;
    }
    return AppName.isEmpty() ? QGuiApplication::applicationDisplayName() : AppName;
}

QString TDialogs::ButtonCaption(TMsgButton button)
{
    switch (button) {
    case TMsgButton::Yes:
        return tr("&Yes");
    case TMsgButton::No:
        return tr("&No");
    case TMsgButton::OK:
        return tr("OK");
    case TMsgButton::Cancel:
        return tr("Cancel");
    case TMsgButton::Abort:
        return tr("&Abort");
    case TMsgButton::Retry:
        return tr("&Retry");
    case TMsgButton::Ignore:
        return tr("&Ignore");
    case TMsgButton::All:
        return tr("&All");
    case TMsgButton::NoToAll:
        return tr("N&o to All");
    case TMsgButton::YesToAll:
        return tr("Yes to &All");
    case TMsgButton::Help:
        return tr("&Help");
    }
    return QString();
}

int TDialogs::ButtonResult(TMsgButton button)
{
    switch (button) {
    case TMsgButton::Yes:
        return mrYes;
    case TMsgButton::No:
        return mrNo;
    case TMsgButton::OK:
        return mrOk;
    case TMsgButton::Cancel:
        return mrCancel;
    case TMsgButton::Abort:
        return mrAbort;
    case TMsgButton::Retry:
        return mrRetry;
    case TMsgButton::Ignore:
        return mrIgnore;
    case TMsgButton::All:
        return mrAll;
    case TMsgButton::NoToAll:
        return mrNoToAll;
    case TMsgButton::YesToAll:
        return mrYesToAll;
    case TMsgButton::Help:
        return mrNone;
    }
    return mrNone;
}

std::unique_ptr<TMessageDialog> TDialogs::CreateMessageDialog(const QString &message, const QString &caption,
                                                              TMsgKind kind, int cancelPosition,
                                                              int defaultPosition,
                                                              const QStringList &captions,
                                                              bool useStandardCaption)
{
    const QString title = useStandardCaption ? KindCaption(kind) : caption;
    return std::make_unique<TMessageDialog>(message, title, kind, cancelPosition, defaultPosition, captions);
}

int TDialogs::MessageDlg(const QString &message, const QString &caption, TMsgKind kind, int cancelPosition,
                         int defaultPosition, const QStringList *captions, bool useStandardCaption)
{
    if (!captions)
        throw Exception(QStringLiteral("TDialogs.MessageDlg - ABtnCaptions not assigned"));
    if (captions->isEmpty())
        throw Exception(QStringLiteral("TDialogs.MessageDlg - ABtnCaptions.Count = 0"));

    if (EndingForTermination()) {
        const bool hasCancel = cancelPosition >= 1 && cancelPosition <= captions->size();
        return hasCancel ? cancelPosition : 0;
    }
    if (const TDialogAnswerHook &hook = Hook()) {
        TDialogRequest request;
        request.Form = TDialogRequest::TForm::Custom;
        request.Kind = kind;
        request.Caption = useStandardCaption ? KindCaption(kind) : caption;
        request.Text = message;
        request.Buttons = *captions;
        const auto inRange = [&](int position) { return position >= 1 && position <= captions->size(); };
        request.DefaultButton = inRange(defaultPosition) ? defaultPosition : 0;
        request.CancelButton = inRange(cancelPosition) ? cancelPosition : 0;
        return hook(request);
    }

    const std::unique_ptr<TMessageDialog> dialog = CreateMessageDialog(
        message, caption, kind, cancelPosition, defaultPosition, *captions, useStandardCaption);
    ReportShown(message);
    dialog->exec();
    return dialog->ResultNumber();
}

int TDialogs::MessageDlgCustom(const QString &message, const QString &caption, TMsgKind kind,
                               int cancelPosition, int defaultPosition, const QString &caption1,
                               const QString &caption2, const QString &caption3, const QString &caption4,
                               const QString &caption5, bool useStandardCaption)
{
    QStringList captions;
    for (const QString *c : {&caption1, &caption2, &caption3, &caption4, &caption5}) {
        if (c->isEmpty())
            break;
        captions << *c;
    }
    return MessageDlg(message, caption, kind, cancelPosition, defaultPosition, &captions, useStandardCaption);
}

int TDialogs::MessageDlgStd(const QString &message, TMsgKind kind, std::initializer_list<TMsgButton> buttons)
{
    constexpr std::array order{TMsgButton::Yes,      TMsgButton::No,    TMsgButton::OK,
                               TMsgButton::Cancel,   TMsgButton::Abort, TMsgButton::Retry,
                               TMsgButton::Ignore,   TMsgButton::All,   TMsgButton::NoToAll,
                               TMsgButton::YesToAll, TMsgButton::Help};
    QList<TMsgButton> shown;
    QStringList captions;
    for (TMsgButton b : order) {
        if (std::find(buttons.begin(), buttons.end(), b) != buttons.end()) {
            shown << b;
            captions << ButtonCaption(b);
        }
    }
    const int defaultPosition = PositionIn(shown, {TMsgButton::OK, TMsgButton::Yes, TMsgButton::Retry});
    const int cancelPosition = PositionIn(shown, {TMsgButton::Cancel, TMsgButton::No, TMsgButton::OK});
    const int pressed =
        MessageDlg(message, QString(), kind, cancelPosition, defaultPosition, &captions, true);
    if (pressed < 1 || pressed > shown.size())
        return mrNone;
    return ButtonResult(shown[pressed - 1]);
}

std::unique_ptr<QMessageBox> TDialogs::CreateMessageBox(const QString &message, TMsgKind kind)
{
    auto box = std::make_unique<QMessageBox>(KindBoxIcon(kind), KindCaption(kind), message, QMessageBox::Ok);
    box->setWindowFlags(DialogFlags);
    box->setTextFormat(Qt::PlainText);
    box->setDefaultButton(QMessageBox::Ok);
    box->setEscapeButton(QMessageBox::Ok);
    box->button(QMessageBox::Ok)->setText(ButtonCaption(TMsgButton::OK));
    return box;
}

void TDialogs::ShowMessageKind(const QString &message, TMsgKind kind)
{
    ShowMessageCaptioned(KindCaption(kind), message, kind);
}

void TDialogs::ShowMessageCaptioned(const QString &caption, const QString &message, TMsgKind kind)
{
    if (EndingForTermination())
        return;
    if (const TDialogAnswerHook &hook = Hook()) {
        TDialogRequest request;
        request.Form = TDialogRequest::TForm::Standard;
        request.Kind = kind;
        request.Caption = caption;
        request.Text = message;
        request.Buttons = QStringList{ButtonCaption(TMsgButton::OK)};
        request.DefaultButton = 1;
        request.CancelButton = 1;
        hook(request);
        return;
    }
    const std::unique_ptr<QMessageBox> box = CreateMessageBox(message, kind);
    box->setWindowTitle(caption);
    box->adjustSize();
    // Centred over the window the user is looking at; Qt puts a box without one on
    // the screen's centre itself.
    if (const QWidget *active = QApplication::activeWindow())
        box->move(active->frameGeometry().center() - box->rect().center());
    ReportShown(message);
    box->exec();
}

void TDialogs::EndAllForTermination()
{
    EndingForTermination() = true;
    // A popup menu runs a loop of its own; each close ends one, a bounded number of them.
    for (int i = 0; i < 16; ++i) {
        QWidget *popup = QApplication::activePopupWidget();
        if (!popup)
            break;
        popup->close();
    }
    // Every dialog ends its own exec loop; the callers then see Cancel and unwind, inner first.
    for (QWidget *window : QApplication::topLevelWidgets()) {
        if (!window->isVisible())
            continue;
        if (auto *message = qobject_cast<TMessageDialog *>(window))
            message->EndAsCancelled();
        else if (auto *dialog = qobject_cast<QDialog *>(window))
            dialog->reject();
        else if (window->isModal())
            window->close();
    }
}

bool TDialogs::IsEndingForTermination()
{
    return EndingForTermination();
}

void TDialogs::ClearTermination()
{
    EndingForTermination() = false;
}

QString TDialogs::SaveFileName(QWidget *parent, const QString &caption, const QString &filter)
{
    if (IsEndingForTermination())
        return {};
    if (FileNameHook())
        return FileNameHook()(caption, filter);
    return QFileDialog::getSaveFileName(parent, caption, QString(), filter);
}

void TDialogs::SetFileNameHook(TFileNameHook hook)
{
    FileNameHookStore() = std::move(hook);
}

const TFileNameHook &TDialogs::FileNameHook()
{
    return FileNameHookStore();
}

TFileNameScope::TFileNameScope(TFileNameHook hook) : m_previous(TDialogs::FileNameHook())
{
    TDialogs::SetFileNameHook(std::move(hook));
}

TFileNameScope::~TFileNameScope()
{
    TDialogs::SetFileNameHook(std::move(m_previous));
}

void TDialogs::SetAnswerHook(TDialogAnswerHook hook)
{
    Hook() = std::move(hook);
}

const TDialogAnswerHook &TDialogs::AnswerHook()
{
    return Hook();
}

TDialogAnswerScope::TDialogAnswerScope(TDialogAnswerHook hook) : m_previous(TDialogs::AnswerHook())
{
    TDialogs::SetAnswerHook(std::move(hook));
}

TDialogAnswerScope::~TDialogAnswerScope()
{
    TDialogs::SetAnswerHook(std::move(m_previous));
}
