// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/JobPipelineWorker.h"

#include <utility>

namespace vko {

JobPipeline::Worker::Worker(std::shared_ptr<Shared> shared, size_t index)
    : shared_(std::move(shared)),
      pipeline_(*shared_),
      index_(index),
      lanes_(1) {
    for (Lane& lane : lanes_) lane.tools.slot = &pipeline_.slots[index_];
}

bool JobPipeline::Worker::Run() {
    bool left = false;
    try {
        Loop();
    } catch (const WorkerAbandoned&) {
        // Left behind in a blocking call: the consumer has gone, and so may everything the
        // jobs referred to. Only the shared state, which this thread keeps alive, is touched.
        left = true;
    }
    const std::lock_guard lock(pipeline_.mutex);
    pipeline_.slots[index_].exited = true;
    pipeline_.settledWake.notify_all();
    return left;
}

void JobPipeline::Worker::Loop() {
    std::unique_lock lock(pipeline_.mutex);
    while (true) {
        HandOver();
        if (pipeline_.stop) return Abandon();
        Take();
        if (pipeline_.busy[index_] == 0) {
            pipeline_.CallConsumer(true);
            pipeline_.workersWake.wait(lock,
                                       [&] { return pipeline_.stop || pipeline_.CanStart(); });
            continue;
        }
        lock.unlock();
        // A job that ended while its lane was being prepared gives the lane to the next job
        // first, so that the round's transform keeps as many lanes busy as there are jobs.
        if (!Prepare()) Transform();
        lock.lock();
    }
}

// The consumer is woken once the job it waits for has a batch of steps waiting, or has ended
// with a batch of jobs after it, not after every step: on this kind of machine every wake-up is
// a costly system call.
void JobPipeline::Worker::HandOver() {
    for (Lane& lane : lanes_) {
        if (!lane.entry) continue;
        Entry& entry = *lane.entry;
        entry.amounts.insert(entry.amounts.end(), lane.amounts.begin(), lane.amounts.end());
        lane.amounts.clear();
        if (lane.ended) {
            entry.failure = std::exchange(lane.failure, nullptr);
            entry.finished = true;
            lane.entry = nullptr;
            lane.ended = false;
            --pipeline_.busy[index_];
        }
    }
    pipeline_.CallConsumer(false);
}

// Free lanes take the next jobs, as long as this worker runs no more jobs than the least busy
// other one: otherwise the first worker to wake would take every file while the others idle.
void JobPipeline::Worker::Take() {
    size_t& busy = pipeline_.busy[index_];
    for (Lane& lane : lanes_) {
        while (!lane.entry && pipeline_.CanStart()) {
            if (busy > pipeline_.FewestBusyBesides(index_)) {
                pipeline_.workersWake.notify_one();
                return;
            }
            lane.entry = pipeline_.StartNext();
            if (lane.entry) ++busy;
        }
    }
}

// The jobs still running end without a failure; the consumer is stopping them anyway.
void JobPipeline::Worker::Abandon() {
    for (Lane& lane : lanes_)
        if (lane.entry) lane.entry->finished = true;
    pipeline_.called = true;
    pipeline_.consumerWake.notify_all();
}

// Steps every lane until its bytes are pending or its job ended; true when a job ended.
bool JobPipeline::Worker::Prepare() {
    bool ended = false;
    for (Lane& lane : lanes_) {
        lane.tools.handOver = false;
        while (lane.entry && !lane.ended && lane.tools.pending == 0 && !lane.tools.handOver)
            Step(lane);
        ended = ended || lane.ended;
    }
    return ended;
}

void JobPipeline::Worker::Step(Lane& lane) {
    try {
        const std::optional<int64_t> amount = lane.entry->job->Step(lane.tools);
        if (!amount)
            lane.ended = true;
        else if (lane.tools.pending > 0)
            lane.pendingAmount = *amount;
        else
            lane.amounts.push_back(*amount);
    } catch (const WorkerAbandoned&) {
        throw;
    } catch (...) {
        lane.failure = std::current_exception();
        lane.ended = true;
        lane.tools.pending = 0;
    }
}

void JobPipeline::Worker::Transform() {
    for (Lane& lane : lanes_) {
        if (lane.tools.pending == 0) continue;
        auto* bytes = reinterpret_cast<uint8_t*>(lane.tools.buffer.data());
        lane.tools.run.Transform(bytes, bytes, lane.tools.pending);
        Complete(lane);
    }
}

void JobPipeline::Worker::Complete(Lane& lane) {
    lane.tools.pending = 0;
    try {
        lane.entry->job->Complete(lane.tools);
        lane.amounts.push_back(lane.pendingAmount);
    } catch (...) {
        lane.failure = std::current_exception();
        lane.ended = true;
    }
}

}  // namespace vko
