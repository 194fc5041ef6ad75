// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/CTray.h"

#include <QIcon>

namespace vko {

CTray::CTray(QObject* parent) : QObject(parent) {
    connect(&icon_, &QSystemTrayIcon::activated, this, &CTray::Activated);
}

CTray::~CTray() {
    DeleteIcon();
}

void CTray::PicBox(PictureBox* pic) {
    if (mPic) disconnect(mPic, nullptr, this, nullptr);
    mPic = pic;
    if (!mPic) return;
    connect(mPic, &PictureBox::Changed, this, &CTray::PictureChanged);
    icon_.setIcon(QIcon(mPic->Picture()));
}

void CTray::TipText(const QString& tip) {
    tip_ = tip.left(kMaxTipLength);
    icon_.setToolTip(tip_);
}

bool CTray::ShowIcon() {
    if (!mPic) return false;
    icon_.show();
    return true;
}

void CTray::DeleteIcon() {
    icon_.hide();
}

void CTray::PictureChanged() {
    if (mPic) icon_.setIcon(QIcon(mPic->Picture()));
}

void CTray::Activated(QSystemTrayIcon::ActivationReason reason) {
    // A handler that opens a menu lets clicks arrive meanwhile; those are dropped, not queued.
    if (raising_) return;
    raising_ = true;
    switch (reason) {
        case QSystemTrayIcon::Trigger:
            emit LButtonDown();
            emit LButtonUp();
            break;
        case QSystemTrayIcon::DoubleClick:
            emit LButtonDblClick();
            break;
        case QSystemTrayIcon::Context:
            emit RButtonDown();
            emit RButtonUp();
            break;
        default:
            break;
    }
    raising_ = false;
}

}  // namespace vko
