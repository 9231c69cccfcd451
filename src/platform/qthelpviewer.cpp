// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/qthelpviewer.h"

#include <algorithm>

#include <QDir>
#include <QFile>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRegularExpression>
#include <QSaveFile>
#include <QShortcut>
#include <QSplitter>
#include <QStandardPaths>
#include <QTextBrowser>
#include <QTextDocument>
#include <QUrl>
#include <QVBoxLayout>
#include <QWidget>

#include "platform/qtwindowutils.h"

// The help pages live in a static library; their resources are registered by hand.
static void registerHelpResources()
{
    Q_INIT_RESOURCE(help);
}

namespace varisect {

namespace {

const QString kResourceFolder = QStringLiteral(":/help/");
const QString kContentsPage = QStringLiteral("contents.html");
const QString kHelpOnHelpPage = QStringLiteral("howtousehelp.html");
const QString kFaqPage = QStringLiteral("faq.html");

// The pages in the order of the contents.
const char* const kPageFiles[] = {"contents.html", "mainwindow.html", "levellabels.html", "dataentry.html",
                                  "opendata.html", "savedata.html", "anovadesign.html", "cellmeans.html",
                                  "transform.html", "screen.html",
                                  "cellsizes.html",
                                  "twowayplot.html",
                                  "trendtests.html", "comparisons.html", "posthoc.html", "anovatable.html",
                                  "word.html", "importdata.html", "faq.html", "howtousehelp.html"};

struct ContextTopic {
    int context;
    const char* page;
    const char* anchor;
};

const ContextTopic kContextTopics[] = {
    {kHelpMainWindow, "mainwindow.html", ""},
    {kHelpNumberOfFactors, "mainwindow.html", "factors"},
    {kHelpNumberOfLevels, "mainwindow.html", "levels"},
    {kHelpFactorName, "mainwindow.html", "names"},
    {kHelpProblemLabel, "mainwindow.html", "label"},
    {kHelpRecentFiles, "mainwindow.html", "recent"},
    {kHelpPreferences, "mainwindow.html", "preferences"},
    {kHelpUnequalCellSize, "mainwindow.html", "unequal"},
    {kHelpSpecificComparisons, "mainwindow.html", "comparisons"},
    {kHelpLevelLabels, "levellabels.html", ""},
    {kHelpAnovaDesign, "anovadesign.html", ""},
    {kHelpNesting, "anovadesign.html", "nesting"},
    {kHelpDesignExplanations, "anovadesign.html", "explanations"},
    {kHelpDataEntry, "dataentry.html", ""},
    {kHelpAnovaTable, "anovatable.html", ""},
    {kHelpWordDocuments, "word.html", ""},
    {kHelpCellMeans, "cellmeans.html", ""},
    {kHelpPairSelection, "cellmeans.html", "pairs"},
    {kHelpPanels, "cellmeans.html", "panels"},
    {kHelpSimpleEffects, "cellmeans.html", "simple"},
    {kHelpOpenDataFile, "opendata.html", ""},
    {kHelpSaveDataFile, "savedata.html", ""},
    {kHelpTransformData, "transform.html", ""},
    {kHelpScreenData, "screen.html", ""},
    {kHelpCellSizes, "cellsizes.html", ""},
    {kHelpProportionalCellSizes, "cellsizes.html", "proportional"},
    {kHelpGroupSizes, "cellsizes.html", "groups"},
    {kHelpTwoWayPlot, "twowayplot.html", ""},
    {kHelpPlotDialogs, "twowayplot.html", "style"},
    {kHelpTrendTests, "trendtests.html", ""},
    {kHelpPlannedComparisons, "comparisons.html", ""},
    {kHelpPostHoc, "posthoc.html", ""},
    {kHelpImportData, "importdata.html", ""},
    {kHelpOnHelp, "howtousehelp.html", ""},
};

QByteArray resourceBytes(const QString& name)
{
    QFile file(kResourceFolder + name);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

QUrl pageUrl(const QString& page, const QString& anchor)
{
    QUrl url(QStringLiteral("qrc:/help/") + page);
    if (!anchor.isEmpty())
        url.setFragment(anchor);
    return url;
}

QStringList searchWords(const QString& words)
{
    return words.split(QRegularExpression(QStringLiteral("\\s+")), Qt::SkipEmptyParts);
}

}  // namespace

// The window: buttons above, the search at the left, the page at the right.
class HelpWindow : public QWidget {
public:
    explicit HelpWindow(QtHelpViewer& viewer) : viewer_(viewer)
    {
        setWindowTitle(QString::fromLatin1(kHelpWindowTitle));
        setObjectName(QStringLiteral("helpWindow"));

        auto* contentsButton = new QPushButton(QStringLiteral("&Contents"), this);
        contentsButton->setObjectName(QStringLiteral("contentsButton"));
        backButton_ = new QPushButton(QStringLiteral("&Back"), this);
        backButton_->setObjectName(QStringLiteral("backButton"));
        forwardButton_ = new QPushButton(QStringLiteral("&Forward"), this);
        forwardButton_->setObjectName(QStringLiteral("forwardButton"));
        auto* helpOnHelpButton = new QPushButton(QStringLiteral("How to &Use Help"), this);
        helpOnHelpButton->setObjectName(QStringLiteral("helpOnHelpButton"));
        backButton_->setEnabled(false);
        forwardButton_->setEnabled(false);

        auto* buttons = new QHBoxLayout;
        buttons->addWidget(contentsButton);
        buttons->addWidget(backButton_);
        buttons->addWidget(forwardButton_);
        buttons->addStretch(1);
        buttons->addWidget(helpOnHelpButton);

        auto* searchPanel = new QWidget(this);
        auto* searchLabel = new QLabel(QStringLiteral("&Search for:"), searchPanel);
        searchEdit_ = new QLineEdit(searchPanel);
        searchEdit_->setObjectName(QStringLiteral("searchEdit"));
        searchEdit_->setClearButtonEnabled(true);
        searchEdit_->setPlaceholderText(QStringLiteral("words to find"));
        searchLabel->setBuddy(searchEdit_);
        resultLabel_ = new QLabel(searchPanel);
        resultLabel_->setObjectName(QStringLiteral("resultLabel"));
        resultLabel_->setWordWrap(true);
        results_ = new QListWidget(searchPanel);
        results_->setObjectName(QStringLiteral("searchResults"));
        results_->setTextElideMode(Qt::ElideRight);
        results_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        auto* searchLayout = new QVBoxLayout(searchPanel);
        searchLayout->setContentsMargins(0, 0, 0, 0);
        searchLayout->addWidget(searchLabel);
        searchLayout->addWidget(searchEdit_);
        searchLayout->addWidget(resultLabel_);
        searchLayout->addWidget(results_, 1);

        browser_ = new QTextBrowser(this);
        browser_->setObjectName(QStringLiteral("helpBrowser"));
        browser_->setOpenExternalLinks(true);
        browser_->document()->setDefaultStyleSheet(QString::fromUtf8(resourceBytes(QStringLiteral("help.css"))));
        browser_->document()->setDocumentMargin(12);

        auto* splitter = new QSplitter(Qt::Horizontal, this);
        splitter->addWidget(searchPanel);
        splitter->addWidget(browser_);
        splitter->setStretchFactor(0, 0);
        splitter->setStretchFactor(1, 1);
        splitter->setChildrenCollapsible(false);
        splitter->setSizes({220, 620});

        auto* layout = new QVBoxLayout(this);
        layout->addLayout(buttons);
        layout->addWidget(splitter, 1);

        QObject::connect(contentsButton, &QPushButton::clicked, this, [this] { viewer_.showContents(); });
        QObject::connect(helpOnHelpButton, &QPushButton::clicked, this, [this] { viewer_.showHelpOnHelp(); });
        QObject::connect(backButton_, &QPushButton::clicked, browser_, &QTextBrowser::backward);
        QObject::connect(forwardButton_, &QPushButton::clicked, browser_, &QTextBrowser::forward);
        QObject::connect(browser_, &QTextBrowser::backwardAvailable, backButton_, &QPushButton::setEnabled);
        QObject::connect(browser_, &QTextBrowser::forwardAvailable, forwardButton_, &QPushButton::setEnabled);
        QObject::connect(searchEdit_, &QLineEdit::textChanged, this, [this] { fillResults(); });
        QObject::connect(searchEdit_, &QLineEdit::returnPressed, this, [this] {
            if (results_->count() > 0)
                openResult(results_->item(0));
        });
        QObject::connect(results_, &QListWidget::itemActivated, this, [this](QListWidgetItem* item) { openResult(item); });
        QObject::connect(results_, &QListWidget::itemClicked, this, [this](QListWidgetItem* item) { openResult(item); });

        // Escape puts the help away; F1 here is help on the help window itself.
        auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
        QObject::connect(escape, &QShortcut::activated, this, [this] { viewer_.close(); });
        auto* f1 = new QShortcut(QKeySequence::HelpContents, this);
        QObject::connect(f1, &QShortcut::activated, this, [this] { viewer_.showHelpOnHelp(); });

        fillResults();
        resize(860, 620);
    }

