// SPDX-License-Identifier: GPL-3.0-or-later
// The pair selector, "Select pairs of factors": the pairs of factors on offer (with "All pairs"
// at the head when there are enough of them), any number selected. OK checks the selection with
// PairSelector::choose and keeps the dialog open with the selection after a message.
#pragma once

#include <functional>
#include <vector>

#include <QDialog>

#include "means/pairselector.h"

class QListWidget;
class QPushButton;

namespace varisect {

class WindowShell;
struct ShellContext;

class PairSelectorDialog : public QDialog {
    Q_OBJECT

public:
    struct HandOver {
        std::function<void(std::vector<FactorPair>)> chosen;  // in list order
        std::function<void()> cancelled;
    };

    PairSelectorDialog(PairSelector selector, ShellContext shell, HandOver handOver, QWidget* parent = nullptr);

    QListWidget* list() const { return list_; }

public slots:
    void accept() override;  // OK and Enter
    void reject() override;  // Cancel, Escape and the close button

private:
    PairSelector selector_;
    WindowShell* shell_;
    HandOver handOver_;
    bool finished_ = false;

    QListWidget* list_ = nullptr;
};

}  // namespace varisect
