#pragma once

#include <QString>

#include <cstdint>

// Operating-system services the rest of the program needs in one place each.
// Class-level operations only.
class TWinAPIUtils
{
public:
    TWinAPIUtils() = delete;

    // The "wait without limit" time-out of RunAndWait.
    static constexpr std::uint32_t Infinite = 0xFFFFFFFFu;

    // The version of a program file as "a.b.c.d", or "" when the file carries no
    // version information. Linux executables have no version resource: the program's
    // own file (symbolic links resolved) reports the version fixed at build time.
    static QString GetFileVersion(const QString &filePath);

    // The four numbers from the two 32-bit version words: high and low half of the
    // most significant word, then of the least significant one.
    static QString FormatFileVersion(std::uint32_t mostSignificant, std::uint32_t leastSignificant);

    // Starts the command line (program and arguments, quoted as in a shell) in a
    // process group of its own and waits for it at most timeoutMs (Infinite: without
    // limit). True when it ended in time, false when the time-out passed first; the
    // program then keeps running but is ended when this program exits.
    // Raises Exception "Unable to Create Process \"<command line>\"" or "Process wait failed.".
    static bool RunAndWait(const QString &commandLine, bool hidden, std::uint32_t timeoutMs);
};
