// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/posthocoutput.h"

#include <cmath>

#include "cli/cli.h"
#include "cli/cliarguments.h"

namespace varisect::clisupport {

namespace {

std::optional<double> finite(double v)
{
    return std::isfinite(v) ? std::optional<double>(v) : std::nullopt;
}

std::string csvNumber(double v)
{
    const std::string s = jsonNumber(finite(v));
    return s == "null" ? std::string() : s;
}

}  // namespace

PosthocRequest posthocRequestOf(const Design& design, const std::string& given, ContrastError error)
{
    const std::string where = "--posthoc " + inQuotes(given);
    PosthocRequest request;
    request.error = error;
    std::string rest = given;
    if (const auto colon = rest.find(':'); colon != std::string::npos) {
        const std::string method = rest.substr(colon + 1);
        if (!pairwiseMethodOfKey(method, request.method))
            fail(where + ": choose the method tukey, holm or bonferroni after the colon.");
        rest.erase(colon);
    }
    std::string by;
    if (const auto at = rest.find('@'); at != std::string::npos) {
        by = rest.substr(at + 1);
        rest.erase(at);
    }
    if (rest.empty())
        fail(where + ": name the factor whose levels are compared, for example Drug or Drug:holm.");
    request.factor = resolveFactor(design, rest, where);
    if (!by.empty())
        request.byFactor = resolveFactor(design, by, where);
    return request;
}

ContrastError contrastErrorOf(const std::optional<std::string>& value)
{
    if (!value)
        return ContrastError::Separate;
    const std::string v = lowered(*value);
    if (v == "separate")
        return ContrastError::Separate;
    if (v == "pooled")
        return ContrastError::Pooled;
    fail("--contrast-error " + inQuotes(*value) + ": choose separate or pooled.");
}

Adjustment adjustmentOf(const std::optional<std::string>& value)
{
    Adjustment a = Adjustment::None;
    if (value && !adjustmentOfKey(*value, a))
        fail("--adjust " + inQuotes(*value) + ": choose none, holm or bonferroni.");
    return a;
}

std::string contrastTestsCsv(const std::vector<ContrastTest>& tests)
{
    std::string out = "contrast,ss,f,df_error,ms_error,error_term,own_error,p,p_exact,p_adjusted\n";
    for (const ContrastTest& t : tests) {
        out += csvCell(t.source) + ',' + csvNumber(t.ss) + ',';
        if (t.tested)
            out += csvNumber(t.f) + ',' + csvNumber(t.errorDf) + ',' + csvNumber(t.errorMS) + ',' + csvCell(t.errorTerm) +
                   ',' + (t.ownError ? "yes" : "no") + ',' + csvNumber(t.p) + ',' + csvNumber(t.pExact) + ',' +
                   csvNumber(t.pAdjusted);
        else
            out += ",,,,,,,";
        out += '\n';
    }
    return out;
}

std::string posthocCsv(const Design& design, const PosthocRequest& request, const PosthocResult& result)
{
    const std::string by = request.byFactor ? design.factor(request.byFactor).name : std::string();
    std::string out = "factor,method,at_factor,at_level,first,second,mean_first,mean_second,difference,se," +
        result.statisticName + ",df,p_adjusted,ci_lower,ci_upper\n";
    for (const PairwiseRow& r : result.rows) {
        out += csvCell(design.factor(request.factor).name) + ',' + pairwiseMethodKey(request.method) + ',' + csvCell(by) +
               ',' + (request.byFactor ? csvCell(levelName(design, request.byFactor, r.byLevel)) : std::string()) + ',' +
               csvCell(levelName(design, request.factor, r.first)) + ',' +
               csvCell(levelName(design, request.factor, r.second)) + ',' + csvNumber(r.meanFirst) + ',' +
               csvNumber(r.meanSecond) + ',' + csvNumber(r.difference) + ',' + csvNumber(r.se) + ',' +
               csvNumber(r.statistic) + ',' + csvNumber(r.df) + ',' + csvNumber(r.p) + ',' + csvNumber(r.lower) + ',' +
               csvNumber(r.upper) + '\n';
    }
    for (const std::string& line : result.legend)
        out += "# " + line + '\n';
    return out;
}

std::string contrastTestsJson(const std::vector<ContrastTest>& tests, Adjustment adjustment)
{
    std::string out = "\n\"contrasts\":{\"adjustment\":" + jsonQuoted(adjustmentKey(adjustment)) + ",\"rows\":[";
    for (std::size_t i = 0; i < tests.size(); ++i) {
        const ContrastTest& t = tests[i];
        out += i == 0 ? "\n  {" : ",\n  {";
        out += "\"source\":" + jsonQuoted(t.source) + ",\"ss\":" + jsonNumber(finite(t.ss));
        out += std::string(",\"tested\":") + (t.tested ? "true" : "false");
        if (t.tested) {
            out += ",\"f\":" + jsonNumber(finite(t.f)) + ",\"df_error\":" + jsonNumber(finite(t.errorDf)) +
                   ",\"ms_error\":" + jsonNumber(finite(t.errorMS)) + ",\"error_term\":" + jsonQuoted(t.errorTerm) +
                   ",\"own_error\":" + (t.ownError ? "true" : "false") + ",\"p\":" + jsonNumber(finite(t.p)) +
                   ",\"p_exact\":" + jsonNumber(finite(t.pExact)) + ",\"p_adjusted\":" + jsonNumber(finite(t.pAdjusted));
        }
        out += "}";
    }
    out += tests.empty() ? "]}," : "\n]},";
    return out;
}

std::string posthocJson(const Design& design, const std::vector<PosthocRequest>& requests,
                        const std::vector<PosthocResult>& results)
{
    std::string out = "\n\"posthoc\":[";
    for (std::size_t k = 0; k < requests.size() && k < results.size(); ++k) {
        const PosthocRequest& q = requests[k];
        const PosthocResult& r = results[k];
        out += k == 0 ? "\n  {" : ",\n  {";
        out += "\"factor\":" + jsonQuoted(design.factor(q.factor).name) +
               ",\"method\":" + jsonQuoted(pairwiseMethodKey(q.method)) + ",\"at_factor\":" +
               (q.byFactor ? jsonQuoted(design.factor(q.byFactor).name) : std::string("null")) +
               ",\"statistic\":" + jsonQuoted(r.statisticName) +
               ",\"intervals\":" + jsonQuoted(pairwiseIntervalsKey(q.method)) + ",\"rows\":[";
        for (std::size_t i = 0; i < r.rows.size(); ++i) {
            const PairwiseRow& p = r.rows[i];
            out += i == 0 ? "\n    {" : ",\n    {";
            if (q.byFactor)
                out += "\"at_level\":" + jsonQuoted(levelName(design, q.byFactor, p.byLevel)) + ",";
            out += "\"first\":" + jsonQuoted(levelName(design, q.factor, p.first)) +
                   ",\"second\":" + jsonQuoted(levelName(design, q.factor, p.second)) +
                   ",\"mean_first\":" + jsonNumber(finite(p.meanFirst)) + ",\"mean_second\":" + jsonNumber(finite(p.meanSecond)) +
                   ",\"difference\":" + jsonNumber(finite(p.difference)) + ",\"se\":" + jsonNumber(finite(p.se)) +
                   ",\"statistic\":" + jsonNumber(finite(p.statistic)) + ",\"df\":" + jsonNumber(finite(p.df)) +
                   ",\"p_adjusted\":" + jsonNumber(finite(p.p)) + ",\"ci_lower\":" + jsonNumber(finite(p.lower)) +
                   ",\"ci_upper\":" + jsonNumber(finite(p.upper)) + "}";
        }
        out += r.rows.empty() ? "]" : "\n  ]";
        out += ",\"legend\":[";
        for (std::size_t i = 0; i < r.legend.size(); ++i)
            out += (i ? "," : "") + jsonQuoted(r.legend[i]);
        out += "]}";
    }
    out += requests.empty() ? "]," : "\n],";
    return out;
}

}  // namespace varisect::clisupport
