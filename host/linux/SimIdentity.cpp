#include "host/linux/SimIdentity.h"

#include <algorithm>
#include <cctype>
#include <string_view>

namespace linuxhost {

namespace {

// What is quoted of a rejected value: enough to recognise it, never a flood.
constexpr size_t kQuotedLength = 32;

bool allOf(std::string_view text, int (*kind)(int))
{
    return std::all_of(text.begin(), text.end(), [kind](char c) { return kind(static_cast<unsigned char>(c)) != 0; });
}

std::string quoted(std::string_view text)
{
    // The log's sink escapes control characters; the length is cut here.
    std::string out(text.substr(0, kQuotedLength));
    return "\"" + out + (text.size() > kQuotedLength ? "...\" (" + std::to_string(text.size()) + " bytes)" : "\"");
}

void addProblem(std::string& problems, const std::string& problem)
{
    problems += (problems.empty() ? "" : "; ") + problem;
}

} // namespace

SimIdentity simIdentity(const char* iccid, const char* homeNetwork)
{
    SimIdentity out;
    const std::string_view id = iccid ? iccid : "";
    const std::string_view home = homeNetwork ? homeNetwork : "";
    if (id.size() <= kLongestIccid && allOf(id, isxdigit))
        out.card.iccid = std::string(id);
    else
        addProblem(out.problem, "the SIM's identifier " + quoted(id) + " is not an ICCID (up to " +
                                    std::to_string(kLongestIccid) + " hex digits): ignored");
    if (home.empty() || ((home.size() == 5 || home.size() == 6) && allOf(home, isdigit)))
        out.card.homeNetwork = std::string(home);
    else
        addProblem(out.problem, "the SIM's operator " + quoted(home) + " is not an MCC+MNC (5 or 6 digits): ignored");
    return out;
}

} // namespace linuxhost
