#include "sim/scenario/PictureFile.h"

#include "sim/scenario/ArgReader.h"

namespace sim {

bool isPlainFileName(const std::string& name)
{
    return !name.empty() && name != "." && name != ".." && name.find('/') == std::string::npos;
}

std::string readPictureName(ArgReader& args)
{
    const Token* token = args.peek();
    std::string name = args.string("the picture's file name");
    if (!isPlainFileName(name))
        args.failAt(*token, "expected the picture's file name without a folder (it is written into the run's folder), found \"" +
                                name + "\"");
    return name;
}

} // namespace sim
