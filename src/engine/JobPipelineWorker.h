// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <exception>
#include <memory>
#include <mutex>
#include <vector>

#include "engine/JobPipeline.h"

namespace vko {

// What the consumer and the workers of a JobPipeline share. Owned jointly by the pipeline and
// every worker thread, so that a worker left behind in a blocking call never touches freed
// memory when the call returns.
struct JobPipeline::Shared {
    struct Entry {
        std::unique_ptr<StepJob> job;
        // Amounts of the steps done, taken from next on. A vector, unlike a deque, costs
        // nothing until a step is done, which counts with 100,000 jobs.
        std::vector<int64_t> amounts;
        size_t next = 0;
        bool started = false;
        bool finished = false;
        std::exception_ptr failure;

        // Steps handed over and not yet taken by the consumer.
        [[nodiscard]] size_t Waiting() const noexcept { return amounts.size() - next; }
        // Whether the consumer has a step of it to take, or its end.
        [[nodiscard]] bool Ready() const noexcept { return Waiting() > 0 || finished; }
    };

    static constexpr size_t kNoJob = SIZE_MAX;

    // Steps of one job that wake a waiting consumer together (about 1 MiB of file contents).
    static constexpr size_t kStepBatch = 8;

    Shared(unsigned threads, size_t jobsAhead);

    // Under the lock: whether a job may be started, and the next one to start (null when it
    // was released before it started).
    [[nodiscard]] bool CanStart() const noexcept;
    [[nodiscard]] Entry* StartNext() noexcept;
    // Under the lock: the fewest jobs any worker but worker runs.
    [[nodiscard]] size_t FewestBusyBesides(size_t worker) const noexcept;
    [[nodiscard]] size_t WakeBatch() const noexcept;
    // Under the lock: whether the consumer, waiting for job `awaited`, is to be woken now. Not as
    // soon as that job has a step: once it has ended, the consumer waits on until the job
    // WakeBatch() further has ended too, or a worker runs out of work (idling), so that it takes
    // a batch of small files per wake-up rather than one.
    [[nodiscard]] bool ConsumerMayGo(bool idling) const noexcept;
    // Under the lock: wakes the consumer when ConsumerMayGo says so.
    void CallConsumer(bool idling);

    std::vector<std::unique_ptr<Entry>> entries;
    std::vector<size_t> busy;      // jobs each worker runs
    std::deque<WorkerSlot> slots;  // one per worker; never moved
    std::mutex mutex;
    std::condition_variable workersWake;
    std::condition_variable consumerWake;
    std::condition_variable settledWake;  // a worker has ended
    const size_t window;
    size_t nextToStart = 0;
    size_t released = 0;
    bool stop = false;
    size_t awaited = kNoJob;  // the job the consumer waits for
    size_t wakeAt = 0;        // ... and the one whose end wakes it
    bool called = false;      // a worker has woken it

    // Workers left behind in the whole process that have not yet ended and let go of their
    // shared state.
    static inline std::atomic<int> leftBehind{0};
};

// One worker thread of a JobPipeline: one job at a time (its lane), advanced in rounds. A round
// takes steps until one leaves bytes pending for its stream run (then deciphered), hands its
// work over itself (a format 1 step), or the job ends; steps that do neither (opening a file)
// are handed over with the next one.
class JobPipeline::Worker {
public:
    Worker(std::shared_ptr<Shared> shared, size_t index);
    // The thread's body, until the pipeline stops or leaves it behind (then true).
    [[nodiscard]] bool Run();

private:
    using Entry = Shared::Entry;

    struct Lane {
        Entry* entry = nullptr;
        WorkerTools tools;
        std::vector<int64_t> amounts;  // steps done, not yet handed over
        int64_t pendingAmount = 0;     // of the step whose bytes are pending
        bool ended = false;
        std::exception_ptr failure;
    };

    void Loop();
    // Under the lock.
    void HandOver();
    void Take();
    void Abandon();
    // Without the lock.
    [[nodiscard]] bool Prepare();
    void Step(Lane& lane);
    void Transform();
    void Complete(Lane& lane);

    const std::shared_ptr<Shared> shared_;
    Shared& pipeline_;
    const size_t index_;
    std::vector<Lane> lanes_;
};

}  // namespace vko
