// SPDX-License-Identifier: GPL-3.0-or-later
#include "data/scorecolumn.h"

#include <algorithm>

namespace varisect {

namespace {

// Characters a text takes in a fixed-pitch print: UTF-8 continuation bytes do not count.
std::size_t printWidth(const std::string& s)
{
    return static_cast<std::size_t>(std::count_if(s.begin(), s.end(), [](char c) {
        return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    }));
}

std::string entryText(const ScoreColumn& column, long row)
{
    return column.text(row) + (column.imputed(row) && !column.text(row).empty() ? "I" : "");
}

}  // namespace

// ---- The entry column ----

void ScoreColumn::reset(long rows)
{
    texts_.assign(static_cast<std::size_t>(std::max(0L, rows)), std::string());
    marks_.assign(texts_.size(), false);
    forgetHistory();
}

void ScoreColumn::forgetHistory()
{
    history_.clear();
    done_ = 0;
    saved_ = -1;
    baseId_ = ++lastId_;
}

long ScoreColumn::firstFilledFrom(long row) const
{
    for (long r = std::max(0L, row); r < size(); ++r)
        if (!texts_[static_cast<std::size_t>(r)].empty())
            return r;
    return -1;
}

RowRange ScoreColumn::write(long first, const std::vector<std::string>& texts, const std::vector<bool>& marks)
{
    RowRange changed;
    for (std::size_t k = 0; k < texts.size(); ++k) {
        const auto r = static_cast<std::size_t>(first) + k;
        if (texts_[r] == texts[k] && marks_[r] == marks[k])
            continue;
        texts_[r] = texts[k];
        marks_[r] = marks[k];
        const long row = static_cast<long>(r);
        if (changed.empty())
            changed = {row, row};
        changed.last = row;
    }
    return changed;
}

RowRange ScoreColumn::replace(long first, std::vector<std::string> texts, std::vector<bool> marks, bool sameStep)
{
    Step step;
    step.first = first;
    const auto f = static_cast<std::ptrdiff_t>(first), l = f + static_cast<std::ptrdiff_t>(texts.size());
    step.before.assign(texts_.begin() + f, texts_.begin() + l);
    step.marksBefore.assign(marks_.begin() + f, marks_.begin() + l);
    const RowRange changed = write(first, texts, marks);
    if (changed.empty())
        return changed;
    step.after = std::move(texts);
    step.marksAfter = std::move(marks);

    // What could be redone is gone once something new is done.
    history_.resize(done_);
    if (saved_ > static_cast<long>(done_))
        saved_ = -1;
    Step* last = history_.empty() ? nullptr : &history_.back();
    if (sameStep && last && saved_ != static_cast<long>(done_) && last->first == first &&
        last->after.size() == step.after.size()) {
        last->after = std::move(step.after);
        last->marksAfter = std::move(step.marksAfter);
        return changed;
    }
    step.id = ++lastId_;
    history_.push_back(std::move(step));
    if (history_.size() > kHistorySteps) {
        baseId_ = history_.front().id;
        history_.erase(history_.begin());
        saved_ = saved_ > 0 ? saved_ - 1 : -1;
    }
    done_ = history_.size();
    return changed;
}

RowRange ScoreColumn::undo()
{
    if (!canUndo())
        return {};
    const Step& step = history_[--done_];
    return write(step.first, step.before, step.marksBefore);
}

RowRange ScoreColumn::redo()
{
    if (!canRedo())
        return {};
    const Step& step = history_[done_++];
    return write(step.first, step.after, step.marksAfter);
}

RowRange ScoreColumn::setScore(long row, const std::string& text, bool imputed, bool sameStep)
{
    if (row < 0 || row >= size())
        return {};
    return replace(row, {text}, {imputed}, sameStep);
}

RowRange ScoreColumn::setScores(const std::vector<std::string>& texts, const std::vector<bool>& marks)
{
    std::vector<std::string> t(texts_.size());
    std::vector<bool> m(texts_.size(), false);
    for (std::size_t r = 0; r < t.size() && r < texts.size(); ++r) {
        t[r] = texts[r];
        m[r] = r < marks.size() && marks[r];
    }
    return replace(0, std::move(t), std::move(m));
}

RowRange ScoreColumn::clearAll()
{
    return replace(0, std::vector<std::string>(texts_.size()), std::vector<bool>(texts_.size(), false));
}

RowRange ScoreColumn::insertAt(long row)
{
    if (row < 0 || row >= size())
        return {};
    const auto r = static_cast<std::ptrdiff_t>(row);
    std::vector<std::string> t{std::string()};
    t.insert(t.end(), texts_.begin() + r, texts_.end() - 1);
    std::vector<bool> m{false};
    m.insert(m.end(), marks_.begin() + r, marks_.end() - 1);
    return replace(row, std::move(t), std::move(m));
}

RowRange ScoreColumn::removeAt(long row)
{
    if (row < 0 || row >= size())
        return {};
    const auto r = static_cast<std::ptrdiff_t>(row);
    std::vector<std::string> t(texts_.begin() + r + 1, texts_.end());
    t.emplace_back();
    std::vector<bool> m(marks_.begin() + r + 1, marks_.end());
    m.push_back(false);
    return replace(row, std::move(t), std::move(m));
}

RowRange ScoreColumn::fillFrom(long row, const std::vector<std::string>& texts, const std::vector<bool>& marks)
{
    if (row < 0 || row >= size())
        return {};
    const std::size_t n = std::min(texts.size(), static_cast<std::size_t>(size() - row));
    std::vector<std::string> t(texts.begin(), texts.begin() + static_cast<std::ptrdiff_t>(n));
    std::vector<bool> m(n, false);
    for (std::size_t k = 0; k < n && k < marks.size(); ++k)
        m[k] = marks[k];
    return replace(row, std::move(t), std::move(m));
}

RowRange ScoreColumn::toggleImputed(const std::vector<long>& rows)
{
    long first = size(), last = -1;
    bool allMarked = true;
    for (long r : rows) {
        if (r < 0 || r >= size())
            continue;
        first = std::min(first, r);
        last = std::max(last, r);
        allMarked = allMarked && imputed(r);
    }
    if (last < first)
        return {};
    const auto f = static_cast<std::ptrdiff_t>(first), l = static_cast<std::ptrdiff_t>(last) + 1;
    std::vector<std::string> t(texts_.begin() + f, texts_.begin() + l);
    std::vector<bool> m(marks_.begin() + f, marks_.begin() + l);
    for (long r : rows)
        if (r >= first && r <= last)
            m[static_cast<std::size_t>(r - first)] = !allMarked;
    return replace(first, std::move(t), std::move(m));
}

RowRange ScoreColumn::clearRows(const std::vector<long>& rows)
{
    long first = size(), last = -1;
    for (long r : rows) {
        if (r < 0 || r >= size())
            continue;
        first = std::min(first, r);
        last = std::max(last, r);
    }
    if (last < first)
        return {};
    const auto f = static_cast<std::ptrdiff_t>(first), l = static_cast<std::ptrdiff_t>(last) + 1;
    std::vector<std::string> t(texts_.begin() + f, texts_.begin() + l);
    std::vector<bool> m(marks_.begin() + f, marks_.begin() + l);
    for (long r : rows)
        if (r >= first && r <= last) {
            t[static_cast<std::size_t>(r - first)].clear();
            m[static_cast<std::size_t>(r - first)] = false;
        }
    return replace(first, std::move(t), std::move(m));
}

// ---- The label columns ----

GridRows GridRows::factorial(const Design& design, bool useLevelLabels)
{
    GridRows g;
    g.kind_ = Kind::Factorial;
    long stride = 1;
    for (const Factor& f : design.factors) {
        g.names_.push_back(f.name);
        g.levels_.push_back(std::max(1, f.levels));
        g.strides_.push_back(stride);
        stride *= std::max(1, f.levels);
        const bool labels = useLevelLabels && f.levelLabels.size() >= static_cast<std::size_t>(f.levels);
        g.levelLabels_.push_back(labels ? f.levelLabels : std::vector<std::string>{});
    }
    g.rows_ = design.factors.empty() ? 0 : std::min(stride, kMaxScores);
    return g;
}

GridRows GridRows::listed(std::vector<std::string> columns, std::vector<std::vector<int>> rowLevels,
                          std::string entryHeading)
{
    GridRows g;
    g.kind_ = Kind::Listed;
    g.names_ = std::move(columns);
    g.rowLevels_ = std::move(rowLevels);
    for (std::vector<int>& levels : g.rowLevels_)
        levels.resize(g.names_.size(), 0);
    g.rows_ = static_cast<long>(g.rowLevels_.size());
    g.entryHeading_ = std::move(entryHeading);
    return g;
}

GridRows GridRows::cells(const Design& cells, const std::vector<long>& rowsPerCell, std::string entryHeading)
{
    std::vector<std::string> names;
    for (const Factor& f : cells.factors)
        names.push_back(f.name);
    std::vector<std::vector<int>> rows;
    for (std::size_t c = 0; c < rowsPerCell.size(); ++c) {
        // Cell c (0-based) in factorial order: the lowest-numbered factor varies fastest.
        std::vector<int> levels;
        long rest = static_cast<long>(c);
        for (const Factor& f : cells.factors) {
            const int n = std::max(1, f.levels);
            levels.push_back(static_cast<int>(rest % n) + 1);
            rest /= n;
        }
        for (long k = 0; k < rowsPerCell[c]; ++k)
            rows.push_back(levels);
    }
    return listed(std::move(names), std::move(rows), std::move(entryHeading));
}

std::string GridRows::heading(int column) const
{
    if (column == entryColumn())
        return entryHeading_;
    if (column < 0 || column > entryColumn())
        return {};
    if (kind_ == Kind::Listed)
        return names_[static_cast<std::size_t>(column)];
    return column % 2 == 0 ? "Factor " + std::to_string(column / 2 + 1) : "Level";
}

std::string GridRows::levelText(long row, std::size_t factor) const
{
    if (kind_ == Kind::Listed)
        return std::to_string(rowLevels_[static_cast<std::size_t>(row)][factor]);
    const long level = (row / strides_[factor]) % levels_[factor];  // 0-based
    if (!levelLabels_[factor].empty())
        return levelLabels_[factor][static_cast<std::size_t>(level)];
    return std::to_string(level + 1);
}

std::string GridRows::text(long row, int column) const
{
    if (row < 0 || row >= rows_ || column < 0 || column >= labelColumns())
        return {};
    const auto c = static_cast<std::size_t>(column);
    if (kind_ == Kind::Listed)
        return levelText(row, c);
    return c % 2 == 0 ? names_[c / 2] : levelText(row, c / 2);
}

std::vector<std::string> GridRows::columnTexts(int column) const
{
    if (column < 0 || column >= labelColumns())
        return {};
    auto c = static_cast<std::size_t>(column);
    if (kind_ == Kind::Factorial) {
        if (c % 2 == 0)
            return {names_[c / 2]};
        c /= 2;
        if (!levelLabels_[c].empty())
            return levelLabels_[c];
        return {std::to_string(levels_[c])};
    }
    int most = 0;
    for (const std::vector<int>& levels : rowLevels_)
        most = std::max(most, levels[c]);
    return {std::to_string(most)};
}

std::vector<std::string> GridRows::printLines(const ScoreColumn& column, const std::string& problemLabel,
                                              const std::string& heading) const
{
    std::vector<std::string> lines;
    if (!problemLabel.empty())
        lines.push_back(problemLabel);
    lines.push_back(heading);

    const int columns = labelColumns();
    std::vector<std::size_t> width(static_cast<std::size_t>(columns), 1);
    for (int c = 0; c < columns; ++c)
        for (const std::string& t : columnTexts(c))
            width[static_cast<std::size_t>(c)] = std::max(width[static_cast<std::size_t>(c)], printWidth(t));
    std::string line;
    for (long r = 0; r < std::min(rows_, column.size()); ++r) {
        line.clear();
        for (int c = 0; c < columns; ++c) {
            const std::string t = text(r, c);
            line += t;
            // A factor's name is followed by two blanks; every level by three after the widest.
            if (kind_ == Kind::Factorial && c % 2 == 0)
                line += "  ";
            else
                line.append(width[static_cast<std::size_t>(c)] - std::min(width[static_cast<std::size_t>(c)], printWidth(t)) + 3, ' ');
        }
        line += column.text(r);  // the printout shows the score as typed, without a mark
        lines.push_back(line);
    }
    return lines;
}

std::vector<std::vector<std::string>> GridRows::printTable(const ScoreColumn& column) const
{
    std::vector<std::vector<std::string>> rows;
    std::vector<std::string> header;
    for (int c = 0; c <= entryColumn(); ++c)
        header.push_back(heading(c));
    rows.push_back(std::move(header));
    for (long r = 0; r < std::min(rows_, column.size()); ++r) {
        std::vector<std::string> line;
        for (int c = 0; c < labelColumns(); ++c)
            line.push_back(text(r, c));
        line.push_back(entryText(column, r));
        rows.push_back(std::move(line));
    }
    return rows;
}

}  // namespace varisect
