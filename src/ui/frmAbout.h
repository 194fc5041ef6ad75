// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDialog>

#include "platform/ShellOpen.h"

class QLabel;
class QPushButton;

namespace vko {

// Product name and version, the link to the documentation that comes with the program, and
// the update request.
class frmAbout : public QDialog {
    Q_OBJECT
public:
    explicit frmAbout(QWidget* parent = nullptr, UrlOpener open = ShellOpen);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    void BuildControls();
    void Form_Load();
    void cmdUpdate_Click();
    // Says, without holding up anything else, that nothing could open url.
    void ShowOpenFailure(const QUrl& url);
    // A message over this window that holds up nothing else.
    void Tell(const QString& text);
    QLabel* MakeLink(const char* name, const QString& text, const QString& target);

    UrlOpener open_;
    QLabel* picIcon = nullptr;
    QLabel* lblTitle = nullptr;
    QLabel* lblCopyright = nullptr;
    QLabel* Label2 = nullptr;
    QLabel* lblQuillfen = nullptr;
    QPushButton* cmdUpdate = nullptr;
    QPushButton* cmdOK = nullptr;
};

}  // namespace vko
