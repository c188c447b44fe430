#include "host/linux/SettingsService.h"

#include "common/QuorvelNames.h"
#include "host/common/loader/PrefBundleInstall.h"
#include "host/linux/BusArguments.h"
#include "host/linux/DaemonLog.h"
#include "platform/foundation/Files.h"
#include "platform/foundation/PropertyList.h"
#include "platform/foundation/UserDefaults.h"
#include "platform/notify/NotificationCenter.h"
#include "platform/system/Device.h"

#include <optional>

namespace linuxhost {

using platform::Value;

namespace {

GVariant* variantOf(const Value& value)
{
    switch (value.type()) {
    case Value::Type::Boolean:
        return g_variant_new_boolean(value.boolValue());
    case Value::Type::Integer:
        return g_variant_new_int64(value.integerValue());
    default:
        return g_variant_new_double(value.doubleValue());
    }
}

std::string settingsPath()
{
    return platform::preferencesPathForDomain(quorvel::kSettingsDomain);
}

} // namespace

std::vector<SettingSpecifier> readSettingSpecifiers(const std::string& devicePath)
{
    std::vector<SettingSpecifier> specifiers;
    const platform::Dict list = platform::readDictionary(devicePath);
    auto items = list.find("items");
    if (items == list.end() || !items->second.array())
        return specifiers;
    for (const Value& item : *items->second.array()) {
        const std::string* key = item["key"].string();
        const std::string* domain = item["defaults"].string();
        const std::string* cell = item["cell"].string();
        if (!key || !domain || !cell || *domain != quorvel::kSettingsDomain)
            continue;
        SettingSpecifier one{*key, item["label"].string() ? *item["label"].string() : *key, item["default"], {}, {}, {}};
        if (const std::string* post = item["PostNotification"].string())
            one.postNotification = *post;
        if (*cell == "PSLinkListCell") {
            const platform::Array* values = item["validValues"].array();
            const platform::Array* titles = item["validTitles"].array();
            if (!values || values->empty())
                continue;
            one.values = *values;
            for (size_t i = 0; i < values->size(); ++i)
                one.titles.push_back(titles && i < titles->size() ? titles->at(i).description() : values->at(i).description());
        } else if (*cell != "PSSwitchCell") {
            continue; // no other stored cell on the page
        }
        if (one.defaultValue.isNone())
            one.defaultValue = one.values.empty() ? Value(false) : one.values.front();
        specifiers.push_back(std::move(one));
    }
    return specifiers;
}

SettingsService::SettingsService(platform::Device& device, QuorvelBusQuorvel1* skeleton)
    : m_device(device), m_skeleton(skeleton)
{
    g_signal_connect(m_skeleton, "handle-get-settings", G_CALLBACK(handleGetSettings), this);
    g_signal_connect(m_skeleton, "handle-get-setting-choices", G_CALLBACK(handleGetSettingChoices), this);
    g_signal_connect(m_skeleton, "handle-set-setting", G_CALLBACK(handleSetSetting), this);
}

SettingsService::~SettingsService()
{
    g_signal_handlers_disconnect_by_data(m_skeleton, this);
}

const std::vector<SettingSpecifier>& SettingsService::specifiers()
{
    // Read once the bundle is installed (the home screen installs it at start).
    if (m_specifiers.empty()) {
        m_specifiers = readSettingSpecifiers(std::string(host::kPrefBundlePath) + "/" + host::kPrefBundleSpecifierList);
        if (m_specifiers.empty())
            note("the Settings page's specifier list cannot be read: no setting can be read or changed over the bus");
    }
    return m_specifiers;
}

gboolean SettingsService::handleGetSettings(QuorvelBusQuorvel1* skeleton, GDBusMethodInvocation* invocation, gpointer data)
{
    auto* self = static_cast<SettingsService*>(data);
    platform::DeviceScope on(self->m_device);
    const platform::Dict stored = platform::readDictionary(settingsPath());
    GVariantBuilder all;
    g_variant_builder_init(&all, G_VARIANT_TYPE("a{sv}"));
    for (const SettingSpecifier& setting : self->specifiers()) {
        auto found = stored.find(setting.key);
        // A stored value of another kind (a hand-edited store) reads as the
        // engine reads it: numbers as numbers, anything else as the default.
        Value value = setting.defaultValue;
        if (found != stored.end() && found->second.isNumber())
            value = setting.defaultValue.type() == Value::Type::Boolean ? Value(found->second.boolValue())
                    : setting.defaultValue.type() == Value::Type::Integer ? Value(found->second.integerValue())
                                                                           : Value(found->second.doubleValue());
        g_variant_builder_add(&all, "{sv}", setting.key.c_str(), variantOf(value));
    }
    quorvel_bus_quorvel1_complete_get_settings(skeleton, invocation, g_variant_builder_end(&all));
    return TRUE;
}

gboolean SettingsService::handleGetSettingChoices(QuorvelBusQuorvel1* skeleton, GDBusMethodInvocation* invocation,
                                                  gpointer data)
{
    auto* self = static_cast<SettingsService*>(data);
    platform::DeviceScope on(self->m_device);
    GVariantBuilder all;
    g_variant_builder_init(&all, G_VARIANT_TYPE("a(ssvavas)"));
    for (const SettingSpecifier& setting : self->specifiers()) {
        GVariantBuilder values;
        g_variant_builder_init(&values, G_VARIANT_TYPE("av"));
        for (const Value& value : setting.values)
            g_variant_builder_add(&values, "v", variantOf(value));
        GVariantBuilder titles;
        g_variant_builder_init(&titles, G_VARIANT_TYPE("as"));
        for (const std::string& title : setting.titles)
            g_variant_builder_add(&titles, "s", title.c_str());
        g_variant_builder_add(&all, "(ssvavas)", setting.key.c_str(), setting.label.c_str(), variantOf(setting.defaultValue),
                              &values, &titles);
    }
    quorvel_bus_quorvel1_complete_get_setting_choices(skeleton, invocation, g_variant_builder_end(&all));
    return TRUE;
}

gboolean SettingsService::handleSetSetting(QuorvelBusQuorvel1* skeleton, GDBusMethodInvocation* invocation, const gchar* key,
                                           GVariant* value, gpointer data)
{
    auto* self = static_cast<SettingsService*>(data);
    platform::DeviceScope on(self->m_device);
    const SettingSpecifier* setting = nullptr;
    for (const SettingSpecifier& one : self->specifiers())
        if (one.key == key)
            setting = &one;
    if (!setting)
        return refuse(invocation, kInvalidArgument, "no setting is named " + logExcerpt(key));
    GVariant* inner = g_variant_is_of_type(value, G_VARIANT_TYPE_VARIANT) ? g_variant_get_variant(value) : g_variant_ref(value);
    Value chosen;
    if (setting->values.empty()) {
        if (g_variant_is_of_type(inner, G_VARIANT_TYPE_BOOLEAN))
            chosen = Value(static_cast<bool>(g_variant_get_boolean(inner)));
    } else if (std::optional<double> number = numberOf(inner)) {
        for (const Value& offered : setting->values)
            if (offered.doubleValue() == *number)
                chosen = offered;
    }
    gchar* printed = g_variant_print(inner, TRUE);
    const std::string given = logExcerpt(printed);
    g_free(printed);
    g_variant_unref(inner);
    if (chosen.isNone()) {
        std::string offered;
        for (const Value& v : setting->values)
            offered += (offered.empty() ? "" : ", ") + v.description();
        return refuse(invocation, kInvalidArgument,
                      setting->key + " takes " + (setting->values.empty() ? std::string("a boolean") : "one of " + offered) +
                          ", not " + given);
    }
    const std::string path = settingsPath();
    std::optional<platform::Dict> stored = platform::readDictionaryIfPresent(path);
    if (!stored && platform::fileExists(path))
        return refuse(invocation, kFailed, "the settings store cannot be read; it is left as it is");
    platform::Dict settings = stored.value_or(platform::Dict{});
    settings[setting->key] = chosen;
    if (!platform::writeDictionaryAtomically(path, settings, true))
        return refuse(invocation, kFailed, "the settings store cannot be written");
    if (!setting->postNotification.empty())
        platform::CFNotificationCenterPostNotification(platform::CFNotificationCenterGetDarwinNotifyCenter(),
                                                       setting->postNotification, nullptr, nullptr, true);
    note("setting " + setting->key + " set to " + chosen.description() + " over the session bus");
    quorvel_bus_quorvel1_complete_set_setting(skeleton, invocation);
    return TRUE;
}

} // namespace linuxhost
