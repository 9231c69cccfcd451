// SPDX-License-Identifier: GPL-3.0-or-later
// The dialogs of the desktop program: QMessageBox, QInputDialog and QFileDialog.
#pragma once

#include <functional>

#include <QString>

#include "platform/dialogs.h"

class QWidget;

namespace varisect {

class HelpViewer;

// Supplies the window a dialog belongs to (the window in front), or null.
using ParentProvider = std::function<QWidget*()>;

class QtDialogs : public Dialogs {
public:
    QtDialogs(HelpViewer& help, ParentProvider parent);

    DialogAnswer message(const Message& message, std::optional<DialogAnswer> defaultButton = {}) override;
    std::optional<std::string> inputBox(const std::string& title, const std::string& prompt,
                                        const std::string& initialText = {}) override;
    std::optional<std::string> openFile(const FileDialogOptions& options) override;
    std::optional<std::string> saveFile(const FileDialogOptions& options) override;

private:
    std::optional<std::string> fileDialog(const FileDialogOptions& options, bool save);
    QWidget* parentWindow() const;

    HelpViewer& help_;
    ParentProvider parent_;
};

// A message text as the message box shows it: our line break ("\n\r"), and also "\r\n" or a
// lone "\r", becomes one "\n".
QString displayText(const std::string& text);

}  // namespace varisect
