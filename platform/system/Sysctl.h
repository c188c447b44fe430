// The system-control values the modules read. Only "hw.machine" exists: the
// device's hardware model.
//
//   size_t len = 0; sysctlbyname("hw.machine", nullptr, &len, nullptr, 0);
//   std::vector<char> buf(len); sysctlbyname("hw.machine", buf.data(), &len, nullptr, 0);
#pragma once

#include <cstddef>

namespace platform {

// Returns 0 on success, -1 for an unknown name or a buffer that is too small.
// With `oldp` null, stores the needed length (including the terminating NUL).
int sysctlbyname(const char* name, void* oldp, size_t* oldlenp, const void* newp, size_t newlen);

} // namespace platform
