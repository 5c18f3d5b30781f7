#pragma once

#include <QString>

namespace Platform
{

// Syslog priorities for standard-error messages.
constexpr int PriorityError = 3;
constexpr int PriorityWarning = 4;
constexpr int PriorityInfo = 6;

// True when standard error is the journal's stream: JOURNAL_STREAM names its device and
// inode (a child that inherited the variable but writes elsewhere gets no prefixes).
bool StderrIsJournal();

// "<3>" and the like while standard error is the journal, so it files each line at its
// priority; empty otherwise.
QString StderrPriorityPrefix(int priority);

} // namespace Platform
