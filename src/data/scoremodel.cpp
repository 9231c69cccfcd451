// SPDX-License-Identifier: GPL-3.0-or-later
#include "data/scoremodel.h"

#include <algorithm>

#include <QBrush>
#include <QColor>

namespace varisect {

namespace {

QString qs(const std::string& s) { return QString::fromStdString(s); }

// Characters a text takes in a fixed-pitch print: UTF-8 continuation bytes do not count.
std::size_t printWidth(const std::string& s)
{
    return static_cast<std::size_t>(std::count_if(s.begin(), s.end(), [](char c) {
        return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    }));
}

}  // namespace

ScoreModel::ScoreModel(const Design& design, bool useLevelLabels, QObject* parent) : QAbstractTableModel(parent)
{
    long stride = 1;
    for (const Factor& f : design.factors) {
        factorNames_.push_back(f.name);
        levels_.push_back(std::max(1, f.levels));
        strides_.push_back(stride);
        stride *= std::max(1, f.levels);
        const bool labels = useLevelLabels && f.levelLabels.size() >= static_cast<std::size_t>(f.levels);
        levelLabels_.push_back(labels ? f.levelLabels : std::vector<std::string>{});
    }
    const long n = design.factors.empty() ? 0 : std::min(stride, kMaxScores);
    texts_.assign(static_cast<std::size_t>(n), std::string());
    imputed_.assign(static_cast<std::size_t>(n), 0);
}

int ScoreModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : scoreCount();
}

int ScoreModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : scoreColumn() + 1;
}

std::string ScoreModel::levelText(int row, int factor) const
{
    const auto f = static_cast<std::size_t>(factor);
    const long level = (row / strides_[f]) % levels_[f];  // 0-based
    if (!levelLabels_[f].empty())
        return levelLabels_[f][static_cast<std::size_t>(level)];
    return std::to_string(level + 1);
}

QVariant ScoreModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= scoreCount() || index.column() > scoreColumn())
        return {};
    const int row = index.row();
    const int col = index.column();
    if (col == scoreColumn()) {
        switch (role) {
        case Qt::DisplayRole:
        case Qt::EditRole:
            return qs(text(row));
        case Qt::ForegroundRole:
            if (imputed(row))
                return QBrush(QColor(255, 0, 0));
            return {};
        case Qt::UserRole:
            return imputed(row);
        case Qt::TextAlignmentRole:
            return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
        default:
            return {};
        }
    }
    if (role != Qt::DisplayRole)
        return {};
    if (col % 2 == 0)
        return qs(factorName(col / 2));
    return qs(levelText(row, col / 2));
}

QVariant ScoreModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole)
        return QAbstractTableModel::headerData(section, orientation, role);
    if (orientation == Qt::Vertical)
        return section + 1;
    if (section == scoreColumn())
        return QStringLiteral("Score");
    if (section < 0 || section > scoreColumn())
        return {};
    return section % 2 == 0 ? QStringLiteral("Factor %1").arg(section / 2 + 1) : QStringLiteral("Level");
}

Qt::ItemFlags ScoreModel::flags(const QModelIndex& index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    // Typing in the score column follows the grid's own key rules, not an item editor.
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable;
}

bool ScoreModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    if (!index.isValid() || index.column() != scoreColumn() || index.row() >= scoreCount())
        return false;
    const int row = index.row();
    if (role == Qt::EditRole) {
        setScore(row, value.toString().toStdString(), imputed(row));
        return true;
    }
    if (role == Qt::UserRole) {
        setScore(row, text(row), value.toBool());
        return true;
    }
    return false;
}

std::vector<bool> ScoreModel::imputedMarks() const
{
    return std::vector<bool>(imputed_.begin(), imputed_.end());
}

bool ScoreModel::anyScore() const
{
    return firstFilledFrom(0) >= 0;
}

int ScoreModel::firstFilledFrom(int row) const
{
    for (int r = std::max(0, row); r < scoreCount(); ++r)
        if (!texts_[static_cast<std::size_t>(r)].empty())
            return r;
    return -1;
}

void ScoreModel::scoresChanged(int first, int last)
{
    if (first > last || scoreCount() == 0)
        return;
    emit dataChanged(index(first, scoreColumn()), index(last, scoreColumn()));
}

