// SPDX-License-Identifier: GPL-3.0-or-later
// What the "Trend Tests" and "Planned Comparisons" windows share: the parts of the session they
// read, where they hand the user on, and the frame around their choices: the menus, "&Prepare
// Table" (the ordinary table with the contrast rows, through analyseWithContrasts) and "&Return
// to Anova Design". The rules live in contrasts.h.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include <QMainWindow>

#include "contrasts/contrasts.h"
#include "engine/anovatable.h"

class QComboBox;
class QFormLayout;
class QLabel;
class QPushButton;

namespace varisect {

class AcceptedData;
struct DesignState;
class WindowShell;
struct ShellContext;

struct ContrastParts {
    const DesignState& design;  // the design analysed, and whether its levels carry labels
    const AcceptedData& data;   // the scores analysed
};

// Where the windows hand the user on. Every member may be empty.
struct ContrastHandOver {
    // The table with its contrast rows, and the lines that go under it (trend coefficients).
    std::function<void(AnovaTable, std::vector<std::string>)> tableReady;
    std::function<void()> analysisAbandoned;     // a question of the analysis was answered No
    std::function<void()> returnToDesign;        // "&Return to Anova Design"
};

class ContrastWindow : public QMainWindow {
    Q_OBJECT

public:
    ~ContrastWindow() override;

    // The window was made for this design (same factors, designation and nesting): the choices
    // it holds still apply.
    bool fits(const Design& design) const;
    // Closes without asking for the exit path.
    void closeForExit();

    // The commands of the buttons.
    void prepareTable();
    void returnToDesign();

    // The contrasts chosen now, the messages of what is wrong with them shown (empty then).
    virtual std::optional<std::vector<Contrast>> chosenContrasts() = 0;

    // The error of within-subject contrasts and the adjustment of their p, as chosen.
    ContrastOptions contrastOptions() const;

protected:
    void showEvent(QShowEvent* event) override;
    // Brings what the window shows of the scores (the marginal means) up to date; the scores may
    // have changed while the window was hidden.
    virtual void refresh() {}

    ContrastWindow(ContrastParts parts, ShellContext shell, ContrastHandOver handOver, const char* title,
                   int helpContext, QWidget* parent);
    // Puts the subclass's controls above the buttons, with the choice of the within-subject error
    // (and, with `adjustment`, of the multiplicity adjustment) below them; called once by the
    // subclass's constructor. With `choicesForm` (the form laying out a few `choices`) those choices
    // join its rows, and the form keeps its height, with the free space below it.
    void finishLayout(QWidget* choices, const QString& intro, bool adjustment = true,
                      QFormLayout* choicesForm = nullptr);
    // The lines that go under the table made with `contrasts` (`design` with its table labels):
    // the trend coefficients. Empty: the table is not shown (the reason was told).
    virtual std::optional<std::vector<std::string>> linesUnderTable(const Design& design, const Scores& scores,
                                                                    const AnovaTable& table,
                                                                    const std::vector<Contrast>& contrasts);
    bool labelsInUse() const;

    WindowShell* shell() const { return shell_; }
    const Design& design() const;
    // Level i (0-based) of factor k (1-based) as the column headers show it: its label when
    // labels are in use, else its number.
    QString levelCaption(int factor, int level) const;
    // The marginal means of factor k in the scores accepted now; empty when there are none that
    // fit the design.
    FactorMeans meansOf(int factor) const;

private:
    WindowShell* shell_;
    const DesignState& state_;
    const AcceptedData& data_;
    ContrastHandOver handOver_;
    Design madeFor_;
    QComboBox* errorBox_ = nullptr;
    QComboBox* adjustBox_ = nullptr;
};

}  // namespace varisect
