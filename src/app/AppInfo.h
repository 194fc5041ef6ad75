#pragma once

#include <QString>

namespace vko {

// The product's fixed texts and addresses.
inline constexpr const char* kAppTitle = "Vaultkeep Orb";
// Organisation name of the current settings location.
inline constexpr const char* kMakerKey = "Vaultkeep Software";
inline constexpr const char* kWebAddress = "www.example.org";
inline constexpr const char* kWebLink = "https://www.example.org/";
inline constexpr const char* kMailAddress = "support@example.org";
inline constexpr const char* kMailLink = "mailto:support@example.org";
inline constexpr const char* kCopyrightNotice =
    "Copyright (C) Vaultkeep Software. All rights reserved.";

// Major, minor and revision of the program's version joined by ".", without leading zeros.
[[nodiscard]] QString AppVersion();

// The update page's address for this version.
[[nodiscard]] QString UpdateRequestUrl(const QString& version);

}  // namespace vko
