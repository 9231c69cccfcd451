// SPDX-License-Identifier: GPL-3.0-or-later
// The rules of the Anova design window, without any widgets: which
// choices the window shows, what each choice does to the design, when its main button may be
// pressed and what it reads, and the texts of its two explanation windows.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "engine/design.h"
#include "engine/prompts.h"

namespace varisect {

struct DesignState;
struct ModeFlags;

inline constexpr const char* kAnovaDesignTitle = "Design Specification";
inline constexpr const char* kNestingWindowTitle = "Select the Nesting Relationship(s)";
inline constexpr const char* kDesignOptionsTitle = "Design Options";
inline constexpr const char* kNestingExplanationTitle = "Nesting Explanation";
inline constexpr const char* kAnovaTypeFrameCaption = "Select Anova Type:";

// What the main button does under its current caption.
enum class MainAction { PrepareTable, SetUpComparisons, SetUpTrendTests, SetUpPostHoc, EnterCellSizes, EnterGroupSizes,
                        EnterLabels };

// The specific comparisons asked for: the main window's "Specific &Comparisons" menu, which the
// Anova design window can change in place.
enum class SpecificComparisons { None, TrendTests, PlannedComparisons, PostHoc };

// The designation frame's caption for a type; empty for "No F-ratios", whose frame is hidden.
std::string designationCaption(AnovaType type);

// The choices of the window, applied to the shared state. Every function keeps the rules of
// the window in one place so that the window itself only mirrors them.
class AnovaDesignChoices {
public:
    AnovaDesignChoices(DesignState& design, ModeFlags& mode) : design_(design), mode_(mode) {}

    // Unequal group sizes: a repeated-measures design whose structure is always nested.
    bool unequalGroupSizes() const;

    void chooseType(AnovaType type);
    // `factor` is 1-based; out of range is ignored.
    void designate(int factor);
    void chooseNested(bool nested);
    // The nesting window was opened: names reduced to initials, the earlier pairs forgotten.
    void nestingOpened();
    // The nesting window closed with a valid choice (the closed list of closeNesting).
    void nestingAccepted(const std::vector<NestRelation>& matrix);
    // The nesting window was cancelled: back to a fully crossed structure (the unequal group
    // sizes design stays nested, waiting for its nesting).
    void nestingCancelled();

    // The specific comparisons can be changed here, without a new problem: not in the
    // unequal-cell-size modes, which have none.
    bool comparisonsOffered() const;
    SpecificComparisons comparisons() const;
    // Trend tests and planned comparisons exclude each other; the design, the data and the other
    // choices of the window stay, and the main button's caption follows.
    void chooseComparisons(SpecificComparisons choice);

    bool mainEnabled() const;
    bool designationVisible() const;
    bool nestingButtonVisible() const;
    MainAction mainAction() const;
    std::string mainCaption() const;
    // "&Return to Grid", or "&Restart" in the unequal-cell-size modes.
    std::string returnCaption() const;
    // Level labels were entered (or given up) for an unequal-cell-size design: the main button
    // goes on to the cell sizes.
    void labelsDone() { labelsDone_ = true; }

private:
    DesignState& design_;
    ModeFlags& mode_;
    bool labelsDone_ = false;
};

// One line of the nesting window.
struct NestingLine {
    NestRelation pair;
    std::string text;  // "A nested under B"
};

// One line per ordered pair of distinct factors, by the factors' table labels: for every
// factor in turn, that factor nested under each of the others.
std::vector<NestingLine> nestingLines(const Design& design);

// Reads a line back: the text before " nested" and the text after " nested under ". Empty
// labels (0) when the line does not have that form.
NestRelation parseNestingLine(const std::string& line);

// The explanation texts, paragraph by paragraph.
const std::vector<std::string>& designOptionsParagraphs();
const std::vector<std::string>& nestingExplanationParagraphs();
// The paragraphs as one text, separated by an empty line: what the clipboard receives.
std::string explanationText(const std::vector<std::string>& paragraphs);

}  // namespace varisect
