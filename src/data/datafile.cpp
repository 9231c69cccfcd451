// SPDX-License-Identifier: GPL-3.0-or-later
#include "data/datafile.h"

#include <cerrno>
#include <cfloat>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <optional>
#include <sstream>
#include <system_error>

#include "engine/numbertext.h"

namespace varisect {

namespace {

bool isBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view trimmed(std::string_view t)
{
    while (!t.empty() && isBlank(t.front()))
        t.remove_prefix(1);
    while (!t.empty() && isBlank(t.back()))
        t.remove_suffix(1);
    return t;
}

// Length of the well-formed UTF-8 sequence of two to four bytes at t[i], 0 when there is none.
std::size_t utf8SequenceAt(std::string_view t, std::size_t i)
{
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(t[k]); };
    const unsigned char lead = byte(i);
    std::size_t length = 0;
    unsigned char low = 0x80, high = 0xBF;  // allowed range of the second byte
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        if (lead == 0xE0)
            low = 0xA0;
        if (lead == 0xED)
            high = 0x9F;  // no surrogates
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        if (lead == 0xF0)
            low = 0x90;
        if (lead == 0xF4)
            high = 0x8F;
    } else {
        return 0;
    }
    if (i + length > t.size())
        return 0;
    if (byte(i + 1) < low || byte(i + 1) > high)
        return 0;
    for (std::size_t k = 2; k < length; ++k)
        if (byte(i + k) < 0x80 || byte(i + k) > 0xBF)
            return 0;
    return length;
}

std::string lineText(long line) { return std::to_string(line); }

DataReadError makeError(DataReadError::Kind kind, long line, std::string message)
{
    DataReadError e;
    e.kind = kind;
    e.line = line;
    e.message = std::move(message);
    return e;
}

}  // namespace

std::string quotedForMessage(std::string_view text, std::size_t maxChars)
{
    std::string out = "\"";
    std::size_t shown = 0;
    std::size_t i = 0;
    while (i < text.size()) {
        if (shown == maxChars) {
            out += "...";
            break;
        }
        const auto c = static_cast<unsigned char>(text[i]);
        if (c >= 0x20 && c < 0x7F) {
            out += static_cast<char>(c);
            ++i;
        } else if (const std::size_t n = c >= 0x80 ? utf8SequenceAt(text, i) : 0; n > 0) {
            out.append(text.substr(i, n));
            i += n;
        } else {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\x%02X", c);
            out += buf;
            ++i;
        }
        ++shown;
    }
    out += "\"";
    return out;
}

long PlainDataResult::imputedCount() const
{
    long n = 0;
    for (const ScoreItem& item : items)
        n += item.imputed ? 1 : 0;
    return n;
}

Scores PlainDataResult::values() const
{
    Scores scores;
    scores.reserve(items.size());
    for (const ScoreItem& item : items)
        scores.push_back(item.value);
    return scores;
}

ScoreTextProblem parseScoreText(std::string_view text, ScoreItem& out)
{
    std::string_view number = trimmed(text);
    bool imputed = false;
    if (!number.empty() && number.back() == 'I') {
        imputed = true;
        number.remove_suffix(1);
        // The mark stands directly behind the number: "12.5 I" is not a score.
        if (number.empty() || isBlank(number.back()))
            return ScoreTextProblem::NotANumber;
    }
    double value = 0;
    if (!parseWholeNumber(number, value))
        return ScoreTextProblem::NotANumber;
    if (!std::isfinite(value) || std::fabs(value) > FLT_MAX)
        return ScoreTextProblem::NotFinite;
    out.text = std::string(number);
    out.value = static_cast<float>(value);
    out.imputed = imputed;
    return ScoreTextProblem::None;
}

DataLineReader::DataLineReader(std::istream& in, std::size_t maxLineLength)
    : in_(in), maxLineLength_(maxLineLength)
{
}

