#pragma once

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;

namespace vko {

// Asks for the password of one box. OK answers Enter and Escape alike; Cancel and the close
// box leave without an answer.
class frmPassword : public QDialog {
    Q_OBJECT
public:
    explicit frmPassword(QWidget* parent = nullptr);

    // Captions the dialog with the box file's name and puts password in, wholly selected.
    void Fill(const QString& caption, const QString& password);
    [[nodiscard]] QString Password() const;
    [[nodiscard]] bool Confirmed() const noexcept { return confirmed_; }

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void cmdOK_Click();

    bool confirmed_ = false;
    QLabel* Label1 = nullptr;
    QLineEdit* txtPassword = nullptr;
    QPushButton* cmdOK = nullptr;
    QPushButton* cmdCancel = nullptr;
};

}  // namespace vko
