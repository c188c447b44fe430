// SpringBoard's status bar data manager, bulletin server, icons and bulletins:
// each host implementation records what it was told in the SpringBoard record.
#include "sim/springboard/SpringBoardObjects.h"

namespace sim::springboard {

namespace {

// Returns whether the item changed, as the status bar's own bookkeeping does.
bool setStatusBarItem(rt::Object* self, rt::SEL, int item, bool enabled)
{
    auto* manager = dynamic_cast<StatusBarDataManager*>(self);
    auto record = manager ? manager->record.lock() : nullptr;
    if (!record)
        return false;
    auto [entry, added] = record->statusBarItems.try_emplace(item, enabled);
    if (added)
        return true;
    const bool changed = entry->second != enabled;
    entry->second = enabled;
    return changed;
}

void publishBulletin(rt::Object* self, rt::SEL, rt::Object* bulletin, unsigned, bool)
{
    auto* server = dynamic_cast<BulletinServer*>(self);
    auto record = server ? server->record.lock() : nullptr;
    if (!record || !bulletin)
        return;
    // Read through the runtime, as SpringBoard reads any bulletin object.
    record->bulletins.push_back({rt::msgSend<std::string>(bulletin, "section"), rt::msgSend<std::string>(bulletin, "title"),
                                 rt::msgSend<std::string>(bulletin, "message")});
}

void setBadge(rt::Object* self, rt::SEL, int badge)
{
    auto* icon = dynamic_cast<Icon*>(self);
    auto record = icon ? icon->record.lock() : nullptr;
    if (record)
        record->badges[icon->bundleIdentifier] = badge;
}

std::string iconBundleIdentifier(rt::Object* self, rt::SEL)
{
    auto* icon = dynamic_cast<Icon*>(self);
    return icon ? icon->bundleIdentifier : std::string();
}

std::string bulletinSection(rt::Object* self, rt::SEL)
{
    auto* bulletin = dynamic_cast<Bulletin*>(self);
    return bulletin ? bulletin->content.section : std::string();
}

std::string bulletinTitle(rt::Object* self, rt::SEL)
{
    auto* bulletin = dynamic_cast<Bulletin*>(self);
    return bulletin ? bulletin->content.title : std::string();
}

std::string bulletinMessage(rt::Object* self, rt::SEL)
{
    auto* bulletin = dynamic_cast<Bulletin*>(self);
    return bulletin ? bulletin->content.message : std::string();
}

template <class T>
rt::id instanceOf(const char* className, const std::shared_ptr<HostRecord>& record)
{
    rt::Class* cls = rt::objc_getClass(className);
    rt::id instance = cls ? cls->createInstance() : nullptr;
    if (auto* object = dynamic_cast<T*>(instance.get()))
        object->record = record;
    return instance;
}

} // namespace

void registerServiceClasses()
{
    defineClass("SBStatusBarDataManager", [] { return std::make_shared<StatusBarDataManager>(); })
        ->setMethod("setStatusBarItem:enabled:", rt::IMP::of(&setStatusBarItem));
    defineClass("BBServer", [] { return std::make_shared<BulletinServer>(); })
        ->setMethod("publishBulletin:destinations:alwaysToLockScreen:", rt::IMP::of(&publishBulletin));

    rt::Class* icon = defineClass("SBIcon", [] { return std::make_shared<Icon>(); });
    icon->setMethod("setBadge:", rt::IMP::of(&setBadge));
    icon->setMethod("applicationBundleID", rt::IMP::of(&iconBundleIdentifier));

    rt::Class* bulletin = defineClass("BBBulletin", [] { return std::make_shared<Bulletin>(); });
    bulletin->setMethod("section", rt::IMP::of(&bulletinSection));
    bulletin->setMethod("title", rt::IMP::of(&bulletinTitle));
    bulletin->setMethod("message", rt::IMP::of(&bulletinMessage));
}

rt::id makeStatusBarDataManager(const std::shared_ptr<HostRecord>& record)
{
    return instanceOf<StatusBarDataManager>("SBStatusBarDataManager", record);
}

rt::id makeBulletinServer(const std::shared_ptr<HostRecord>& record)
{
    return instanceOf<BulletinServer>("BBServer", record);
}

rt::id makeIcon(const std::shared_ptr<HostRecord>& record, const std::string& bundleIdentifier)
{
    rt::id instance = instanceOf<Icon>("SBIcon", record);
    if (auto* icon = dynamic_cast<Icon*>(instance.get()))
        icon->bundleIdentifier = bundleIdentifier;
    return instance;
}

rt::id makeBulletin(const PublishedBulletin& content)
{
    rt::Class* cls = rt::objc_getClass("BBBulletin");
    rt::id instance = cls ? cls->createInstance() : nullptr;
    if (auto* bulletin = dynamic_cast<Bulletin*>(instance.get()))
        bulletin->content = content;
    return instance;
}

} // namespace sim::springboard
