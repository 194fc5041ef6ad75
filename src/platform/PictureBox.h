// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QPixmap>

namespace vko {

// Holds one picture and tells its followers when it changes (the tray icon follows the
// main window's current picture this way).
class PictureBox : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    [[nodiscard]] const QPixmap& Picture() const noexcept { return picture_; }
    void SetPicture(const QPixmap& picture);

signals:
    void Changed();

private:
    QPixmap picture_;
};

}  // namespace vko
