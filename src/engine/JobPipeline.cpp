#include "engine/JobPipeline.h"

#include <algorithm>

#include "engine/BlockState.h"

namespace vko {

JobPipeline::JobPipeline(unsigned threads, size_t window) : window_(std::max<size_t>(window, 1)) {
    threads_.reserve(threads);
    for (unsigned i = 0; i < threads; ++i) threads_.emplace_back([this] { Work(); });
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
    stopping_.store(true, std::memory_order_relaxed);
    workersWake_.notify_all();
}

std::optional<int64_t> JobPipeline::NextStep(size_t index) {
    std::unique_lock lock(mutex_);
    Entry& entry = *entries_.at(index);
    if (threads_.empty()) {
        lock.unlock();
        return entry.job->Step(inlineTools_);
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

void JobPipeline::Work() {
    WorkerTools tools;
    std::unique_lock lock(mutex_);
    while (true) {
        workersWake_.wait(lock, [&] {
            return stop_ || (nextToStart_ < entries_.size() && nextToStart_ < released_ + window_);
        });
        if (stop_) return;
        Entry& entry = *entries_[nextToStart_++];
        if (!entry.job) continue;  // released before it was started
        entry.started = true;
        lock.unlock();
        RunJob(entry, tools);
        lock.lock();
    }
}

// A sleeping consumer is woken when the job ends or has a batch of steps ready, not after
// every step: on this kind of machine every wake-up is a costly system call.
void JobPipeline::RunJob(Entry& entry, WorkerTools& tools) {
    std::exception_ptr failure;
    try {
        while (!stopping_.load(std::memory_order_relaxed)) {
            const std::optional<int64_t> amount = entry.job->Step(tools);
            if (!amount) break;
            std::lock_guard lock(mutex_);
            entry.amounts.push_back(*amount);
            if (entry.amounts.size() - entry.next >= kStepBatch) consumerWake_.notify_all();
        }
    } catch (...) {
        failure = std::current_exception();
    }
    std::lock_guard lock(mutex_);
    entry.failure = failure;
    entry.finished = true;
    consumerWake_.notify_all();
}

size_t JobPipeline::WakeBatch() const noexcept {
    return std::max<size_t>(1, window_ / 4);
}

}  // namespace vko
