// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/cli.h"
#include "cli/cliarguments.h"
#include "cli/importcommands.h"
#include "cli/meanscommands.h"
#include "cli/posthocoutput.h"
#include "cli/unequalcommands.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <exception>
#include <optional>
#include <utility>

#include "data/datafile.h"
#include "data/screen.h"
#include "data/transform.h"
#include "engine/analysis.h"
#include "engine/anovatable.h"
#include "engine/design.h"
#include "engine/effectsize.h"
#include "engine/fdistribution.h"
#include "engine/fprob.h"
#include "engine/numbertext.h"
#include "engine/prompts.h"
#include "engine/sources.h"
#include "contrasts/contrasts.h"
#include "design/nesting.h"
#include "analysis/analysisservice.h"
#include "table/tabletext.h"

namespace varisect {

namespace clisupport {

[[noreturn]] void fail(std::string line)
{
    throw CliFailure{kExitBadInput, {kProgram + ": " + std::move(line)}};
}

std::string shownLineBreaks(const std::string& text)
{
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        out += text[i];
        if (text[i] == '\n' && i + 1 < text.size() && text[i + 1] == '\r')
            ++i;
    }
    return out;
}

std::string messageLine(const Message& m) { return m.title + ": " + shownLineBreaks(m.text); }

[[noreturn]] void failWith(const std::string& title, const std::string& text, const std::string& where)
{
    CliFailure f;
    if (!where.empty())
        f.lines.push_back(kProgram + ": " + where);
    f.lines.push_back(messageLine(Message{title, text, MessageButtons::Ok, MessageIcon::None}));
    throw f;
}

std::string lowered(std::string_view s)
{
    std::string out(s);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return out;
}

char upperAscii(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

std::string inQuotes(std::string_view s) { return quotedForMessage(s, 60); }

void setOnce(std::optional<std::string>& slot, const std::string& option, const std::string& value)
{
    if (slot)
        fail("--" + option + " is given more than once.");
    slot = value;
}

Arguments parseArguments(const std::vector<std::string>& args)
{
    Arguments a;
    const std::vector<std::string> withValue = {"factor", "type",  "designate", "nest",      "effect-sizes", "format",
                                                "pair",   "panels", "mode",     "transform", "screen",
                                                "trend",  "contrast", "posthoc", "contrast-error", "adjust",
                                                "score", "factor-column", "subject", "subjects-within", "cells", "between", "within",
                                                "sheet", "separator", "write-scores", "write-csv"};
    for (std::size_t i = 1; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--help" || arg == "-h") {
            a.help = true;
            return a;
        }
        if (arg == "--drop-incomplete") {
            a.dropIncomplete = true;
            continue;
        }
        if (arg.starts_with("--")) {
            std::string name = arg.substr(2);
            std::optional<std::string> value;
            if (const auto eq = name.find('='); eq != std::string::npos) {
                value = name.substr(eq + 1);
                name.erase(eq);
            }
            if (name == "sphericity") {
                if (value)
                    fail("option --sphericity takes no value.");
                a.sphericity = true;
                continue;
            }
            if (std::find(withValue.begin(), withValue.end(), name) == withValue.end())
                fail("unknown option " + inQuotes(arg) + ".  Run " + kProgram + " --help for the usage.");
            if (!value) {
                if (i + 1 >= args.size() || args[i + 1].starts_with("--"))
                    fail("option --" + name + " needs a value.");
                value = args[++i];
            }
            if (name == "factor")
                a.factors.push_back(*value);
            else if (name == "nest")
                a.nests.push_back(*value);
            else if (name == "pair")
                a.pairs.push_back(*value);
            else if (name == "trend")
                a.trends.push_back(*value);
            else if (name == "contrast")
                a.contrasts.push_back(*value);
            else if (name == "posthoc")
                a.posthoc.push_back(*value);
            else if (name == "contrast-error")
                setOnce(a.contrastError, name, *value);
            else if (name == "adjust")
                setOnce(a.adjust, name, *value);
            else if (name == "transform" || name == "screen")
                a.steps.push_back({name == "screen", *value});
            else if (name == "panels")
                setOnce(a.panels, name, *value);
            else if (name == "type")
                setOnce(a.type, name, *value);
            else if (name == "designate")
                setOnce(a.designate, name, *value);
            else if (name == "effect-sizes")
                setOnce(a.effectSizes, name, *value);
            else if (name == "mode")
                setOnce(a.mode, name, *value);
            else if (name == "factor-column")
                a.factorColumns.push_back(*value);
            else if (name == "subjects-within")
                a.subjectGroups.push_back(*value);
            else if (name == "cells")
                a.cellColumns.push_back(*value);
            else if (name == "between")
                a.betweenColumns.push_back(*value);
            else if (name == "within")
                a.withinFactors.push_back(*value);
            else if (name == "score")
                setOnce(a.scoreColumn, name, *value);
            else if (name == "subject")
                setOnce(a.subjectColumn, name, *value);
            else if (name == "sheet")
                setOnce(a.sheet, name, *value);
            else if (name == "separator")
                setOnce(a.separator, name, *value);
            else if (name == "write-scores")
                setOnce(a.writeScores, name, *value);
            else if (name == "write-csv")
                setOnce(a.writeCsv, name, *value);
            else
                setOnce(a.format, name, *value);
        } else if (arg.size() > 1 && arg[0] == '-') {
            fail("unknown option " + inQuotes(arg) + ".  Run " + kProgram + " --help for the usage.");
        } else if (a.haveDataPath) {
            fail("unexpected argument " + inQuotes(arg) + ": only one data file can be analysed at a time.");
        } else {
            a.dataPath = arg;
            a.haveDataPath = true;
        }
    }
    return a;
}

bool hasControlCharacter(std::string_view s)
{
    for (const char c : s)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F)
            return true;
    return false;
}

