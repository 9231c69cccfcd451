// SPDX-License-Identifier: GPL-3.0-or-later
// Data files: one item per line, lines ended by CR LF (a plain LF is accepted too).
//
// The plain layout holds one score per line in factorial order (factor 1 cycling fastest). A
// score marked as imputed carries a capital "I" directly behind its number ("12.5I").
//
// The unequal-N layout of the unequal-cell-size analyses starts with a header:
//   "Unequal N"
//   the designated (replicates or subjects) factor, 1-based
//   for unequal group sizes only: the grouping factor (subjects are nested under its levels)
//   for unequal group sizes only: the factor crossed with subjects
//   C, the number of cells (of groups, for unequal group sizes)
//   C lines, the size of each cell (group)
// and the scores follow, as many as the sizes add up to (for unequal group sizes, that sum
// times the levels of the crossed factor). The numbers of the header are written with a blank
// in front (" 12") and read with blanks around them allowed.
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
        NotAFile,       // a named pipe, device or socket: refused before anything is read
        ReadFailure,    // the stream failed part way
        LineTooLong,
        EmptyLine,      // an empty line with more items after it
        NotANumber,
        NotFinite,      // a number too large for single precision
        TooSmall,       // a number other than 0 that single precision would hold as 0
        TooManyLines,
        UnequalNFile,   // the file starts with the "Unequal N" header of the other layout
        NotUnequalNFile,  // an unequal-N file was expected and the marker line is missing
        BadHeader,        // a header line of the unequal-N layout is not a sensible number
        HeaderCutShort,   // the file ends before its header is complete
        DesignMismatch,   // the header does not fit the current design
    };
    Kind kind = Kind::NotANumber;
    long line = 0;        // 1-based line number, 0 when the error concerns the whole file
    std::string message;  // complete, names the file and the line
    int systemError = 0;  // the errno behind CannotOpen and ReadFailure, else 0
};

// The longest line a data file may hold, its ending excluded. The readers refuse longer lines,
// so a score whose line (its text, and "I" behind an imputed one) is longer cannot be saved.
inline constexpr std::size_t kMaxDataLineLength = 1000;

// Whether the score text, written as a line of a data file, stays within kMaxDataLineLength and
// is one line (no line feed in it).
bool scoreLineFits(std::string_view text, bool imputed);

struct ReadLimits {
    std::size_t maxLineLength = kMaxDataLineLength;  // characters, line ending excluded
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
// decimal comma). The number is converted to single precision directly; one too large for it
// (NotFinite), or not 0 but too small to be told from 0 (TooSmall), is refused. The text stored
// is the number alone; `out` is left alone unless the result is None.
enum class ScoreTextProblem { None, NotANumber, NotFinite, TooSmall };
ScoreTextProblem parseScoreText(std::string_view text, ScoreItem& out);

// `sourceName` stands for the file in messages (normally its path). The readers that take a
// path open it without waiting and refuse a folder, a named pipe, a device or a socket before
// reading anything, so none of them can block.
PlainDataResult readPlainData(std::istream& in, const std::string& sourceName,
                              const ReadLimits& limits = {});
PlainDataResult readPlainDataText(std::string_view text, const std::string& sourceName,
                                  const ReadLimits& limits = {});
PlainDataResult readPlainDataFile(const std::filesystem::path& path, const ReadLimits& limits = {});

// The same file read for its numbers alone, without keeping each score's text: the same lines,
// refusals and messages as readPlainDataFile.
struct PlainScoresResult {
    Scores values;                       // complete when `error` is empty
    long imputedCount = 0;
    std::optional<DataReadError> error;

    bool ok() const { return !error.has_value(); }
};
PlainScoresResult readPlainScoresFile(const std::filesystem::path& path, const ReadLimits& limits = {});

// A plain data file read for the data entry grid, where the user can still put right what the
// file holds: every line up to the last one that is not blank becomes a cell, blank lines
// between scores become empty cells and lines that are not numbers keep their text ("1,5",
// "abc"), so "Data &OK" can name the row. A final "I" directly behind a non-blank text is the
// imputed mark. Blank lines after the last text count as cells while they lie within the first
// `scoreCount` lines, so a half-entered data set saved with its empty cells reads back whole,
// yet an editor's empty line at the end of a complete file does not count.
// Errors: the file cannot be opened or is no regular file, a line is too long, too many lines,
// a read failure. `items` hold the texts read before such an error; `value` is set for the
// texts that are scores and 0 for the others.
struct GridDataResult {
    std::vector<ScoreItem> items;        // one per cell, in file order
    std::optional<DataReadError> error;

