// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <string>

namespace vko::modCompress {

// Shows the module's failure report through the installed reporter.
void ReportFailure(const std::string& source, int32_t number, const std::string& description);

}  // namespace vko::modCompress