// Levels as written: digits only, at most the score limit.
std::optional<int> parseLevels(std::string_view text)
{
    if (text.empty() || text.size() > 6)
        return std::nullopt;
    long value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9')
            return std::nullopt;
        value = value * 10 + (c - '0');
    }
    if (value > kMaxScores)
        return std::nullopt;
    return static_cast<int>(value);
}

Design buildDesign(const std::vector<std::string>& factorArgs)
{
    Design design;
    for (const std::string& given : factorArgs) {
        const std::string where = "--factor " + inQuotes(given);
        const auto eq = given.rfind('=');
        if (eq == std::string::npos)
            fail(where + ": write NAME=LEVELS, for example Drug=2.");
        Factor factor;
        factor.name = given.substr(0, eq);
        if (factor.name.find('=') != std::string::npos)
            fail(where + ": a factor name cannot contain \"=\".");
        if (hasControlCharacter(factor.name))
            fail(where + ": the factor name contains a control character.");
        const auto levels = parseLevels(std::string_view(given).substr(eq + 1));
        if (!levels)
            fail(where + ": the number of levels must be a whole number from 2 to " +
                 std::to_string(kMaxScores) + ".");
        factor.levels = *levels;
        design.factors.push_back(std::move(factor));
    }

    const int count = design.factorCount();
    if (count == 0)
        fail("no factors given: describe the design with --factor NAME=LEVELS, one for each factor "
             "(2 to 8).");
    if (count < kMinFactors)
        fail("a design needs at least 2 factors; only 1 is given.");
    if (const std::optional<DesignProblem> problem = validateDesign(design)) {
        std::string where;
        if (problem->factor == 0 && count > kMaxFactors)
            where = std::to_string(count) + " factors are given.";
        else if (problem->factor > 0)
            where = "--factor " + inQuotes(factorArgs[static_cast<std::size_t>(problem->factor - 1)]) + ":";
        failWith(problem->message.title, problem->message.text, where);
    }
    setTableLabelsFromNames(design);
    return design;
}

std::string factorList(const Design& design)
{
    std::string s;
    for (const Factor& f : design.factors)
        s += (s.empty() ? "" : ", ") + f.name;
    return s;
}

// A factor by its full name or its one-letter table label, either in any case. 1-based.
int resolveFactor(const Design& design, const std::string& ref, const std::string& where)
{
    if (ref.size() == 1) {
        if (const int k = design.factorIndexOfLabel(upperAscii(ref[0])); k > 0)
            return k;
    }
    for (int k = 1; k <= design.factorCount(); ++k)
        if (lowered(design.factor(k).name) == lowered(ref))
            return k;
    fail(where + ": there is no factor " + inQuotes(ref) + " in the design (factors: " +
         factorList(design) + ").");
}

void applyNesting(Design& design, const std::vector<std::string>& nests)
{
    if (nests.empty())
        return;
    std::vector<NestRelation> selected;
    for (const std::string& given : nests) {
        const std::string where = "--nest " + inQuotes(given);
        const auto colon = given.find(':');
        if (colon == std::string::npos || given.find(':', colon + 1) != std::string::npos)
            fail(where + ": write NESTED:OUTER, for example Subjects:Drug for Subjects nested under "
                         "Drug.");
        const int inner = resolveFactor(design, given.substr(0, colon), where);
        const int outer = resolveFactor(design, given.substr(colon + 1), where);
        selected.push_back({design.factor(inner).tableLabel, design.factor(outer).tableLabel});
    }
    const NestingOutcome outcome = closeNesting(tableLabelsOf(design), selected, false);
    if (!outcome.ok())
        failWith(outcome.error->title, outcome.error->text);
    design.nested = true;
    design.nestingMatrix = outcome.matrix;
}

Format parseFormat(const std::optional<std::string>& value)
{
    if (!value)
        return Format::Text;
    const std::string v = lowered(*value);
    if (v == "text")
        return Format::Text;
    if (v == "csv")
        return Format::Csv;
    if (v == "json")
        return Format::Json;
    fail("--format " + inQuotes(*value) + ": choose text, csv or json.");
}

AnovaType parseType(const std::optional<std::string>& value)
{
    if (!value)
        fail("--type is missing: choose independent, repeated or none.");
    const std::string v = lowered(*value);
    if (v == "independent")
        return AnovaType::IndependentGroups;
    if (v == "repeated")
        return AnovaType::RepeatedMeasures;
    if (v == "none")
        return AnovaType::NoFRatios;
    fail("--type " + inQuotes(*value) + ": choose independent, repeated or none.");
}

std::optional<EffectSizeKind> parseEffectSizes(const std::optional<std::string>& value)
{
    if (!value)
        return std::nullopt;
    const std::string v = lowered(*value);
    if (v == "hays")
        return EffectSizeKind::Hays;
    if (v == "partial")
        return EffectSizeKind::Partial;
    if (v == "eta")
        return EffectSizeKind::Eta;
    if (v == "partial-eta")
        return EffectSizeKind::PartialEta;
    if (v == "generalized-eta")
        return EffectSizeKind::GeneralizedEta;
    fail("--effect-sizes " + inQuotes(*value) + ": choose hays, partial, eta, partial-eta or generalized-eta.");
}

std::string trimmedCell(const std::string& s)
{
    const auto first = s.find_first_not_of(" \t");
    if (first == std::string::npos)
        return {};
    const auto last = s.find_last_not_of(" \t");
    return s.substr(first, last - first + 1);
}

std::string csvCell(const std::string& cell)
{
    if (cell.find_first_of(",\"\r\n") == std::string::npos)
        return cell;
    std::string out = "\"";
    for (const char c : cell) {
        if (c == '"')
            out += '"';
        out += c;
    }
    return out + "\"";
}

// A probability in full, for the p_exact column.
std::string exactNumber(std::optional<double> value)
{
    if (!value)
        return {};
    char buf[40];
    std::snprintf(buf, sizeof buf, "%.15g", *value);
    return buf;
}

