#include "tests/engine/EngineFixture.h"

#include "common/QuorvelNames.h"
#include "engine/Engine.h"
#include "platform/foundation/DevicePaths.h"
#include "platform/foundation/Files.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/PropertyList.h"
#include "platform/notify/NotificationCenter.h"
#include "platform/runtime/Runtime.h"

#include <cstdlib>
#include <filesystem>

namespace quorvel::engine::testing {

namespace fs = std::filesystem;

namespace {

constexpr const char* kPreferences = "/var/mobile/Library/Preferences";
constexpr const char* kCarrierLink = "/var/mobile/Library/Preferences/com.apple.carrier.plist";
constexpr const char* kOperatorLink = "/var/mobile/Library/Preferences/com.apple.operator.plist";
constexpr const char* kHomeNetwork = "/var/mobile/Library/Carrier Bundles/Overlay/25001.plist";

void pointLink(const char* link, const std::optional<std::string>& target)
{
    std::error_code ignored;
    fs::remove(platform::hostPath(link), ignored);
    if (target)
        fs::create_symlink(*target, platform::hostPath(link));
}

} // namespace

platform::Value codeRecord(const std::string& ussdCode, platform::Value expectedNumbers, std::vector<FieldSpec> fields,
                           std::optional<std::string> smsSender)
{
    platform::Array fieldList;
    for (auto& field : fields) {
        platform::Dict entry;
        entry[kTitleKey] = field.title;
        entry[kIndexKey] = field.index;
        fieldList.emplace_back(std::move(entry));
    }
    platform::Dict record;
    record[kUssdCodeKey] = ussdCode;
    record[kFieldsKey] = std::move(fieldList);
    if (!expectedNumbers.isNone())
        record[kExpectedNumbersKey] = expectedNumbers;
    if (smsSender)
        record[kSmsSenderKey] = *smsSender;
    return record;
}

void EngineBeforeStartTest::SetUp()
{
    rt::resetRuntimeForTesting();
    // Under the system's temporary folder ($TMPDIR when set), as every test's device.
    std::string folder = (fs::temp_directory_path() / "quorvel-engine-XXXXXX").string();
    ASSERT_NE(mkdtemp(folder.data()), nullptr);
    root = folder;
    platform::setDeviceRoot(root);
    ASSERT_TRUE(platform::createDirectories(kPreferences));
    pointCarrierAt(kHomeNetwork);
    pointOperatorAt(kHomeNetwork);
    platform::setLogSink([this](const std::string& line) { log.push_back(line); });

    device = std::make_unique<platform::Device>(std::make_unique<platform::VirtualClock>(kStart));
    deviceScope = std::make_unique<platform::DeviceScope>(*device);
    device->telephony = &telephony;
    process = std::make_unique<platform::Process>(*device, "SpringBoard", "com.apple.springboard");
    processScope = std::make_unique<platform::ProcessScope>(*process);
    springboard = std::make_unique<sim::SpringBoard>(*process);
    process->localCenter().addObserver(this, kDataRefreshedNotification, [this](const platform::Notification&) { ++announcements; });
}

void EngineBeforeStartTest::startEngine()
{
    engineResetForTesting();
    engineStart();
    installHooks();
}

void EngineBeforeStartTest::TearDown()
{
    engineResetForTesting();
    springboard.reset();
    processScope.reset();
    process.reset();
    deviceScope.reset();
    device.reset();
    rt::resetRuntimeForTesting();
    platform::setLogSink(nullptr);
    std::error_code ignored;
    if (!root.empty())
        fs::remove_all(root, ignored);
}

void EngineBeforeStartTest::writeSettings(const platform::Dict& settings)
{
    ASSERT_TRUE(platform::writeDictionaryAtomically(kSettingsStorePath, settings));
}

void EngineBeforeStartTest::writeCodes(const platform::Array& codes)
{
    writeCodesRoot(platform::Dict{{kCodesKey, codes}});
}

void EngineBeforeStartTest::writeCodesRoot(const platform::Dict& root)
{
    ASSERT_TRUE(platform::writeDictionaryAtomically(kCodesStorePath, root));
}

platform::Array EngineBeforeStartTest::storedCodes() const
{
    platform::Value root = platform::readDictionary(kCodesStorePath);
    const platform::Array* list = root[kCodesKey].array();
    return list ? *list : platform::Array{};
}

std::string EngineBeforeStartTest::storedCodesBytes() const
{
    return platform::readFile(kCodesStorePath).value_or("<missing>");
}

std::string EngineBeforeStartTest::storedField(size_t code, size_t field, const std::string& key) const
{
    const platform::Array codes = storedCodes(); // the lookups below refer into it
    if (code >= codes.size())
        return "<no code>";
    const platform::Value& value = codes[code][kFieldsKey].at(field)[key];
    return value.isNone() ? "<none>" : value.description();
}

void EngineBeforeStartTest::pointOperatorAt(const std::optional<std::string>& target)
{
    pointLink(kOperatorLink, target);
}

void EngineBeforeStartTest::pointCarrierAt(const std::optional<std::string>& target)
{
    pointLink(kCarrierLink, target);
}

void EngineBeforeStartTest::requestRefresh()
{
    platform::CFNotificationCenterPostNotification(platform::CFNotificationCenterGetLocalCenter(), kRefreshRequestNotification,
                                                   nullptr, nullptr, true);
}

void EngineBeforeStartTest::postDarwin(const std::string& name)
{
    platform::CFNotificationCenterPostNotification(platform::CFNotificationCenterGetDarwinNotifyCenter(), name, nullptr,
                                                   nullptr, true);
    device->runPending();
}

void EngineBeforeStartTest::reply(const std::string& text)
{
    platform::Dict info{{platform::kCTUSSDSessionString, text}};
    platform::postTelephonyNotification(*device, platform::kCTUSSDSessionStringNotification, &info);
    device->runPending();
}

void EngineBeforeStartTest::replyWithoutText()
{
    platform::Dict info;
    platform::postTelephonyNotification(*device, platform::kCTUSSDSessionStringNotification, &info);
    device->runPending();
}

void EngineBeforeStartTest::runFor(platform::Micros span)
{
    device->runFor(span);
}

void EngineBeforeStartTest::runForSeconds(double seconds)
{
    device->runFor(platform::toMicros(platform::Seconds(seconds)));
}

int EngineBeforeStartTest::logCount(const std::string& line) const
{
    return static_cast<int>(std::count(log.begin(), log.end(), line));
}

int EngineBeforeStartTest::logCountStartingWith(const std::string& prefix) const
{
    return static_cast<int>(
        std::count_if(log.begin(), log.end(), [&](const std::string& line) { return line.rfind(prefix, 0) == 0; }));
}

long EngineBeforeStartTest::logIndex(const std::string& line) const
{
    auto found = std::find(log.begin(), log.end(), line);
    return found == log.end() ? -1 : static_cast<long>(found - log.begin());
}

std::string EngineBeforeStartTest::logText() const
{
    std::string text;
    for (const auto& line : log)
        text += line.substr(0, 300) + "\n";
    return text;
}

} // namespace quorvel::engine::testing
