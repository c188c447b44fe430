// What every fuzz target shares: a check that stops the run with a message
// libFuzzer reports as a crash (so the input is saved as a reproducer), and a
// log that swallows the modules' lines instead of printing thousands of them.
//
//   fuzzcheck::require(result.size() <= text.size(), "more numbers than bytes");
#pragma once

#include "platform/foundation/Log.h"

#include <cstdio>
#include <cstdlib>
#include <string>

namespace fuzzcheck {

[[noreturn]] inline void fail(const std::string& what)
{
    std::fprintf(stderr, "fuzz check failed: %s\n", what.c_str());
    std::abort();
}

inline void require(bool holds, const char* what)
{
    if (!holds)
        fail(what);
}

// Log lines go nowhere (no standard error, no system log); a target that
// checks what was logged installs a sink of its own instead.
inline void silenceLog()
{
    platform::setLogToStandardError(false);
    platform::setLogSink([](const std::string&) {});
}

} // namespace fuzzcheck
