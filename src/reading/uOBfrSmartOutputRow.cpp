#include "reading/uOBfrSmartOutputRow.h"

#include "reading/uRowText.h"

#include "model/uExceptions.h"
#include "model/uOBGlob.h"

#include <QFontMetrics>
#include <QLabel>

namespace
{

constexpr int BarHeight = 2;
constexpr int SideWidth = 4;
constexpr std::uint8_t BarDarkening = 75;

QWidget *NewPanel(const QString &name, QWidget *parent)
{
    auto *panel = new QWidget(parent);
    panel->setObjectName(name);
    panel->setAutoFillBackground(true);
    return panel;
}

QLabel *NewLabel(const QString &name, QWidget *parent)
{
    auto *label = new QLabel(parent);
    label->setObjectName(name);
    label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    return label;
}

TLangQuan *Required(TLangQuan *quantity)
{
    if (quantity == nullptr)
        throw Exception(QStringLiteral("[interrupt] TOBfrSmartOutputRow.Create(Quant: TLangQuan)"));
    return quantity;
}

} // namespace

QColor ColorFromBgr(std::uint32_t bgr)
{
    return QColor(static_cast<int>(bgr & 0xFF), static_cast<int>((bgr >> 8) & 0xFF),
                  static_cast<int>((bgr >> 16) & 0xFF));
}

std::uint32_t BgrFromColor(const QColor &colour)
{
    return static_cast<std::uint32_t>(colour.red()) | (static_cast<std::uint32_t>(colour.green()) << 8) |
           (static_cast<std::uint32_t>(colour.blue()) << 16);
}

void SetPanelColour(QWidget *panel, const QColor &colour)
{
    QPalette palette = panel->palette();
    // Set on every tick; a palette change costs a style update, so only a real change is made.
    if (panel->testAttribute(Qt::WA_SetPalette) && palette.color(QPalette::Window) == colour)
        return;
    palette.setColor(QPalette::Window, colour);
    panel->setPalette(palette);
}

TOBfrSmartOutputRow::TOBfrSmartOutputRow(TLangQuan *quantity, QWidget *parent)
    : QWidget(parent), m_quantity(Required(quantity))
{
    setObjectName(QStringLiteral("TOBfrSmartOutputRow"));
    pTop = NewPanel(QStringLiteral("pTop"), this);
    pBottom = NewPanel(QStringLiteral("pBottom"), this);
    pLeft = NewPanel(QStringLiteral("pLeft"), this);
    pRight = NewPanel(QStringLiteral("pRight"), this);
    pRow = NewPanel(QStringLiteral("pRow"), this);
    lQuantName = NewLabel(QStringLiteral("lQuantName"), pRow);
    lValue = NewLabel(QStringLiteral("lValue"), pRow);
    lValue->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    QFont bold = lValue->font();
    bold.setBold(true);
    lValue->setFont(bold);
    lUnit = NewLabel(QStringLiteral("lUnit"), pRow);

    lQuantName->setText(m_quantity->GetName() + QStringLiteral(":"));
    lUnit->setText(m_quantity->GetPlainUnitSymbol());
    lValue->setText(QStringLiteral("-"));
}

void TOBfrSmartOutputRow::Refresh()
{
    const TRowText text = TRowTexts::Of(*m_quantity);
    lUnit->setText(text.Unit);
    lValue->setText(text.Value);
    RefreshColors();
}

void TOBfrSmartOutputRow::RefreshColors()
{
    if (TRowTexts::ShowsAlarmColours(*m_quantity)) {
        SetPanelColour(pRow, Qt::red);
        PaintLabels(Qt::yellow);
    } else {
        SetPanelColour(pRow, ColorFromBgr(m_backColor));
        PaintLabels(ColorFromBgr(m_textColor));
    }
}

void TOBfrSmartOutputRow::SetBackColor(std::uint32_t bgr)
{
    m_backColor = bgr;
    SetPanelColour(pRow, ColorFromBgr(bgr));
    const QColor bar = ColorFromBgr(DarkenColor(bgr, BarDarkening));
    for (QWidget *panel : {pTop, pBottom, pLeft, pRight})
        SetPanelColour(panel, bar);
}

void TOBfrSmartOutputRow::SetTextColor(std::uint32_t bgr)
{
    m_textColor = bgr;
    PaintLabels(ColorFromBgr(bgr));
}

void TOBfrSmartOutputRow::PaintLabels(const QColor &colour)
{
    for (QLabel *label : {lQuantName, lValue, lUnit}) {
        QPalette palette = label->palette();
        if (label->testAttribute(Qt::WA_SetPalette) && palette.color(QPalette::WindowText) == colour &&
            palette.color(QPalette::Text) == colour)
            continue;
        palette.setColor(QPalette::WindowText, colour);
        palette.setColor(QPalette::Text, colour);
        label->setPalette(palette);
    }
}

void TOBfrSmartOutputRow::SetFontSize(int points)
{
    for (QLabel *label : {lQuantName, lValue, lUnit}) {
        QFont font = label->font();
        font.setPointSize(points);
        label->setFont(font);
    }
}

void TOBfrSmartOutputRow::HookMouse(QObject *filter)
{
    for (QWidget *w : {pTop, pBottom, pLeft, pRight, pRow, static_cast<QWidget *>(lQuantName),
                       static_cast<QWidget *>(lValue), static_cast<QWidget *>(lUnit)}) {
        w->removeEventFilter(filter); // laid out again: hooked once only
        w->installEventFilter(filter);
    }
}

void TOBfrSmartOutputRow::SetTitleShown(bool shown)
{
    lQuantName->setText(shown ? m_quantity->GetName() : QString());
}

TPopupRowWidths TOBfrSmartOutputRow::MeasuredWidths() const
{
    TPopupRowWidths widths;
    const QString title = lQuantName->text();
    widths.Title = title.isEmpty() ? 0 : QFontMetrics(lQuantName->font()).horizontalAdvance(title);
    widths.Unit = QFontMetrics(lUnit->font()).horizontalAdvance(lUnit->text());
    return widths;
}

int TOBfrSmartOutputRow::ValueColumnWidth() const
{
    return QFontMetrics(lValue->font()).horizontalAdvance(QStringLiteral("OOOOOOO"));
}

void TOBfrSmartOutputRow::ApplyPlace(const TPopupRowPlace &place)
{
    setGeometry(place.Geometry);
    const int w = place.Geometry.width();
    const int h = place.Geometry.height();
    pTop->setGeometry(0, 0, w, BarHeight);
    pBottom->setGeometry(0, h - BarHeight, w, BarHeight);
    pLeft->setGeometry(0, BarHeight, SideWidth, h - 2 * BarHeight);
    pRight->setGeometry(w - SideWidth, BarHeight, SideWidth, h - 2 * BarHeight);
    pRow->setGeometry(SideWidth, BarHeight, w - 2 * SideWidth, h - 2 * BarHeight);
    const int inner = h - 2 * BarHeight;
    lQuantName->setGeometry(0, 0, place.TitleWidth, inner);
    lValue->setGeometry(place.TitleWidth, 0, place.ValueRight - place.TitleWidth, inner);
    lUnit->setGeometry(place.UnitLeft, 0, std::max(0, pRow->width() - place.UnitLeft), inner);
}
