#include "tests/engine/SmsFixture.h"

#include "platform/foundation/DevicePaths.h"
#include "platform/notify/NotificationCenter.h"
#include "platform/telephony/CoreTelephony.h"

#include <algorithm>

namespace quorvel::engine::testing {

void SmsEngineTest::SetUp()
{
    EngineTest::SetUp();
    messages = std::make_unique<sim::MessagingService>(*process, *springboard);
}

void SmsEngineTest::TearDown()
{
    messages.reset();
    EngineTest::TearDown();
}

int64_t SmsEngineTest::receive(const std::string& sender, const std::string& text)
{
    int64_t rowId = messages->receive(sender, text);
    device->runPending();
    return rowId;
}

void SmsEngineTest::postChatItems(platform::Array items)
{
    messages->postChatItemsChange(std::move(items));
    device->runPending();
}

int SmsEngineTest::darwinPosts(const std::string& name) const
{
    const auto& names = device->darwinCenter().postedNames();
    return static_cast<int>(std::count(names.begin(), names.end(), name));
}

size_t SmsEngineTest::chatItemObservers() const
{
    return process->telephonyCenter().observerCount(platform::kIMChatItemsDidChangeNotification);
}

int SmsEngineTest::smsBulletins() const
{
    return springboard->bulletinCount(sim::kMessagesBundleIdentifier);
}

int SmsEngineTest::smsBadge() const
{
    return springboard->badge(sim::kMessagesBundleIdentifier);
}

bool SmsEngineTest::execOnDatabase(const std::string& sql) const
{
    sqlite3* db = nullptr;
    bool ok = sqlite3_open_v2(platform::hostPath(sim::kSmsDatabasePath).c_str(), &db,
                              SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) == SQLITE_OK &&
              sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr) == SQLITE_OK;
    sqlite3_close(db);
    return ok;
}

} // namespace quorvel::engine::testing
