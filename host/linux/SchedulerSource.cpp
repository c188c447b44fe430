#include "host/linux/SchedulerSource.h"

#include "platform/system/Device.h"

#include <glib.h>

namespace linuxhost {

namespace {

struct DeviceSource {
    GSource base;
    platform::Device* device;
    uint64_t dispatches;
};

platform::Device& deviceOf(GSource* source)
{
    return *reinterpret_cast<DeviceSource*>(source)->device;
}

gboolean prepare(GSource* source, gint* timeout)
{
    platform::Device& device = deviceOf(source);
    std::optional<platform::Date> due = device.nextDueDate();
    if (!due) {
        *timeout = -1;
        return FALSE;
    }
    int64_t wait = due->micros() - device.now().micros();
    if (wait <= 0) {
        *timeout = 0;
        return TRUE;
    }
    // Rounded up: waking a little early would only poll again at once.
    int64_t millis = (wait + 999) / 1000;
    *timeout = millis > G_MAXINT ? G_MAXINT : static_cast<gint>(millis);
    return FALSE;
}

gboolean check(GSource* source)
{
    platform::Device& device = deviceOf(source);
    std::optional<platform::Date> due = device.nextDueDate();
    return due && *due <= device.now();
}

gboolean dispatch(GSource* source, GSourceFunc, gpointer)
{
    auto* self = reinterpret_cast<DeviceSource*>(source);
    ++self->dispatches;
    // Everything due up to now; the real clock never has to wait here.
    self->device->runUntil(self->device->now());
    return G_SOURCE_CONTINUE;
}

GSourceFuncs kFuncs = {prepare, check, dispatch, nullptr, nullptr, nullptr};

} // namespace

SchedulerSource::SchedulerSource(platform::Device& device)
    : m_source(g_source_new(&kFuncs, sizeof(DeviceSource)))
{
    auto* self = reinterpret_cast<DeviceSource*>(m_source);
    self->device = &device;
    self->dispatches = 0;
    g_source_set_name(m_source, "quorvel device scheduler");
    g_source_attach(m_source, nullptr);
}

SchedulerSource::~SchedulerSource()
{
    g_source_destroy(m_source);
    g_source_unref(m_source);
}

uint64_t SchedulerSource::dispatchCount() const
{
    return reinterpret_cast<DeviceSource*>(m_source)->dispatches;
}

} // namespace linuxhost
