// Statements for Notification Center inside SpringBoard: the user pulls it
// down, pushes it away or taps the widget's refresh line, and what the widget
// shows. The widget bundle is installed into the device and loaded the first
// time Notification Center is opened.
//
// `nc show|hide` and `expect widget "TEXT"` are the first forms of these
// statements; they stay as they were, since older scenarios and the demo use them.
#include "sim/scenario/verbs/Verbs.h"

#include "platform/system/Device.h"
#include "platform/system/Process.h"
#include "platform/ui/UIColor.h"
#include "platform/ui/UILabel.h"
#include "host/common/widget/WidgetHost.h"
#include "sim/scenario/Counted.h"
#include "sim/scenario/PictureFile.h"
#include "sim/scenario/Runner.h"
#include "sim/scenario/VerbTable.h"
#include "sim/springboard/NotificationCenterHost.h"
#include "sim/world/Host.h"
#include "sim/world/LogCapture.h"
#include "sim/world/World.h"

#include <functional>
#include <memory>
#include <sstream>

namespace sim {

namespace {

using platform::UIColor;
using platform::UILabel;
using platform::UIView;

const char* const kNotShown = "the widget is not on screen (use widget show)";

// The widget's root view while Notification Center shows it, else nullptr.
std::shared_ptr<UIView> shownView(ScenarioRun& run)
{
    host::WidgetHost* widget = notificationCenter(run.world()).widget();
    if (!widget || !widget->isShown())
        return nullptr;
    return widget->view();
}

void collectTexts(const UIView& view, std::vector<std::string>& out)
{
    if (view.isHidden())
        return;
    if (const auto* label = dynamic_cast<const UILabel*>(&view))
        out.push_back(label->text());
    for (const auto& subview : view.subviews())
        collectTexts(*subview, out);
}

void collectTags(const UIView& view, std::vector<int>& out)
{
    if (view.tag() != 0)
        out.push_back(view.tag());
    for (const auto& subview : view.subviews())
        collectTags(*subview, out);
}

// "no view has tag 103 (tags: 100, 200, 500)"
std::string describeMissingTag(const UIView& root, int tag)
{
    std::vector<int> tags;
    collectTags(root, tags);
    std::string list;
    for (int t : tags)
        list += (list.empty() ? "" : ", ") + std::to_string(t);
    return "no view has tag " + std::to_string(tag) + (list.empty() ? " (no view has a tag)" : " (tags: " + list + ")");
}

std::string formatNumber(double value)
{
    std::ostringstream out;
    out << value;
    return out.str();
}

std::string describeFrame(const platform::CGRect& frame)
{
    return "(" + formatNumber(frame.origin.x) + " " + formatNumber(frame.origin.y) + "; " +
           formatNumber(frame.size.width) + " " + formatNumber(frame.size.height) + ")";
}

// A coordinate or size: an integer or a real.
double readNumber(ArgReader& args, const std::string& what)
{
    const Token* at = args.peek();
    platform::Value value = args.value(what);
    if (value.type() != platform::Value::Type::Integer && value.type() != platform::Value::Type::Real)
        args.failAt(*at, "expected " + what + " (a number)");
    return value.doubleValue();
}

// How a frame statement names its view: by tag as viewWithTag finds it (tag 0
// is the root view itself), or as the root view's subview at a position, which
// reaches the untagged gridlines.
struct ViewRef {
    bool bySubviewIndex = false;
    int64_t number = 0;

