// Plain contents: every file is enciphered by a worker thread under a cipher run of its own
// and written straight to its place in the data area, while the calling thread raises the
// progress of each file in table order.
#include <algorithm>
#include <memory>
#include <optional>
#include <utility>

#include "crypto/RunKey.h"
#include "engine/BlockStore.h"
#include "engine/BoxFormat.h"
#include "engine/JobPipeline.h"
#include "util/Failure.h"

namespace vko::BlockStore {

namespace {

using BoxFormat::kBlockSize;
using CreatePlan::PlannedFile;

// Workers start at most this many files past the one being reported.
constexpr size_t kFilesAhead = 32;

// One source file: the first step opens it (its amount is the number of bytes to take), each
// further step enciphers and writes one block.
class PlainFileJob final : public StepJob {
public:
    PlainFileJob(const PlannedFile& file, std::string run, OutputFile& box, int64_t offset,
                 const crypto::RunKey& key)
        : path_(file.path),
          run_(std::move(run)),
          limit_(file.size),
          box_(box),
          offset_(offset),
          key_(key) {}

    std::optional<int64_t> Step(WorkerTools& tools) override {
        if (ended_) return std::nullopt;
        if (!source_) return Open(tools);
        if (remaining_ <= 0) return End();
        size_t count = 0;
        try {
            count = source_->Read(tools.buffer.data(),
                                  static_cast<size_t>(std::min<int64_t>(remaining_, kBlockSize)));
        } catch (const Failure& failure) {
            readFailure_ = failure;
            return End();
        }
        if (count == 0) return End();  // the file shrank since it was measured
        remaining_ -= static_cast<int64_t>(count);
        auto* bytes = reinterpret_cast<uint8_t*>(tools.buffer.data());
        tools.run.Transform(bytes, bytes, count);
        box_.WriteAt(offset_ + written_, tools.buffer.data(), count);
        written_ += static_cast<int64_t>(count);
        return static_cast<int64_t>(count);
    }

    // Why the file could not be read, once its steps are over.
    [[nodiscard]] const std::optional<Failure>& ReadFailure() const noexcept {
        return readFailure_;
    }

private:
    std::optional<int64_t> Open(WorkerTools& tools) {
        try {
            source_ = std::make_unique<InputFile>(path_);
        } catch (const Failure& failure) {
            readFailure_ = failure;
            return End();
        }
        remaining_ = std::min(source_->Length(), limit_);
        key_.Start(tools.run, run_);
        tools.buffer.resize(static_cast<size_t>(kBlockSize));
        return remaining_;
    }

    std::optional<int64_t> End() {
        ended_ = true;
        source_.reset();
        return std::nullopt;
    }

    const std::string path_;
    const std::string run_;
    const int64_t limit_;
    OutputFile& box_;
    const int64_t offset_;
    const crypto::RunKey& key_;
    std::unique_ptr<InputFile> source_;
    bool ended_ = false;
    int64_t remaining_ = 0;
    int64_t written_ = 0;
    std::optional<Failure> readFailure_;
};

void ReportReadFailure(BlockState& s, const Failure& failure) {
    s.host.ShowMessage("The following error has occured:\r\n\r\n#" +
                           std::to_string(failure.Number()) + " - " + failure.Description(),
                       BlockHost::Icon::Information);
}

// Raises the progress of job index block by block, polling the cancel flag before each.
// Returns the bytes stored, or nothing when a cancel stopped it.
std::optional<int32_t> ReportFile(BlockState& s, JobPipeline& pipeline, size_t index,
                                  const std::string& path, Writeback& writeback) {
    const std::optional<int64_t> opened = pipeline.NextStep(index);
    auto& job = static_cast<PlainFileJob&>(pipeline.Job(index));
    if (!opened) {
        ReportReadFailure(s, *job.ReadFailure());
        return 0;
    }
    const auto total = static_cast<int32_t>(*opened);
    int32_t remaining = total;
    while (remaining > 0) {
        if (s.host.CancelRequested()) return std::nullopt;
        const std::optional<int64_t> count = pipeline.NextStep(index);
        if (!count) {
            if (job.ReadFailure()) ReportReadFailure(s, *job.ReadFailure());
            break;
        }
        remaining -= static_cast<int32_t>(*count);
        writeback.Wrote(*count);
        s.host.PumpMessages();
        ReportProgress(s, static_cast<int32_t>(*count), remaining, total, path);
    }
    return total - remaining;
}

}  // namespace

bool StorePlainFiles(BlockState& s, OutputFile& out, std::vector<PlannedFile>& files,
                     const std::string& Password) {
    out.Flush();
    const crypto::RunKey key(Password);
    Writeback writeback(out);
    int64_t offset = out.Position();
    size_t first = 0;
    // Each file goes where the measured sizes put it. A file that turned out shorter moves
    // every later one: the files after it are done again at their true places.
    while (first < files.size()) {
        JobPipeline pipeline(s.workerThreads, kFilesAhead);
        int64_t planned = offset;
        for (size_t i = first; i < files.size(); ++i) {
            pipeline.Add(
                std::make_unique<PlainFileJob>(files[i], FileRun(s, files[i]), out, planned, key));
            planned += files[i].size;
        }
        size_t next = first;
        while (next < files.size()) {
            PlannedFile& file = files[next];
            if (s.host.CancelRequested()) return false;
            const std::optional<int32_t> stored =
                ReportFile(s, pipeline, next - first, file.path, writeback);
            if (!stored) return false;
            pipeline.Release(next - first);
            file.bytes = file.stored = *stored;
            offset += *stored;
            ++next;
            if (*stored != file.size) break;
        }
        first = next;
    }
    out.Truncate(offset);
    return true;
}

}  // namespace vko::BlockStore
