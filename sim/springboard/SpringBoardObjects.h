// The C++ objects behind instances of the simulated SpringBoard classes, and
// the class registration with their host implementations. Internal to
// sim/springboard.
//
// Each object keeps a weak reference to the SpringBoard record that it reports
// to, so a message that reaches an object after its SpringBoard is gone (a
// tweak may hold an alert longer) changes nothing.
#pragma once

#include "host/common/alerts/UssdAlertClasses.h"
#include "platform/foundation/Geometry.h"
#include "platform/runtime/Runtime.h"
#include "sim/springboard/SpringBoard.h"

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace sim::springboard {

// What SpringBoard shows and keeps, as its objects report it.
struct HostRecord {
    std::vector<PublishedBulletin> bulletins;
    std::map<std::string, int> badges;
    std::map<int, bool> statusBarItems;
    // Texts sent back to the carrier with an alert's OK button.
    std::vector<std::string> ussdReplies;
    // Where a menu's answer goes, and its session's end when its alert is
    // closed unanswered (either may be empty).
    std::function<void(const std::string&)> menuAnswered;
    std::function<void()> menuReleased;
};

// An SBUSSDAlertDisplay on the simulated phone: what its end does to the
// carrier's session and to what SpringBoard keeps.
class UssdAlert final : public host::UssdAlertState {
public:
    bool isOpen() const { return visible && !closed; }
    bool isOnScreen() const { return isOpen() && frame.intersects(kScreenBounds); }
    void answered(const std::string& text) override;
    void closedUnanswered() override;

    std::weak_ptr<HostRecord> record;
};

class StatusBarDataManager final : public rt::Object {
public:
    std::weak_ptr<HostRecord> record;
};

class BulletinServer final : public rt::Object {
public:
    std::weak_ptr<HostRecord> record;
};

class Icon final : public rt::Object {
public:
    std::weak_ptr<HostRecord> record;
    std::string bundleIdentifier;
};

// A bulletin as BBServer receives it ("section", "title", "message").
class Bulletin final : public rt::Object {
public:
    PublishedBulletin content;
};

using host::defineClass;

// Registers SBUSSDAlertDisplay (and its response field's class) with fresh host
// implementations of every selector, replacing whatever the tables held.
void registerUssdAlertClasses();
// Registers SBStatusBarDataManager, BBServer, SBIcon and BBBulletin likewise.
void registerServiceClasses();

// Instances with the record attached; nullptr when the class cannot build them.
rt::id makeUssdAlert(const std::shared_ptr<HostRecord>& record);
rt::id makeStatusBarDataManager(const std::shared_ptr<HostRecord>& record);
rt::id makeBulletinServer(const std::shared_ptr<HostRecord>& record);
rt::id makeIcon(const std::shared_ptr<HostRecord>& record, const std::string& bundleIdentifier);
rt::id makeBulletin(const PublishedBulletin& content);

} // namespace sim::springboard
