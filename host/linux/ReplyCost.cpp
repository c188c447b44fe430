#include "host/linux/ReplyCost.h"

#include "host/linux/DaemonLog.h"

#include <cstdio>
#include <ctime>

namespace linuxhost {

namespace {

double threadCpuMillis()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) / 1e6;
}

double g_arrival = -1;

} // namespace

void markReplyArrival()
{
    g_arrival = threadCpuMillis();
}

void reportReplyCost()
{
    if (g_arrival < 0)
        return;
    char text[64];
    std::snprintf(text, sizeof text, "reply handled in %.2f ms of CPU", threadCpuMillis() - g_arrival);
    g_arrival = -1;
    note(text);
}

} // namespace linuxhost
