// SPDX-License-Identifier: GPL-3.0-or-later
// The desktop program's platform layer: the settings file, the help viewer, the dialogs, the
// clipboard and the window utilities, run offscreen.
#include <functional>

#include <QApplication>
#include <QBuffer>
#include <QCheckBox>
#include <QClipboard>
#include <QFile>
#include <QFileDialog>
#include <QImage>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QRegularExpression>
#include <QScreen>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTextEdit>
#include <QTextLayout>
#include <QTest>
#include <QTimer>
#include <QUrl>

#include "support/fakeplatform.h"
#include "platform/qtclipboard.h"
#include "platform/qtdesktop.h"
#include "platform/qtdialogs.h"
#include "platform/qthelpviewer.h"
#include "platform/qtsettingsstore.h"
#include "platform/qtwindowutils.h"

using namespace varisect;

namespace {

// Runs `act` on the first visible top-level widget of type T once one appears (a modal dialog
// opened by the code under test), then closes that dialog if `act` left it open, so that a
// failed check never leaves the test waiting in exec().
template <class T>
void whenShown(std::function<void(T*)> act)
{
    auto* poll = new QTimer(qApp);
    QObject::connect(poll, &QTimer::timeout, [poll, act, tries = 250]() mutable {
        T* dialog = nullptr;
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* shown = qobject_cast<T*>(w); shown && shown->isVisible())
                dialog = shown;
        if (!dialog && --tries > 0)
            return;
        poll->stop();
        poll->deleteLater();
        if (!dialog)
            return qWarning("no dialog appeared");
        act(dialog);
        QTimer::singleShot(50, [shown = QPointer<T>(dialog)] {
            if (shown && shown->isVisible())
                shown->reject();
        });
    });
    poll->start(20);
}

// What a user types into the file name box of Qt's own file dialog, then OK (QFileDialog's own
// accept, which checks the name).
void typeFileNameAndAccept(QFileDialog* dialog, const QString& name)
{
    if (auto* edit = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))) {
        edit->clear();
        QTest::keyClicks(edit, name);
    }
    static_cast<QDialog*>(dialog)->accept();
}

QString readAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
}

bool writeFile(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

}  // namespace

class PlatformTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    // ---- the settings file ----

    void settingsFileIgnoresCaseSurvivesGarbageAndReportsFailedWrites()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("Varisect_Setup.ini"));
        {
            QtSettingsStore store(path);
            QVERIFY(store.write("1Recent_File_LevelLabels", "a,b,c"));
            QCOMPARE(store.read("1recent_file_levellabels"), std::string("a,b,c"));
            // Another spelling replaces the value instead of adding a second key.
            QVERIFY(store.write("1RECENT_FILE_LEVELLABELS", "x,y,z"));
            QVERIFY(store.write("1Recent_File", "/home/ann/Studies/Gedächtnis 1.dat"));
            QVERIFY(store.write("1Recent_File_Probname", "  @odd = label; #1 "));
            QVERIFY(!store.write("", "no key"));
        }
        QSettings raw(path, QSettings::IniFormat);
        raw.beginGroup(QStringLiteral("Settings"));
        QCOMPARE(raw.childKeys().size(), 3);
        QtSettingsStore again(path);
        QCOMPARE(again.read("1Recent_File_LevelLabels"), std::string("x,y,z"));
        QCOMPARE(again.read("1recent_file"), std::string("/home/ann/Studies/Gedächtnis 1.dat"));
        QCOMPARE(again.read("1Recent_File_Probname"), std::string("  @odd = label; #1 "));
        QVERIFY(QtSettingsStore::defaultPath().endsWith(QStringLiteral("/Varisect_Setup.ini")));

        // Edited by hand (unquoted commas, keys in another case), then garbage appended.
        QByteArray edited("[Settings]\r\n1recent_file_factornames=Drug,Time,Subjects\r\nOUTLIERCHECK=False\r\n");
        for (int i = 0; i < 20000; ++i)
            edited.append(static_cast<char>((i * 7919 + 13) % 256));
        edited.append("\n[Settings\n=\n\\\\\n[]\nkey=\"unterminated\n");
        QVERIFY(writeFile(path, edited));
        QtSettingsStore hand(path);
        QCOMPARE(hand.read("1Recent_File_FactorNames"), std::string("Drug,Time,Subjects"));
        QCOMPARE(hand.read("OutlierCheck"), std::string("False"));
        QVERIFY(hand.write("Run_Maximized", "True"));
        QCOMPARE(QtSettingsStore(path).read("Run_Maximized"), std::string("True"));

        // A folder that cannot exist (a file stands in its place), a folder standing where the
        // file should be, and a file the system will not change even for root: each write
        // fails, and the failed value does not linger in memory to be read back.
        QVERIFY(writeFile(dir.filePath(QStringLiteral("plainfile")), "x"));
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("folder.ini")));
        QStringList unwritable{dir.filePath(QStringLiteral("plainfile/Varisect_Setup.ini")),
                               dir.filePath(QStringLiteral("folder.ini"))};
        if (QFile::exists(QStringLiteral("/proc/version")))
            unwritable << QStringLiteral("/proc/version");
        for (const QString& where : unwritable) {
            QtSettingsStore blocked(where);
            QVERIFY2(!blocked.write("Run_Maximized", "True"), qPrintable(where));
            QCOMPARE(blocked.read("Run_Maximized"), std::string());
        }
    }

    // ---- the help viewer ----

    void helpOpensContextsAndKeepsItsHistory()
    {
        QtHelpViewer help;
        help.showContext(kHelpOpenDataFile);
        QVERIFY(help.window() && help.window()->isVisible());
        QCOMPARE(help.currentPage(), QStringLiteral("opendata.html"));
        help.showContext(kHelpPreferences);
        QCOMPARE(help.currentPage(), QStringLiteral("mainwindow.html"));
        QCOMPARE(help.currentAnchor(), QStringLiteral("preferences"));
        auto* back = help.window()->findChild<QPushButton*>(QStringLiteral("backButton"));
        auto* forward = help.window()->findChild<QPushButton*>(QStringLiteral("forwardButton"));
        QVERIFY(back && forward && !forward->isEnabled());
        QTest::mouseClick(back, Qt::LeftButton);
        QCOMPARE(help.currentPage(), QStringLiteral("opendata.html"));
        QTest::mouseClick(forward, Qt::LeftButton);
        QCOMPARE(help.currentPage(), QStringLiteral("mainwindow.html"));
        help.showContext(4711);  // a number no topic has
        QCOMPARE(help.currentPage(), QStringLiteral("contents.html"));
        help.showHelpOnHelp();
        QCOMPARE(help.currentPage(), QStringLiteral("howtousehelp.html"));
        help.close();
        QVERIFY(!help.window()->isVisible());
        // In the window, F1 is help on help and Escape puts it away.
        help.showContext(kHelpDataEntry);
        QCOMPARE(help.currentPage(), QStringLiteral("dataentry.html"));
        help.window()->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(help.window()));
        QTest::keyClick(help.window(), Qt::Key_F1);
        QCOMPARE(help.currentPage(), QStringLiteral("howtousehelp.html"));
        QTest::keyClick(help.window()->focusWidget(), Qt::Key_Escape);
        QVERIFY(!help.window()->isVisible());
    }

    void helpSearchFindsThePagesWithEveryWord()
    {
        QtHelpViewer help;
        help.showHelpOnHelp();
        // Every word must occur, not side by side, case ignored.
        const QStringList imputed = help.search(QStringLiteral("IMPUTED"));
        QVERIFY(imputed.contains(QStringLiteral("opendata.html")) && imputed.contains(QStringLiteral("savedata.html")));
        QVERIFY(!imputed.contains(QStringLiteral("levellabels.html")));
        QCOMPARE(help.search(QStringLiteral("  two   characters label ")),
                 (QStringList{QStringLiteral("levellabels.html"), QStringLiteral("importdata.html")}));
        QVERIFY(help.search(QStringLiteral("imputed xylophone")).isEmpty());
        // As a user: the search keeps the page until Enter opens the one page found, the word
        // selected.
        help.showSearch();
        QCOMPARE(help.currentPage(), QStringLiteral("howtousehelp.html"));
        auto* edit = help.window()->findChild<QLineEdit*>(QStringLiteral("searchEdit"));
        auto* results = help.window()->findChild<QListWidget*>(QStringLiteral("searchResults"));
        auto* browser = help.window()->findChild<QTextEdit*>(QStringLiteral("helpBrowser"));
        QVERIFY(edit && results && browser);
        QTest::keyClicks(edit, QStringLiteral("write-protected"));
        QCOMPARE(results->count(), 1);
        QCOMPARE(results->item(0)->text(), QStringLiteral("Saving Data in a File"));
        QTest::keyClick(edit, Qt::Key_Return);
        QCOMPARE(help.currentPage(), QStringLiteral("savedata.html"));
        QCOMPARE(browser->textCursor().selectedText().toLower(), QStringLiteral("write-protected"));
    }

    // Every link between pages and every topic number leads somewhere that exists, the contents
    // page reaches every page, and the FAQ is written where a browser can open it.
    void helpLinksTopicsAndFaqResolve()
    {
        QtHelpViewer help;
        const QStringList pages = help.pages();
        const QRegularExpression anchorName(QStringLiteral("<a name=\"([^\"]+)\""));
        const QRegularExpression link(QStringLiteral("href=\"([^\"]+)\""));
        auto anchorsOf = [&](const QString& page) {
            QStringList names;
            for (const auto& m : anchorName.globalMatch(readAll(QStringLiteral(":/help/") + page)))
                names << m.captured(1);
            return names;
        };
        QStringList reached{QStringLiteral("contents.html")};
        for (const QString& page : pages) {
            const QString html = readAll(QStringLiteral(":/help/") + page);
            QVERIFY2(!html.isEmpty() && help.pageTitle(page) != page, qPrintable(page));
            for (const auto& m : link.globalMatch(html)) {
                const QUrl target(m.captured(1));
                if (!target.scheme().isEmpty())
                    continue;  // a web address
                const QString file = target.path().isEmpty() ? page : target.path();
                QVERIFY2(pages.contains(file) && (!target.hasFragment() || anchorsOf(file).contains(target.fragment())),
                         qPrintable(page + " links to " + m.captured(1)));
                if (page == QStringLiteral("contents.html"))
                    reached << file;
            }
        }
        for (const QString& page : pages)
            QVERIFY2(reached.contains(page), qPrintable(page + " is missing from the contents"));
        // Every topic a window opens (the window walk checks that each window opens one).
        const QList<int> topics = QtHelpViewer::contexts();
        QVERIFY(topics.size() >= 30);
        for (int context : topics) {
            const QString page = QtHelpViewer::pageForContext(context), anchor = QtHelpViewer::anchorForContext(context);
            QVERIFY2(page != QStringLiteral("contents.html") && (anchor.isEmpty() || anchorsOf(page).contains(anchor)),
                     qPrintable(QString::number(context)));
        }

        const QUrl faq(QString::fromStdString(faqUrl()));
        QVERIFY(faq.isLocalFile());
        QVERIFY(readAll(faq.toLocalFile()).contains(QStringLiteral("Frequently Asked Questions")));
        QCOMPARE(readAll(faq.toLocalFile()), readAll(QStringLiteral(":/help/faq.html")));
        QCOMPARE(QString::fromStdString(faqUrl()), faq.toString());  // written again, same place
    }

    // ---- the Qt dialogs, answered by a simulated user ----

    void messageBoxesShowWhatTheyAreAskedAndReturnTheAnswer()
    {
        FakeHelpViewer help;
        QtDialogs dialogs(help, [] { return static_cast<QWidget*>(nullptr); });
        // Title | text | icon | buttons | default button, as the user sees them.
        QString seen;
        whenShown<QMessageBox>([&](QMessageBox* box) {
            seen = QStringList{box->windowTitle(), box->text(), QString::number(box->icon()),
                               QString::number(box->buttons().size()),
                               box->defaultButton() ? box->defaultButton()->text().remove(QLatin1Char('&')) : QString()}
                       .join(QLatin1Char('|'));
            box->button(QMessageBox::No)->click();
        });
        const Message m{"Unweighted Means Anova", "    The analysis...\n\r     Do you wish to skip?",
                        MessageButtons::YesNoCancel, MessageIcon::Information};
        QCOMPARE(dialogs.message(m, DialogAnswer::No), DialogAnswer::No);
        QCOMPARE(seen, QStringLiteral("Unweighted Means Anova|    The analysis...\n     Do you wish to skip?|%1|3|No")
                           .arg(int(QMessageBox::Information)));

        // Escape: the Cancel button of the set; Enter with no default asked for: the first button.
        whenShown<QMessageBox>([](QMessageBox* box) { QTest::keyClick(box, Qt::Key_Escape); });
        QCOMPARE(dialogs.message({"Exit", "Save?", MessageButtons::YesNoCancel, MessageIcon::Question}),
                 DialogAnswer::Cancel);
        whenShown<QMessageBox>([](QMessageBox* box) { QTest::keyClick(box, Qt::Key_Return); });
        QCOMPARE(dialogs.message({"Wrong file selected?", "count", MessageButtons::AbortRetryIgnore}), DialogAnswer::Abort);
    }

    void messageTextsKeepTheirLinesAndNumbersWhole()
    {
        QCOMPARE(displayText("a\n\rb\r\nc\rd"), QStringLiteral("a\nb\nc\nd"));
        // A number written without its leading zero (".025") stays whole however the box wraps
        // the line, and reads as it was written.
        const QString levels = displayText("a more stringent significance level, such as .025 for a nominal .05 test.");
        QCOMPARE(QString(levels).remove(QChar(0x2060)),
                 QStringLiteral("a more stringent significance level, such as .025 for a nominal .05 test."));
        for (int width = 20; width <= 400; width += 3) {
            QTextLayout layout(levels, QApplication::font());
            layout.beginLayout();
            QStringList lines;
            for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
                line.setLineWidth(width);
                lines << levels.mid(line.textStart(), line.textLength()).remove(QChar(0x2060)).trimmed();
            }
            layout.endLayout();
            for (const QString& line : lines)
                QVERIFY2(!line.endsWith(QLatin1Char('.')) || line.endsWith(QStringLiteral("test.")),
                         qPrintable(QStringLiteral("%1 px: %2").arg(width).arg(lines.join(QLatin1Char('|')))));
        }
    }

    // File dialogs: Help where a help context is given, the default extension on a bare name.
    void fileDialogsOfferHelpAndAddTheExtension()
    {
        FakeHelpViewer help;
        QtDialogs dialogs(help, [] { return static_cast<QWidget*>(nullptr); });
        QTemporaryDir dir;
        QVERIFY(writeFile(dir.filePath(QStringLiteral("scores.dat")), "1\r\n2\r\n"));
        QString title;
        whenShown<QFileDialog>([&](QFileDialog* d) {
            title = d->windowTitle();
            if (auto* helpButton = d->findChild<QPushButton*>(QStringLiteral("helpButton")))
                helpButton->click();
            typeFileNameAndAccept(d, QStringLiteral("scores.dat"));
        });
        const auto opened = dialogs.openFile({"Open File", "Data Files (*.dat);;All Files (*)", "dat",
                                              dir.path().toStdString(), false, kHelpOpenDataFile});
        QCOMPARE(title, QStringLiteral("Open File"));
        QCOMPARE(help.contexts, std::vector<int>{kHelpOpenDataFile});
        QCOMPARE(QString::fromStdString(opened.value_or("")), dir.filePath(QStringLiteral("scores.dat")));

        bool hasHelp = true;
        whenShown<QFileDialog>([&](QFileDialog* d) {
            hasHelp = d->findChild<QPushButton*>(QStringLiteral("helpButton")) != nullptr;
            typeFileNameAndAccept(d, QStringLiteral("results"));
        });
        const auto saved = dialogs.saveFile({"Save File (As)", "Data Files (*.dat)", "dat", dir.path().toStdString(), true, 0});
        QVERIFY(!hasHelp);
        QCOMPARE(QString::fromStdString(saved.value_or("")), dir.filePath(QStringLiteral("results.dat")));

        whenShown<QFileDialog>([](QFileDialog* d) { d->reject(); });
        QVERIFY(!dialogs.openFile({}).has_value());
    }

    // ---- clipboard, busy pointer, window utilities ----

    void busyPointerBalancesAndClipboardRoundTrips()
    {
        {
            QtDesktop desktop;
            desktop.setBusy(true);
            desktop.setBusy(true);
            desktop.setBusy(false);
            QCOMPARE(QGuiApplication::overrideCursor() ? QGuiApplication::overrideCursor()->shape() : Qt::ArrowCursor,
                     Qt::WaitCursor);
            desktop.setBusy(false);
            QVERIFY(!QGuiApplication::overrideCursor());
            desktop.setBusy(false);  // one too many: ignored
            desktop.setBusy(true);
            QVERIFY(!desktop.openUrl("no scheme here"));
        }
        QVERIFY(!QGuiApplication::overrideCursor());  // the destructor took it back

        QtClipboard clipboard;
        QVERIFY(clipboard.setText("12\n13.5\n-2\nä"));
        QCOMPARE(clipboard.text(), std::optional<std::string>("12\n13.5\n-2\nä"));
        QVERIFY(!clipboard.setImage({1, 2, 3}));
        QImage picture(40, 30, QImage::Format_RGB32);
        picture.fill(Qt::red);
        QByteArray png;
        QBuffer buffer(&png);
        QVERIFY(buffer.open(QIODevice::WriteOnly) && picture.save(&buffer, "PNG"));
        QVERIFY(clipboard.setImage(std::vector<unsigned char>(png.begin(), png.end())));
        QCOMPARE(QGuiApplication::clipboard()->image().size(), QSize(40, 30));
    }

    void windowsAreCentredSizedAndSwitchedOff()
    {
        const QRect available = QGuiApplication::primaryScreen()->availableGeometry();
        QWidget unsized;
        auto* button = new QPushButton(QStringLiteral("&OK"), &unsized);
        auto* off = new QCheckBox(QStringLiteral("off"), &unsized);
        off->setEnabled(false);
        off->move(10, 50);
        centerForm(unsized, 1.2);
        QVERIFY(unsized.width() >= 200 && unsized.height() >= 100);
        QVERIFY(unsized.width() <= available.width() * 0.9 + 1 && unsized.height() <= available.height() * 0.9 + 1);
        // The frame is centred, with room for a title bar above the window (the frame is not there
        // before the first show).
        QVERIFY((unsized.geometry().center() - available.center() + QPoint(0, 20)).manhattanLength() <= 2);
        QVERIFY(!(unsized.windowState() & Qt::WindowMaximized));

        QWidget huge;
        huge.resize(available.width() * 2, 300);
        centerForm(huge, 0.75, true);
        QVERIFY(huge.width() <= available.width());
        QCOMPARE(huge.height(), 300);  // a size given keeps what fits
        QVERIFY(huge.windowState() & Qt::WindowMaximized);

        unsized.show();
        QVERIFY(QTest::qWaitForWindowExposed(&unsized));
        int clicks = 0;
        connect(button, &QPushButton::clicked, [&clicks] { ++clicks; });
        disableForm(unsized);
        QTest::mouseClick(button, Qt::LeftButton);
        enableForm(unsized);
        QVERIFY(!off->isEnabled());  // what was off before stays off
        QTest::mouseClick(button, Qt::LeftButton);
        QCOMPARE(clicks, 1);
    }
};

QTEST_MAIN(PlatformTest)
#include "platform_test.moc"
