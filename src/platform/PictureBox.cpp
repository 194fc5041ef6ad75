// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/PictureBox.h"

namespace vko {

void PictureBox::SetPicture(const QPixmap& picture) {
    picture_ = picture;
    emit Changed();
}

}  // namespace vko
