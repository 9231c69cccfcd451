// SPDX-License-Identifier: GPL-3.0-or-later
// Helpers the window tests share: finding and clicking widgets, designs, files and printed PDFs.
#pragma once

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include <QObject>
#include <QString>
#include <QStringList>

#include "engine/design.h"
#include "shell/windowshell.h"
#include "support/fakeplatform.h"

class QAbstractButton;
class QWidget;

namespace varisect::test {

// The child of `parent` named `name`; the test stops when there is none.
template <typename T>
T* child(QObject* parent, const char* name)
{
    T* w = parent->findChild<T*>(QString::fromUtf8(name));
    if (!w)
        qFatal("no child %s", name);
    return w;
}

// A left click near the left end of the button, where its caption is.
void click(QAbstractButton* button);

// Factors by name and number of levels; table labels are the first letters.
Design makeDesign(const std::vector<std::pair<std::string, int>>& factors);

std::string readAll(const std::string& path);
void writeFile(const std::string& path, const std::string& text);

// The text pdftotext reads from a PDF (with -layout when `layout`); empty when it cannot.
std::string pdfText(const std::string& path, bool layout = false);
// Every run of white space made one blank, ends trimmed.
std::string oneSpaced(QString text);

// The surroundings of a window under test: the fake platform, the scale of an 800-pixel screen,
// and an exit path that only counts.
ShellContext shellContext(FakePlatform& fake, int* exits = nullptr);

// The main window's questions answered as a user does, a click in each box and Enter: the
// number of factors, then each factor's levels and name. Ends at the confirmation, whose
// "Proceed" button then has the focus.
void answerDesignQuestions(QWidget* mainWindow, const std::vector<std::pair<std::string, int>>& factors);

// The visible top-level windows by object name (else class name), sorted, so that a hand-over
// that leaves two windows up, or none, is caught.
QStringList visibleWindows();

// Drug (2) x Time (3) x Subjects (5), Drug cycling fastest, then Time, then Subjects: 30 scores
// from 10 to 26. Subjects differ, both drugs and times matter, and every interaction carries
// some weight of its own.
extern const std::vector<int> kDrugTimeScores;
// The mean of kDrugTimeScores at Drug level `d` and Time level `t` (1-based), over the
// subjects, or of subject `s` only.
double drugTimeMean(int d, int t, int s = 0);
// `scores` written to `path` as a data file, remembered as recent file 1 with the Drug x Time x
// Subjects design of the "Pilot study" (with level labels when `labels`).
void rememberDrugTimeFile(FakePlatform& fake, const std::string& path, const std::vector<int>& scores,
                          bool labels = false);

}  // namespace varisect::test
