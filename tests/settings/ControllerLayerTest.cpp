// The controller layer under the screens: the navigation stack's lifecycle
// calls, table reloads and swipes, first responder and keyboard
// notifications, alerts and bar buttons.
#include "platform/ui/NSValue.h"
#include "platform/ui/UIKeyboard.h"
#include "platform/ui/UITableViewController.h"
#include "tests/settings/SettingsFixture.h"

namespace {

using namespace platform;
using namespace settings_test;

using ControllerLayer = SettingsFixture;

struct Journal {
    std::vector<std::string> entries;
};

class LoggingController : public UIViewController {
public:
    LoggingController(std::string name, Journal& journal) : m_name(std::move(name)), m_journal(journal) {}
    void viewDidLoad() override { m_journal.entries.push_back(m_name + " didLoad"); }
    void viewWillAppear(bool) override { m_journal.entries.push_back(m_name + " willAppear"); }
    void viewWillDisappear(bool) override { m_journal.entries.push_back(m_name + " willDisappear"); }
    void didMoveToParentViewController(UIViewController* parent) override
    {
        m_journal.entries.push_back(m_name + (parent ? " joined" : " left"));
    }

private:
    std::string m_name;
    Journal& m_journal;
};

TEST_F(ControllerLayer, PushAndPopTellTheControllersInOrder)
{
    Journal journal;
    auto a = std::make_shared<LoggingController>("a", journal);
    auto b = std::make_shared<LoggingController>("b", journal);
    auto c = std::make_shared<LoggingController>("c", journal);
    auto navigation = UINavigationController::withRootViewController(a);
    window->addSubview(navigation->view());
    navigation->viewWillAppear(false);
    navigation->pushViewController(b, true);
    navigation->pushViewController(c, true);
    navigation->pushViewController(b, true);
    EXPECT_EQ(navigation->viewControllers().size(), 3u) << "a controller already on the stack is not pushed again";
    EXPECT_EQ(c->view()->frame(), CGRectMake(0, 0, 320, 416));
    EXPECT_EQ(navigation->navigationBar()->frame().size.height, 44);

    journal.entries.clear();
    const auto popped = navigation->popToViewController(a.get(), true);
    ASSERT_EQ(popped.size(), 2u);
    EXPECT_EQ(popped[0], b);
    EXPECT_EQ(popped[1], c);
    EXPECT_EQ(journal.entries, (std::vector<std::string>{"c willDisappear", "a willAppear", "b left", "c left"}));
    EXPECT_EQ(b->navigationController(), nullptr);
    EXPECT_TRUE(navigation->popToViewController(a.get(), true).empty());
    EXPECT_EQ(navigation->popViewControllerAnimated(true), nullptr) << "the root stays";
}

TEST_F(ControllerLayer, NavigationBarShowsTitleBackAndRightButton)
{
    auto root = std::make_shared<UIViewController>();
    root->navigationItem().setTitle("Quorvel");
    auto next = std::make_shared<UIViewController>();
    auto navigation = UINavigationController::withRootViewController(root);
    navigation->pushViewController(next, false);
    navigation->view();
    next->navigationItem().setTitle("Add New Code");
    next->navigationItem().setRightBarButtonItem(std::make_shared<UIBarButtonItem>("Next", 1, nullptr, "btnNextTap"));
    auto bar = navigation->navigationBar();
    EXPECT_EQ(bar->title(), "Add New Code");
    EXPECT_EQ(bar->backButtonTitle(), "Quorvel");
    EXPECT_EQ(bar->rightItem()->displayText(), "Next");
    root->navigationItem().setTitle("");
    EXPECT_EQ(bar->backButtonTitle(), "Back");
}

class Rows : public UITableViewController {
public:
    int count = 3;
    bool editable = true;
    std::vector<int> deleted;
    int numberOfRowsInSection(UITableView&, int) override { return count; }
    std::shared_ptr<UITableViewCell> cellForRowAtIndexPath(UITableView& table, const NSIndexPath& path) override
    {
        auto cell = table.dequeueReusableCellWithIdentifier("r");
        if (!cell)
            cell = std::make_shared<UITableViewCell>(UITableViewCellStyleValue1, "r");
        cell->textLabel()->setText("row " + std::to_string(path.row));
        return cell;
    }
    bool canEditRowAtIndexPath(UITableView&, const NSIndexPath&) override { return editable; }
    void commitEditingStyle(UITableView& table, UITableViewCellEditingStyle, const NSIndexPath& path) override
    {
        deleted.push_back(path.row);
        --count;
        table.reloadData();
    }
};

TEST_F(ControllerLayer, TableReusesCellsAndDeletesOnlyEditableRows)
{
    auto rows = std::make_shared<Rows>();
    auto table = rows->tableView();
    table->reloadData();
    auto first = table->cellForRowAtIndexPath({0, 0});
    table->reloadData();
    EXPECT_EQ(table->cellForRowAtIndexPath({0, 2}), first) << "a cell of the last reload is handed back";
    EXPECT_EQ(table->cellForRowAtIndexPath({0, 1})->frame(), CGRectMake(0, 44, 320, 44));
    EXPECT_EQ(table->contentSize().height, 132);

    EXPECT_TRUE(table->deleteRowByUser({0, 1}));
    EXPECT_EQ(rows->deleted, std::vector<int>{1});
    EXPECT_EQ(table->numberOfRowsInSection(0), 2);
    EXPECT_FALSE(table->deleteRowByUser({0, 5})) << "no such row";
    rows->editable = false;
    EXPECT_FALSE(table->deleteRowByUser({0, 0}));
    EXPECT_EQ(rows->deleted.size(), 1u);
}

class FieldWatcher : public UITextFieldDelegate {
public:
    explicit FieldWatcher(std::vector<std::string>& events) : m_events(events) {}
    void textFieldDidBeginEditing(UITextField& field) override { m_events.push_back("begin " + field.placeholder()); }
    void textFieldDidEndEditing(UITextField& field) override { m_events.push_back("end " + field.placeholder()); }

private:
    std::vector<std::string>& m_events;
};

TEST_F(ControllerLayer, KeyboardComesUpAfterBeginAndGoesDownAfterEnd)
{
    std::vector<std::string> events;
    std::vector<CGRect> beginFrames;
    auto record = [&](const Notification& n) {
        events.push_back(n.name);
        if (auto r = NSValue::rectIn(n.userInfo, UIKeyboardFrameBeginUserInfoKey))
            beginFrames.push_back(*r);
    };
    for (const auto& name : {UIKeyboardDidShowNotification, UIKeyboardWillHideNotification})
        settings.localCenter().addObserver(this, name, record);
    auto watcher = std::make_shared<FieldWatcher>(events);
    auto a = std::make_shared<UITextField>(CGRectMake(0, 0, 100, 30));
    auto b = std::make_shared<UITextField>(CGRectMake(0, 40, 100, 30));
    a->setPlaceholder("a");
    b->setPlaceholder("b");
    a->setDelegate(watcher);
    b->setDelegate(watcher);
    window->addSubview(a);
    window->addSubview(b);

    EXPECT_FALSE(a->insertText("x")) << "typing needs a first responder";
    ASSERT_TRUE(a->becomeFirstResponder());
    ASSERT_TRUE(b->becomeFirstResponder());
    ASSERT_TRUE(b->resignFirstResponder());
    EXPECT_EQ(events, (std::vector<std::string>{"begin a", UIKeyboardDidShowNotification, "end a", "begin b",
                                                UIKeyboardDidShowNotification, "end b", UIKeyboardWillHideNotification}));
    ASSERT_EQ(beginFrames.size(), 3u);
    EXPECT_EQ(beginFrames[0], CGRectMake(0, 480, 320, 216)) << "from below the screen";
    EXPECT_EQ(beginFrames[1], CGRectMake(0, 264, 320, 216)) << "already up";
    EXPECT_FALSE(app->isKeyboardVisible());
    EXPECT_EQ(app->firstResponder(), nullptr);
    settings.localCenter().removeObserver(this);
}

class ClickRecorder : public UIAlertViewDelegate {
public:
    void alertViewClickedButtonAtIndex(UIAlertView& alert, int index) override
    {
        clicked.emplace_back(alert.title(), index);
        self.reset(); // drops its own last reference while being told
    }
    std::vector<std::pair<std::string, int>> clicked;
    std::shared_ptr<ClickRecorder> self;
};

TEST_F(ControllerLayer, AlertTellsItsDelegateTheButtonIndex)
{
    auto recorder = std::make_shared<ClickRecorder>();
    std::weak_ptr<ClickRecorder> weak = recorder;
    recorder->self = recorder;
    auto alert = std::make_shared<UIAlertView>("Notice", "text", recorder, "OK", std::vector<std::string>{"Later"});
    recorder.reset();
    alert->show();
    EXPECT_EQ(app->topAlert(), alert);
    EXPECT_FALSE(alert->tapButtonTitled("Never"));
    EXPECT_TRUE(alert->tapButtonTitled("Later"));
    EXPECT_TRUE(weak.expired());
    EXPECT_EQ(app->topAlert(), nullptr);
    EXPECT_FALSE(alert->tapButtonTitled("OK")) << "a dismissed alert takes no taps";
}

class Target : public rt::Object {
public:
    Target() : rt::Object(cls()) {}
    static rt::Class* cls()
    {
        rt::Class* c = rt::registerClass("ControllerLayerTarget");
        c->setMethod("hit", rt::IMP::of(+[](rt::Object* self, rt::SEL) { static_cast<Target*>(self)->hits++; }));
        return c;
    }
    int hits = 0;
};

TEST_F(ControllerLayer, DisabledBarButtonSendsNothing)
{
    auto target = std::make_shared<Target>();
    UIBarButtonItem item("Save", UIBarButtonItemStyleBordered, target, "hit");
    EXPECT_TRUE(item.tap());
    item.setEnabled(false);
    EXPECT_FALSE(item.tap());
    EXPECT_EQ(target->hits, 1);
    UIBarButtonItem orphan("Save", UIBarButtonItemStyleBordered, target, "missing");
    EXPECT_FALSE(orphan.tap());
}

TEST_F(ControllerLayer, OpenUrlWithoutAnOpenerFails)
{
    device.urlOpener = nullptr;
    EXPECT_FALSE(app->openURL("https://example.org/"));
    device.urlOpener = &opener;
    EXPECT_TRUE(app->openURL("https://example.org/"));
    EXPECT_EQ(opener.opened, std::vector<std::string>{"https://example.org/"});
}

} // namespace
