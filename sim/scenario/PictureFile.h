// The file a `render` statement writes. A scenario names only a file, never a
// folder: the picture goes into the run's pictures folder (the device's root
// folder, or the folder the command gave), so a scenario run by the tests
// writes nothing outside its own temporary folder.
//
//   std::string name = readPictureName(args);             // at parse time
//   renderToPng(run.picturePath(name));                   // when it runs
#pragma once

#include <string>

namespace sim {

class ArgReader;

// A plain file name: not empty, no '/', not "." or "..".
bool isPlainFileName(const std::string& name);

// Reads the quoted FILE of `render ... "FILE.png"`; a name with a folder in it
// is a syntax error at its column.
std::string readPictureName(ArgReader& args);

} // namespace sim