// The display rows, then the exact p of each row (element r - 1 for table row r) as a last
// column, headed "p_exact" when the table has F-ratios.
std::string csvText(const std::vector<DisplayRow>& display, const std::vector<std::optional<double>>& pExact,
                    const EffectSizes* sizes)
{
    std::string out;
    for (std::size_t r = 0; r < display.size(); ++r) {
        const DisplayRow& row = display[r];
        for (std::size_t c = 0; c < row.size(); ++c) {
            if (c > 0)
                out += ',';
            // Source labels keep their blanks (error rows are indented); numbers do not need them.
            out += csvCell(c == 0 ? row[c] : trimmedCell(row[c]));
        }
        out += ',';
        if (r == 0)
            out += trimmedCell(row[ColP - 1]).empty() ? "" : "p_exact";
        else
            out += exactNumber(r < pExact.size() ? pExact[r] : std::nullopt);
        if (sizes) {
            if (r == 0)
                out += ",ci_lower,ci_upper";
            else
                out += ',' + exactNumber(r < sizes->ciLower.size() ? sizes->ciLower[r] : std::nullopt) + ',' +
                       exactNumber(r < sizes->ciUpper.size() ? sizes->ciUpper[r] : std::nullopt);
        }
        out += '\n';
    }
    return out;
}

std::string sphericityCsv(const SphericityReport& report)
{
    std::string out = "sphericity_source,effect_df,w,chi_square,test_df,p,gg_epsilon,hf_epsilon,gg_df1,gg_df2,gg_p,"
                      "hf_df1,hf_df2,hf_p,note\n";
    if (!report.unavailable.empty())
        return out + ",,,,,,,,,,,,,," + csvCell(report.unavailable) + '\n';
    for (const SphericityRow& row : report.rows) {
        const SphericityStatistics& st = row.statistics;
        out += csvCell(trimmedCell(row.source)) + ',' + std::to_string(st.contrastCount);
        for (const std::optional<double>& v : {st.w, st.chiSquare})
            out += ',' + exactNumber(v);
        out += ',' + (st.w ? std::to_string(st.testDf) : std::string());
        for (const std::optional<double>& v : {st.p, st.greenhouseGeisser, st.huynhFeldt, row.ggDf1, row.ggDf2,
                                               row.ggP, row.hfDf1, row.hfDf2, row.hfP})
            out += ',' + exactNumber(v);
        out += ',' + std::string(st.wNotComputable ? "W cannot be computed: fewer error df than the effect's df" : "");
        out += '\n';
    }
    return out;
}

std::string jsonNumber(std::optional<double> value)
{
    if (!value || !std::isfinite(*value))
        return "null";
    char buf[40];
    std::snprintf(buf, sizeof buf, "%.17g", *value);
    return buf;
}

std::optional<double> entry(const std::vector<std::optional<double>>& values, std::size_t index)
{
    return index < values.size() ? values[index] : std::nullopt;
}

// The exact upper tail of every F of the table (element r - 1 for row r), from the df and F
// of the row and the df of the row its F was formed against, or of its own error when that is
// not a row of the table. An F shown at the smallest value the table writes has p 1, as in the
// p column.
std::vector<std::optional<double>> exactTails(const AnovaTable& table)
{
    std::vector<std::optional<double>> out(table.rows.size());
    for (int r = 2; r <= table.rowCount(); ++r) {
        const auto index = static_cast<std::size_t>(r - 1);
        const int denominator = index < table.denominatorRow.size() ? table.denominatorRow[index] : 0;
        const double ownDf = index < table.ownErrorDf.size() ? table.ownErrorDf[index] : 0.0;
        if (!table.cellNumber(r, ColF))
            continue;
        if (denominator >= 2 && denominator <= table.rowCount())
            out[index] = exactTailOfShownF(table.number(r, ColDf), table.number(denominator, ColDf),
                                           table.number(r, ColF));
        else if (ownDf > 0)
            out[index] = exactTailOfShownF(table.number(r, ColDf), ownDf, table.number(r, ColF));
    }
    return out;
}

