// SPDX-License-Identifier: GPL-3.0-or-later
#include "data/scoremodel.h"

#include <QBrush>
#include <QColor>

#include "platform/qttext.h"

namespace varisect {

ScoreModel::ScoreModel(GridRows rows, QObject* parent)
    : QAbstractTableModel(parent), rows_(std::move(rows)), column_(rows_.rowCount())
{
}

ScoreModel::ScoreModel(const Design& design, bool useLevelLabels, QObject* parent)
    : ScoreModel(GridRows::factorial(design, useLevelLabels), parent)
{
}

void ScoreModel::reset(GridRows rows)
{
    beginResetModel();
    rows_ = std::move(rows);
    column_.reset(rows_.rowCount());
    endResetModel();
}

int ScoreModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : scoreCount();
}

int ScoreModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : scoreColumn() + 1;
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
    const bool listed = rows_.kind() == GridRows::Kind::Listed;
    switch (role) {
    case Qt::DisplayRole:
        return qs(rows_.text(row, col));
    case Qt::TextAlignmentRole:
        if (listed)
            return QVariant::fromValue(Qt::AlignCenter);
        return {};
    case Qt::BackgroundRole:
        // The level columns of a listed grid are shaded apart from the entries.
        if (listed)
            return QBrush(QColor(0xF0, 0xF0, 0xF0));
        return {};
    default:
        return {};
    }
}

QVariant ScoreModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole)
        return QAbstractTableModel::headerData(section, orientation, role);
    if (orientation == Qt::Vertical)
        return section + 1;
    if (section < 0 || section > scoreColumn())
        return {};
    return qs(rows_.heading(section));
}

Qt::ItemFlags ScoreModel::flags(const QModelIndex& index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    // Typing in the entry column follows the grid's own key rules; F2 and a double click edit
    // an entry in place through the grid's editor, which checks the text the same way.
    if (index.column() == scoreColumn())
        return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsEditable;
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

void ScoreModel::announce(RowRange changed)
{
    if (changed.empty())
        return;
    emit dataChanged(index(static_cast<int>(changed.first), scoreColumn()),
                     index(static_cast<int>(changed.last), scoreColumn()));
}

void ScoreModel::setScore(int row, const std::string& text, bool imputed, bool sameStep)
{
    announce(column_.setScore(row, text, imputed, sameStep));
}

void ScoreModel::setScores(const std::vector<std::string>& texts, const std::vector<bool>& imputed)
{
    announce(column_.setScores(texts, imputed));
}

void ScoreModel::clearAll()
{
    announce(column_.clearAll());
}

void ScoreModel::insertScoreAt(int row)
{
    announce(column_.insertAt(row));
}

void ScoreModel::removeScoreAt(int row)
{
    announce(column_.removeAt(row));
}

void ScoreModel::fillFrom(int row, const std::vector<std::string>& texts, const std::vector<bool>& imputed)
{
    announce(column_.fillFrom(row, texts, imputed));
}

void ScoreModel::toggleImputed(const std::vector<int>& rows)
{
    announce(column_.toggleImputed(std::vector<long>(rows.begin(), rows.end())));
}

void ScoreModel::clearRows(const std::vector<int>& rows)
{
    announce(column_.clearRows(std::vector<long>(rows.begin(), rows.end())));
}

RowRange ScoreModel::undo()
{
    const RowRange changed = column_.undo();
    announce(changed);
    return changed;
}

RowRange ScoreModel::redo()
{
    const RowRange changed = column_.redo();
    announce(changed);
    return changed;
}

}  // namespace varisect
