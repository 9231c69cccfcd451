// SPDX-License-Identifier: GPL-3.0-or-later
// The "Data Transformation" window: one of six transformations applied to the accepted scores,
// as many as the user likes, one at a time; "&Revert to OK'd Data" and "Fi&nished". The
// arithmetic and its checks live in transform.h; the scores in use and their flags in the
// session's accepted data.
#pragma once

#include <functional>

#include <QMainWindow>

#include "data/transform.h"

class QButtonGroup;
class QLabel;
class QLineEdit;
class QPushButton;

namespace varisect {

class AcceptedData;
class FileState;
class WindowShell;
struct ShellContext;

// The parts of the session the transformation and screening windows work on.
struct WorkingDataParts {
    AcceptedData& data;  // the OK'd scores, the scores in use and the transformed flag
    FileState& file;     // every applied operation sets data changed since the last save
};

// Where the transformation and screening windows hand the user on.
struct WorkingDataHandOver {
    // The scores in use changed (applied, reverted or restored): the grid shows them.
    std::function<void()> scoresChanged;
    // "Fi&nished" or the window's close button: back to the grid.
    std::function<void()> finished;
};

class TransformWindow : public QMainWindow {
    Q_OBJECT

public:
    TransformWindow(WorkingDataParts parts, ShellContext shell, WorkingDataHandOver handOver,
                    QWidget* parent = nullptr);
    ~TransformWindow() override;

    Transformation chosen() const { return chosen_; }

    // The commands of the window, as its controls run them.
    void choose(Transformation transformation);
    void apply();
    void revert();
    void finish();

private:
    void buildControls();
    void clearChoice();
    void scoresChanged();
    void showStepsApplied();

    WindowShell* shell_;
    AcceptedData& data_;
    FileState& file_;
    WorkingDataHandOver handOver_;
    Transformation chosen_ = Transformation::None;

    QButtonGroup* options_ = nullptr;
    QLabel* constantLabel_ = nullptr;
    QLineEdit* constant_ = nullptr;
    QPushButton* apply_ = nullptr;
    QLabel* applied_ = nullptr;  // the steps applied since "Data OK"
};

}  // namespace varisect