    void showPage(const QUrl& url)
    {
        browser_->setSource(url);
        if (url.hasFragment())
            browser_->scrollToAnchor(url.fragment());
    }

    void focusSearch()
    {
        searchEdit_->setFocus(Qt::OtherFocusReason);
        searchEdit_->selectAll();
    }

    QUrl source() const { return browser_->source(); }

private:
    void fillResults()
    {
        const QString words = searchEdit_->text();
        const QStringList found = viewer_.search(words);
        results_->clear();
        for (const QString& page : found) {
            auto* item = new QListWidgetItem(viewer_.pageTitle(page), results_);
            item->setToolTip(item->text());
            item->setData(Qt::UserRole, page);
        }
        if (searchWords(words).isEmpty())
            resultLabel_->setText(QStringLiteral("All pages:"));
        else if (found.isEmpty())
            resultLabel_->setText(QStringLiteral("No page contains all of these words."));
        else if (found.size() == 1)
            resultLabel_->setText(QStringLiteral("1 page found:"));
        else
            resultLabel_->setText(QStringLiteral("%1 pages found:").arg(found.size()));
    }

    void openResult(QListWidgetItem* item)
    {
        if (!item)
            return;
        const QUrl target = pageUrl(item->data(Qt::UserRole).toString(), {});
        // A click and then a double click on the same entry make one step in the history.
        if (browser_->source().adjusted(QUrl::RemoveFragment) != target)
            showPage(target);
        // Highlight where the first word occurs.
        const QStringList words = searchWords(searchEdit_->text());
        if (!words.isEmpty()) {
            browser_->moveCursor(QTextCursor::Start);
            browser_->find(words.front());
        }
    }

