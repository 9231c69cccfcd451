// SPDX-License-Identifier: GPL-3.0-or-later
// The "Trend Tests on Marginal Means" window: for each factor with three or more levels (not the
// designated factor, not a nested one) a tick, its level values (1, 2, 3, ... unless the user
// gives others) and the highest trend wanted; the orthogonal polynomial coefficients are shown
// as the values are typed.
#pragma once

#include <vector>

#include "contrasts/contrastwindow.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;

namespace varisect {

inline constexpr const char* kTrendTestsTitle = "Trend Tests on Marginal Means";

class TrendTestsWindow : public ContrastWindow {
    Q_OBJECT

public:
    TrendTestsWindow(ContrastParts parts, ShellContext shell, ContrastHandOver handOver, QWidget* parent = nullptr);
    ~TrendTestsWindow() override;

    std::optional<std::vector<Contrast>> chosenContrasts() override;

    // The factors on offer (1-based), in the order shown.
    const std::vector<int>& offered() const { return offered_; }

private:
    void refresh() override;

    struct Line {
        int factor = 0;
        QCheckBox* chosen = nullptr;
        QLineEdit* values = nullptr;
        QComboBox* highest = nullptr;
        QLabel* coefficients = nullptr;
    };
    void showCoefficients(Line& line);

    std::vector<int> offered_;
    std::vector<Line> lines_;
};

}  // namespace varisect
