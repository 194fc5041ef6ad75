// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/WindowFit.h"

#include <QGuiApplication>
#include <QScreen>
#include <QScrollArea>
#include <QStyle>
#include <algorithm>

namespace vko {

namespace {

class Scroller : public QScrollArea {
public:
    explicit Scroller(int widthInCharacters) : widthInCharacters_(widthInCharacters) {}

    [[nodiscard]] QSize sizeHint() const override {
        const QWidget* content = widget();
        const int width = std::max(content->sizeHint().width(),
                                   content->fontMetrics().averageCharWidth() * widthInCharacters_);
        const int height = content->hasHeightForWidth() ? content->heightForWidth(width)
                                                        : content->sizeHint().height();
        return {width, height};
    }

private:
    int widthInCharacters_;
};

}  // namespace

void FitToScreen(QWidget* window, QSize wanted) {
    const QScreen* screen = window->screen() ? window->screen() : QGuiApplication::primaryScreen();
    if (!wanted.isValid()) wanted = window->sizeHint().expandedTo(window->minimumSizeHint());
    if (!screen) {
        window->resize(wanted);
        return;
    }
    // Room left for the title bar and borders that the window manager adds.
    const QSize frame(16, window->style()->pixelMetric(QStyle::PM_TitleBarHeight) + 16);
    const QSize room = screen->availableGeometry().size() - frame;
    window->setMinimumSize(window->minimumSizeHint().boundedTo(room));
    window->resize(wanted.boundedTo(room));
}

QScrollArea* VerticalScroller(QWidget* content, int widthInCharacters) {
    auto* area = new Scroller(widthInCharacters);
    area->setFrameShape(QFrame::NoFrame);
    // The fields inside take the focus, never the area around them.
    area->setFocusPolicy(Qt::NoFocus);
    area->setWidgetResizable(true);
    area->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    area->setWidget(content);
    return area;
}

}  // namespace vko
