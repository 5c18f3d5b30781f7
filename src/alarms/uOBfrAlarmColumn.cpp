#include "alarms/uOBfrAlarmColumn.h"

#include <QFont>
#include <QFontMetrics>
#include <QFrame>
#include <QLabel>
#include <QString>

namespace AlarmColumn
{

QFrame *CreatePanel(QWidget *column, int width, int height)
{
    auto *panel = new QFrame(column);
    panel->setObjectName(QStringLiteral("pMain"));
    panel->setFrameShape(QFrame::Panel);
    panel->setFrameShadow(QFrame::Raised);
    panel->setGeometry(0, 0, width, height);
    return panel;
}

QLabel *CreateTitle(QFrame *panel, int width)
{
    auto *title = new QLabel(panel);
    title->setObjectName(QStringLiteral("lQuantName"));
    title->setAlignment(Qt::AlignCenter);
    title->setAutoFillBackground(true);
    title->setStyleSheet(QStringLiteral("background-color: grey; color: white;"));
    title->setGeometry(2, 2, width - 4, 18);
    return title;
}

void SetTitleText(QLabel *title, const QString &name)
{
    title->setText(name);
    title->setToolTip(name);
    QFont font = title->font();
    const int available = title->width() - 4;
    while (QFontMetrics(font).horizontalAdvance(name) > available && font.pointSizeF() > 6.0)
        font.setPointSizeF(font.pointSizeF() - 0.5);
    title->setFont(font);
}

} // namespace AlarmColumn
