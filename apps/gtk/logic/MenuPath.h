// The menu path of a code being added: the choices the user sent, in order,
// each counted only once the network answered it (a choice whose answer
// failed is not part of the path), and what the choice entry takes.
//
//   MenuPath path;
//   path.dialled("*100#");                 // the reply was a menu
//   path.sending("1");  ... path.answered(); // the network answered "1"
//   path.sending("7");  ... path.failed();   // "7" is not on the path
//   saveCodeWith(..., path.choices());
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quorvelapp {

class MenuPath {
public:
    // A new dial of `code` began: the path starts empty.
    void dialled(const std::string& code);
    // Forgets the path (the code changed, the dialog closed).
    void clear();

    // Whether a choice may be sent now: a dial made, no answer awaited, and
    // fewer than the daemon's most choices sent.
    bool canSend() const;
    // `choice` goes out; false (nothing changes) when it may not.
    bool sending(const std::string& choice);
    // The choice sent was answered (by another menu or the final reply).
    void answered();
    // The choice sent got no answer: it is not on the path.
    void failed();

    const std::string& code() const { return m_code; }
    const std::vector<std::string>& choices() const { return m_choices; }
    bool awaitingAnswer() const { return m_sending.has_value(); }
    // "1 › 2": the path so far, for the user.
    std::string shown() const;

private:
    std::string m_code;
    std::vector<std::string> m_choices;
    std::optional<std::string> m_sending;
};

// The part of `typed` the choice entry keeps when it holds `lengthBefore`
// characters: only 0-9 * #, cut at the longest choice quorveld takes.
std::string acceptedChoiceText(std::string_view typed, size_t lengthBefore);

} // namespace quorvelapp