DataLineReader::Status DataLineReader::next(std::string& line)
{
    if (stuck_ != Status::End)
        return stuck_;
    if (done_)
        return Status::End;
    line.clear();
    for (;;) {
        const int c = in_.get();
        if (c == std::char_traits<char>::eof()) {
            if (in_.bad()) {
                ++lineNumber_;
                stuck_ = Status::Failed;
                return stuck_;
            }
            done_ = true;
            if (line.empty())
                return Status::End;  // the file ended right after a line ending
            break;
        }
        if (c == '\n')
            break;
        line.push_back(static_cast<char>(c));
        // One more than the cap leaves room for the CR of a CR LF ending.
        if (line.size() > maxLineLength_ + 1) {
            ++lineNumber_;
            stuck_ = Status::TooLong;
            return stuck_;
        }
    }
    ++lineNumber_;
    if (!line.empty() && line.back() == '\r')
        line.pop_back();
    if (line.size() > maxLineLength_) {
        stuck_ = Status::TooLong;
        return stuck_;
    }
    if (lineNumber_ == 1 && line.starts_with("\xEF\xBB\xBF"))
        line.erase(0, 3);
    return Status::Line;
}

namespace {

using Kind = DataReadError::Kind;

std::optional<DataReadError> lineProblem(DataLineReader::Status status, long n, const std::string& sourceName,
                                         const ReadLimits& limits)
{
    if (status == DataLineReader::Status::Failed) {
        DataReadError e = makeError(Kind::ReadFailure, n, "Reading " + sourceName + " failed at line " + lineText(n) + ".");
        e.systemError = EIO;
        return e;
    }
    if (status == DataLineReader::Status::TooLong)
        return makeError(Kind::LineTooLong, n,
                         "Line " + lineText(n) + " of " + sourceName + " is longer than " +
                             std::to_string(limits.maxLineLength) + " characters; it cannot hold a score.");
    return std::nullopt;
}

// Walks the item lines that follow `linesBefore` header lines up to the end of the stream:
// empty lines are allowed only at the end, and at most limits.maxLines lines are looked at.
// `onItem` gets each non-empty line with its blanks removed and may stop the walk with an error.
template <typename OnItem>
std::optional<DataReadError> walkItems(DataLineReader& reader, const std::string& sourceName, const ReadLimits& limits,
                                       long linesBefore, OnItem onItem)
{
    std::string line;
    long firstEmptyLine = 0;  // start of the current run of empty lines
    for (;;) {
        const DataLineReader::Status status = reader.next(line);
        const long n = reader.lineNumber();
        if (status == DataLineReader::Status::End)
            return std::nullopt;
        if (auto problem = lineProblem(status, n, sourceName, limits))
            return problem;
        // Blank lines count too, so a file of nothing but line endings cannot run on.
        if (static_cast<std::size_t>(n - linesBefore) > limits.maxLines)
            return makeError(Kind::TooManyLines, n,
                             "Reading " + sourceName + " stopped at line " + lineText(n) +
                                 ": the file holds more lines than any design can use (at most " +
                                 std::to_string(kMaxScores) + " scores).");
        const std::string_view text = trimmed(line);
        if (text.empty()) {
            if (firstEmptyLine == 0)
                firstEmptyLine = n;
            continue;
        }
        if (firstEmptyLine != 0)
            return makeError(Kind::EmptyLine, firstEmptyLine,
                             "Line " + lineText(firstEmptyLine) + " of " + sourceName +
                                 " is empty, but more scores follow it.  Every line up to "
                                 "the last score must hold one score.");
        if (auto problem = onItem(text, n))
            return problem;
    }
}

std::optional<DataReadError> readScoreItems(DataLineReader& reader, const std::string& sourceName,
                                            const ReadLimits& limits, long linesBefore, std::vector<ScoreItem>& items)
{
    return walkItems(reader, sourceName, limits, linesBefore,
                     [&](std::string_view text, long n) -> std::optional<DataReadError> {
                         if (n == 1 && text == kUnequalNMarker)
                             return makeError(Kind::UnequalNFile, 1,
                                              sourceName + " holds an unequal N data set (its first line is \"" +
                                                  std::string(kUnequalNMarker) +
                                                  "\"); it is not a file of one score per cell.");
                         ScoreItem item;
                         switch (parseScoreText(text, item)) {
                         case ScoreTextProblem::None:
                             items.push_back(std::move(item));
                             return std::nullopt;
                         case ScoreTextProblem::NotANumber:
                             return makeError(Kind::NotANumber, n,
                                              "Line " + lineText(n) + " of " + sourceName +
                                                  " is not a number: " + quotedForMessage(text));
                         case ScoreTextProblem::NotFinite:
                             break;
                         }
                         return makeError(Kind::NotFinite, n,
                                          "Line " + lineText(n) + " of " + sourceName +
                                              " holds a number too large for a score: " + quotedForMessage(text));
                     });
}

// Opens `path` for reading in binary mode; the error names the file and keeps the errno.
std::optional<DataReadError> openForReading(const std::filesystem::path& path, std::ifstream& in)
{
    const std::string name = path.string();
    std::error_code ec;
    const auto status = std::filesystem::status(path, ec);
    DataReadError e = makeError(Kind::CannotOpen, 0, "");
    if (!std::filesystem::exists(status)) {
        // A missing file and a missing folder on its path are both "not found".
        const bool notFound = !ec || ec == std::errc::no_such_file_or_directory || ec == std::errc::not_a_directory;
        e.systemError = notFound ? (ec ? ec.value() : ENOENT) : ec.value();
        e.message = notFound ? name + " does not exist." : name + " cannot be reached (" + ec.message() + ").";
        return e;
    }
    if (std::filesystem::is_directory(status)) {
        e.message = name + " is a folder, not a data file.";
        e.systemError = EISDIR;
        return e;
    }
    errno = 0;
    in.open(path, std::ios::binary);
    if (!in) {
        const int err = errno != 0 ? errno : EIO;
        e.message = name + " cannot be opened for reading (" + std::generic_category().message(err) + ").";
        e.systemError = err;
        return e;
    }
    return std::nullopt;
}

// One number of the unequal-N header, a whole number from `low` to `high`.
std::optional<DataReadError> readHeaderNumber(DataLineReader& reader, const std::string& sourceName,
                                              const ReadLimits& limits, const std::string& what, long low, long high,
                                              long& out)
{
    std::string line;
    const DataLineReader::Status status = reader.next(line);
    const long n = reader.lineNumber();
    if (status == DataLineReader::Status::End)
        return makeError(Kind::HeaderCutShort, n + 1,
                         sourceName + " ends after " + lineText(n) + (n == 1 ? " line" : " lines") +
                             ", but its header promises more: line " + lineText(n + 1) + " should hold " + what + ".");
    if (auto problem = lineProblem(status, n, sourceName, limits))
        return problem;
    const std::string_view text = trimmed(line);
    double value = 0;
    if (!parseWholeNumber(text, value) || value != std::floor(value) || value < double(low) || value > double(high))
        return makeError(Kind::BadHeader, n,
                         "Line " + lineText(n) + " of " + sourceName + " should hold " + what + ", a whole number from " +
                             std::to_string(low) + " to " + std::to_string(high) + ", but holds " +
                             quotedForMessage(text) + ".");
    out = static_cast<long>(value);
    return std::nullopt;
}

std::optional<DataReadError> readUnequalNHeader(DataLineReader& reader, const std::string& sourceName,
                                                const ReadLimits& limits, DataLayout& layout)
{
    std::string line;
    const DataLineReader::Status status = reader.next(line);
    if (auto problem = lineProblem(status, reader.lineNumber(), sourceName, limits))
        return problem;
    if (status == DataLineReader::Status::End || trimmed(line) != kUnequalNMarker)
        return makeError(Kind::NotUnequalNFile, 1,
                         sourceName + " does not start with the line \"" + std::string(kUnequalNMarker) +
                             "\"; it does not hold an unequal N data set.");
    long number = 0;
    if (auto p = readHeaderNumber(reader, sourceName, limits, "the number of the replicates or subjects factor", 1,
                                  kMaxFactors, number))
        return p;
    layout.designatedFactor = static_cast<int>(number);
    if (layout.kind == DataLayout::Kind::GroupSizes) {
        if (auto p = readHeaderNumber(reader, sourceName, limits, "the number of the factor that forms the groups", 1,
                                      kMaxFactors, number))
            return p;
        layout.groupingFactor = static_cast<int>(number);
        if (auto p = readHeaderNumber(reader, sourceName, limits, "the number of the factor crossed with subjects", 1,
                                      kMaxFactors, number))
            return p;
        layout.crossedFactor = static_cast<int>(number);
        if (layout.groupingFactor == layout.designatedFactor || layout.crossedFactor == layout.designatedFactor ||
            layout.crossedFactor == layout.groupingFactor)
            return makeError(Kind::BadHeader, 4,
                             "Lines 2 to 4 of " + sourceName +
                                 " should name three different factors (subjects, groups, crossed factor), but name " +
                                 std::to_string(layout.designatedFactor) + ", " + std::to_string(layout.groupingFactor) +
                                 " and " + std::to_string(layout.crossedFactor) + ".");
    }
    const std::string cells = layout.kind == DataLayout::Kind::GroupSizes ? "groups" : "cells";
    long count = 0;
    if (auto p = readHeaderNumber(reader, sourceName, limits, "the number of " + cells, 1, kMaxScores, count))
        return p;
    long sum = 0;
    for (long c = 1; c <= count; ++c) {
        long size = 0;
        const std::string what = "the size of " + cells.substr(0, cells.size() - 1) + " " + std::to_string(c) + " of " +
                                 std::to_string(count);
        if (auto p = readHeaderNumber(reader, sourceName, limits, what, 0, kMaxScores, size))
            return p;
        sum += size;
        if (sum > kMaxScores)
            return makeError(Kind::BadHeader, reader.lineNumber(),
                             "The " + cells.substr(0, cells.size() - 1) + " sizes in " + sourceName +
                                 " add up to more than " + std::to_string(kMaxScores) +
                                 " scores, more than any design can hold (line " + lineText(reader.lineNumber()) +
                                 ").");
        layout.cellSizes.push_back(size);
    }
    return std::nullopt;
}

}  // namespace

