// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/WorkListView.h"

#include <QPainter>

namespace vko {

WorkListView::WorkListView(QWidget* parent) : QListView(parent) {}

void WorkListView::setPlaceholderText(const QString& text) {
    placeholder_ = text;
    viewport()->update();
}

void WorkListView::paintEvent(QPaintEvent* event) {
    QListView::paintEvent(event);
    if (placeholder_.isEmpty() || (model() && model()->rowCount(rootIndex()) > 0)) return;
    QPainter painter(viewport());
    painter.setPen(palette().color(QPalette::PlaceholderText));
    const int margin = fontMetrics().averageCharWidth() * 2;
    painter.drawText(viewport()->rect().adjusted(margin, margin, -margin, -margin),
                     Qt::AlignCenter | Qt::TextWordWrap, placeholder_);
}

}  // namespace vko
