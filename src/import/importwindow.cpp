// SPDX-License-Identifier: GPL-3.0-or-later
#include "import/importwindow.h"

#include <algorithm>

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include "platform/helpviewer.h"
#include "shell/windowshell.h"

namespace varisect {

namespace {

constexpr long kPreviewRows = 8;

// The roles a column can play, per layout, as the mapping's combo boxes list them.
enum LongRole { LongUnused, LongScore, LongFactor, LongSubject, LongGroupedSubjects };
enum WideRole { WideUnused, WideCell, WideBetween, WideSubject };

QString q(const std::string& s)
{
    return QString::fromStdString(s);
}

QStringList longRoles()
{
    return {QStringLiteral("(not used)"), QStringLiteral("Score"), QStringLiteral("Factor"), QStringLiteral("Subject / case"),
            QStringLiteral("Factor (subjects numbered within it)")};
}

QStringList wideRoles()
{
    return {QStringLiteral("(not used)"), QStringLiteral("Within-subject cell"), QStringLiteral("Between-subject factor"),
            QStringLiteral("Subject")};
}

bool contains(const std::vector<int>& v, int x)
{
    return std::find(v.begin(), v.end(), x) != v.end();
}

}  // namespace

ImportWindow::ImportWindow(ShellContext shell, ImportWindowHandOver handOver, QWidget* parent)
    : QMainWindow(parent), shell_(new WindowShell(*this, std::move(shell))), handOver_(std::move(handOver))
{
    setObjectName(QStringLiteral("importWindow"));
    setWindowTitle(QStringLiteral("Import Data"));
    shell_->onClose([this] {
        hide();
        if (handOver_.cancelled)
            handOver_.cancelled();
    });
    buildControls();
    // Rows as high as the text needs: more of the file and the design in view.
    const int rowHeight = fontMetrics().height() + 8;
    for (QTableWidget* t : {preview_, design_})
        t->verticalHeader()->setDefaultSectionSize(rowHeight);
    mapping_->verticalHeader()->setDefaultSectionSize(std::max(rowHeight, QComboBox().sizeHint().height()));
    shell_->addHelpMenu(menuBar(), QStringLiteral("&Search for Help on..."), QStringLiteral("How to &Use Help"),
                        kHelpImportData);
    showTable();
    resize(1100, 700);
}

ImportWindow::~ImportWindow() = default;

void ImportWindow::buildControls()
{
    auto* central = new QWidget(this);
    setCentralWidget(central);
    auto* layout = new QVBoxLayout(central);

    // The file and, for a workbook, its sheet.
    auto* fileRow = new QHBoxLayout;
    auto* fileLabel = new QLabel(QStringLiteral("File:"), central);
    fileBox_ = new QLineEdit(central);
    fileBox_->setObjectName(QStringLiteral("fileBox"));
    fileBox_->setReadOnly(true);
    fileBox_->setPlaceholderText(QStringLiteral("Choose a CSV, spreadsheet, SPSS, Stata or SAS file"));
    auto* browse = new QPushButton(QStringLiteral("&Browse..."), central);
    browse->setObjectName(QStringLiteral("browseButton"));
    auto* sheetLabel = new QLabel(QStringLiteral("&Sheet:"), central);
    sheetBox_ = new QComboBox(central);
    sheetBox_->setObjectName(QStringLiteral("sheetBox"));
    sheetBox_->setMinimumContentsLength(12);
    sheetLabel->setBuddy(sheetBox_);
    fileRow->addWidget(fileLabel);
    fileRow->addWidget(fileBox_, 1);
    fileRow->addWidget(browse);
    fileRow->addSpacing(12);
    fileRow->addWidget(sheetLabel);
    fileRow->addWidget(sheetBox_);
    layout->addLayout(fileRow);
    connect(browse, &QPushButton::clicked, this, [this] { chooseFile(); });
    connect(sheetBox_, &QComboBox::activated, this, [this](int index) {
        if (!updating_ && index >= 0)
            openFile(session_.path().string(), sheetBox_->itemText(index).toStdString());
    });

    // The first rows as they are in the file.
    auto* previewLabel = new QLabel(QStringLiteral("P&review (first rows):"), central);
    preview_ = new QTableWidget(central);
    preview_->setObjectName(QStringLiteral("preview"));
    preview_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    preview_->setMaximumHeight(200);
    previewLabel->setBuddy(preview_);
    layout->addWidget(previewLabel);
    layout->addWidget(preview_, 2);

    // The layout and the mapping of the columns, beside the design they make.
    auto* middle = new QHBoxLayout;
    auto* mappingBox = new QGroupBox(QStringLiteral("Layout and columns"), central);
    auto* mappingLayout = new QVBoxLayout(mappingBox);
    auto* shapeRow = new QHBoxLayout;
    longButton_ = new QRadioButton(QStringLiteral("&Long: one row per score"), mappingBox);
    longButton_->setObjectName(QStringLiteral("longButton"));
    wideButton_ = new QRadioButton(QStringLiteral("&Wide: one row per subject"), mappingBox);
    wideButton_->setObjectName(QStringLiteral("wideButton"));
    auto* shapes = new QButtonGroup(this);
    shapes->addButton(longButton_);
    shapes->addButton(wideButton_);
    shapeRow->addWidget(longButton_);
    shapeRow->addWidget(wideButton_);
    shapeRow->addStretch(1);
    mappingLayout->addLayout(shapeRow);
    auto* columnsLabel = new QLabel(QStringLiteral("Colu&mns and what they hold:"), mappingBox);
    mapping_ = new QTableWidget(mappingBox);
    mapping_->setObjectName(QStringLiteral("mapping"));
    mapping_->setColumnCount(2);
    mapping_->setHorizontalHeaderLabels({QStringLiteral("Column"), QStringLiteral("Holds")});
    mapping_->horizontalHeader()->setSectionResizeMode(1, QHeaderView::Stretch);
    mapping_->verticalHeader()->setVisible(false);
    mapping_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    columnsLabel->setBuddy(mapping_);
    mappingLayout->addWidget(columnsLabel);
    mappingLayout->addWidget(mapping_, 1);
    auto* withinRow = new QHBoxLayout;
    withinLabel_ = new QLabel(QStringLiteral("Within-subject &factors:"), mappingBox);
    withinBox_ = new QLineEdit(mappingBox);
    withinBox_->setObjectName(QStringLiteral("withinBox"));
    withinBox_->setPlaceholderText(QStringLiteral("from the headers, or e.g. Drug=2, Time=3"));
    withinLabel_->setBuddy(withinBox_);
    withinApply_ = new QPushButton(QStringLiteral("A&pply"), mappingBox);
    withinApply_->setObjectName(QStringLiteral("withinApply"));
    withinRow->addWidget(withinLabel_);
    withinRow->addWidget(withinBox_, 1);
    withinRow->addWidget(withinApply_);
    mappingLayout->addLayout(withinRow);
    shell_->keepEnter(withinBox_);
    connect(withinApply_, &QPushButton::clicked, this, [this] { withinEntered(); });
    connect(withinBox_, &QLineEdit::returnPressed, this, [this] { withinEntered(); });
    connect(longButton_, &QRadioButton::toggled, this, [this](bool on) {
        if (updating_ || !session_.hasTable())
            return;
        session_.setShape(on ? DataShape::Long : DataShape::Wide);
        showMapping();
        showProposal();
    });
    middle->addWidget(mappingBox, 2);

    auto* designBox = new QGroupBox(QStringLiteral("Proposed design"), central);
    auto* designLayout = new QVBoxLayout(designBox);
    auto* designLabel = new QLabel(QStringLiteral("Factor &names and level labels (labels of 1 or 2 characters; "
                                                  "edit them here):"),
                                   designBox);
    designLabel->setWordWrap(true);
    design_ = new QTableWidget(designBox);
    design_->setObjectName(QStringLiteral("design"));
    design_->verticalHeader()->setVisible(false);
    designLabel->setBuddy(design_);
    designLayout->addWidget(designLabel);
    designLayout->addWidget(design_, 1);
    middle->addWidget(designBox, 3);
    layout->addLayout(middle, 3);

    // What the proposal says: renames, problems with their rows, or why the data cannot be used.
    auto* problemsLabel = new QLabel(QStringLiteral("N&otes and problems:"), central);
    problems_ = new QPlainTextEdit(central);
    problems_->setObjectName(QStringLiteral("problems"));
    problems_->setReadOnly(true);
    problems_->setMaximumHeight(140);
    problemsLabel->setBuddy(problems_);
    layout->addWidget(problemsLabel);
    layout->addWidget(problems_, 1);

    auto* buttons = new QHBoxLayout;
    dropBox_ = new QCheckBox(QStringLiteral("&Drop the incomplete rows (independent groups only)"), central);
    dropBox_->setObjectName(QStringLiteral("dropBox"));
    connect(dropBox_, &QCheckBox::toggled, this, [this](bool on) {
        if (updating_)
            return;
        session_.setDropIncomplete(on);
        showProposal();
    });
    importButton_ = new QPushButton(QStringLiteral("&Import"), central);
    importButton_->setObjectName(QStringLiteral("importButton"));
    auto* cancel = new QPushButton(QStringLiteral("&Cancel"), central);
    cancel->setObjectName(QStringLiteral("cancelButton"));
    buttons->addWidget(dropBox_);
    buttons->addStretch(1);
    buttons->addWidget(importButton_);
    buttons->addWidget(cancel);
    layout->addLayout(buttons);
    connect(importButton_, &QPushButton::clicked, this, [this] { importClicked(); });
    connect(cancel, &QPushButton::clicked, this, [this] {
        hide();
        if (handOver_.cancelled)
            handOver_.cancelled();
    });
    shell_->setDefaultButton(importButton_);

    shell_->explain(browse, QStringLiteral("Chooses the file to import: CSV or tab-separated text, .xlsx, .ods or .xls "
                                           "workbooks, SPSS, Stata or SAS files."));
    shell_->explain(mapping_, QStringLiteral("Long data: one column holds the scores, one column per factor, and "
                                             "perhaps a subject column. Wide data: one column per within-subject "
                                             "cell, the between-subject factors and perhaps a subject column."));
    shell_->explain(design_, QStringLiteral("The design the data make. Change a factor's name or a level's label "
                                            "by typing over it."));
}

void ImportWindow::tell(const std::string& title, const std::string& text)
{
    shell_->dialogs().message({title, text, MessageButtons::Ok, MessageIcon::Exclamation});
}

bool ImportWindow::chooseFile()
{
    FileDialogOptions options;
    options.title = "Import Data";
    options.filter = "Data Tables (" + importExtensionsPattern() + ");;All Files (*)";
    options.helpContext = kHelpImportData;
    if (session_.hasTable())
        options.initialPath = session_.path().parent_path().string();
    const std::optional<std::string> path = shell_->dialogs().openFile(options);
    if (!path || path->empty())
        return false;
    return openFile(*path);
}

bool ImportWindow::openFile(const std::string& path, const std::string& sheet)
{
    if (const auto problem = session_.open(path, sheet)) {
        tell("Import Data", *problem);
        showTable();  // the sheet box shows the sheet still read
        return false;
    }
    showTable();
    return true;
}

void ImportWindow::showTable()
{
    updating_ = true;
    const bool has = session_.hasTable();
    fileBox_->setText(has ? q(session_.path().string()) : QString());
    sheetBox_->clear();
    for (const std::string& s : session_.sheets())
        sheetBox_->addItem(q(s));
    sheetBox_->setCurrentText(q(session_.sheet()));
    sheetBox_->setEnabled(session_.sheets().size() > 1);

    preview_->clear();
    if (has) {
        const ImportTable& t = session_.table();
        preview_->setColumnCount(t.columnCount());
        QStringList headers;
        for (const ImportColumn& c : t.columns)
            headers << q(c.name);
        preview_->setHorizontalHeaderLabels(headers);
        const auto rows = session_.preview(kPreviewRows);
        preview_->setRowCount(static_cast<int>(rows.size()));
        QStringList numbers;
        for (std::size_t r = 0; r < rows.size(); ++r) {
            numbers << QString::number(t.rowNumbers[r]);
            for (std::size_t c = 0; c < rows[r].size(); ++c)
                preview_->setItem(static_cast<int>(r), static_cast<int>(c), new QTableWidgetItem(q(rows[r][c])));
        }
        preview_->setVerticalHeaderLabels(numbers);
        preview_->resizeColumnsToContents();
    } else {
        preview_->setRowCount(0);
        preview_->setColumnCount(0);
    }
    longButton_->setEnabled(has);
    wideButton_->setEnabled(has);
    (session_.shape() == DataShape::Long ? longButton_ : wideButton_)->setChecked(true);
    updating_ = false;
    showMapping();
    showProposal();
}

void ImportWindow::showMapping()
{
    updating_ = true;
    const bool wide = session_.shape() == DataShape::Wide;
    const int columns = session_.hasTable() ? session_.table().columnCount() : 0;
    // The role boxes are made again only for another table or layout, so that the one in use
    // keeps the focus while its choice is shown.
    const QStringList roles = wide ? wideRoles() : longRoles();
    bool rebuild = mapping_->rowCount() != columns;
    for (int c = 0; c < columns && !rebuild; ++c) {
        auto* box = qobject_cast<QComboBox*>(mapping_->cellWidget(c, 1));
        const QTableWidgetItem* name = mapping_->item(c, 0);
        rebuild = !box || box->count() != roles.size() || box->itemText(1) != roles[1] || !name ||
                  name->text() != q(session_.table().columns[static_cast<std::size_t>(c)].name);
    }
    if (rebuild) {
        for (int c = 0; c < mapping_->rowCount(); ++c)
            if (QWidget* old = mapping_->cellWidget(c, 1)) {
                mapping_->removeCellWidget(c, 1);  // deleted later
                old->hide();
            }
        mapping_->setRowCount(columns);
        for (int c = 0; c < columns; ++c) {
            mapping_->setItem(c, 0, new QTableWidgetItem(q(session_.table().columns[static_cast<std::size_t>(c)].name)));
            auto* role = new QComboBox(mapping_);
            role->setObjectName(QStringLiteral("role%1").arg(c + 1));
            role->addItems(roles);
            connect(role, &QComboBox::activated, this, [this, c](int index) { roleChosen(c, index); });
            mapping_->setCellWidget(c, 1, role);
        }
        mapping_->resizeColumnToContents(0);
    }
    for (int c = 0; c < columns; ++c) {
        int current = 0;
        if (wide) {
            const WideMapping& m = session_.wideMapping();
            current = contains(m.cellColumns, c) ? WideCell
                      : contains(m.betweenColumns, c) ? WideBetween
                      : m.subjectColumn == c          ? WideSubject
                                                      : WideUnused;
        } else {
            const LongMapping& m = session_.longMapping();
            current = m.scoreColumn == c                  ? LongScore
                      : contains(m.subjectGroupColumns, c) ? LongGroupedSubjects
                      : contains(m.factorColumns, c)       ? LongFactor
                      : m.subjectColumn == c               ? LongSubject
                                                           : LongUnused;
        }
        static_cast<QComboBox*>(mapping_->cellWidget(c, 1))->setCurrentIndex(current);
    }
    withinLabel_->setEnabled(wide);
    withinBox_->setEnabled(wide);
    withinApply_->setEnabled(wide);
    withinBox_->setText(wide ? q(session_.withinFactorsText()) : QString());
    updating_ = false;
}

void ImportWindow::roleChosen(int column, int role)
{
    if (updating_ || !session_.hasTable())
        return;
    auto drop = [column](std::vector<int>& v) { v.erase(std::remove(v.begin(), v.end(), column), v.end()); };
    auto add = [](std::vector<int>& v, int c) {
        if (!contains(v, c)) {
            v.push_back(c);
            std::sort(v.begin(), v.end());
        }
    };
    if (session_.shape() == DataShape::Wide) {
        WideMapping m = session_.wideMapping();
        drop(m.cellColumns);
        drop(m.betweenColumns);
        if (m.subjectColumn == column)
            m.subjectColumn = -1;
        if (role == WideCell)
            add(m.cellColumns, column);
        else if (role == WideBetween)
            add(m.betweenColumns, column);
        else if (role == WideSubject)
            m.subjectColumn = column;  // one subject column: another one is no longer it
        session_.setWideMapping(m);
    } else {
        LongMapping m = session_.longMapping();
        drop(m.factorColumns);
        drop(m.subjectGroupColumns);
        if (m.scoreColumn == column)
            m.scoreColumn = -1;
        if (m.subjectColumn == column)
            m.subjectColumn = -1;
        if (role == LongScore)
            m.scoreColumn = column;
        else if (role == LongSubject)
            m.subjectColumn = column;
        else if (role == LongFactor || role == LongGroupedSubjects)
            add(m.factorColumns, column);
        if (role == LongGroupedSubjects)
            add(m.subjectGroupColumns, column);
        session_.setLongMapping(m);
    }
    showMapping();
    showProposal();
}

void ImportWindow::withinEntered()
{
    if (!session_.hasTable() || session_.shape() != DataShape::Wide)
        return;
    if (const auto problem = session_.setWithinFactors(withinBox_->text().toStdString())) {
        tell("Within-Subject Factors", *problem);
        return;
    }
    withinBox_->setText(q(session_.withinFactorsText()));
    showProposal();
}

void ImportWindow::showProposal()
{
    const ImportProposal& p = session_.proposal();
    const bool has = session_.hasTable();
    const Design& d = p.design;
    int most = 0;
    for (int k = 1; k <= d.factorCount(); ++k)
        if (k != d.designatedFactor)
            most = std::max(most, d.factor(k).levels);
    design_->clear();
    design_->setRowCount(p.refusal ? 0 : d.factorCount());
    design_->setColumnCount(3 + most);
    QStringList headers{QStringLiteral("Name"), QStringLiteral("Levels"), QStringLiteral("Values in the file")};
    for (int i = 1; i <= most; ++i)
        headers << QStringLiteral("Label %1").arg(i);
    design_->setHorizontalHeaderLabels(headers);
    if (!p.refusal) {
        for (int k = 1; k <= d.factorCount(); ++k) {
            const Factor& f = d.factor(k);
            const int row = k - 1;
            design_->setItem(row, 0, new QTableWidgetItem(q(f.name)));
            auto* levels = new QTableWidgetItem(QString::number(f.levels));
            levels->setFlags(levels->flags() & ~Qt::ItemIsEditable);
            design_->setItem(row, 1, levels);
            QString values;
            if (k == d.designatedFactor) {
                values = d.anovaType == AnovaType::RepeatedMeasures ? QStringLiteral("(the subjects)")
                                                                     : QStringLiteral("(the replicates)");
            } else if (static_cast<std::size_t>(row) < p.factors.size()) {
                for (const std::string& l : p.factors[static_cast<std::size_t>(row)].fullLabels)
                    values += (values.isEmpty() ? QString() : QStringLiteral(", ")) + q(l);
            }
            auto* from = new QTableWidgetItem(values);
            from->setFlags(from->flags() & ~Qt::ItemIsEditable);
            from->setToolTip(values);
            design_->setItem(row, 2, from);
            for (int i = 0; i < most; ++i) {
                const bool labelled = k != d.designatedFactor && i < f.levels;
                auto* label = new QTableWidgetItem(labelled && static_cast<std::size_t>(i) < f.levelLabels.size()
                                                       ? q(f.levelLabels[static_cast<std::size_t>(i)])
                                                       : QString());
                if (!labelled)
                    label->setFlags(Qt::NoItemFlags);
                design_->setItem(row, 3 + i, label);
            }
        }
        design_->resizeColumnsToContents();
        design_->setColumnWidth(2, std::min(design_->columnWidth(2), 220));
    }

    QStringList lines;
    if (has) {
        if (p.refusal)
            lines << QStringLiteral("The data cannot be imported as mapped: ") + q(*p.refusal);
        for (const ImportIssue& issue : p.issues)
            lines << q(issue.text);
        if (!p.issues.empty())
            lines << (p.mayDropIncomplete
                          ? QStringLiteral("Settle these in the file, or drop the incomplete rows below.")
                          : QStringLiteral("Settle these in the file (or in the mapping) and import again."));
        for (const std::string& note : p.notes)
            lines << q(note);
        if (p.ready()) {
            QString type = d.anovaType == AnovaType::RepeatedMeasures    ? QStringLiteral("repeated measures")
                           : d.anovaType == AnovaType::IndependentGroups ? QStringLiteral("independent groups")
                                                                         : QStringLiteral("no F-ratios");
            QString what = p.unequal() ? QStringLiteral("; the cells hold unequal numbers of scores, so the Unequal "
                                                        "Cell Sizes window takes them")
                                       : QString();
            lines << QStringLiteral("Ready: %1 scores, %2%3.").arg(p.data->items.size()).arg(type, what);
        }
    }
    problems_->setPlainText(lines.join(QLatin1Char('\n')));
    updating_ = true;
    dropBox_->setChecked(session_.dropIncomplete());
    dropBox_->setEnabled(p.mayDropIncomplete || session_.dropIncomplete());
    updating_ = false;
    importButton_->setEnabled(has && p.ready());
}

bool ImportWindow::importClicked()
{
    if (!session_.hasTable() || !session_.proposal().ready())
        return false;
    const ImportProposal& p = session_.proposal();
    std::vector<std::string> names;
    std::vector<std::vector<std::string>> labels;
    for (int k = 1; k <= p.design.factorCount(); ++k) {
        const int row = k - 1;
        const QTableWidgetItem* name = design_->item(row, 0);
        names.push_back(name ? name->text().toStdString() : std::string());
        std::vector<std::string> levelLabels;
        if (k != p.design.designatedFactor)
            for (int i = 0; i < p.design.factor(k).levels; ++i) {
                const QTableWidgetItem* label = design_->item(row, 3 + i);
                levelLabels.push_back(label ? label->text().toStdString() : std::string());
            }
        labels.push_back(std::move(levelLabels));
    }
    ImportSession::Outcome outcome = session_.accept(names, labels);
    if (!outcome.design) {
        tell("Import Data", outcome.problem.value_or("The data cannot be imported."));
        return false;
    }
    hide();
    if (handOver_.imported)
        handOver_.imported(std::move(*outcome.design));
    return true;
}

}  // namespace varisect
