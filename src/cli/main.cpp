// trevix-cli: the command-line front end of the analysis engine.
#include "AnalyseCommand.h"
#include "FetchCommand.h"

#include <iostream>
#include <string>
#include <vector>

int main(int argc, char** argv) {
    std::ios::sync_with_stdio(false);
    std::vector<std::string> args(argv + 1, argv + argc);
    if (!args.empty() && args.front() == "fetch")
        return trevix::RunFetchCommand({args.begin() + 1, args.end()}, std::cout, std::cerr);
    return trevix::RunAnalyseCommand(args, std::cout, std::cerr, true);
}
