// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "engine/BlockState.h"
#include "engine/CCipherBlock.h"

// Reading and checking a box header, and decoding its records.
namespace vko::BlockHeader {

[[nodiscard]] int16_t ViewBlock(BlockState& s, const std::string& BlockFile,
                                const std::string& Password);
// Opens the box and reads its header, the key derived while the box is opened. With
// cancellable, the host's cancel is heard while the key is derived: kReadCancelled.
[[nodiscard]] int16_t ProcessBlock(BlockState& s, const std::string& BlockFile,
                                   const std::string& Password, bool cancellable = false);
void ParseDirBlock(BlockState& s, const std::string& block);
void ParseFileBlock(BlockState& s, const std::string& block);
void ParseBlockInfo(BlockState& s, int32_t Index, std::string& BlockFile, std::string& FilePath,
                    int32_t& filesize);
[[nodiscard]] FileRecord Record(const BlockState& s, int32_t index);

// Why record index of the box read last cannot be taken out whole: an earlier record or a
// folder has the same path, nothing is stored for a file that is not empty, or its stored
// bytes run past the end of a damaged box's data area. Nothing when it can.
[[nodiscard]] std::optional<std::string> Damage(const BlockState& s, int32_t index);
// Why a format 1 box is not sealed, as a problem naming box; nothing for a sealed or older box.
[[nodiscard]] std::optional<FileProblem> SealDamage(const BlockState& s, const std::string& box);
// The bytes after the last file's stored bytes (older boxes; format 1 says so in SealDamage), as a problem naming box; nothing without any.
[[nodiscard]] std::optional<FileProblem> TrailingBytes(const BlockState& s, const std::string& box);
// A record's folder entry and name, as listings show the file ("sub\a.txt").
[[nodiscard]] std::string EntryPath(const BlockState& s, const FileRecord& record);

}  // namespace vko::BlockHeader
