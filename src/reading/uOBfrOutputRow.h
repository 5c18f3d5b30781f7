#pragma once

// One line of the measurement panel: a quantity's name, its value or error, its unit and its
// alarm, and the check box that shows or hides the quantity's chart window.

#include <QWidget>

class QCheckBox;
class QLabel;
class TLangQuan;
class TfChart;

class TOBfrOutputRow : public QWidget
{
    Q_OBJECT

public:
    static constexpr int RowHeight = 20;

    // chart may be none; the check box is enabled only with chartEnabled (a chart keeping
    // more than one point). A missing quantity raises Exception.
    TOBfrOutputRow(TLangQuan *quantity, bool chartEnabled, TfChart *chart, QWidget *parent = nullptr);

    // The quantity's current reading and alarm.
    void Refresh();
    void RefreshAlarm();

    TLangQuan *Quantity() const { return m_quantity; }
    TfChart *Chart() const { return m_chart; }

    QCheckBox *cbChart;
    QLabel *lQuantName;
    QLabel *lValue;
    QLabel *lUnit;
    QLabel *lAlarm;

private:
    void cbChartClick();

    TLangQuan *m_quantity;
    TfChart *m_chart;
    const QString m_lowAlarmText;
    const QString m_highAlarmText;
};
