// SPDX-License-Identifier: GPL-3.0-or-later
#include "design/levellabels.h"

#include <algorithm>
#include <set>

#include "engine/numbertext.h"
#include "analysis/analysisservice.h"

namespace varisect {

namespace {

Message labelError(const std::string& text)
{
    return {"Label Error!", text, MessageButtons::Ok, MessageIcon::Critical};
}

}  // namespace

std::size_t characterCount(const std::string& text)
{
    std::size_t n = 0;
    for (const char c : text)
        if ((static_cast<unsigned char>(c) & 0xC0) != 0x80)
            ++n;
    return n;
}

LevelLabels::LevelLabels(const Design& design, int skipFactor) : skipFactor_(skipFactor)
{
    for (const Factor& f : design.factors) {
        names_.push_back(f.name);
        const int levels = f.levels > 0 ? f.levels : 0;
        levels_.push_back(levels);
        std::vector<std::string> labels = f.levelLabels;
        labels.resize(static_cast<std::size_t>(levels));
        labels_.push_back(std::move(labels));
    }
    startOver();
}

bool LevelLabels::takesLabels(int factor) const
{
    return factor >= 1 && factor <= static_cast<int>(levels_.size()) && factor != skipFactor_ &&
           levels_[static_cast<std::size_t>(factor - 1)] > 0;
}

int LevelLabels::nextLabelledFactor(int after) const
{
    for (int j = after + 1; j <= static_cast<int>(levels_.size()); ++j)
        if (takesLabels(j))
            return j;
    return 0;
}

void LevelLabels::moveToFactor(int factor)
{
    factor_ = factor;
    level_ = factor > 0 ? 1 : 0;
}

std::string LevelLabels::openingPrompt() const
{
    if (!asking())
        return {};
    return "For Factor " + std::to_string(factor_) + ", " + names_[static_cast<std::size_t>(factor_ - 1)] +
           ", " + "what is the label for level " + std::to_string(level_) + "?";
}

std::string LevelLabels::enteringPrompt() const
{
    if (!asking())
        return {};
    return "Please enter a label for Factor" + numberText(factor_) + ", " +
           names_[static_cast<std::size_t>(factor_ - 1)] + "," + " Level " + std::to_string(level_) + ".";
}

std::string LevelLabels::prompt() const
{
    if (!asking())
        return kAllLabelsGiven;
    return entering_ ? enteringPrompt() : openingPrompt();
}

std::optional<Message> LevelLabels::checkTyping(const std::string& text)
{
    if (characterCount(text) <= static_cast<std::size_t>(kMaxLevelLabelLength))
        return std::nullopt;
    return labelError("The length of a label is limited to two characters.");
}

std::optional<Message> LevelLabels::accept(const std::string& text)
{
    if (!asking())
        return std::nullopt;
    if (text.empty())
        return Message{"Value Missing!", enteringPrompt(), MessageButtons::Ok, MessageIcon::None};
    if (auto tooLong = checkTyping(text))
        return tooLong;
    if (auto comma = commaRefusal(text, "level label"))
        return labelError(*comma);

    auto& labels = labels_[static_cast<std::size_t>(factor_ - 1)];
    labels[static_cast<std::size_t>(level_ - 1)] = text;
    entering_ = true;
    if (level_ < static_cast<int>(labels.size()))
        ++level_;
    else
        moveToFactor(nextLabelledFactor(factor_));
    return std::nullopt;
}

void LevelLabels::useCellIndices()
{
    if (!asking())
        return;
    auto& labels = labels_[static_cast<std::size_t>(factor_ - 1)];
    for (std::size_t k = 0; k < labels.size(); ++k)
        labels[k] = std::to_string(k + 1);
    entering_ = true;
    moveToFactor(nextLabelledFactor(factor_));
}

void LevelLabels::startOver()
{
    entering_ = false;
    moveToFactor(nextLabelledFactor(0));
}

std::optional<Message> LevelLabels::finish(Design& design)
{
    // Finished is only offered once every label is given; a caller that asks earlier gets the
    // walk continued rather than a table with holes.
    if (asking())
        return Message{"Value Missing!", enteringPrompt(), MessageButtons::Ok, MessageIcon::None};

    for (int j = 1; j <= static_cast<int>(labels_.size()); ++j) {
        if (!takesLabels(j))
            continue;
        const auto& labels = labels_[static_cast<std::size_t>(j - 1)];
        const std::set<std::string> distinct(labels.begin(), labels.end());
        if (distinct.size() == labels.size())
            continue;
        entering_ = false;
        moveToFactor(j);
        return Message{"Error",
                       "Two or more of the levels for Factor " + std::to_string(j) + ", " +
                           names_[static_cast<std::size_t>(j - 1)] + ", have the same label." +
                           "  Please correct.",
                       MessageButtons::Ok, MessageIcon::None};
    }
    const std::size_t n = std::min(labels_.size(), design.factors.size());
    for (std::size_t j = 0; j < n; ++j) {
        std::vector<std::string> labels;
        if (takesLabels(static_cast<int>(j + 1)))
            labels = labels_[j];
        labels.resize(static_cast<std::size_t>(std::max(design.factors[j].levels, 0)));
        design.factors[j].levelLabels = std::move(labels);
    }
    return std::nullopt;
}

}  // namespace varisect
