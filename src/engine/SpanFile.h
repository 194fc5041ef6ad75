// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <shared_mutex>
#include <string>

#include "engine/TargetFolders.h"
#include "util/Failure.h"
#include "util/File.h"

namespace vko {

// The file that the spans of one large record are written into, each at its own place and from
// several workers at once. The first span to write enters the record's folder and opens the
// file; a folder refused, or a write that failed, makes every later write a no-op, so that the
// spans still queued cost nothing. Only the consumer, once every span has ended, puts the file
// in place or drops it.
class SpanFile {
public:
    SpanFile(TargetFolders& folders, std::string entry, std::string name);

    // Opens the file unless that was tried already: false once the folder was refused or a
    // write failed. A failure to open the file is kept and thrown.
    [[nodiscard]] bool Ready();
    // Writes count bytes at offset, after Ready; false (nothing written) once a write failed.
    // A failure to write is kept and thrown.
    bool WriteAt(int64_t offset, const char* bytes, size_t count);

    // Why the folder was refused; empty unless it was.
    [[nodiscard]] std::string Refusal() const;
    // Set once opening or writing the file failed.
    [[nodiscard]] std::optional<Failure> WriteFailure() const;

    // Drops the file without putting it anywhere; waits for writes under way.
    void Drop() noexcept;
    // Puts the finished file in place: over whatever is there with replace, else only where
    // nothing is (false when something is; the file is dropped). Throws Failure.
    [[nodiscard]] bool Place(bool replace);

private:
    TargetFolders& folders_;
    const std::string entry_;
    const std::string name_;
    mutable std::mutex open_;  // opening, and the outcome of it and of the writes
    std::shared_mutex file_;   // writes share it; dropping and placing hold it alone
    std::unique_ptr<AtomicFile> target_;
    std::atomic<bool> stopped_{false};  // refused or failed: no more writes
    bool tried_ = false;
    std::string refusal_;
    std::optional<Failure> failure_;
};

}  // namespace vko
