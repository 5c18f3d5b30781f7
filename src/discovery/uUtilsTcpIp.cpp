#include "discovery/uUtilsTcpIp.h"

#include "model/uExceptions.h"
#include "platform/Icmp.h"
#include "platform/NetInfo.h"

#include <QRegularExpression>

#include <chrono>
#include <thread>

bool IsValidIP(const QString &text)
{
    // [0-9] rather than \d, which also takes other scripts' digits; anchored so a
    // final line break does not slip through as "$" would let it.
    static const QRegularExpression pattern(
        QRegularExpression::anchoredPattern(QStringLiteral("([0-9]{1,3}\\.){3}[0-9]{1,3}")));
    if (!pattern.match(text).hasMatch())
        return false;
    for (const QString &part : text.split(QLatin1Char('.'))) {
        if (part.toInt() > 255)
            return false;
    }
    return true;
}

bool IsValidMAC(const QString &text)
{
    static const QRegularExpression pattern(
        QRegularExpression::anchoredPattern(QStringLiteral("([0-9a-fA-F]{2}-){5}[0-9a-fA-F]{2}")));
    return pattern.match(text).hasMatch();
}

bool IPToBytes(const QString &text, TIPBytes &bytes)
{
    if (!IsValidIP(text))
        return false;
    const QStringList parts = text.split(QLatin1Char('.'));
    for (int i = 0; i < 4; ++i)
        bytes[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(parts[i].toInt());
    return true;
}

TIPBytes ResolveHost(const QString &name)
{
    TIPBytes bytes{0, 0, 0, 0};
    if (IPToBytes(name, bytes))
        return bytes;
    std::uint32_t address = 0;
    if (!Platform::ResolveIPv4(name, address))
        return {0, 0, 0, 0};
    return {static_cast<std::uint8_t>(address >> 24), static_cast<std::uint8_t>(address >> 16),
            static_cast<std::uint8_t>(address >> 8), static_cast<std::uint8_t>(address)};
}

bool Ping(const QString &host, std::uint32_t timeoutMs, int tries)
{
    Platform::TIcmpEcho echo;
    if (!echo.IsOpen())
        throw Exception(QStringLiteral("Invalid handle"));
    const TIPBytes bytes = ResolveHost(host);
    const std::uint32_t address = std::uint32_t{bytes[0]} << 24 | std::uint32_t{bytes[1]} << 16 |
                                  std::uint32_t{bytes[2]} << 8 | std::uint32_t{bytes[3]};
    for (int attempt = 0; attempt < tries; ++attempt) {
        // An unresolved host is 0.0.0.0, which Linux would deliver to this very
        // machine and so report as answering; it never is a device.
        if (address != 0 && echo.Echo(address, timeoutMs))
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(500));
    }
    return false;
}
