// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "cli/TerminalHost.h"
#include "engine/CCipherBlock.h"

namespace vko::cli {

struct BoxEntry {
    int32_t number = 0;  // 1-based, the number extract takes
    std::string path;    // folder entry + name, with "\" between folders as the box has it
    int64_t size = 0;
    int64_t stored = 0;  // bytes in the data area
};

struct BoxListing {
    std::string name;
    std::string root;
    int version = 0;
    bool compressed = false;
    std::vector<BoxEntry> files;
    int64_t totalSize = 0;
};

// Fails with a Failure naming the path unless box is a readable file that could be a box: a
// pipe or device is a file-system error, a file whose first bytes rule out every box layout is
// "not a box" (exit 1). Checked before a password is asked and before the engine sees the path,
// so a missing box or a text file is reported as what it is, not as a wrong password.
void RequireReadableBox(const std::string& box);

// Reads the header of a box into the engine. False when the password is wrong or the header
// damaged, after printing "Password incorrect or header damaged" once.
[[nodiscard]] bool ReadHeader(CCipherBlock& engine, TerminalHost& host, const std::string& box,
                              const std::string& password);

// The path of a record as the box stores it: its folder entry ("\" between folders) + name.
[[nodiscard]] std::string EntryPath(const CCipherBlock& engine, const FileRecord& record);

// Every file of the box the engine read last, with its number and path.
[[nodiscard]] BoxListing Collect(const CCipherBlock& engine);

// Reads the header of a box. Returns nothing when the password is wrong or the header damaged,
// after printing "Password incorrect or header damaged" once. A box that is missing or not a
// readable file is a Failure naming its path.
[[nodiscard]] std::optional<BoxListing> ReadListing(CCipherBlock& engine, TerminalHost& host,
                                                    const std::string& box,
                                                    const std::string& password);

// Prints the bad-header message unless the engine has already shown it.
void ReportBadHeader(const TerminalHost& host);

}  // namespace vko::cli
