#pragma once

namespace Platform
{

// Scheduling priority of the calling thread as a nice value (-20 highest, 19 lowest).
int CurrentNice();

// Tries to set the calling thread's nice value; false when the system refuses
// (an ordinary user may not lower it).
bool SetNice(int nice);

// Raises the calling thread's priority for its lifetime and always puts the
// previous value back. A refused raise is not an error: the caller then simply
// runs at its normal priority.
class TScopedHighPriority
{
public:
    // The nice value asked for while raised; a "high" class, below the
    // real-time-like extremes so a busy spin cannot starve the desktop.
    static constexpr int HighNice = -10;

    TScopedHighPriority();
    ~TScopedHighPriority();
    TScopedHighPriority(const TScopedHighPriority &) = delete;
    TScopedHighPriority &operator=(const TScopedHighPriority &) = delete;

    bool Raised() const { return m_raised; }

private:
    int m_previous;
    bool m_raised = false;
};

} // namespace Platform
