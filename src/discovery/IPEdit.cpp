#include "discovery/IPEdit.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QRegularExpressionValidator>

#include <algorithm>

namespace
{

// A frameless line edit keeps this much room on either side of its text.
constexpr int LineEditSideMargin = 2;

bool IsDigitKey(const QKeyEvent *event)
{
    const QString t = event->text();
    return t.size() == 1 && t[0] >= QLatin1Char('0') && t[0] <= QLatin1Char('9');
}

} // namespace

TIPByteEdit::TIPByteEdit(TIPEdit *owner, int index) : QLineEdit(owner), m_owner(owner), m_index(index)
{
    setObjectName(QStringLiteral("eOctet%1").arg(index));
    setFrame(false);
    setMaxLength(IPText::OctetMaxLength);
    setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]{0,3}")), this));
    // Drops would bypass the paste rules.
    setAcceptDrops(false);
    setFocusPolicy(Qt::ClickFocus);
    setText(QStringLiteral("0"));
    connect(this, &QLineEdit::textChanged, this, &TIPByteEdit::AfterTextChanged);
}

void TIPByteEdit::AfterTextChanged()
{
    if (m_adjusting)
        return;
    QString t = text();
    if (IPText::ClampOctetText(t)) {
        const int caret = cursorPosition();
        m_adjusting = true;
        setText(t);
        setCursorPosition(std::min(caret, static_cast<int>(t.size())));
        m_adjusting = false;
        m_owner->Beep();
    }
    Q_EMIT m_owner->OnChange();
}

void TIPByteEdit::PasteText(const QString &pasted)
{
    if (isReadOnly())
        return;
    if (const std::optional<TIPBytes> whole = IPText::WholeAddress(pasted)) {
        m_owner->SetOctets(*whole);
        return;
    }
    const int start = hasSelectedText() ? selectionStart() : cursorPosition();
    const int length = hasSelectedText() ? static_cast<int>(selectedText().size()) : 0;
    QString result = text();
    result.replace(start, length, pasted);
    if (!IPText::IsAcceptablePaste(result))
        return;
    setText(result);
    setCursorPosition(start + static_cast<int>(pasted.size()));
}

bool TIPByteEdit::HandleNavigationKey(QKeyEvent *event)
{
    const Qt::KeyboardModifiers mods = event->modifiers() & ~Qt::KeypadModifier;
    const bool plain = mods == Qt::NoModifier;
    const bool ctrlWithoutAlt = mods.testFlag(Qt::ControlModifier) && !mods.testFlag(Qt::AltModifier);
    const bool atEnd = !hasSelectedText() && cursorPosition() == text().size();
    const bool atStart = !hasSelectedText() && cursorPosition() == 0;
    switch (event->key()) {
    case Qt::Key_Right:
        if (ctrlWithoutAlt) {
            m_owner->Navigate(this, true, true);
            return true;
        }
        [[fallthrough]];
    case Qt::Key_Down:
        if (plain && atEnd) {
            m_owner->Navigate(this, true, false);
            return true;
        }
        return false;
    case Qt::Key_Left:
        if (ctrlWithoutAlt) {
            m_owner->Navigate(this, false, true);
            return true;
        }
        [[fallthrough]];
    case Qt::Key_Up:
        if (plain && atStart) {
            m_owner->Navigate(this, false, false);
            return true;
        }
        return false;
    case Qt::Key_Backspace:
        if (atStart) {
            m_owner->Navigate(this, false, false);
            return true;
        }
        return false;
    default:
        break;
    }
    if (event->text() == QLatin1String(".")) {
        m_owner->Navigate(this, true, true);
        return true;
    }
    return false;
}

void TIPByteEdit::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        // Nothing for the box to do; the window's default button still sees it.
        event->ignore();
        return;
    }
    if (HandleNavigationKey(event)) {
        event->accept();
        return;
    }
    if (event->matches(QKeySequence::Paste)) {
        PasteText(QGuiApplication::clipboard()->text());
        event->accept();
        return;
    }
    const bool digit = IsDigitKey(event);
    QLineEdit::keyPressEvent(event);
    if (digit && !hasSelectedText() && cursorPosition() >= IPText::OctetMaxLength)
        m_owner->Navigate(this, true, true);
}

void TIPByteEdit::focusOutEvent(QFocusEvent *event)
{
    bool beep = false;
    const QString normal = IPText::NormalizedOctetText(text(), &beep);
    if (normal != text())
        setText(normal);
    if (beep)
        m_owner->Beep();
    QLineEdit::focusOutEvent(event);
}

void TIPByteEdit::contextMenuEvent(QContextMenuEvent *event)
{
    QMenu *menu = createStandardContextMenu();
    menu->setAttribute(Qt::WA_DeleteOnClose);
    // The menu's Paste goes through the paste rules like Ctrl+V.
    for (QAction *action : menu->actions()) {
        if (action->objectName() == QLatin1String("edit-paste")) {
            disconnect(action, &QAction::triggered, nullptr, nullptr);
            connect(action, &QAction::triggered, this,
                    [this] { PasteText(QGuiApplication::clipboard()->text()); });
        }
    }
    menu->popup(event->globalPos());
}

void TIPByteEdit::mouseReleaseEvent(QMouseEvent *event)
{
    QClipboard *clipboard = QGuiApplication::clipboard();
    if (event->button() == Qt::MiddleButton && clipboard->supportsSelection()) {
        PasteText(clipboard->text(QClipboard::Selection));
        event->accept();
        return;
    }
    QLineEdit::mouseReleaseEvent(event);
}

