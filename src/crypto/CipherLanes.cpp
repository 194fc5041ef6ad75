#include "crypto/CipherLanes.h"

#include <sodium.h>

#include <algorithm>
#include <cstdlib>
#include <string_view>

#include "crypto/LaneKernels.h"

namespace vko::crypto {

namespace {

using KernelFunction = void (*)(const LaneBlocks*, size_t) noexcept;

constexpr size_t kMaxLanes = kAvx512Lanes;
constexpr size_t kBlockBytes = CipherStream::kBlockBytes;

struct KernelTraits {
    KernelFunction function;
    size_t width;
    // With fewer busy lanes the one-run code is faster: an idle lane costs as much as a busy
    // one, and a run alone goes at the speed of about two AVX-512 lanes or three AVX2 lanes.
    size_t fewestLanes;
};

KernelTraits TraitsOf(CipherLanes::Kernel kernel) noexcept {
    switch (kernel) {
#ifdef VKO_LANE_KERNELS
        case CipherLanes::Kernel::kAvx512:
            return {TransformLanesAvx512, kAvx512Lanes, 2};
        case CipherLanes::Kernel::kAvx2:
            return {TransformLanesAvx2, kAvx2Lanes, 3};
#endif
        default:
            return {nullptr, 1, 1};
    }
}

// Kernels spill registers holding key material onto the stack; this zeroes the area below the
// caller's frame where they ran, after they return.
[[gnu::noinline]] void WipeKernelStack() noexcept {
    unsigned char area[16384];
    sodium_memzero(area, sizeof area);
}

}  // namespace

// Lanes busy with a slice each; a lane stands at a block boundary of its run with whole blocks
// to go, and the slice's remaining tail goes through the run itself once they are done.
class CipherLanes::Schedule {
public:
    explicit Schedule(KernelTraits traits) noexcept : traits_(traits) {}

    void Take(const LaneSlice& slice) noexcept;
    [[nodiscard]] bool Full() const noexcept { return busy_ == traits_.width; }
    [[nodiscard]] bool Empty() const noexcept { return busy_ == 0; }
    // Advances every busy lane until the first of them ends.
    void Advance() noexcept;

private:
    struct Lane {
        CipherStream* run;
        const uint8_t* source;
        uint8_t* dest;
        size_t blocks;
        size_t tail;
    };

    void Finish(size_t lane) noexcept;
    void RunKernel(size_t blocks) noexcept;

    KernelTraits traits_;
    Lane lanes_[kMaxLanes] = {};
    size_t busy_ = 0;
};

void CipherLanes::Schedule::Take(const LaneSlice& slice) noexcept {
    // A run taken again must first finish what it already has, to keep its bytes in order.
    for (size_t i = 0; i < busy_; ++i)
        if (lanes_[i].run == slice.run) {
            Finish(i);
            break;
        }
    const uint64_t position = slice.run->state_->position;
    const size_t head = std::min(slice.length, (kBlockBytes - position) % kBlockBytes);
    slice.run->Transform(slice.source, slice.dest, head);
    const size_t rest = slice.length - head;
    Lane lane{slice.run, slice.source + head, slice.dest + head, rest / kBlockBytes,
              rest % kBlockBytes};
    if (lane.blocks == 0)
        lane.run->Transform(lane.source, lane.dest, lane.tail);
    else
        lanes_[busy_++] = lane;
}

void CipherLanes::Schedule::Advance() noexcept {
    if (busy_ < traits_.fewestLanes) {
        while (busy_ > 0) Finish(busy_ - 1);
        return;
    }
    size_t blocks = lanes_[0].blocks;
    for (size_t i = 1; i < busy_; ++i) blocks = std::min(blocks, lanes_[i].blocks);
    RunKernel(blocks);
    for (size_t i = busy_; i-- > 0;) {
        Lane& lane = lanes_[i];
        lane.source += blocks * kBlockBytes;
        lane.dest += blocks * kBlockBytes;
        lane.blocks -= blocks;
        if (lane.blocks == 0) Finish(i);
    }
}

// Ends lane with the one-run code and frees it.
void CipherLanes::Schedule::Finish(size_t lane) noexcept {
    const Lane& l = lanes_[lane];
    l.run->Transform(l.source, l.dest, l.blocks * kBlockBytes + l.tail);
    lanes_[lane] = lanes_[--busy_];
}

void CipherLanes::Schedule::RunKernel(size_t blocks) noexcept {
    LaneBlocks lanes[kMaxLanes];
    for (size_t i = 0; i < traits_.width; ++i) {
        const Lane& l = lanes_[i < busy_ ? i : 0];
        lanes[i] = {l.run->state_->in, l.run->state_->keystream, l.source,
                    i < busy_ ? l.dest : nullptr};
    }
    traits_.function(lanes, blocks);
}

CipherLanes::Kernel CipherLanes::Best() noexcept {
    Kernel best = Kernel::kAvx512;
    if (const char* cap = std::getenv("VKO_CIPHER_KERNEL")) {
        const std::string_view name(cap);
        if (name == "one-run") best = Kernel::kOneRun;
        if (name == "avx2") best = Kernel::kAvx2;
    }
    if (best == Kernel::kAvx512 && !Runs(best)) best = Kernel::kAvx2;
    if (best == Kernel::kAvx2 && !Runs(best)) best = Kernel::kOneRun;
    return best;
}

bool CipherLanes::Runs(Kernel kernel) noexcept {
#ifdef VKO_LANE_KERNELS
    __builtin_cpu_init();
    switch (kernel) {
        case Kernel::kAvx512:
            return __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw");
        case Kernel::kAvx2:
            return __builtin_cpu_supports("avx2");
        case Kernel::kOneRun:
            return true;
    }
#endif
    return kernel == Kernel::kOneRun;
}

CipherLanes::CipherLanes(Kernel kernel) noexcept
    : kernel_(Runs(kernel) ? kernel : Best()), width_(TraitsOf(kernel_).width) {}

void CipherLanes::Transform(std::span<const LaneSlice> slices) const noexcept {
    if (width_ == 1) {
        for (const LaneSlice& s : slices) s.run->Transform(s.source, s.dest, s.length);
        return;
    }
    Schedule schedule(TraitsOf(kernel_));
    size_t next = 0;
    do {
        while (!schedule.Full() && next < slices.size()) schedule.Take(slices[next++]);
        schedule.Advance();
    } while (!schedule.Empty() || next < slices.size());
    WipeKernelStack();
}

}  // namespace vko::crypto
