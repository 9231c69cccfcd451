// SPDX-License-Identifier: GPL-3.0-or-later
// The desktop program's platform layer: the settings file, the help viewer, the dialogs, the
// printer, the clipboard and the window utilities, run offscreen; and the scripted fakes that
// the other window tests rely on.
#include <functional>

#include <QAbstractButton>
#include <QApplication>
#include <QBuffer>
#include <QCheckBox>
#include <QClipboard>
#include <QDialogButtonBox>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QImage>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPainter>
#include <QPrintDialog>
#include <QPointer>
#include <QPrinter>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QScreen>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTextEdit>
#include <QTest>
#include <QTimer>
#include <QUrl>

#include "platform/fakeplatform.h"
#include "platform/qtabout.h"
#include "platform/qtclipboard.h"
#include "platform/qtdesktop.h"
#include "platform/qtdialogs.h"
#include "platform/qthelpviewer.h"
#include "platform/qtprinttarget.h"
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
    auto* started = new QElapsedTimer;
    started->start();
    QObject::connect(poll, &QTimer::timeout, [poll, started, act] {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            if (T* dialog = qobject_cast<T*>(w); dialog && dialog->isVisible()) {
                poll->stop();
                act(dialog);
                QTimer::singleShot(50, [shown = QPointer<T>(dialog)] {
                    if (shown && shown->isVisible())
                        shown->reject();
                });
                poll->deleteLater();
                delete started;
                return;
            }
        }
        if (started->elapsed() > 5000) {
            poll->stop();
            poll->deleteLater();
            delete started;
            qWarning("no dialog appeared");
        }
    });
    poll->start(20);
}

