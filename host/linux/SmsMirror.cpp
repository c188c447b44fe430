#include "host/linux/SmsMirror.h"

#include "host/common/messaging/ChatItems.h"
#include "host/common/messaging/SmsDatabase.h"
#include "host/linux/DaemonLog.h"
#include "platform/foundation/DevicePaths.h"
#include "platform/foundation/Files.h"
#include "platform/system/Device.h"
#include "platform/system/Process.h"
#include "platform/telephony/CoreTelephony.h"

#include <glib.h>

#include <filesystem>

namespace linuxhost {

SmsMirror::SmsMirror(platform::Device& device, platform::Process& homeScreen)
    : m_device(device)
    , m_homeScreen(homeScreen)
{
}

std::optional<int64_t> SmsMirror::unixTime(const std::string& timestamp)
{
    GDateTime* parsed = g_date_time_new_from_iso8601(timestamp.c_str(), nullptr);
    if (!parsed)
        return std::nullopt;
    int64_t unixSeconds = g_date_time_to_unix(parsed);
    g_date_time_unref(parsed);
    return unixSeconds;
}

int64_t SmsMirror::messageDate(const std::string& timestamp) const
{
    std::optional<int64_t> unixSeconds = unixTime(timestamp);
    if (!unixSeconds && !timestamp.empty())
        note("SMS timestamp \"" + timestamp + "\" is unreadable; dated now");
    return unixSeconds.value_or(m_device.now().micros() / 1'000'000) - host::kMessageDateEpoch;
}

void SmsMirror::load()
{
    platform::DeviceScope on(m_device);
    m_seen.load(m_device.now().micros() / 1'000'000);
    m_loaded = true;
}

SmsMirror::Outcome SmsMirror::mirrorOnce(const std::string& number, const std::string& text, const std::string& timestamp)
{
    if (!m_loaded)
        load();
    std::string id = MirroredMessages::identity(number, text, timestamp);
    switch (m_seen.check(id, unixTime(timestamp))) {
    case MirroredMessages::Verdict::seen:
        note("SMS from " + number + " of " + timestamp + " was mirrored before; not again");
        return Outcome::alreadyMirrored;
    case MirroredMessages::Verdict::beforeFirstRun: {
        note("SMS from " + number + " of " + timestamp + " came before quorveld first ran; not posted as new");
        platform::DeviceScope on(m_device);
        m_seen.remember(id);
        return Outcome::beforeFirstRun;
    }
    case MirroredMessages::Verdict::fresh:
        break;
    }
    if (receive(number, text, timestamp) == 0)
        return Outcome::failed;
    platform::DeviceScope on(m_device);
    m_seen.remember(id);
    return Outcome::stored;
}

int64_t SmsMirror::receive(const std::string& number, const std::string& text, const std::string& timestamp)
{
    platform::DeviceScope on(m_device);
    platform::createDirectories(std::filesystem::path(host::kSmsDatabasePath).parent_path().string());
    std::string error;
    std::optional<int64_t> rowId;
    {
        // Closed before the change is posted: the engine must find the row.
        auto db = host::SmsDatabase::open(platform::hostPath(host::kSmsDatabasePath), error);
        if (db)
            rowId = db->insertReceived({number, text, messageDate(timestamp)}, error);
    }
    if (!rowId) {
        note("cannot store the SMS from " + number + ": " + error);
        return 0;
    }
    note("SMS from " + number + " stored as message " + std::to_string(*rowId) + ": \"" + text + "\"");
    platform::ProcessScope in(m_homeScreen);
    platform::Array items{platform::Value(host::makeMessageChatItem(*rowId, number, text))};
    platform::Dict userInfo{{platform::kIMChatItemsKey, platform::Value(std::move(items))}};
    m_homeScreen.telephonyCenter().post(platform::kIMChatItemsDidChangeNotification, nullptr, &userInfo, true);
    return *rowId;
}

} // namespace linuxhost
