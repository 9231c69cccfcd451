// SPDX-License-Identifier: GPL-3.0-or-later
// Helpers the command-line tests share: a run of varisect-cli's entry point and a scratch data file.
#pragma once

#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <sstream>
#include <string>

#include "cli/cli.h"

namespace varisect::testing {

struct CliRun {
    int code;
    std::string out, err;
};

// runCli on the blank-separated words of `args`.
inline CliRun cli(const std::string& args)
{
    std::istringstream in(args);
    std::ostringstream out, err;
    const int code = runCli({std::istream_iterator<std::string>(in), {}}, out, err);
    return {code, out.str(), err.str()};
}

// A data file in the temporary folder holding `content`, removed with the object.
struct DataFile {
    std::filesystem::path path = std::filesystem::temp_directory_path() /
                                 ("varisect-test-" + std::to_string(std::random_device{}()) + ".dat");
    explicit DataFile(const std::string& content) { std::ofstream(path, std::ios::binary) << content; }
    ~DataFile() { std::filesystem::remove(path); }
};

inline bool contains(const std::string& text, const std::string& part)
{
    return text.find(part) != std::string::npos;
}

}  // namespace varisect::testing
