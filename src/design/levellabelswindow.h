// SPDX-License-Identifier: GPL-3.0-or-later
// The "Labels for Levels" window: asks for a one- or two-character label for every level of
// every factor (see LevelLabels for the rules).
#pragma once

#include <functional>

#include <QDialog>

#include "design/levellabels.h"

class QLabel;
class QLineEdit;
class QPushButton;

namespace varisect {

struct DesignState;
class WindowShell;
struct ShellContext;

class LevelLabelsWindow : public QDialog {
    Q_OBJECT

public:
    struct HandOver {
        std::function<void()> finished;   // the labels are in the design
        std::function<void()> cancelled;  // labels are no longer in use for this design
    };

    // `skipFactor`: the 1-based factor that takes no labels (0: none).
    LevelLabelsWindow(DesignState& design, ShellContext shell, int skipFactor, HandOver handOver,
                      QWidget* parent = nullptr);

    const LevelLabels& walk() const { return walk_; }

public slots:
    void reject() override;  // Escape and the window's close button: as "&Cancel"

private:
    void entryEdited(const QString& text);
    void okClicked();
    void cellIndicesClicked();
    void startOverClicked();
    void finishedClicked();
    void cancelClicked();
    void refresh();

    DesignState& design_;
    WindowShell* shell_;
    HandOver handOver_;
    LevelLabels walk_;
    bool closing_ = false;

    QLabel* prompt_ = nullptr;
    QLineEdit* entry_ = nullptr;
    QPushButton* ok_ = nullptr;
    QPushButton* cellIndices_ = nullptr;
    QPushButton* startOver_ = nullptr;
    QPushButton* finished_ = nullptr;
    QPushButton* cancel_ = nullptr;
};

}  // namespace varisect