std::string jsonText(const AnovaTable& table, const std::optional<EffectSizes>& sizes,
                     const std::vector<Message>& messages, const SphericityReport* sphericity,
                     const std::string& members)
{
    const std::vector<std::optional<double>> pExact = exactTails(table);
    std::string out = "{\"rows\":[";
    static const char* const keys[] = {"df", "ss", "ms", "f", "p"};
    for (int r = 2; r <= table.rowCount(); ++r) {
        out += r == 2 ? "\n  {" : ",\n  {";
        out += "\"source\":" + jsonQuoted(table.cell(r, ColSource));
        for (int c = ColDf; c <= ColP; ++c)
            out += std::string(",\"") + keys[c - ColDf] + "\":" + jsonNumber(table.cellNumber(r, c));
        out += ",\"p_exact\":" + jsonNumber(pExact[static_cast<std::size_t>(r - 1)]);
        if (sizes) {
            const auto index = static_cast<std::size_t>(r - 1);
            if (sizes->kind == EffectSizeKind::Hays) {
                out += ",\"omega2\":" + jsonNumber(entry(sizes->omega2, index));
                out += ",\"power\":" + jsonNumber(entry(sizes->power, index));
            } else if (sizes->kind == EffectSizeKind::Partial) {
                out += ",\"partial_omega2\":" + jsonNumber(entry(sizes->omega2, index));
            } else {
                const char* key = sizes->kind == EffectSizeKind::Eta      ? "eta2"
                    : sizes->kind == EffectSizeKind::PartialEta ? "partial_eta2"
                                                                 : "generalized_eta2";
                out += std::string(",\"") + key + "\":" + jsonNumber(entry(sizes->eta2, index));
            }
            out += ",\"ci_lower\":" + jsonNumber(entry(sizes->ciLower, index));
            out += ",\"ci_upper\":" + jsonNumber(entry(sizes->ciUpper, index));
        }
        out += "}";
    }
    out += "\n],";
    if (sphericity) {
        out += "\n\"sphericity\":{\"rows\":[";
        for (std::size_t i = 0; i < sphericity->rows.size(); ++i) {
            const SphericityRow& row = sphericity->rows[i];
            const SphericityStatistics& st = row.statistics;
            out += i == 0 ? "\n  {" : ",\n  {";
            out += "\"source\":" + jsonQuoted(trimmedCell(row.source));
            out += ",\"effect_df\":" + std::to_string(st.contrastCount);
            out += ",\"error_df\":" + std::to_string(st.errorDf);
            out += ",\"w\":" + jsonNumber(st.w) + ",\"chi_square\":" + jsonNumber(st.chiSquare);
            out += ",\"test_df\":" + (st.w ? std::to_string(st.testDf) : std::string("null"));
            out += ",\"p\":" + jsonNumber(st.p);
            out += std::string(",\"w_computable\":") + (st.wNotComputable ? "false" : "true");
            out += ",\"gg_epsilon\":" + jsonNumber(st.greenhouseGeisser);
            out += ",\"hf_epsilon\":" + jsonNumber(st.huynhFeldt);
            out += ",\"f\":" + jsonNumber(row.f);
            out += ",\"gg_df1\":" + jsonNumber(row.ggDf1) + ",\"gg_df2\":" + jsonNumber(row.ggDf2);
            out += ",\"gg_p\":" + jsonNumber(row.ggP);
            out += ",\"hf_df1\":" + jsonNumber(row.hfDf1) + ",\"hf_df2\":" + jsonNumber(row.hfDf2);
            out += ",\"hf_p\":" + jsonNumber(row.hfP) + "}";
        }
        out += sphericity->rows.empty() ? "]" : "\n]";
        out += ",\"unavailable\":" + (sphericity->unavailable.empty() ? std::string("null") : jsonQuoted(sphericity->unavailable));
        out += "},";
    }
    out += members;
    out += "\n\"messages\":[";
    for (std::size_t i = 0; i < messages.size(); ++i) {
        out += i == 0 ? "\n  {" : ",\n  {";
        out += "\"title\":" + jsonQuoted(messages[i].title) +
               ",\"text\":" + jsonQuoted(shownLineBreaks(messages[i].text)) + "}";
    }
    out += messages.empty() ? "]}\n" : "\n]}\n";
    return out;
}

std::string withUnixLineEndings(const std::string& text)
{
    std::string out;
    out.reserve(text.size());
    // The text between one CR LF and the next is copied in one piece, without the CR.
    std::size_t from = 0;
    for (std::size_t crlf = text.find("\r\n"); crlf != std::string::npos; crlf = text.find("\r\n", from)) {
        out.append(text, from, crlf - from);
        from = crlf + 1;
    }
    out.append(text, from, std::string::npos);
    return out;
}

void applyTypeAndDesignation(Design& design, const Arguments& a)
{
    design.anovaType = parseType(a.type);
    if (design.anovaType == AnovaType::NoFRatios) {
        // No F-ratios: nothing is tested against a designated factor. A name given anyway must
        // still be one of the design's.
        if (a.designate)
            resolveFactor(design, *a.designate, "--designate " + inQuotes(*a.designate));
        design.designatedFactor = 0;
    } else {
        const char* role = design.anovaType == AnovaType::IndependentGroups ? "replicates" : "subjects";
        if (!a.designate)
            fail(std::string("--designate is missing: name the ") + role + " factor.");
        design.designatedFactor = resolveFactor(design, *a.designate, "--designate " + inQuotes(*a.designate));
    }
}

Scores readScores(Design& design, const std::string& path)
{
    PlainScoresResult data = readPlainScoresFile(path);
    if (!data.ok())
        fail(data.error->message);
    const long expected = design.scoreCount();
    if (static_cast<long>(data.values.size()) != expected)
        failWith("Wrong file selected?", "The number of scores in " + path + " is" +
                                             numberText(static_cast<double>(data.values.size())) +
                                             ", while the design calls for" +
                                             numberText(static_cast<double>(expected)) + " scores.");
    design.imputedCount = static_cast<int>(data.imputedCount);
    return std::move(data.values);
}

namespace {

// The parts of a step's value between colons.
std::vector<std::string> colonParts(const std::string& value)
{
    std::vector<std::string> parts(1);
    for (const char c : value) {
        if (c == ':')
            parts.emplace_back();
        else
            parts.back() += c;
    }
    return parts;
}

// A constant of a step: a whole number text that single precision can hold.
float stepNumber(const std::string& text, const std::string& where)
{
    double value = 0;
    if (!parseWholeNumber(text, value))
        fail(where + ": " + inQuotes(text) + " is not a number.");
    const std::optional<float> single = singleValue(value);
    if (!single)
        fail(where + ": " + inQuotes(text) + " is beyond the range of the scores (about 3.4E+38).");
    return *single;
}

Scores transformStep(const Scores& scores, const std::string& value, const std::string& where, std::string& text)
{
    const std::vector<std::string> parts = colonParts(value);
    const std::string name = lowered(parts[0]);
    struct Known {
        const char* name;
        Transformation transformation;
        bool constant;
    };
    static const Known known[] = {
        {"log", Transformation::Logarithm, false},
        {"rank", Transformation::RankOrder, false},
        {"arcsin", Transformation::Arcsin, false},
        {"add", Transformation::AddConstant, true},
        {"multiply", Transformation::MultiplyByConstant, true},
        {"power", Transformation::RaiseToPower, true},
    };
    const Known* step = nullptr;
    for (const Known& k : known)
        if (name == k.name)
            step = &k;
    if (!step)
        fail(where + ": choose log, rank, arcsin, add:C, multiply:C or power:C.");
    if (parts.size() != (step->constant ? 2u : 1u))
        fail(where + (step->constant ? ": write " + name + ":C with the constant, for example " + name + ":10."
                                     : ": " + name + " takes no constant."));
    const float c = step->constant ? stepNumber(parts[1], where) : 0.0f;
    // An exponent of 0 is taken as asked for: every score becomes 1.
    TransformResult result = transformScores(scores, step->transformation, c);
    if (!result.ok())
        failWith(result.message->title, result.reason, where);
    text = transformStepText(step->transformation, c);
    return std::move(result.scores);
}

Scores screenStep(const Scores& scores, const std::string& value, const std::string& where, std::string& text)
{
    const std::vector<std::string> parts = colonParts(value);
    const std::string name = lowered(parts[0]);
    ScreenRule rule;
    if (name == "less")
        rule.condition = ScreenCondition::Less;
    else if (name == "equal")
        rule.condition = ScreenCondition::Equal;
    else if (name == "greater")
        rule.condition = ScreenCondition::Greater;
    else if (name == "between")
        rule.condition = ScreenCondition::Between;
    else
        fail(where + ": choose less:A:R, equal:A:R, greater:A:R or between:LOW:HIGH:R.");
    const bool between = rule.condition == ScreenCondition::Between;
    if (parts.size() != (between ? 4u : 3u))
        fail(where + (between ? ": write between:LOW:HIGH:R, for example between:1:5:0."
                              : ": write " + name + ":A:R, the value compared with and its replacement."));
    rule.value = stepNumber(parts[1], where);
    if (between)
        rule.upper = stepNumber(parts[2], where);
    rule.replacement = stepNumber(parts.back(), where);
    if (const std::optional<Message> problem = screenProblem(rule))
        failWith(problem->title, problem->text, where);
    text = screenStepText(rule, screenedCount(scores, rule));
    return screenScores(scores, rule);
}

}  // namespace

