// SPDX-License-Identifier: GPL-3.0-or-later
// The two explanation windows of the Anova design window: "Design Options" and "Nesting
// Explanation". Each shows its text, prints it, copies it to the clipboard and returns.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include <QMainWindow>

class QAction;
class QPushButton;
class QTextEdit;

namespace varisect {

class WindowShell;
struct ShellContext;

class ExplanationWindow : public QMainWindow {
    Q_OBJECT

public:
    enum class Kind { DesignOptions, Nesting };

    struct HandOver {
        std::function<void()> returnToDesign;      // the return button
        std::function<void()> showNesting;         // "Design Options" only: its nesting button
    };

    ExplanationWindow(Kind kind, ShellContext shell, HandOver handOver, QWidget* parent = nullptr);

    Kind kind() const { return kind_; }
    const std::vector<std::string>& paragraphs() const;
    std::string text() const;

    // The menu items, as a user chooses them.
    void print();
    void copy();
    // Closes without going through the exit path (the exit path itself uses it).
    void closeForExit();

    QAction* printAction() const { return printAction_; }
    QAction* copyAction() const { return copyAction_; }
    QAction* exitAction() const { return exitAction_; }

private:
    Kind kind_;
    WindowShell* shell_;
    HandOver handOver_;

    QTextEdit* view_ = nullptr;
    QPushButton* returnButton_ = nullptr;
    QPushButton* nestingButton_ = nullptr;
    QAction* printAction_ = nullptr;
    QAction* copyAction_ = nullptr;
    QAction* exitAction_ = nullptr;
};

}  // namespace varisect
