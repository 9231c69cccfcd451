// SPDX-License-Identifier: GPL-3.0-or-later
// The "Post Hoc Comparisons" window: the factor whose levels are compared, optionally a second
// factor at each level of which its cell means are compared, the method (Tukey HSD, Holm,
// Bonferroni) and the error of a within-subject factor. "&Prepare Table" shows the analysis of
// variance table with the comparisons under it, so they are copied, printed and written to Word
// with it. The comparisons themselves are posthoc.h's.
#pragma once

#include <vector>

#include "contrasts/contrastwindow.h"
#include "posthoc/posthoc.h"

class QComboBox;

namespace varisect {

inline constexpr const char* kPostHocTitle = "Post Hoc Comparisons";

class PosthocWindow : public ContrastWindow {
    Q_OBJECT

public:
    PosthocWindow(ContrastParts parts, ShellContext shell, ContrastHandOver handOver, QWidget* parent = nullptr);
    ~PosthocWindow() override;

    // No contrast rows: the table is the ordinary one.
    std::optional<std::vector<Contrast>> chosenContrasts() override;
    // The request as chosen now.
    PosthocRequest request() const;

protected:
    std::optional<std::vector<std::string>> linesUnderTable(const Design& design, const Scores& scores,
                                                            const AnovaTable& table,
                                                            const std::vector<Contrast>& contrasts) override;

private:
    void fillByFactors();

    std::vector<int> offered_;
    QComboBox* factorBox_ = nullptr;
    QComboBox* byBox_ = nullptr;
    QComboBox* methodBox_ = nullptr;
};

}  // namespace varisect
