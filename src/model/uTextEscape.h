#pragma once

// Text that comes from a device or a network reply, made harmless where it is shown or stored.
// A device names its channels and units itself; anyone on the LAN can answer a discovery.

#include <QString>

// C0 controls (CR, LF, TAB, ESC, ...), DEL and the C1 controls.
bool IsControlCharacter(QChar c);

// Every control character replaced with a space (one line, no terminal commands).
QString ControlsToSpaces(const QString &text);

// Every control character shown as \xHH, so printing the text cannot move the cursor, change
// colours or retitle the operator's terminal; everything else stays as it is.
QString EscapeControls(const QString &text);
