// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/ProgressObserver.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string_view>

#include "cli/DisplayText.h"
#include "cli/StatusLine.h"
#include "cli/Terminal.h"
#include "util/PathParts.h"

namespace vko::cli {

namespace {

constexpr auto kRedrawInterval = std::chrono::milliseconds(100);

int Percent(int64_t done, int64_t total) {
    if (total <= 0) return 0;
    return static_cast<int>(std::clamp<int64_t>(done * 100 / total, 0, 100));
}

std::string Duration(double seconds) {
    auto whole = static_cast<long long>(seconds + 0.5);
    char text[32];
    if (whole >= 3600)
        std::snprintf(text, sizeof text, "%lld:%02lld:%02lld", whole / 3600, whole / 60 % 60,
                      whole % 60);
    else
        std::snprintf(text, sizeof text, "%lld:%02lld", whole / 60, whole % 60);
    return text;
}

bool IsSet(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr && *value != '\0';
}

}  // namespace

ProgressStyle ProgressStyleFor(bool quiet) {
    if (quiet || !IsTerminal(STDERR_FILENO)) return ProgressStyle::kNone;
    const char* term = std::getenv("TERM");
    const bool dumb = term == nullptr || *term == '\0' || std::string_view(term) == "dumb";
    return dumb || IsSet("NO_COLOR") ? ProgressStyle::kLines : ProgressStyle::kRedrawn;
}

ProgressObserver::~ProgressObserver() {
    if (style_ == ProgressStyle::kRedrawn) StatusLine::Clear();
}

void ProgressObserver::AddingToBlock(const std::string&) {
    ++scanned_;
    if (style_ == ProgressStyle::kNone) return;  // nothing to show: no text to build per file
    Draw("scan", style_ == ProgressStyle::kLines
                     ? "Scanning"
                     : "Scanning: " + std::to_string(scanned_) + " files");
}

void ProgressObserver::BuildingHeader(int32_t FileNum, int32_t TotalFiles) {
    tableFiles_ = TotalFiles;
    if (style_ == ProgressStyle::kNone) return;
    Draw("header",
         style_ == ProgressStyle::kLines
             ? "Building header"
             : "Building header: " + std::to_string(Percent(FileNum, TotalFiles)) + "%",
         FileNum == TotalFiles);
}

void ProgressObserver::CipherProgress(int64_t, int64_t BytesRead, int64_t TotalBlockBytes, int64_t,
                                      int64_t, const std::string& Path) {
    if (!started_) {
        started_ = true;
        start_ = Clock::now();
    }
    done_ = spanTotal_ >= 0 ? spanBase_ + BytesRead : BytesRead;
    total_ = spanTotal_ >= 0 ? spanTotal_ : TotalBlockBytes;
    if (style_ == ProgressStyle::kNone) return;
    Draw("file " + Path, GetFilePart(Path) + "  " + std::to_string(Percent(done_, total_)) + "%" +
                             Throughput(done_, total_));
}

void ProgressObserver::CompressingFile(const std::string& Filename) {
    if (style_ == ProgressStyle::kNone) return;
    Draw("compress " + Filename,
         "Compressing " + GetFilePart(Filename) + "  " + std::to_string(Percent(done_, total_)) +
             "%",
         true);
}

void ProgressObserver::DecompressingFile(const std::string& Filename) {
    if (style_ == ProgressStyle::kNone) return;
    Draw("expand " + Filename, "Expanding " + GetFilePart(Filename), true);
}

std::string ProgressObserver::Throughput(int64_t done, int64_t total) const {
    double seconds = std::chrono::duration<double>(Clock::now() - start_).count();
    if (seconds < 0.2 || done <= 0) return {};
    double rate = static_cast<double>(done) / seconds;
    char text[64];
    std::snprintf(text, sizeof text, "  %.1f MB/s  %s left", rate / 1e6,
                  Duration(static_cast<double>(std::max<int64_t>(total - done, 0)) / rate).c_str());
    return text;
}

void ProgressObserver::Draw(const std::string& step, const std::string& text, bool force) {
    if (style_ == ProgressStyle::kNone) return;
    if (style_ == ProgressStyle::kLines) {
        if (step != lastStep_) StatusLine::Line(ForDisplay(text));
        lastStep_ = step;
        return;
    }
    auto now = Clock::now();
    if (!force && now - lastDraw_ < kRedrawInterval) return;
    lastDraw_ = now;
    StatusLine::Show(ForDisplay(text));
}

}  // namespace vko::cli
