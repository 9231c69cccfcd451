// SPDX-License-Identifier: GPL-3.0-or-later
#include "table/tableedit.h"

#include <cmath>
#include <cstring>

#include "engine/anovatable.h"
#include "engine/design.h"
#include "engine/fprob.h"
#include "engine/numbertext.h"
#include "platform/dialogs.h"

namespace varisect {

namespace {

constexpr double kSmallestErrorMS = 1e-8;

std::string trimmed(const std::string& s)
{
    const auto first = s.find_first_not_of(' ');
    if (first == std::string::npos)
        return {};
    const auto last = s.find_last_not_of(' ');
    return s.substr(first, last - first + 1);
}

bool isBlank(const std::string& s)
{
    return s.find_first_not_of(' ') == std::string::npos;
}

char designatedLabel(const Design& design)
{
    if (design.designatedFactor < 1 || design.designatedFactor > design.factorCount())
        return 0;
    return design.factor(design.designatedFactor).tableLabel;
}

Message notPermitted(const std::string& text)
{
    return Message{kNotPermittedTitle, text, MessageButtons::Ok, MessageIcon::Critical};
}

int dfOf(const AnovaTable& table, int row)
{
    return static_cast<int>(std::lround(table.number(row, ColDf)));
}

}  // namespace

RenameKey renameKey(std::string& name, bool backspace, const std::string& typed)
{
    if (backspace) {
        if (name.empty())
            return RenameKey::Beep;
        name.pop_back();
        return RenameKey::Removed;
    }
    if (typed.size() != 1)
        return RenameKey::Ignored;
    const char c = typed[0];
    const bool letterOrDigit = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9');
    if (!letterOrDigit && std::strchr("@()+/:;|", c) == nullptr)
        return RenameKey::Ignored;
    name += c;
    return RenameKey::Appended;
}

bool isErrorTermName(const std::string& sourceName, char label)
{
    if (sourceName.find("Error") != std::string::npos)
        return true;
    if (label == 0)
        return false;
    return sourceName.find(std::string{label, 'x'}) != std::string::npos
        || sourceName.find(std::string{'x', label}) != std::string::npos;
}

std::optional<Message> adjustRefusal(const AnovaTable& table, const Design& design, int row)
{
    if (design.anovaType != AnovaType::RepeatedMeasures)
        return notPermitted("Adjustment of the df is permitted only for repeated measures designs.");
    if (row < 2 || row > table.rowCount() || !isErrorTermName(table.cell(row, ColSource), designatedLabel(design)))
        return notPermitted("The source you have selected is not an error term.  Changing the df is not permitted.");
    return std::nullopt;
}

std::string adjustPrompt(const AnovaTable& table, int row)
{
    return "The current error df for " + trimmed(table.cell(row, ColSource)) + " is "
        + std::to_string(dfOf(table, row)) + ".  Enter the adjusted error df you wish to use.";
}

DfAnswer readDfAnswer(const std::string& answer)
{
    DfAnswer out;
    if (isBlank(answer))
        return out;
    const double value = std::nearbyint(parseNumber(answer));
    if (!(value >= -32768 && value <= 32767)) {
        out.tooLarge = true;
        return out;
    }
    out.df = static_cast<int>(value);
    return out;
}

Message impossibleDf(int proposedDf)
{
    return Message{"Impossible Value!",
                   "      The adjustment you propose results in an error term with " + std::to_string(proposedDf)
                       + " df." + kMessageLineBreak
                       + (proposedDf == 0 ? "Zero df does not permit the construction of an F-ratio."
                                          : "Negative df are not permitted."),
                   MessageButtons::Ok, MessageIcon::Critical};
}

DfCheck checkProposedDf(int currentDf, int proposedDf)
{
    const std::string lineBreak = kMessageLineBreak;
    if (proposedDf == currentDf)
        return {DfVerdict::Refuse,
                Message{"Error?", "The value is unchanged.  That is probably not what you intended!",
                        MessageButtons::Ok, MessageIcon::Critical}};
    if (proposedDf > currentDf)
        return {DfVerdict::Ask,
                Message{"Error?",
                        "The error df has been increased.  That is highly unusual, as df are commonly subtracted "
                        "when scores have been imputed."
                            + lineBreak + "     Is it OK?",
                        MessageButtons::YesNo, MessageIcon::Question}};
    if (proposedDf <= 0)
        return {DfVerdict::Refuse, impossibleDf(proposedDf)};
    return {DfVerdict::Apply, {}};
}

bool applyErrorDf(AnovaTable& table, const Design& design, int errorRow, int newDf, Prompts& prompts,
                  const ProbabilityContext& context)
{
    // A simple-effects table ends with its last error row (lastRow), not with "Total".
    const bool hasTotal = table.lastRow < table.rowCount();
    const int lastSource = hasTotal ? table.rowCount() - 1 : table.rowCount();
    if (errorRow < 2 || errorRow > lastSource || newDf <= 0)
        return false;
    AnovaTable next = table;
    const int oldDf = dfOf(table, errorRow);
    const double errorMS = next.number(errorRow, ColSS) / newDf;
    next.setNumber(errorRow, ColDf, newDf);
    next.setNumber(errorRow, ColMS, errorMS);

    // The rows this error serves: back to the previous error row (or the first source row).
    const char label = designatedLabel(design);
    int first = 2;
    for (int r = errorRow - 1; r >= 2; --r)
        if (isErrorTermName(next.cell(r, ColSource), label)) {
            first = r + 1;
            break;
        }
    for (int r = first; r < errorRow; ++r) {
        if (isBlank(next.cell(r, ColF)))
            continue;  // the subjects row, or a row whose F could not be formed
        if (errorMS < kSmallestErrorMS) {
            next.cell(r, ColF).clear();
            next.cell(r, ColP).clear();
            continue;
        }
        double F = next.number(r, ColMS) / errorMS;
        bool abandoned = false;
        const double p = FRatioProbability(next.number(r, ColDf), newDf, F, prompts, context, abandoned);
        if (abandoned)
            return false;
        next.setNumber(r, ColF, F);
        next.setNumber(r, ColP, p);
    }

    if (hasTotal) {
        const int totalRow = next.rowCount();
        next.setNumber(totalRow, ColDf, dfOf(next, totalRow) - (oldDf - newDf));
    }
    table = std::move(next);
    return true;
}

bool adjustErrorDf(AnovaTable& table, const Design& design, int row, Dialogs& dialogs,
                   const ProbabilityContext& context)
{
    if (const auto refusal = adjustRefusal(table, design, row)) {
        dialogs.message(*refusal);
        return false;
    }
    const auto answer = dialogs.inputBox(kAdjustInputTitle, adjustPrompt(table, row));
    if (!answer)
        return false;
    const DfAnswer df = readDfAnswer(*answer);
    if (df.tooLarge) {
        dialogs.message(Message{"Overflow",
                                "The value " + trimmed(*answer) + " is too large for a df.  Nothing was changed.",
                                MessageButtons::Ok, MessageIcon::Critical});
        return false;
    }
    if (!df.df)
        return false;
    const DfCheck check = checkProposedDf(dfOf(table, row), *df.df);
    if (check.verdict == DfVerdict::Refuse) {
        dialogs.message(check.message);
        return false;
    }
    if (check.verdict == DfVerdict::Ask) {
        if (dialogs.message(check.message) != DialogAnswer::Yes)
            return false;
        if (*df.df <= 0) {  // only when the current df was not positive either
            dialogs.message(impossibleDf(*df.df));
            return false;
        }
    }
    DialogPrompts prompts(dialogs);
    return applyErrorDf(table, design, row, *df.df, prompts, context);
}

}  // namespace varisect
