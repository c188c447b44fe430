#include "sim/springboard/NotificationCenterHost.h"

#include "sim/world/LogCapture.h"
#include "sim/world/World.h"

namespace sim {

NotificationCenterHost::~NotificationCenterHost() { shutDown(m_world); }

host::WidgetHost* NotificationCenterHost::widget()
{
    if (!m_widget) {
        std::string error;
        if (!host::installWidgetBundle(&error)) {
            m_world.log().note("Notification Center: cannot install the widget: " + error);
            return nullptr;
        }
        m_widget = std::make_unique<host::WidgetHost>(m_world.springBoardProcess(), kSimLogPrefix);
    }
    return m_widget.get();
}

void NotificationCenterHost::shutDown(World&)
{
    if (m_widget)
        m_widget->shutDown();
    m_widget.reset();
}

NotificationCenterHost& notificationCenter(World& world)
{
    if (auto* existing = world.host<NotificationCenterHost>())
        return *existing;
    return world.addHost<NotificationCenterHost>(world);
}

} // namespace sim
