// The view tree: order of subviews, lookups by tag, moves between superviews,
// and autoresizing when a superview changes size.
#include "platform/ui/UILabel.h"
#include "platform/ui/UIView.h"

#include <gtest/gtest.h>

namespace {

using namespace platform;

std::shared_ptr<UIView> viewWithTag(int tag, CGRect frame = {})
{
    auto v = std::make_shared<UIView>(frame);
    v->setTag(tag);
    return v;
}

TEST(UIViewTree, ViewWithTagSearchesItselfFirstThenDepthFirstInOrder)
{
    // root(1) -> a(2) -> a1(7)
    //         -> b(7)
    auto root = viewWithTag(1);
    auto a = viewWithTag(2);
    auto a1 = viewWithTag(7);
    auto b = viewWithTag(7);
    root->addSubview(a);
    a->addSubview(a1);
    root->addSubview(b);

    EXPECT_EQ(root->viewWithTag(1), root);
    // The deeper a1 comes before its uncle b: depth-first, not breadth-first.
    EXPECT_EQ(root->viewWithTag(7), a1);
    EXPECT_EQ(b->viewWithTag(7), b);
    EXPECT_EQ(root->viewWithTag(99), nullptr);
    // Tag 0 is a tag like any other: every plain view has it.
    auto plain = std::make_shared<UIView>();
    EXPECT_EQ(plain->viewWithTag(0), plain);
}

TEST(UIViewTree, AddSubviewTakesTheViewFromItsFormerSuperview)
{
    auto first = std::make_shared<UIView>();
    auto second = std::make_shared<UIView>();
    auto child = std::make_shared<UIView>();
    first->addSubview(child);
    second->addSubview(child);
    EXPECT_TRUE(first->subviews().empty());
    ASSERT_EQ(second->subviews().size(), 1u);
    EXPECT_EQ(child->superview(), second);
}

TEST(UIViewTree, AddingAnExistingSubviewMovesItToTheFront)
{
    auto root = std::make_shared<UIView>();
    auto a = viewWithTag(1);
    auto b = viewWithTag(2);
    root->addSubview(a);
    root->addSubview(b);
    root->addSubview(a);
    ASSERT_EQ(root->subviews().size(), 2u);
    EXPECT_EQ(root->subviews()[0], b);
    EXPECT_EQ(root->subviews()[1], a);
}

TEST(UIViewTree, RefusesCycles)
{
    auto root = std::make_shared<UIView>();
    auto child = std::make_shared<UIView>();
    root->addSubview(child);
    child->addSubview(root);
    root->addSubview(root);
    EXPECT_EQ(root->superview(), nullptr);
    EXPECT_EQ(root->subviews().size(), 1u);
    EXPECT_TRUE(child->subviews().empty());
}

TEST(UIViewTree, SendSubviewToBackAndRemoveFromSuperview)
{
    auto root = std::make_shared<UIView>();
    auto a = viewWithTag(1);
    auto b = viewWithTag(2);
    auto c = viewWithTag(3);
    root->addSubview(a);
    root->addSubview(b);
    root->addSubview(c);
    root->sendSubviewToBack(c.get());
    ASSERT_EQ(root->subviews().size(), 3u);
    EXPECT_EQ(root->subviews()[0], c);
    EXPECT_EQ(root->subviews()[1], a);
    // A view that is not a subview is left alone.
    auto stranger = std::make_shared<UIView>();
    root->sendSubviewToBack(stranger.get());
    EXPECT_EQ(root->subviews()[0], c);

    a->removeFromSuperview();
    EXPECT_EQ(a->superview(), nullptr);
    ASSERT_EQ(root->subviews().size(), 2u);
    EXPECT_EQ(root->subviews()[1], b);
    a->removeFromSuperview(); // no superview: nothing happens
}

TEST(UIViewTree, ASubviewLivesAsLongAsItsSuperviewHoldsIt)
{
    std::weak_ptr<UIView> weakChild;
    std::weak_ptr<UIView> weakRoot;
    {
        auto root = std::make_shared<UIView>();
        weakRoot = root;
        auto child = std::make_shared<UIView>();
        weakChild = child;
        root->addSubview(child);
        child.reset();
        EXPECT_FALSE(weakChild.expired());
        // The superview link is weak: no cycle keeps the tree alive.
    }
    EXPECT_TRUE(weakRoot.expired());
    EXPECT_TRUE(weakChild.expired());
}

TEST(UIViewTree, ViewsAreRuntimeObjectsOfTheirClass)
{
    auto label = std::make_shared<UILabel>();
    ASSERT_NE(label->isa(), nullptr);
    EXPECT_EQ(label->className(), "UILabel");
    EXPECT_TRUE(label->isKindOfClass("UIView"));
    // Created by name, as a host does.
    rt::id made = rt::objc_getClass("UILabel")->createInstance();
    EXPECT_NE(std::dynamic_pointer_cast<UILabel>(made), nullptr);
}

TEST(UIViewAutoresizing, FlexibleMasksShareAChangeOfSuperviewSize)
{
    struct Case {
        const char* name;
        UIViewAutoresizing mask;
        CGRect before;
        CGRect after;
    };
    // The superview grows from 316 x 65 to 476 x 85 (160 wider, 20 taller).
    const Case cases[] = {
        {"none", UIViewAutoresizingNone, CGRectMake(2, 0, 312, 65), CGRectMake(2, 0, 312, 65)},
        {"flexible width", UIViewAutoresizingFlexibleWidth, CGRectMake(2, 0, 312, 65), CGRectMake(2, 0, 472, 65)},
        {"flexible height", UIViewAutoresizingFlexibleHeight, CGRectMake(0, 5, 10, 60), CGRectMake(0, 5, 10, 80)},
        {"flexible width and height", UIViewAutoresizingFlexibleWidth | UIViewAutoresizingFlexibleHeight,
         CGRectMake(0, 0, 316, 65), CGRectMake(0, 0, 476, 85)},
        {"flexible left margin", UIViewAutoresizingFlexibleLeftMargin, CGRectMake(300, 0, 16, 10),
         CGRectMake(460, 0, 16, 10)},
        // Equal margins stay equal: the view stays centred.
        {"flexible both margins", UIViewAutoresizingFlexibleLeftMargin | UIViewAutoresizingFlexibleRightMargin,
         CGRectMake(108, 0, 100, 10), CGRectMake(188, 0, 100, 10)},
        {"flexible bottom margin", UIViewAutoresizingFlexibleBottomMargin, CGRectMake(0, 5, 10, 10),
         CGRectMake(0, 5, 10, 10)},
        {"flexible top margin", UIViewAutoresizingFlexibleTopMargin, CGRectMake(0, 45, 10, 20), CGRectMake(0, 65, 10, 20)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto root = std::make_shared<UIView>(CGRectMake(0, 0, 316, 65));
        auto child = std::make_shared<UIView>(c.before);
        child->setAutoresizingMask(c.mask);
        root->addSubview(child);
        root->setFrame(CGRectMake(0, 0, 476, 85));
        EXPECT_EQ(child->frame(), c.after) << child->frame().description();
    }
}

TEST(UIViewAutoresizing, ReachesGrandchildren)
{
    auto root = std::make_shared<UIView>(CGRectMake(0, 0, 100, 50));
    auto child = std::make_shared<UIView>(CGRectMake(0, 0, 100, 50));
    auto grandchild = std::make_shared<UIView>(CGRectMake(10, 10, 80, 30));
    child->setAutoresizingMask(UIViewAutoresizingFlexibleWidth);
    grandchild->setAutoresizingMask(UIViewAutoresizingFlexibleWidth);
    root->addSubview(child);
    child->addSubview(grandchild);

    root->setFrame(CGRectMake(0, 0, 150, 50));
    EXPECT_EQ(grandchild->frame(), CGRectMake(10, 10, 130, 30));
}

TEST(UIViewAutoresizing, MovingAViewDoesNotResizeItsSubviews)
{
    auto root = std::make_shared<UIView>(CGRectMake(0, 0, 100, 50));
    auto child = std::make_shared<UIView>(CGRectMake(0, 0, 100, 50));
    child->setAutoresizingMask(UIViewAutoresizingFlexibleWidth | UIViewAutoresizingFlexibleLeftMargin);
    root->addSubview(child);
    root->setFrame(CGRectMake(40, 40, 100, 50));
    EXPECT_EQ(child->frame(), CGRectMake(0, 0, 100, 50));
}

TEST(UIViewGeometry, ConvertsPointsAcrossTheTree)
{
    auto root = std::make_shared<UIView>(CGRectMake(100, 100, 300, 300));
    auto a = std::make_shared<UIView>(CGRectMake(10, 20, 100, 100));
    auto b = std::make_shared<UIView>(CGRectMake(5, 5, 50, 50));
    auto other = std::make_shared<UIView>(CGRectMake(200, 0, 50, 50));
    root->addSubview(a);
    a->addSubview(b);
    root->addSubview(other);
    // The root's own frame origin plays no part: its coordinates are the tree's.
    EXPECT_EQ(b->convertPointToView(CGPointMake(1, 1), nullptr), CGPointMake(16, 26));
    EXPECT_EQ(b->convertPointToView(CGPointMake(1, 1), other.get()), CGPointMake(-184, 26));
    EXPECT_EQ(other->convertPointFromView(CGPointMake(1, 1), b.get()), CGPointMake(-184, 26));
    EXPECT_EQ(b->convertRectFromView(CGRectMake(16, 26, 3, 4), nullptr), CGRectMake(1, 1, 3, 4));
}

} // namespace
