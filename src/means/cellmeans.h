// SPDX-License-Identifier: GPL-3.0-or-later
// The rules of the "Cell Means" window: which pair is on show and how it is laid out, the
// panels for a third factor, the end-of-set messages, and the texts for the clipboard and the
// printer. The window shows `grid()` and the texts and messages returned here.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "engine/design.h"
#include "engine/prompts.h"
#include "means/pairmeans.h"
#include "means/pairselector.h"

namespace varisect {

inline constexpr const char* kCellMeansTitle = "Cell Means";
inline constexpr const char* kCellSizesTitle = "Cell Sizes";
inline constexpr const char* kUnweightedTitlePrefix = "Unweighted ** ";
inline constexpr const char* kMarginalHeader = "Marginal";
inline constexpr const char* kWeightedHeader = "Weighted";
inline constexpr const char* kCountsTitle = "Number of scores (n) in each cell";
inline constexpr const char* kCountsTotalHeader = "Total";

inline constexpr const char* kNextSetCaption = "&Next set";
inline constexpr const char* kShowPanelsCaption = "Show &Panels for third factor";
inline constexpr const char* kNextLevelCaption = "Next &Level";
inline constexpr const char* kShowSimpleTableCaption = "Show Simple &Table";
inline constexpr const char* kReturnToGridCaption = "&Return to Grid";
inline constexpr const char* kPrintCellMeansCaption = "&Print Cell Means";
inline constexpr const char* kPrinterSetupCaption = "P&rinter Setup...";
inline constexpr const char* kExitCaption = "E&xit Alt + F4";
inline constexpr const char* kCopyMeansCaption = "&Copy Means to Clipboard";

inline constexpr const char* kPanelsWindowTitle = "Choose a Factor for Individual Panels";
inline constexpr const char* kPanelsFrameCaption = "Select Third Factor";
inline constexpr const char* kPanelsOkCaption = "OK";
inline constexpr const char* kPanelsCancelCaption = "&Cancel";

// Means mode (from the grid) or simple-effects mode (from the Anova design window).
enum class CellMeansMode { Means, SimpleEffects };

// The window title: "Cell Means", or "Cell Sizes" while an unequal-cell-size analysis shows its
// cell sizes; prefixed with "Unweighted ** " in the unweighted-means analysis.
std::string cellMeansTitle(bool cellSizes = false, bool unweightedMeans = false);

// The pair as shown: the first factor in the columns, unless it has more than 4 levels and more
// levels than the second, when the two change places.
struct ShownPair {
    int columnFactor = 0;  // a, 1-based
    int rowFactor = 0;     // b
    bool transposed = false;
};
ShownPair showPair(const Design& design, FactorPair pair);

// The cell means of an analysis of unequal cell sizes: the number of scores behind each value,
// one per value in the order of the scores, and whether the analysis's F-tests compare margins
// weighted by those numbers (proportional cell sizes, unequal group sizes) rather than the
// means of the cell means (unweighted means).
struct CellWeights {
    std::vector<long> counts;
    bool weightedMargins = false;
    // The cell means at full precision for the weighted margins (empty: the scores shown).
    std::vector<double> means;
};

// The lines under a table of unequal cells that say which margin is which.
std::vector<std::string> marginNotes(bool weightedMargins);

// One table as the window shows it.
struct MeansGrid {
    ShownPair shown;
    int panelFactor = 0;   // 0 when the whole data set is shown
    int panelLevel = 0;
    MeansTable means;      // PairMeans or PanelMeans of (columnFactor, rowFactor)
    std::string columnTitle;  // the column factor's name, shown above the grid
    std::string heading;      // panel mode: "For " + name + level ("For Time 2"); else empty
    // cells[0]: the row factor's name in the corner, the column headers (level labels or level
    // numbers) and "Marginal". cells[1 .. Lb]: row header, the means, the row's marginal mean.
    // Last row: "Marginal", the column means and the grand mean. Means as `meanText` writes them.
    // With weighted margins a column "Weighted" follows "Marginal" (the weighted row means, blank
    // in the "Marginal" row) and a last row "Weighted" (the weighted column means, a blank, the
    // weighted grand mean).
    std::vector<std::vector<std::string>> cells;
    // Unequal cells only (else empty): the number of scores of every cell, laid out as `cells`
    // with "Total" in place of "Marginal", and marginNotes.
    std::optional<WeightedMargins> weighted;
    std::vector<std::vector<std::string>> countCells;
    std::vector<std::string> notes;
};

// `levelHeader` is the factor's level label when labels are in use and the label is not empty,
// else the level number ("1").
std::string levelHeader(const Design& design, int factor, int level, bool useLevelLabels);

// The table of `pair` (panelFactor 0) or of one of its panels.
// `weights`: the scores are the cell means of unequal cells (see CellWeights).
MeansGrid buildMeansGrid(const Design& design, const Scores& scores, FactorPair pair, bool useLevelLabels,
                         int panelFactor = 0, int panelLevel = 0, const CellWeights* weights = nullptr);

// The clipboard text of a table: the panel heading, else the problem label (when not empty),
// and a line feed; the column factor's name and a line feed; then every grid row, each cell
// followed by one blank, ended by a line feed. Unequal cells: then kCountsTitle and the rows of
// the counts in the same way, and the notes, one per line.
std::string meansCopyText(const MeansGrid& grid, const std::string& problemLabel);

// The table part of the printed page, unwrapped: the problem label and the panel heading (when
// not empty), the column factor's name over the columns, and the grid in blank-padded columns
// (the first left-aligned, the others right-aligned, two blanks apart). Unequal cells: a blank
// line, kCountsTitle over the counts laid out the same way (countLines), and the notes.
std::vector<std::string> meansTableLines(const MeansGrid& grid, const std::string& problemLabel);
// The counts part alone (empty without counts): a blank line, kCountsTitle, the counts, a blank
// line and the notes.
std::vector<std::string> countLines(const MeansGrid& grid);

// The printed page as lines: "  Cell means, using " + "transformed data" or "raw data", a blank
// line, the problem label, the panel heading, the column factor's name over the columns, and the
// grid in blank-padded columns. Lines longer than `width` characters (`width` < 1: no limit) are
// wrapped at blanks, or cut at `width` where a word is longer than a line; nothing is lost.
std::vector<std::string> meansPrintLines(const MeansGrid& grid, bool transformed, const std::string& problemLabel,
                                         int width);

// The heading of the printed page.
std::string cellMeansPrintHeading(bool transformed);

// Splits `text` at carriage returns and line feeds, then wraps every line at blanks so that no
// line is longer than `width` characters; a word longer than `width` is cut. `width` < 1: only
// the split.
std::vector<std::string> wrapLines(const std::string& text, int width);

// The state of the open window: the pair list walked forward with "&Next set", and the panels.
class CellMeansBrowser {
public:
    // `pairs` as the pair selector returned them (not empty; throws std::invalid_argument otherwise).
    // `weights`: the scores are the cell means of unequal cells.
    CellMeansBrowser(Design design, Scores scores, std::vector<FactorPair> pairs, CellMeansMode mode,
                     bool useLevelLabels, std::optional<CellWeights> weights = std::nullopt);