Scores applyDataSteps(Scores scores, const std::vector<DataStep>& steps, std::vector<std::string>* applied)
{
    for (const DataStep& step : steps) {
        const std::string where = (step.screen ? "--screen " : "--transform ") + inQuotes(step.value);
        std::string text;
        scores = step.screen ? screenStep(scores, step.value, where, text) : transformStep(scores, step.value, where, text);
        if (applied)
            applied->push_back(std::move(text));
    }
    return scores;
}

std::vector<std::string> notesWithSteps(std::vector<std::string> notes, const std::vector<std::string>& applied)
{
    if (!applied.empty())
        notes.push_back(dataStepsNote(applied));
    return notes;
}

std::optional<Arguments> dataCommandArguments(const std::vector<std::string>& args, std::ostream& out)
{
    Arguments a = parseArguments(args);
    if (a.help) {
        out << cliUsage();
        return std::nullopt;
    }
    if (!a.haveDataPath)
        fail("no data file given.  Run " + kProgram + " --help for the usage.");
    return a;
}

}  // namespace clisupport

using namespace clisupport;

namespace {

// The factor of a --trend or --contrast value (the text before "="), checked to be on offer.
// Names begin with a letter, so a number can only mean the factor's position.
int contrastFactor(const Design& design, const std::string& ref, ContrastKind kind, const std::string& where)
{
    const bool number = !ref.empty() && ref.find_first_not_of("0123456789") == std::string::npos;
    const int k = number && ref.size() < 3 && std::stoi(ref) >= 1 && std::stoi(ref) <= design.factorCount()
        ? std::stoi(ref)
        : resolveFactor(design, ref, where);
    const std::vector<int> offered = eligibleFactors(design, kind);
    if (std::find(offered.begin(), offered.end(), k) != offered.end())
        return k;
    const Factor& f = design.factor(k);
    if (k == design.designatedFactor)
        fail(where + ": " + f.name + " is the replicates or subjects factor; its levels are not compared.");
    if (kind == ContrastKind::Trend && f.levels < 3)
        fail(where + ": " + f.name + " has only 2 levels; a trend needs at least 3 (use --contrast, or the main "
                     "effect itself).");
    fail(where + ": " + f.name + " is nested under another factor; its levels are not compared.");
}

// The contrasts of every --trend and --contrast, in the order given (user contrasts numbered per
// factor).
std::vector<Contrast> contrastsFromArguments(const Design& design, const Arguments& a)
{
    std::vector<Contrast> out;
    for (const std::string& given : a.trends) {
        const std::string where = "--trend " + inQuotes(given);
        const auto eq = given.find('=');
        const int k = contrastFactor(design, given.substr(0, eq), ContrastKind::Trend, where);
        const Factor& f = design.factor(k);
        std::vector<double> values = equallySpacedValues(f.levels);
        if (eq != std::string::npos) {
            const ReadNumbers read = readLevelValues(splitNumberList(given.substr(eq + 1)), f);
            if (read.problem)
                failWith(read.problem->title, read.problem->text, where);
            values = read.values;
        }
        for (Contrast& c : trendContrasts(k, values, f.levels - 1))
            out.push_back(std::move(c));
    }
    std::vector<int> numbered(static_cast<std::size_t>(design.factorCount()) + 1, 0);
    for (const std::string& given : a.contrasts) {
        const std::string where = "--contrast " + inQuotes(given);
        const auto eq = given.find('=');
        if (eq == std::string::npos)
            fail(where + ": write FACTOR=c1,c2,..., one coefficient per level, for example Drug=1,-1,0.");
        const int k = contrastFactor(design, given.substr(0, eq), ContrastKind::Comparison, where);
        const int number = ++numbered[static_cast<std::size_t>(k)];
        const ReadNumbers read = readCoefficients(splitNumberList(given.substr(eq + 1)), design.factor(k), number);
        if (read.problem)
            failWith(read.problem->title, read.problem->text, where);
        out.push_back({k, comparisonName(number, read.values), read.values});
    }
    return out;
}

int analyze(const std::vector<std::string>& args, std::ostream& out, std::ostream& err)
{
    const std::optional<Arguments> given = dataCommandArguments(args, out);
    if (!given)
        return kExitTable;
    const Arguments& a = *given;
    const Format format = parseFormat(a.format);
    const std::optional<EffectSizeKind> effectSizes = parseEffectSizes(a.effectSizes);

    if (!a.pairs.empty() || a.panels)
        fail(std::string(a.pairs.empty() ? "--panels" : "--pair") + " belongs to the means and simple-effects commands.");
    if (effectSizes && (!a.trends.empty() || !a.contrasts.empty()))
        fail("--effect-sizes cannot be combined with --trend or --contrast: the power of a 1-df contrast is not "
             "what the effect-size columns give for a factor.");
    if (a.mode && a.sphericity)
        fail("--sphericity is not available with --mode: it belongs to the ordinary repeated-measures analysis.");
    if (a.mode && (!a.trends.empty() || !a.contrasts.empty()))
        fail("--trend and --contrast are not available with --mode: they belong to the ordinary analysis.");
    if (a.mode && !a.posthoc.empty())
        fail("--posthoc is not available with --mode: it belongs to the ordinary analysis.");
    if (effectSizes && !a.posthoc.empty())
        fail("--posthoc cannot be combined with --effect-sizes.");
    const ContrastError contrastError = contrastErrorOf(a.contrastError);
    const Adjustment adjustment = adjustmentOf(a.adjust);
    if (a.adjust && a.trends.empty() && a.contrasts.empty())
        fail("--adjust applies to the p of --trend and --contrast rows; the methods of --posthoc are given with it "
             "(--posthoc FACTOR:holm).");
    if (a.contrastError && a.trends.empty() && a.contrasts.empty() && a.posthoc.empty())
        fail("--contrast-error applies to --trend, --contrast and --posthoc on a within-subject factor.");
    std::optional<ImportedData> imported;
    if (importRequested(a)) {
        imported = importData(a, err);
        if (imported->data.unequalN())
            return importedUnequalAnalyze(a, *imported, out, err);
        if (a.mode)
            fail("--mode: every cell of " + a.dataPath + " holds the same number of scores; the unequal-cell-size "
                 "analyses do not apply.");
    } else if (a.mode) {
        return unequalAnalyzeCommand(a, out, err);
    }

    Design design = imported ? imported->design : buildDesign(a.factors);
    if (!imported) {
        applyTypeAndDesignation(design, a);
        applyNesting(design, a.nests);
    }
    const bool omegaKind = effectSizes == EffectSizeKind::Hays || effectSizes == EffectSizeKind::Partial;
    if (omegaKind && (design.anovaType != AnovaType::IndependentGroups || design.nested))
        fail("--effect-sizes needs an independent-groups design that is not nested.");
    if (effectSizes && design.anovaType == AnovaType::NoFRatios)
        fail("--effect-sizes needs F-ratios: --type independent or repeated.");
    if (a.sphericity && design.anovaType != AnovaType::RepeatedMeasures)
        fail("--sphericity needs a repeated-measures design (--type repeated).");

    const std::vector<Contrast> contrasts = contrastsFromArguments(design, a);
    std::vector<PosthocRequest> requests;
    for (const std::string& given : a.posthoc)
        requests.push_back(posthocRequestOf(design, given, contrastError));
    std::vector<std::string> applied;
    const Scores scores =
        applyDataSteps(imported ? scoresOf(imported->data) : readScores(design, a.dataPath), a.steps, &applied);

    CliPrompts prompts(err);
    const ContrastAnalysis analysis =
        analyseWithContrasts(design, scores, contrasts, prompts, {}, {contrastError, adjustment});
    const std::optional<AnovaTable>& table = analysis.table;
    if (!table) {
        err << kProgram << ": the analysis cannot be completed; no table.\n";
        return kExitNoTable;
    }
    // The comparisons read their error rows from the table (its contrast rows, indented, are
    // passed over).
    Design labelledDesign = design;
    if (!labelledDesign.labelsTruncated)
        setTableLabelsFromNames(labelledDesign);
    std::vector<PosthocResult> posthoc;
    for (std::size_t i = 0; i < requests.size(); ++i) {
        posthoc.push_back(pairwiseComparisons(labelledDesign, scores, *table, requests[i]));
        if (posthoc.back().refusal)
            failWith(posthoc.back().refusal->title, posthoc.back().refusal->text, "--posthoc " + inQuotes(a.posthoc[i]));
    }

    std::optional<EffectSizes> sizes;
    if (effectSizes)
        sizes = computeEffectSizes(*table, design, *effectSizes);
    std::optional<SphericityReport> sphericity;
    if (a.sphericity)
        sphericity = sphericityReport(design, scores, *table);

    if (format == Format::Json) {
        std::string members;
        if (!contrasts.empty())
            members += contrastTestsJson(analysis.tests, adjustment);
        if (!requests.empty())
            members += posthocJson(labelledDesign, requests, posthoc);
        out << jsonText(*table, sizes, prompts.messages, sphericity ? &*sphericity : nullptr, members);
        return kExitTable;
    }
    std::vector<DisplayRow> display = formatTableCells(*table, false);
    if (sizes)
        applyEffectSizeColumns(display, *sizes);
    if (format == Format::Csv) {
        out << csvText(display, exactTails(*table), sizes ? &*sizes : nullptr);
        if (sphericity)
            out << '\n' << sphericityCsv(*sphericity);
        if (!contrasts.empty())
            out << '\n' << contrastTestsCsv(analysis.tests);
        for (std::size_t i = 0; i < requests.size(); ++i)
            out << '\n' << posthocCsv(labelledDesign, requests[i], posthoc[i]);
    } else {
        out << withUnixLineEndings(copyTableText(tableHeading(), design, display)) << notesText(notesWithSteps(table->notes, applied), "\n")
            << notesText(trendLegend(design, contrasts), "\n");
        if (sphericity) {
            out << '\n';
            for (const std::string& line : sphericityLines(*sphericity))
                out << line << '\n';
        }
        for (std::size_t i = 0; i < requests.size(); ++i) {
            out << '\n';
            for (const std::string& line : posthocLines(labelledDesign, requests[i], posthoc[i]))
                out << line << '\n';
        }
    }
    return kExitTable;
}

// The program's version: the project's version in CMake, as the build gives it.
std::string cliVersion()
{
    return VARISECT_VERSION;
}

}  // namespace

