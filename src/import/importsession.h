// SPDX-License-Identifier: GPL-3.0-or-later
// What the "Import Data" window works on: the file and sheet read, the layout and its mapping
// (guessed, then as the user changes them), the proposal they make, and the names and labels
// the user edits before the design is handed on. The window shows this state and passes the
// user's choices in; every rule is here.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "import/importtable.h"
#include "import/layout.h"

namespace varisect {

// The design and scores the import hands on: the design with its type, designation and nesting,
// the scores in design order (or an unequal-N layout), and the full level labels per factor.
struct ImportedDesign {
    Design design;
    DataLayout data;
    std::vector<std::vector<std::string>> labels;
    std::string sourceName;
};

class ImportSession {
public:
    // Reads `path` (a workbook's `sheet`; empty: the first) and guesses its layout. On a file
    // that cannot be read the message says why and the session keeps what it held.
    std::optional<std::string> open(const std::filesystem::path& path, const std::string& sheet = {});
    bool hasTable() const { return table_.has_value(); }
    const ImportTable& table() const { return *table_; }
    const std::filesystem::path& path() const { return path_; }
    // The sheets of a workbook (empty for other files) and the one read.
    const std::vector<std::string>& sheets() const { return sheets_; }
    const std::string& sheet() const { return sheet_; }
    // The first `count` rows as a person reads them.
    std::vector<std::vector<std::string>> preview(long count) const;

    DataShape shape() const { return shape_; }
    const LongMapping& longMapping() const { return long_; }
    const WideMapping& wideMapping() const { return wide_; }
    bool dropIncomplete() const { return dropIncomplete_; }
    // Each change makes a new proposal.
    void setShape(DataShape shape);
    void setLongMapping(LongMapping mapping);
    // New cell columns take the factors their headers give (see splitCellHeaders), or one
    // factor "Condition" when they give none.
    void setWideMapping(WideMapping mapping);
    // The within-subject factors of the cell columns typed as "Drug=2, Time=3" (the first cycling
    // fastest through the columns), or taken from the headers again for an empty text. A text
    // that does not fit the cell columns is refused with the message; nothing changes then.
    std::optional<std::string> setWithinFactors(const std::string& text);
    // The within factors as setWithinFactors reads them back ("Drug=2, Time=3").
    std::string withinFactorsText() const;
    void setDropIncomplete(bool drop);

    const ImportProposal& proposal() const { return proposal_; }

    // The proposal with the factor names and level labels as the user edited them (one name per
    // factor; one label per level, the subjects or replicates factor's ignored): the design's
    // rules are checked, not applied silently, and the first rule broken is the message.
    struct Outcome {
        std::optional<ImportedDesign> design;
        std::optional<std::string> problem;
    };
    Outcome accept(const std::vector<std::string>& names, const std::vector<std::vector<std::string>>& labels) const;

private:
    void propose();

    std::filesystem::path path_;
    std::optional<ImportTable> table_;
    std::vector<std::string> sheets_;
    std::string sheet_;
    DataShape shape_ = DataShape::Long;
    LongMapping long_;
    WideMapping wide_;
    bool dropIncomplete_ = false;
    ImportProposal proposal_;
};

// The names and labels of `proposal` put into its design as edited (see ImportSession::accept).
ImportSession::Outcome applyImportEdits(const ImportProposal& proposal, const std::vector<std::string>& names,
                                        const std::vector<std::vector<std::string>>& labels,
                                        const std::string& sourceName);

}  // namespace varisect
