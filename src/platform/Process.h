#pragma once

#include <QStringList>

#include <cstdint>
#include <sys/types.h>

namespace Platform
{

// Starts argv[0] (searched on PATH) with argv as its arguments in a process group of
// its own, with the default environment and current folder and no descriptors
// beyond the standard three. Quiet sends all three to /dev/null, as a hidden console
// program has none. Returns the child's id, or -1 with errno set.
pid_t SpawnInOwnGroup(const QStringList &argv, bool quiet);

enum class TWaitResult { Ended, TimedOut, Failed };

// Waits for a child of SpawnInOwnGroup to end, at most timeoutMs (negative: without
// limit), and reaps it when it ended. exitCode, when given, receives the exit status
// of a child that ended normally and -1 otherwise (killed, or reaped elsewhere).
TWaitResult WaitForChild(pid_t pid, std::int64_t timeoutMs, int *exitCode = nullptr);

// Ends a child's whole process group at once and reaps the child.
void EndChildGroup(pid_t pid);

// Lets a child that outlived its wait go on running. It is reaped when it ends (on a
// later call into this unit), and its whole process group is ended when this program
// exits or EndBackgroundChildren is called, so nothing started here outlives the program.
void KeepRunningInBackground(pid_t pid);

// Ends the process groups of every background child still running and reaps them.
void EndBackgroundChildren();

// How many background children are still known to be running.
int BackgroundChildCount();

} // namespace Platform
