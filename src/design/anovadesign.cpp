// SPDX-License-Identifier: GPL-3.0-or-later
#include "design/anovadesign.h"

#include "session/session.h"

namespace varisect {

std::string designationCaption(AnovaType type)
{
    switch (type) {
    case AnovaType::IndependentGroups:
        return "Designate the Replicates Factor:";
    case AnovaType::RepeatedMeasures:
        return "Designate the Subjects Factor:";
    case AnovaType::NoFRatios:
        break;
    }
    return {};
}

bool AnovaDesignChoices::unequalGroupSizes() const
{
    // The main window marks this mode as a two-factor unequal design that is nested.
    return mode_.twoFactorUnequal && design_.design.nested;
}

void AnovaDesignChoices::chooseType(AnovaType type)
{
    Design& d = design_.design;
    d.anovaType = type;
    design_.anovaTypeChosen = true;
    d.designatedFactor = 0;
    if (type == AnovaType::NoFRatios && d.nested && !unequalGroupSizes()) {
        d.nested = false;
        d.nestingMatrix.clear();
        design_.nestingSpecified = false;
    }
}

void AnovaDesignChoices::designate(int factor)
{
    Design& d = design_.design;
    if (d.anovaType == AnovaType::NoFRatios || factor < 1 || factor > d.factorCount())
        return;
    d.designatedFactor = factor;
}

void AnovaDesignChoices::chooseNested(bool nested)
{
    Design& d = design_.design;
    if (!nested) {
        if (unequalGroupSizes())
            return;
        d.nested = false;
        d.nestingMatrix.clear();
        design_.nestingSpecified = false;
        return;
    }
    if (d.nested && design_.nestingSpecified)
        return;  // the same choice again keeps the nesting already given
    d.nested = true;
    d.nestingMatrix.clear();
    design_.nestingSpecified = false;
}

void AnovaDesignChoices::nestingOpened()
{
    setTableLabelsFromNames(design_.design);
    design_.design.nestingMatrix.clear();
    design_.nestingSpecified = false;
}

void AnovaDesignChoices::nestingAccepted(const std::vector<NestRelation>& matrix)
{
    design_.design.nested = true;
    design_.design.nestingMatrix = matrix;
    design_.nestingSpecified = true;
}

void AnovaDesignChoices::nestingCancelled()
{
    design_.design.nestingMatrix.clear();
    design_.nestingSpecified = false;
    if (!unequalGroupSizes())
        design_.design.nested = false;
}

bool AnovaDesignChoices::comparisonsOffered() const
{
    return !mode_.unequalCellMode();
}

SpecificComparisons AnovaDesignChoices::comparisons() const
{
    if (mode_.plannedComparisons)
        return SpecificComparisons::PlannedComparisons;
    if (mode_.trendTests)
        return SpecificComparisons::TrendTests;
    if (mode_.postHocComparisons)
        return SpecificComparisons::PostHoc;
    return SpecificComparisons::None;
}

void AnovaDesignChoices::chooseComparisons(SpecificComparisons choice)
{
    if (!comparisonsOffered())
        return;
    mode_.trendTests = choice == SpecificComparisons::TrendTests;
    mode_.plannedComparisons = choice == SpecificComparisons::PlannedComparisons;
    mode_.postHocComparisons = choice == SpecificComparisons::PostHoc;
}

bool AnovaDesignChoices::mainEnabled() const
{
    const Design& d = design_.design;
    if (!design_.anovaTypeChosen)
        return false;
    if (d.anovaType == AnovaType::NoFRatios)
        return true;
    return d.designatedFactor >= 1 && d.designatedFactor <= d.factorCount() && (!d.nested || design_.nestingSpecified);
}

bool AnovaDesignChoices::designationVisible() const
{
    return design_.anovaTypeChosen && design_.design.anovaType != AnovaType::NoFRatios;
}

bool AnovaDesignChoices::nestingButtonVisible() const
{
    return design_.design.nested;
}

MainAction AnovaDesignChoices::mainAction() const
{
    const ModeFlags& m = mode_;
    if (m.unequalCellMode()) {
        if (design_.labelsInUse && !labelsDone_)
            return MainAction::EnterLabels;
        return unequalGroupSizes() ? MainAction::EnterGroupSizes : MainAction::EnterCellSizes;
    }
    if (m.plannedComparisons)
        return MainAction::SetUpComparisons;
    if (m.trendTests)
        return MainAction::SetUpTrendTests;
    if (m.postHocComparisons)
        return MainAction::SetUpPostHoc;
    return MainAction::PrepareTable;
}

std::string AnovaDesignChoices::mainCaption() const
{
    switch (mainAction()) {
    case MainAction::PrepareTable:
        return "&Prepare Table";
    case MainAction::SetUpComparisons:
        return "Set up &Comparisons";
    case MainAction::SetUpTrendTests:
        return "Set up &Trend Tests";
    case MainAction::SetUpPostHoc:
        return "Set up &Post Hoc Comparisons";
    case MainAction::EnterCellSizes:
        return "&Enter Cell n's";
    case MainAction::EnterGroupSizes:
        return "&Enter Group Sizes";
    case MainAction::EnterLabels:
        return "Enter &Labels for Levels...";
    }
    return {};
}

std::string AnovaDesignChoices::returnCaption() const
{
    return mode_.unequalCellMode() ? "&Restart" : "&Return to Grid";
}

std::vector<NestingLine> nestingLines(const Design& design)
{
    std::vector<NestingLine> lines;
    for (const Factor& x : design.factors)
        for (const Factor& y : design.factors) {
            if (&x == &y)
                continue;
            NestingLine line;
            line.pair = NestRelation{x.tableLabel, y.tableLabel};
            line.text = std::string(1, x.tableLabel) + " nested under " + std::string(1, y.tableLabel);
            lines.push_back(std::move(line));
        }
    return lines;
}

NestRelation parseNestingLine(const std::string& line)
{
    static const std::string kUnder = " nested under ";
    const auto at = line.find(kUnder);
    if (at == std::string::npos || at != 1 || line.size() != at + kUnder.size() + 1)
        return {};
    return NestRelation{line.front(), line.back()};
}

const std::vector<std::string>& designOptionsParagraphs()
{
    static const std::vector<std::string> paragraphs{
        "   The independent groups design is used when there are several scores per cell, with each score coming "
        "from a different subject.  Each subject serves in only one combination of the levels of the other "
        "factors, so the scores in one cell are independent of the scores in every other cell.",
        "  The number of scores per cell is referred to as the number of replicates.",
        "    If you specify an independent groups design, the program will test each source against a common error "
        "term, usually referred to as the within-cells term.",
        "  The scores within each cell are entered as the levels of a factor of their own.  You designate that "
        "factor as the 'replicates' factor by clicking its name in the frame that appears when you choose "
        "\"Independent groups\".  The program then pools the replicates factor and all of its interactions into "
        "the within-cells term.",
        "  Designating a factor as the 'replicates' factor does not change its name.  The factor keeps the name you "
        "gave it, and its first letter still labels the sources in the table.",
        "   The repeated-measures design is used when a subject serves in more than one condition.",
        "  The subjects are entered as a factor of their own, whose levels are the individual subjects.  In the "
        "repeated-measures design the subjects factor is crossed with all of the other factors: every subject "
        "contributes one score to every combination of the levels of the other factors.",
        "    If you specify a repeated-measures design, the program will test each source against its interaction "
        "with subjects.  The interaction of a source with the subjects factor appears in the table directly "
        "beneath that source.",
        "  You designate the subjects factor as the 'subjects' factor by clicking its name in the frame that "
        "appears when you choose \"Repeated-measures\".  As with the replicates factor, the designation does not "
        "change the factor's name.",
        "    If you specify neither independent groups nor repeated-measures, the program will not compute "
        "F-ratios.",
        "  This is an appropriate choice for a design in which you will manually pool certain sources.",
    };
    return paragraphs;
}

const std::vector<std::string>& nestingExplanationParagraphs()
{
    static const std::vector<std::string> paragraphs{
        "   Nesting is a hierarchical relationship between a pair of factors.  One factor is nested under another "
        "when each level of the nested factor is paired with only one level of the factor under which it is "
        "nested.  For example, in a repeated-measures design in which the subjects are classified by gender, "
        "each subject is either male or female: subjects are nested under gender.  Because no subject appears "
        "at more than one level of gender, the interaction of subjects and gender is not estimable.",
        "The program will handle complex nesting.  A factor may be nested under several factors at once, and "
        "nesting may be hierarchical: when one factor is nested under a second, and the second is nested under a "
        "third, the first is also nested under the third.  Complex nests generate pooled sources, which are "
        "marked in the table with a plus sign (+) after the primary source label.  You need only specify the "
        "pairwise nesting relations; the program will determine the implicit nests.",
    };
    return paragraphs;
}

std::string explanationText(const std::vector<std::string>& paragraphs)
{
    std::string text;
    for (const std::string& p : paragraphs) {
        if (!text.empty())
            text += "\n\n";
        text += p;
    }
    return text;
}

}  // namespace varisect
