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

int64_t SmsMirror::messageDate(const std::string& timestamp) const
{
    int64_t unixSeconds = m_device.now().micros() / 1'000'000;
    if (GDateTime* parsed = g_date_time_new_from_iso8601(timestamp.c_str(), nullptr)) {
        unixSeconds = g_date_time_to_unix(parsed);
        g_date_time_unref(parsed);
    } else if (!timestamp.empty()) {
        note("SMS timestamp \"" + timestamp + "\" is unreadable; dated now");
    }
    return unixSeconds - host::kMessageDateEpoch;
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