    QtHelpViewer& viewer_;
    QTextBrowser* browser_ = nullptr;
    QLineEdit* searchEdit_ = nullptr;
    QListWidget* results_ = nullptr;
    QLabel* resultLabel_ = nullptr;
    QPushButton* backButton_ = nullptr;
    QPushButton* forwardButton_ = nullptr;
};

QtHelpViewer::QtHelpViewer()
{
    registerHelpResources();
    for (const char* file : kPageFiles) {
        const QString name = QString::fromLatin1(file);
        QTextDocument document;
        document.setHtml(QString::fromUtf8(resourceBytes(name)));
        QString title = document.metaInformation(QTextDocument::DocumentTitle);
        if (title.isEmpty())
            title = name;
        pages_.push_back({name, title, title + QLatin1Char('\n') + document.toPlainText()});
    }
}

QtHelpViewer::~QtHelpViewer() = default;

QString QtHelpViewer::pageForContext(int context)
{
    for (const ContextTopic& t : kContextTopics) {
        if (t.context == context)
            return QString::fromLatin1(t.page);
    }
    return kContentsPage;
}

QList<int> QtHelpViewer::contexts()
{
    QList<int> numbers;
    for (const ContextTopic& t : kContextTopics)
        numbers.append(t.context);
    return numbers;
}

QString QtHelpViewer::anchorForContext(int context)
{
    for (const ContextTopic& t : kContextTopics) {
        if (t.context == context)
            return QString::fromLatin1(t.anchor);
    }
    return {};
}

QStringList QtHelpViewer::search(const QString& words) const
{
    const QStringList wanted = searchWords(words);
    QStringList found;
    for (const Page& page : pages_) {
        const bool all = std::all_of(wanted.begin(), wanted.end(), [&page](const QString& w) {
            return page.text.contains(w, Qt::CaseInsensitive);
        });
        if (all)
            found.append(page.file);
    }
    return found;
}

QStringList QtHelpViewer::pages() const
{
    QStringList files;
    for (const Page& page : pages_)
        files.append(page.file);
    return files;
}

QString QtHelpViewer::pageTitle(const QString& page) const
{
    for (const Page& p : pages_) {
        if (p.file == page)
            return p.title;
    }
    return page;
}

QWidget* QtHelpViewer::window() const
{
    return window_.get();
}

QString QtHelpViewer::currentPage() const
{
    return window_ ? window_->source().fileName() : QString();
}

QString QtHelpViewer::currentAnchor() const
{
    return window_ ? window_->source().fragment() : QString();
}

HelpWindow& QtHelpViewer::ensureWindow()
{
    if (!window_) {
        window_ = std::make_unique<HelpWindow>(*this);
        centerForm(*window_, 0.75);
    }
    return *window_;
}

void QtHelpViewer::open(const QString& page, const QString& anchor)
{
    ensureWindow().showPage(pageUrl(page, anchor));
    present();
}

void QtHelpViewer::present()
{
    HelpWindow& w = ensureWindow();
    w.show();
    w.raise();
    w.activateWindow();
}

void QtHelpViewer::showContents()
{
    open(kContentsPage);
}

void QtHelpViewer::showSearch()
{
    // The page shown stays; the first time, the contents.
    if (!window_ || window_->source().isEmpty())
        open(kContentsPage);
    else
        present();
    window_->focusSearch();
}

void QtHelpViewer::showHelpOnHelp()
{
    open(kHelpOnHelpPage);
}

void QtHelpViewer::showContext(int context)
{
    open(pageForContext(context), anchorForContext(context));
}

void QtHelpViewer::close()
{
    if (window_)
        window_->hide();
}

std::string faqUrl()
{
    registerHelpResources();
    const QByteArray page = resourceBytes(kFaqPage);
    if (page.isEmpty())
        return {};
    QStringList folders;
    const QString dataFolder = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    if (!dataFolder.isEmpty())
        folders.append(dataFolder);
    folders.append(QDir::tempPath());
    for (const QString& folder : folders) {
        if (!QDir().mkpath(folder))
            continue;
        QSaveFile file(QDir(folder).filePath(QStringLiteral("Varisect_FAQ.html")));
        if (!file.open(QIODevice::WriteOnly) || file.write(page) != page.size() || !file.commit())
            continue;
        return QUrl::fromLocalFile(file.fileName()).toString().toStdString();
    }
    return {};
}

}  // namespace varisect
