#pragma once

#include <cstddef>
#include <cstdint>
#include <exception>
#include <mutex>
#include <vector>

#include "crypto/CipherLanes.h"
#include "engine/JobPipeline.h"

namespace vko {

// One worker thread of a JobPipeline: a job per lane, advanced in rounds of one step each. The
// steps of a round are taken until every lane has bytes pending for its cipher run (or its job
// has ended and the lane was refilled), then all pending bytes go through one CipherLanes call.
// Steps that leave nothing to transform (opening a file, closing it) are handed over with the
// next step that does, or when the job ends.
class JobPipeline::Worker {
public:
    Worker(JobPipeline& pipeline, size_t index);
    // The thread's body, until the pipeline stops.
    void Run();

private:
    struct Lane {
        Entry* entry = nullptr;
        WorkerTools tools;
        std::vector<int64_t> amounts;  // steps done, not yet handed over
        int64_t pendingAmount = 0;     // of the step whose bytes are pending
        bool ended = false;
        std::exception_ptr failure;
    };

    // Under the lock.
    void HandOver();
    void Take();
    void Abandon();
    // Without the lock.
    [[nodiscard]] bool Prepare();
    void Step(Lane& lane);
    void Transform();
    void Complete(Lane& lane);

    JobPipeline& pipeline_;
    const size_t index_;
    const crypto::CipherLanes cipher_;
    std::vector<Lane> lanes_;
    std::vector<crypto::LaneSlice> slices_;
};

}  // namespace vko
