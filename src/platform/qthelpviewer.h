// SPDX-License-Identifier: GPL-3.0-or-later
// The help viewer of the desktop program: a window of our own ("Varisect Help") that shows the
// help pages built into the program, with a contents page, back and forward, and a search over
// the text of every page.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include <QString>
#include <QStringList>

#include "platform/helpviewer.h"

class QWidget;

namespace varisect {

inline constexpr const char* kHelpWindowTitle = "Varisect Help";

class HelpWindow;

class QtHelpViewer : public HelpViewer {
public:
    QtHelpViewer();
    ~QtHelpViewer() override;
    QtHelpViewer(const QtHelpViewer&) = delete;
    QtHelpViewer& operator=(const QtHelpViewer&) = delete;

    void showContents() override;
    void showSearch() override;
    void showHelpOnHelp() override;
    // An unknown context number shows the contents page.
    void showContext(int context) override;
    // Hides the window; it keeps its place and history for the next time.
    void close() override;

    // The page file (e.g. "opendata.html") and anchor a context number opens.
    static QString pageForContext(int context);
    static QString anchorForContext(int context);
    // Every context number that has a topic of its own.
    static QList<int> contexts();

    // The pages containing every word of `words` (case ignored), in contents order; every page
    // for an empty search.
    QStringList search(const QString& words) const;
    // Every page in contents order, and a page's title.
    QStringList pages() const;
    QString pageTitle(const QString& page) const;

    // The window, created on first use; null before that.
    QWidget* window() const;
    // The page shown, e.g. "opendata.html", and its anchor ("" at the top).
    QString currentPage() const;
    QString currentAnchor() const;

private:
    struct Page {
        QString file;
        QString title;
        QString text;  // plain text, for the search
    };

    HelpWindow& ensureWindow();
    void open(const QString& page, const QString& anchor = {});
    void present();

    std::vector<Page> pages_;
    std::unique_ptr<HelpWindow> window_;
};

// The page of frequently asked questions as a file:// URL a web browser can open: the page is
// written from the program's help into its data folder (the temporary folder when that is not
// writable). Empty when it could not be written anywhere.
std::string faqUrl();

}  // namespace varisect
