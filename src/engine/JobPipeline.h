#pragma once

#include <atomic>
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

// What a worker thread lends the steps it runs, made once per thread rather than once per file:
// a cipher run (it lives in guarded memory, which costs system calls to get), a buffer and a
// deflate state.
struct WorkerTools {
    crypto::CipherStream run;
    std::vector<char> buffer;
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
};

// Runs an ordered list of jobs on worker threads, ahead of one consumer that takes their steps
// in order: job by job, step by step. Workers start at most `window` jobs past the one the
// consumer holds. The consumer alone talks to the user (events, messages, the cancel flag), so
// what the user sees keeps its order whatever the threads do.
//
// With no worker threads the consumer runs each step itself when it asks for it: the
// single-threaded reference whose output the threaded runs must equal.
class JobPipeline {
public:
    JobPipeline(unsigned threads, size_t window);
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
    // Workers stop after their current step and start nothing new.
    void Stop() noexcept;

private:
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

    void Work();
    void RunJob(Entry& entry, WorkerTools& tools);
    [[nodiscard]] size_t WakeBatch() const noexcept;

    std::vector<std::unique_ptr<Entry>> entries_;
    std::vector<std::thread> threads_;
    std::mutex mutex_;
    std::condition_variable workersWake_;
    std::condition_variable consumerWake_;
    size_t window_;
    size_t nextToStart_ = 0;
    size_t released_ = 0;
    bool stop_ = false;
    std::atomic<bool> stopping_{false};  // stop_, for workers between steps
    WorkerTools inlineTools_;
};

}  // namespace vko
