#include "reading/uOBfrOutputRow.h"

#include "reading/uOBfChart.h"
#include "reading/uRowText.h"

#include "model/uExceptions.h"
#include "model/uOBGlob.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>

namespace
{

QLabel *NewLabel(const QString &name, QWidget *parent, int width, bool bold)
{
    auto *label = new QLabel(parent);
    label->setObjectName(name);
    if (width > 0)
        label->setFixedWidth(width);
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
    setFixedHeight(RowHeight);
    setAutoFillBackground(true);
    setBackgroundRole(QPalette::Base);

    cbChart = new QCheckBox(this);
    cbChart->setObjectName(QStringLiteral("cbChart"));
    cbChart->setEnabled(chartEnabled);
    // The widths leave room for the alarm mark beside the unit inside the main window's output
    // area at common desktop font sizes, so no sideways scrolling is needed.
    lQuantName = NewLabel(QStringLiteral("lQuantName"), this, 160, false);
    lValue = NewLabel(QStringLiteral("lValue"), this, 90, true);
    lValue->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    lUnit = NewLabel(QStringLiteral("lUnit"), this, 45, false);
    lAlarm = NewLabel(QStringLiteral("lAlarm"), this, 0, true);
    SetTextColour(lAlarm, Qt::red);

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

    connect(cbChart, &QCheckBox::clicked, this, &TOBfrOutputRow::cbChartClick);
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
