// SPDX-License-Identifier: GPL-3.0-or-later
#include "mount/ReadAhead.h"

#include <algorithm>
#include <cstring>
#include <system_error>

namespace vko::mount {

std::unique_ptr<ReadAhead> ReadAhead::Start(MountSource& source, size_t index, uint64_t size,
                                            uint64_t from) {
    auto ring = LockedBuffer::Make(kRingBytes);
    if (!ring) return nullptr;
    std::unique_ptr<ReadAhead> ahead(new ReadAhead(source, index, size, from, std::move(ring)));
    try {
        ahead->thread_ = std::thread([a = ahead.get()] { a->Run(); });
    } catch (const std::system_error&) {
        return nullptr;
    }
    return ahead;
}

ReadAhead::ReadAhead(MountSource& source, size_t index, uint64_t size, uint64_t from,
                     std::unique_ptr<LockedBuffer> ring)
    : source_(source),
      index_(index),
      size_(size),
      ring_(std::move(ring)),
      pass_(from == 0 ? source.StartPass(index) : nullptr),
      // Whole chunks from the one that holds from, so that each read of the box is aligned.
      floor_(from / kChunk * kChunk),
      produced_(floor_),
      asked_(from) {}

ReadAhead::~ReadAhead() {
    {
        std::lock_guard lock(mutex_);
        stop_ = true;
    }
    progress_.notify_all();
    if (thread_.joinable()) thread_.join();
}

void ReadAhead::Run() {
    std::unique_lock lock(mutex_);
    while (!stop_ && produced_ < size_) {
        const uint64_t at = produced_;
        const uint64_t n = std::min(kChunk, size_ - at);
        // The chunk's place in the ring must hold nothing a reader may still ask for.
        if (at + n > floor_ + kRingBytes) {
            progress_.wait(lock);
            continue;
        }
        lock.unlock();
        // Written outside the lock: no reader copies from beyond produced_.
        const std::span<uint8_t> slot = ring_->Span().subspan(at % kRingBytes, n);
        std::exception_ptr error;
        try {
            if (pass_)
                source_.ReadPlain(index_, at, slot, *pass_);
            else
                source_.ReadPlain(index_, at, slot);
        } catch (...) {
            error = std::current_exception();
        }
        lock.lock();
        if (error) {
            error_ = error;
            break;
        }
        produced_ = at + n;
        if (produced_ == size_ && pass_) tag_ = source_.PassHolds(index_, *pass_);
        progress_.notify_all();
    }
    progress_.notify_all();
}

ReadAhead::Got ReadAhead::Read(uint64_t offset, std::span<uint8_t> out) {
    std::unique_lock lock(mutex_);
    const uint64_t end = offset + out.size();
    if (offset < floor_) return floor_ - offset > kBehind ? Got::kJumped : Got::kBehind;
    if (offset > produced_ + kRingBytes) return Got::kJumped;
    // Let the thread run on: what lies about kBehind before the furthest read is given up,
    // never this read's own bytes. Then end <= floor_ + kRingBytes, within the thread's reach.
    asked_ = std::max(asked_, end);
    const uint64_t keep = asked_ > kBehind ? (asked_ - kBehind) / kChunk * kChunk : 0;
    const uint64_t floor = std::min(keep, offset / kChunk * kChunk);
    if (floor > floor_) {
        floor_ = floor;
        progress_.notify_all();
    }
    progress_.wait(lock, [&] { return produced_ >= end || error_ || stop_ || offset < floor_; });
    if (error_) std::rethrow_exception(error_);
    // Another reader went so far on meanwhile that these bytes may be overwritten.
    if (offset < floor_ || produced_ < end) return Got::kBehind;
    CopyOut(offset, out);
    return Got::kServed;
}

void ReadAhead::CopyOut(uint64_t offset, std::span<uint8_t> out) const {
    for (size_t done = 0; done < out.size();) {
        const uint64_t at = (offset + done) % kRingBytes;
        const auto n = static_cast<size_t>(std::min<uint64_t>(out.size() - done, kRingBytes - at));
        std::memcpy(out.data() + done, ring_->Data() + at, n);
        done += n;
    }
}

std::optional<bool> ReadAhead::TagResult() const {
    std::lock_guard lock(mutex_);
    return tag_;
}

}  // namespace vko::mount
