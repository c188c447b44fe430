// The `file` statement: any bytes at any device path, before or after boot,
// so that stores the Settings application would never write (wrong types,
// truncated or binary files, invalid text) can be staged for the modules.
// Nothing is checked or added: the bytes land exactly as given.
#include "sim/scenario/verbs/Verbs.h"

#include "platform/foundation/DevicePaths.h"
#include "platform/foundation/Files.h"
#include "sim/scenario/Runner.h"
#include "sim/scenario/VerbTable.h"
#include "sim/world/LogCapture.h"
#include "sim/world/World.h"

#include <cctype>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>

namespace sim {

namespace {

namespace fs = std::filesystem;

std::string byteCount(size_t n)
{
    return std::to_string(n) + (n == 1 ? " byte" : " bytes");
}

// An absolute device path that stays inside the device (no "..").
std::string devicePathArgument(ArgReader& args)
{
    const Token* at = args.peek();
    std::string path = args.string("the device path, such as \"/var/mobile/Library/Preferences/x.plist\"");
    if (path.empty() || path[0] != '/')
        args.failAt(*at, "the device path must start with /");
    for (const auto& part : fs::path(path))
        if (part == "..")
            args.failAt(*at, "the device path must not climb out with ..");
    if (path.back() == '/')
        args.failAt(*at, "the device path names a folder, not a file");
    return path;
}

// "3c 3f 78" or "3c3f78": pairs of hexadecimal digits, blanks between them allowed.
std::string bytesFromHex(ArgReader& args)
{
    const Token* at = args.peek();
    std::string hex = args.string("the bytes in hexadecimal, such as \"62 70 6c 69\"");
    std::string bytes;
    std::string digits;
    for (char c : hex) {
        if (c == ' ' || c == '\n' || c == '\t' || c == '\r')
            continue;
        if (!std::isxdigit(static_cast<unsigned char>(c)))
            args.failAt(*at, std::string("'") + c + "' is not a hexadecimal digit");
        digits += c;
        if (digits.size() == 2) {
            bytes += static_cast<char>(std::stoi(digits, nullptr, 16));
            digits.clear();
        }
    }
    if (!digits.empty())
        args.failAt(*at, "the hexadecimal bytes end with half a byte");
    return bytes;
}

bool writeBytes(const std::string& devicePath, const std::string& bytes)
{
    platform::createDirectories(fs::path(devicePath).parent_path().string());
    return platform::writeFileAtomically(devicePath, bytes);
}

Action writeAction(const std::string& path, const std::string& bytes, const std::string& what)
{
    return [path, bytes, what](ScenarioRun& run) {
        if (!writeBytes(path, bytes))
            return Outcome::failure("cannot write " + path);
        run.world().log().note("file " + path + ": " + what + " written, " + byteCount(bytes.size()));
        return Outcome::success();
    };
}

// file "PATH" xml|text "TEXT" | bytes "HEX" | from "FILE" | truncate N | remove
Action parseFile(ArgReader& args)
{
    std::string path = devicePathArgument(args);
    std::string kind = args.oneOf({"xml", "text", "bytes", "from", "truncate", "remove"});
    if (kind == "xml" || kind == "text") {
        std::string text = args.string("the text (a quoted or \"\"\"long\"\"\" string)");
        args.end();
        return writeAction(path, text, kind == "xml" ? "XML" : "text");
    }
    if (kind == "bytes") {
        std::string bytes = bytesFromHex(args);
        args.end();
        return writeAction(path, bytes, "bytes");
    }
    if (kind == "from") {
        std::string source = args.string("the file beside the scenario");
        args.end();
        return [path, source](ScenarioRun& run) {
            const std::string hostFile = run.sourcePath(source);
            std::ifstream in(hostFile, std::ios::binary);
            if (!in)
                return Outcome::failure("cannot read " + hostFile + ": " + std::strerror(errno));
            std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
            if (in.bad())
                return Outcome::failure("cannot read " + hostFile);
            if (!writeBytes(path, bytes))
                return Outcome::failure("cannot write " + path);
            run.world().log().note("file " + path + ": the bytes of " + source + " written, " + byteCount(bytes.size()));
            return Outcome::success();
        };
    }
    if (kind == "truncate") {
        const int64_t keep = args.count("how many bytes to keep");
        args.end();
        return [path, keep](ScenarioRun& run) {
            std::optional<std::string> bytes = platform::readFile(path);
            if (!bytes)
                return Outcome::failure("there is no file " + path + " to cut short");
            const size_t was = bytes->size();
            if (static_cast<size_t>(keep) < was)
                bytes->resize(static_cast<size_t>(keep));
            if (!writeBytes(path, *bytes))
                return Outcome::failure("cannot write " + path);
            run.world().log().note("file " + path + ": cut to " + byteCount(bytes->size()) + " of " + std::to_string(was));
            return Outcome::success();
        };
    }
    args.end();
    return [path](ScenarioRun& run) {
        std::error_code error;
        fs::remove(platform::hostPath(path), error);
        if (error)
            return Outcome::failure("cannot remove " + path + ": " + error.message());
        run.world().log().note("file " + path + " removed");
        return Outcome::success();
    };
}

} // namespace

void addFileVerbs(VerbTable& table)
{
    table.add({"file", Phase::anytime,
               "file \"PATH\" xml|text \"TEXT\" | file \"PATH\" bytes \"HEX\" | file \"PATH\" from \"FILE\" | "
               "file \"PATH\" truncate N | file \"PATH\" remove",
               parseFile});
}

} // namespace sim
