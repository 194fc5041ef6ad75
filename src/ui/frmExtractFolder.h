#pragma once

#include <QDialog>

#include "platform/FolderPicker.h"

class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace vko {

// Asks for the folder to extract a box into. OK answers Enter and Escape alike; Cancel and
// the close box leave without an answer.
class frmExtractFolder : public QDialog {
    Q_OBJECT
public:
    explicit frmExtractFolder(QWidget* parent = nullptr, FolderPicker pick = BrowseForFolder);

    // Puts the proposed folder in, wholly selected.
    void Fill(const QString& folder);
    [[nodiscard]] QString Folder() const;
    [[nodiscard]] bool Confirmed() const noexcept { return confirmed_; }

    void cmdBrowse_Click();

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void cmdOK_Click();

    FolderPicker pick_;
    bool confirmed_ = false;
    QGroupBox* Frame2 = nullptr;
    QLabel* Label1 = nullptr;
    QLineEdit* txtPath = nullptr;
    QPushButton* cmdBrowse = nullptr;
    QPushButton* cmdOK = nullptr;
    QPushButton* cmdCancel = nullptr;
};

}  // namespace vko
