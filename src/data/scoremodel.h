// SPDX-License-Identifier: GPL-3.0-or-later
// The item model of a score grid: the label columns of GridRows, then the entry column of a
// ScoreColumn with the text as typed; an imputed score is shown in red (its "I" mark is kept
// apart from the text). Every change of the entries goes through the column's edits and is
// announced here for the rows it touched.
#pragma once

#include <string>
#include <vector>

#include <QAbstractTableModel>

#include "data/scorecolumn.h"
#include "engine/design.h"

namespace varisect {

class ScoreModel : public QAbstractTableModel {
    Q_OBJECT

public:
    explicit ScoreModel(GridRows rows, QObject* parent = nullptr);
    // The data entry grid's rows for `design` (see GridRows::factorial).
    ScoreModel(const Design& design, bool useLevelLabels, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    // Only the entry column takes data: a text (EditRole) or the imputed mark (UserRole, bool).
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;

    // New rows, every entry empty.
    void reset(GridRows rows);

    const GridRows& rows() const { return rows_; }
    const ScoreColumn& column() const { return column_; }
    int scoreColumn() const { return rows_.entryColumn(); }
    int scoreCount() const { return static_cast<int>(column_.size()); }
    const std::string& text(int row) const { return column_.text(row); }
    bool imputed(int row) const { return column_.imputed(row); }
    const std::vector<std::string>& texts() const { return column_.texts(); }
    const std::vector<bool>& imputedMarks() const { return column_.marks(); }
    bool anyScore() const { return column_.anyScore(); }

    // The edits of ScoreColumn, each announced for the rows it changed.
    void setScore(int row, const std::string& text, bool imputed, bool sameStep = false);
    void setScores(const std::vector<std::string>& texts, const std::vector<bool>& imputed);
    void clearAll();
    void insertScoreAt(int row);
    void removeScoreAt(int row);
    void fillFrom(int row, const std::vector<std::string>& texts, const std::vector<bool>& imputed);
    void toggleImputed(const std::vector<int>& rows);
    void clearRows(const std::vector<int>& rows);
    // The column's history: the rows undone or redone, announced.
    RowRange undo();
    RowRange redo();
    void markSaved() { column_.markSaved(); }
    void forgetHistory() { column_.forgetHistory(); }

private:
    void announce(RowRange changed);

    GridRows rows_;
    ScoreColumn column_;
};

}  // namespace varisect
