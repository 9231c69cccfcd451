// SPDX-License-Identifier: GPL-3.0-or-later
#include "data/outliers.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <stdexcept>
#include <string>
#include <utility>

#include "engine/numbertext.h"

namespace varisect {

namespace {

// A score in the message form of numbers: the shortest digits that give back the single
// precision value, then the leading blank for the sign (" 100", "-2.5", " .1").
std::string scoreText(float score)
{
    char buf[48];
    const auto r = std::to_chars(buf, buf + sizeof buf, score);
    double value = score;
    std::from_chars(buf, r.ptr, value);
    return numberText(value);
}

}  // namespace

std::optional<OutlierStatistics> outlierStatistics(const Scores& scores)
{
    if (scores.empty())
        return std::nullopt;
    OutlierStatistics s;
    const auto [lo, hi] = std::minmax_element(scores.begin(), scores.end());
    s.min = *lo;
    s.max = *hi;
    for (const float x : scores) {
        if (x != s.max && x != s.min) {
            s.sum += x;
            s.sumOfSquares += static_cast<double>(x) * x;
            ++s.n;
        }
    }
    if (s.n == 0) {  // nothing strictly between the extremes: use every score
        for (const float x : scores) {
            s.sum += x;
            s.sumOfSquares += static_cast<double>(x) * x;
        }
        s.n = static_cast<long>(scores.size());
    }
    const double n = static_cast<double>(s.n);
    s.mean = s.sum / n;
    // The divisor is n squared minus one, by design of this check, not n (n - 1).
    s.variance = s.n > 1 ? (n * s.sumOfSquares - s.sum * s.sum) / (n * n - 1) : 0.0;
    s.sd = s.variance > 0 ? std::sqrt(s.variance) : 1.0;
    s.lower = static_cast<float>(s.mean - 4 * s.sd);
    s.upper = static_cast<float>(s.mean + 4 * s.sd);
    return s;
}

bool outlierCheckDue(bool checkThisRun, bool dataFromFile, bool dataChanged)
{
    return checkThisRun && (!dataFromFile || dataChanged);
}

bool ConfirmedOutliers::covers(std::size_t index, float value) const
{
    return index < values_.size() && values_[index] && *values_[index] == value;
}

void ConfirmedOutliers::confirm(std::size_t index, float value)
{
    if (index >= values_.size())
        values_.resize(index + 1);
    values_[index] = value;
}

std::size_t ConfirmedOutliers::count() const
{
    return static_cast<std::size_t>(
        std::count_if(values_.begin(), values_.end(), [](const auto& v) { return v.has_value(); }));
}

Message outlierQuestionMessage(float score)
{
    return Message{"Possible Data Entry Error?",
                   "  The value entered," + scoreText(score) +
                       ", is more than 4 Standard Deviations from the (trimmed) Mean of the "
                       "scores.  Is it correct?" +
                       kMessageLineBreak +
                       "   Clicking the Cancel button will end the check for outliers.",
                   MessageButtons::YesNoCancel, MessageIcon::Exclamation};
}

OutlierCheck::OutlierCheck(Scores scores, ConfirmedOutliers& confirmed)
    : scores_(std::move(scores)), confirmed_(confirmed), stats_(outlierStatistics(scores_))
{
    advance();
}

void OutlierCheck::advance()
{
    for (; stats_ && index_ < scores_.size(); ++index_) {
        const float x = scores_[index_];
        if (!confirmed_.covers(index_, x) && stats_->isOutlier(x)) {
            question_ = OutlierQuestion{index_, outlierQuestionMessage(x)};
            state_ = State::Asking;
            return;
        }
    }
    state_ = State::Passed;
}

const OutlierQuestion& OutlierCheck::question() const
{
    if (state_ != State::Asking)
        throw std::logic_error("OutlierCheck::question: the check is not asking");
    return question_;
}

void OutlierCheck::answer(OutlierAnswer answer)
{
    if (state_ != State::Asking)
        throw std::logic_error("OutlierCheck::answer: the check is not asking");
    switch (answer) {
    case OutlierAnswer::Yes:
        confirmed_.confirm(index_, scores_[index_]);
        ++index_;
        advance();
        break;
    case OutlierAnswer::No:
        state_ = State::StoppedForCorrection;
        break;
    case OutlierAnswer::Cancel:
        state_ = State::SwitchedOff;
        break;
    }
}

OutlierCheckResult runOutlierCheck(const Scores& scores, ConfirmedOutliers& confirmed,
                                   bool& checkThisRun,
                                   const std::function<OutlierAnswer(const OutlierQuestion&)>& ask)
{
    if (!checkThisRun)
        return {};
    OutlierCheck check(scores, confirmed);
    while (check.state() == OutlierCheck::State::Asking)
        check.answer(ask(check.question()));
    OutlierCheckResult result;
    switch (check.state()) {
    case OutlierCheck::State::StoppedForCorrection:
        result.unlock = false;
        result.correctRow = check.correctionIndex();
        break;
    case OutlierCheck::State::SwitchedOff:
        checkThisRun = false;
        break;
    case OutlierCheck::State::Asking:
    case OutlierCheck::State::Passed:
        break;
    }
    return result;
}

OutlierAnswer outlierAnswerOf(DialogAnswer answer)
{
    switch (answer) {
    case DialogAnswer::Yes:
        return OutlierAnswer::Yes;
    case DialogAnswer::No:
        return OutlierAnswer::No;
    default:
        return OutlierAnswer::Cancel;
    }
}

}  // namespace varisect
