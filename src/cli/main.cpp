// trevix-cli: the command-line front end of the analysis engine.
#include "AnalyseCommand.h"

#include <iostream>
#include <string>
#include <vector>

int main(int argc, char** argv) {
    std::ios::sync_with_stdio(false);
    std::vector<std::string> args(argv + 1, argv + argc);
    return trevix::RunAnalyseCommand(args, std::cout, std::cerr);
}
