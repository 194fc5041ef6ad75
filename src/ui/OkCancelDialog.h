// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDialog>

class QHBoxLayout;
class QPushButton;

namespace vko {

// A dialog answered with OK, which Enter presses; Cancel, Escape and the close box leave
// without an answer.
class OkCancelDialog : public QDialog {
    Q_OBJECT
public:
    [[nodiscard]] bool Confirmed() const noexcept { return confirmed_; }

protected:
    explicit OkCancelDialog(QWidget* parent);

    // OK and Cancel at the right of a new row, for the dialog's own layout.
    [[nodiscard]] QHBoxLayout* ButtonRow() const;

    QPushButton* cmdOK = nullptr;
    QPushButton* cmdCancel = nullptr;

private:
    void cmdOK_Click();

    bool confirmed_ = false;
};

}  // namespace vko
