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
    // The smallest row; a larger desktop font makes the rows as tall as its text needs.
    static constexpr int RowHeight = 20;

    // The widths of the columns whose texts differ from row to row: the frame gives every row
    // the widest, so the columns line up.
    struct TColumnWidths {
        int Name = 0;
        int Unit = 0;
    };

    // chart may be none; the check box is enabled only with chartEnabled (a chart keeping
    // more than one point). A missing quantity raises Exception.
    TOBfrOutputRow(TLangQuan *quantity, bool chartEnabled, TfChart *chart, QWidget *parent = nullptr);

    // The quantity's current reading and alarm.
    void Refresh();
    void RefreshAlarm();

    // What this row's texts need at the row's font, never less than the columns' smallest widths.
    TColumnWidths NeededWidths() const;
    void SetColumnWidths(const TColumnWidths &widths);

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
