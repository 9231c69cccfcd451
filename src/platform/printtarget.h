// SPDX-License-Identifier: GPL-3.0-or-later
// The printer. The Qt implementation asks with the print dialog; printing to a PDF file works
// with no printer installed. Tests use a target that always prints to a given PDF.
#pragma once

#include <memory>
#include <string>

class QPrinter;

namespace varisect {

class PrintTarget {
public:
    virtual ~PrintTarget() = default;
    // The print dialog with the given title; null when the user cancelled.
    virtual QPrinter* choosePrinter(const std::string& dialogTitle) = 0;
    // The printer set-up dialog ("Printer Setup"); false when cancelled.
    virtual bool printerSetup() = 0;
};

}  // namespace varisect