void ScoreModel::setScore(int row, const std::string& text, bool imputed)
{
    if (row < 0 || row >= scoreCount())
        return;
    const auto r = static_cast<std::size_t>(row);
    if (texts_[r] == text && (imputed_[r] != 0) == imputed)
        return;
    texts_[r] = text;
    imputed_[r] = imputed ? 1 : 0;
    scoresChanged(row, row);
}

void ScoreModel::setScores(const std::vector<std::string>& texts, const std::vector<bool>& imputed)
{
    for (std::size_t r = 0; r < texts_.size(); ++r) {
        texts_[r] = r < texts.size() ? texts[r] : std::string();
        imputed_[r] = r < texts.size() && r < imputed.size() && imputed[r] ? 1 : 0;
    }
    scoresChanged(0, scoreCount() - 1);
}

void ScoreModel::clearAll()
{
    for (std::string& t : texts_)
        t.clear();
    std::fill(imputed_.begin(), imputed_.end(), 0);
    scoresChanged(0, scoreCount() - 1);
}

void ScoreModel::insertScoreAt(int row)
{
    if (row < 0 || row >= scoreCount())
        return;
    const auto r = static_cast<std::ptrdiff_t>(row);
    std::move_backward(texts_.begin() + r, texts_.end() - 1, texts_.end());
    std::move_backward(imputed_.begin() + r, imputed_.end() - 1, imputed_.end());
    texts_[static_cast<std::size_t>(row)].clear();
    imputed_[static_cast<std::size_t>(row)] = 0;
    scoresChanged(row, scoreCount() - 1);
}

void ScoreModel::removeScoreAt(int row)
{
    if (row < 0 || row >= scoreCount())
        return;
    const auto r = static_cast<std::ptrdiff_t>(row);
    std::move(texts_.begin() + r + 1, texts_.end(), texts_.begin() + r);
    std::move(imputed_.begin() + r + 1, imputed_.end(), imputed_.begin() + r);
    texts_.back().clear();
    imputed_.back() = 0;
    scoresChanged(row, scoreCount() - 1);
}

void ScoreModel::fillFrom(int row, const std::vector<std::string>& lines)
{
    if (row < 0 || lines.empty())
        return;
    const int last = std::min(scoreCount() - 1, row + static_cast<int>(lines.size()) - 1);
    for (int r = row; r <= last; ++r) {
        texts_[static_cast<std::size_t>(r)] = lines[static_cast<std::size_t>(r - row)];
        imputed_[static_cast<std::size_t>(r)] = 0;
    }
    scoresChanged(row, last);
}

void ScoreModel::toggleImputed(const std::vector<int>& rows)
{
    bool allRed = true;
    for (int r : rows)
        if (r >= 0 && r < scoreCount() && !imputed(r))
            allRed = false;
    for (int r : rows)
        setScore(r, r >= 0 && r < scoreCount() ? text(r) : std::string(), !allRed);
}

std::vector<std::string> ScoreModel::printLines(const std::string& problemLabel, bool transformed) const
{
    std::vector<std::string> lines;
    if (!problemLabel.empty())
        lines.push_back(problemLabel);
    lines.push_back(transformed ? "   Transformed Data" : "   Raw Data");

    const std::size_t factors = factorNames_.size();
    std::vector<std::size_t> levelWidth(factors, 1);
    for (std::size_t f = 0; f < factors; ++f) {
        if (levelLabels_[f].empty()) {
            levelWidth[f] = std::to_string(levels_[f]).size();
        } else {
            for (const std::string& l : levelLabels_[f])
                levelWidth[f] = std::max(levelWidth[f], printWidth(l));
        }
    }
    std::string line;
    for (int r = 0; r < scoreCount(); ++r) {
        line.clear();
        for (std::size_t f = 0; f < factors; ++f) {
            line += factorNames_[f];
            line += "  ";
            const std::string level = levelText(r, static_cast<int>(f));
            line += level;
            line.append(levelWidth[f] - std::min(levelWidth[f], printWidth(level)) + 3, ' ');
        }
        line += texts_[static_cast<std::size_t>(r)];
        lines.push_back(line);
    }
    return lines;
}

}  // namespace varisect