TIPEdit::TIPEdit(QWidget *parent) : QFrame(parent)
{
    setBackgroundRole(QPalette::Base);
    setAutoFillBackground(true);
    setCursor(Qt::IBeamCursor);
    for (int i = 0; i < 4; ++i) {
        m_boxes[static_cast<std::size_t>(i)] = new TIPByteEdit(this, i);
        if (i < 3) {
            auto *dot = new QLabel(QStringLiteral("."), this);
            dot->setObjectName(QStringLiteral("lDot%1").arg(i));
            dot->setAlignment(Qt::AlignCenter);
            m_dots[static_cast<std::size_t>(i)] = dot;
        }
    }
    setFocusPolicy(Qt::NoFocus);
    setFocusProxy(m_boxes[0]);
    SetTabStop(true);
    SetAlignment(Qt::AlignHCenter);
    SetBorderStyle(TBorderStyle::Single);
    // Never narrower than four boxes and three dots, as a set size would cut digits off.
    setMinimumSize(minimumSizeHint());
    resize(sizeHint());
}

QString TIPEdit::Text() const
{
    IPText::TOctetTexts texts;
    for (std::size_t i = 0; i < 4; ++i)
        texts[i] = m_boxes[i]->text();
    return IPText::JoinOctets(texts);
}

void TIPEdit::SetText(const QString &text)
{
    SetOctets(IPText::SplitText(text));
}

std::uint32_t TIPEdit::Value() const
{
    return IPText::PackValue(IPText::SplitText(Text()));
}

void TIPEdit::SetValue(std::uint32_t value)
{
    SetOctets(IPText::UnpackValue(value));
}

void TIPEdit::SetOctets(const TIPBytes &octets)
{
    for (std::size_t i = 0; i < 4; ++i)
        m_boxes[i]->setText(QString::number(octets[i]));
}

bool TIPEdit::Focused() const
{
    return std::any_of(m_boxes.begin(), m_boxes.end(), [](const TIPByteEdit *b) { return b->hasFocus(); });
}

void TIPEdit::SetReadOnly(bool readOnly)
{
    m_readOnly = readOnly;
    for (TIPByteEdit *b : m_boxes)
        b->setReadOnly(readOnly);
}

void TIPEdit::SetAlignment(Qt::Alignment alignment)
{
    m_alignment = alignment & Qt::AlignHorizontal_Mask;
    for (TIPByteEdit *b : m_boxes)
        b->setAlignment(m_alignment | Qt::AlignVCenter);
}

void TIPEdit::SetBorderStyle(TBorderStyle style)
{
    m_border = style;
    setFrameStyle(style == TBorderStyle::Single ? QFrame::StyledPanel | QFrame::Sunken : QFrame::NoFrame);
    setMinimumSize(minimumSizeHint());
    ArrangeBoxes();
}

void TIPEdit::SetTabStop(bool tabStop)
{
    m_tabStop = tabStop;
    m_boxes[0]->setFocusPolicy(tabStop ? Qt::StrongFocus : Qt::ClickFocus);
}

QColor TIPEdit::Color() const
{
    return palette().color(QPalette::Base);
}

void TIPEdit::SetColor(const QColor &color)
{
    // The boxes inherit the panel's palette, so they take its colour.
    QPalette p = palette();
    p.setColor(QPalette::Base, color);
    setPalette(p);
}

void TIPEdit::Navigate(TIPByteEdit *box, bool forward, bool selectAll)
{
    const int target = box->Index() + (forward ? 1 : -1);
    if (target < 0 || target > 3)
        return;
    TIPByteEdit *next = m_boxes[static_cast<std::size_t>(target)];
    next->setFocus(Qt::OtherFocusReason);
    if (selectAll)
        next->selectAll();
    else
        next->setCursorPosition(forward ? 0 : static_cast<int>(next->text().size()));
}

void TIPEdit::Beep()
{
    Q_EMIT Beeped();
    QApplication::beep();
}

QSize TIPEdit::BoxSize() const
{
    const QFontMetrics fm(font());
    int digitWidth = 0;
    for (char c = '0'; c <= '9'; ++c)
        digitWidth = std::max(digitWidth, fm.horizontalAdvance(QLatin1Char(c)));
    const int height = std::max(fm.height(), m_dots[0]->sizeHint().height());
    return {IPText::OctetMaxLength * digitWidth + 2 * LineEditSideMargin, height};
}

int TIPEdit::DotWidth() const
{
    return m_dots[0]->sizeHint().width();
}

QSize TIPEdit::minimumSizeHint() const
{
    const QSize box = BoxSize();
    const int frame = 2 * frameWidth();
    return {4 * box.width() + 3 * DotWidth() + frame, box.height() + frame};
}

QSize TIPEdit::sizeHint() const
{
    return minimumSizeHint().expandedTo(QSize(125, 20));
}

void TIPEdit::ArrangeBoxes()
{
    const QRect area = contentsRect();
    const int dotWidth = DotWidth();
    QSize box = BoxSize();
    box.setWidth(std::max(box.width(), (area.width() - 3 * dotWidth) / 4));
    const int top = area.top() + (area.height() - box.height()) / 2;
    for (int i = 0; i < 4; ++i) {
        const int left = area.left() + i * (box.width() + dotWidth);
        m_boxes[static_cast<std::size_t>(i)]->setGeometry(left, top, box.width(), box.height());
        if (i < 3)
            m_dots[static_cast<std::size_t>(i)]->setGeometry(left + box.width(), top, dotWidth, box.height());
    }
}

void TIPEdit::resizeEvent(QResizeEvent *event)
{
    QFrame::resizeEvent(event);
    ArrangeBoxes();
}

void TIPEdit::changeEvent(QEvent *event)
{
    QFrame::changeEvent(event);
    if (event->type() == QEvent::FontChange) {
        setMinimumSize(minimumSizeHint());
        updateGeometry();
        ArrangeBoxes();
    }
}
