#include "engine/RecordJob.h"

#include <algorithm>

#include "engine/BoxFormat.h"

namespace vko {

RecordJob::RecordJob(InputFile& box, int64_t offset, int32_t stored, TargetFolders& folders,
                     std::string entry, std::string name, bool compressed,
                     const crypto::RunKey& key, std::optional<std::string> run, std::string what)
    : box_(box),
      offset_(offset),
      stored_(stored),
      folders_(folders),
      entry_(std::move(entry)),
      name_(std::move(name)),
      compressed_(compressed),
      key_(key),
      run_(std::move(run)),
      what_(std::move(what)) {}

template <class Write>
auto RecordJob::Writing(Write write) -> decltype(write()) {
    try {
        return write();
    } catch (const Failure& failure) {
        writeFailure_ = failure;
        expander_.reset();
        file_.reset();
        throw;
    }
}

std::optional<int64_t> RecordJob::Open(WorkerTools& tools) {
    opened_ = true;
    TargetFolders::Entered entered = folders_.Enter(entry_);
    if (!entered.folder) {
        refusal_ = std::move(entered.refusal);
        ended_ = true;
        return std::nullopt;
    }
    folder_ = std::move(entered.folder);
    Writing([&] { file_ = std::make_unique<AtomicFile>(folder_, name_); });
    if (compressed_) expander_ = std::make_unique<modCompress::StreamExpander>(file_->Out(), what_);
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
        Writing([&] { file_->Out().Flush(); });  // a write that fails shows here, on the worker
        return std::nullopt;
    }
    const auto count = static_cast<size_t>(std::min<int64_t>(remaining, BoxFormat::kBlockSize));
    char* bytes = tools.buffer.data();
    box_.ReadAt(offset_ + done_, bytes, count);
    tools.pending = pending_ = count;
    return static_cast<int64_t>(count);
}

void RecordJob::Complete(WorkerTools& tools) {
    auto* bytes = reinterpret_cast<uint8_t*>(tools.buffer.data());
    Writing([&] {
        if (expander_)
            expander_->Feed(bytes, pending_);
        else
            file_->Out().Write(tools.buffer.data(), pending_);
    });
    done_ += static_cast<int64_t>(pending_);
}

bool RecordJob::Place(bool replace) {
    return Writing([&] {
        bool placed = true;
        if (replace)
            file_->Commit(AtomicFile::Durability::kOrdered);
        else
            placed = file_->CommitNew(AtomicFile::Durability::kOrdered);
        file_.reset();
        return placed;
    });
}

}  // namespace vko
