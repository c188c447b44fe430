#include "host/linux/DaemonLog.h"

#include "platform/foundation/Log.h"
#include "platform/foundation/Utf8.h"

#include <chrono>
#include <ctime>

#include <fcntl.h>
#include <unistd.h>

namespace linuxhost {

DaemonLog::DaemonLog()
{
    platform::setLogSink([this](const std::string& line) { write(line); });
}

DaemonLog::~DaemonLog()
{
    platform::setLogSink(nullptr);
    if (m_file)
        std::fclose(m_file);
}

bool DaemonLog::openFile(const std::string& path)
{
    // The log holds what the carrier and the user's messages say: a new file
    // is the user's alone. An existing one keeps the mode its owner gave it.
    int fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0)
        return false;
    std::FILE* file = ::fdopen(fd, "a");
    if (!file) {
        ::close(fd);
        return false;
    }
    if (m_file)
        std::fclose(m_file);
    m_file = file;
    return true;
}

std::string DaemonLog::timestamp()
{
    auto now = std::chrono::system_clock::now();
    std::time_t seconds = std::chrono::system_clock::to_time_t(now);
    long millis = static_cast<long>(
        std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() % 1000);
    std::tm local{};
    localtime_r(&seconds, &local);
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%02d:%02d:%02d.%03ld", local.tm_hour, local.tm_min, local.tm_sec, millis);
    return buffer;
}

void DaemonLog::write(const std::string& line)
{
    std::string stamped = timestamp() + " " + escapedLogLine(line) + "\n";
    // Unbuffered writes, so the journal and a test reading the file see each
    // line as it happens.
    std::fwrite(stamped.data(), 1, stamped.size(), stderr);
    if (m_file) {
        std::fwrite(stamped.data(), 1, stamped.size(), m_file);
        std::fflush(m_file);
    }
    if (m_listener)
        m_listener(stamped.substr(0, stamped.size() - 1));
}

namespace {

void appendHex(std::string& out, const char* form, unsigned value)
{
    char buffer[8];
    std::snprintf(buffer, sizeof buffer, form, value);
    out += buffer;
}

bool needsEscaping(std::string_view line)
{
    for (unsigned char c : line)
        if (c < 0x20 || c >= 0x7F)
            return true;
    return false;
}

} // namespace

std::string escapedLogLine(std::string_view line)
{
    if (!needsEscaping(line))
        return std::string(line);
    std::string out;
    out.reserve(line.size() + 16);
    for (size_t i = 0; i < line.size();) {
        const auto c = static_cast<unsigned char>(line[i]);
        const size_t length = platform::utf8::sequenceLength(line, i);
        if (length == 0) {
            appendHex(out, "\\x%02x", c);
            ++i;
            continue;
        }
        if (length == 1) {
            switch (c) {
            case '\r': out += "\\r"; break;
            case '\n': out += "\\n"; break;
            case '\t': out += "\\t"; break;
            default:
                if (c < 0x20 || c == 0x7F)
                    appendHex(out, "\\x%02x", c);
                else
                    out += static_cast<char>(c);
            }
            ++i;
            continue;
        }
        const auto next = static_cast<unsigned char>(line[i + 1]);
        // U+0080-U+009F (NEL, CSI, ...) and U+2028/U+2029 end lines or steer terminals too.
        if (length == 2 && c == 0xC2 && next < 0xA0) {
            appendHex(out, "\\u%04x", next);
        } else if (length == 3 && c == 0xE2 && next == 0x80 &&
                   (static_cast<unsigned char>(line[i + 2]) == 0xA8 || static_cast<unsigned char>(line[i + 2]) == 0xA9)) {
            appendHex(out, "\\u%04x", 0x2000u + (static_cast<unsigned char>(line[i + 2]) & 0x3Fu));
        } else {
            out.append(line, i, length);
        }
        i += length;
    }
    return out;
}

void note(const std::string& text)
{
    platform::writeLogLine(kDaemonLogPrefix + text);
}

} // namespace linuxhost
