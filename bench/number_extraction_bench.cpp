// Number extraction speed: the single-pass extractor against a std::regex
// implementation of the same rule, on reply-like text.
//
//   build/bin/number_extraction_bench
//
// The regex baseline runs on 64 KiB rather than 1 MiB to keep the run short;
// both report bytes per second, so the rates compare directly.
#include "common/NumberExtraction.h"

#include <benchmark/benchmark.h>

#include <random>
#include <regex>
#include <string>
#include <vector>

namespace {

// Replies in the shapes carriers send: Latin and Cyrillic text, balances with
// either separator, dates, thousands split by blanks, USSD codes.
std::string replyLikeText(size_t size, unsigned seed)
{
    static const char* const kTemplates[] = {
        "Balance %n rub. Bonus %n %n until %d - call *%i#",
        ("\xD0\x91\xD0\xB0\xD0\xBB\xD0\xB0\xD0\xBD\xD1\x81: %n \xD1\x80. \xD0\x9F\xD0\xB0\xD0\xBA\xD0\xB5\xD1\x82: %i "
         "\xD0\xBC\xD0\xB8\xD0\xBD, %i SMS, %n \xD0\x93\xD0\x91 \xD0\xB4\xD0\xBE %d."),
        "Your balance is %n USD. Minutes left: %i. Data: %n GB. Valid till %d...",
        "Ostatok %n r.; limit %n r.; 15% cashback! Info: *%i*%i#",
        "Tariff \"Smart\": %i min, %i SMS, %i MB. Next charge %d, %n rub.",
    };
    std::mt19937 random(seed);
    auto number = [&] {
        std::string n = std::to_string(random() % 100000);
        switch (random() % 4) {
        case 0: return "-" + n + "," + std::to_string(10 + random() % 90);
        case 1: return n + "." + std::to_string(10 + random() % 90);
        default: return n;
        }
    };
    std::string text;
    text.reserve(size + 256);
    while (text.size() < size) {
        const char* t = kTemplates[random() % std::size(kTemplates)];
        for (; *t; ++t) {
            if (*t != '%' || !t[1]) {
                text += *t;
                continue;
            }
            ++t;
            if (*t == 'n')
                text += number();
            else if (*t == 'i')
                text += std::to_string(random() % 1000);
            else if (*t == 'd')
                text += std::to_string(10 + random() % 18) + ".0" + std::to_string(1 + random() % 9) + ".2026";
            else
                text += *t;
        }
        text += random() % 2 ? "\n" : " ";
    }
    text.resize(size);
    return text;
}

// The same rule written with a regular expression, as a baseline.
std::vector<std::string> extractWithRegex(const std::string& text)
{
    static const std::regex kRun("[0-9,.-]+");
    std::vector<std::string> numbers;
    for (auto it = std::sregex_iterator(text.begin(), text.end(), kRun); it != std::sregex_iterator(); ++it) {
        std::string token = it->str();
        if (token == "-" || token == "," || token == ".")
            continue;
        size_t first = token.find_first_not_of(",.");
        size_t last = token.find_last_not_of(",.");
        numbers.push_back(first == std::string::npos ? std::string() : token.substr(first, last - first + 1));
    }
    return numbers;
}

const std::string& text1MiB()
{
    static const std::string kText = replyLikeText(1 << 20, 1);
    return kText;
}

const std::string& text64KiB()
{
    static const std::string kText = replyLikeText(64 << 10, 1);
    return kText;
}

const std::string& text160()
{
    static const std::string kText = replyLikeText(160, 7);
    return kText;
}

void runExtraction(benchmark::State& state, const std::string& text)
{
    for (auto _ : state) {
        auto numbers = quorvel::extractNumbers(text);
        benchmark::DoNotOptimize(numbers.data());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(text.size()));
}

void runRegex(benchmark::State& state, const std::string& text)
{
    if (extractWithRegex(text) != quorvel::extractNumbers(text)) {
        state.SkipWithError("the regex baseline disagrees with extractNumbers");
        return;
    }
    for (auto _ : state) {
        auto numbers = extractWithRegex(text);
        benchmark::DoNotOptimize(numbers.data());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(text.size()));
}

void BM_Extract_1MiB(benchmark::State& state) { runExtraction(state, text1MiB()); }
void BM_Extract_64KiB(benchmark::State& state) { runExtraction(state, text64KiB()); }
void BM_Regex_64KiB(benchmark::State& state) { runRegex(state, text64KiB()); }
void BM_Extract_Reply160(benchmark::State& state) { runExtraction(state, text160()); }
void BM_Regex_Reply160(benchmark::State& state) { runRegex(state, text160()); }

} // namespace

BENCHMARK(BM_Extract_1MiB);
BENCHMARK(BM_Extract_64KiB);
BENCHMARK(BM_Regex_64KiB);
BENCHMARK(BM_Extract_Reply160);
BENCHMARK(BM_Regex_Reply160);

BENCHMARK_MAIN();
