// The engine fixture with the device's messaging service beside SpringBoard, so
// an SMS is stored in a real sms.db and announced (chat-items change, bulletin,
// badge) on SpringBoard's run loop, as the phone does.
//
//   TEST_F(SmsEngineTest, ...) {
//       writeCodes({codeRecord("*105#", 1, {{"Minutes", 0}}, "900")});
//       requestRefresh();
//       receive("900", "Left: 250 min");    // stored, announced, engine ran
//   }
#pragma once

#include "sim/messaging/MessagingService.h"
#include "tests/engine/EngineFixture.h"

#include <sqlite3.h>

#include <memory>
#include <string>

namespace quorvel::engine::testing {

class SmsEngineTest : public EngineTest {
protected:
    void SetUp() override;
    void TearDown() override;

    // An SMS arrives and everything it sets off on SpringBoard's run loop runs.
    // Returns the message's row identifier.
    int64_t receive(const std::string& sender, const std::string& text);
    // A chat-items change holding `items`, with no database row behind it.
    void postChatItems(platform::Array items);
    // How often `name` was posted on the Darwin centre so far.
    int darwinPosts(const std::string& name) const;
    size_t chatItemObservers() const;
    int smsBulletins() const;
    int smsBadge() const;
    // Runs SQL on sms.db through a connection of its own; false on failure.
    bool execOnDatabase(const std::string& sql) const;

    std::unique_ptr<sim::MessagingService> messages;
};

} // namespace quorvel::engine::testing
