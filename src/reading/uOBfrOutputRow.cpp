#include "reading/uOBfrOutputRow.h"

#include "reading/uOBfChart.h"
#include "reading/uRowText.h"

#include "model/uExceptions.h"
#include "model/uOBGlob.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>

#include <algorithm>

namespace
{

// The columns' smallest widths were drawn for a 9-point desktop font; at a larger font they
// grow with its average character, so nothing is cut.
constexpr int NameMinWidth = 160;
constexpr int ValueMinWidth = 90;
constexpr int UnitMinWidth = 45;
constexpr int AverageCharsAt9Pt = 7;

int ScaledWidth(int width, const QFont &font)
{
    return std::max(width, width * QFontMetrics(font).averageCharWidth() / AverageCharsAt9Pt);
}

// Room for a text in a label: its advance and the label's own margins.
int TextWidth(const QLabel *label, const QString &text)
{
    return label->fontMetrics().horizontalAdvance(text) + 2 * label->margin() + 2;
}

QLabel *NewLabel(const QString &name, QWidget *parent, bool bold)
{
    auto *label = new QLabel(parent);
    label->setObjectName(name);
    QFont font = label->font();
    font.setBold(bold);
    label->setFont(font);
    return label;
}

// On the row's window-coloured background a label draws with the text role, elsewhere with
// the window-text role: both are set, so the colour holds wherever the row sits.
void SetTextColour(QLabel *label, const QColor &colour)
{
    QPalette palette = label->palette();
    // Every tick sets the colours again; a palette change costs a style update, so only a real
    // change is made.
    if (label->testAttribute(Qt::WA_SetPalette) && palette.color(QPalette::WindowText) == colour &&
        palette.color(QPalette::Text) == colour)
        return;
    palette.setColor(QPalette::WindowText, colour);
    palette.setColor(QPalette::Text, colour);
    label->setPalette(palette);
}

TLangQuan *Required(TLangQuan *quantity)
{
    if (quantity == nullptr)
        throw Exception(QStringLiteral("[internal] TOBfrOutputRow.Create(Quant: TLangQuan; aChart: TfChart; "
                                       "ChartEnabled: Boolean) Quant is nil!"));
    return quantity;
}

} // namespace

TOBfrOutputRow::TOBfrOutputRow(TLangQuan *quantity, bool chartEnabled, TfChart *chart, QWidget *parent)
    : QWidget(parent), m_quantity(Required(quantity)), m_chart(chart),
      m_lowAlarmText(TRowTexts::LowAlarmText()), m_highAlarmText(TRowTexts::HighAlarmText())
{
    setObjectName(QStringLiteral("TOBfrOutputRow"));
    setAutoFillBackground(true);
    setBackgroundRole(QPalette::Base);

    cbChart = new QCheckBox(this);
    cbChart->setObjectName(QStringLiteral("cbChart"));
    cbChart->setEnabled(chartEnabled);
    lQuantName = NewLabel(QStringLiteral("lQuantName"), this, false);
    lValue = NewLabel(QStringLiteral("lValue"), this, true);
    lValue->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    // The widest value a device sends, "-32768.0" or an error text, fits the value column.
    lValue->setFixedWidth(
        std::max(ScaledWidth(ValueMinWidth, lValue->font()), TextWidth(lValue, QStringLiteral("-32768.00"))));
    lUnit = NewLabel(QStringLiteral("lUnit"), this, false);
    lAlarm = NewLabel(QStringLiteral("lAlarm"), this, true);
    SetTextColour(lAlarm, Qt::red);
    // The alarm word of either kind fits whole: the window is sized to show it.
    lAlarm->setMinimumWidth(std::max(TextWidth(lAlarm, m_lowAlarmText), TextWidth(lAlarm, m_highAlarmText)));
    setFixedHeight(std::max({RowHeight, lValue->sizeHint().height() + 2, cbChart->sizeHint().height()}));

    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(4, 0, 4, 0);
    layout->setSpacing(6);
    layout->addWidget(cbChart);
    layout->addWidget(lQuantName);
    layout->addWidget(lValue);
    layout->addWidget(lUnit);
    layout->addWidget(lAlarm, 1);

    lQuantName->setText(m_quantity->GetName() + QStringLiteral(":"));
    lUnit->setText(m_quantity->GetPlainUnitSymbol());
    lValue->setText(QStringLiteral("-"));
    SetColumnWidths(NeededWidths());

    connect(cbChart, &QCheckBox::clicked, this, &TOBfrOutputRow::cbChartClick);
}

TOBfrOutputRow::TColumnWidths TOBfrOutputRow::NeededWidths() const
{
    return {
        std::max(ScaledWidth(NameMinWidth, lQuantName->font()), TextWidth(lQuantName, lQuantName->text())),
        std::max(ScaledWidth(UnitMinWidth, lUnit->font()), TextWidth(lUnit, lUnit->text()))};
}

void TOBfrOutputRow::SetColumnWidths(const TColumnWidths &widths)
{
    lQuantName->setFixedWidth(widths.Name);
    lUnit->setFixedWidth(widths.Unit);
}

void TOBfrOutputRow::Refresh()
{
    const TRowText text = TRowTexts::Of(*m_quantity);
    lUnit->setText(text.Unit);
    SetTextColour(lValue, text.Failed ? Qt::red : Qt::black);
    lValue->setText(text.Value);
    RefreshAlarm();
}

void TOBfrOutputRow::RefreshAlarm()
{
    lAlarm->setText(TRowTexts::AlarmText(m_quantity->AlarmState, m_lowAlarmText, m_highAlarmText));
}

void TOBfrOutputRow::cbChartClick()
{
    if (m_chart != nullptr)
        m_chart->setVisible(cbChart->isChecked());
}
