// The field-title screen: the rows of an answer, the keyboard handling, the
// saved record and the return to the codes list.
#include "platform/ui/UIKeyboard.h"
#include "platform/ui/UILabel.h"
#include "tests/settings/SettingsFixture.h"

namespace {

using namespace platform;
using namespace settings_test;

class FieldTitles : public SettingsFixture {
protected:
    // The wizard up to the field-title screen for a USSD (or SMS) answer.
    std::shared_ptr<quorvel::SelectFieldsVC> answer(const std::string& text, const std::string& command = "*100#",
                                                    std::optional<std::string> sender = std::nullopt)
    {
        auto screen = openWizard();
        if (sender) {
            dialFromWizard(*screen, command, true);
            handOverSms(Dict{{"text", text}, {"id", *sender}});
        } else {
            dialFromWizard(*screen, command);
            deliverUssd(text);
        }
        return fieldTitleScreen();
    }

    void title(quorvel::SelectFieldsVC& screen, int row, const std::string& text)
    {
        auto field = screen.titleFieldForRow(row);
        ASSERT_NE(field, nullptr);
        ASSERT_TRUE(field->becomeFirstResponder());
        field->insertText(text);
    }

    void saveAndConfirm(quorvel::SelectFieldsVC& screen)
    {
        ASSERT_TRUE(screen.navigationItem().rightBarButtonItem()->tap());
        auto notice = topAlert();
        ASSERT_NE(notice, nullptr);
        ASSERT_EQ(notice->title(), "Notice");
        ASSERT_TRUE(notice->tapButtonTitled("OK"));
    }

