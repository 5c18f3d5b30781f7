#pragma once

#include <QString>
#include <stdexcept>

// Every failure in Ombrix is an exception that carries a message. Callers that
// talk to a device catch `Exception` and retry or turn it into one user message.
class Exception : public std::runtime_error
{
public:
    explicit Exception(const QString &message)
        : std::runtime_error(message.toStdString()), m_message(message)
    {
    }
    const QString &Message() const noexcept { return m_message; }

private:
    QString m_message;
};

// Out-of-range codes given to the measurement model ("invalid quantity type", ...).
class ERangeError : public Exception
{
public:
    using Exception::Exception;
};
