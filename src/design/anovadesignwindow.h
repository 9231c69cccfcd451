// SPDX-License-Identifier: GPL-3.0-or-later
// The Anova design window: the ANOVA type, the replicates or subjects
// factor, the structure and its nesting, and the main button that prepares the table or leads
// on to the cell sizes. The rules live in AnovaDesignChoices; this window mirrors them.
#pragma once

#include <functional>
#include <memory>
#include <vector>

#include <QWidget>

#include "design/anovadesign.h"
#include "engine/anovatable.h"

class QButtonGroup;
class QGroupBox;
class QPushButton;
class QRadioButton;

namespace varisect {

class AcceptedData;
struct DesignState;
struct ModeFlags;
class WindowShell;
struct ShellContext;

// The parts of the session the window works on.
struct AnovaDesignParts {
    DesignState& design;       // completed here: type, designated factor, structure, nesting
    ModeFlags& mode;           // the unequal-cell-size analyses; the specific comparisons are changed here
    const AcceptedData& data;  // the scores "&Prepare Table" analyses
};
class ExplanationWindow;
class LevelLabelsWindow;
class NestingWindow;

// Where the window hands the user on. Every member may be empty.
struct AnovaDesignHandOver {
    std::function<void()> returnToGrid;       // "&Return to Grid"
    std::function<void()> restart;            // "&Restart" (unequal-cell-size modes)
    std::function<void(AnovaTable)> tableReady;  // the analysis succeeded: its table
    std::function<void()> analysisAbandoned;  // a question was answered No: back to the grid
    std::function<void()> enterCellSizes;     // "&Enter Cell n's"
    std::function<void()> enterGroupSizes;    // "&Enter Group Sizes"
    std::function<void()> simpleEffects;      // "&Simple Effects", after a table
    std::function<void()> setUpComparisons;   // "Set up &Comparisons"
    std::function<void()> setUpTrendTests;    // "Set up &Trend Tests"
    std::function<void()> setUpPostHoc;       // "Set up &Post Hoc Comparisons"
};

class AnovaDesignWindow : public QWidget {
    Q_OBJECT

public:
    AnovaDesignWindow(AnovaDesignParts parts, ShellContext shell, AnovaDesignHandOver handOver, QWidget* parent = nullptr);
    ~AnovaDesignWindow() override;

    const AnovaDesignChoices& choices() const { return choices_; }
    // "&Simple Effects" is on offer: a table was prepared from the choices on show, of
    // independent groups or repeated measures.
    bool simpleEffectsOffered() const;
    // Shows the choices held in the state again (the window is reused after a table).
    void reload();

    // The windows this one opened, while they exist; else null.
    NestingWindow* nestingWindow() const { return nesting_.get(); }
    ExplanationWindow* designOptionsWindow() const { return designOptions_.get(); }
    ExplanationWindow* nestingExplanationWindow() const { return nestingExplanation_.get(); }
    LevelLabelsWindow* levelLabelsWindow() const { return levelLabels_.get(); }

    // Closes this window and the ones it opened without asking for the exit path.
    void closeForExit();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void buildControls();
    void rebuildDesignation();
    void refresh();
    void typeChosen(AnovaType type);
    void factorDesignated(int factor);
    void structureChosen(bool nested);
    void comparisonsChosen(SpecificComparisons choice);
    void openNesting();
    void nestingAccepted(const std::vector<NestRelation>& matrix);
    void nestingCancelled();
    void mainClicked();
    void prepareTable();
    void setUpContrasts(const std::function<void()>& next);
    void enterLabels();
    void returnClicked();
    void simpleEffectsClicked();
    // A choice changed after a table: its simple effects are no longer on offer.
    void choiceChanged();
    void openExplanation();
    void openNestingExplanation();
    void backFromExplanation();
    void handOn(const std::function<void()>& next);
    // The surroundings of the windows this one opens.
    ShellContext subWindowShell() const;
    void closeOpenedWindows();

    DesignState& design_;
    ModeFlags& mode_;
    const AcceptedData& data_;
    WindowShell* shell_;
    AnovaDesignHandOver handOver_;
    AnovaDesignChoices choices_;
    bool tableShown_ = false;  // a table was prepared from the choices on show

    std::unique_ptr<NestingWindow> nesting_;
    std::unique_ptr<ExplanationWindow> designOptions_;
    std::unique_ptr<ExplanationWindow> nestingExplanation_;
    std::unique_ptr<LevelLabelsWindow> levelLabels_;

    QRadioButton* independent_ = nullptr;
    QRadioButton* repeated_ = nullptr;
    QRadioButton* noFRatios_ = nullptr;
    QGroupBox* designation_ = nullptr;
    QButtonGroup* designationGroup_ = nullptr;
    std::vector<QRadioButton*> factorOptions_;
    QRadioButton* crossed_ = nullptr;
    QRadioButton* nested_ = nullptr;
    QPushButton* nestingButton_ = nullptr;
    QPushButton* explanation_ = nullptr;
    QPushButton* simpleEffects_ = nullptr;
    QPushButton* main_ = nullptr;
    QPushButton* return_ = nullptr;
    QGroupBox* comparisons_ = nullptr;  // "Specific Comparisons:", none, trend tests or planned
    QButtonGroup* comparisonsGroup_ = nullptr;
};

}  // namespace varisect
