// SPDX-License-Identifier: GPL-3.0-or-later
#include "crypto/cipherlib_testing.h"
#include "support/TestFiles.h"

namespace vko::test {

void UseFastKeys() { cipherlib_testing::UseFastKeyDerivation(true); }

}  // namespace vko::test
