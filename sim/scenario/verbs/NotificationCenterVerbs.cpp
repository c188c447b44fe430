// Statements for Notification Center inside SpringBoard: the user pulls it
// down or pushes it away, and what the widget shows. The widget bundle is
// installed into the device and loaded the first time Notification Center is
// opened.
#include "sim/scenario/verbs/Verbs.h"

#include "platform/system/Device.h"
#include "platform/system/Process.h"
#include "platform/ui/UILabel.h"
#include "sim/notificationcenter/WidgetHost.h"
#include "sim/scenario/Runner.h"
#include "sim/scenario/VerbTable.h"
#include "sim/world/Host.h"
#include "sim/world/LogCapture.h"
#include "sim/world/World.h"

#include <functional>
#include <memory>

namespace sim {

namespace {

// Owns the World's widget host, so the widget is unloaded with the other hosts.
class NotificationCenterHost final : public Host {
public:
    explicit NotificationCenterHost(World& world) : m_world(world) {}
    ~NotificationCenterHost() override { shutDown(m_world); }

    // nullptr (logged) when the widget bundle cannot be installed.
    WidgetHost* widget()
    {
        if (!m_widget) {
            std::string error;
            if (!installWidgetBundle(&error)) {
                m_world.log().note("Notification Center: cannot install the widget: " + error);
                return nullptr;
            }
            m_widget = std::make_unique<WidgetHost>(m_world.springBoardProcess());
        }
        return m_widget.get();
    }

    void shutDown(World&) override
    {
        if (m_widget)
            m_widget->shutDown();
        m_widget.reset();
    }

private:
    World& m_world;
    std::unique_ptr<WidgetHost> m_widget;
};

NotificationCenterHost& notificationCenter(World& world)
{
    if (auto* existing = world.host<NotificationCenterHost>())
        return *existing;
    return world.addHost<NotificationCenterHost>(world);
}

void collectTexts(const platform::UIView& view, std::vector<std::string>& out)
{
    if (view.isHidden())
        return;
    if (const auto* label = dynamic_cast<const platform::UILabel*>(&view))
        out.push_back(label->text());
    for (const auto& subview : view.subviews())
        collectTexts(*subview, out);
}

// nc show|hide
Action parseNc(ArgReader& args)
{
    const bool show = args.oneOf({"show", "hide"}) == "show";
    args.end();
    return [show](ScenarioRun& run) {
        WidgetHost* widget = notificationCenter(run.world()).widget();
        if (!widget)
            return Outcome::failure("the widget could not be installed (see the log)");
        run.world().log().note(show ? "the user pulls Notification Center down" : "the user closes Notification Center");
        if (show)
            widget->show();
        else
            widget->hide();
        run.settle();
        if (show && !widget->isShown())
            return Outcome::failure("the widget could not be shown (see the log)");
        return Outcome::success();
    };
}

// expect widget "TEXT": a label of the widget on screen shows TEXT.
Action parseExpectWidget(ArgReader& args)
{
    std::string wanted = args.string("the text a label of the widget shows");
    args.end();
    return [wanted](ScenarioRun& run) {
        WidgetHost* widget = notificationCenter(run.world()).widget();
        if (!widget || !widget->isShown() || !widget->view())
            return Outcome::failure("the widget is not on screen (use nc show)");
        std::vector<std::string> texts;
        collectTexts(*widget->view(), texts);
        std::string shown;
        for (const std::string& text : texts) {
            if (text == wanted)
                return Outcome::success();
            shown += (shown.empty() ? "\"" : ", \"") + text + "\"";
        }
        return Outcome::failure("the widget shows " + (shown.empty() ? std::string("no text") : shown));
    };
}

// render widget "FILE.png"
Action parseRenderWidget(ArgReader& args)
{
    std::string file = args.string("the picture's file name");
    args.end();
    return [file](ScenarioRun& run) {
        WidgetHost* widget = notificationCenter(run.world()).widget();
        if (!widget || !widget->view())
            return Outcome::failure("the widget is not on screen (use nc show)");
        return widget->renderToPng(file) ? Outcome::success() : Outcome::failure("cannot write " + file);
    };
}

} // namespace

void addNotificationCenterVerbs(VerbTable& table)
{
    table.add({"nc", Phase::afterBoot, "nc show|hide", parseNc});
    table.add({"render widget", Phase::afterBoot, "render widget \"FILE.png\"", parseRenderWidget});
    table.add({"expect widget", Phase::afterBoot, "expect widget \"TEXT\"", parseExpectWidget, false, true});
}

} // namespace sim
