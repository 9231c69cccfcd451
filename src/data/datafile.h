// SPDX-License-Identifier: GPL-3.0-or-later
// Data files: one item per line, lines ended by CR LF (a plain LF is accepted too).
//
// The plain layout holds one score per line in factorial order (factor 1 cycling fastest). A
// score marked as imputed carries a capital "I" directly behind its number ("12.5I").
#pragma once

#include <cstddef>
#include <filesystem>
#include <istream>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/design.h"

namespace varisect {

// One score as it stands in the file.
struct ScoreItem {
    std::string text;     // the number as written, blanks around it and the "I" mark removed
    float value = 0;      // the number in single precision
    bool imputed = false; // the item carried the "I" mark
};

struct DataReadError {
    enum class Kind {
        CannotOpen,     // missing, a folder, or not readable
        ReadFailure,    // the stream failed part way
        LineTooLong,
        EmptyLine,      // an empty line with more items after it
        NotANumber,
        NotFinite,      // a number that single precision cannot hold
        TooManyLines,
        UnequalNFile,   // the file starts with the "Unequal N" header of the other layout
    };
    Kind kind = Kind::NotANumber;
    long line = 0;        // 1-based line number, 0 when the error concerns the whole file
    std::string message;  // complete, names the file and the line
};

struct ReadLimits {
    std::size_t maxLineLength = 1000;              // characters, line ending excluded
    std::size_t maxLines = kMaxScores + 1024;      // more than any design needs, so a file
                                                   // slightly too long is still counted exactly
};

struct PlainDataResult {
    std::vector<ScoreItem> items;        // complete when `error` is empty, else the items read
    std::optional<DataReadError> error;  // before the first problem

    bool ok() const { return !error.has_value(); }
    long imputedCount() const;
    Scores values() const;
};

// The file's marker line of the unequal-cell-size layout.
inline constexpr std::string_view kUnequalNMarker = "Unequal N";

// Reads a score text as the file holds it: blanks and tabs around it allowed, an optional "I"
// directly behind the number, and the number itself complete (no trailing characters, no
// decimal comma). Values outside single precision are refused. The text stored is the number
// alone; `out` is left alone unless the result is None.
enum class ScoreTextProblem { None, NotANumber, NotFinite };
ScoreTextProblem parseScoreText(std::string_view text, ScoreItem& out);

// `sourceName` stands for the file in messages (normally its path).
PlainDataResult readPlainData(std::istream& in, const std::string& sourceName,
                              const ReadLimits& limits = {});
PlainDataResult readPlainDataText(std::string_view text, const std::string& sourceName,
                                  const ReadLimits& limits = {});
PlainDataResult readPlainDataFile(const std::filesystem::path& path, const ReadLimits& limits = {});

// Splits a stream into the lines of a data file and keeps count of them, so that every reader
// of the two layouts sees the same line rules: CR LF or LF endings, a last line without an
// ending, lines capped in length, the UTF-8 byte order mark of the first line skipped.
class DataLineReader {
public:
    enum class Status { Line, End, TooLong, Failed };

    DataLineReader(std::istream& in, std::size_t maxLineLength);

    // Next line without its ending. After TooLong or Failed the reader stays in that state.
    Status next(std::string& line);
    long lineNumber() const { return lineNumber_; }  // of the line last returned

private:
    std::istream& in_;
    std::size_t maxLineLength_;
    long lineNumber_ = 0;
    bool done_ = false;
    Status stuck_ = Status::End;
};

// A text for messages: at most `maxChars` characters, control characters and bytes that are
// not printable ASCII or UTF-8 shown as "\xNN", with "..." when cut.
std::string quotedForMessage(std::string_view text, std::size_t maxChars = 40);

}  // namespace varisect
