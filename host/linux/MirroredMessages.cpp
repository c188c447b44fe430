#include "host/linux/MirroredMessages.h"

#include "host/linux/DaemonLog.h"
#include "platform/foundation/Files.h"

#include <glib.h>

#include <algorithm>
#include <filesystem>
#include <sstream>

namespace linuxhost {

namespace {

constexpr const char* kHeader = "# quorveld: received SMS already mirrored (SHA-256 of sender, timestamp and text)";
constexpr const char* kFirstRunKey = "first-run ";
constexpr size_t kIdLength = 64;
// Far more than kMirroredMessagesKept lines take; a larger file is not ours.
constexpr size_t kMaxFileBytes = 256 * 1024;

bool isIdentity(const std::string& line)
{
    return line.size() == kIdLength &&
           std::all_of(line.begin(), line.end(), [](char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'); });
}

std::optional<int64_t> parseFirstRun(const std::string& line)
{
    std::string digits = line.substr(std::string(kFirstRunKey).size());
    if (digits.empty() || digits.size() > 18 || !std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return std::nullopt;
    return std::stoll(digits);
}

} // namespace

MirroredMessages::MirroredMessages(std::string devicePath, size_t capacity)
    : m_path(std::move(devicePath))
    , m_capacity(std::max<size_t>(capacity, 1))
{
}

std::string MirroredMessages::identity(const std::string& number, const std::string& text, const std::string& timestamp)
{
    std::string all = number + '\x1f' + timestamp + '\x1f' + text;
    gchar* sum = g_compute_checksum_for_data(G_CHECKSUM_SHA256, reinterpret_cast<const guchar*>(all.data()), all.size());
    std::string id(sum);
    g_free(sum);
    return id;
}

void MirroredMessages::load(int64_t nowUnix)
{
    m_ids.clear();
    m_firstRun = nowUnix;
    std::optional<std::string> bytes = platform::readFile(m_path);
    if (!bytes) {
        if (platform::fileExists(m_path))
            note("cannot read " + m_path + ": SMS dated before now are taken as already mirrored");
        save();
        return;
    }
    if (bytes->size() > kMaxFileBytes) {
        note(m_path + " is larger than " + std::to_string(kMaxFileBytes) +
             " bytes: starting it afresh; SMS dated before now are taken as already mirrored");
        save();
        return;
    }
    std::optional<int64_t> firstRun;
    size_t unreadable = 0;
    std::istringstream lines(*bytes);
    for (std::string line; std::getline(lines, line);) {
        if (line.empty() || line[0] == '#')
            continue;
        if (line.rfind(kFirstRunKey, 0) == 0 && !firstRun)
            firstRun = parseFirstRun(line);
        else if (isIdentity(line))
            m_ids.push_back(line);
        else
            ++unreadable;
    }
    while (m_ids.size() > m_capacity)
        m_ids.pop_front();
    if (unreadable > 0)
        note(m_path + ": " + std::to_string(unreadable) + " unreadable lines ignored");
    if (firstRun) {
        m_firstRun = *firstRun;
    } else {
        note(m_path + " has no first-run time: SMS dated before now are taken as already mirrored");
        save();
    }
}

MirroredMessages::Verdict MirroredMessages::check(const std::string& id, std::optional<int64_t> sentUnix) const
{
    if (std::find(m_ids.begin(), m_ids.end(), id) != m_ids.end())
        return Verdict::seen;
    if (sentUnix && *sentUnix < m_firstRun)
        return Verdict::beforeFirstRun;
    return Verdict::fresh;
}

bool MirroredMessages::remember(const std::string& id)
{
    if (std::find(m_ids.begin(), m_ids.end(), id) == m_ids.end())
        m_ids.push_back(id);
    while (m_ids.size() > m_capacity)
        m_ids.pop_front();
    return save();
}

bool MirroredMessages::save() const
{
    std::string text = std::string(kHeader) + "\n" + kFirstRunKey + std::to_string(m_firstRun) + "\n";
    for (const std::string& id : m_ids)
        text += id + "\n";
    platform::createDirectories(std::filesystem::path(m_path).parent_path().string());
    if (platform::writeFileAtomically(m_path, text))
        return true;
    note("cannot write " + m_path + ": mirrored SMS are remembered until quorveld stops only");
    return false;
}

} // namespace linuxhost
