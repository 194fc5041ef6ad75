// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

namespace vko {

// The product's fixed texts and addresses.
inline constexpr const char* kAppTitle = "Vaultkeep Orb";
// Organisation name of the current settings location.
inline constexpr const char* kMakerKey = "Vaultkeep Software";
inline constexpr const char* kCopyrightNotice =
    "Copyright (C) Vaultkeep Software. All rights reserved.";
// The page asked for updates; none: updates come with the system's packages.
inline constexpr const char* kUpdatePage = "";

// Major, minor and revision of the program's version joined by ".", without leading zeros.
[[nodiscard]] QString AppVersion();

// The update page's address for this version; empty when there is no page to ask.
[[nodiscard]] QString UpdateRequestUrl(const QString& version, const QString& page = QString::fromLatin1(kUpdatePage));

// The folder of the documentation the package installs beside the program
// ("<prefix>/share/doc/vaultkeep-orb" for "<prefix>/bin"), else where the Debian package puts
// it.
[[nodiscard]] QString DocumentationFolder();

}  // namespace vko
