#pragma once

#include "model/uExceptions.h"

#include <QByteArray>
#include <QString>

#include <cstddef>
#include <cstdint>
#include <span>

// A text that is not a number in the expected notation.
class EConvertError : public Exception
{
public:
    using Exception::Exception;
};

// A byte string whose n characters are the first n of the given bytes, in order.
// Raises Exception when fewer than n bytes are given.
QByteArray BytesToText(std::span<const std::uint8_t> bytes, std::size_t n);

// Every pair of hexadecimal digits (either case) becomes one byte, in order.
// Raises Exception "HexStr length error. (HexStr2BinStr)" for an odd length and
// EConvertError for a pair that is not hexadecimal.
QByteArray HexStr2BinStr(const QString &hex);
