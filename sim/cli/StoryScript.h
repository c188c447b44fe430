// The demo's story, sim/cli/story.scn, compiled into the command at build time
// (sim/CMakeLists.txt generates its source with EmbedText.cmake), so
// `quorvel demo` and `quorvel run sim/cli/story.scn` play the same file.
#pragma once

#include <string_view>

namespace quorvel::cli {

// The text of sim/cli/story.scn as it was when the command was built.
std::string_view storyScript();

} // namespace quorvel::cli
