// SPDX-License-Identifier: GPL-3.0-or-later
// The nesting window, "Select the Nesting Relationship(s)": one line per ordered pair of
// factors, any number of them selected. OK checks the choice with closeNesting and keeps the
// window open with the selection after a message.
#pragma once

#include <functional>
#include <vector>

#include <QDialog>

#include "engine/design.h"

class QListWidget;
class QListWidgetItem;
class QPushButton;

namespace varisect {

class WindowShell;
struct ShellContext;

class NestingWindow : public QDialog {
    Q_OBJECT

public:
    struct HandOver {
        // The closed list of pairs, the selected ones first.
        std::function<void(const std::vector<NestRelation>&)> accepted;
        std::function<void()> cancelled;
    };

    NestingWindow(const Design& design, ShellContext shell, bool unequalGroupSizes, HandOver handOver,
                  QWidget* parent = nullptr);

    QListWidget* list() const { return list_; }

public slots:
    void accept() override;  // OK, Enter and a double-click
    void reject() override;  // Cancel, Escape and the window's close button

private:
    std::vector<char> labels_;
    WindowShell* shell_;
    bool unequalGroupSizes_;
    HandOver handOver_;
    bool finished_ = false;

    QListWidget* list_ = nullptr;
    QPushButton* ok_ = nullptr;
    QPushButton* cancel_ = nullptr;
};

}  // namespace varisect
