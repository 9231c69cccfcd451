// SPDX-License-Identifier: GPL-3.0-or-later
// "Choose a Factor for Individual Panels": the factors that can split the table on show into
// panels, one per level, as options in the frame "Select Third Factor".
#pragma once

#include <functional>
#include <string>
#include <vector>

#include <QDialog>

class QButtonGroup;

namespace varisect {

class WindowShell;
struct ShellContext;

class PanelsDialog : public QDialog {
    Q_OBJECT

public:
    struct HandOver {
        std::function<void(int)> chosen;  // 0-based index into the names
        std::function<void()> cancelled;
    };

    // `names` not empty; the first is preselected.
    PanelsDialog(const std::string& prompt, const std::vector<std::string>& names, ShellContext shell,
                 HandOver handOver, QWidget* parent = nullptr);

public slots:
    void accept() override;  // OK and Enter
    void reject() override;  // "&Cancel", Escape and the close button

private:
    WindowShell* shell_;
    HandOver handOver_;
    bool finished_ = false;
    QButtonGroup* options_ = nullptr;
};

}  // namespace varisect
