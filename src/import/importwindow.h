// SPDX-License-Identifier: GPL-3.0-or-later
// The "Import Data" window: a researcher's table (CSV, spreadsheet, SPSS, Stata or SAS file)
// chosen, previewed and mapped onto a design. The state and its rules are the ImportSession
// (importsession.h); this window shows them and passes the user's choices in. "&Import" hands
// the design and its scores on.
#pragma once

#include <functional>
#include <string>

#include <QMainWindow>

#include "import/importsession.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QTableWidget;

namespace varisect {

class WindowShell;
struct ShellContext;

struct ImportWindowHandOver {
    // "&Import": the design and scores as accepted; the window has been hidden.
    std::function<void(ImportedDesign)> imported;
    // "&Cancel" or the close button: nothing imported.
    std::function<void()> cancelled;
};

class ImportWindow : public QMainWindow {
    Q_OBJECT

public:
    ImportWindow(ShellContext shell, ImportWindowHandOver handOver, QWidget* parent = nullptr);
    ~ImportWindow() override;

    const ImportSession& session() const { return session_; }
    // "&Browse...": the open dialog, then the file read. False when nothing was read.
    bool chooseFile();
    // Reads `path` (the sheet chosen in a workbook); a file that cannot be read is told and the
    // window keeps what it showed.
    bool openFile(const std::string& path, const std::string& sheet = {});
    // "&Import": the edited names and labels checked, then handed on.
    bool importClicked();

private:
    void buildControls();
    void showTable();
    void showMapping();
    void showProposal();
    void roleChosen(int column, int role);
    void withinEntered();
    void tell(const std::string& title, const std::string& text);

    WindowShell* shell_;
    ImportWindowHandOver handOver_;
    ImportSession session_;
    bool updating_ = false;

    QLineEdit* fileBox_ = nullptr;
    QComboBox* sheetBox_ = nullptr;
    QTableWidget* preview_ = nullptr;
    QRadioButton* longButton_ = nullptr;
    QRadioButton* wideButton_ = nullptr;
    QTableWidget* mapping_ = nullptr;
    QLineEdit* withinBox_ = nullptr;
    QPushButton* withinApply_ = nullptr;
    QLabel* withinLabel_ = nullptr;
    QTableWidget* design_ = nullptr;
    QPlainTextEdit* problems_ = nullptr;
    QCheckBox* dropBox_ = nullptr;
    QPushButton* importButton_ = nullptr;
};

}  // namespace varisect