long DataLayout::cellSizeSum() const
{
    long sum = 0;
    for (const long size : cellSizes)
        sum += size;
    return sum;
}

long DataLayout::headerLineCount() const
{
    switch (kind) {
    case Kind::Plain:
        return 0;
    case Kind::CellSizes:
        return 3 + static_cast<long>(cellSizes.size());
    case Kind::GroupSizes:
        break;
    }
    return 5 + static_cast<long>(cellSizes.size());
}

PlainDataResult readPlainData(std::istream& in, const std::string& sourceName, const ReadLimits& limits)
{
    PlainDataResult result;
    DataLineReader reader(in, limits.maxLineLength);
    result.error = readScoreItems(reader, sourceName, limits, 0, result.items);
    return result;
}

PlainDataResult readPlainDataText(std::string_view text, const std::string& sourceName,
                                  const ReadLimits& limits)
{
    std::istringstream in{std::string(text)};
    return readPlainData(in, sourceName, limits);
}

PlainDataResult readPlainDataFile(const std::filesystem::path& path, const ReadLimits& limits)
{
    PlainDataResult result;
    std::ifstream in;
    result.error = openForReading(path, in);
    if (result.error)
        return result;
    return readPlainData(in, path.string(), limits);
}

DataLayoutResult readUnequalNData(std::istream& in, const std::string& sourceName, UnequalAnalysis analysis,
                                  const ReadLimits& limits)
{
    DataLayoutResult result;
    result.layout.kind =
        analysis == UnequalAnalysis::UnequalGroupSizes ? DataLayout::Kind::GroupSizes : DataLayout::Kind::CellSizes;
    DataLineReader reader(in, limits.maxLineLength);
    result.error = readUnequalNHeader(reader, sourceName, limits, result.layout);
    if (!result.error)
        result.error = readScoreItems(reader, sourceName, limits, reader.lineNumber(), result.layout.items);
    return result;
}

