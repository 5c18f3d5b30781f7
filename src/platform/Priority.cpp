#include "platform/Priority.h"

#include <cerrno>
#include <sys/resource.h>

namespace Platform
{

// On Linux the nice value of PRIO_PROCESS 0 belongs to the calling thread, which is
// exactly the thread that waits; the other threads of the process are left alone.
int CurrentNice()
{
    errno = 0;
    const int value = getpriority(PRIO_PROCESS, 0);
    if (value == -1 && errno != 0)
        return 0;
    return value;
}

bool SetNice(int nice)
{
    return setpriority(PRIO_PROCESS, 0, nice) == 0;
}

TScopedHighPriority::TScopedHighPriority() : m_previous(CurrentNice())
{
    if (m_previous > HighNice)
        m_raised = SetNice(HighNice);
}

TScopedHighPriority::~TScopedHighPriority()
{
    if (m_raised)
        SetNice(m_previous);
}

} // namespace Platform