    CellMeansMode mode() const { return mode_; }
    const MeansGrid& grid() const { return grid_; }
    int pairNumber() const { return index_ + 1; }  // 1-based
    int pairCount() const { return static_cast<int>(pairs_.size()); }
    bool simpleTableButtonShown() const { return mode_ == CellMeansMode::SimpleEffects; }

    // "&Next set": the next pair (panels end), or, after the last pair, the message
    // "The requested set of cell means has been shown." ("Cell Means") or "The requested set of
    // simple effects has been shown." ("Simple Effects"); the table then stays as it is.
    std::optional<Message> nextSet();

    // The panels button: its caption, and the factors the panel window offers (the substantive
    // factors that are not in the pair; empty: the button has nothing to offer).
    std::string panelsButtonCaption() const { return panelsShown() ? kNextLevelCaption : kShowPanelsCaption; }
    bool panelsShown() const { return grid_.panelFactor != 0; }
    std::vector<int> panelFactorChoices() const;
    std::vector<std::string> panelFactorNames() const;
    // The prompt of the panel window: "... for Panels showing " + a + " and " + b + ":".
    std::string panelPrompt() const;

    // OK in the panel window with a factor from `panelFactorChoices()`: level 1 of it is shown.
    // Throws std::invalid_argument for any other factor.
    void showPanels(int factor);
    // "Next &Level": the next level; after the last one the whole pair is shown again.
    void nextLevel();

    // Every grid the window can show, from the first pair to the last: each pair whole, then its
    // panels for each factor the panel window offers, level by level. The browser stays as it is.
    std::vector<MeansGrid> everyGrid() const;

    std::string copyText(const std::string& problemLabel) const { return meansCopyText(grid_, problemLabel); }
    std::vector<std::string> printLines(bool transformed, const std::string& problemLabel, int width) const
    {
        return meansPrintLines(grid_, transformed, problemLabel, width);
    }

private:
    void show(int panelFactor, int panelLevel);

    Design design_;
    Scores scores_;
    std::vector<FactorPair> pairs_;
    CellMeansMode mode_;
    bool useLevelLabels_;
    std::optional<CellWeights> weights_;
    int index_ = 0;
    MeansGrid grid_;
};

}  // namespace varisect
