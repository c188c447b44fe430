// File operations on device paths. Every function takes a device path and maps
// it through hostPath(); none throws. Failures are returned as values.
#pragma once

#include <optional>
#include <string>

namespace platform {

bool fileExists(const std::string& devicePath);
bool isReadableFile(const std::string& devicePath);

// Whole-file read; nullopt when missing or unreadable.
std::optional<std::string> readFile(const std::string& devicePath);

// Writes a temporary file in the same folder, flushes it, renames it over the
// target and flushes the folder, so readers see either the old file whole or the
// new one whole. On any failure the old file is untouched and false is returned.
//
// The temporary file is ".NAME.tmp.XXXXXX" (six letters or digits), locked by
// its writer until the rename. A writer killed before the rename leaves it
// behind; the next write of NAME removes every such file of NAME that is no
// longer locked (logged), and nothing else: not another target's, not one a
// live writer holds, not a link or folder named like one.
bool writeFileAtomically(const std::string& devicePath, const std::string& bytes);

// Whether atomic writes also flush the file and its folder to the disk (on by
// default). A simulated device whose folder is thrown away turns it off: writes
// stay atomic for readers (temporary file, then rename), only the flushes that
// guard against a power cut are skipped. Process-global, like the device root.
void setDurableWrites(bool on);

// The destination of a symbolic link, as stored in the link (not resolved);
// nullopt when the path is not a link or cannot be read.
std::optional<std::string> symbolicLinkDestination(const std::string& devicePath);

// Creates the folder and its parents; true when it exists afterwards.
bool createDirectories(const std::string& devicePath);

} // namespace platform