std::string cliUsage()
{
    return "Usage: varisect-cli analyze DATAFILE --factor NAME=LEVELS --factor NAME=LEVELS ...\n"
           "                    --type independent|repeated|none [--designate FACTOR]\n"
           "                    [--nest NESTED:OUTER ...] [--effect-sizes KIND] [--sphericity]\n"
           "                    [--format text|csv|json] [--transform STEP ...] [--screen STEP ...]\n"
           "                    [--trend FACTOR[=V1,V2,...] ...] [--contrast FACTOR=C1,C2,... ...]\n"
           "                    [--contrast-error separate|pooled] [--adjust none|holm|bonferroni]\n"
           "                    [--posthoc FACTOR[@BY][:tukey|holm|bonferroni] ...]\n"
           "       varisect-cli analyze DATAFILE --mode attrition|unweighted|proportional|groupsizes\n"
           "                    --factor NAME=LEVELS ... [--nest NESTED:OUTER ...] [--format text|csv|json]\n"
           "                    [--transform STEP ...] [--screen STEP ...]\n"
           "       varisect-cli means DATAFILE --factor NAME=LEVELS ... [--designate FACTOR]\n"
           "                    [--type TYPE] [--nest NESTED:OUTER ...] [--pair FIRST,SECOND ...]\n"
           "                    [--panels FACTOR] [--format text|csv|json]\n"
           "                    [--transform STEP ...] [--screen STEP ...]\n"
           "       varisect-cli means DATAFILE --mode unweighted|proportional|groupsizes\n"
           "                    --factor NAME=LEVELS ... [--pair FIRST,SECOND ...] [--panels FACTOR] ...\n"
           "       varisect-cli simple-effects DATAFILE --factor NAME=LEVELS ...\n"
           "                    --type independent|repeated --designate FACTOR\n"
           "                    [--nest NESTED:OUTER ...] [--pair FIRST,SECOND] [--format text|csv|json]\n"
           "                    [--transform STEP ...] [--screen STEP ...]\n"
           "       varisect-cli simple-effects DATAFILE --mode unweighted|proportional|groupsizes\n"
           "                    --factor NAME=LEVELS ... [--pair FIRST,SECOND] ...\n"
           "       varisect-cli export DATAFILE [--write-scores FILE] [--write-csv FILE]\n"
           "                    (the table options below, or --factor NAME=LEVELS ... for a score file)\n"
           "       varisect-cli --help\n"
           "       varisect-cli --version\n"
           "\n"
           "Factorial analysis of variance of DATAFILE, which holds one score per line for every\n"
           "cell of the design, factor 1 cycling fastest.  A score ending in \"I\" counts as\n"
           "imputed.  Replicates (independent groups) and subjects (repeated measures) are a\n"
           "factor of their own, named with --designate.\n"
           "\n"
           "  --factor NAME=LEVELS   one per factor, 2 to 8 factors, first letters distinct\n"
           "  --type TYPE            independent: every source tested against the within-cells\n"
           "                         error; repeated: against its interaction with subjects;\n"
           "                         none: no F-ratios\n"
           "  --designate FACTOR     the replicates or subjects factor (name or first letter)\n"
           "  --nest NESTED:OUTER    NESTED is nested under OUTER; implied nests are added\n"
           "  --effect-sizes KIND    hays (omega squared and power) or partial (partial omega\n"
           "                         squared): independent groups, not nested; eta, partial-eta\n"
           "                         or generalized-eta (eta squared, partial eta squared,\n"
           "                         generalized eta squared): any table with F-ratios; csv and\n"
           "                         json add ci_lower and ci_upper, the 90% confidence interval\n"
           "                         where one exists\n"
           "  --sphericity           repeated measures: Mauchly's test of sphericity and the\n"
           "                         Greenhouse-Geisser and Huynh-Feldt corrected p of every\n"
           "                         within-subject effect, after the table\n"
           "  --format FORMAT        text (default), csv or json; csv and json add p_exact, the\n"
           "                         exact upper tail of F beside the approximate p\n"
           "  --transform STEP       transforms every score before the analysis: log (natural\n"
           "                         logarithm, scores > 0), rank (ranks, ties get the mean rank),\n"
           "                         arcsin (2 arcsin x, scores 0 to 1), add:C, multiply:C or\n"
           "                         power:C (power:0 makes every score 1)\n"
           "  --screen STEP          replaces the scores that meet a condition by R: less:A:R,\n"
           "                         equal:A:R (within 0.00001 of A), greater:A:R or\n"
           "                         between:LOW:HIGH:R (limits excluded)\n"
           "                         --transform and --screen may be repeated; the steps run in\n"
           "                         the order given (analyze with or without --mode, means and\n"
           "                         simple-effects)\n"
           "  --trend FACTOR[=V1,...] orthogonal polynomial trends (linear, quadratic, ...) on the\n"
           "                         marginal means of FACTOR (3 levels or more), for level values\n"
           "                         V1, V2, ... (1, 2, 3, ... when not given); one row each under\n"
           "                         the factor's main effect, tested against its error term\n"
           "  --contrast FACTOR=C1,... a planned comparison: one coefficient per level, adding up\n"
           "                         to 0; --trend and --contrast may be repeated (analyze); FACTOR\n"
           "                         is a name, a first letter or a position (1 = factor 1)\n"
           "  --contrast-error ERR   the error of contrasts and pairwise comparisons on a\n"
           "                         within-subject factor: separate (default; each against its\n"
           "                         own contrast x subjects error, df those of the subjects) or\n"
           "                         pooled (the factor's interaction with the subjects)\n"
           "  --adjust METHOD        none (default), holm or bonferroni: the p of the --trend and\n"
           "                         --contrast rows adjusted as one family\n"
           "  --posthoc FACTOR[@BY][:METHOD]\n"
           "                         every pair of FACTOR's marginal means (with @BY: of its cell\n"
           "                         means at each level of BY) by tukey (default), holm or\n"
           "                         bonferroni: difference, SE, t or q, df, adjusted p and the\n"
           "                         adjusted 95% interval; may be repeated\n"
           "\n"
           "--mode reads an \"Unequal N\" data file: its header names the replicates (subjects)\n"
           "factor and gives the size of every cell (group); the scores follow cell by cell\n"
           "(groupsizes: group by group, each level of the crossed factor in turn).\n"
           "  attrition      test for random attrition: the analysis of the 0/1 presence of the\n"
           "                 planned scores (the replicates factor's levels) in every cell\n"
           "  unweighted     unweighted means: sources from the cell means, MS times the\n"
           "                 harmonic mean cell size, tested against the within-cells error\n"
           "  proportional   proportional cell sizes of two substantive factors\n"
           "  groupsizes     unequal group sizes: subjects nested under the grouping factor,\n"
           "                 crossed with the other (the file's header names both)\n"
           "--type and --designate may be left out; given, they must agree with the mode and the\n"
           "file.  --nest applies to attrition and unweighted only.  means --mode shows the cell\n"
           "means with every cell's number of scores and, for proportional and groupsizes, the\n"
           "weighted margins (the means of all the scores of a level, which the F-tests compare)\n"
           "beside the plain ones; simple-effects --mode tests the simple effects of the pair as\n"
           "that analysis does (unweighted: the harmonic mean cell size in place of n).\n"
           "\n"
           "means prints the two-way tables of cell and marginal means of every pair of factors\n"
           "(the designated factor left out), or of the pairs named with --pair; --panels FACTOR\n"
           "shows one table per level of a third factor.  simple-effects prints the simple\n"
           "effects of each factor of the pair at every level of the other, with F-ratios\n"
           "against the within-cells error (independent) or the effect's own error term\n"
           "(repeated); --pair may be left out when the design has only one eligible pair.\n"
           "A first factor with more than 4 levels and more levels than the second goes to\n"
           "the rows, as in the Cell Means window.\n"
           "\n"
           "A DATAFILE ending in .csv, .tsv, .xlsx, .ods, .xls, .sav, .zsav, .por, .dta or\n"
           ".sas7bdat (or any file with the options below) is a researcher's table with the\n"
           "column names in its first row; the factors, their levels and the type of analysis\n"
           "come from the data, so --factor is not given.  Long data (one score per row):\n"
           "  --score COLUMN         the column of the scores\n"
           "  --factor-column COLUMN a factor's column; repeat it, or list them: Drug,Time\n"
           "  --subject COLUMN       the subject (case) column: factors that vary within a\n"
           "                         subject make repeated measures\n"
           "  --subjects-within COLUMN  a factor whose groups each number their subjects\n"
           "                         afresh: a subject is its identifier within the group\n"
           "Wide data (one row per subject):\n"
           "  --cells COLUMN,...     the within-subject cell columns; headers such as\n"
           "                         Drug1_Time2 name the factors and levels\n"
           "  --within NAME=LEVELS   instead, the within factors in order, the first cycling\n"
           "                         fastest over the cell columns\n"
           "  --between COLUMN       a between-subject factor's column\n"
           "A COLUMN is a name or #N (the N-th column).  With none of these options the layout\n"
           "is guessed and said on the error stream.  --sheet NAME|N picks a spreadsheet's\n"
           "sheet, --separator comma|semicolon|tab a text file's separator (detected\n"
           "otherwise; a semicolon allows decimal commas), --drop-incomplete leaves out the\n"
           "rows with a missing value (independent groups).  --type and --designate replace\n"
           "what the data suggest.  Cells of unequal size need --mode.\n"
           "export writes the scores in the design order (--write-scores, an \"Unequal N\" file\n"
           "for unequal cells) and as long CSV (--write-csv: factor columns with the level\n"
           "labels, then the score), and prints the design with the options that analyse the\n"
           "score file.\n"
           "\n"
           "Exit status: 0 table printed, 1 the analysis cannot be completed, 2 bad arguments\n"
           "or data.  The data file is only read, never written.\n";
}

