#include "common/NumberExtraction.h"

#include "platform/foundation/Log.h"

#include <array>
#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace quorvel {

namespace {

// Only ASCII bytes can be number characters, so UTF-8 text of any script (and
// invalid UTF-8) needs no decoding: every byte of a multi-byte sequence is
// >= 0x80 and is simply not a number character.
constexpr std::array<bool, 256> makeNumberCharTable()
{
    std::array<bool, 256> table{};
    for (char c : std::string_view("0123456789-,."))
        table[static_cast<unsigned char>(c)] = true;
    return table;
}

// Read only by the portable scan below; the SSE2 scan tests the byte range.
[[maybe_unused]] constexpr std::array<bool, 256> kIsNumberChar = makeNumberCharTable();

bool isSeparator(char c)
{
    return c == ',' || c == '.';
}

constexpr size_t kBlock = 64;

// Bit i is set when block[i] is a number character. The number characters are
// the bytes 0x2C..0x39 except '/' (0x2F), which allows a branch-free range test.
uint64_t numberCharMask(const unsigned char* block)
{
#if defined(__SSE2__)
    const __m128i lowest = _mm_set1_epi8(0x2C);
    const __m128i span = _mm_set1_epi8(0x39 - 0x2C);
    const __m128i slash = _mm_set1_epi8('/');
    uint64_t mask = 0;
    for (int part = 0; part < 4; ++part) {
        __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(block + part * 16));
        __m128i offset = _mm_sub_epi8(bytes, lowest);
        __m128i inRange = _mm_cmpeq_epi8(_mm_min_epu8(offset, span), offset);
        __m128i isNumber = _mm_andnot_si128(_mm_cmpeq_epi8(bytes, slash), inRange);
        mask |= static_cast<uint64_t>(static_cast<uint32_t>(_mm_movemask_epi8(isNumber))) << (part * 16);
    }
    return mask;
#else
    uint64_t mask = 0;
    for (size_t i = 0; i < kBlock; ++i)
        mask |= static_cast<uint64_t>(kIsNumberChar[block[i]]) << i;
    return mask;
#endif
}

// Walks the text in 64-byte blocks and calls `onRun(begin, end)` for every
// maximal run of number characters, in order. Blocks of plain text cost one
// mask test; inside a block the run boundaries are found from the mask's bits.
template <class OnRun>
void forEachRun(std::string_view text, OnRun&& onRun)
{
    const unsigned char* const data = reinterpret_cast<const unsigned char*>(text.data());
    const size_t size = text.size();
    bool inRun = false;
    size_t runStart = 0;
    uint64_t carry = 0; // whether the previous block ended inside a run

    auto scanBlock = [&](uint64_t mask, size_t base) {
        // A set bit marks a position where number-ness changes: a run starts
        // there (if the byte is a number character) or ends just before it.
        uint64_t boundaries = mask ^ ((mask << 1) | carry);
        carry = mask >> 63;
        while (boundaries) {
            size_t at = base + static_cast<size_t>(__builtin_ctzll(boundaries));
            if (inRun)
                onRun(runStart, at);
            else
                runStart = at;
            inRun = !inRun;
            boundaries &= boundaries - 1;
        }
    };

    size_t base = 0;
    for (; base + kBlock <= size; base += kBlock) {
        uint64_t mask = numberCharMask(data + base);
        if (mask == 0 && carry == 0)
            continue;
        scanBlock(mask, base);
    }
    if (base < size) {
        unsigned char tail[kBlock] = {};
        std::memcpy(tail, data + base, size - base);
        scanBlock(numberCharMask(tail), base);
    }
    if (inRun)
        onRun(runStart, size);
}

// How many runs forEachRun would report: one per run start, counted from the
// masks alone.
size_t countRuns(std::string_view text)
{
    const unsigned char* const data = reinterpret_cast<const unsigned char*>(text.data());
    const size_t size = text.size();
    size_t runs = 0;
    uint64_t carry = 0;
    auto countBlock = [&](uint64_t mask) {
        runs += static_cast<size_t>(__builtin_popcountll(mask & ~((mask << 1) | carry)));
        carry = mask >> 63;
    };
    size_t base = 0;
    for (; base + kBlock <= size; base += kBlock)
        countBlock(numberCharMask(data + base));
    if (base < size) {
        unsigned char tail[kBlock] = {};
        std::memcpy(tail, data + base, size - base);
        countBlock(numberCharMask(tail));
    }
    return runs;
}

} // namespace

std::vector<std::string> extractNumbers(std::string_view text, const std::function<void(const std::string&)>& onEntry)
{
    // Count the runs first so the list is allocated once; for long texts the
    // growth copies would otherwise cost more than the scan itself.
    std::vector<std::string> numbers;
    numbers.reserve(countRuns(text));

    const char* const data = text.data();
    forEachRun(text, [&](size_t begin, size_t end) {
        // A lone "-", "," or "." is punctuation, not a number. The test looks at
        // the token before trimming, so ",-," is kept (and trims to "-").
        if (end - begin == 1 && (data[begin] < '0' || data[begin] > '9'))
            return;
        // Separators at either end are sentence punctuation ("5," or "12.50.");
        // the minus sign is kept wherever it is.
        while (begin < end && isSeparator(data[begin]))
            ++begin;
        while (end > begin && isSeparator(data[end - 1]))
            --end;
        if (onEntry) {
            std::string entry(data + begin, end - begin);
            onEntry(entry);
            numbers.push_back(std::move(entry));
        } else {
            numbers.emplace_back(data + begin, end - begin);
        }
    });
    return numbers;
}

std::vector<std::string> parseNumbers(std::string_view text)
{
    return extractNumbers(text, [](const std::string& number) { QLog("Qvl: adding number %@ to array...", number); });
}

} // namespace quorvel
