#include "host/web/MenuPath.h"

namespace host {

namespace {

std::string trimmed(const std::string& text)
{
    const size_t first = text.find_first_not_of(' ');
    if (first == std::string::npos)
        return {};
    return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

} // namespace

std::optional<std::vector<std::string>> parseMenuPath(const std::string& text, std::string& problem)
{
    std::vector<std::string> choices;
    if (trimmed(text).empty())
        return choices;
    for (unsigned char c : text) {
        if (c < 0x20 || c == 0x7f) {
            problem = "a menu path holds no control characters";
            return std::nullopt;
        }
    }
    size_t from = 0;
    for (;;) {
        const size_t to = text.find(kMenuPathSeparator, from);
        std::string choice = trimmed(text.substr(from, to == std::string::npos ? std::string::npos : to - from));
        if (choice.empty()) {
            problem = "choice " + std::to_string(choices.size() + 1) + " of the menu path is empty";
            return std::nullopt;
        }
        if (choice.size() > kMaxMenuPathChoiceLength) {
            problem = "choice " + std::to_string(choices.size() + 1) + " of the menu path is longer than " +
                      std::to_string(kMaxMenuPathChoiceLength) + " bytes";
            return std::nullopt;
        }
        choices.push_back(std::move(choice));
        if (choices.size() > kMaxMenuPathChoices) {
            problem = "a menu path has at most " + std::to_string(kMaxMenuPathChoices) + " choices";
            return std::nullopt;
        }
        if (to == std::string::npos)
            return choices;
        from = to + 1;
    }
}

} // namespace host
