// SPDX-License-Identifier: GPL-3.0-or-later
#include "data/scoreentry.h"

#include <cmath>

#include "data/datafile.h"
#include "engine/numbertext.h"

namespace varisect {

namespace {

bool isControl(char32_t c) { return c < 0x20 || (c >= 0x7F && c < 0xA0); }
bool isDigit(char32_t c) { return c >= U'0' && c <= U'9'; }
bool isSign(char32_t c) { return c == U'+' || c == U'-'; }

bool isMissingMark(std::string_view text) { return text == kMissingScoreMark; }

bool isBlankText(std::string_view text)
{
    return text.find_first_not_of(" \t") == std::string_view::npos;
}

// Whether the character may be appended to `text`.
bool accepts(std::string_view text, char32_t c)
{
    if (isMissingMark(text))
        return false;  // the mark stands alone
    if (c == U'X' || c == U'x' || isSign(c))
        return text.empty();
    if (c == U'.')
        return text.find('.') == std::string_view::npos;
    return isDigit(c) || c == U',';
}

Message entryError(std::string text)
{
    return Message{"Data Entry Error!", std::move(text), MessageButtons::Ok, MessageIcon::Critical};
}

}  // namespace

// Only a key that changes the text turns an imputed score into a typed one. Enter and refused
// keys leave the mark alone, so walking down a loaded column does not lose imputed scores (and
// with them the error df they cost).
KeyOutcome applyEntryKey(const ScoreCell& cell, EntryKey key)
{
    KeyOutcome out;
    out.text = cell.text;
    out.imputed = cell.imputed;
    switch (key.kind) {
    case EntryKey::Kind::Enter:
        out.moveDown = !cell.lastRow;
        return out;
    case EntryKey::Kind::Backspace:
        if (!out.text.empty()) {
            // One character, which in a text from elsewhere may take several UTF-8 bytes.
            while (out.text.size() > 1 && (static_cast<unsigned char>(out.text.back()) & 0xC0) == 0x80)
                out.text.pop_back();
            out.text.pop_back();
            out.imputed = false;  // an edited score is a typed one
            out.changed = true;
        }
        return out;
    case EntryKey::Kind::Character:
        break;
    }
    const char32_t c = key.character;
    if (isControl(c)) {
        out.handled = false;
        return out;
    }
    // A text longer than a line of a data file could not be saved and opened again.
    if (!accepts(cell.text, c) || !scoreLineFits(cell.text + 'x', false)) {
        out.beep = true;
        return out;
    }
    out.text += c == U'x' ? 'X' : static_cast<char>(c);
    out.imputed = false;
    out.changed = true;
    out.widenIfNeeded = true;
    return out;
}

Message missingScoreMessage()
{
    return entryError("At least one score is missing from the data set.");
}

ScoreColumnCheck checkScoreColumn(const std::vector<std::string>& texts,
                                  const std::vector<bool>& imputed)
{
    ScoreColumnCheck result;
    const long n = static_cast<long>(texts.size());
    if (n == 0) {
        result.problem = missingScoreMessage();
        result.row = 0;
        return result;
    }

    // Completeness first, over the whole column, as the grid is walked from the top.
    for (long r = 0; r < n; ++r) {
        const std::string& text = texts[static_cast<size_t>(r)];
        if (isBlankText(text) || isMissingMark(text)) {
            result.problem = missingScoreMessage();
            result.row = r;
            return result;
        }
    }

    // Every text must be one whole number that a score can hold; "3-" is not read as 3.
    Scores values;
    values.reserve(static_cast<size_t>(n));
    for (long r = 0; r < n; ++r) {
        const std::string& text = texts[static_cast<size_t>(r)];
        const bool red = static_cast<size_t>(r) < imputed.size() && imputed[static_cast<size_t>(r)];
        const std::string rowText = "The score in row " + std::to_string(r + 1) + ", " +
                                    quotedForMessage(text) + ", ";
        std::string problem;
        float value = 0;
        if (!scoreLineFits(text, red)) {
            problem = rowText + "is longer than a data file can hold (" + std::to_string(kMaxDataLineLength) +
                      " characters).  Please correct it.";
        } else {
            switch (readWholeNumber(text, value)) {
            case NumberStatus::Ok:
                break;
            case NumberStatus::NotANumber:
                problem = rowText + "is not a number.  Please correct it.";
                if (text.find(',') != std::string::npos)
                    problem += "  Decimals take a point, not a comma.";
                break;
            case NumberStatus::OutOfRange:
                problem = rowText + (std::fabs(parseNumber(text)) > 1 ? "is too large for a score."
                                                                       : "is too close to 0 for a score (it would be "
                                                                         "held as 0).") +
                          "  Please correct it.";
                break;
            }
        }
        if (!problem.empty()) {
            result.problem = entryError(std::move(problem));
            result.row = r;
            return result;
        }
        values.push_back(value);
    }

    // Row r holds score r + 1 of the factorial order (factor 1 cycling fastest), so the rows
    // read from the top are already the scores in the order of the design.
    result.scores = std::move(values);
    result.scoreTexts.reserve(static_cast<size_t>(n));
    for (long r = 0; r < n; ++r) {
        const bool red = static_cast<size_t>(r) < imputed.size() && imputed[static_cast<size_t>(r)];
        result.scoreTexts.push_back(texts[static_cast<size_t>(r)] + (red ? "I" : ""));
        if (red)
            ++result.imputedCount;
    }
    return result;
}

namespace {

bool markedImputed(const std::vector<bool>& imputed, std::size_t row)
{
    return row < imputed.size() && imputed[row];
}

PastedScores pasteRefused(std::string text)
{
    PastedScores refused;
    refused.problem = Message{"Error", std::move(text), MessageButtons::Ok, MessageIcon::Critical};
    return refused;
}

}  // namespace

ScoreSaveCheck checkScoresForSaving(const std::vector<std::string>& texts, const std::vector<bool>& imputed)
{
    ScoreSaveCheck result;
    for (std::size_t r = 0; r < texts.size(); ++r) {
        if (scoreLineFits(texts[r], markedImputed(imputed, r) && !isBlankText(texts[r])))
            continue;
        result.row = static_cast<long>(r);
        result.problem = Message{"Wait",
                                 "The score in row " + std::to_string(r + 1) + " is longer than a data file can hold (" +
                                     std::to_string(kMaxDataLineLength) +
                                     " characters), so the data have not been saved.  Please correct the score and "
                                     "save again.",
                                 MessageButtons::Ok, MessageIcon::Critical};
        return result;
    }
    return result;
}

DataLayout gridDataLayout(const std::vector<std::string>& texts, const std::vector<bool>& imputed)
{
    DataLayout layout;
    layout.items.reserve(texts.size());
    for (std::size_t r = 0; r < texts.size(); ++r) {
        ScoreItem item;
        if (!isBlankText(texts[r])) {
            item.text = texts[r];
            item.imputed = markedImputed(imputed, r);
        }
        layout.items.push_back(std::move(item));
    }
    return layout;
}

std::string copiedScoresText(const std::vector<std::string>& texts, const std::vector<bool>& imputed)
{
    std::string text;
    text.reserve(texts.size() * 8);
    for (std::size_t r = 0; r < texts.size(); ++r) {
        text += texts[r];
        if (markedImputed(imputed, r) && !isBlankText(texts[r]))
            text += 'I';
        text += "\r\n";
    }
    return text;
}

PastedScores parsePastedScores(std::string_view clip, long room)
{
    PastedScores result;
    std::vector<std::string> lines(1);
    for (const char c : clip) {
        if (c == '\n')
            lines.emplace_back();
        else if (c != '\r' && c != ' ')
            lines.back() += c;
    }
    // A list copied from another program usually ends with a line break.
    while (!lines.empty() && lines.back().empty())
        lines.pop_back();
    for (std::string& line : lines) {
        // "I" right behind a score marks it as imputed, as in a data file.
        const bool mark = line.size() > 1 && line.back() == 'I';
        if (mark)
            line.pop_back();
        if (line.find_first_not_of("0123456789,-.") != std::string::npos)
            return pasteRefused("The clipboard contains non-numerical characters.  These cannot be pasted.  This "
                                "problem may arise because the Clipboard data is not a vertical list of scores.");
        result.imputed.push_back(mark);
    }
    for (std::size_t i = 0; i < lines.size(); ++i)
        if (!scoreLineFits(lines[i], result.imputed[i]))
            return pasteRefused("The clipboard holds a score of more than " + std::to_string(kMaxDataLineLength) +
                                " characters (line " + std::to_string(i + 1) + ").  It cannot be pasted.");
    if (static_cast<long>(lines.size()) > room)
        return pasteRefused("The data on the clipboard will not fit into the specified factorial structure.");
    result.texts = std::move(lines);
    return result;
}

}  // namespace varisect
