// SPDX-License-Identifier: GPL-3.0-or-later
// The unequal-cell-size work from a design to its tables, the same for the "Unequal Cell Sizes"
// window, the recent-file list and varisect-cli: which analysis the session's choices mean, what
// each analysis is called, reading and checking an unequal-N data file, running an analysis on
// accepted sizes and scores, and the stages the window walks through:
//
//   Sizes          the cell (group) sizes are typed and checked ("Cell Sizes &OK")
//   AttritionDone  the attrition table was made; the scores of the unweighted means come next
//   Scores         the scores are typed and checked ("Data &OK"), then analysed ("Anova Ta&ble")
//
// The test for random attrition is pending (still to come) from the start in the attrition test
// and, when it was not skipped, in the unweighted-means analysis; entering the scores ends it.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "data/datafile.h"
#include "engine/anovatable.h"
#include "engine/design.h"
#include "engine/prompts.h"
#include "means/cellmeans.h"
#include "means/simpleeffects.h"
#include "unequal/cellsizes.h"

namespace varisect {

struct ModeFlags;

// ---- The modes ----

struct UnequalModeInfo {
    UnequalAnalysisMode mode;
    const char* name;              // the value of varisect-cli's --mode
    UnequalAnalysis fileKind;      // the unequal-N layout its files have
    const char* titlePrefix;       // the start of its table's title
    const char* enterDataCaption;  // the Anova button that leads to its scores
};

const UnequalModeInfo& unequalModeInfo(UnequalAnalysisMode mode);
// By --mode value, in any case; nothing for another word.
std::optional<UnequalAnalysisMode> unequalModeNamed(const std::string& name);
// The analysis the main window's menu choices mean for `design` (the unequal group sizes
// analysis is the two-substantive-factor choice of a nested design); nothing: the ordinary one.
std::optional<UnequalAnalysisMode> unequalModeOf(const ModeFlags& flags, const Design& design);

// What keeps `design` from being worked on in `mode` ("No DesignatedFactor!", a group-sizes
// design whose subjects are not nested under one of two other factors, a proportional design
// without exactly two substantive factors), or nothing.
std::optional<Message> unequalDesignProblem(const Design& design, UnequalAnalysisMode mode);

// The rows of the entry grid: a level column per name in `columns`, one list of levels per row,
// and the heading of the entry column.
struct EntryRows {
    std::vector<std::string> columns;
    std::vector<std::vector<int>> levels;
    std::string heading;
};

// ---- Unequal-N data files ----

// A file read and checked for a design and mode.
struct UnequalFile {
    // The design with the file's roles; the designated factor's levels raised to the file's
    // largest cell when that is larger than planned.
    Design design;
    DataLayout layout;               // as read
    std::vector<long> sizes;         // the file's sizes as "Cell Sizes &OK" accepts them
    std::vector<std::string> texts;  // the scores as written, imputed marks removed
    std::vector<bool> imputed;
    Scores scores;
    int imputedCount = 0;
};

struct UnequalFileProblem {
    Message message;      // what a window shows
    std::string detail;   // for the command line: the file (and line) and what is wrong there
    bool detailSaysAll = false;  // the detail is a complete account; the message is the window's general one
};

struct UnequalFileRead {
    std::optional<UnequalFile> file;
    std::optional<UnequalFileProblem> problem;
    bool ok() const { return file.has_value(); }
};

// Whether the roles the file's header gives the factors (the designated factor; for unequal
// group sizes the grouping and crossed factors) are taken into the design or must be those of
// the design already.
enum class FileRoles { Adopt, MustMatch };

// Reads the unequal-N file at `path` for `mode` and checks it against `design`: its header
// (cells, factor numbers, roles), its number of scores and its sizes (as "Cell Sizes &OK"
// checks them, after the planned scores per cell have been raised to the largest cell).
// Adopting roles also sets the analysis type of the mode and, for unequal group sizes, the
// nesting of the subjects under the grouping factor.
UnequalFileRead readUnequalFile(const std::string& path, const Design& design, UnequalAnalysisMode mode, FileRoles roles);
// The same checks on an unequal-N layout already in memory (an imported table's), `path` naming
// where it came from in the messages.
UnequalFileRead unequalFileFromLayout(DataLayout layout, const Design& design, UnequalAnalysisMode mode, FileRoles roles,
                                      const std::string& path);

// ---- Running an analysis ----

// What "Show &Graph" plots: the cell means of the last analysis, the cell sizes (before any
// scores are entered), or the cell means of the last unweighted-means analysis.
enum class GraphValues { CellMeans, CellSizes, UnweightedMeans };

struct UnequalRun {
    // Empty when a size was refused (see refusal) or the user abandoned the analysis at one of
    // the engine's questions (told through the prompts).
    std::optional<AnovaTable> table;
    std::optional<Message> refusal;
    Design tableDesign;        // the design the table belongs to, as the table window shows it
    std::string titlePrefix;   // unequalModeInfo(mode).titlePrefix, or "Simple Effects "
    bool unweightedMeans = false;  // the table's SS column holds the raw sums of the cell means
    bool attritionSignificant = false;
    double harmonicMeanCellSize = 0;  // unweighted means
    // For "Show &Means" and "Show &Graph": the design without the replicates (subjects) factor
    // and one mean per cell; empty for the attrition test.
    Design cellDesign;
    Scores cellMeans;
    // The number of scores behind each cell mean, and whether the F-tests compare the margins
    // weighted by them (proportional cell sizes, unequal group sizes) or the plain ones.
    std::vector<long> cellCounts;
    bool weightedMargins = false;
    std::vector<double> exactCellMeans;  // cellMeans at full precision
    GraphValues graphValues = GraphValues::CellMeans;
};

// The data of a table whose analysis has simple effects (unweighted means, proportional cell
// sizes, unequal group sizes), kept for "Simple Effe&cts".
struct UnequalTableData {
    UnequalAnalysisMode mode = UnequalAnalysisMode::UnweightedMeans;
    Design design;               // the full design
    std::vector<long> sizes;
    Scores scores;
    std::vector<bool> imputed;