DataLayoutResult readUnequalNDataFile(const std::filesystem::path& path, UnequalAnalysis analysis,
                                      const ReadLimits& limits)
{
    std::ifstream in;
    if (auto problem = openForReading(path, in)) {
        DataLayoutResult result;
        result.error = std::move(problem);
        return result;
    }
    return readUnequalNData(in, path.string(), analysis, limits);
}

std::optional<DataReadError> checkLayoutAgainstDesign(const DataLayout& layout, const Design& design,
                                                      const std::string& sourceName)
{
    if (!layout.unequalN())
        return std::nullopt;
    const int factors = design.factorCount();
    const auto mismatch = [&](const std::string& what) {
        return makeError(Kind::DesignMismatch, 0, "The header of " + sourceName + " does not fit the design: " + what);
    };
    const auto named = [&](int k) { return k >= 1 && k <= factors; };
    if (!named(layout.designatedFactor))
        return mismatch("it names factor " + std::to_string(layout.designatedFactor) +
                        " as the replicates or subjects factor, but the design has " + std::to_string(factors) +
                        " factors.");
    long cells = 0;
    if (layout.kind == DataLayout::Kind::GroupSizes) {
        if (!named(layout.groupingFactor) || !named(layout.crossedFactor))
            return mismatch("it names factors " + std::to_string(layout.groupingFactor) + " and " +
                            std::to_string(layout.crossedFactor) + ", but the design has " + std::to_string(factors) +
                            " factors.");
        cells = design.factor(layout.groupingFactor).levels;
    } else {
        const int replicates = design.factor(layout.designatedFactor).levels;
        cells = replicates > 0 ? design.scoreCount() / replicates : 0;
    }
    if (static_cast<long>(layout.cellSizes.size()) != cells)
        return mismatch("it gives " + std::to_string(layout.cellSizes.size()) +
                        (layout.kind == DataLayout::Kind::GroupSizes ? " group sizes" : " cell sizes") +
                        ", but the design has " + std::to_string(cells) + ".");
    if (expectedScoreCount(layout, design) > kMaxScores)
        return mismatch("its group sizes call for more than " + std::to_string(kMaxScores) + " scores.");
    return std::nullopt;
}

