// quorveld's State and StateDetail properties (dbus/org.quillmoor.Quorvel1.xml)
// in words for the figures page: what it is doing, or what keeps it from
// working and what the user can do about it.
#pragma once

#include <string>

namespace quorvelapp {

enum class StateKind {
    Idle,     // nothing to say beyond "ready"
    Busy,     // dialling or waiting: shown with a spinner
    Problem,  // no modem, not authorised, not running: shown with what to do
    Unknown,  // a value this app does not know, shown as it comes
};

struct StateWords {
    std::string title;
    std::string hint;      // what to do, or more about it; may be empty
    std::string command;   // a command to copy (quorveld not running); may be empty
    StateKind kind = StateKind::Idle;
};

// `running`: whether quorveld holds its bus name. `smsSender`: the sender of
// the code in `detail` when it is stored with one (empty otherwise). Outside
// text (the state, the detail, the sender) is made fit to show.
StateWords describeState(bool running, const std::string& state, const std::string& detail,
                         const std::string& smsSender);

} // namespace quorvelapp
