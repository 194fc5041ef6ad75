// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <string>

#include "engine/BlockState.h"

// Box creation: scan, header, contents, final file table, optional shredding.
namespace vko::BlockCreate {

[[nodiscard]] int16_t CreateBlock(BlockState& s, const std::string& BlockFile,
                                  const std::string& BlockName, const std::string& Password,
                                  const std::string& Path, int16_t Shread,
                                  int16_t CompressionLevel);

}  // namespace vko::BlockCreate
