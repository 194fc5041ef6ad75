// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/ShellOpen.h"

#include <QDesktopServices>

namespace vko {

bool ShellOpen(const QUrl& url) {
    return QDesktopServices::openUrl(url);
}

}  // namespace vko
