// SPDX-License-Identifier: GPL-3.0-or-later
// What the commands of varisect-cli share: the failure that ends a run, the prompts that answer
// the analysis's questions, the common options, the design and data they describe, and the
// table output formats. Internal to the command-line program.
#pragma once

#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "cli/cli.h"
#include "engine/anovatable.h"
#include "engine/design.h"
#include "engine/effectsize.h"
#include "engine/prompts.h"
#include "sphericity/sphericity.h"
#include "table/tabletext.h"

namespace varisect::clisupport {

inline const std::string kProgram = "varisect-cli";

// A problem that ends the run: `lines` go to the error stream, one per line.
struct CliFailure {
    int code = kExitBadInput;
    std::vector<std::string> lines;
};

// Throw a CliFailure with one line, "varisect-cli: " + line.
[[noreturn]] void fail(std::string line);
// One of the program's own messages, with an optional line that says where it comes from.
[[noreturn]] void failWith(const std::string& title, const std::string& text, const std::string& where = {});

// A message as one line of the error stream: "Title: text", line breaks shown as "\n".
std::string messageLine(const Message& m);
std::string shownLineBreaks(const std::string& text);
std::string inQuotes(std::string_view s);
std::string lowered(std::string_view s);

// Answers every question with Yes, shows every message on the error stream and keeps them.
class CliPrompts : public Prompts {
public:
    explicit CliPrompts(std::ostream& err) : err_(err) {}
    bool askYesNo(const Message& message) override
    {
        record(message);
        return true;
    }
    void tell(const Message& message) override { record(message); }

    std::vector<Message> messages;

private:
    void record(const Message& message)
    {
        messages.push_back(message);
        err_ << messageLine(message) << '\n';
    }
    std::ostream& err_;
};

// One --transform or --screen option, as given.
struct DataStep {
    bool screen = false;
    std::string value;
};

struct Arguments {
    std::string dataPath;
    bool haveDataPath = false;
    std::vector<std::string> factors;  // "NAME=LEVELS" as given
    std::optional<std::string> type;
    std::optional<std::string> designate;
    std::vector<std::string> nests;
    std::optional<std::string> effectSizes;
    std::optional<std::string> format;
    std::vector<std::string> pairs;    // "A,B" as given (means, simple-effects)
    std::optional<std::string> panels; // the third factor (means)
    std::optional<std::string> mode;   // an unequal-cell-size analysis (analyze)
    std::vector<DataStep> steps;       // --transform and --screen, in the order given
    std::vector<std::string> trends;     // "FACTOR" or "FACTOR=v1,v2,..." as given (analyze)
    std::vector<std::string> contrasts;  // "FACTOR=c1,c2,..." as given (analyze)
    bool sphericity = false;             // --sphericity (analyze, repeated measures)
    std::vector<std::string> posthoc;    // "FACTOR[@BY][:METHOD]" as given (analyze)
    std::optional<std::string> contrastError;  // --contrast-error separate|pooled (analyze)
    std::optional<std::string> adjust;         // --adjust none|holm|bonferroni (analyze)
    // Reading a researcher's table (see importcommands.h): the columns by name or "#N".
    std::optional<std::string> scoreColumn;     // --score (long)
    std::vector<std::string> factorColumns;     // --factor-column, each may list several (long)
    std::optional<std::string> subjectColumn;   // --subject (long and wide)
    std::vector<std::string> subjectGroups;     // --subjects-within: subjects numbered within these factors (long)
    std::vector<std::string> cellColumns;       // --cells (wide)
    std::vector<std::string> betweenColumns;    // --between (wide)
    std::vector<std::string> withinFactors;     // --within NAME=LEVELS (wide)
    std::optional<std::string> sheet;           // --sheet
    std::optional<std::string> separator;       // --separator
    bool dropIncomplete = false;                // --drop-incomplete
    std::optional<std::string> writeScores;     // --write-scores (export)
    std::optional<std::string> writeCsv;        // --write-csv (export)
    bool help = false;
};

// `args` with the command first.
Arguments parseArguments(const std::vector<std::string>& args);

// The arguments of a command that reads a data file: nothing after printing the usage to `out`
// (--help); a refusal when no data file is named.
std::optional<Arguments> dataCommandArguments(const std::vector<std::string>& args, std::ostream& out);
Design buildDesign(const std::vector<std::string>& factorArgs);
// A factor by its full name or its one-letter table label, either in any case. 1-based.
int resolveFactor(const Design& design, const std::string& ref, const std::string& where);
void applyNesting(Design& design, const std::vector<std::string>& nests);
// The type and the designated factor from --type and --designate, as analyze takes them.
void applyTypeAndDesignation(Design& design, const Arguments& a);
// The scores of the data file, checked against the design; the imputed count goes into `design`.
Scores readScores(Design& design, const std::string& path);

// The scores after every --transform and --screen step in order; a step that cannot be
// applied to the scores it meets ends the run with its message.
Scores applyDataSteps(Scores scores, const std::vector<DataStep>& steps, std::vector<std::string>* applied = nullptr);
// `notes` and, when steps were applied (their texts from applyDataSteps), the line naming them.
std::vector<std::string> notesWithSteps(std::vector<std::string> notes, const std::vector<std::string>& applied);

enum class Format { Text, Csv, Json };
Format parseFormat(const std::optional<std::string>& value);

// The three table outputs of the analysis and simple-effects commands.
std::string csvCell(const std::string& cell);
// The display rows, and a last "p_exact" column from `pExact` (see exactTails).
// With `sizes`, two more columns: ci_lower and ci_upper, the effect size's 90% interval.
std::string csvText(const std::vector<DisplayRow>& display, const std::vector<std::optional<double>>& pExact,
                    const EffectSizes* sizes = nullptr);
// The sphericity block of the csv form: its own header line, then one line per row.
std::string sphericityCsv(const SphericityReport& report);
// The exact upper tail of every F of the table (element r - 1 for row r), where the table
// records which row each F was formed against or the df of the row's own error.
std::vector<std::optional<double>> exactTails(const AnovaTable& table);
std::string jsonNumber(std::optional<double> value);
// With `sphericity`, a "sphericity" object (its rows and notes) follows the rows; `members` (each
// followed by a comma) come before the messages.
std::string jsonText(const AnovaTable& table, const std::optional<EffectSizes>& sizes,
                     const std::vector<Message>& messages, const SphericityReport* sphericity = nullptr,
                     const std::string& members = {});
std::string withUnixLineEndings(const std::string& text);

}  // namespace varisect::clisupport