// What a user types into the file name box of Qt's own file dialog.
void typeFileName(QFileDialog* dialog, const QString& name)
{
    if (auto* edit = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))) {
        edit->clear();
        QTest::keyClicks(edit, name);
    }
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

    void settingsKeysIgnoreCaseAndSurviveANewStore()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString path = dir.filePath(QStringLiteral("Varisect_Setup.ini"));
        {
            QtSettingsStore store(path);
            QCOMPARE(store.read("OutlierCheck"), std::string());  // no file yet
            QVERIFY(store.write("1Recent_File_LevelLabels", "a,b,c"));
            QCOMPARE(store.read("1recent_file_levellabels"), std::string("a,b,c"));
            QCOMPARE(store.read("1Recent_File_Levellabels"), std::string("a,b,c"));
            // Another spelling replaces the value instead of adding a second key.
            QVERIFY(store.write("1RECENT_FILE_LEVELLABELS", "x,y,z"));
            QVERIFY(store.write("1Recent_File", "/home/ann/Studies/Gedächtnis 1.dat"));
            QVERIFY(store.write("1Recent_File_Probname", "  @odd = label; #1 "));
            QCOMPARE(store.read("Run_Maximized"), std::string());
        }
        QSettings raw(path, QSettings::IniFormat);
        raw.beginGroup(QStringLiteral("Settings"));
        QCOMPARE(raw.childKeys().size(), 3);

        QtSettingsStore again(path);
        QCOMPARE(again.read("1Recent_File_LevelLabels"), std::string("x,y,z"));
        QCOMPARE(again.read("1recent_file"), std::string("/home/ann/Studies/Gedächtnis 1.dat"));
        QCOMPARE(again.read("1Recent_File_Probname"), std::string("  @odd = label; #1 "));

        // A file edited by hand: unquoted commas and the section in another case.
        const QString edited = dir.filePath(QStringLiteral("edited.ini"));
        QVERIFY(writeFile(edited, "[Settings]\r\n1recent_file_factornames=Drug,Time,Subjects\r\nOUTLIERCHECK=False\r\n"));
        QtSettingsStore hand(edited);
        QCOMPARE(hand.read("1Recent_File_FactorNames"), std::string("Drug,Time,Subjects"));
        QCOMPARE(hand.read("OutlierCheck"), std::string("False"));

        QVERIFY(QtSettingsStore::defaultPath().endsWith(QStringLiteral("/Varisect_Setup.ini")));
    }

    void settingsSurviveGarbageAndReportFailedWrites()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString path = dir.filePath(QStringLiteral("Varisect_Setup.ini"));
        QByteArray garbage("[Settings]\nShowFsCheck=True\n");
        for (int i = 0; i < 20000; ++i)
            garbage.append(static_cast<char>((i * 7919 + 13) % 256));
        garbage.append("\n[Settings\n=\n\\\\\n[]\nkey=\"unterminated\n");
        QVERIFY(writeFile(path, garbage));
        {
            QtSettingsStore store(path);
            QCOMPARE(store.read("Use_Level_Labels"), std::string());
            QCOMPARE(store.read("showfscheck"), std::string("True"));  // salvaged
            QVERIFY(store.write("Run_Maximized", "True"));
            QCOMPARE(QtSettingsStore(path).read("Run_Maximized"), std::string("True"));
        }

        // A folder that cannot exist (a file stands in its place), and a folder standing where
        // the file should be.
        QVERIFY(writeFile(dir.filePath(QStringLiteral("plainfile")), "x"));
        QtSettingsStore blocked(dir.filePath(QStringLiteral("plainfile/Varisect_Setup.ini")));
        QVERIFY(!blocked.write("Run_Maximized", "True"));
        QCOMPARE(blocked.read("Run_Maximized"), std::string());
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("folder.ini")));
        QtSettingsStore onFolder(dir.filePath(QStringLiteral("folder.ini")));
        QVERIFY(!onFolder.write("Run_Maximized", "True"));
        QCOMPARE(onFolder.read("Run_Maximized"), std::string());
        // A file that exists and can be read but that the system will not change, even for
        // root: the failed value must not linger in QSettings' memory and be read back.
        if (QFileInfo::exists(QStringLiteral("/proc/version"))) {
            QtSettingsStore readOnly(QStringLiteral("/proc/version"));
            QVERIFY(!readOnly.write("Run_Maximized", "True"));
            QCOMPARE(readOnly.read("Run_Maximized"), std::string());
        }
        QVERIFY(!QtSettingsStore(path).write("", "no key"));
    }

    // ---- the help viewer ----

    void helpOpensContextsAndKeepsItsHistory()
    {
        QtHelpViewer help;
        QVERIFY(!help.window());
        help.showContext(kHelpOpenDataFile);
        QVERIFY(help.window() && help.window()->isVisible());
        QCOMPARE(help.window()->windowTitle(), QStringLiteral("Varisect Help"));
        QCOMPARE(help.currentPage(), QStringLiteral("opendata.html"));
        help.showContext(kHelpSaveDataFile);
        QCOMPARE(help.currentPage(), QStringLiteral("savedata.html"));
        help.showContext(kHelpPreferences);
        QCOMPARE(help.currentPage(), QStringLiteral("mainwindow.html"));
        QCOMPARE(help.currentAnchor(), QStringLiteral("preferences"));

        auto* back = help.window()->findChild<QPushButton*>(QStringLiteral("backButton"));
        auto* forward = help.window()->findChild<QPushButton*>(QStringLiteral("forwardButton"));
        QVERIFY(back && forward);
        QVERIFY(back->isEnabled() && !forward->isEnabled());
        QTest::mouseClick(back, Qt::LeftButton);
        QCOMPARE(help.currentPage(), QStringLiteral("savedata.html"));
        QVERIFY(forward->isEnabled());
        QTest::mouseClick(forward, Qt::LeftButton);
        QCOMPARE(help.currentPage(), QStringLiteral("mainwindow.html"));

        help.showContext(4711);  // a number no topic has
        QCOMPARE(help.currentPage(), QStringLiteral("contents.html"));
        help.showHelpOnHelp();
        QCOMPARE(help.currentPage(), QStringLiteral("howtousehelp.html"));
        QTest::mouseClick(help.window()->findChild<QPushButton*>(QStringLiteral("contentsButton")), Qt::LeftButton);
        QCOMPARE(help.currentPage(), QStringLiteral("contents.html"));

        help.close();
        QVERIFY(!help.window()->isVisible());
        help.showSearch();
        QVERIFY(help.window()->isVisible());
        QCOMPARE(help.currentPage(), QStringLiteral("contents.html"));  // search keeps the page
    }

    // Every link between pages and every topic number leads somewhere that exists, and the
    // contents page reaches every page.
    void helpLinksAndTopicsResolve()
    {
        QtHelpViewer help;
        const QStringList pages = help.pages();
        QVERIFY(pages.contains(QStringLiteral("faq.html")));
        const QRegularExpression anchorName(QStringLiteral("<a name=\"([^\"]+)\""));
        const QRegularExpression link(QStringLiteral("href=\"([^\"]+)\""));
        auto anchorsOf = [&](const QString& page) {
            QStringList names;
            for (const auto& m : anchorName.globalMatch(readAll(QStringLiteral(":/help/") + page)))
                names << m.captured(1);
            return names;
        };
        QStringList linkedFromContents;
        for (const QString& page : pages) {
            const QString html = readAll(QStringLiteral(":/help/") + page);
            QVERIFY2(!html.isEmpty(), qPrintable(page));
            QVERIFY2(help.pageTitle(page) != page, qPrintable(page + ": no title"));
            for (const auto& m : link.globalMatch(html)) {
                const QUrl target(m.captured(1));
                if (!target.scheme().isEmpty())
                    continue;  // a web address
                const QString file = target.path().isEmpty() ? page : target.path();
                QVERIFY2(pages.contains(file), qPrintable(page + " links to " + m.captured(1)));
                if (target.hasFragment())
                    QVERIFY2(anchorsOf(file).contains(target.fragment()), qPrintable(page + " links to " + m.captured(1)));
                if (page == QStringLiteral("contents.html"))
                    linkedFromContents << file;
            }
        }
        for (const QString& page : pages) {
            if (page != QStringLiteral("contents.html"))
                QVERIFY2(linkedFromContents.contains(page), qPrintable(page + " is missing from the contents"));
        }
        for (int context : {kHelpMainWindow, kHelpNumberOfFactors, kHelpNumberOfLevels, kHelpFactorName,
                            kHelpProblemLabel, kHelpRecentFiles, kHelpPreferences, kHelpUnequalCellSize,
                            kHelpSpecificComparisons, kHelpLevelLabels, kHelpOpenDataFile, kHelpSaveDataFile,
                            kHelpOnHelp}) {
            const QString page = QtHelpViewer::pageForContext(context);
            QVERIFY2(page != QStringLiteral("contents.html"), qPrintable(QString::number(context)));
            const QString anchor = QtHelpViewer::anchorForContext(context);
            QVERIFY2(anchor.isEmpty() || anchorsOf(page).contains(anchor), qPrintable(QString::number(context)));
        }
    }

    void helpSearchFindsWordsInThePages()
    {
        QtHelpViewer help;
        const QStringList imputed = help.search(QStringLiteral("IMPUTED"));
        QVERIFY(imputed.contains(QStringLiteral("opendata.html")));
        QVERIFY(imputed.contains(QStringLiteral("savedata.html")));
        QVERIFY(!imputed.contains(QStringLiteral("levellabels.html")));
        // Every word must occur, not side by side.
        QCOMPARE(help.search(QStringLiteral("  two   characters label ")), QStringList{QStringLiteral("levellabels.html")});
        QVERIFY(help.search(QStringLiteral("imputed xylophone")).isEmpty());
        QCOMPARE(help.search(QString()), help.pages());

        // As a user: type into the search box, pick the first page found.
        help.showSearch();
        QWidget* window = help.window();
        auto* edit = window->findChild<QLineEdit*>(QStringLiteral("searchEdit"));
        auto* results = window->findChild<QListWidget*>(QStringLiteral("searchResults"));
        QVERIFY(edit && results);
        QCOMPARE(results->count(), help.pages().size());
        QTest::keyClicks(edit, QStringLiteral("write-protected"));
        QCOMPARE(results->count(), 1);
        QCOMPARE(results->item(0)->text(), QStringLiteral("Saving Data in a File"));
        QTest::keyClick(edit, Qt::Key_Return);
        QCOMPARE(help.currentPage(), QStringLiteral("savedata.html"));
        auto* browser = window->findChild<QTextEdit*>(QStringLiteral("helpBrowser"));
        QVERIFY(browser);
        QCOMPARE(browser->textCursor().selectedText().toLower(), QStringLiteral("write-protected"));
        edit->clear();
        QTest::keyClicks(edit, QStringLiteral("qwertzuiop"));
        QCOMPARE(results->count(), 0);
    }

    void faqIsWrittenWhereABrowserCanOpenIt()
    {
        const QUrl url(QString::fromStdString(faqUrl()));
        QVERIFY(url.isLocalFile());
        const QString onDisk = readAll(url.toLocalFile());
        QVERIFY(onDisk.contains(QStringLiteral("Frequently Asked Questions")));
        QCOMPARE(onDisk, readAll(QStringLiteral(":/help/faq.html")));
        QCOMPARE(QString::fromStdString(faqUrl()), url.toString());  // written again, same place
    }

    // ---- the scripted fakes ----

    void scriptedDialogsAnswerAndRecord()
    {
        FakePlatform fake;
        const Platform platform = fake.platform();
        QCOMPARE(&platform.dialogs, static_cast<Dialogs*>(&fake.dialogs));
        QCOMPARE(&platform.help, static_cast<HelpViewer*>(&fake.help));

        ScriptedDialogs& dialogs = fake.dialogs;
        dialogs.messageAnswers = {DialogAnswer::No, DialogAnswer::Yes};
        const Message question{"File naming conflict!", "first\n\rsecond", MessageButtons::YesNoCancel,
                               MessageIcon::Exclamation};
        QCOMPARE(platform.dialogs.message(question, DialogAnswer::No), DialogAnswer::No);
        // "Yes" is no button of an OK box: a slip in the script, answered by the default.
        QCOMPARE(platform.dialogs.message({"Error", "The clipboard is empty!", MessageButtons::Ok, MessageIcon::Critical}),
                 DialogAnswer::Ok);
        QCOMPARE(dialogs.scriptErrors.size(), size_t(1));
        QVERIFY(!dialogs.ranDry());
        // Queue empty: the default button answers, unless a fallback is set.
        QCOMPARE(platform.dialogs.message(question, DialogAnswer::No), DialogAnswer::No);
        QCOMPARE(platform.dialogs.message({"Wrong file selected?", "", MessageButtons::AbortRetryIgnore}), DialogAnswer::Abort);
        dialogs.messageFallback = DialogAnswer::Cancel;
        QCOMPARE(platform.dialogs.message(question), DialogAnswer::Cancel);
        QCOMPARE(dialogs.dryCount(), 3);

        QCOMPARE(dialogs.messages.size(), size_t(5));
        const ShownMessage& first = dialogs.messages.front();
        QCOMPARE(first.message.title, std::string("File naming conflict!"));
        QCOMPARE(first.message.text, std::string("first\n\rsecond"));
        QVERIFY(first.message.buttons == MessageButtons::YesNoCancel);
        QVERIFY(first.message.icon == MessageIcon::Exclamation);
        QVERIFY(first.defaultButton == DialogAnswer::No);
        QVERIFY(first.scripted && !dialogs.lastMessage().scripted);
        QCOMPARE(dialogs.messageTitles()[1], std::string("Error"));

        dialogs.openAnswers = {std::string("/data/ä.dat")};
        dialogs.saveAnswers = {std::nullopt};
        FileDialogOptions open{"Open File", "Data Files (*.dat)", "dat", "/data", false, kHelpOpenDataFile};
        QCOMPARE(platform.dialogs.openFile(open), std::optional<std::string>("/data/ä.dat"));
        FileDialogOptions save;
        save.title = "Save File (As)";
        QCOMPARE(platform.dialogs.saveFile(save), std::optional<std::string>());
        QVERIFY(dialogs.scriptUsedUp());
        QCOMPARE(platform.dialogs.inputBox("Title", "Prompt", "start"), std::optional<std::string>());
        QCOMPARE(dialogs.requests.size(), size_t(3));
        QVERIFY(dialogs.requests[0].kind == RequestKind::Open && dialogs.requests[0].file.helpContext == 60);
        QVERIFY(dialogs.requests[1].kind == RequestKind::Save && dialogs.requests[1].scripted);
        QVERIFY(dialogs.requests[2].kind == RequestKind::Input && !dialogs.requests[2].scripted);
        QCOMPARE(dialogs.requests[2].initialText, std::string("start"));

        // The other fakes.
        QVERIFY(platform.clipboard.setText("1\r\n2"));
        QCOMPARE(platform.clipboard.text(), std::optional<std::string>("1\r\n2"));
        fake.clipboard.busy = true;
        QVERIFY(!platform.clipboard.setText("3"));
        QCOMPARE(platform.clipboard.text(), std::optional<std::string>());
        {
            BusyScope outer(platform.desktop);
            BusyScope inner(platform.desktop);
            QCOMPARE(fake.desktop.busyDepth, 2);
        }
        QCOMPARE(fake.desktop.busyDepth, 0);
        QVERIFY(!fake.desktop.unbalanced);
        platform.desktop.setBusy(false);
        QVERIFY(fake.desktop.unbalanced);
    }

    // ---- the Qt dialogs, answered by a simulated user ----

    void messageBoxShowsTheMessageAndReturnsTheButton()
    {
        FakeHelpViewer help;
        QtDialogs dialogs(help, [] { return static_cast<QWidget*>(nullptr); });
        QString title, text;
        QMessageBox::Icon icon = QMessageBox::NoIcon;
        QString defaultText;
        int buttonCount = 0;
        whenShown<QMessageBox>([&](QMessageBox* box) {
            title = box->windowTitle();
            text = box->text();
            icon = box->icon();
            buttonCount = box->buttons().size();
            defaultText = box->defaultButton() ? box->defaultButton()->text() : QString();
            box->button(QMessageBox::No)->click();
        });
        const Message m{"Unweighted Means Anova", "    The analysis...\n\r     Do you wish to skip?",
                        MessageButtons::YesNoCancel, MessageIcon::Information};
        QCOMPARE(dialogs.message(m, DialogAnswer::No), DialogAnswer::No);
        QCOMPARE(title, QStringLiteral("Unweighted Means Anova"));
        QCOMPARE(text, QStringLiteral("    The analysis...\n     Do you wish to skip?"));
        QCOMPARE(icon, QMessageBox::Information);
        QCOMPARE(buttonCount, 3);
        QCOMPARE(defaultText.remove(QLatin1Char('&')), QStringLiteral("No"));

        // Escape: the Cancel button of the set.
        whenShown<QMessageBox>([](QMessageBox* box) { QTest::keyClick(box, Qt::Key_Escape); });
        QCOMPARE(dialogs.message({"Exit", "Save?", MessageButtons::YesNoCancel, MessageIcon::Question}),
                 DialogAnswer::Cancel);
        whenShown<QMessageBox>([](QMessageBox* box) { QTest::keyClick(box, Qt::Key_Return); });
        QCOMPARE(dialogs.message({"Wrong file selected?", "count", MessageButtons::AbortRetryIgnore}), DialogAnswer::Abort);

        QCOMPARE(displayText("a\n\rb\r\nc\rd"), QStringLiteral("a\nb\nc\nd"));
    }

    void fileDialogsOfferHelpAndTheDefaultExtension()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        QVERIFY(writeFile(dir.filePath(QStringLiteral("scores.dat")), "1\r\n2\r\n"));
        FakeHelpViewer help;
        QtDialogs dialogs(help, [] { return static_cast<QWidget*>(nullptr); });

        QString title;
        whenShown<QFileDialog>([&](QFileDialog* d) {
            title = d->windowTitle();
            if (auto* helpButton = d->findChild<QPushButton*>(QStringLiteral("helpButton")))
                helpButton->click();
            typeFileName(d, QStringLiteral("scores.dat"));
            static_cast<QDialog*>(d)->accept();  // QFileDialog::accept, which checks the name
        });
        const auto opened = dialogs.openFile({"Open File", "Data Files (*.dat);;All Files (*)", "dat",
                                              dir.path().toStdString(), false, kHelpOpenDataFile});
        QCOMPARE(title, QStringLiteral("Open File"));
        QCOMPARE(help.contexts, std::vector<int>{kHelpOpenDataFile});
        QVERIFY(opened.has_value());
        QCOMPARE(QString::fromStdString(*opened), dir.filePath(QStringLiteral("scores.dat")));

        bool hasHelp = true;
        whenShown<QFileDialog>([&](QFileDialog* d) {
            hasHelp = d->findChild<QPushButton*>(QStringLiteral("helpButton")) != nullptr;
            typeFileName(d, QStringLiteral("results"));
            static_cast<QDialog*>(d)->accept();  // QFileDialog::accept, which checks the name
        });
        const auto saved = dialogs.saveFile({"Save File (As)", "Data Files (*.dat)", "dat", dir.path().toStdString(), true, 0});
        QVERIFY(!hasHelp);
        QVERIFY(saved.has_value());
        QCOMPARE(QString::fromStdString(*saved), dir.filePath(QStringLiteral("results.dat")));

        whenShown<QFileDialog>([](QFileDialog* d) { d->reject(); });
        FileDialogOptions plain;
        plain.title = "Open File";
        QVERIFY(!dialogs.openFile(plain).has_value());
    }

    void aboutBoxIsModalAndNamesTheVersion()
    {
        QString title, text;
        bool modal = false;
        whenShown<QMessageBox>([&](QMessageBox* box) {
            title = box->windowTitle();
            text = box->text();
            modal = box->isModal();
            box->accept();
        });
        showAbout(nullptr);
        QCOMPARE(title, QStringLiteral("About Varisect"));
        QVERIFY(modal);
        QVERIFY(text.contains(QStringLiteral("Version ") + programVersion()));
        QVERIFY(QRegularExpression(QStringLiteral("^\\d+\\.\\d+\\.\\d+$")).match(programVersion()).hasMatch());
        QVERIFY(text.contains(QStringLiteral("GPL-3.0-or-later")));
    }

    // ---- printing, clipboard, busy pointer ----

    void printedTextReachesThePdf()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString pdf = dir.filePath(QStringLiteral("print.pdf"));
        FakePlatform fake(pdf.toStdString());
        QPrinter* printer = fake.platform().printer.choosePrinter("Print Data");
        QVERIFY(printer);
        {
            QPainter painter;
            QVERIFY(painter.begin(printer));
            painter.setFont(QFont(QStringLiteral("Courier New"), 11));
            painter.drawText(QPointF(200, 400), QStringLiteral("Raw Data 12.5 Gedächtnis"));
            painter.end();
        }
        QCOMPARE(fake.printer.dialogTitles, std::vector<std::string>{"Print Data"});
        fake.printer.cancel = true;
        QVERIFY(!fake.printer.choosePrinter("Print Table"));

        QProcess pdftotext;
        pdftotext.start(QStringLiteral("pdftotext"), {pdf, QStringLiteral("-")});
        if (!pdftotext.waitForStarted())
            QSKIP("pdftotext is not installed");
        QVERIFY(pdftotext.waitForFinished());
        QVERIFY(QString::fromUtf8(pdftotext.readAllStandardOutput()).contains(QStringLiteral("Raw Data 12.5 Gedächtnis")));
    }

    void printerSetupIsTitledAndCancels()
    {
        QtPrintTarget target([] { return static_cast<QWidget*>(nullptr); });
        QString title;
        whenShown<QPrintDialog>([&](QPrintDialog* d) {
            title = d->windowTitle();
            d->reject();
        });
        QVERIFY(!target.printerSetup());
        QCOMPARE(title, QStringLiteral("Printer Setup"));
    }

    void clipboardRoundTripsTextAndRefusesBadPictures()
    {
        QtClipboard clipboard;
        QVERIFY(clipboard.setText("12\n13.5\n-2\nä"));
        QCOMPARE(clipboard.text(), std::optional<std::string>("12\n13.5\n-2\nä"));
        QVERIFY(!clipboard.setImage({1, 2, 3}));
        QVERIFY(!clipboard.setImage({}));
        QImage picture(40, 30, QImage::Format_RGB32);
        picture.fill(Qt::red);
        QByteArray png;
        QBuffer buffer(&png);
        QVERIFY(buffer.open(QIODevice::WriteOnly) && picture.save(&buffer, "PNG"));
        QVERIFY(clipboard.setImage(std::vector<unsigned char>(png.begin(), png.end())));
        QCOMPARE(QGuiApplication::clipboard()->image().size(), QSize(40, 30));
    }

    void busyPointerNestsAndBalances()
    {
        {
            QtDesktop desktop;
            desktop.setBusy(true);
            desktop.setBusy(true);
            desktop.setBusy(false);
            QVERIFY(QGuiApplication::overrideCursor());
            QCOMPARE(QGuiApplication::overrideCursor()->shape(), Qt::WaitCursor);
            desktop.setBusy(false);
            QVERIFY(!QGuiApplication::overrideCursor());
            desktop.setBusy(false);  // one too many: ignored
            desktop.setBusy(true);
            QVERIFY(!desktop.openUrl(""));
            QVERIFY(!desktop.openUrl("no scheme here"));
        }
        QVERIFY(!QGuiApplication::overrideCursor());  // the destructor took it back
    }

    // ---- window utilities ----

    void windowsAreCentredSizedAndSwitchedOff()
    {
        const QRect available = QGuiApplication::primaryScreen()->availableGeometry();
        QWidget unsized;
        auto* button = new QPushButton(QStringLiteral("&OK"), &unsized);
        auto* off = new QCheckBox(QStringLiteral("off"), &unsized);
        off->setEnabled(false);
        button->move(10, 10);
        off->move(10, 50);
        centerForm(unsized, 1.2);
        QVERIFY(unsized.width() >= 200 && unsized.height() >= 100);
        QVERIFY(unsized.width() <= available.width() * 0.9 + 1 && unsized.height() <= available.height() * 0.9 + 1);
        QVERIFY(qAbs(unsized.frameGeometry().center().x() - available.center().x()) <= 1);
        QVERIFY(qAbs(unsized.frameGeometry().center().y() - available.center().y()) <= 1);
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
        QCOMPARE(clicks, 0);
        enableForm(unsized);
        QVERIFY(button->isEnabled());
        QVERIFY(!off->isEnabled());  // what was off before stays off
        QTest::mouseClick(button, Qt::LeftButton);
        QCOMPARE(clicks, 1);
    }
};

QTEST_MAIN(PlatformTest)
#include "platform_test.moc"
