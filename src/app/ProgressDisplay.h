#pragma once

#include <QLocale>
#include <QString>
#include <functional>
#include <optional>
#include <unordered_map>

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

// Shows the box engine's progress in the status line and the busy indicator. Runs inside the
// engine's operations, so it only writes to the window and never calls the engine.
class ProgressDisplay : public BlockEvents {
public:
    using StatusWriter = std::function<void(const QString&)>;

    // setStatus writes a time-stamped status line; host lets window messages run.
    ProgressDisplay(ShellView& view, AppState& state, BlockHost& host, StatusWriter setStatus,
                    QLocale locale = QLocale());

    // A new engine call of that kind starts: nothing shown for the one before stays.
    void BeginJob(JobProgress kind);

    void AddingToBlock(const std::string& Filename) override;
    void BuildingHeader(int32_t FileNum, int32_t TotalFiles) override;
    void CipherProgress(int32_t bps, int32_t BytesRead, int32_t TotalBlockBytes, int32_t bytesleft,
                        int32_t bytestotal, const std::string& Path) override;
    void CompressingFile(const std::string& Filename) override;
    void DecompressingFile(const std::string& Filename) override;
    void CreatingBlock() override;

private:
    [[nodiscard]] QString ShownName(const std::string& path, int limit, bool ellipsis) const;
    // The share of the contents done, in percent.
    [[nodiscard]] int Done(int32_t BytesRead, int32_t TotalBlockBytes, int32_t bytesleft,
                           int32_t bytestotal) const;

    ShellView& view_;
    AppState& state_;
    BlockHost& host_;
    StatusWriter setStatus_;
    QLocale locale_;
    int16_t HeaderPercentShown = 0;
    std::optional<int> previousPercent_;  // shown one event late; empty shows as 0
    JobProgress kind_ = JobProgress::Plain;
    // A compressed create reports stored bytes against the plain total, which would stay far
    // below 100%: the plain size of the files done and the stored share of the current one
    // count instead.
    std::unordered_map<std::string, int64_t> plainSizes_;
    int64_t plainDone_ = 0;
    int64_t plainCurrent_ = 0;
};

// floor(part / total * 100); 0 for a zero or negative total.
[[nodiscard]] int Percent(int32_t part, int32_t total);

// The file name of path, cut to limit characters; ellipsis adds "..." when it was cut.
[[nodiscard]] QString ShortFileName(const std::string& path, int limit, bool ellipsis);

}  // namespace vko
