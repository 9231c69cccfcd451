// SPDX-License-Identifier: GPL-3.0-or-later
// The rows of the data entry grid: one per score in factorial order (factor 1 cycling fastest),
// a name and a level column per factor, then the score column with the text as typed. An
// imputed score is shown in red; its "I" mark is kept apart from the text.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include <QAbstractTableModel>

#include "engine/design.h"

namespace varisect {

class ScoreModel : public QAbstractTableModel {
    Q_OBJECT

public:
    // `useLevelLabels`: show each factor's level labels instead of level numbers (a factor
    // without enough labels falls back to the numbers).
    explicit ScoreModel(const Design& design, bool useLevelLabels, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    // Only the score column takes data: a text (EditRole) or the imputed mark (UserRole, bool).
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;

    int scoreColumn() const { return 2 * static_cast<int>(factorNames_.size()); }
    int scoreCount() const { return static_cast<int>(texts_.size()); }

    const std::string& text(int row) const { return texts_.at(static_cast<std::size_t>(row)); }
    bool imputed(int row) const { return imputed_.at(static_cast<std::size_t>(row)) != 0; }
    const std::vector<std::string>& texts() const { return texts_; }
    std::vector<bool> imputedMarks() const;
    // The factor name and the level shown in `row` for factor `factor` (0-based).
    const std::string& factorName(int factor) const { return factorNames_.at(static_cast<std::size_t>(factor)); }
    std::string levelText(int row, int factor) const;
    bool anyScore() const;
    // The row of the first cell holding data at or after `row`, or -1.
    int firstFilledFrom(int row) const;

    void setScore(int row, const std::string& text, bool imputed);
    // Replaces every score; missing entries become empty, extra ones are dropped.
    void setScores(const std::vector<std::string>& texts, const std::vector<bool>& imputed);
    void clearAll();
    // The score at `row` and those below move down one row; `row` becomes empty and the last
    // score falls off.
    void insertScoreAt(int row);
    // The scores below `row` move up one row; the last cell becomes empty.
    void removeScoreAt(int row);
    // Writes `lines` into the rows from `row` on (the caller has checked they fit); typed scores.
    void fillFrom(int row, const std::vector<std::string>& lines);
    // Switches the imputed mark of each row: all red when any of them was not, else all black.
    void toggleImputed(const std::vector<int>& rows);

    // The lines of the printed data: the problem label when there is one, the heading, then one
    // line per row with the name and level columns and the score, aligned in columns.
    std::vector<std::string> printLines(const std::string& problemLabel, bool transformed) const;

private:
    void scoresChanged(int first, int last);

    std::vector<std::string> factorNames_;
    std::vector<int> levels_;
    std::vector<long> strides_;
    std::vector<std::vector<std::string>> levelLabels_;  // empty per factor: numbers
    std::vector<std::string> texts_;
    std::vector<std::uint8_t> imputed_;
};

}  // namespace varisect