    bool ok() const { return !error.has_value(); }
    long count() const { return static_cast<long>(items.size()); }  // for the score-count check
};
GridDataResult readGridData(std::istream& in, const std::string& sourceName, long scoreCount,
                            const ReadLimits& limits = {});
GridDataResult readGridDataFile(const std::filesystem::path& path, long scoreCount, const ReadLimits& limits = {});

// Which unequal-cell-size analysis a file is read for.
enum class UnequalAnalysis { UnweightedMeans, ProportionalCellSizes, UnequalGroupSizes };

// The complete contents of a data file of either layout.
struct DataLayout {
    enum class Kind {
        Plain,       // scores only
        CellSizes,   // unweighted means or proportional cell sizes: one size per cell
        GroupSizes,  // unequal group sizes: one size per group, two more factor numbers
    };
    Kind kind = Kind::Plain;
    int designatedFactor = 0;     // 1-based; unequal-N layouts only
    int groupingFactor = 0;       // 1-based; group sizes only
    int crossedFactor = 0;        // 1-based; group sizes only
    std::vector<long> cellSizes;  // unequal-N layouts only, in the order of the cell-size grid
    std::vector<ScoreItem> items; // the scores

    bool unequalN() const { return kind != Kind::Plain; }
    long cellSizeSum() const;
    // Lines before the first score: 0 for the plain layout.
    long headerLineCount() const;
};

struct DataLayoutResult {
    DataLayout layout;                   // the header and the items read before any problem
    std::optional<DataReadError> error;

    bool ok() const { return !error.has_value(); }
};

// Reads an unequal-N file for `analysis`: the marker line, the header and all the scores that
// follow it up to the end of the file (their number is compared with the expected one by the
// caller, who may use fewer). Header numbers are checked for sense (factor numbers 1..8, at
// least one cell, sizes not negative, at most 16352 cells and scores in all) before anything is
// allocated for them. The score lines follow the rules of the plain layout, and at most
// `limits.maxLines` of them are read.
DataLayoutResult readUnequalNData(std::istream& in, const std::string& sourceName, UnequalAnalysis analysis,
                                  const ReadLimits& limits = {});
DataLayoutResult readUnequalNDataFile(const std::filesystem::path& path, UnequalAnalysis analysis,
                                      const ReadLimits& limits = {});

// Whether an unequal-N header fits `design`: the factor numbers name factors of the design,
// and C is the number of cells of the design without its designated factor (the levels of the
// grouping factor, for unequal group sizes). Nothing when it fits, else a DesignMismatch error.
std::optional<DataReadError> checkLayoutAgainstDesign(const DataLayout& layout, const Design& design,
                                                      const std::string& sourceName);

// The number of scores the header calls for: the sum of the cell sizes, times the levels of the
// crossed factor for unequal group sizes. For the plain layout, the design's number of scores.
// Meaningful once checkLayoutAgainstDesign found no problem.
long expectedScoreCount(const DataLayout& layout, const Design& design);

// The items of a file up to its end, counted with the line rules and limits of the readers
// (an empty line with items after it, a line too long or too many lines are errors) but without
// reading them as numbers: the header lines of an unequal-N file count as items.
struct ItemCount {
    long count = 0;
    std::optional<DataReadError> error;

    bool ok() const { return !error.has_value(); }
};
ItemCount countItems(std::istream& in, const std::string& sourceName, const ReadLimits& limits = {});
ItemCount countItems(const std::filesystem::path& path, const ReadLimits& limits = {});

// The first line of a file with blanks around it removed (empty for an empty file), to tell
// the two layouts apart before anything is loaded.
struct FirstLine {
    std::string text;
    std::optional<DataReadError> error;

    bool ok() const { return !error.has_value(); }
    bool unequalNMarker() const { return ok() && text == kUnequalNMarker; }
};
FirstLine firstLine(const std::filesystem::path& path, const ReadLimits& limits = {});

// Splits a stream, or a file's contents read in one block, into the lines of a data file and
// keeps count of them, so that every reader of the two layouts sees the same line rules: CR LF
// or LF endings, a last line without an ending, lines capped in length, the UTF-8 byte order
// mark of the first line skipped.
class DataLineReader {
public:
    enum class Status { Line, End, TooLong, Failed };

    DataLineReader(std::istream& in, std::size_t maxLineLength);
    // Lines of `block`, which must outlive the reader. With `failedAfterBlock` the block is what
    // was read before reading failed: the line it ends in gives Failed, not Line or End.
    DataLineReader(std::string_view block, std::size_t maxLineLength, bool failedAfterBlock = false);

    // Next line without its ending. After TooLong or Failed the reader stays in that state.
    Status next(std::string& line);
    // The same without a copy: `line` stays valid until the next call.
    Status next(std::string_view& line);
    long lineNumber() const { return lineNumber_; }  // of the line last returned
    // How many lines are left at most (the lines of a block, counted by their line feeds), so
    // that room can be made for them at once; 0 for a stream.
    std::size_t linesAhead() const;

private:
    Status nextFromStream();
    Status nextFromBlock(std::string_view& line);

    std::istream* in_ = nullptr;
    std::string_view block_;
    std::size_t position_ = 0;
    bool failedAfterBlock_ = false;
    std::string buffer_;  // the stream's current line
    std::size_t maxLineLength_;
    long lineNumber_ = 0;
    bool done_ = false;
    Status stuck_ = Status::End;
};

// A text for messages: at most `maxChars` characters, control characters and bytes that are
// not printable ASCII or UTF-8 shown as "\xNN", with "..." when cut.
std::string quotedForMessage(std::string_view text, std::size_t maxChars = 40);

}  // namespace varisect
