// SPDX-License-Identifier: GPL-3.0-or-later
#include "analysis/analysisservice.h"

#include "engine/numbertext.h"
#include "engine/sources.h"

namespace varisect {

namespace {

bool isAsciiLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

char upper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

Message changeRequired(const std::string& text)
{
    return {"Change required!", text, MessageButtons::Ok, MessageIcon::Critical};
}

std::string quoted(const std::string& text)
{
    return "\"" + text + "\"";
}

// The design with its table labels taken from the names, unless that was done.
Design labelled(const Design& design)
{
    Design d = design;
    if (!d.labelsTruncated)
        setTableLabelsFromNames(d);
    return d;
}

std::optional<AnovaTable> runOn(const Design& labelled, const Scores& scores, Prompts& prompts,
                                const AnalysisOptions& options)
{
    const std::vector<PoolingGroup> groups =
        labelled.nested ? BuildPoolingGroups(labelled) : std::vector<PoolingGroup>{};
    return RunAnalysis(labelled, scores, groups, prompts, options);
}

}  // namespace

std::optional<std::string> commaRefusal(const std::string& text, const std::string& what)
{
    if (text.find(',') == std::string::npos)
        return std::nullopt;
    return "The " + what + " may not contain a comma, because the program stores names and labels "
           "separated by commas.  Please change " + quoted(text) + ".";
}

std::optional<Message> checkFactorCount(int count)
{
    if (count <= kMaxFactors)
        return std::nullopt;
    return Message{"Program Limitation", "Sorry, the program only accommodates 8 factors.", MessageButtons::Ok,
                   MessageIcon::Exclamation};
}

std::optional<Message> checkNameStart(const std::string& name)
{
    if (name.empty() || isAsciiLetter(name[0]))
        return std::nullopt;
    return changeRequired("The first character of the factor name must be a letter");
}

std::optional<DesignProblem> checkNamesGiven(const Design& design)
{
    for (int j = 1; j <= design.factorCount(); ++j)
        if (design.factor(j).name.empty())
            return DesignProblem{j, {"Error", "Please enter a name for Factor" + numberText(j), MessageButtons::Ok,
                                     MessageIcon::Exclamation}};
    return std::nullopt;
}

std::optional<DesignProblem> checkNameCommas(const Design& design)
{
    for (int j = 1; j <= design.factorCount(); ++j)
        if (auto comma = commaRefusal(design.factor(j).name, "factor name"))
            return DesignProblem{j, changeRequired(*comma)};
    return std::nullopt;
}

std::optional<DesignProblem> checkLevels(const Design& design)
{
    for (int j = 1; j <= design.factorCount(); ++j) {
        const int levels = design.factor(j).levels;
        if (levels < 2)
            return DesignProblem{
                j, {"Error",
                    "You have specified that factor" + numberText(j) + " has only" + numberText(levels) +
                        " levels.  There must be at least 2 levels in a factor.  Please re-enter the design "
                        "specifications.",
                    MessageButtons::Ok, MessageIcon::Exclamation}};
    }
    return std::nullopt;
}

std::optional<Message> checkScoreCount(const Design& design)
{
    // Formed in floating point: eight factors of many levels overflow a long.
    double n = 1;
    for (const Factor& f : design.factors)
        n *= f.levels;
    if (n <= static_cast<double>(kMaxScores))
        return std::nullopt;
    return Message{"Program Limitation!",
                   "You have specified" + numberText(n) + " scores, but the maximum allowed by the program is 16352 scores.",
                   MessageButtons::Ok, MessageIcon::None};
}

std::optional<DesignProblem> checkUniqueInitials(const Design& design)
{
    for (int i = 1; i <= design.factorCount(); ++i)
        for (int k = i + 1; k <= design.factorCount(); ++k) {
            const std::string& a = design.factor(i).name;
            const std::string& b = design.factor(k).name;
            if (!a.empty() && !b.empty() && upper(a[0]) == upper(b[0]))
                return DesignProblem{
                    i, changeRequired("The program requires the first letter of all factor names to be unique.  "
                                      "Please change the name of either " +
                                      a + " or " + b + ".")};
        }
    return std::nullopt;
}

std::optional<DesignProblem> validateDesign(const Design& design)
{
    if (auto m = checkFactorCount(design.factorCount()))
        return DesignProblem{0, *m};
    if (auto p = checkNamesGiven(design))
        return p;
    for (int j = 1; j <= design.factorCount(); ++j)
        if (auto m = checkNameStart(design.factor(j).name))
            return DesignProblem{j, *m};
    if (auto p = checkNameCommas(design))
        return p;
    if (auto p = checkLevels(design))
        return p;
    if (auto m = checkScoreCount(design))
        return DesignProblem{0, *m};
    return checkUniqueInitials(design);
}

std::optional<Message> scoresProblem(const Design& design, const Scores& scores)
{
    const long expected = design.scoreCount();
    if (design.factorCount() >= kMinFactors && static_cast<long>(scores.size()) == expected && expected > 0)
        return std::nullopt;
    Message m;
    m.title = "Data Not Ready!";
    m.text = "The design calls for " + std::to_string(expected) + " scores, but " + std::to_string(scores.size()) +
             " have been accepted.  Please return to the grid and press \"Data OK\" before preparing the table.";
    m.icon = MessageIcon::Critical;
    return m;
}

std::optional<AnovaTable> analyseDesign(const Design& design, const Scores& scores, Prompts& prompts,
                                        const AnalysisOptions& options)
{
    if (design.labelsTruncated)
        return runOn(design, scores, prompts, options);
    return runOn(labelled(design), scores, prompts, options);
}

ContrastAnalysis analyseWithContrasts(const Design& design, const Scores& scores,
                                      const std::vector<Contrast>& contrasts, Prompts& prompts,
                                      const AnalysisOptions& options, const ContrastOptions& contrastOptions)
{
    const Design d = labelled(design);
    ContrastAnalysis out;
    out.table = runOn(d, scores, prompts, options);
    if (!out.table)
        return out;
    ProbabilityContext context;
    context.quietZeroF = !options.askAboutZeroF;
    context.unequalCellMode = options.fromUnequalCellWindow;
    const ContrastInsertion inserted = insertContrastRows(*out.table, d, scores, contrasts, prompts, context, contrastOptions);
    if (inserted.refusal) {
        prompts.tell(*inserted.refusal);
        out.table.reset();
        out.contrastRefused = true;
    } else if (inserted.abandoned) {
        out.table.reset();
    } else {
        out.tests = inserted.tests;
    }
    return out;
}

}  // namespace varisect
