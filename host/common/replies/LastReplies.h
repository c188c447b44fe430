// The last reply text heard for each code, kept by the home-screen host in a
// file of its own under the device root (last-replies.plist, a dictionary from
// code to {text, at}); the codes store stays as the modules write it. Only the
// host writes it (quorveld, or the simulator's home screen when its setting
// keeps replies), so the screens can show a code's last reply beside its figures.
//
//   LastReplies replies;
//   replies.remember("*100#", "Balance 12.50", device.now());
//   std::string text = replies.textFor("*100#");      // "" when none
//   replies.onChanged([] { ... });                      // after each write (CodesChanged)
//
// Texts are kept as valid UTF-8 (each invalid sequence becomes U+FFFD, a NUL
// too) and cut at kMaxReplyBytes on a character boundary; at most
// kMaxCodes codes are kept, the oldest replies dropped first. A file that
// cannot be read counts as empty (logged by the reader) and is replaced at the
// next reply. Call with the device's root set.
#pragma once

#include "common/QuorvelNames.h"
#include "platform/foundation/Date.h"

#include <functional>
#include <string>

namespace host {

inline constexpr const char* kLastRepliesPath = quorvel::kLastRepliesPath;

class LastReplies {
public:
    static constexpr size_t kMaxReplyBytes = 4096;
    static constexpr size_t kMaxCodes = 100;

    void remember(const std::string& code, const std::string& text, platform::Date at);
    std::string textFor(const std::string& code) const;
    void onChanged(std::function<void()> listener) { m_changed = std::move(listener); }

private:
    std::function<void()> m_changed;
};

} // namespace host
