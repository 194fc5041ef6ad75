// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QUrl>
#include <functional>

namespace vko {

// Opens a link with the user's preferred program (browser, mail client); false when none
// could be started.
using UrlOpener = std::function<bool(const QUrl&)>;
bool ShellOpen(const QUrl& url);

}  // namespace vko
