// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QLabel>

namespace vko {

// A one-line label for a path or name that may be longer than the window: cut in the middle
// ("/home/user/…/Travel Notes") to the width it has, the whole text as its tip.
class ElidedLabel : public QLabel {
    Q_OBJECT
public:
    explicit ElidedLabel(QWidget* parent = nullptr);

    void SetWholeText(const QString& text);
    [[nodiscard]] const QString& WholeText() const noexcept { return whole_; }
    [[nodiscard]] QSize minimumSizeHint() const override;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void Elide();

    QString whole_;
};

}  // namespace vko
