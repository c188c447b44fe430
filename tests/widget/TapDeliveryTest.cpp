// Taps: hit testing through the tree, user interaction on the view and its
// superviews, and target-action through the runtime.
#include "platform/ui/UIGestureRecognizer.h"
#include "platform/ui/UIImageView.h"
#include "platform/ui/UILabel.h"
#include "platform/ui/UIView.h"

#include <gtest/gtest.h>

namespace {

using namespace platform;

// A runtime class whose instances count the actions they receive.
class TapTarget : public rt::Object {
public:
    TapTarget() : rt::Object(runtimeClass()) {}
    static rt::Class* runtimeClass()
    {
        rt::Class* cls = rt::registerClass("TapDeliveryTestTarget");
        cls->setMethod("tapped", rt::IMP::of(&tapped));
        cls->setMethod("tappedWith:", rt::IMP::of(&tappedWith));
        return cls;
    }
    int taps = 0;
    rt::Object* lastSender = nullptr;

private:
    static void tapped(rt::Object* self, rt::SEL) { ++static_cast<TapTarget*>(self)->taps; }
    static void tappedWith(rt::Object* self, rt::SEL, rt::Object* sender)
    {
        auto* target = static_cast<TapTarget*>(self);
        ++target->taps;
        target->lastSender = sender;
    }
};

struct Scene {
    // root (0,0,316,65) > panel (0,40,316,25) > line (0,5,306,20), tappable
    std::shared_ptr<UIView> root = std::make_shared<UIView>(CGRectMake(0, 0, 316, 65));
    std::shared_ptr<UIView> panel = std::make_shared<UIView>(CGRectMake(0, 40, 316, 25));
    std::shared_ptr<UILabel> line = std::make_shared<UILabel>(CGRectMake(0, 5, 306, 20));
    std::shared_ptr<TapTarget> target = std::make_shared<TapTarget>();
    std::shared_ptr<UITapGestureRecognizer> tap = std::make_shared<UITapGestureRecognizer>(target, "tapped");

    Scene()
    {
        root->addSubview(panel);
        panel->addSubview(line);
        line->addGestureRecognizer(tap);
        line->setUserInteractionEnabled(true);
    }
};

TEST(TapDelivery, ATapOnTheViewSendsItsActionOnce)
{
    Scene s;
    EXPECT_EQ(tapView(s.line), s.tap);
    EXPECT_EQ(s.target->taps, 1);
    EXPECT_EQ(deliverTap(s.root, CGPointMake(20, 55)), s.tap);
    EXPECT_EQ(s.target->taps, 2);
    // Outside the label, inside the panel: nothing takes it.
    EXPECT_EQ(deliverTap(s.root, CGPointMake(311, 55)), nullptr);
    EXPECT_EQ(s.target->taps, 2);
}

TEST(TapDelivery, InteractionOffOnTheViewOrAnAncestorStopsTheTap)
{
    struct Case {
        const char* name;
        bool line, panel, root, hidden;
    };
    const Case cases[] = {
        {"label takes no touches (the label's default)", false, true, true, false},
        {"superview takes no touches", true, false, true, false},
        {"root takes no touches", true, true, false, false},
        {"label hidden", true, true, true, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Scene s;
        s.line->setUserInteractionEnabled(c.line);
        s.panel->setUserInteractionEnabled(c.panel);
        s.root->setUserInteractionEnabled(c.root);
        s.line->setHidden(c.hidden);
        EXPECT_EQ(tapView(s.line), nullptr);
        EXPECT_EQ(s.target->taps, 0);
    }
    // And a fresh label really is untappable until it is turned on.
    EXPECT_FALSE(UILabel().isUserInteractionEnabled());
    EXPECT_FALSE(UIImageView().isUserInteractionEnabled());
    EXPECT_TRUE(UIView().isUserInteractionEnabled());
}

TEST(TapDelivery, AViewOnTopTakesTheTap)
{
    Scene s;
    auto cover = std::make_shared<UIView>(CGRectMake(0, 40, 316, 25));
    s.root->addSubview(cover);
    EXPECT_EQ(tapView(s.line), nullptr);
    EXPECT_EQ(s.target->taps, 0);
    // A cover that takes no touches lets it through.
    cover->setUserInteractionEnabled(false);
    EXPECT_EQ(tapView(s.line), s.tap);
}

TEST(TapDelivery, RecognisersOfSuperviewsSeeTapsOnTheirSubviews)
{
    Scene s;
    s.line->removeGestureRecognizer(s.tap.get());
    EXPECT_EQ(s.tap->view(), nullptr);
    s.panel->addGestureRecognizer(s.tap);
    EXPECT_EQ(tapView(s.line), s.tap);
    EXPECT_EQ(s.target->taps, 1);
}

TEST(TapDelivery, TapCountDisabledRecognisersAndGoneTargets)
{
    Scene s;
    s.tap->setNumberOfTapsRequired(2);
    EXPECT_EQ(tapView(s.line), nullptr);
    EXPECT_EQ(tapView(s.line, 2), s.tap);
    EXPECT_EQ(s.target->taps, 1);

    s.tap->setEnabled(false);
    EXPECT_EQ(tapView(s.line, 2), nullptr);
    s.tap->setEnabled(true);

    // Targets are held weakly: a target that is gone gets nothing, and nothing crashes.
    s.target.reset();
    EXPECT_EQ(tapView(s.line, 2), s.tap);
}

TEST(TapDelivery, AnActionTakingAnArgumentGetsTheRecogniser)
{
    Scene s;
    auto other = std::make_shared<UITapGestureRecognizer>(s.target, "tappedWith:");
    s.line->removeGestureRecognizer(s.tap.get());
    s.line->addGestureRecognizer(other);
    tapView(s.line);
    EXPECT_EQ(s.target->taps, 1);
    EXPECT_EQ(s.target->lastSender, other.get());
}

} // namespace
