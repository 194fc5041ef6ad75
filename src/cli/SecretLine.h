// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

#include "crypto/SecretText.h"

namespace vko::cli {

// Reads the first line of fd (without its line ending, "\n" or "\r\n") straight into guarded
// memory. What is read goes through one small buffer of ours, wiped before returning, and no
// stream buffer. Throws Cancelled() when Ctrl-C interrupts the read, and a Failure naming name
// when fd cannot be read.
[[nodiscard]] crypto::SecretText ReadSecretLine(int fd, const std::string& name);

}  // namespace vko::cli
