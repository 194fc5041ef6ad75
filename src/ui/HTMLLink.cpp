// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/HTMLLink.h"

#include <QColor>
#include <QLabel>
#include <QPalette>
#include <QUrl>

namespace vko {

namespace {

void SetLook(QLabel* label, const QColor& color, int underline) {
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, color);
    label->setPalette(palette);
    if (underline < 0) return;
    QFont font = label->font();
    font.setUnderline(underline != 0);
    label->setFont(font);
}

const QColor kBlue(0x00, 0x00, 0xFF);
const QColor kPurple(0x80, 0x00, 0x80);
const QColor kRed(0xFF, 0x00, 0x00);
constexpr int kKeepUnderline = -1;

}  // namespace

bool LinkAction(QLabel* Label, int Action, const UrlOpener& open) {
    bool opened = true;
    switch (Action) {
        case kLinkInitial:
            SetLook(Label, kBlue, kKeepUnderline);
            break;
        case kLinkClick:
            opened = open && open(QUrl(Label->property("tag").toString()));
            SetLook(Label, kPurple, kKeepUnderline);
            break;
        case kLinkMouseElsewhere:
            SetLook(Label, kBlue, 0);
            break;
        case kLinkMouseOver:
            SetLook(Label, kRed, 1);
            break;
        default:
            break;
    }
    return opened;
}

}  // namespace vko