std::string jsonQuoted(std::string_view text)
{
    std::string out = "\"";
    for (const char ch : text) {
        const auto c = static_cast<unsigned char>(ch);
        switch (ch) {
        case '"': out += "\\\""; break;
        case '\\': out += "\\\\"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\t': out += "\\t"; break;
        case '\b': out += "\\b"; break;
        case '\f': out += "\\f"; break;
        default:
            if (c < 0x20) {
                char buf[8];
                std::snprintf(buf, sizeof buf, "\\u%04x", c);
                out += buf;
            } else {
                out += ch;
            }
        }
    }
    return out + "\"";
}

int runCli(const std::vector<std::string>& args, std::ostream& out, std::ostream& err)
{
    try {
        if (args.empty()) {
            err << cliUsage();
            return kExitBadInput;
        }
        if (args[0] == "--help" || args[0] == "-h" || args[0] == "help") {
            out << cliUsage();
            return kExitTable;
        }
        if (args[0] == "--version") {
            if (args.size() > 1)
                fail("--version takes nothing after it.");
            out << kProgram << ' ' << cliVersion() << '\n';
            return kExitTable;
        }
        if (args[0] == "means")
            return meansCommand(args, out, err);
        if (args[0] == "simple-effects")
            return simpleEffectsCommand(args, out, err);
        if (args[0] == "export")
            return exportCommand(args, out, err);
        if (args[0] != "analyze")
            fail("unknown command " + inQuotes(args[0]) + ".  Run " + kProgram + " --help for the usage.");
        return analyze(args, out, err);
    } catch (const CliFailure& failure) {
        for (const std::string& line : failure.lines)
            err << line << '\n';
        return failure.code;
    } catch (const std::exception& e) {
        err << kProgram << ": the analysis stopped on an internal error (" << e.what() << ").\n";
        return kExitNoTable;
    }
}

}  // namespace varisect