    static std::string numbers(int n)
    {
        std::string text;
        for (int i = 0; i < n; ++i)
            text += std::to_string(i + 1) + " ";
        return text;
    }
};

TEST_F(FieldTitles, ScreenShowsTheAnswerAndOneRowPerNumber)
{
    auto screen = answer("Balance 12.50 rub, bonus 300");
    ASSERT_NE(screen, nullptr);
    EXPECT_EQ(screen->navigationItem().title(), "*100#");
    EXPECT_EQ(screen->navigationItem().rightBarButtonItem()->title(), "Save");
    EXPECT_EQ(screen->parsedNumbers, (std::vector<std::string>{"12.50", "300"}));
    EXPECT_EQ(screen->tvUSSDOutput->text(), "Balance 12.50 rub, bonus 300");
    EXPECT_EQ(screen->tvUSSDOutput->indicatorFlashCount(), 1);
    EXPECT_EQ(screen->tvUSSDOutput->layer().borderWidth(), 1.0);
    EXPECT_EQ(screen->tvHelp->frame(), CGRectMake(10, 130, 300, 150));
    EXPECT_EQ(screen->scrollView->frame(), CGRectMake(0, 0, 320, 416));
    EXPECT_EQ(screen->scrollView->contentSize(), CGSizeMake(320, 400));
    for (int i = 0; i < 2; ++i) {
        SCOPED_TRACE(i);
        auto label = std::dynamic_pointer_cast<UILabel>(screen->view()->viewWithTag(200 + i));
        ASSERT_NE(label, nullptr);
        EXPECT_EQ(label->frame(), CGRectMake(10, 270 + 40 * i, 85, 30));
        EXPECT_EQ(label->text(), screen->parsedNumbers[static_cast<size_t>(i)]);
        EXPECT_EQ(label->textAlignment(), NSTextAlignmentRight);
        EXPECT_EQ(label->minimumScaleFactor(), 6.0);
        auto field = screen->titleFieldForRow(i);
        ASSERT_NE(field, nullptr);
        EXPECT_EQ(field->frame(), CGRectMake(105, 270 + 40 * i, 205, 30));
        EXPECT_EQ(field->placeholder(), "Enter field title");
        EXPECT_EQ(field->borderStyle(), UITextBorderStyleRoundedRect);
        EXPECT_EQ(field->tag(), 100 + i);
    }
    EXPECT_TRUE(logged("Qvl: parsing numbers from string Balance 12.50 rub, bonus 300..."));
    EXPECT_TRUE(logged("Qvl: found number: 12.50"));
    EXPECT_TRUE(logged("Qvl: found number: 300"));
}

TEST_F(FieldTitles, SavingOnlyTheSecondTitle)
{
    writeCodes({codeRecord("*99#", 1)});
    auto screen = answer("Balance 12.50 rub, bonus 300");
    ASSERT_NE(screen, nullptr);
    title(*screen, 1, "Bonus ");
    saveAndConfirm(*screen);
    EXPECT_TRUE(logged("Qvl: Got field with title Bonus "));
    EXPECT_TRUE(logged("Qvl: number of stored codes: 1"));
    const Value stored = storedCodes();
    ASSERT_EQ(stored.count(), 2u);
    EXPECT_EQ(stored.at(0), Value(codeRecord("*99#", 1))) << "earlier records stay as they were";
    const Dict expected{{"ussdCode", "*100#"},
                        {"fields", Array{Dict{{"title", "Bonus "}, {"index", 1}}}},
                        {"expectedNumbers", 2}};
    EXPECT_EQ(stored.at(1), Value(expected)) << "no smsSender for a USSD answer";

    // Back on the codes list, which re-read the store.
    EXPECT_EQ(nav->topViewController(), codes);
    EXPECT_EQ(nav->viewControllers().size(), 1u);
    EXPECT_EQ(codes->tableView->numberOfRowsInSection(0), 2);
    EXPECT_EQ(codes->tableView->cellForRowAtIndexPath({0, 1})->text(), "*100#");
    EXPECT_FALSE(app->isKeyboardVisible()) << "the keyboard went down with the screen";
}

TEST_F(FieldTitles, EveryTitleAndTheSmsSenderAreSaved)
{
    auto screen = answer("A 1 B 2 C 3", "*102#", std::string("900"));
    ASSERT_NE(screen, nullptr);
    for (int i = 0; i < 3; ++i)
        title(*screen, i, "T" + std::to_string(i));
    saveAndConfirm(*screen);
    Dict expected = codeRecord("*102#", 3);
    expected["smsSender"] = "900";
    EXPECT_EQ(storedCodes().at(0), Value(expected));
}

TEST_F(FieldTitles, NoTitlesGiveTheErrorAndWriteNothing)
{
    auto screen = answer("Balance 12.50 rub, bonus 300");
    ASSERT_NE(screen, nullptr);
    ASSERT_TRUE(screen->navigationItem().rightBarButtonItem()->tap());
    auto alert = topAlert();
    ASSERT_NE(alert, nullptr);
    EXPECT_EQ(alert->title(), "Error");
    EXPECT_EQ(alert->message(), "Please enter at least one field title before saving.");
    EXPECT_EQ(alert->delegate(), nullptr);
    EXPECT_TRUE(logged("Qvl: Save was tapped but no titles were entered!"));
    alert->tapButtonTitled("OK");
    EXPECT_FALSE(std::filesystem::exists(hostPath(quorvel::kCodesStorePath)));
    EXPECT_EQ(nav->topViewController(), screen);
}

TEST_F(FieldTitles, AnswerWithoutNumbersCannotBeSaved)
{
    auto screen = answer("Service unavailable");
    ASSERT_NE(screen, nullptr);
    EXPECT_EQ(screen->scrollView->contentSize().height, 320);
    EXPECT_EQ(screen->titleFieldForRow(0), nullptr);
    screen->btnSaveTap();
    EXPECT_EQ(topAlert()->title(), "Error");
}

TEST_F(FieldTitles, StoreMissingOrWithoutCodesStartsAFreshArray)
{
    struct Case {
        const char* name;
        std::optional<std::string> fileBytes;
        const char* logLine;
    };
    const Case cases[] = {
        {"no file", std::nullopt, "Qvl: got nil dictionary"},
        {"not a property list", std::string("garbage"), "Qvl: got nil dictionary"},
        {"no codes key", serializePropertyList(Value(Dict{{"other", 1}})), "Qvl: got nil array"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        log.clear();
        std::filesystem::remove(hostPath(quorvel::kCodesStorePath));
        if (c.fileBytes)
            writeFileAtomically(quorvel::kCodesStorePath, *c.fileBytes);
        nav.reset();
        auto screen = answer("Balance 5");
        ASSERT_NE(screen, nullptr);
        title(*screen, 0, "Balance");
        saveAndConfirm(*screen);
        EXPECT_TRUE(logged(c.logLine));
        EXPECT_TRUE(logged("Qvl: number of stored codes: 0"));
        EXPECT_EQ(storedCodes().count(), 1u);
    }
}

TEST_F(FieldTitles, TenNumbersMakeA720PointFormAndTheKeyboardScrollsRowNine)
{
    auto screen = answer(numbers(10));
    ASSERT_NE(screen, nullptr);
    EXPECT_EQ(screen->scrollView->contentSize(), CGSizeMake(320, 720));
    EXPECT_EQ(screen->titleFieldForRow(9)->frame().origin.y, 630);

    title(*screen, 9, "Last");
    EXPECT_EQ(screen->activeField, screen->titleFieldForRow(9));
    EXPECT_EQ(screen->scrollView->contentOffset(), CGPointMake(0, 484));
    EXPECT_EQ(screen->scrollView->contentInset(), UIEdgeInsetsMake(0, 0, 216, 0));
    EXPECT_EQ(screen->scrollView->scrollIndicatorInsets(), UIEdgeInsetsMake(0, 0, 216, 0));

    // A field that is visible above the keyboard does not move the form.
    screen->scrollView->setContentOffset(CGPointMake(0, 0));
    title(*screen, 0, "First");
    EXPECT_EQ(screen->activeField, screen->titleFieldForRow(0));
    EXPECT_EQ(screen->scrollView->contentOffset(), CGPointMake(0, 124)) << "row 0 at 270 lies below the 200 visible points";

    screen->titleFieldForRow(0)->resignFirstResponder();
    EXPECT_EQ(screen->activeField, nullptr);
    EXPECT_EQ(screen->scrollView->contentInset(), UIEdgeInsets{});
    EXPECT_EQ(screen->scrollView->scrollIndicatorInsets(), UIEdgeInsets{});
}

TEST_F(FieldTitles, HundredNumbersOrMoreStillFindTheTitleFields)
{
    auto screen = answer(numbers(130));
    ASSERT_NE(screen, nullptr);
    ASSERT_EQ(screen->parsedNumbers.size(), 130u);
    // Row 0's label and row 100's title field share tag 200.
    title(*screen, 100, "Hundred and first");
    title(*screen, 3, "Fourth");
    saveAndConfirm(*screen);
    const Value fields = storedCodes().at(0)["fields"];
    ASSERT_EQ(fields.count(), 2u);
    EXPECT_EQ(fields.at(0), Value(Dict{{"title", "Fourth"}, {"index", 3}}));
    EXPECT_EQ(fields.at(1), Value(Dict{{"title", "Hundred and first"}, {"index", 100}}));
    EXPECT_EQ(storedCodes().at(0)["expectedNumbers"].integerValue(), 130);
}

TEST_F(FieldTitles, KeyboardObserversEndWhenTheScreenGoes)
{
    auto screen = answer("Balance 5");
    ASSERT_NE(screen, nullptr);
    EXPECT_EQ(settings.localCenter().observerCount(UIKeyboardDidShowNotification), 1u);
    // Appearing again does not add a second registration.
    screen->registerForKeyboardNotifications();
    EXPECT_EQ(settings.localCenter().observerCount(UIKeyboardDidShowNotification), 1u);
    EXPECT_EQ(settings.localCenter().observerCount(UIKeyboardWillHideNotification), 1u);

    std::weak_ptr<quorvel::SelectFieldsVC> gone = screen;
    nav->popViewControllerAnimated(true);
    EXPECT_EQ(settings.localCenter().observerCount(UIKeyboardDidShowNotification), 0u);
    EXPECT_EQ(settings.localCenter().observerCount(UIKeyboardWillHideNotification), 0u);
    screen.reset();
    EXPECT_TRUE(gone.expired());

    // The command screen's field brings the keyboard up with nobody left to hear it.
    auto command = std::dynamic_pointer_cast<quorvel::NewCommandVC>(nav->topViewController());
    ASSERT_NE(command, nullptr);
    EXPECT_TRUE(command->tfUSSDCommand->becomeFirstResponder());
    EXPECT_TRUE(app->isKeyboardVisible());
}

} // namespace
