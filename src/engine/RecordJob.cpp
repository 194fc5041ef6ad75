#include "engine/RecordJob.h"

#include <algorithm>

#include "engine/BlockUnpack.h"
#include "engine/BoxFormat.h"

namespace vko {

RecordJob::RecordJob(InputFile& box, int64_t offset, int32_t stored, TargetFolders& folders,
                     std::string entry, std::string name, bool compressed,
                     const crypto::RunKey& key, std::optional<std::string> run)
    : box_(box),
      offset_(offset),
      stored_(stored),
      folders_(folders),
      entry_(std::move(entry)),
      name_(std::move(name)),
      compressed_(compressed),
      key_(key),
      run_(std::move(run)) {}

std::optional<int64_t> RecordJob::Open(WorkerTools& tools) {
    opened_ = true;
    TargetFolders::Entered entered = folders_.Enter(entry_);
    if (!entered.folder) {
        refusingLink_ = std::move(entered.link);
        ended_ = true;
        return std::nullopt;
    }
    folder_ = std::move(entered.folder);
    file_ = std::make_unique<AtomicFile>(folder_, name_);
    if (compressed_)
        expander_ = std::make_unique<modCompress::StreamExpander>(
            file_->Out(), folder_->Path() + name_ + BlockUnpack::kZlibSuffix);
    if (run_)
        key_.Start(tools.run, *run_);
    else
        key_.Start(tools.run);
    tools.buffer.resize(static_cast<size_t>(BoxFormat::kBlockSize));
    return 0;
}

std::optional<int64_t> RecordJob::Step(WorkerTools& tools) {
    if (ended_) return std::nullopt;
    if (!opened_) return Open(tools);
    const int64_t remaining = stored_ - done_;
    if (remaining <= 0) {
        ended_ = true;
        if (expander_) {
            outcome_ = expander_->Finish();
            expander_.reset();
        }
        file_->Out().Flush();  // a write that fails shows here, on the worker
        return std::nullopt;
    }
    const auto count = static_cast<size_t>(std::min<int64_t>(remaining, BoxFormat::kBlockSize));
    char* bytes = tools.buffer.data();
    box_.ReadAt(offset_ + done_, bytes, count);
    tools.pending = pending_ = count;
    return static_cast<int64_t>(count);
}

void RecordJob::Complete(WorkerTools& tools) {
    char* bytes = tools.buffer.data();
    if (expander_)
        expander_->Feed(reinterpret_cast<uint8_t*>(bytes), pending_);
    else
        file_->Out().Write(bytes, pending_);
    done_ += static_cast<int64_t>(pending_);
}

void RecordJob::Commit() {
    file_->Commit(AtomicFile::Durability::kOrdered);
}

}  // namespace vko