    std::string describe() const
    {
        return bySubviewIndex ? "subview " + std::to_string(number) : "tag " + std::to_string(number);
    }
};

ViewRef readViewRef(ArgReader& args)
{
    ViewRef ref;
    ref.bySubviewIndex = args.accept("subview");
    ref.number = args.count(ref.bySubviewIndex ? "the subview's position (0 for the first)" : "the view's tag");
    return ref;
}

std::shared_ptr<UIView> findView(UIView& root, const ViewRef& ref, std::string& problem)
{
    if (ref.bySubviewIndex) {
        const auto& subviews = root.subviews();
        if (static_cast<uint64_t>(ref.number) >= subviews.size()) {
            problem = "the widget's view has " + counted(static_cast<int64_t>(subviews.size()), "subview") + ", so no " + ref.describe();
            return nullptr;
        }
        return subviews[static_cast<size_t>(ref.number)];
    }
    auto found = root.viewWithTag(static_cast<int>(ref.number));
    if (!found)
        problem = describeMissingTag(root, static_cast<int>(ref.number));
    return found;
}

// The label tagged `tag`, or nullptr with the reason in `problem`.
std::shared_ptr<UILabel> findLabel(UIView& root, int64_t tag, std::string& problem)
{
    auto view = findView(root, ViewRef{false, tag}, problem);
    if (!view)
        return nullptr;
    auto label = std::dynamic_pointer_cast<UILabel>(view);
    if (!label)
        problem = "the view tagged " + std::to_string(tag) + " is no label: " + view->description();
    return label;
}

// The user opens or closes Notification Center.
Outcome showOrHide(ScenarioRun& run, bool show)
{
    host::WidgetHost* widget = notificationCenter(run.world()).widget();
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
}

// A finger on the refresh line. A line that takes no taps (the placeholder,
// with no codes stored) is no failure: the tap is then lost, as on the phone,
// and only the log and the local centre's posts tell the difference.
Outcome tapRefreshLine(ScenarioRun& run)
{
    host::WidgetHost* widget = notificationCenter(run.world()).widget();
    if (!widget || !widget->isShown() || !widget->view())
        return Outcome::failure(kNotShown);
    run.world().log().note("the user taps the widget's refresh line");
    if (!widget->tapRefreshLine())
        run.world().log().note("Notification Center: the tap reached no tap recogniser");
    run.settle();
    return Outcome::success();
}

// nc show|hide
Action parseNc(ArgReader& args)
{
    const bool show = args.oneOf({"show", "hide"}) == "show";
    args.end();
    return [show](ScenarioRun& run) { return showOrHide(run, show); };
}

// widget show|hide|tap
Action parseWidget(ArgReader& args)
{
    const std::string what = args.oneOf({"show", "hide", "tap"});
    args.end();
    if (what == "tap")
        return [](ScenarioRun& run) { return tapRefreshLine(run); };
    const bool show = what == "show";
    return [show](ScenarioRun& run) { return showOrHide(run, show); };
}

// expect widget "TEXT": some label of the widget on screen shows TEXT.
Action expectAnyText(std::string wanted)
{
    return [wanted](ScenarioRun& run) {
        auto root = shownView(run);
        if (!root)
            return Outcome::failure(kNotShown);
        std::vector<std::string> texts;
        collectTexts(*root, texts);
        std::string shown;
        for (const std::string& text : texts) {
            if (text == wanted)
                return Outcome::success();
            shown += (shown.empty() ? "\"" : ", \"") + text + "\"";
        }
        return Outcome::failure("the widget shows " + (shown.empty() ? std::string("no text") : shown));
    };
}

// expect widget TAG "TEXT"
Action expectTaggedText(int64_t tag, std::string wanted)
{
    return [tag, wanted](ScenarioRun& run) {
        auto root = shownView(run);
        if (!root)
            return Outcome::failure(kNotShown);
        std::string problem;
        auto label = findLabel(*root, tag, problem);
        if (!label)
            return Outcome::failure(problem);
        if (label->text() != wanted)
            return Outcome::failure("the label tagged " + std::to_string(tag) + " shows \"" + label->text() + "\"");
        return Outcome::success();
    };
}

// expect widget frame TAG|subview I X Y W H
Action expectFrame(ArgReader& args)
{
    const ViewRef ref = readViewRef(args);
    platform::CGRect wanted;
    wanted.origin.x = readNumber(args, "X");
    wanted.origin.y = readNumber(args, "Y");
    wanted.size.width = readNumber(args, "the width");
    wanted.size.height = readNumber(args, "the height");
    args.end();
    return [ref, wanted](ScenarioRun& run) {
        auto root = shownView(run);
        if (!root)
            return Outcome::failure(kNotShown);
        std::string problem;
        auto view = findView(*root, ref, problem);
        if (!view)
            return Outcome::failure(problem);
        const platform::CGRect& frame = view->frame();
        // Layouts here are whole points, so the comparison is exact.
        if (frame.origin.x != wanted.origin.x || frame.origin.y != wanted.origin.y ||
            frame.size.width != wanted.size.width || frame.size.height != wanted.size.height)
            return Outcome::failure(ref.describe() + " is at " + describeFrame(frame) + ": " + view->description());
        return Outcome::success();
    };
}

// expect widget color TAG NAME: the label's text colour is NAME of the colour table.
Action expectColor(ArgReader& args)
{
    const int64_t tag = args.count("the label's tag");
    const std::string name =
        args.oneOf({"red", "black", "gray", "white", "green", "blue", "yellow", "orange", "purple", "brown"});
    args.end();
    const UIColor wanted = *UIColor::named(name);
    return [tag, name, wanted](ScenarioRun& run) {
        auto root = shownView(run);
        if (!root)
            return Outcome::failure(kNotShown);
        std::string problem;
        auto label = findLabel(*root, tag, problem);
        if (!label)
            return Outcome::failure(problem);
        if (!(label->textColor() == wanted))
            return Outcome::failure("the label tagged " + std::to_string(tag) + " is drawn in " +
                                    label->textColor().description());
        return Outcome::success();
    };
}

// expect widget views N: the root view has N subviews.
Action expectViewCount(ArgReader& args)
{
    const int64_t wanted = args.count("the number of subviews");
    args.end();
    return [wanted](ScenarioRun& run) {
        auto root = shownView(run);
        if (!root)
            return Outcome::failure(kNotShown);
        const auto& subviews = root->subviews();
        if (static_cast<int64_t>(subviews.size()) == wanted)
            return Outcome::success();
        std::string found = counted(static_cast<int64_t>(subviews.size()), "subview") + ":";
        for (const auto& subview : subviews)
            found += "\n  " + subview->description();
        return Outcome::failure(found);
    };
}

// expect widget "TEXT" | TAG "TEXT" | frame ... | color ... | views N
Action parseExpectWidget(ArgReader& args)
{
    const Token* next = args.peek();
    if (next && next->kind == Token::Kind::word) {
        if (args.accept("frame"))
            return expectFrame(args);
        if (args.accept("color"))
            return expectColor(args);
        if (args.accept("views"))
            return expectViewCount(args);
        if (!parseBareValue(next->text))
            args.failAt(*next, "expected \"TEXT\", a label's tag, frame, color or views, found \"" + next->text + "\"");
        const int64_t tag = args.count("a label's tag");
        std::string wanted = args.string("the text the label shows");
        args.end();
        return expectTaggedText(tag, std::move(wanted));
    }
    std::string wanted = args.string("the text a label of the widget shows");
    args.end();
    return expectAnyText(std::move(wanted));
}

// render widget "FILE.png"
Action parseRenderWidget(ArgReader& args)
{
    std::string file = readPictureName(args);
    args.end();
    return [file](ScenarioRun& run) {
        host::WidgetHost* widget = notificationCenter(run.world()).widget();
        if (!widget || !widget->view())
            return Outcome::failure(kNotShown);
        const std::string path = run.picturePath(file);
        if (!widget->renderToPng(path))
            return Outcome::failure("cannot write " + path);
        run.notePictureWritten(path);
        run.world().log().note("picture of the widget written to " + path);
        return Outcome::success();
    };
}

} // namespace

void addNotificationCenterVerbs(VerbTable& table)
{
    table.add({"nc", Phase::afterBoot, "nc show|hide", parseNc});
    table.add({"widget", Phase::afterBoot, "widget show|hide|tap", parseWidget});
    table.add({"render widget", Phase::afterBoot, "render widget \"FILE.png\"", parseRenderWidget});
    table.addExpectation("expect widget", Phase::afterBoot,
                         "expect widget \"TEXT\" | TAG \"TEXT\" | frame TAG|subview I X Y W H | color TAG NAME | views N",
                         parseExpectWidget);
}

} // namespace sim
