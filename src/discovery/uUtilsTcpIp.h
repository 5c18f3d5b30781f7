#pragma once

#include <QString>

#include <array>
#include <cstdint>

using TIPBytes = std::array<std::uint8_t, 4>;

// Dotted IPv4 address: four decimal parts of 1 to 3 digits, each 0 to 255
// (leading zeros allowed), nothing before or after.
bool IsValidIP(const QString &text);

// Six pairs of hexadecimal digits in either case joined by "-".
bool IsValidMAC(const QString &text);

// The four numbers of a valid dotted address, in written order. False, leaving
// bytes alone, for an invalid text.
bool IPToBytes(const QString &text, TIPBytes &bytes);

// The first IPv4 address of a host name; a dotted address gives itself. 0.0.0.0
// when the name has no address. Never raises.
TIPBytes ResolveHost(const QString &name);

// Whether any of `tries` ICMP echo requests to the host got a reply within
// timeoutMs; every attempt without a reply is followed by a 500 ms pause.
// Raises Exception "Invalid handle" when this process can send no ICMP echo.
bool Ping(const QString &host, std::uint32_t timeoutMs, int tries);
