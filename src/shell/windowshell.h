// SPDX-License-Identifier: GPL-3.0-or-later
// What every window of the program shares, in one place: the common exit path (the close
// button, Alt+F4 and the Quit shortcut), the Help menu, What's This help on a right click, Enter
// pressing the default button, the clipboard and printer with their messages, the way an
// analysis is run (busy pointer, questions, options from the preferences), and the window's
// first size and place on the screen.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include <QObject>

#include "engine/analysis.h"
#include "engine/prompts.h"
#include "platform/platform.h"

class QAction;
class QMenu;
class QMenuBar;
class QPushButton;
class QWidget;

namespace varisect {

class OutputDocument;

// Handed to every window by the application.
struct ShellContext {
    Platform platform;
    // The scale of the windows for the screen (see StartupInfo) and the "Run Maximized"
    // preference as it is now.
    std::function<double()> screenScale;
    std::function<bool()> runMaximized;
    // The common exit path.
    std::function<void()> exitProgram;
    // The options the preferences give an analysis now ("Exact p-values"); the defaults when
    // empty.
    std::function<AnalysisOptions()> analysisOptions = {};
};

class WindowShell : public QObject {
    Q_OBJECT

public:
    WindowShell(QWidget& window, ShellContext context);

    Platform& platform() { return context_.platform; }
    Dialogs& dialogs() { return context_.platform.dialogs; }
    const ShellContext& context() const { return context_; }

    // What the window's close button does; the common exit path unless set here (explanation
    // windows return, dialogs cancel).
    void onClose(std::function<void()> handler) { closeHandler_ = std::move(handler); }
    // Closes the window for good without its close handler (the exit path itself uses it);
    // `closing` runs first (a window closes the windows it opened there).
    void closeQuietly();
    void whenClosingQuietly(std::function<void()> closing) { closing_ = std::move(closing); }
    bool closingQuietly() const { return closingQuietly_; }
    // Runs the common exit path.
    void exitProgram();

    // "E&xit Alt + F4" (or `caption`) at the end of `file`: the common exit path.
    QAction* addExitItem(QMenu* file, const QString& caption = QStringLiteral("E&xit Alt + F4"));
    // The Help menu: "&Contents...", the search item and the help-on-help item under the
    // captions given; F1 opens `helpContext` (0: the contents).
    QMenu* addHelpMenu(QMenuBar* bar, const QString& searchCaption = QStringLiteral("&Search for Help on..."),
                       const QString& helpOnHelpCaption = QStringLiteral("How to &Use Help"), int helpContext = 0);
    // F1 opens the help viewer at `helpContext` (for windows without a Help menu).
    void addHelpKey(int helpContext);
    // "P&rinter Setup..." in `file`.
    QAction* addPrinterSetupItem(QMenu* file);
    // What's This help for `widget`, shown by a right click on it.
    void explain(QWidget* widget, const QString& text);
    // The button Enter presses when the focus is on no other button and not in a multi-line
    // control.
    void setDefaultButton(QPushButton* button);
    // `widget` does something of its own with Enter; the default button is left alone there.
    void keepEnter(QWidget* widget);

    // The options of an analysis started now, as the preferences give them.
    AnalysisOptions analysisOptions() const;
    // Runs an analysis the way every window runs one: `analysis(prompts, options)` under the busy
    // pointer, its questions asked in message boxes (the pointer put away while they are read),
    // with analysisOptions(). Returns what `analysis` returns.
    template <class Analysis>
    auto runAnalysis(Analysis&& analysis)
    {
        const BusyScope busy(context_.platform.desktop);
        WindowPrompts prompts(context_.platform);
        return analysis(static_cast<Prompts&>(prompts), analysisOptions());
    }

    // Copies `text`; tells the user when the clipboard is busy. False when nothing was copied.
    bool copyText(const std::string& text, MessageIcon icon = MessageIcon::Exclamation);
    // "Save as &CSV...": the save dialog titled `dialogTitle` for a .csv file, then `text`
    // written safely (a failed write leaves any old file as it was and is told). True when
    // written.
    bool saveCsv(const std::string& dialogTitle, const std::string& text);
    // Copies a picture (PNG bytes); tells the user when the clipboard is busy.
    bool copyImage(const std::vector<unsigned char>& png, MessageIcon icon = MessageIcon::Exclamation);
    // The print dialog titled `dialogTitle`, then `document` on the printer chosen; printer
    // problems are told. True when it was printed.
    bool print(const OutputDocument& document, const std::string& dialogTitle,
               MessageIcon icon = MessageIcon::Exclamation);

    // "Print <what> to &New Word Document" and "Append <what> to &Existing Word Document" in
    // `file`, writing what `content` returns (what the window prints).
    void addDocumentItems(QMenu* file, const std::string& what, std::function<OutputDocument()> content);

    // `text` on the window's status line (a window with a menu bar has one).
    void showStatus(const std::string& text);

    // Gives the window its first size (what its layout asks for, within the screen's available
    // area) and centres it; maximized under "Run Maximized". Once per window.
    void place();
    // Shows the window in front and active.
    void showInFront();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool enterPressed();

    QWidget& window_;
    ShellContext context_;
    std::function<void()> closeHandler_;
    std::function<void()> closing_;
    QPushButton* defaultButton_ = nullptr;
    const QEvent* keptKey_ = nullptr;  // a key a widget of keepEnter had first
    bool closingQuietly_ = false;
    bool placed_ = false;
};

}  // namespace varisect
