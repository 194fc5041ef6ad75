// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <chrono>
#include <cstdint>
#include <string>

namespace vko::cli {

// What a create or extract did, for the one line vkx prints when it has finished.
struct RunSummary {
    std::string done;  // "Created photos.vkx", "Extracted into photos"
    int64_t files = 0;
    int64_t bytesIn = 0;   // read: the files boxed, or the box (its chosen entries)
    int64_t bytesOut = 0;  // written: the box, or the files extracted
    std::chrono::steady_clock::time_point started;
};

// Prints on standard output, for instance
// "Created photos.vkx: 3 files, 1200 bytes in, 800 bytes out, 0.42 seconds", and "; " and the
// note when there is one ("2 hidden files left out (...)").
void PrintSummary(const RunSummary& summary, const std::string& note = {});

}  // namespace vko::cli
