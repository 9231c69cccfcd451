// SPDX-License-Identifier: GPL-3.0-or-later
// Puts an output document on paper: every print item of the program goes through here, with at
// least kPageMarginMm of paper round the text whatever margins the printer brings.
#pragma once

#include <QFont>

#include "output/document.h"

class QPrinter;
class QTextDocument;

namespace varisect {

// "Courier New" (or the metric twin the font configuration maps it to), else the system's
// fixed-pitch font, at `pointSize`.
QFont fixedPitchFont(double pointSize);

enum class PrintResult { Printed, Unavailable, NotReady };

// Prints `document` on `printer`, page after page. Unavailable: printing could not start;
// NotReady: it failed on the way (a page could not be started or the job not finished).
PrintResult printDocument(QPrinter& printer, const OutputDocument& document);

// Fills `out` with `document` for a page `pageWidth` pixels wide of the paint device `out` is
// laid out for (the printer): what printDocument paginates.
void layOutDocument(QTextDocument& out, const OutputDocument& document, double pageWidth);

}  // namespace varisect
