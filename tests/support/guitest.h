// SPDX-License-Identifier: GPL-3.0-or-later
// Helpers the window tests share: finding and clicking widgets, designs, files and printed PDFs.
#pragma once

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include <QObject>
#include <QString>

#include "engine/design.h"
#include "shell/windowshell.h"
#include "support/fakeplatform.h"

class QAbstractButton;

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

}  // namespace varisect::test
