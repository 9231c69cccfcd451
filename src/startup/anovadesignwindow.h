// SPDX-License-Identifier: GPL-3.0-or-later
// The Anova design window: the ANOVA type, the replicates or subjects
// factor, the structure and its nesting, and the main button that prepares the table or leads
// on to the cell sizes. The rules live in AnovaDesignChoices; this window mirrors them.
#pragma once

#include <functional>
#include <memory>
#include <vector>

#include <QWidget>

#include "startup/anovadesign.h"

class QButtonGroup;
class QGroupBox;
class QPushButton;
class QRadioButton;

namespace varisect {

struct AppState;
struct Platform;
class ExplanationWindow;
class LevelLabelsWindow;
class NestingWindow;

// Where the window hands the user on. Every member may be empty.
struct AnovaDesignHandOver {
    std::function<void()> returnToGrid;       // "&Return to Grid"
    std::function<void()> restart;            // "&Restart" (unequal-cell-size modes)
    std::function<void()> tableReady;         // the analysis succeeded: AppState::table holds it
    std::function<void()> analysisAbandoned;  // a question was answered No: back to the grid
    std::function<void()> enterCellSizes;     // "&Enter Cell n's"
    std::function<void()> enterGroupSizes;    // "&Enter Group Sizes"
    std::function<void()> exitProgram;        // the common exit path
};

class AnovaDesignWindow : public QWidget {
    Q_OBJECT

public:
    AnovaDesignWindow(AppState& state, Platform& platform, AnovaDesignHandOver handOver, QWidget* parent = nullptr);
    ~AnovaDesignWindow() override;

    const AnovaDesignChoices& choices() const { return choices_; }
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
    void closeEvent(QCloseEvent* event) override;

private:
    void buildControls();
    void rebuildDesignation();
    void refresh();
    void typeChosen(AnovaType type);
    void factorDesignated(int factor);
    void structureChosen(bool nested);
    void openNesting();
    void nestingAccepted(const std::vector<NestRelation>& matrix);
    void nestingCancelled();
    void mainClicked();
    void prepareTable();
    void enterLabels();
    void returnClicked();
    void openExplanation();
    void openNestingExplanation();
    void backFromExplanation();
    void handOn(const std::function<void()>& next);

    AppState& state_;
    Platform& platform_;
    AnovaDesignHandOver handOver_;
    AnovaDesignChoices choices_;
    bool closingForExit_ = false;

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
    QPushButton* main_ = nullptr;
    QPushButton* return_ = nullptr;
};

}  // namespace varisect
