// Device and network text is made harmless: control characters become spaces in stored cells
// and \xHH on a terminal; all other characters stay as they are.
#include "model/uTextEscape.h"

#include <gtest/gtest.h>

TEST(TextEscape, ControlCharactersAreReplacedOrShownEscaped)
{
    struct Case {
        QString text;
        QString spaced;
        QString escaped;
    };
    const Case cases[] = {
        {QStringLiteral("Duct °C"), QStringLiteral("Duct °C"), QStringLiteral("Duct °C")},
        {QStringLiteral("a\r\nX"), QStringLiteral("a  X"), QStringLiteral("a\\x0d\\x0aX")},
        {QStringLiteral("\x1b]0;owned\x07"), QStringLiteral(" ]0;owned "),
         QStringLiteral("\\x1b]0;owned\\x07")},
        {QStringLiteral("t\tab"), QStringLiteral("t ab"), QStringLiteral("t\\x09ab")},
        {QString(QChar(0x7F)) + QChar(0x9B) + QChar(0xA0), QStringLiteral("  ") + QChar(0xA0),
         QStringLiteral("\\x7f\\x9b") + QChar(0xA0)},
        {QString(QChar(0)), QStringLiteral(" "), QStringLiteral("\\x00")},
        {QStringLiteral("back\\slash \"q\""), QStringLiteral("back\\slash \"q\""),
         QStringLiteral("back\\slash \"q\"")},
    };
    for (const Case &c : cases) {
        EXPECT_EQ(ControlsToSpaces(c.text), c.spaced) << c.escaped.toStdString();
        EXPECT_EQ(EscapeControls(c.text), c.escaped);
    }
}
