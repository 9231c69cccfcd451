// SPDX-License-Identifier: GPL-3.0-or-later
// varisect-cli: the analysis of a data file from the command line.
//
//   varisect-cli analyze scores.dat --factor Drug=2 --factor Time=3 --factor Subjects=5
//                --type repeated --designate Subjects [--nest B:A ...]
//                [--effect-sizes hays|partial] [--format text|csv|json]
#pragma once

#include <ostream>
#include <string>
#include <string_view>
#include <vector>

namespace varisect {

// Exit codes of runCli.
inline constexpr int kExitTable = 0;       // the table was printed (or the usage, on --help)
inline constexpr int kExitNoTable = 1;     // the analysis could not be completed
inline constexpr int kExitBadInput = 2;    // bad arguments or data

// `args` without the program name. The table goes to `out`; every message of the analysis,
// and every complaint about the arguments or the data, goes to `err`.
int runCli(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

// The usage text printed by --help.
std::string cliUsage();

// `text` as a JSON string, quotes included: quote, backslash and control characters escaped,
// everything else (UTF-8 included) passed through.
std::string jsonQuoted(std::string_view text);

}  // namespace varisect
