#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <exception>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "compress/BlockDeflater.h"
#include "crypto/CipherStream.h"

namespace vko {

// What a worker lends the steps it runs, made once per lane rather than once per file: a cipher
// run (it lives in guarded memory, which costs system calls to get), a buffer and a deflate
// state.
struct WorkerTools {
    crypto::CipherStream run;
    std::vector<char> buffer;
    // Set by a step that leaves the first `pending` bytes of buffer to go through run before
    // its Complete: the worker transforms those of all its lanes in one CipherLanes call.
    size_t pending = 0;
    std::unique_ptr<modCompress::BlockDeflater> deflater;  // made on first use
};

// A job done in steps, such as one file enciphered chunk by chunk.
class StepJob {
public:
    virtual ~StepJob() = default;
    // Does the next step and returns what it amounted to (such as the bytes it moved);
    // nothing when no step was left. A failure it throws ends the job and reaches the consumer
    // after the steps done before it.
    virtual std::optional<int64_t> Step(WorkerTools& tools) = 0;
    // Ends a step that left bytes pending, once they went through tools.run.
    virtual void Complete(WorkerTools& /*tools*/) {}
};

// Does one step of job alone, its pending bytes included.
[[nodiscard]] std::optional<int64_t> RunStep(StepJob& job, WorkerTools& tools);

// Runs an ordered list of jobs on worker threads, ahead of one consumer that takes their steps
// in order: job by job, step by step. Workers start at most `window` jobs past the one the
// consumer holds. The consumer alone talks to the user (events, messages, the cancel flag), so
// what the user sees keeps its order whatever the threads do.
//
// A worker runs one job at a time, or with Lanes::kCipher as many side by side as its
// CipherLanes has lanes: one step of each per round, their pending bytes transformed together,
// and a lane whose job ends takes the next job at once. Workers share the jobs out evenly, so
// that a few large files still spread over every thread.
//
// With no worker threads the consumer runs each step itself when it asks for it: the
// single-threaded reference whose output the threaded runs must equal.
class JobPipeline {
public:
    enum class Lanes { kOne, kCipher };

    JobPipeline(unsigned threads, size_t window, Lanes lanes = Lanes::kOne);
    ~JobPipeline();  // stops the workers and waits for them
    JobPipeline(const JobPipeline&) = delete;
    JobPipeline& operator=(const JobPipeline&) = delete;

    // Adds a job at the end of the list; returns its index. Jobs may be added while workers run.
    size_t Add(std::unique_ptr<StepJob> job);

    // Waits for the next step of job index (jobs are taken in order) and returns its amount;
    // nothing when the job ended without another step. A failure of the job is thrown here.
    // What a job's steps wrote before they were handed over may be read by the consumer.
    [[nodiscard]] std::optional<int64_t> NextStep(size_t index);
    // The job itself, for the consumer to read what its steps produced.
    [[nodiscard]] StepJob& Job(size_t index);
    // The consumer is done with job index: it is released and the window moves on.
    void Release(size_t index);
    // Workers stop after their current round of steps and start nothing new.
    void Stop() noexcept;

private:
    class Worker;

    struct Entry {
        std::unique_ptr<StepJob> job;
        // Amounts of the steps done, taken from next on. A vector, unlike a deque, costs
        // nothing until a step is done, which counts with 100,000 jobs.
        std::vector<int64_t> amounts;
        size_t next = 0;
        bool started = false;
        bool finished = false;
        std::exception_ptr failure;
    };

    // Steps of one job that wake a waiting consumer together (about 1 MiB of file contents).
    static constexpr size_t kStepBatch = 8;

    // Under the lock: whether a job may be started, and the next one to start (null when it
    // was released before it started).
    [[nodiscard]] bool CanStart() const noexcept;
    [[nodiscard]] Entry* StartNext() noexcept;
    // Under the lock: the fewest jobs any worker but worker runs.
    [[nodiscard]] size_t FewestBusyBesides(size_t worker) const noexcept;
    [[nodiscard]] size_t WakeBatch() const noexcept;

    std::vector<std::unique_ptr<Entry>> entries_;
    std::vector<std::thread> threads_;
    std::vector<size_t> busy_;  // jobs each worker runs
    std::mutex mutex_;
    std::condition_variable workersWake_;
    std::condition_variable consumerWake_;
    size_t window_;
    Lanes lanes_;
    size_t nextToStart_ = 0;
    size_t released_ = 0;
    bool stop_ = false;
    WorkerTools inlineTools_;
};

}  // namespace vko
