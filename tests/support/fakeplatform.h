// SPDX-License-Identifier: GPL-3.0-or-later
// Stand-ins for the outside world in window tests: those of support/fakeservices.h, and a
// printer that always prints to a PDF file.
#pragma once

#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "support/fakeservices.h"
#include "support/memorysettingsstore.h"

namespace varisect {

// A printer that prints to `pdfPath`. Keeps the QPrinter of the last job so that the test can
// read its settings.
class PdfPrintTarget : public PrintTarget {
public:
    explicit PdfPrintTarget(std::string pdfPath);
    ~PdfPrintTarget() override;

    QPrinter* choosePrinter(const std::string& dialogTitle) override;
    bool printerSetup() override;

    std::string pdfPath;
    bool cancel = false;       // the print dialog is cancelled
    bool cancelSetup = false;  // the set-up dialog is cancelled
    std::vector<std::string> dialogTitles;  // every print dialog shown
    int setupCount = 0;

private:
    std::unique_ptr<QPrinter> printer_;
};

// Everything together, with the settings in memory.
class FakePlatform {
public:
    // Printing goes to `pdfPath`; empty: a file in the temporary folder.
    explicit FakePlatform(std::string pdfPath = {});

    ScriptedDialogs dialogs;
    MemorySettingsStore settings;
    FakeClipboard clipboard;
    PdfPrintTarget printer;
    FakeHelpViewer help;
    FakeDesktop desktop;

    Platform platform() { return Platform{dialogs, settings, clipboard, printer, help, desktop}; }
};

}  // namespace varisect
