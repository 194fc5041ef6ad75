// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/ExpandLane.h"

#include <sodium.h>

namespace vko {

ExpandLane::ExpandLane(size_t blockRoom, Feed feed)
    : feed_(std::move(feed)), buffers_(kBuffers, std::vector<char>(blockRoom)) {
    thread_ = std::thread([this] { Run(); });
}

ExpandLane::~ExpandLane() {
    {
        const std::lock_guard lock(mutex_);
        stop_ = true;
    }
    changed_.notify_all();
    thread_.join();
    for (std::vector<char>& buffer : buffers_) sodium_memzero(buffer.data(), buffer.size());
}

void ExpandLane::ThrowFailure() {
    if (failure_) std::rethrow_exception(failure_);
}

char* ExpandLane::Free() {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return filled_ < kBuffers || failure_; });
    ThrowFailure();
    return buffers_[next_].data();
}

void ExpandLane::Hand(size_t length) {
    {
        const std::lock_guard lock(mutex_);
        ThrowFailure();
        lengths_[next_] = length;
        next_ = (next_ + 1) % kBuffers;
        ++filled_;
    }
    changed_.notify_all();
}

void ExpandLane::Drain() {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return filled_ == 0 || failure_; });
    ThrowFailure();
}

void ExpandLane::Run() {
    std::unique_lock lock(mutex_);
    while (true) {
        changed_.wait(lock, [this] { return filled_ > 0 || stop_; });
        if (stop_) return;
        const size_t at = (next_ + kBuffers - filled_) % kBuffers;
        lock.unlock();
        std::exception_ptr failure;
        try {
            feed_(buffers_[at].data(), lengths_[at]);
        } catch (...) {
            failure = std::current_exception();
        }
        lock.lock();
        --filled_;
        if (failure) {
            failure_ = failure;
            filled_ = 0;
        }
        changed_.notify_all();
        if (failure_) return;
    }
}

}  // namespace vko
