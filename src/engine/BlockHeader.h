#pragma once

#include <cstdint>
#include <string>

#include "engine/BlockState.h"
#include "engine/CCipherBlock.h"

// Reading and checking a box header, and decoding its records.
namespace vko::BlockHeader {

[[nodiscard]] int16_t ViewBlock(BlockState& s, const std::string& BlockFile,
                                const std::string& Password);
[[nodiscard]] int16_t ProcessBlock(BlockState& s, const std::string& BlockFile,
                                   const std::string& Password);
void ParseDirBlock(BlockState& s, const std::string& block);
void ParseFileBlock(BlockState& s, const std::string& block);
void ParseBlockInfo(BlockState& s, int32_t Index, std::string& BlockFile, std::string& FilePath,
                    int32_t& filesize);
[[nodiscard]] FileRecord Record(const BlockState& s, int32_t index);

}  // namespace vko::BlockHeader
