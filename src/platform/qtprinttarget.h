// SPDX-License-Identifier: GPL-3.0-or-later
// The printer of the desktop program: one QPrinter kept for the run, chosen and set up with
// QPrintDialog. With no printer installed the dialog offers printing to a PDF file.
#pragma once

#include <memory>

#include "platform/printtarget.h"
#include "platform/qtwindowutils.h"

class QPrintDialog;

namespace varisect {

inline constexpr const char* kPrinterSetupTitle = "Printer Setup";

class QtPrintTarget : public PrintTarget {
public:
    explicit QtPrintTarget(ParentProvider parent = {});
    ~QtPrintTarget() override;

    // The printer stays valid for the life of this object; what the user chose in either
    // dialog is kept for the next job.
    QPrinter* choosePrinter(const std::string& dialogTitle) override;
    bool printerSetup() override;

    QPrinter& printer() { return *printer_; }

private:
    QWidget* parentWindow() const;

    ParentProvider parent_;
    std::unique_ptr<QPrinter> printer_;
};

}  // namespace varisect
