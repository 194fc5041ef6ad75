// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QListView>

namespace vko {

// The work list, which tells what to do with it while it is empty.
class WorkListView : public QListView {
    Q_OBJECT
public:
    explicit WorkListView(QWidget* parent = nullptr);

    void setPlaceholderText(const QString& text);
    [[nodiscard]] const QString& placeholderText() const noexcept { return placeholder_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString placeholder_;
};

}  // namespace vko
