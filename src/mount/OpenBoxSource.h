// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <memory>
#include <string>

#include "mount/MountSource.h"

namespace vko::mount {

// Opens box with password for the folder view, whatever its format. Nothing when the password
// is wrong or the header damaged; throws Failure when the box cannot be read.
[[nodiscard]] std::unique_ptr<MountSource> OpenBoxSource(const std::string& box,
                                                         const std::string& password);

}  // namespace vko::mount
