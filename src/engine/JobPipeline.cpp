#include "engine/JobPipeline.h"

#include <algorithm>

#include "engine/BlockState.h"
#include "engine/JobPipelineWorker.h"

namespace vko {

std::optional<int64_t> RunStep(StepJob& job, WorkerTools& tools) {
    tools.pending = 0;
    const std::optional<int64_t> amount = job.Step(tools);
    if (tools.pending == 0) return amount;
    auto* bytes = reinterpret_cast<uint8_t*>(tools.buffer.data());
    tools.run.Transform(bytes, bytes, tools.pending);
    tools.pending = 0;
    job.Complete(tools);
    return amount;
}

JobPipeline::JobPipeline(unsigned threads, size_t window, Lanes lanes)
    : busy_(threads), window_(std::max<size_t>(window, 1)), lanes_(lanes) {
    threads_.reserve(threads);
    for (unsigned i = 0; i < threads; ++i)
        threads_.emplace_back([this, i] { Worker(*this, i).Run(); });
}

JobPipeline::~JobPipeline() {
    Stop();
    for (std::thread& thread : threads_) thread.join();
}

unsigned DefaultWorkerThreads() noexcept {
    return std::max(1u, std::thread::hardware_concurrency());
}

size_t JobPipeline::Add(std::unique_ptr<StepJob> job) {
    auto entry = std::make_unique<Entry>();
    entry->job = std::move(job);
    std::lock_guard lock(mutex_);
    entries_.push_back(std::move(entry));
    workersWake_.notify_one();
    return entries_.size() - 1;
}

void JobPipeline::Stop() noexcept {
    std::lock_guard lock(mutex_);
    stop_ = true;
    workersWake_.notify_all();
}

std::optional<int64_t> JobPipeline::NextStep(size_t index) {
    std::unique_lock lock(mutex_);
    Entry& entry = *entries_.at(index);
    if (threads_.empty()) {
        lock.unlock();
        return RunStep(*entry.job, inlineTools_);
    }
    consumerWake_.wait(lock, [&] { return entry.next < entry.amounts.size() || entry.finished; });
    if (entry.next < entry.amounts.size()) {
        const int64_t amount = entry.amounts[entry.next++];
        if (entry.next == entry.amounts.size()) {
            entry.amounts.clear();
            entry.next = 0;
        }
        return amount;
    }
    if (entry.failure) std::rethrow_exception(entry.failure);
    return std::nullopt;
}

// Only the consumer adds jobs, so it may read the list without the lock.
StepJob& JobPipeline::Job(size_t index) {
    return *entries_.at(index)->job;
}

void JobPipeline::Release(size_t index) {
    std::lock_guard lock(mutex_);
    Entry& entry = *entries_.at(index);
    // A worker still busy with it (after a cancel) lets go of it itself.
    if (!entry.started || entry.finished) entry.job.reset();
    released_ = std::max(released_, index + 1);
    // Workers waiting for the window wake once it has moved a quarter; the job the consumer
    // needs next has always been started already.
    if (released_ % WakeBatch() == 0) workersWake_.notify_all();
}

bool JobPipeline::CanStart() const noexcept {
    return nextToStart_ < entries_.size() && nextToStart_ < released_ + window_;
}

JobPipeline::Entry* JobPipeline::StartNext() noexcept {
    Entry& entry = *entries_[nextToStart_++];
    if (!entry.job) return nullptr;  // released before it was started
    entry.started = true;
    return &entry;
}

size_t JobPipeline::FewestBusyBesides(size_t worker) const noexcept {
    size_t fewest = SIZE_MAX;
    for (size_t i = 0; i < busy_.size(); ++i)
        if (i != worker) fewest = std::min(fewest, busy_[i]);
    return fewest;
}

size_t JobPipeline::WakeBatch() const noexcept {
    return std::max<size_t>(1, window_ / 4);
}

}  // namespace vko
