#pragma once

// An IPv4 address entry: four octet boxes separated by dots. It always holds a
// well-formed address; Text() is the dotted form of the four octets. Typing a
// dot, Right at the end or Left at the start of a box, Ctrl+Right/Left and
// Backspace at the start move between the boxes; a box never holds more than
// 255. Pasting a whole dotted address into any box fills all four boxes; any
// other paste stands only when the box's resulting text is a number from 0 to 255.

#include "discovery/uIPText.h"

#include <QFrame>
#include <QLineEdit>

#include <array>
#include <cstdint>

class QLabel;
class TIPEdit;

// One octet box: digits only, at most 3 of them, no border, not a tab stop unless told.
class TIPByteEdit : public QLineEdit
{
    Q_OBJECT
public:
    TIPByteEdit(TIPEdit *owner, int index);

    int Index() const { return m_index; }
    TIPEdit *Owner() const { return m_owner; }

    // Pastes text at the caret (over the selection) under the paste rules.
    void PasteText(const QString &text);

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    bool HandleNavigationKey(QKeyEvent *event);
    void AfterTextChanged();

    TIPEdit *m_owner;
    int m_index;
    bool m_adjusting = false;
};

class TIPEdit : public QFrame
{
    Q_OBJECT
    Q_PROPERTY(QString Text READ Text WRITE SetText NOTIFY OnChange)

public:
    enum class TBorderStyle { None, Single };

    explicit TIPEdit(QWidget *parent = nullptr);

    // The dotted address; writing it follows IPText::SplitText ("10.20.30" shows 10.20.30.0).
    QString Text() const;
    void SetText(const QString &text);
    // Octet 0 in the least significant byte.
    std::uint32_t Value() const;
    void SetValue(std::uint32_t value);

    // True when one of the boxes has the input focus.
    bool Focused() const;

    bool ReadOnly() const { return m_readOnly; }
    void SetReadOnly(bool readOnly);
    Qt::Alignment Alignment() const { return m_alignment; }
    void SetAlignment(Qt::Alignment alignment);
    TBorderStyle BorderStyle() const { return m_border; }
    void SetBorderStyle(TBorderStyle style);
    // Only the first box is ever a tab stop; focus given to the control goes to it.
    bool TabStop() const { return m_tabStop; }
    void SetTabStop(bool tabStop);
    QColor Color() const;
    void SetColor(const QColor &color);

    TIPByteEdit *Box(int index) const { return m_boxes.at(static_cast<std::size_t>(index)); }
    QLabel *Dot(int index) const { return m_dots.at(static_cast<std::size_t>(index)); }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

Q_SIGNALS:
    // The text of a box changed.
    void OnChange();
    // The control beeped (a number clamped to 255, a junk text dropped).
    void Beeped();

protected:
    void resizeEvent(QResizeEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    friend class TIPByteEdit;
    void Navigate(TIPByteEdit *box, bool forward, bool selectAll);
    void Beep();
    void SetOctets(const TIPBytes &octets);
    QSize BoxSize() const;
    int DotWidth() const;
    void ArrangeBoxes();

    std::array<TIPByteEdit *, 4> m_boxes{};
    std::array<QLabel *, 3> m_dots{};
    bool m_readOnly = false;
    bool m_tabStop = true;
    Qt::Alignment m_alignment = Qt::AlignHCenter;
    TBorderStyle m_border = TBorderStyle::Single;
};