long expectedScoreCount(const DataLayout& layout, const Design& design)
{
    switch (layout.kind) {
    case DataLayout::Kind::Plain:
        return design.scoreCount();
    case DataLayout::Kind::CellSizes:
        return layout.cellSizeSum();
    case DataLayout::Kind::GroupSizes:
        break;
    }
    const int k = layout.crossedFactor;
    const long levels = k >= 1 && k <= design.factorCount() ? design.factor(k).levels : 0;
    return layout.cellSizeSum() * levels;
}

ItemCount countItems(std::istream& in, const std::string& sourceName, const ReadLimits& limits)
{
    ItemCount result;
    DataLineReader reader(in, limits.maxLineLength);
    result.error = walkItems(reader, sourceName, limits, 0, [&](std::string_view, long) {
        ++result.count;
        return std::optional<DataReadError>{};
    });
    return result;
}

ItemCount countItems(const std::filesystem::path& path, const ReadLimits& limits)
{
    std::ifstream in;
    if (auto problem = openForReading(path, in)) {
        ItemCount result;
        result.error = std::move(problem);
        return result;
    }
    return countItems(in, path.string(), limits);
}

FirstLine firstLine(const std::filesystem::path& path, const ReadLimits& limits)
{
    FirstLine result;
    std::ifstream in;
    result.error = openForReading(path, in);
    if (result.error)
        return result;
    DataLineReader reader(in, limits.maxLineLength);
    std::string line;
    const DataLineReader::Status status = reader.next(line);
    result.error = lineProblem(status, reader.lineNumber(), path.string(), limits);
    if (status == DataLineReader::Status::Line)
        result.text = std::string(trimmed(line));
    return result;
}

}  // namespace varisect
