// ry7style: the command-line face of the style tool.
#include "cli/CCliCommands.h"
#include "cli/CCliSession.h"
#include "events/CGlobalObject.h"

#include <iostream>

int main(int argc, char** argv)
{
    return RunWithGlobalObjects([argc, argv] {
        CCliSession session(std::cout, std::cerr);
        return CCliCommands::Main(session, argc, argv);
    });
}