    // The simple effects of the pair (1-based factors of the design without the replicates or
    // subjects factor; see unequalSimpleEffects).
    SimpleEffectsOutcome simpleEffects(int columnFactor, int rowFactor, Prompts& prompts, bool exactP) const;
    // The design the simple-effects table belongs to, as its legend names it.
    Design tableDesign() const;
};

// The analysis of `mode` on the full design, accepted sizes and scores (`imputed`: the imputed
// marks of the scores, empty for none; only the unequal group sizes analysis uses them). The
// attrition test needs no scores.
UnequalRun runUnequalAnalysis(UnequalAnalysisMode mode, const Design& design, const std::vector<long>& sizes,
                              const Scores& scores, const std::vector<bool>& imputed, Prompts& prompts,
                              bool exactP);

// The cell means of the last table, for the "Cell Means" window.
struct UnequalMeansView {
    Design design;  // the design without the replicates or subjects factor
    Scores means;   // one per cell of that design
    CellWeights weights;
    bool unweightedMeans = false;  // the window's title says so
    // The data of the table, for its simple effects (set for "Simple Effe&cts").
    std::optional<UnequalTableData> table;
};

// ---- The stages ----

class UnequalWorkflow {
public:
    enum class Stage { Sizes, AttritionDone, Scores };
    // What the Anova button does next.
    enum class Step { AttritionTest, EnterScores, Analysis };

    // `design` must have passed unequalDesignProblem for `mode`; `attritionFirst`: the
    // unweighted-means analysis starts with the test for random attrition (the attrition test
    // always does, the other analyses never).
    UnequalWorkflow(const Design& design, UnequalAnalysisMode mode, bool attritionFirst);

