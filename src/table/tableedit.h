// SPDX-License-Identifier: GPL-3.0-or-later
// The edits the table window makes to its own copy of the table: renaming a source by typed
// keys, and adjusting the df of an error term with F and p recomputed.
#pragma once

#include <optional>
#include <string>

#include "engine/prompts.h"

namespace varisect {

struct AnovaTable;
struct Design;
struct ProbabilityContext;
class Dialogs;

// ---- Renaming

enum class RenameKey { Appended, Removed, Beep, Ignored };

// One key typed into a source name. `backspace` removes the last character (Beep when the name
// is already empty); otherwise `typed` (the key's text) is appended when it is one of A-Z, a-z,
// 0-9, "@", "(", ")", "+", "/", ":", ";", "|"; anything else, the blank included, is ignored.
RenameKey renameKey(std::string& name, bool backspace, const std::string& typed);

// ---- Adjusting an error df

inline constexpr const char* kAdjustInputTitle = "Adjusted Error df";
inline constexpr const char* kNotPermittedTitle = "Not a permitted adjustment!";

// True when `sourceName` names an error term: it holds the designated factor's label followed
// by "x", "x" followed by that label, or the word "Error".
bool isErrorTermName(const std::string& sourceName, char designatedLabel);

// The refusal for a click on `row` (1-based table row) of a table of `design`, if any.
std::optional<Message> adjustRefusal(const AnovaTable& table, const Design& design, int row);

// The input box prompt for the error row `row`.
std::string adjustPrompt(const AnovaTable& table, int row);

// The user's answer read as a df: its numeric value, rounded half to even. Empty when the
// answer is blank (the adjustment ends). Values beyond a 16-bit integer give `tooLarge`.
struct DfAnswer {
    std::optional<int> df;
    bool tooLarge = false;
};
DfAnswer readDfAnswer(const std::string& answer);

// What to do with a proposed df.
enum class DfVerdict { Refuse, Ask, Apply };
struct DfCheck {
    DfVerdict verdict = DfVerdict::Apply;
    Message message;  // for Refuse and Ask
};
DfCheck checkProposedDf(int currentDf, int proposedDf);
// The refusal of a df of 0 or below.
Message impossibleDf(int proposedDf);

// Writes `newDf` into error row `errorRow` (1-based) of `table`: its MS = SS / newDf, F and p of
// every row the error serves (the rows with an F between the previous error row and this one)
// recomputed, and the "Total" df (when the table has that row) reduced by the change. The table is left as it was and false
// returned when the user abandons at a probability warning.
bool applyErrorDf(AnovaTable& table, const Design& design, int errorRow, int newDf, Prompts& prompts,
                  const ProbabilityContext& context);

// The whole adjustment, as a click on `row` starts it: the checks, the input box and the
// questions through `dialogs`. True when the table was changed.
bool adjustErrorDf(AnovaTable& table, const Design& design, int row, Dialogs& dialogs,
                   const ProbabilityContext& context);

}  // namespace varisect
