// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/guitest.h"

#include <fstream>
#include <iterator>

#include <QAbstractButton>
#include <QApplication>
#include <QLineEdit>
#include <QProcess>
#include <QRegularExpression>
#include <QTest>
#include <QWidget>

#include "session/recentfiles.h"

namespace varisect::test {

void click(QAbstractButton* button)
{
    QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(8, button->height() / 2));
}

Design makeDesign(const std::vector<std::pair<std::string, int>>& factors)
{
    Design d;
    for (const auto& [name, levels] : factors) {
        Factor f;
        f.name = name;
        f.tableLabel = name.empty() ? 'A' : name[0];
        f.levels = levels;
        d.factors.push_back(f);
    }
    return d;
}

std::string readAll(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void writeFile(const std::string& path, const std::string& text)
{
    std::ofstream(path, std::ios::binary) << text;
}

std::string pdfText(const std::string& path, bool layout)
{
    QStringList args;
    if (layout)
        args << QStringLiteral("-layout");
    args << QString::fromStdString(path) << QStringLiteral("-");
    QProcess p;
    p.start(QStringLiteral("pdftotext"), args);
    if (!p.waitForFinished(60000) || p.exitCode() != 0)
        return {};
    return QString::fromUtf8(p.readAllStandardOutput()).toStdString();
}

std::string oneSpaced(QString text)
{
    return text.replace(QRegularExpression(QStringLiteral("\\s+")), QStringLiteral(" ")).trimmed().toStdString();
}

ShellContext shellContext(FakePlatform& fake, int* exits)
{
    ShellContext c{fake.platform(), [] { return 0.75; }, [] { return false; }, {}};
    if (exits)
        c.exitProgram = [exits] { ++*exits; };
    return c;
}

void answerDesignQuestions(QWidget* mainWindow, const std::vector<std::pair<std::string, int>>& factors)
{
    auto answer = [mainWindow](const char* box, const std::string& text) {
        auto* edit = child<QLineEdit>(mainWindow, box);
        QTest::mouseClick(edit, Qt::LeftButton);
        edit->selectAll();
        QTest::keyClicks(edit, QString::fromStdString(text));
        QTest::keyClick(edit, Qt::Key_Return);
    };
    answer("factorCountBox", std::to_string(factors.size()));
    for (const auto& [name, levels] : factors) {
        answer("levelsBox", std::to_string(levels));
        answer("nameBox", name);
    }
}

QStringList visibleWindows()
{
    QStringList out;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->isVisible())
            out << (w->objectName().isEmpty() ? QString::fromUtf8(w->metaObject()->className()) : w->objectName());
    out.sort();
    return out;
}

const std::vector<int> kDrugTimeScores{12, 15, 14, 19, 17, 24,  //
                                       10, 14, 13, 16, 15, 22,  //
                                       14, 16, 15, 21, 20, 25,  //
                                       11, 13, 12, 18, 16, 23,  //
                                       13, 17, 16, 20, 18, 26};

double drugTimeMean(int d, int t, int s)
{
    double sum = 0;
    int n = 0;
    for (int i = 0; i < 30; ++i)
        if (i % 2 == d - 1 && i / 2 % 3 == t - 1 && (s == 0 || i / 6 == s - 1)) {
            sum += kDrugTimeScores[size_t(i)];
            ++n;
        }
    return sum / n;
}

void rememberDrugTimeFile(FakePlatform& fake, const std::string& path, const std::vector<int>& scores, bool labels)
{
    std::string text;
    for (int x : scores)
        text += std::to_string(x) + "\r\n";
    writeFile(path, text);
    RecentFileRecord record{path, "Pilot study", {"Drug", "Time", "Subjects"}, {2, 3, 5}, labels, {}};
    if (labels)
        record.levelLabels = {{"Pl", "Ac"}, {"T1", "T2", "T3"}, {"S1", "S2", "S3", "S4", "S5"}};
    RecentFileList{{record}}.write(fake.settings);
}

}  // namespace varisect::test
