// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDialog>
#include <functional>

#include "app/BoxContents.h"
#include "app/JobDialogs.h"
#include "app/SettingsStore.h"

class QLabel;
class QPushButton;
class QTreeWidget;

namespace vko {

class ElidedLabel;

// What a box holds, one row per file, whether it is sealed, and the choice of extracting
// everything or the selected rows, or of verifying the box. The window only records the
// choice; the main window carries it out once it is gone.
class frmBlock : public QDialog {
    Q_OBJECT
public:
    // sizes keeps the size the window is left at for the next time (none: not kept).
    explicit frmBlock(QWidget* parent = nullptr, const SettingsStore* sizes = nullptr);

    void Fill(const BoxContents& contents);
    // Result 0 until a button chose.
    [[nodiscard]] const ContentsChoice& Choice() const noexcept { return choice_; }

    void cmdExtractAll_Click();
    void cmdExtract_Click();
    void cmdOpenFolder_Click();
    void cmdVerify_Click();

protected:
    void done(int result) override;

private:
    void Form_Load();
    void lvFiles_SelectionChanged();

    const SettingsStore* sizes_;
    ContentsChoice choice_;
    ElidedLabel* lblName = nullptr;
    ElidedLabel* lblRoot = nullptr;
    QLabel* imgSeal = nullptr;  // a warning beside the seal line of a damaged seal
    QLabel* lblSeal = nullptr;
    QTreeWidget* lvFiles = nullptr;
    QLabel* lblMsg = nullptr;
    QPushButton* cmdExtractAll = nullptr;
    QPushButton* cmdExtract = nullptr;
    QPushButton* cmdOpenFolder = nullptr;
    std::function<QString()> openAsFolder_;
    QPushButton* cmdVerify = nullptr;
};

// Selected row numbers (from 1) in ascending order joined by ";".
[[nodiscard]] QString JoinRows(QList<int> rows);

}  // namespace vko
