// `expect view`: what one view of the top Settings screen is, found by its tag
// or by its class and position, so that frames, tags, help texts,
// placeholders, content sizes and keyboard insets can be checked on the
// iPhone and the iPad alike.
//
//   expect view 300 frame 235 46 79 27            # the wizard's switch
//   expect view UITextView[0] text "Enter the USSD command (e.g. *123#), ..."
//   expect view UIScrollView[0] inset 0 0 216 0   # the keyboard is up
#include "sim/scenario/verbs/Verbs.h"

#include "platform/ui/UILabel.h"
#include "platform/ui/UIScrollView.h"
#include "platform/ui/UITextField.h"
#include "platform/ui/UITextView.h"
#include "platform/ui/UIViewController.h"
#include "sim/scenario/Runner.h"
#include "sim/scenario/VerbTable.h"
#include "sim/settingsapp/SettingsApp.h"
#include "sim/world/World.h"

#include <cctype>
#include <cstdio>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace sim {

namespace {

using platform::UIView;

// A tag ("300"), or a class and its position among the views of that class
// in depth-first order ("UITextView[1]"; "UITextView" is "UITextView[0]").
struct ViewSelector {
    std::optional<int64_t> tag;
    std::string className;
    size_t index = 0;
    std::string text;
};

ViewSelector readSelector(ArgReader& args)
{
    const Token* at = args.peek();
    ViewSelector selector;
    selector.text = args.word("the view: a tag such as 300, or a class and position such as UITextView[1]");
    const std::string& word = selector.text;
    if (std::isdigit(static_cast<unsigned char>(word[0]))) {
        for (char c : word)
            if (!std::isdigit(static_cast<unsigned char>(c)) || word.size() > 9)
                args.failAt(*at, "a tag is a whole number");
        selector.tag = std::stoll(word);
        return selector;
    }
    const size_t open = word.find('[');
    selector.className = word.substr(0, open);
    bool good = !selector.className.empty();
    for (char c : selector.className)
        good = good && (std::isalnum(static_cast<unsigned char>(c)) || c == '_');
    if (open != std::string::npos) {
        const std::string position = word.substr(open + 1);
        good = good && position.size() >= 2 && position.size() <= 8 && position.back() == ']';
        for (size_t i = 0; good && i + 1 < position.size(); ++i)
            good = std::isdigit(static_cast<unsigned char>(position[i])) != 0;
        if (good)
            selector.index = static_cast<size_t>(std::stoul(position.substr(0, position.size() - 1)));
    }
    if (!good)
        args.failAt(*at, "expected a tag such as 300, or a class and position such as UITextView[1], found \"" + word + "\"");
    return selector;
}

void walk(const std::shared_ptr<UIView>& view, std::vector<std::shared_ptr<UIView>>& out)
{
    out.push_back(view);
    for (const auto& subview : view->subviews())
        walk(subview, out);
}

// The view the selector names on the top screen, or why there is none.
std::shared_ptr<UIView> findView(SettingsApp& app, const ViewSelector& selector, std::string& problem)
{
    auto top = app.topViewController();
    if (!top) {
        problem = "no screen";
        return nullptr;
    }
    std::vector<std::shared_ptr<UIView>> views;
    walk(top->view(), views);
    size_t seen = 0;
    std::string tags;
    for (const auto& view : views) {
        if (selector.tag) {
            if (view->tag() == *selector.tag)
                return view;
            if (view->tag() != 0)
                tags += (tags.empty() ? "" : ", ") + std::to_string(view->tag());
        } else if (view->className() == selector.className && seen++ == selector.index) {
            return view;
        }
    }
    if (selector.tag)
        problem = "no view tagged " + selector.text + " on " + app.describeScreen() + (tags.empty() ? " (no tags there)" : " (tags there: " + tags + ")");
    else
        problem = "no " + selector.text + " on " + app.describeScreen() + " (" + std::to_string(seen) + " " + selector.className + " there)";
    return nullptr;
}

std::string number(double value)
{
    char text[32];
    std::snprintf(text, sizeof text, "%g", value);
    return text;
}

double readNumber(ArgReader& args, const std::string& what)
{
    const Token* at = args.peek();
    platform::Value value = args.value(what);
    if (!value.isNumber() || value.type() == platform::Value::Type::Boolean)
        args.failAt(*at, "expected " + what + ", a number of points");
    return value.doubleValue();
}

std::optional<std::string> textOf(const UIView& view)
{
    if (auto* label = dynamic_cast<const platform::UILabel*>(&view))
        return label->text();
    if (auto* field = dynamic_cast<const platform::UITextField*>(&view))
        return field->text();
    if (auto* textView = dynamic_cast<const platform::UITextView*>(&view))
        return textView->text();
    return std::nullopt;
}

std::string quoted(const std::string& text)
{
    return "\"" + text + "\"";
}

std::string insetsText(const platform::UIEdgeInsets& insets)
{
    return number(insets.top) + " " + number(insets.left) + " " + number(insets.bottom) + " " + number(insets.right);
}

using ViewCheck = std::function<Outcome(const UIView& view)>;

ViewCheck readCheck(ArgReader& args)
{
    const std::string property = args.oneOf({"frame", "tag", "text", "placeholder", "content", "inset"});
    if (property == "frame") {
        const double x = readNumber(args, "x"), y = readNumber(args, "y"), w = readNumber(args, "the width"),
                     h = readNumber(args, "the height");
        return [=](const UIView& view) {
            const platform::CGRect f = view.frame();
            if (f.origin.x == x && f.origin.y == y && f.size.width == w && f.size.height == h)
                return Outcome::success();
            return Outcome::failure("frame " + number(f.origin.x) + " " + number(f.origin.y) + " " + number(f.size.width) + " " +
                                    number(f.size.height));
        };
    }
    if (property == "tag") {
        const int64_t tag = args.count("the tag");
        return [tag](const UIView& view) {
            return view.tag() == tag ? Outcome::success() : Outcome::failure("tag " + std::to_string(view.tag()));
        };
    }
    if (property == "text" || property == "placeholder") {
        const std::string wanted = args.string(property == "text" ? "the text" : "the placeholder");
        const bool placeholder = property == "placeholder";
        return [wanted, placeholder](const UIView& view) {
            std::optional<std::string> have;
            if (placeholder) {
                if (auto* field = dynamic_cast<const platform::UITextField*>(&view))
                    have = field->placeholder();
            } else {
                have = textOf(view);
            }
            if (!have)
                return Outcome::failure("a " + view.className() + " has no " + (placeholder ? "placeholder" : "text"));
            return *have == wanted ? Outcome::success() : Outcome::failure(quoted(*have));
        };
    }
    if (property == "content") {
        const double w = readNumber(args, "the width"), h = readNumber(args, "the height");
        return [w, h](const UIView& view) {
            auto* scroll = dynamic_cast<const platform::UIScrollView*>(&view);
            if (!scroll)
                return Outcome::failure("a " + view.className() + " is not a scroll view");
            const platform::CGSize size = scroll->contentSize();
            if (size.width == w && size.height == h)
                return Outcome::success();
            return Outcome::failure("content size " + number(size.width) + " " + number(size.height));
        };
    }
    const platform::UIEdgeInsets wanted{readNumber(args, "the top inset"), readNumber(args, "the left inset"),
                                        readNumber(args, "the bottom inset"), readNumber(args, "the right inset")};
    return [wanted](const UIView& view) {
        auto* scroll = dynamic_cast<const platform::UIScrollView*>(&view);
        if (!scroll)
            return Outcome::failure("a " + view.className() + " is not a scroll view");
        // The keyboard handling sets both together; either one off is a fault.
        if (scroll->contentInset() == wanted && scroll->scrollIndicatorInsets() == wanted)
            return Outcome::success();
        return Outcome::failure("content inset " + insetsText(scroll->contentInset()) + ", indicator insets " +
                                insetsText(scroll->scrollIndicatorInsets()));
    };
}

// expect view TAG|CLASS[I] frame X Y W H | tag N | text "T" | placeholder "T" | content W H | inset T L B R
Action parseExpectView(ArgReader& args)
{
    ViewSelector selector = readSelector(args);
    ViewCheck check = readCheck(args);
    args.end();
    return [selector, check](ScenarioRun& run) {
        SettingsApp& app = settingsApp(run.world());
        if (!app.isOpen())
            return Outcome::failure("the Settings application is not open");
        std::string problem;
        std::shared_ptr<UIView> view = findView(app, selector, problem);
        if (!view)
            return Outcome::failure(problem);
        return check(*view);
    };
}

} // namespace

void addSettingsViewVerbs(VerbTable& table)
{
    table.addExpectation("expect view", Phase::afterBoot,
                         "expect view TAG|CLASS[I] frame X Y W H | tag N | text \"TEXT\" | placeholder \"TEXT\" | content W H | "
                         "inset TOP LEFT BOTTOM RIGHT",
                         parseExpectView);
}

} // namespace sim
