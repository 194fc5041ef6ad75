// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <vector>

#include "engine/BlockState.h"

// The folder scan and the folder table used by creation and extraction.
namespace vko::BlockScan {

[[nodiscard]] std::vector<std::string> GetAllFiles(BlockState& s, const std::string& Path,
                                                   const std::string& filespec, bool RecurseDirs);
// The same scan, telling the caller whether it was cut short by the cancel flag.
[[nodiscard]] std::vector<std::string> GetAllFiles(BlockState& s, const std::string& Path,
                                                   const std::string& filespec, bool RecurseDirs,
                                                   bool& cancelled);
void AddDir(BlockState& s, const std::string& Path, bool bForceAdd);
[[nodiscard]] int32_t GetPathNumber(const BlockState& s, const std::string& Path);
[[nodiscard]] std::string GetPathFromFile(const std::string& Pathname);
void CreateAllFolders(const std::string& mPathToCheck);
[[nodiscard]] std::vector<std::string> GetDirectories(const std::string& Path, int32_t Attributes,
                                                      bool IncludePath);

}  // namespace vko::BlockScan
