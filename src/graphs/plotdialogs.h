// SPDX-License-Identifier: GPL-3.0-or-later
// The small dialogs of the "Two-way Plot" window: `YAxisStyleDialog` (how the vertical range of
// several plots is chosen), `TextEditor` (a title and its font) and `Marker` (one slider, for the
// marker size or the line width). Each tells the window what was chosen through its hand-over.
#pragma once

#include <functional>
#include <string>

#include <QDialog>
#include <QFont>

#include "graphs/plotaxis.h"

class QLineEdit;
class QRadioButton;
class QSlider;
class QLabel;

namespace varisect {

class WindowShell;
struct ShellContext;

class YAxisStyleDialog : public QDialog {
    Q_OBJECT

public:
    // `range`: the data range, checked against entered bounds.
    YAxisStyleDialog(AxisChoice current, DataRange range, ShellContext shell,
                     std::function<void(AxisChoice)> chosen, QWidget* parent = nullptr);

    QRadioButton* option(YAxisMode mode) const;
    AxisChoice choice() const { return choice_; }

public slots:
    void accept() override;  // OK, Enter, Escape and the close button: the choice shown is taken
    void reject() override { accept(); }

private:
    void optionClicked(YAxisMode mode);
    void showChoice();

    WindowShell* shell_;
    std::function<void(AxisChoice)> chosen_;
    AxisChoice choice_;
    DataRange range_;
    bool finished_ = false;
    QRadioButton* options_[3] = {};
};

class TextEditor : public QDialog {
    Q_OBJECT

public:
    // `name`: "Graph Title", "Y-Axis Title" or "Bottom Title" (the caption reads "Edit " + name + ":").
    TextEditor(const std::string& name, const std::string& text, QFont font, ShellContext shell,
               std::function<void(std::string, QFont)> applied, QWidget* parent = nullptr);

    QLineEdit* edit() const { return edit_; }
    QFont chosenFont() const { return font_; }

public slots:
    void accept() override;

private:
    void chooseFont();

    WindowShell* shell_;
    std::function<void(std::string, QFont)> applied_;
    QFont font_;
    QLineEdit* edit_ = nullptr;
    QLabel* sample_ = nullptr;
};

class Marker : public QDialog {
    Q_OBJECT

public:
    // `caption`: "Adjust Marker Size" or "Adjust Line Width"; `moved` runs as the slider moves.
    Marker(const std::string& caption, int value, int minimum, int maximum, ShellContext shell,
           std::function<void(int)> moved, QWidget* parent = nullptr);

    QSlider* slider() const { return slider_; }

private:
    WindowShell* shell_;
    QSlider* slider_ = nullptr;
};

}  // namespace varisect
