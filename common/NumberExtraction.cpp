#include "common/NumberExtraction.h"

#include "platform/foundation/Log.h"

#include <array>
#include <cstring>

namespace quorvel {

namespace {

// Byte classes for the single pass. Only ASCII bytes can be number characters,
// so UTF-8 text of any script (and invalid UTF-8) needs no decoding: every byte
// of a multi-byte sequence is >= 0x80 and falls in the "other" class.
enum ByteClass : unsigned char { kOther = 0, kDigit = 1, kMinus = 2, kSeparator = 3 };

constexpr std::array<unsigned char, 256> makeClassTable()
{
    std::array<unsigned char, 256> table{};
    for (char c = '0'; c <= '9'; ++c)
        table[static_cast<unsigned char>(c)] = kDigit;
    table[static_cast<unsigned char>('-')] = kMinus;
    table[static_cast<unsigned char>(',')] = kSeparator;
    table[static_cast<unsigned char>('.')] = kSeparator;
    return table;
}

constexpr std::array<unsigned char, 256> kClass = makeClassTable();

} // namespace

std::vector<std::string> extractNumbers(std::string_view text, const std::function<void(const std::string&)>& onEntry)
{
    std::vector<std::string> numbers;
    const unsigned char* p = reinterpret_cast<const unsigned char*>(text.data());
    const unsigned char* const end = p + text.size();

    while (p < end) {
        while (p < end && kClass[*p] == kOther)
            ++p;
        if (p == end)
            break;
        const unsigned char* tokenStart = p;
        while (p < end && kClass[*p] != kOther)
            ++p;
        const unsigned char* tokenEnd = p;

        // A lone "-", "," or "." is punctuation, not a number. The test looks at
        // the token before trimming, so ",-," is kept (and trims to "-").
        if (tokenEnd - tokenStart == 1 && kClass[*tokenStart] != kDigit)
            continue;
        // Separators at either end are sentence punctuation ("5," or "12.50.");
        // the minus sign is kept wherever it is.
        while (tokenStart < tokenEnd && kClass[*tokenStart] == kSeparator)
            ++tokenStart;
        while (tokenEnd > tokenStart && kClass[tokenEnd[-1]] == kSeparator)
            --tokenEnd;

        if (onEntry) {
            std::string entry(reinterpret_cast<const char*>(tokenStart), static_cast<size_t>(tokenEnd - tokenStart));
            onEntry(entry);
            numbers.push_back(std::move(entry));
        } else {
            numbers.emplace_back(reinterpret_cast<const char*>(tokenStart), static_cast<size_t>(tokenEnd - tokenStart));
        }
    }
    return numbers;
}

std::vector<std::string> parseNumbers(std::string_view text)
{
    return extractNumbers(text, [](const std::string& number) { QLog("Qvl: adding number %@ to array...", number); });
}

} // namespace quorvel
