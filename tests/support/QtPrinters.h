#pragma once

// How GoogleTest prints Qt values in a failure message: a text as the text itself, in
// quotes, instead of the bytes of the object.

#include <QString>

#include <ostream>

inline void PrintTo(const QString &text, std::ostream *os)
{
    *os << '"' << text.toStdString() << '"';
}
