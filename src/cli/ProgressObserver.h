// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <chrono>
#include <cstdint>
#include <string>

#include "engine/BlockEvents.h"

namespace vko::cli {

// How progress is shown on standard error.
enum class ProgressStyle {
    kNone,     // -q, or standard error is not a terminal
    kRedrawn,  // one line, redrawn in place
    kLines     // TERM=dumb or NO_COLOR set: a plain line per step, no control sequences
};

// The style for standard error as it is now, given whether -q was asked for.
[[nodiscard]] ProgressStyle ProgressStyleFor(bool quiet);

// Shows the engine's progress on standard error: the current file, the percentage done, the
// throughput and the time left, on one line redrawn at most ten times a second; or, in the
// line style, one line each time a step begins (the scan, the header, each file).
class ProgressObserver : public BlockEvents {
public:
    explicit ProgressObserver(ProgressStyle style) : style_(style) {}
    ~ProgressObserver() override;
    ProgressObserver(const ProgressObserver&) = delete;
    ProgressObserver& operator=(const ProgressObserver&) = delete;

    // Single-file extraction reports each file on its own scale; these make one scale of all
    // the chosen files: the total of their stored bytes, and the bytes before the next file.
    void SpanEntries(int64_t totalStored) noexcept { spanTotal_ = totalStored; }
    void BeginEntry(int64_t storedBefore) noexcept { spanBase_ = storedBefore; }

    // What a create reported: the files in the box's table, and their bytes.
    [[nodiscard]] int64_t TableFiles() const noexcept { return tableFiles_; }
    [[nodiscard]] int64_t TableBytes() const noexcept { return total_; }

    void AddingToBlock(const std::string& Filename) override;
    void BuildingHeader(int32_t FileNum, int32_t TotalFiles) override;
    void CipherProgress(int64_t bps, int64_t BytesRead, int64_t TotalBlockBytes, int64_t bytesleft,
                        int64_t bytestotal, const std::string& Path) override;
    void CompressingFile(const std::string& Filename) override;
    void DecompressingFile(const std::string& Filename) override;

private:
    using Clock = std::chrono::steady_clock;

    // step names what is being done; a new step starts a line in the line style.
    void Draw(const std::string& step, const std::string& text, bool force = false);
    [[nodiscard]] std::string Throughput(int64_t done, int64_t total) const;

    ProgressStyle style_;
    std::string lastStep_;
    int64_t spanTotal_ = -1;
    int64_t spanBase_ = 0;
    int64_t scanned_ = 0;
    int64_t tableFiles_ = 0;
    int64_t done_ = 0;
    int64_t total_ = 0;
    bool started_ = false;
    Clock::time_point start_{};
    Clock::time_point lastDraw_{};
};

}  // namespace vko::cli
