// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <QSystemTrayIcon>

#include "platform/PictureBox.h"

namespace vko {

// One icon with a tip text in the desktop's notification area, showing the picture of a bound
// picture box and turning clicks on the icon into six events. Without a notification area
// everything still works; the icon is simply not seen.
class CTray : public QObject {
    Q_OBJECT
public:
    // The longest tip kept; longer tips are cut.
    static constexpr int kMaxTipLength = 63;

    explicit CTray(QObject* parent = nullptr);
    ~CTray() override;

    // Binds the icon to pic and takes its current picture; shows nothing yet.
    void PicBox(PictureBox* pic);
    void TipText(const QString& tip);
    [[nodiscard]] QString TipText() const { return tip_; }
    // False, and nothing shown, while no picture box is bound.
    bool ShowIcon();
    void DeleteIcon();

    [[nodiscard]] const QSystemTrayIcon& TrayIcon() const noexcept { return icon_; }
    [[nodiscard]] QSystemTrayIcon& TrayIcon() noexcept { return icon_; }

signals:
    void RButtonDown();
    void RButtonUp();
    void RButtonDblClick();
    void LButtonDown();
    void LButtonUp();
    void LButtonDblClick();

private:
    void PictureChanged();
    void Activated(QSystemTrayIcon::ActivationReason reason);

    QPointer<PictureBox> mPic;
    QSystemTrayIcon icon_;
    QString tip_;
    bool raising_ = false;  // an event handler is running (it may open a menu)
};

}  // namespace vko
