#include "model/uTextEscape.h"

bool IsControlCharacter(QChar c)
{
    const char16_t code = c.unicode();
    return code < 0x20 || (code >= 0x7F && code <= 0x9F);
}

QString ControlsToSpaces(const QString &text)
{
    QString result = text;
    for (QChar &c : result) {
        if (IsControlCharacter(c))
            c = QLatin1Char(' ');
    }
    return result;
}

QString EscapeControls(const QString &text)
{
    QString result;
    result.reserve(text.size());
    for (const QChar c : text) {
        if (IsControlCharacter(c))
            result +=
                QStringLiteral("\\x%1").arg(static_cast<unsigned>(c.unicode()), 2, 16, QLatin1Char('0'));
        else
            result += c;
    }
    return result;
}
