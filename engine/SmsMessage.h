// One row of the phone's message database as the engine reads it: the body and
// the sender's address, each empty until the lookup fills it (and left empty
// when the row, the column or the database could not be read).
#pragma once

#include <string>

namespace quorvel::engine {

struct SmsMessage {
    // The message's body (message.text); empty for a NULL column.
    std::string text;
    // The sender's address as the database stores it (handle.id); compared
    // with the code's "smsSender" as plain text.
    std::string handle_id;
    // The sender's address as received (handle.uncanonicalized_id); read only.
    std::string uncanonicalized_id;
};

} // namespace quorvel::engine
