// The page's files, compiled into the binary from host/web/page/ at build time
// (EmbedText.cmake), so the page works with no network and no files beside
// the program.
#pragma once

#include <string_view>

namespace host::web {

std::string_view pageHtml();
std::string_view pageScript();
std::string_view pageStyle();

} // namespace host::web