    UnequalAnalysisMode mode() const { return mode_; }
    Stage stage() const { return stage_; }
    // The full design: the designated factor's levels are the planned scores per cell.
    const Design& design() const { return design_; }
    // The roles of an unequal-group-sizes design; nothing in the other modes.
    const std::optional<GroupRoles>& roles() const { return roles_; }
    bool attritionPending() const { return attritionPending_; }
    bool attritionSignificant() const { return attritionSignificant_; }
    int plannedScoresPerCell() const;
    // The sizes accepted by the last check (or file), and their entries as typed.
    const std::vector<long>& sizes() const { return sizes_; }
    const std::vector<std::string>& sizeTexts() const { return sizeTexts_; }
    // The sizes of the Sizes stage are checked and unchanged since: the Anova button is open.
    bool sizesChecked() const { return sizesChecked_; }
    Step nextStep() const;

    // The captions of the two buttons and the instruction above the grid; `dataFile`: the file
    // the scores came from (empty: typed), `problemLabel` the design's.
    const char* okCaption() const;
    const char* nextCaption() const;
    std::string instruction(const std::string& problemLabel, const std::string& dataFile) const;
    // The rows of the grid in this stage: one per cell (group), or one per score.
    EntryRows entryRows() const;

    // "Cell Sizes &OK" / "Group Sizes &OK": the entries of the grid checked; accepted, they are
    // the sizes from now on.
    CellSizeCheck checkSizes(const std::vector<std::string>& entries);
    // The entries of the Sizes or AttritionDone stage were edited: they are checked again, and
    // an attrition table made from the old sizes no longer belongs to them (back to Sizes).
    void sizesEdited();
    // "&Planned Scores Per Cell..." answered with `answer`: a blank answer keeps the number; a
    // number out of range is refused with the message. Only in the Sizes stage.
    std::optional<Message> setPlannedScoresPerCell(const std::string& answer);
    // The bounds of the planned scores per cell: 2 to the scores the program holds per cell.
    int mostPlannedScoresPerCell() const;

    // "&Attrition Anova Table" on the checked sizes; the unweighted-means analysis then waits
    // for its scores (AttritionDone).
    UnequalRun runAttrition(Prompts& prompts);
    // Entering the scores after a significant attrition test asks first.
    bool asksBeforeScores() const { return attritionSignificant_; }
    // The data stage begins: the test for random attrition is no longer pending.
    void enterScores();
    // "Data &OK" accepted scores with these imputed marks.
    void scoresAccepted(std::vector<bool> imputed) { imputed_ = std::move(imputed); }
    // "Anova Ta&ble" on the accepted scores.
    UnequalRun runAnalysis(const Scores& scores, Prompts& prompts, bool exactP);
    // "Simple Effe&cts" after a table of an analysis that has them: from the scores of that table.
    bool hasSimpleEffects() const { return lastTable_.has_value(); }
    const std::optional<UnequalTableData>& lastTable() const { return lastTable_; }
    // The scores in use changed (transformed, screened): tables made before no longer belong.
    void scoresChanged() { lastTable_.reset(); }

    // A file read for this workflow (FileRoles::MustMatch with its design): its design, sizes
    // and scores are taken. The attrition test takes only the sizes and waits at "Cell Sizes
    // &OK"; the other analyses go to the Scores stage with the file's scores accepted.
    void adoptFile(const UnequalFile& file);

private:
    Design design_;
    UnequalAnalysisMode mode_;
    bool attritionFirst_;
    std::optional<GroupRoles> roles_;
    Stage stage_ = Stage::Sizes;
    bool attritionPending_ = false;
    bool attritionSignificant_ = false;
    bool sizesChecked_ = false;
    std::vector<long> sizes_;
    std::vector<std::string> sizeTexts_;
    std::vector<bool> imputed_;
    std::optional<UnequalTableData> lastTable_;
};

}  // namespace varisect
