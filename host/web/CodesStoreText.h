#pragma once

#include <string>

namespace host {

// The codes store as a person reads it on the page: the XML form of whatever
// is stored, "(no codes stored)" without a file, or the reason it cannot be
// read followed by its bytes as valid UTF-8. Runs on the phone's thread.
std::string codesStoreText();

} // namespace host
