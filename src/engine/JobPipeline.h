// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <type_traits>
#include <vector>

#include "compress/BlockDeflater.h"
#include "crypto/BoxCipher.h"
#include "crypto/CipherStream.h"
#include "util/FolderCache.h"

namespace vko {

// Thrown out of a blocking call of a worker that its pipeline left behind (see
// WorkerTools::Blocking): the job it ran must touch nothing it does not own.
struct WorkerAbandoned {};

// Thrown by JobPipeline::NextStep once its interrupt has asked to give up waiting.
struct PipelineInterrupted {};

// Whether a worker thread may be left behind: it may while, and only while, it is inside a
// blocking call. Changed by compare-and-swap alone, so that the worker and the pipeline's
// destructor never both believe they hold it.
class WorkerSlot {
public:
    // The worker: entering and leaving a blocking call. Both throw WorkerAbandoned once the
    // pipeline has left the worker behind.
    void Enter();
    void Leave();
    // The pipeline's destructor: true when the worker is (now) left behind inside a blocking
    // call; false while it runs.
    [[nodiscard]] bool Abandon() noexcept;
    // Set by the worker's thread as its last act, under the pipeline's lock.
    bool exited = false;

private:
    enum State { kRunning, kBlocking, kAbandoned };
    std::atomic<int> state_{kRunning};
};

// What a worker lends the steps it runs, made once per lane rather than once per file: a cipher
// run (it lives in guarded memory, which costs system calls to get), a buffer and a deflate
// state.
struct WorkerTools {
    crypto::CipherStream run;
    std::vector<char> buffer;
    // Set by a step that leaves the first `pending` bytes of buffer to go through run (the
    // stream of an older box) before its Complete.
    size_t pending = 0;
    std::unique_ptr<modCompress::BlockDeflater> deflater;  // made on first use
    FolderCache folders;                                   // of the last source opened
    WorkerSlot* slot = nullptr;                            // none when the consumer runs the step
    // Set by a step that enciphered or deciphered its bytes itself (box format 1 pieces): its
    // amount is handed over at once, so that the consumer sees progress and a stop is heard
    // between any two steps.
    bool handOver = false;

    // The box cipher of this worker for keys, made on first use (and again for other keys).
    [[nodiscard]] crypto::BoxCipher& Box(const crypto::BoxKeys& keys);

    // Runs call, which may never return (an open or a read on a hung network mount), in such a
    // way that a pipeline being destroyed leaves this worker behind rather than waiting for it
    // for ever: once left, the call's return throws WorkerAbandoned, which ends the job at once.
    template <class Call>
    auto Blocking(Call call) -> decltype(call()) {
        if (!slot) return call();
        slot->Enter();
        try {
            if constexpr (std::is_void_v<decltype(call())>) {
                call();
                slot->Leave();
            } else {
                auto result = call();
                slot->Leave();
                return result;
            }
        } catch (const WorkerAbandoned&) {
            throw;
        } catch (...) {
            slot->Leave();
            throw;
        }
    }

private:
    std::unique_ptr<crypto::BoxCipher> box_;
    const crypto::BoxKeys* boxKeys_ = nullptr;
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
// A worker runs one job at a time. Workers share the jobs out evenly, so that a few large files
// still spread over every thread.
//
// With no worker threads the consumer runs each step itself when it asks for it: the
// single-threaded reference whose output the threaded runs must equal.
//
// Nothing waits for ever. Given an interrupt, the consumer asks it about twenty times a second
// while it waits for a step, and gives up when it says so. The destructor waits for the workers
// that run, but leaves behind those stuck inside a blocking call (WorkerTools::Blocking): they
// keep the pipeline's shared state alive and end on their own once the call returns.
class JobPipeline {
public:
    // Asked while the consumer waits; true gives up (NextStep throws PipelineInterrupted).
    using Interrupt = std::function<bool()>;

    JobPipeline(unsigned threads, size_t window, Interrupt interrupt = nullptr);
    ~JobPipeline();  // stops the workers; waits for those not stuck in a blocking call
    JobPipeline(const JobPipeline&) = delete;
    JobPipeline& operator=(const JobPipeline&) = delete;

    // Adds a job at the end of the list; returns its index. Jobs may be added while workers run.
    size_t Add(std::unique_ptr<StepJob> job);

    // Waits for the next step of job index (jobs are taken in order) and returns its amount;
    // nothing when the job ended without another step. A failure of the job is thrown here, and
    // PipelineInterrupted once the interrupt gave up (then at every later call too).
    // What a job's steps wrote before they were handed over may be read by the consumer.
    [[nodiscard]] std::optional<int64_t> NextStep(size_t index);
    // The job itself, for the consumer to read what its steps produced.
    [[nodiscard]] StepJob& Job(size_t index);
    // The consumer is done with job index: it is released and the window moves on.
    void Release(size_t index);
    // Workers stop after their current round of steps and start nothing new.
    void Stop() noexcept;

    // Worker threads left behind that have not ended yet, in the whole process (for tests).
    [[nodiscard]] static int WorkersLeftBehind() noexcept;

private:
    class Worker;
    struct Shared;

    // Under the lock: waits until job index is ready and a worker calls (see
    // Shared::ConsumerMayGo), asking the interrupt between waits.
    void Await(std::unique_lock<std::mutex>& lock, size_t index);

    std::shared_ptr<Shared> shared_;
    std::vector<std::thread> threads_;
    Interrupt interrupt_;
    bool interrupted_ = false;
    WorkerTools inlineTools_;
};

}  // namespace vko
