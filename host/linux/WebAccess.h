// The browser page's access token on the Linux host: 32 random hex digits
// from getrandom, written to a file only the user can read (mode 0600) under
// the device root, so the page's URL is known to the user and nobody else
// on the machine. Made afresh at every start.
//
//   std::string token;
//   if (!makeWebToken(root, &token, &error)) ...   // root + "/web-token"
#pragma once

#include <string>

namespace linuxhost {

inline constexpr const char* kWebTokenFile = "web-token";

// False with the reason when no randomness or no file could be had; then no token exists.
bool makeWebToken(const std::string& root, std::string* token, std::string* error);

} // namespace linuxhost
