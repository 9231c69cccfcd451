// SPDX-License-Identifier: GPL-3.0-or-later
#include "contrasts/comparisonswindow.h"

#include <algorithm>

#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include "platform/dialogs.h"
#include "platform/helpviewer.h"
#include "platform/qttext.h"
#include "shell/windowshell.h"

namespace varisect {

namespace {

constexpr int kMostContrasts = 40;

bool blankRow(const std::vector<QString>& row)
{
    for (const QString& cell : row)
        if (!cell.trimmed().isEmpty())
            return false;
    return true;
}

}  // namespace

ComparisonsWindow::ComparisonsWindow(ContrastParts parts, ShellContext context, ContrastHandOver handOver,
                                     QWidget* parent)
    : ContrastWindow(parts, std::move(context), std::move(handOver), kComparisonsTitle, kHelpPlannedComparisons,
                     parent),
      offered_(eligibleFactors(design(), ContrastKind::Comparison))
{
    setObjectName(QStringLiteral("comparisonsWindow"));
    auto* choices = new QWidget;
    auto* factorLabel = new QLabel(QStringLiteral("Fa&ctor:"), choices);
    factorBox_ = new QComboBox(choices);
    factorBox_->setObjectName(QStringLiteral("factorBox"));
    factorLabel->setBuddy(factorBox_);
    for (const int k : offered_) {
        const Factor& f = design().factor(k);
        factorBox_->addItem(qs(f.name + " (" + std::to_string(f.levels) + " levels)"), k);
    }
    shell()->explain(factorBox_, QStringLiteral("The factor whose levels are compared. Each factor keeps its own "
                                                "contrasts; all of them go into the table."));

    grid_ = new QTableWidget(choices);
    grid_->setObjectName(QStringLiteral("contrastGrid"));
    grid_->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    shell()->explain(grid_, QStringLiteral("One contrast per row: a coefficient for each level, adding up to 0 "
                                           "(for example 1 -1 0 compares the first two levels; 2 -1 -1 the first "
                                           "with the mean of the other two). An empty cell counts as 0; a row "
                                           "left empty is ignored."));
    meansLabel_ = new QLabel(choices);
    meansLabel_->setObjectName(QStringLiteral("meansLabel"));
    meansLabel_->setWordWrap(true);

    auto* add = new QPushButton(QStringLiteral("&Add Contrast"), choices);
    add->setObjectName(QStringLiteral("AddButton"));
    shell()->explain(add, QStringLiteral("Adds an empty row for one more contrast."));
    connect(add, &QPushButton::clicked, this, &ComparisonsWindow::addContrast);
    auto* remove = new QPushButton(QStringLiteral("Re&move Contrast"), choices);
    remove->setObjectName(QStringLiteral("RemoveButton"));
    shell()->explain(remove, QStringLiteral("Removes the contrast in the row of the current cell."));
    connect(remove, &QPushButton::clicked, this, &ComparisonsWindow::removeContrast);

    auto* top = new QHBoxLayout;
    top->addWidget(factorLabel);
    top->addWidget(factorBox_, 1);
    auto* rowButtons = new QHBoxLayout;
    rowButtons->addWidget(add);
    rowButtons->addWidget(remove);
    rowButtons->addStretch(1);
    auto* layout = new QVBoxLayout(choices);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addLayout(top);
    layout->addWidget(grid_, 1);
    layout->addWidget(meansLabel_);
    layout->addLayout(rowButtons);

    connect(factorBox_, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (index >= 0)
            chooseFactor(factorBox_->itemData(index).toInt());
    });
    if (!offered_.empty())
        chooseFactor(offered_.front());

    finishLayout(choices, QStringLiteral("Planned comparisons among the marginal means of a factor. Each contrast "
                                         "has 1 df and is tested against the error term of its factor's main "
                                         "effect."));
    resize(sizeHint().expandedTo(QSize(560, 340)));
}

ComparisonsWindow::~ComparisonsWindow() = default;

void ComparisonsWindow::chooseFactor(int k)
{
    if (k == current_)
        return;
    if (std::find(offered_.begin(), offered_.end(), k) == offered_.end())
        return;
    storeGrid();
    current_ = k;
    const int index = factorBox_->findData(k);
    if (factorBox_->currentIndex() != index)
        factorBox_->setCurrentIndex(index);
    loadGrid();
    showMeans();
}

