// SPDX-License-Identifier: GPL-3.0-or-later
#include "data/scoreentry.h"

#include <cmath>
#include <limits>

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
    if (!accepts(cell.text, c)) {
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
        const std::string rowText = "The score in row " + std::to_string(r + 1) + ", " +
                                    quotedForMessage(text) + ", ";
        double value = 0;
        if (!parseWholeNumber(text, value)) {
            std::string message = rowText + "is not a number.  Please correct it.";
            if (text.find(',') != std::string::npos)
                message += "  Decimals take a point, not a comma.";
            result.problem = entryError(std::move(message));
            result.row = r;
            return result;
        }
        if (!std::isfinite(value) || std::fabs(value) > std::numeric_limits<float>::max()) {
            result.problem = entryError(rowText + "is too large for a score.  Please correct it.");
            result.row = r;
            return result;
        }
        values.push_back(static_cast<float>(value));
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

}  // namespace varisect
