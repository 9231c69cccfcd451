// SPDX-License-Identifier: GPL-3.0-or-later
#include <iostream>
#include <string>
#include <vector>

#include "cli/cli.h"
#include "data/datafilewriter.h"

int main(int argc, char** argv)
{
    varisect::ignoreFileSizeSignal();
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i)
        args.emplace_back(argv[i]);
    const int code = varisect::runCli(args, std::cout, std::cerr);
    std::cout.flush();
    return code;
}
