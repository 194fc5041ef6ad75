// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine/BlockState.h"

// Whole-box extraction and single-file extraction.
namespace vko::BlockExtract {

[[nodiscard]] int16_t ExtractBlock(BlockState& s, const std::string& BlockFile,
                                   const std::string& Path, const std::string& Password);

[[nodiscard]] int16_t DynamicExtractBlock(BlockState& s, const std::string& BlockFile,
                                          const std::string& Path, const std::string& Password);
[[nodiscard]] bool PrepareEntries(BlockState& s, const std::vector<int32_t>& fileNumbers,
                                  const std::string& Path);
void DynamicExtractToFile(BlockState& s, int32_t FileNumber, const std::string& Path);
void DynamicClose(BlockState& s);

}  // namespace vko::BlockExtract
