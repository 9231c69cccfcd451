// SPDX-License-Identifier: GPL-3.0-or-later
// The "Labels for Levels" window walked with the keyboard and the buttons.
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <memory>

#include "session/session.h"
#include "support/guitest.h"
#include "design/levellabelswindow.h"

using namespace varisect;

namespace {

struct Harness {
    FakePlatform fake;
    Session state;
    int finished = 0, cancelled = 0, exits = 0;
    std::unique_ptr<LevelLabelsWindow> window;

    explicit Harness(std::initializer_list<std::pair<const char*, int>> factors)
    {
        for (const auto& [name, levels] : factors)
            state.design.design.factors.push_back(Factor{name, name[0], levels, {}});
        state.design.labelsInUse = true;
        window = std::make_unique<LevelLabelsWindow>(state.design, test::shellContext(fake, &exits), 0,
                                                     LevelLabelsWindow::HandOver{[this] { ++finished; }, [this] { ++cancelled; }});
        window->show();
        window->activateWindow();
        if (!QTest::qWaitForWindowActive(window.get()))
            qFatal("the window did not become active");
    }
    QLineEdit* entry() const { return window->findChild<QLineEdit*>(QStringLiteral("labelEntry")); }
    QPushButton* button(const char* name) const { return window->findChild<QPushButton*>(QString::fromUtf8(name)); }
    QString prompt() const { return window->findChild<QLabel*>(QStringLiteral("prompt"))->text(); }
    void click(const char* name) { QTest::mouseClick(button(name), Qt::LeftButton); }
    void type(const char* label)
    {
        QTest::keyClicks(entry(), QString::fromUtf8(label));
        QTest::keyClick(entry(), Qt::Key_Return);
    }
};

}  // namespace

class LevelLabelsTest : public QObject {
    Q_OBJECT

private slots:
    void walkedToTheEndWithTheDuplicateMessage()
    {
        Harness h({{"Drug", 2}, {"Time", 3}});
        QCOMPARE(h.window->windowTitle(), QStringLiteral("Labels for Levels"));
        QCOMPARE(h.prompt(), QStringLiteral("For Factor 1, Drug, what is the label for level 1?"));
        QCOMPARE(h.window->findChild<QLabel*>(QStringLiteral("note"))->text(),
                 QStringLiteral("Note: A level label may consist of one or two characters."));
        QVERIFY(!h.button("finishedButton")->isEnabled());

        // A third character is refused at once and the box emptied.
        QTest::keyClicks(h.entry(), QStringLiteral("abc"));
        QCOMPARE(h.fake.dialogs.messageTitles(), std::vector<std::string>{"Label Error!"});
        QCOMPARE(h.entry()->text(), QString());

        h.click("okButton");  // nothing typed
        QCOMPARE(h.fake.dialogs.lastMessage().message.title, std::string("Value Missing!"));
        QCOMPARE(h.fake.dialogs.lastMessage().message.text, std::string("Please enter a label for Factor 1, Drug, Level 1."));

        h.type("p");
        QCOMPARE(h.prompt(), QStringLiteral("Please enter a label for Factor 1, Drug, Level 2."));
        for (const char* l : {"d", "t1", "t2", "t1"})
            h.type(l);
        QVERIFY(!h.entry()->isEnabled());
        QVERIFY(h.button("finishedButton")->isEnabled());

        h.click("finishedButton");
        QCOMPARE(h.fake.dialogs.lastMessage().message.title, std::string("Error"));
        QCOMPARE(h.prompt(), QStringLiteral("For Factor 2, Time, what is the label for level 1?"));
        QCOMPARE(h.finished, 0);

        h.click("cellIndicesButton");
        h.click("finishedButton");
        QCOMPARE(h.finished, 1);
        QVERIFY(!h.window->isVisible());
        QCOMPARE(h.state.design.design.factors[0].levelLabels, (std::vector<std::string>{"p", "d"}));
        QCOMPARE(h.state.design.design.factors[1].levelLabels, (std::vector<std::string>{"1", "2", "3"}));
        QVERIFY(h.state.design.labelsInUse);
    }

    void startOverAndCancel()
    {
        Harness h({{"Drug", 2}, {"Time", 2}});
        h.state.design.design.factors[0].levelLabels = {"x", "y"};
        h.type("a");
        h.click("startOverButton");
        QCOMPARE(h.prompt(), QStringLiteral("For Factor 1, Drug, what is the label for level 1?"));
        h.click("cancelButton");
        QCOMPARE(h.cancelled, 1);
        QVERIFY(!h.state.design.labelsInUse && !h.window->isVisible());
        QCOMPARE(h.state.design.design.factors[0].levelLabels, (std::vector<std::string>{"x", "y"}));

        Harness e({{"Drug", 2}, {"Time", 2}});  // Escape is the same as Cancel; Alt+F4 leaves the program
        QTest::keyClick(e.window.get(), Qt::Key_F4, Qt::AltModifier);
        QCOMPARE(e.exits, 1);
        QTest::keyClick(e.window.get(), Qt::Key_Escape);
        QCOMPARE(e.cancelled, 1);
        QVERIFY(!e.state.design.labelsInUse);
    }
};

QTEST_MAIN(LevelLabelsTest)
#include "levellabels_test.moc"
