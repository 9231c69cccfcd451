// SPDX-License-Identifier: GPL-3.0-or-later
// The "Screen Data" window: every score that meets a condition ("<", "=", ">" or "between")
// replaced by a given value, as many screens as the user likes, one at a time; "&Revert to
// OK'd Data" and "Fi&nished" as in the transformation window. The rules live in screen.h.
#pragma once

#include <optional>

#include <QMainWindow>

#include "data/screen.h"
#include "data/transformwindow.h"

class QButtonGroup;
class QLabel;
class QLineEdit;
class QPushButton;

namespace varisect {

class ScreenWindow : public QMainWindow {
    Q_OBJECT

public:
    ScreenWindow(WorkingDataParts parts, ShellContext shell, WorkingDataHandOver handOver, QWidget* parent = nullptr);
    ~ScreenWindow() override;

    std::optional<ScreenCondition> chosen() const { return chosen_; }

    // The commands of the window, as its controls run them.
    void choose(ScreenCondition condition);
    void apply();
    void revert();
    void finish();

private:
    void buildControls();
    // Enter in a value box: Apply, when the box holds something and Apply is available.
    void enterInBox(QLineEdit* box);
    void scoresChanged();

    WindowShell* shell_;
    AcceptedData& data_;
    FileState& file_;
    WorkingDataHandOver handOver_;
    std::optional<ScreenCondition> chosen_;

    QButtonGroup* options_ = nullptr;
    QLabel* valueLabel_ = nullptr;
    QLineEdit* value_ = nullptr;
    QLabel* upperLabel_ = nullptr;
    QLineEdit* upper_ = nullptr;
    QLineEdit* replacement_ = nullptr;
    QPushButton* apply_ = nullptr;
    QLabel* replaced_ = nullptr;  // how many scores the last screen replaced
    QLabel* applied_ = nullptr;   // the steps applied since "Data OK"
};

}  // namespace varisect
