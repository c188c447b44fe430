#include "host/linux/SchedulerSource.h"

#include "platform/system/Device.h"

#include <glib-unix.h>
#include <glib.h>

#include <sys/timerfd.h>
#include <unistd.h>

#include <cerrno>

namespace linuxhost {

namespace {

struct DeviceSource {
    GSource base;
    platform::Device* device;
    uint64_t dispatches;
    int timer;           // CLOCK_BOOTTIME timerfd, or -1
    gpointer timerTag;   // its poll entry
    int64_t armedFor;    // the due micros the timer waits for; 0 when disarmed
};

DeviceSource& self(GSource* source)
{
    return *reinterpret_cast<DeviceSource*>(source);
}

// Armed once per due instant: prepare() runs before every poll.
void arm(DeviceSource& source, int64_t due, int64_t wait)
{
    if (source.armedFor == due)
        return;
    itimerspec timeout{};
    // A zero it_value would disarm: never less than a microsecond.
    wait = wait < 1 ? 1 : wait;
    timeout.it_value.tv_sec = static_cast<time_t>(wait / 1'000'000);
    timeout.it_value.tv_nsec = static_cast<long>(wait % 1'000'000) * 1000;
    if (timerfd_settime(source.timer, 0, &timeout, nullptr) == 0)
        source.armedFor = due;
}

void disarm(DeviceSource& source)
{
    if (source.armedFor == 0)
        return;
    itimerspec none{};
    timerfd_settime(source.timer, 0, &none, nullptr);
    source.armedFor = 0;
}

gboolean prepare(GSource* base, gint* timeout)
{
    DeviceSource& source = self(base);
    platform::Device& device = *source.device;
    std::optional<platform::Date> due = device.nextDueDate();
    *timeout = -1;
    if (!due) {
        if (source.timer >= 0)
            disarm(source);
        return FALSE;
    }
    int64_t wait = due->micros() - device.now().micros();
    if (wait <= 0) {
        *timeout = 0;
        return TRUE;
    }
    if (source.timer >= 0) {
        arm(source, due->micros(), wait);
        if (source.armedFor == due->micros())
            return FALSE;
    }
    // Rounded up: waking a little early would only poll again at once.
    int64_t millis = (wait + 999) / 1000;
    *timeout = millis > G_MAXINT ? G_MAXINT : static_cast<gint>(millis);
    return FALSE;
}

gboolean check(GSource* base)
{
    DeviceSource& source = self(base);
    if (source.timer >= 0 && (g_source_query_unix_fd(base, source.timerTag) & G_IO_IN)) {
        uint64_t expirations = 0;
        while (read(source.timer, &expirations, sizeof expirations) < 0 && errno == EINTR) {
        }
        // Fired: the next prepare arms it again, for whatever is due then.
        source.armedFor = 0;
    }
    platform::Device& device = *source.device;
    std::optional<platform::Date> due = device.nextDueDate();
    return due && *due <= device.now();
}

gboolean dispatch(GSource* base, GSourceFunc, gpointer)
{
    DeviceSource& source = self(base);
    ++source.dispatches;
    // Everything due up to now; the real clock never has to wait here.
    source.device->runUntil(source.device->now());
    return G_SOURCE_CONTINUE;
}

void finalize(GSource* base)
{
    DeviceSource& source = self(base);
    if (source.timer >= 0)
        close(source.timer);
    source.timer = -1;
}

GSourceFuncs kFuncs = {prepare, check, dispatch, finalize, nullptr, nullptr};

} // namespace

SchedulerSource::SchedulerSource(platform::Device& device)
    : m_source(g_source_new(&kFuncs, sizeof(DeviceSource)))
{
    DeviceSource& source = self(m_source);
    source.device = &device;
    source.dispatches = 0;
    source.armedFor = 0;
    source.timerTag = nullptr;
    source.timer = timerfd_create(CLOCK_BOOTTIME, TFD_NONBLOCK | TFD_CLOEXEC);
    if (source.timer >= 0)
        source.timerTag = g_source_add_unix_fd(m_source, source.timer, G_IO_IN);
    g_source_set_name(m_source, "quorvel device scheduler");
    g_source_attach(m_source, nullptr);
}

SchedulerSource::~SchedulerSource()
{
    g_source_destroy(m_source);
    g_source_unref(m_source);
}

void SchedulerSource::runDue()
{
    DeviceSource& source = self(m_source);
    ++source.dispatches;
    source.device->runUntil(source.device->now());
    // What is due next may have changed: armed again at the next prepare.
    if (source.timer >= 0)
        disarm(source);
}

uint64_t SchedulerSource::dispatchCount() const
{
    return self(m_source).dispatches;
}

bool SchedulerSource::countsTimeSlept() const
{
    return self(m_source).timer >= 0;
}

} // namespace linuxhost
