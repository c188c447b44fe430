# Writes a C++ source that holds a text file's bytes, so the `quorvel` command
# carries the file without reading it at run time. Run at build time:
#
#   cmake -DINPUT=story.scn -DOUTPUT=StoryScript.cpp -DFUNCTION=storyScript -P EmbedText.cmake
#
# The source defines `std::string_view quorvel::cli::FUNCTION()` (or in the
# namespace given with -DNAMESPACE=...). Bytes are
# written as numbers, so no content of the file can break the C++ around it.
foreach(required INPUT OUTPUT FUNCTION)
  if(NOT DEFINED ${required})
    message(FATAL_ERROR "EmbedText.cmake needs -D${required}=...")
  endif()
endforeach()

if(NOT DEFINED NAMESPACE)
  set(NAMESPACE quorvel::cli)
endif()
file(READ "${INPUT}" hex HEX)
string(LENGTH "${hex}" digits)
math(EXPR size "${digits} / 2")
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
# Sixteen bytes a line keep the generated file readable in an editor (CMake's
# regular expressions have no {16}, hence the repeated group).
string(REPEAT "0x[0-9a-f][0-9a-f]," 16 line_of_bytes)
string(REGEX REPLACE "(${line_of_bytes})" "\\1\n    " bytes "${bytes}")
get_filename_component(input_name "${INPUT}" NAME)

file(WRITE "${OUTPUT}.tmp" "// Generated from ${input_name} by EmbedText.cmake at build time; edit ${input_name} instead.
#include <string_view>

namespace ${NAMESPACE} {

namespace {

// One byte more than the file, so an empty file still makes a valid array.
constexpr unsigned char kBytes[] = {
    ${bytes}0x00,
};

} // namespace

std::string_view ${FUNCTION}()
{
    return std::string_view(reinterpret_cast<const char*>(kBytes), ${size});
}

} // namespace ${NAMESPACE}
")
# Renamed into place, so an interrupted build never leaves half a source that
# looks newer than the text.
file(RENAME "${OUTPUT}.tmp" "${OUTPUT}")
