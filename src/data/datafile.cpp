// SPDX-License-Identifier: GPL-3.0-or-later
#include "data/datafile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <limits>
#include <memory>
#include <optional>
#include <streambuf>
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

namespace {

// The form nearly every score takes ("-12.75", "3", ".5"): an optional minus, digits with at
// most one decimal point among them. Such a text is a number whatever its digits, and its value
// is what std::from_chars makes of it; false for anything else, which the general reader sees.
// With at most 7 digits the digits as a whole number and the power of ten they are divided by
// are both exact in single precision, and one division, rounded once, gives the nearest float:
// the value from_chars would give, without its general machinery.
constexpr float kPowersOfTen[] = {1e0f, 1e1f, 1e2f, 1e3f, 1e4f, 1e5f, 1e6f, 1e7f};
constexpr int kExactDigits = 7;

bool plainDecimal(std::string_view t, float& value)
{
    const char* end = t.data() + t.size();
    const bool negative = !t.empty() && t.front() == '-';
    const char* at = t.data() + (negative ? 1 : 0);
    int digits = 0, fraction = 0;
    std::uint32_t whole = 0;
    bool point = false;
    for (const char* c = at; c != end; ++c) {
        if (*c >= '0' && *c <= '9') {
            if (++digits <= kExactDigits)
                whole = whole * 10 + static_cast<std::uint32_t>(*c - '0');
            fraction += point ? 1 : 0;
        } else if (*c == '.' && !point) {
            point = true;
        } else {
            return false;
        }
    }
    if (digits == 0)
        return false;
    if (digits <= kExactDigits) {
        const float v = static_cast<float>(whole) / kPowersOfTen[fraction];
        value = negative ? -v : v;
        return true;
    }
    const auto r = std::from_chars(t.data(), end, value);
    return r.ec == std::errc() && r.ptr == end;
}

// parseScoreText without the copy of the text: `number` is the number's part of `text`.
ScoreTextProblem readScoreText(std::string_view text, std::string_view& number, float& value, bool& imputed)
{
    number = trimmed(text);
    imputed = false;
    if (!number.empty() && number.back() == 'I') {
        imputed = true;
        number.remove_suffix(1);
        // The mark stands directly behind the number: "12.5 I" is not a score.
        if (number.empty() || isBlank(number.back()))
            return ScoreTextProblem::NotANumber;
    }
    switch (plainDecimal(number, value) ? NumberStatus::Ok : readWholeNumber(number, value)) {
    case NumberStatus::Ok:
        return ScoreTextProblem::None;
    case NumberStatus::NotANumber:
        return ScoreTextProblem::NotANumber;
    case NumberStatus::OutOfRange:
        break;
    }
    // The leading-part reader tells which way it went (infinity or 0).
    return std::fabs(parseNumber(number)) > 1 ? ScoreTextProblem::NotFinite : ScoreTextProblem::TooSmall;
}

}  // namespace

ScoreTextProblem parseScoreText(std::string_view text, ScoreItem& out)
{
    std::string_view number;
    float value = 0;
    bool imputed = false;
    if (const ScoreTextProblem problem = readScoreText(text, number, value, imputed); problem != ScoreTextProblem::None)
        return problem;
    out.text = std::string(number);
    out.value = value;
    out.imputed = imputed;
    return ScoreTextProblem::None;
}

bool scoreLineFits(std::string_view text, bool imputed)
{
    return text.size() + (imputed ? 1 : 0) <= kMaxDataLineLength && text.find('\n') == std::string_view::npos;
}

DataLineReader::DataLineReader(std::istream& in, std::size_t maxLineLength)
    : in_(&in), maxLineLength_(maxLineLength)
{
}

DataLineReader::DataLineReader(std::string_view block, std::size_t maxLineLength, bool failedAfterBlock)
    : block_(block), failedAfterBlock_(failedAfterBlock), maxLineLength_(maxLineLength)
{
}

