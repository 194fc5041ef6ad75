#pragma once

#include <QDialog>

#include "app/BoxContents.h"
#include "app/JobDialogs.h"

class QLabel;
class QPushButton;
class QTreeWidget;

namespace vko {

// What a box holds, one row per file, and the choice of extracting everything or the selected
// rows. The window only records the choice; the main window carries it out once it is gone.
class frmBlock : public QDialog {
    Q_OBJECT
public:
    explicit frmBlock(QWidget* parent = nullptr);

    void Fill(const BoxContents& contents);
    // Result 0 until a button chose.
    [[nodiscard]] const ContentsChoice& Choice() const noexcept { return choice_; }

    void cmdExtractAll_Click();
    void cmdExtract_Click();

private:
    void Form_Load();
    void lvFiles_SelectionChanged();

    ContentsChoice choice_;
    QLabel* lblName = nullptr;
    QLabel* lblRoot = nullptr;
    QTreeWidget* lvFiles = nullptr;
    QLabel* lblMsg = nullptr;
    QPushButton* cmdExtractAll = nullptr;
    QPushButton* cmdExtract = nullptr;
};

// Selected row numbers (from 1) in ascending order joined by ";".
[[nodiscard]] QString JoinRows(QList<int> rows);

}  // namespace vko
