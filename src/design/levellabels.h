// SPDX-License-Identifier: GPL-3.0-or-later
// The rules of the "Labels for Levels" window: one short label for every level of every factor,
// asked for one level at a time. The window shows the prompt, passes on what the user types and
// shows the messages these rules return.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "engine/design.h"
#include "engine/prompts.h"

namespace varisect {

inline constexpr const char* kLevelLabelsTitle = "Labels for Levels";
inline constexpr const char* kLevelLabelNote = "Note: A level label may consist of one or two characters.";
inline constexpr int kMaxLevelLabelLength = 2;
inline constexpr const char* kAllLabelsGiven = "Every level has its label.  Press Finished to go on.";

class LevelLabels {
public:
    // `skipFactor` is the 1-based factor that takes no labels (the replicates or subjects factor of
    // the unequal-cell-size analyses), 0 when every factor is labelled. Labels the design already
    // holds are kept until they are replaced.
    explicit LevelLabels(const Design& design, int skipFactor = 0);

    int factor() const { return factor_; }  // 1-based, 0 once every label is given
    int level() const { return level_; }    // 1-based, 0 once every label is given
    bool asking() const { return factor_ > 0; }
    bool finishedEnabled() const { return !asking(); }
    bool takesLabels(int factor) const;

    // The prompt line: the opening form when the window opens or returns to a factor, the
    // entering form once a label was accepted. Once every label is given, a line that says so.
    std::string prompt() const;
    std::string openingPrompt() const;
    std::string enteringPrompt() const;

    // The entry box as the user types: a third character brings the length message, and the box
    // is to be emptied.
    static std::optional<Message> checkTyping(const std::string& text);

    // OK: an empty text, a text that is too long or holds a comma is refused with the message;
    // otherwise the label is taken and the next level is asked for.
    std::optional<Message> accept(const std::string& text);

    // The current factor's labels become its level numbers ("1", "2", ...); on to the next
    // labelled factor.
    void useCellIndices();

    // Back to the first level of the first labelled factor, with the opening prompt.
    void startOver();

    // Finished: a factor with two equal labels brings the duplicate message and the walk returns
    // to the first level of that factor. Otherwise the labels are written to `design` (every
    // factor gets one label per level; a passed-over factor gets empty ones) and nothing is
    // returned.
    std::optional<Message> finish(Design& design);

    // The labels gathered so far, [factor][level], 0-based.
    const std::vector<std::vector<std::string>>& labels() const { return labels_; }

private:
    int nextLabelledFactor(int after) const;  // 0 when there is none
    void moveToFactor(int factor);

    std::vector<std::string> names_;
    std::vector<int> levels_;
    std::vector<std::vector<std::string>> labels_;
    int skipFactor_ = 0;
    int factor_ = 0;
    int level_ = 0;
    bool entering_ = false;
};

// Characters of a UTF-8 text (a byte that does not start a character is not counted).
std::size_t characterCount(const std::string& text);

}  // namespace varisect