std::size_t DataLineReader::linesAhead() const
{
    if (in_)
        return 0;
    std::size_t lines = 1;
    const char* at = block_.data() + position_;
    const char* end = block_.data() + block_.size();
    while (at != end) {
        const void* feed = std::memchr(at, '\n', static_cast<std::size_t>(end - at));
        if (!feed)
            break;
        at = static_cast<const char*>(feed) + 1;
        ++lines;
    }
    return lines;
}

DataLineReader::Status DataLineReader::next(std::string& line)
{
    std::string_view view;
    const Status status = next(view);
    line.assign(view);
    return status;
}

DataLineReader::Status DataLineReader::next(std::string_view& line)
{
    line = {};
    if (stuck_ != Status::End)
        return stuck_;
    if (done_)
        return Status::End;
    Status status = Status::Line;
    if (in_) {
        status = nextFromStream();
        line = buffer_;
    } else {
        status = nextFromBlock(line);
    }
    if (status != Status::Line)
        return status;
    ++lineNumber_;
    if (!line.empty() && line.back() == '\r')
        line.remove_suffix(1);
    if (line.size() > maxLineLength_) {
        stuck_ = Status::TooLong;
        return stuck_;
    }
    if (lineNumber_ == 1 && line.starts_with("\xEF\xBB\xBF"))
        line.remove_prefix(3);
    return Status::Line;
}

// The next line of the stream into buffer_, its line feed removed. Line means a line was read
// (lineNumber_ not yet counted); the other results have counted it already.
DataLineReader::Status DataLineReader::nextFromStream()
{
    buffer_.clear();
    for (;;) {
        const int c = in_->get();
        if (c == std::char_traits<char>::eof()) {
            if (in_->bad()) {
                ++lineNumber_;
                stuck_ = Status::Failed;
                return stuck_;
            }
            done_ = true;
            if (buffer_.empty())
                return Status::End;  // the stream ended right after a line ending
            return Status::Line;
        }
        if (c == '\n')
            return Status::Line;
        buffer_.push_back(static_cast<char>(c));
        // One more than the cap leaves room for the CR of a CR LF ending.
        if (buffer_.size() > maxLineLength_ + 1) {
            ++lineNumber_;
            stuck_ = Status::TooLong;
            return stuck_;
        }
    }
}

