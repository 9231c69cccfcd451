// SPDX-License-Identifier: GPL-3.0-or-later
#include "data/transform.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>
#include <numeric>
#include <vector>

#include "engine/numbertext.h"

namespace varisect {

namespace {

const char* const kHelpOffer = "  Do you want additional information from the help system?";

// The scores must be > 0 (logarithm) or within 0 .. 1 (arcsine); the reason for the command line.
std::optional<std::string> domainReason(Transformation transformation, const Scores& scores)
{
    if (transformation == Transformation::Logarithm) {
        if (std::any_of(scores.begin(), scores.end(), [](float x) { return !(x > 0); }))
            return "The transformation cannot be carried out for these data (all scores must be >0).";
    } else if (transformation == Transformation::Arcsin) {
        if (std::any_of(scores.begin(), scores.end(), [](float x) { return !(x >= 0 && x <= 1); }))
            return "The transformation cannot be carried out for these data (all scores must be >=0 and <=1 ).";
    }
    return std::nullopt;
}

// A single-precision constant as the classic number-to-text conversion of a single writes it:
// seven significant digits at most, so that 0.3 reads " .3" rather than its double expansion.
std::string singleText(float value)
{
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.7g", static_cast<double>(value));
    return numberText(parseNumber(buf));
}

TransformResult halted(std::string text)
{
    TransformResult r;
    r.status = TransformStatus::Halted;
    r.reason = text;
    r.message = Message{"Transformation Halted", std::move(text), MessageButtons::Ok, MessageIcon::Critical};
    return r;
}

TransformResult overflow()
{
    TransformResult r;
    r.status = TransformStatus::Overflow;
    r.reason = "The transformation cannot be applied because a resulting value is too large for the computer's "
               "limited mind to comprehend (roughly 1.79 to the 308th power).";
    r.message = Message{"Program Limitation!",
                        "   " + r.reason + kMessageLineBreak +
                            "   The program will restore the raw data values; you may try another transformation.",
                        MessageButtons::Ok, MessageIcon::Critical};
    return r;
}

double applied(Transformation transformation, double x, double c)
{
    switch (transformation) {
    case Transformation::Logarithm:
        return std::log(x);
    case Transformation::Arcsin:
        return 2 * std::asin(x);
    case Transformation::AddConstant:
        return x + c;
    case Transformation::MultiplyByConstant:
        return x * c;
    case Transformation::RaiseToPower:
        return std::pow(x, c);
    case Transformation::RankOrder:
    case Transformation::None:
        break;
    }
    return x;
}

}  // namespace

std::optional<Message> choiceProblem(Transformation transformation, const Scores& scores)
{
    const std::optional<std::string> reason = domainReason(transformation, scores);
    if (!reason)
        return std::nullopt;
    return Message{"Transformation Halted!", *reason + kHelpOffer, MessageButtons::YesNo, MessageIcon::Critical};
}

Message zeroPowerQuestion()
{
    return {"Wait", "Raising to the zero power will transform all scores to 1.  Do you really want to do that?",
            MessageButtons::YesNo, MessageIcon::Exclamation};
}

std::optional<float> singleValue(double value)
{
    if (!std::isfinite(value) || std::fabs(value) > static_cast<double>(std::numeric_limits<float>::max()))
        return std::nullopt;
    return static_cast<float>(value);
}

Scores rankOrder(const Scores& scores)
{
    std::vector<std::size_t> order(scores.size());
    std::iota(order.begin(), order.end(), std::size_t{0});
    std::stable_sort(order.begin(), order.end(), [&scores](std::size_t a, std::size_t b) { return scores[a] < scores[b]; });
    Scores ranks(scores.size());
    for (std::size_t first = 0; first < order.size();) {
        std::size_t last = first;
        while (last + 1 < order.size() && scores[order[last + 1]] == scores[order[first]])
            ++last;
        // Positions first .. last (0-based) hold ranks first + 1 .. last + 1.
        const double rank = (static_cast<double>(first) + static_cast<double>(last)) / 2 + 1;
        for (std::size_t k = first; k <= last; ++k)
            ranks[order[k]] = static_cast<float>(rank);
        first = last + 1;
    }
    return ranks;
}

TransformResult transformScores(const Scores& scores, Transformation transformation, float constant)
{
    if (const std::optional<Message> problem = choiceProblem(transformation, scores)) {
        TransformResult r;
        r.status = TransformStatus::OutOfRange;
        r.message = problem;
        r.reason = *domainReason(transformation, scores);
        return r;
    }
    const double c = constant;
    if (transformation == Transformation::RaiseToPower) {
        const bool negative = std::any_of(scores.begin(), scores.end(), [](float x) { return x < 0; });
        // A negative score has a real power only for a whole exponent.
        if (negative && c != std::trunc(c))
            return halted("The transformation cannot be carried out for these data (all scores must be >0 for an "
                          "exponent of" + singleText(constant) + ")");
        if (c < 0 && std::any_of(scores.begin(), scores.end(), [](float x) { return x == 0; }))
            return halted("The transformation cannot be carried out for these data (zero cannot be taken to a "
                          "negative power)");
    }

    TransformResult r;
    if (transformation == Transformation::None) {
        r.scores = scores;
        return r;
    }
    if (transformation == Transformation::RankOrder) {
        r.scores = rankOrder(scores);
        return r;
    }
    r.scores.resize(scores.size());
    for (std::size_t i = 0; i < scores.size(); ++i) {
        const std::optional<float> y = singleValue(applied(transformation, scores[i], c));
        if (!y)
            return overflow();
        r.scores[i] = *y;
    }
    return r;
}

std::optional<float> typedValue(std::string_view text)
{
    return singleValue(parseNumber(text));
}

Message valueTooLargeMessage()
{
    return {"Program Limitation!",
            "   The value entered is too large for the computer's limited mind to comprehend (roughly 3.4 to the "
            "38th power).  Please enter a smaller value.",
            MessageButtons::Ok, MessageIcon::Critical};
}

std::string scoreDisplayText(float score)
{
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.3f", static_cast<double>(score));
    std::string text(buf);
    if (text.size() > 1 && text.back() == '0')
        text.pop_back();
    if (text == "-0.00")
        text = "0.00";
    return text;
}

std::string transformStepText(Transformation transformation, float constant)
{
    char number[32];
    std::snprintf(number, sizeof number, "%.7g", static_cast<double>(constant));
    switch (transformation) {
    case Transformation::Logarithm: return "natural log";
    case Transformation::RankOrder: return "rank order";
    case Transformation::Arcsin: return "arcsine";
    case Transformation::AddConstant: return std::string(number) + " added";
    case Transformation::MultiplyByConstant: return std::string("multiplied by ") + number;
    case Transformation::RaiseToPower: return std::string("raised to the power ") + number;
    case Transformation::None: break;
    }
    return {};
}

std::string dataStepsNote(const std::vector<std::string>& steps)
{
    if (steps.empty())
        return {};
    std::string line = "  Scores transformed: ";
    for (size_t i = 0; i < steps.size(); ++i)
        line += (i > 0 ? ", then " : "") + steps[i];
    return line + ".";
}

std::string stepsSinceOkText(const std::vector<std::string>& steps)
{
    if (steps.empty())
        return "Nothing applied since Data OK.";
    std::string line = "Applied since Data OK: ";
    for (size_t i = 0; i < steps.size(); ++i)
        line += (i > 0 ? ", then " : "") + steps[i];
    return line + ".";
}

}  // namespace varisect
