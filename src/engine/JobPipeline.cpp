// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/JobPipeline.h"

#include <algorithm>
#include <chrono>

#include "engine/BlockState.h"
#include "engine/JobPipelineWorker.h"

namespace vko {

namespace {

// How often a waiting consumer asks its interrupt: well within the second a cancel may take.
constexpr auto kInterruptEvery = std::chrono::milliseconds(50);
// How long a stopping pipeline waits for a worker inside a blocking call: an ordinary read
// ends well within it, one on a hung mount never does.
constexpr auto kLeaveBehindAfter = std::chrono::milliseconds(300);

}  // namespace

void WorkerSlot::Enter() {
    int expected = kRunning;
    if (!state_.compare_exchange_strong(expected, kBlocking)) throw WorkerAbandoned{};
}

void WorkerSlot::Leave() {
    int expected = kBlocking;
    if (!state_.compare_exchange_strong(expected, kRunning)) throw WorkerAbandoned{};
}

bool WorkerSlot::Abandon() noexcept {
    int expected = kBlocking;
    return state_.compare_exchange_strong(expected, kAbandoned) || expected == kAbandoned;
}

crypto::BoxCipher& WorkerTools::Box(const crypto::BoxKeys& keys) {
    if (!box_ || boxKeys_ != &keys) {
        box_ = std::make_unique<crypto::BoxCipher>(keys);
        boxKeys_ = &keys;
    }
    return *box_;
}

std::optional<int64_t> RunStep(StepJob& job, WorkerTools& tools) {
    tools.pending = 0;
    tools.handOver = false;
    const std::optional<int64_t> amount = job.Step(tools);
    if (tools.pending == 0) return amount;
    auto* bytes = reinterpret_cast<uint8_t*>(tools.buffer.data());
    tools.run.Transform(bytes, bytes, tools.pending);
    tools.pending = 0;
    job.Complete(tools);
    return amount;
}

JobPipeline::Shared::Shared(unsigned threads, size_t jobsAhead)
    : busy(threads), slots(threads), window(std::max<size_t>(jobsAhead, 1)) {}

JobPipeline::JobPipeline(unsigned threads, size_t window, Interrupt interrupt)
    : shared_(std::make_shared<Shared>(threads, window)), interrupt_(std::move(interrupt)) {
    threads_.reserve(threads);
    for (unsigned i = 0; i < threads; ++i) {
        threads_.emplace_back([shared = shared_, i]() mutable {
            const bool left = Worker(shared, i).Run();
            shared.reset();  // the last owner frees the jobs, and the files they hold open
            if (left) --Shared::leftBehind;
        });
    }
}

// Workers that run are waited for: their jobs refer to what the consumer owns. A worker still
// inside a blocking call after a grace period is left behind once it is marked so, and ends by
// itself when the call returns.
JobPipeline::~JobPipeline() {
    Stop();
    std::vector<bool> left(threads_.size(), false);
    {
        const auto grace = std::chrono::steady_clock::now() + kLeaveBehindAfter;
        std::unique_lock lock(shared_->mutex);
        for (bool settled = false; !settled;) {
            const bool leave = std::chrono::steady_clock::now() >= grace;
            settled = true;
            for (size_t i = 0; i < threads_.size(); ++i) {
                if (left[i] || shared_->slots[i].exited) continue;
                left[i] = leave && shared_->slots[i].Abandon();
                if (left[i]) ++Shared::leftBehind;
                settled = settled && left[i];
            }
            // A worker entering a blocking call does not take the lock to say so.
            if (!settled) shared_->settledWake.wait_for(lock, std::chrono::milliseconds(5));
        }
    }
    for (size_t i = 0; i < threads_.size(); ++i) {
        if (left[i])
            threads_[i].detach();
        else
            threads_[i].join();
    }
}

unsigned DefaultWorkerThreads() noexcept {
    return std::max(1u, std::thread::hardware_concurrency());
}

int JobPipeline::WorkersLeftBehind() noexcept {
    return Shared::leftBehind.load();
}

size_t JobPipeline::Add(std::unique_ptr<StepJob> job) {
    auto entry = std::make_unique<Shared::Entry>();
    entry->job = std::move(job);
    std::lock_guard lock(shared_->mutex);
    shared_->entries.push_back(std::move(entry));
    shared_->workersWake.notify_one();
    return shared_->entries.size() - 1;
}

void JobPipeline::Stop() noexcept {
    std::lock_guard lock(shared_->mutex);
    shared_->stop = true;
    shared_->workersWake.notify_all();
}

std::optional<int64_t> JobPipeline::NextStep(size_t index) {
    if (interrupted_) throw PipelineInterrupted{};
    std::unique_lock lock(shared_->mutex);
    Shared::Entry& entry = *shared_->entries.at(index);
    if (threads_.empty()) {
        lock.unlock();
        return RunStep(*entry.job, inlineTools_);
    }
    if (!entry.Ready()) Await(lock, index);
    if (entry.Waiting() > 0) {
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

// Waits until a worker calls, or until the job is ready at one of the consumer's looks at the
// interrupt: a call the workers' rules never make costs a pause, never a hang.
void JobPipeline::Await(std::unique_lock<std::mutex>& lock, size_t index) {
    Shared& shared = *shared_;
    const Shared::Entry& entry = *shared.entries[index];
    shared.awaited = index;
    shared.wakeAt = std::min(index + shared.WakeBatch(), shared.entries.size() - 1);
    shared.called = false;
    const auto called = [&] { return shared.called && entry.Ready(); };
    while (!interrupted_ && !shared.consumerWake.wait_for(lock, kInterruptEvery, called) &&
           !entry.Ready()) {
        if (!interrupt_) continue;
        // The interrupt may let the user interface run, which must not wait for this lock.
        lock.unlock();
        interrupted_ = interrupt_();
        lock.lock();
    }
    shared.awaited = Shared::kNoJob;
    if (interrupted_) throw PipelineInterrupted{};
}

// Only the consumer adds jobs, so it may read the list without the lock.
StepJob& JobPipeline::Job(size_t index) {
    return *shared_->entries.at(index)->job;
}

void JobPipeline::Release(size_t index) {
    Shared& shared = *shared_;
    std::lock_guard lock(shared.mutex);
    Shared::Entry& entry = *shared.entries.at(index);
    // A worker still busy with it (after a cancel) lets go of it itself.
    if (!entry.started || entry.finished) entry.job.reset();
    shared.released = std::max(shared.released, index + 1);
    // Workers waiting for the window wake once it has moved a quarter; the job the consumer
    // needs next has always been started already.
    if (shared.released % shared.WakeBatch() == 0) shared.workersWake.notify_all();
}

bool JobPipeline::Shared::CanStart() const noexcept {
    return nextToStart < entries.size() && nextToStart < released + window;
}

JobPipeline::Shared::Entry* JobPipeline::Shared::StartNext() noexcept {
    Entry& entry = *entries[nextToStart++];
    if (!entry.job) return nullptr;  // released before it was started
    entry.started = true;
    return &entry;
}

size_t JobPipeline::Shared::FewestBusyBesides(size_t worker) const noexcept {
    size_t fewest = SIZE_MAX;
    for (size_t i = 0; i < busy.size(); ++i)
        if (i != worker) fewest = std::min(fewest, busy[i]);
    return fewest;
}

size_t JobPipeline::Shared::WakeBatch() const noexcept {
    return std::max<size_t>(1, window / 4);
}

bool JobPipeline::Shared::ConsumerMayGo(bool idling) const noexcept {
    if (awaited == kNoJob) return false;
    const Entry& entry = *entries[awaited];
    if (!entry.finished) return entry.Waiting() >= kStepBatch;
    return idling || entry.failure || entries[wakeAt]->finished;
}

void JobPipeline::Shared::CallConsumer(bool idling) {
    if (!ConsumerMayGo(idling)) return;
    called = true;
    consumerWake.notify_all();
}

}  // namespace vko
