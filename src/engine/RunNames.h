// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

// The names of the cipher runs of a version 1 or 2 box. Each run starts from a state named by
// what it is, so that knowing (or guessing) the start of one run reveals nothing of another:
//   run A, the box name and folder table:  "vko run A";
//   run B, the file table:                 "vko run B" || H;
//   the stored bytes of a file record:     "vko file" || H || folder number || file name,
// where H is the unkeyed BLAKE2b-256 of run A's plain bytes, and the folder number (two bytes)
// and the name are the record's bytes as stored. A reader knows each name before it needs it:
// run A's is constant, run B's follows from run A, a file's from run A and its own record. The
// file size is not part of a name: it can change between the scan and the storing.
namespace vko::RunNames {

// H: the digest of run A's plain bytes.
using RunADigest = std::array<uint8_t, 32>;

inline constexpr std::string_view kRunA = "vko run A";

// H of the run A holding N = the name's length, the box name, D = the folder table's length
// (as the long field stores it) and the folder table.
[[nodiscard]] RunADigest OfRunA(std::string_view boxName, std::string_view folderTable);

[[nodiscard]] std::string RunB(const RunADigest& runA);

// folderNumber: the record's two folder-number bytes, as stored.
[[nodiscard]] std::string File(const RunADigest& runA, std::string_view folderNumber,
                               std::string_view fileName);

}  // namespace vko::RunNames
