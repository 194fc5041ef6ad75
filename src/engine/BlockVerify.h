// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <string>

#include "engine/BlockState.h"

// Checking a box without writing anything.
namespace vko::BlockVerify {

// Reads the header of BlockFile with Password and checks every tag of a format 1 box: the
// header's and the seal's when it is read, then each file's over its stored bytes, on worker
// threads, with CipherProgress after each block. 0 read: s.problems names the box when it is
// not sealed (or is older and has no seal), each file missing or cut, and each file whose bytes
// do not match its tag (also in s.unverified); 1 not a box or wrong password; 3 cancelled.
[[nodiscard]] int16_t VerifyBlock(BlockState& s, const std::string& BlockFile,
                                  const std::string& Password);

}  // namespace vko::BlockVerify
