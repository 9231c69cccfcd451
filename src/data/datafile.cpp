// SPDX-License-Identifier: GPL-3.0-or-later
#include "data/datafile.h"

#include <cerrno>
#include <cfloat>
#include <cmath>
#include <cstdio>
#include <fstream>
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

PlainDataResult readPlainData(std::istream& in, const std::string& sourceName,
                              const ReadLimits& limits)
{
    using Kind = DataReadError::Kind;
    PlainDataResult result;
    DataLineReader reader(in, limits.maxLineLength);
    std::string line;
    long firstEmptyLine = 0;  // start of the current run of empty lines
    for (;;) {
        const DataLineReader::Status status = reader.next(line);
        const long n = reader.lineNumber();
        if (status == DataLineReader::Status::End)
            break;
        if (status == DataLineReader::Status::Failed) {
            result.error = makeError(Kind::ReadFailure, n,
                                     "Reading " + sourceName + " failed at line " + lineText(n) + ".");
            return result;
        }
        if (status == DataLineReader::Status::TooLong) {
            result.error = makeError(Kind::LineTooLong, n,
                                     "Line " + lineText(n) + " of " + sourceName + " is longer than " +
                                         std::to_string(limits.maxLineLength) +
                                         " characters; it cannot hold a score.");
            return result;
        }
        // Blank lines count too, so a file of nothing but line endings cannot run on.
        if (static_cast<std::size_t>(n) > limits.maxLines) {
            result.error = makeError(
                Kind::TooManyLines, n,
                "Reading " + sourceName + " stopped at line " + lineText(n) +
                    ": the file holds more lines than any design can use (at most " +
                    std::to_string(kMaxScores) + " scores).");
            return result;
        }
        const std::string_view text = trimmed(line);
        if (text.empty()) {
            if (firstEmptyLine == 0)
                firstEmptyLine = n;
            continue;
        }
        if (firstEmptyLine != 0) {
            result.error = makeError(Kind::EmptyLine, firstEmptyLine,
                                     "Line " + lineText(firstEmptyLine) + " of " + sourceName +
                                         " is empty, but more scores follow it.  Every line up to "
                                         "the last score must hold one score.");
            return result;
        }
        if (n == 1 && text == kUnequalNMarker) {
            result.error = makeError(Kind::UnequalNFile, 1,
                                     sourceName + " holds an unequal N data set (its first line is \"" +
                                         std::string(kUnequalNMarker) +
                                         "\"); it is not a file of one score per cell.");
            return result;
        }
        ScoreItem item;
        switch (parseScoreText(text, item)) {
        case ScoreTextProblem::None:
            result.items.push_back(std::move(item));
            break;
        case ScoreTextProblem::NotANumber:
            result.error = makeError(Kind::NotANumber, n,
                                     "Line " + lineText(n) + " of " + sourceName + " is not a number: " +
                                         quotedForMessage(text));
            return result;
        case ScoreTextProblem::NotFinite:
            result.error = makeError(Kind::NotFinite, n,
                                     "Line " + lineText(n) + " of " + sourceName +
                                         " holds a number too large for a score: " + quotedForMessage(text));
            return result;
        }
    }
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
    const std::string name = path.string();
    PlainDataResult result;
    std::error_code ec;
    const auto status = std::filesystem::status(path, ec);
    std::string problem;
    if (!std::filesystem::exists(status))
        problem = name + " does not exist.";
    else if (std::filesystem::is_directory(status))
        problem = name + " is a folder, not a data file.";
    std::ifstream in;
    if (problem.empty()) {
        in.open(path, std::ios::binary);
        if (!in)
            problem = name + " cannot be opened for reading (" +
                      std::generic_category().message(errno) + ").";
    }
    if (!problem.empty()) {
        result.error = makeError(DataReadError::Kind::CannotOpen, 0, problem);
        return result;
    }
    return readPlainData(in, name, limits);
}

}  // namespace varisect
