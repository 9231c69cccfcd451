// SPDX-License-Identifier: GPL-3.0-or-later
// The "Planned Comparisons" window: for a chosen factor (not the designated factor, not a nested
// one) any number of contrasts typed as coefficients over its levels, one contrast per grid row,
// the level labels as column headers and the marginal means beneath. Each factor keeps its own
// contrasts while the user moves between factors and windows.
#pragma once

#include <map>
#include <vector>

#include <QString>

#include "contrasts/contrastwindow.h"

class QComboBox;
class QLabel;
class QTableWidget;

namespace varisect {

inline constexpr const char* kComparisonsTitle = "Planned Comparisons on Marginal Means";

class ComparisonsWindow : public ContrastWindow {
    Q_OBJECT

public:
    ComparisonsWindow(ContrastParts parts, ShellContext shell, ContrastHandOver handOver, QWidget* parent = nullptr);
    ~ComparisonsWindow() override;

    std::optional<std::vector<Contrast>> chosenContrasts() override;

    const std::vector<int>& offered() const { return offered_; }
    int currentFactor() const { return current_; }
    // Shows the contrasts of factor k (1-based, one of those offered).
    void chooseFactor(int k);
    void addContrast();
    void removeContrast();
    QTableWidget* grid() const { return grid_; }

private:
    void refresh() override { showMeans(); }

    using Entries = std::vector<std::vector<QString>>;  // rows of cell texts
    void storeGrid();
    void loadGrid();
    void showMeans();

    std::vector<int> offered_;
    int current_ = 0;
    std::map<int, Entries> entries_;

    QComboBox* factorBox_ = nullptr;
    QTableWidget* grid_ = nullptr;
    QLabel* meansLabel_ = nullptr;
};

}  // namespace varisect
