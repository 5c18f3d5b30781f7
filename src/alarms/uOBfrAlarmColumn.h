#pragma once

// The parts both kinds of user alarm column share: the raised panel and the title with the
// quantity's name.

class QFrame;
class QLabel;
class QString;
class QWidget;

namespace AlarmColumn
{

// The raised panel that fills a column of the given size.
QFrame *CreatePanel(QWidget *column, int width, int height);

// The grey title strip across the top of the panel.
QLabel *CreateTitle(QFrame *panel, int width);

// Shows a quantity's name in the title. The column is as narrow as the dialog's layout requires;
// a long name ("Atmospheric pressure") is set in a smaller type rather than cut at both ends,
// and the tooltip keeps it whole.
void SetTitleText(QLabel *title, const QString &name);

} // namespace AlarmColumn