void ComparisonsWindow::storeGrid()
{
    if (current_ == 0)
        return;
    Entries rows;
    for (int r = 0; r < grid_->rowCount(); ++r) {
        std::vector<QString> row;
        for (int c = 0; c < grid_->columnCount(); ++c) {
            const QTableWidgetItem* item = grid_->item(r, c);
            row.push_back(item ? item->text() : QString());
        }
        rows.push_back(std::move(row));
    }
    entries_[current_] = std::move(rows);
}

void ComparisonsWindow::loadGrid()
{
    const int levels = design().factor(current_).levels;
    Entries& rows = entries_[current_];
    if (rows.empty())
        rows.assign(1, std::vector<QString>(static_cast<std::size_t>(levels)));
    grid_->clear();
    grid_->setColumnCount(levels);
    grid_->setRowCount(static_cast<int>(rows.size()));
    QStringList headers;
    for (int i = 0; i < levels; ++i)
        headers << levelCaption(current_, i);
    grid_->setHorizontalHeaderLabels(headers);
    QStringList names;
    for (int r = 0; r < grid_->rowCount(); ++r) {
        names << QStringLiteral("c%1").arg(r + 1);
        for (int c = 0; c < levels; ++c) {
            auto* item = new QTableWidgetItem(rows[size_t(r)][size_t(c)]);
            item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            grid_->setItem(r, c, item);
        }
    }
    grid_->setVerticalHeaderLabels(names);
}

void ComparisonsWindow::showMeans()
{
    const FactorMeans m = current_ > 0 ? meansOf(current_) : FactorMeans{};
    if (m.means.empty()) {
        meansLabel_->clear();
        return;
    }
    QStringList parts;
    for (std::size_t i = 0; i < m.means.size(); ++i)
        parts << levelCaption(current_, static_cast<int>(i)) + QStringLiteral(": ") + QString::number(m.means[i], 'f', 3);
    meansLabel_->setText(QStringLiteral("Marginal means (n = %1 per level):  ").arg(m.counts.front()) +
                         parts.join(QStringLiteral(";  ")));
}

void ComparisonsWindow::addContrast()
{
    if (current_ == 0 || grid_->rowCount() >= kMostContrasts)
        return;
    storeGrid();
    entries_[current_].push_back(std::vector<QString>(static_cast<std::size_t>(grid_->columnCount())));
    loadGrid();
    grid_->setCurrentCell(grid_->rowCount() - 1, 0);
    grid_->setFocus();  // the user types the new contrast at once
}

void ComparisonsWindow::removeContrast()
{
    if (current_ == 0)
        return;
    storeGrid();
    Entries& rows = entries_[current_];
    const int r = grid_->currentRow();
    if (r < 0 || r >= static_cast<int>(rows.size()))
        return;
    rows.erase(rows.begin() + r);
    loadGrid();
    grid_->setCurrentCell(std::min(r, grid_->rowCount() - 1), 0);
    grid_->setFocus();
}

std::optional<std::vector<Contrast>> ComparisonsWindow::chosenContrasts()
{
    storeGrid();
    std::vector<Contrast> out;
    for (const int k : offered_) {
        const auto found = entries_.find(k);
        if (found == entries_.end())
            continue;
        for (std::size_t r = 0; r < found->second.size(); ++r) {
            const std::vector<QString>& row = found->second[r];
            if (blankRow(row))
                continue;
            const int number = static_cast<int>(r) + 1;  // as the grid's row header
            std::vector<std::string> texts;
            for (const QString& cell : row)
                texts.push_back(cell.trimmed().toStdString());
            const ReadNumbers read = readCoefficients(texts, design().factor(k), number);
            if (read.problem) {
                chooseFactor(k);
                grid_->setCurrentCell(static_cast<int>(r), 0);
                shell()->dialogs().message(*read.problem);
                return std::nullopt;
            }
            out.push_back({k, comparisonName(number, read.values), read.values});
        }
    }
    if (out.empty()) {
        shell()->dialogs().message(Message{"No Contrast Entered!",
                                           "Type the coefficients of at least one contrast, one per level, in a "
                                           "row of the grid.",
                                           MessageButtons::Ok, MessageIcon::Exclamation});
        return std::nullopt;
    }
    return out;
}

}  // namespace varisect
