// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QLocale>
#include <QString>
#include <functional>
#include <string>
#include <unordered_map>

#include "app/AmountText.h"
#include "app/AppState.h"
#include "app/ShellView.h"
#include "engine/BlockEvents.h"
#include "engine/BlockHost.h"

namespace vko {

// What an engine call does, as far as its progress reads differently.
enum class JobProgress {
    Plain,              // bytes processed against the total of the same bytes
    CompressedCreate,   // stored (compressed) bytes against the plain total
    CompressedExtract,  // stored bytes, expanded through temporary ".zlib" files
};

// Shows the box engine's progress in the status line, the progress bar and the busy
// indicator: one percentage, and a status line such as "12.3 MB of 456.7 MB · 3 of 120 files ·
// 45.6 MB/s · 12 s left · beach.jpg". Runs inside the engine's operations, so it only writes
// to the window and never calls the engine.
class ProgressDisplay : public BlockEvents {
public:
    using StatusWriter = std::function<void(const QString&)>;
    using Clock = std::function<int64_t()>;  // monotonic milliseconds

    // setStatus writes a time-stamped status line; host lets window messages run.
    ProgressDisplay(ShellView& view, AppState& state, BlockHost& host, StatusWriter setStatus,
                    QLocale locale = QLocale(), Clock clock = {});

    // A new engine call of that kind starts from zero; filesTotal is its number of files where
    // known before it starts (0: counted by the folder scan). A call whose events count each
    // file's bytes on their own (chosen files taken one by one) names the bytes of all of them.
    void BeginJob(JobProgress kind, int64_t filesTotal = 0, int64_t bytesOfEachFile = 0);
    // The total bytes of the call that ran last (for a create, the files' plain size).
    [[nodiscard]] int64_t BytesTotal() const noexcept { return figures_.total; }
    [[nodiscard]] const ProgressFigures& Figures() const noexcept { return figures_; }

    void AddingToBlock(const std::string& Filename) override;
    void BuildingHeader(int32_t FileNum, int32_t TotalFiles) override;
    void CipherProgress(int64_t bps, int64_t BytesRead, int64_t TotalBlockBytes, int64_t bytesleft,
                        int64_t bytestotal, const std::string& Path) override;
    void CompressingFile(const std::string& Filename) override;
    void DecompressingFile(const std::string& Filename) override;
    void CreatingBlock() override;

private:
    [[nodiscard]] QString ShownName(const std::string& path, int limit) const;
    // The plain bytes done of a compressed create, which reports stored bytes.
    [[nodiscard]] int64_t PlainDone(int64_t bytesleft, int64_t bytestotal) const;
    void ShowPercent(int percent);
    void ShowFigures();

    ShellView& view_;
    AppState& state_;
    BlockHost& host_;
    StatusWriter setStatus_;
    QLocale locale_;
    Clock clock_;
    JobProgress kind_ = JobProgress::Plain;
    ProgressFigures figures_;
    int64_t started_ = -1;  // clock at the first byte; -1 before it
    int64_t bytesOfEachFile_ = 0;
    int64_t filesFinished_ = 0;  // bytes of the files done, where events count by file
    std::string lastDone_;  // the file counted done last
    QString current_;       // the file's name and what happens to it
    // A compressed create reports stored bytes against the plain total, which would stay far
    // below 100%: the plain size of the files done and the stored share of the current one
    // count instead.
    std::unordered_map<std::string, int64_t> plainSizes_;
    int64_t plainDone_ = 0;
    int64_t plainCurrent_ = 0;
};

// The file name of path, cut to limit characters and "..." when it was cut.
[[nodiscard]] QString ShortFileName(const std::string& path, int limit);

}  // namespace vko