// The same rules over the block: a line is cut out where its line feed stands.
DataLineReader::Status DataLineReader::nextFromBlock(std::string_view& line)
{
    const std::string_view rest = block_.substr(position_);
    const void* found = rest.empty() ? nullptr : std::memchr(rest.data(), '\n', rest.size());
    const std::size_t feed =
        found ? static_cast<std::size_t>(static_cast<const char*>(found) - rest.data()) : std::string_view::npos;
    const std::size_t length = feed == std::string_view::npos ? rest.size() : feed;
    if (length > maxLineLength_ + 1) {
        ++lineNumber_;
        stuck_ = Status::TooLong;
        return stuck_;
    }
    if (feed == std::string_view::npos) {
        if (failedAfterBlock_) {
            ++lineNumber_;
            stuck_ = Status::Failed;
            return stuck_;
        }
        done_ = true;
        if (rest.empty())
            return Status::End;  // the file ended right after a line ending
        position_ = block_.size();
    } else {
        position_ += feed + 1;
    }
    line = rest.substr(0, length);
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

DataReadError tooManyLines(const std::string& sourceName, long n)
{
    return makeError(Kind::TooManyLines, n,
                     "Reading " + sourceName + " stopped at line " + lineText(n) +
                         ": the file holds more lines than any design can use (at most " + std::to_string(kMaxScores) +
                         " scores).");
}

// Walks the item lines that follow `linesBefore` header lines up to the end of the stream:
// empty lines are allowed only at the end, and at most limits.maxLines lines are looked at.
// `onItem` gets each non-empty line with its blanks removed and may stop the walk with an error.
template <typename OnItem>
std::optional<DataReadError> walkItems(DataLineReader& reader, const std::string& sourceName, const ReadLimits& limits,
                                       long linesBefore, OnItem onItem)
{
    std::string_view line;
    long firstEmptyLine = 0;  // start of the current run of empty lines
    for (;;) {
        const DataLineReader::Status status = reader.next(line);
        const long n = reader.lineNumber();
        if (status == DataLineReader::Status::End)
            return std::nullopt;
        if (status != DataLineReader::Status::Line)
            return lineProblem(status, n, sourceName, limits);
        // Blank lines count too, so a file of nothing but line endings cannot run on.
        if (static_cast<std::size_t>(n - linesBefore) > limits.maxLines)
            return tooManyLines(sourceName, n);
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

// The score lines, each handed to `keep` as its number's text, value and mark.
template <typename Keep>
std::optional<DataReadError> readScoreLines(DataLineReader& reader, const std::string& sourceName,
                                            const ReadLimits& limits, long linesBefore, Keep keep)
{
    return walkItems(reader, sourceName, limits, linesBefore,
                     [&](std::string_view text, long n) -> std::optional<DataReadError> {
                         if (n == 1 && text == kUnequalNMarker)
                             return makeError(Kind::UnequalNFile, 1,
                                              sourceName + " holds an unequal N data set (its first line is \"" +
                                                  std::string(kUnequalNMarker) +
                                                  "\"); it is not a file of one score per cell.");
                         std::string_view number;
                         float value = 0;
                         bool imputed = false;
                         switch (readScoreText(text, number, value, imputed)) {
                         case ScoreTextProblem::None:
                             keep(number, value, imputed);
                             return std::nullopt;
                         case ScoreTextProblem::NotANumber:
                             return makeError(Kind::NotANumber, n,
                                              "Line " + lineText(n) + " of " + sourceName +
                                                  " is not a number: " + quotedForMessage(text));
                         case ScoreTextProblem::TooSmall:
                             return makeError(Kind::TooSmall, n,
                                              "Line " + lineText(n) + " of " + sourceName +
                                                  " holds a number too close to 0 for a score (it would be held as "
                                                  "0): " + quotedForMessage(text));
                         case ScoreTextProblem::NotFinite:
                             break;
                         }
                         return makeError(Kind::NotFinite, n,
                                          "Line " + lineText(n) + " of " + sourceName +
                                              " holds a number too large for a score: " + quotedForMessage(text));
                     });
}

// Reads a file descriptor it owns, in blocks. A failed read throws, which the stream turns
// into its bad state. The buffer is taken at the first read through the stream: the readers of
// a whole block read the descriptor itself and never need it.
class FileReadBuffer : public std::streambuf {
public:
    explicit FileReadBuffer(int fd) : fd_(fd) {}
    ~FileReadBuffer() override { ::close(fd_); }
    int descriptor() const { return fd_; }
    FileReadBuffer(const FileReadBuffer&) = delete;
    FileReadBuffer& operator=(const FileReadBuffer&) = delete;

protected:
    int_type underflow() override
    {
        if (gptr() < egptr())
            return traits_type::to_int_type(*gptr());
        if (!buffer_)
            buffer_ = std::make_unique_for_overwrite<char[]>(kBufferSize);
        for (;;) {
            const ssize_t n = ::read(fd_, buffer_.get(), kBufferSize);
            if (n > 0) {
                setg(buffer_.get(), buffer_.get(), buffer_.get() + n);
                return traits_type::to_int_type(*gptr());
            }
            if (n == 0)
                return traits_type::eof();
            if (errno != EINTR)
                throw std::system_error(errno, std::generic_category());
        }
    }

private:
    static constexpr std::size_t kBufferSize = 65536;
    int fd_;
    std::unique_ptr<char[]> buffer_;
};

struct InputFile {
    explicit InputFile(int fd) : buffer(fd) {}
    FileReadBuffer buffer;
    std::istream stream{&buffer};
};

const char* nonFileKind(mode_t mode)
{
    if (S_ISFIFO(mode))
        return "a named pipe";
    if (S_ISCHR(mode) || S_ISBLK(mode))
        return "a device";
    if (S_ISSOCK(mode))
        return "a socket";
    return "not an ordinary file";
}

// Opens `path` for reading; the error names the file and keeps the errno. The file is opened
// without waiting (a named pipe would otherwise block until someone writes to it) and refused
// unless it is a regular file, before anything is read.
std::optional<DataReadError> openForReading(const std::filesystem::path& path, std::unique_ptr<InputFile>& file)
{
    const std::string name = path.string();
    DataReadError e = makeError(Kind::CannotOpen, 0, "");
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        const int err = errno;
        // A missing file and a missing folder on its path are both "not found".
        e.systemError = err;
        e.message = err == ENOENT || err == ENOTDIR
                        ? name + " does not exist."
                        : name + " cannot be opened for reading (" + std::generic_category().message(err) + ").";
        return e;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        e.systemError = errno;
        ::close(fd);
        e.message = name + " cannot be opened for reading (" + std::generic_category().message(e.systemError) + ").";
        return e;
    }
    if (S_ISDIR(st.st_mode)) {
        ::close(fd);
        e.message = name + " is a folder, not a data file.";
        e.systemError = EISDIR;
        return e;
    }
    if (!S_ISREG(st.st_mode)) {
        ::close(fd);
        return makeError(Kind::NotAFile, 0,
                         name + " is " + nonFileKind(st.st_mode) + ", not a data file; only an ordinary file can be "
                                "read as one.");
    }
    file = std::make_unique<InputFile>(fd);
    return std::nullopt;
}

// One number of the unequal-N header, a whole number from `low` to `high`.
std::optional<DataReadError> readHeaderNumber(DataLineReader& reader, const std::string& sourceName,
                                              const ReadLimits& limits, const std::string& what, long low, long high,
                                              long& out)
{
    std::string_view line;
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
    std::string_view line;
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

namespace {

std::optional<DataReadError> readScoreItems(DataLineReader& reader, const std::string& sourceName,
                                            const ReadLimits& limits, long linesBefore, std::vector<ScoreItem>& items)
{
    return readScoreLines(reader, sourceName, limits, linesBefore,
                          [&items](std::string_view number, float value, bool imputed) {
                              items.push_back({std::string(number), value, imputed});
                          });
}

PlainDataResult readPlainLines(DataLineReader& reader, const std::string& sourceName, const ReadLimits& limits)
{
    PlainDataResult result;
    result.items.reserve(std::min(reader.linesAhead(), limits.maxLines));
    result.error = readScoreItems(reader, sourceName, limits, 0, result.items);
    return result;
}

GridDataResult readGridLines(DataLineReader& reader, const std::string& sourceName, long scoreCount,
                             const ReadLimits& limits)
{
    GridDataResult result;
    std::string_view line;
    long blanks = 0;  // blank lines since the last text
    for (;;) {
        const DataLineReader::Status status = reader.next(line);
        const long n = reader.lineNumber();
        if (status == DataLineReader::Status::End)
            break;
        result.error = lineProblem(status, n, sourceName, limits);
        if (!result.error && static_cast<std::size_t>(n) > limits.maxLines)
            result.error = tooManyLines(sourceName, n);
        if (result.error)
            return result;
        const std::string_view text = trimmed(line);
        if (text.empty()) {
            ++blanks;
            continue;
        }
        result.items.insert(result.items.end(), static_cast<std::size_t>(blanks), ScoreItem{});
        blanks = 0;
        ScoreItem item;
        if (parseScoreText(text, item) != ScoreTextProblem::None) {
            // Kept as it stands, the imputed mark split off where it can be one.
            item.text = std::string(text);
            if (text.size() > 1 && text.back() == 'I' && !isBlank(text[text.size() - 2])) {
                item.text.pop_back();
                item.imputed = true;
            }
        }
        result.items.push_back(std::move(item));
    }
    const long room = std::max(0L, scoreCount - result.count());
    result.items.insert(result.items.end(), static_cast<std::size_t>(std::min(blanks, room)), ScoreItem{});
    return result;
}

DataLayoutResult readUnequalNLines(DataLineReader& reader, const std::string& sourceName, UnequalAnalysis analysis,
                                   const ReadLimits& limits)
{
    DataLayoutResult result;
    result.layout.kind =
        analysis == UnequalAnalysis::UnequalGroupSizes ? DataLayout::Kind::GroupSizes : DataLayout::Kind::CellSizes;
    result.error = readUnequalNHeader(reader, sourceName, limits, result.layout);
    if (!result.error)
        result.error = readScoreItems(reader, sourceName, limits, reader.lineNumber(), result.layout.items);
    return result;
}

ItemCount countLines(DataLineReader& reader, const std::string& sourceName, const ReadLimits& limits)
{
    ItemCount result;
    result.error = walkItems(reader, sourceName, limits, 0, [&](std::string_view, long) {
        ++result.count;
        return std::optional<DataReadError>{};
    });
    return result;
}

// What a reader may look at of a file: every line it can accept (the longest header, the most
// item lines, one more to count) at the longest length with a CR LF ending. A longer file is
// refused by the line rules within this many bytes, so nothing beyond them is read.
std::size_t blockLimit(const ReadLimits& limits)
{
    const std::size_t lines = limits.maxLines + static_cast<std::size_t>(kMaxScores) + 8;
    const std::size_t length = limits.maxLineLength + 2;
    const std::size_t most = std::numeric_limits<std::size_t>::max() / 2;
    return length != 0 && lines > most / length ? most : lines * length;
}

// A file's contents read in one block (two reads for a file that fits, the second one finding
// its end), and whether reading failed after them. The buffer is not cleared before the reads
// fill it.
struct FileBlock {
    std::unique_ptr<char[]> data;
    std::size_t size = 0;
    bool failed = false;
    std::string_view bytes() const { return {data.get(), size}; }
};

FileBlock readBlock(int fd, std::size_t limit)
{
    FileBlock block;
    struct stat st {};
    std::size_t expected = 64 * 1024;
    if (::fstat(fd, &st) == 0 && st.st_size > 0)
        expected = static_cast<std::size_t>(st.st_size) + 1;  // + 1 finds the end in the same block
    std::size_t capacity = std::min(expected, limit);
    block.data = std::make_unique_for_overwrite<char[]>(capacity);
    std::size_t& used = block.size;
    while (used < limit) {
        if (used == capacity) {
            capacity = std::min(limit, 2 * capacity);
            auto larger = std::make_unique_for_overwrite<char[]>(capacity);
            std::copy_n(block.data.get(), used, larger.get());
            block.data = std::move(larger);
        }
        const ssize_t n = ::read(fd, block.data.get() + used, capacity - used);
        if (n > 0) {
            used += static_cast<std::size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        block.failed = n < 0;
        break;
    }
    return block;
}

// Opens `path` and runs `read` over the lines of its contents, read in one block; an error
// result of type R when the file cannot be opened.
template <typename R, typename Read>
R readFileLines(const std::filesystem::path& path, const ReadLimits& limits, Read read)
{
    std::unique_ptr<InputFile> file;
    if (auto problem = openForReading(path, file)) {
        R result;
        result.error = std::move(problem);
        return result;
    }
    const FileBlock block = readBlock(file->buffer.descriptor(), blockLimit(limits));
    DataLineReader reader(block.bytes(), limits.maxLineLength, block.failed);
    return read(reader);
}

}  // namespace

PlainDataResult readPlainData(std::istream& in, const std::string& sourceName, const ReadLimits& limits)
{
    DataLineReader reader(in, limits.maxLineLength);
    return readPlainLines(reader, sourceName, limits);
}

PlainDataResult readPlainDataText(std::string_view text, const std::string& sourceName,
                                  const ReadLimits& limits)
{
    DataLineReader reader(text, limits.maxLineLength);
    return readPlainLines(reader, sourceName, limits);
}

PlainDataResult readPlainDataFile(const std::filesystem::path& path, const ReadLimits& limits)
{
    return readFileLines<PlainDataResult>(path, limits, [&](DataLineReader& reader) {
        return readPlainLines(reader, path.string(), limits);
    });
}

namespace {

// The file nearly every data set is: every line an optional minus and 1 to 7 digits with at
// most one decimal point among them (the scores plainDecimal divides exactly), ended by LF or
// CR LF, the last one perhaps by nothing. Such a file is read straight from the bytes, each
// score as plainDecimal reads it. False at the first line of any other form (blank, marked,
// longer, a header, not a number, one line too many); the general reader then reads the file
// from its start and gives every message it would have given.
// The value of a decimal digit; above 9 for any other character.
std::uint32_t digitValue(char c) { return static_cast<std::uint32_t>(static_cast<unsigned char>(c)) - '0'; }

// The lines of `block` (whole lines, the last one perhaps without its ending) added to
// `values`; `lines` counts the lines read so far, of this block and those before it.
bool readPlainBlock(std::string_view block, const ReadLimits& limits, Scores& values, std::size_t& lines)
{
    const char* c = block.data();
    const char* const end = c + block.size();
    while (c != end) {
        if (++lines > limits.maxLines)
            return false;
        const char* const start = c;
        const bool negative = *c == '-';
        c += negative ? 1 : 0;
        // The digits before the point, then those after it, each run in a loop of its own.
        std::uint32_t whole = 0;  // wraps only past kExactDigits, which is refused
        const char* const wholeDigits = c;
        for (std::uint32_t digit; c != end && (digit = digitValue(*c)) <= 9; ++c)
            whole = whole * 10 + digit;
        std::ptrdiff_t digits = c - wholeDigits;
        std::ptrdiff_t fraction = 0;
        if (c != end && *c == '.') {
            const char* const fractionDigits = ++c;
            for (std::uint32_t digit; c != end && (digit = digitValue(*c)) <= 9; ++c)
                whole = whole * 10 + digit;
            fraction = c - fractionDigits;
            digits += fraction;
        }
        if (digits == 0 || digits > kExactDigits || static_cast<std::size_t>(c - start) > limits.maxLineLength)
            return false;
        if (c != end) {
            if (*c == '\r')
                ++c;
            if (c == end || *c != '\n')
                return false;
            ++c;
        }
        const float v = static_cast<float>(whole) / kPowersOfTen[fraction];
        values.push_back(negative ? -v : v);
    }
    return true;
}

// A plain file read in pieces through one small buffer that stays in the cache, the whole lines
// of each piece parsed as they arrive and a line cut at a piece's end carried to the next. The
// file is never held whole, so reading it touches no fresh memory but the scores'. False as
// readPlainBlock, and when reading fails or the file is empty.
bool readPlainPieces(int fd, const ReadLimits& limits, Scores& values)
{
    constexpr std::size_t kPiece = 16384;
    // Longer than any line of the plain form (a minus, 7 digits, a point, CR LF: 11 bytes).
    constexpr std::size_t kLongestCarried = 16;
    char buffer[kPiece + kLongestCarried];
    struct stat st {};
    if (::fstat(fd, &st) == 0 && st.st_size > 0)
        values.reserve(std::min(static_cast<std::size_t>(st.st_size) / 2 + 1, limits.maxLines));
    std::size_t carried = 0;
    std::size_t lines = 0;
    for (;;) {
        const ssize_t n = ::read(fd, buffer + carried, kPiece);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        if (n == 0)  // the end: the last line, if it has no ending
            return carried == 0 ? lines > 0 : readPlainBlock({buffer, carried}, limits, values, lines);
        const std::size_t filled = carried + static_cast<std::size_t>(n);
        const auto* lastEnding = static_cast<const char*>(::memrchr(buffer, '\n', filled));
        const std::size_t whole = lastEnding ? static_cast<std::size_t>(lastEnding - buffer) + 1 : 0;
        if (whole > 0 && !readPlainBlock({buffer, whole}, limits, values, lines))
            return false;
        carried = filled - whole;
        if (carried > kLongestCarried)
            return false;
        std::memmove(buffer, buffer + whole, carried);
    }
}

}  // namespace

PlainScoresResult readPlainScoresFile(const std::filesystem::path& path, const ReadLimits& limits)
{
    PlainScoresResult result;
    std::unique_ptr<InputFile> file;
    if ((result.error = openForReading(path, file)))
        return result;
    const int fd = file->buffer.descriptor();
    if (readPlainPieces(fd, limits, result.values))
        return result;
    // Not a plain file: the whole of it again, from its start, for the general reader. The file
    // is an ordinary one (openForReading refuses any other), so it can go back to its start.
    result.values.clear();
    FileBlock block;
    if (::lseek(fd, 0, SEEK_SET) == 0)
        block = readBlock(fd, blockLimit(limits));
    else
        block.failed = true;
    DataLineReader reader(block.bytes(), limits.maxLineLength, block.failed);
    result.values.reserve(std::min(reader.linesAhead(), limits.maxLines));
    result.error = readScoreLines(reader, path.string(), limits, 0,
                                  [&result](std::string_view, float value, bool imputed) {
                                      result.values.push_back(value);
                                      result.imputedCount += imputed ? 1 : 0;
                                  });
    return result;
}

GridDataResult readGridData(std::istream& in, const std::string& sourceName, long scoreCount,
                            const ReadLimits& limits)
{
    DataLineReader reader(in, limits.maxLineLength);
    return readGridLines(reader, sourceName, scoreCount, limits);
}

GridDataResult readGridDataFile(const std::filesystem::path& path, long scoreCount, const ReadLimits& limits)
{
    return readFileLines<GridDataResult>(path, limits, [&](DataLineReader& reader) {
        return readGridLines(reader, path.string(), scoreCount, limits);
    });
}

DataLayoutResult readUnequalNData(std::istream& in, const std::string& sourceName, UnequalAnalysis analysis,
                                  const ReadLimits& limits)
{
    DataLineReader reader(in, limits.maxLineLength);
    return readUnequalNLines(reader, sourceName, analysis, limits);
}

DataLayoutResult readUnequalNDataFile(const std::filesystem::path& path, UnequalAnalysis analysis,
                                      const ReadLimits& limits)
{
    return readFileLines<DataLayoutResult>(path, limits, [&](DataLineReader& reader) {
        return readUnequalNLines(reader, path.string(), analysis, limits);
    });
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
    DataLineReader reader(in, limits.maxLineLength);
    return countLines(reader, sourceName, limits);
}

ItemCount countItems(const std::filesystem::path& path, const ReadLimits& limits)
{
    return readFileLines<ItemCount>(path, limits, [&](DataLineReader& reader) {
        return countLines(reader, path.string(), limits);
    });
}

FirstLine firstLine(const std::filesystem::path& path, const ReadLimits& limits)
{
    FirstLine result;
    std::unique_ptr<InputFile> file;
    result.error = openForReading(path, file);
    if (result.error)
        return result;
    DataLineReader reader(file->stream, limits.maxLineLength);
    std::string line;
    const DataLineReader::Status status = reader.next(line);
    result.error = lineProblem(status, reader.lineNumber(), path.string(), limits);
    if (status == DataLineReader::Status::Line)
        result.text = std::string(trimmed(line));
    return result;
}

}  // namespace varisect
