#include "engine/EngineSettings.h"

#include "common/QuorvelNames.h"
#include "engine/EngineState.h"
#include "engine/StoredValues.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/PropertyList.h"

#include <cstdint>
#include <limits>
#include <optional>

namespace quorvel::engine {

namespace {

constexpr int32_t kDefaultAutoRefreshRate = 0;
constexpr bool kDefaultEnableInRoaming = false;
constexpr bool kDefaultUnlockedAutorefreshAllowed = false;
constexpr float kDefaultMaxResponseTime = 10.0f;
constexpr float kDefaultSessionInitTime = 4.0f;
constexpr bool kDefaultObserveDND = true;
constexpr float kDefaultMaxSMSResponseTime = 60.0f;
constexpr bool kDefaultCodesFollowSim = false;

class SettingsReader {
public:
    explicit SettingsReader(platform::Dict settings) : m_settings(std::move(settings)) {}

    const platform::Value* find(const char* key) const
    {
        auto found = m_settings.find(key);
        return found == m_settings.end() ? nullptr : &found->second;
    }

    int32_t minutes(const char* key, int32_t fallback) const
    {
        const platform::Value* stored = find(key);
        if (!stored)
            return fallback;
        std::optional<int64_t> value = storedInteger(*stored);
        if (!value || *value < 0 || *value > std::numeric_limits<int32_t>::max())
            return unusable(key, *stored, fallback);
        return static_cast<int32_t>(*value);
    }

    bool flag(const char* key, bool fallback) const
    {
        const platform::Value* stored = find(key);
        if (!stored)
            return fallback;
        std::optional<bool> value = storedFlag(*stored);
        return value ? *value : unusable(key, *stored, fallback);
    }

    // Seconds; none when the key is absent or unusable (the latter logged).
    std::optional<float> span(const char* key) const
    {
        const platform::Value* stored = find(key);
        if (!stored)
            return std::nullopt;
        std::optional<double> value = storedReal(*stored);
        if (!value || *value < 0 || *value > std::numeric_limits<float>::max()) {
            QLog("Qvl: setting %@ has an unusable value %@, using the default", key, *stored);
            return std::nullopt;
        }
        return static_cast<float>(*value);
    }

private:
    template <class T>
    static T unusable(const char* key, const platform::Value& stored, T fallback)
    {
        QLog("Qvl: setting %@ has an unusable value %@, using the default", key, stored);
        return fallback;
    }

    platform::Dict m_settings;
};

} // namespace

void loadSettings()
{
    const SettingsReader settings(platform::readDictionary(kSettingsStorePath));

    autoRefreshRate = settings.minutes(kAutoRefreshRateKey, kDefaultAutoRefreshRate);
    enableInRoaming = settings.flag(kEnableInRoamingKey, kDefaultEnableInRoaming);
    unlockedAutorefreshAllowed = settings.flag(kUnlockedAutorefreshAllowedKey, kDefaultUnlockedAutorefreshAllowed);
    maxResponseTime = settings.span(kMaxResponseTimeKey).value_or(kDefaultMaxResponseTime);
    sessionInitTime = settings.span(kSessionInitTimeKey).value_or(kDefaultSessionInitTime);
    observeDND = settings.flag(kObserveDNDKey, kDefaultObserveDND);
    codesFollowSim = settings.flag(kCodesFollowSimKey, kDefaultCodesFollowSim);

    // The SMS wait must outlast the USSD window, or an SMS request would end
    // before its USSD side; the default is trusted as it is.
    std::optional<float> smsWait = settings.span(kMaxSMSResponseTimeKey);
    if (!smsWait) {
        maxSMSResponseTime = kDefaultMaxSMSResponseTime;
        return;
    }
    const double floor = static_cast<double>(maxResponseTime) + 1.0;
    if (static_cast<double>(*smsWait) < floor) {
        smsWait = static_cast<float>(floor);
        QLog("Qvl: setting max SMS response time to more than USSD response time: %0.1f seconds", *smsWait);
    }
    maxSMSResponseTime = *smsWait;
}

} // namespace quorvel::engine
