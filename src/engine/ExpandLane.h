// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <condition_variable>
#include <cstddef>
#include <exception>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace vko {

// A second thread for one record: the blocks a worker has read and deciphered are fed (expanded
// and written) here in order while the worker deciphers the next ones, in a few buffers of
// blockRoom bytes that go round between the two. A stream expands only from its start, so a
// large compressed file would otherwise leave its deciphering and its expansion one after the
// other on one core.
//
// The first failure of feed stops the feeding; it is thrown to the worker from its next call.
// The destructor stops the thread, drops what was not fed, and wipes the buffers.
class ExpandLane {
public:
    using Feed = std::function<void(const char* bytes, size_t length)>;

    ExpandLane(size_t blockRoom, Feed feed);
    ~ExpandLane();
    ExpandLane(const ExpandLane&) = delete;
    ExpandLane& operator=(const ExpandLane&) = delete;

    // The next buffer to fill, once the feed is done with it; throws what feed threw.
    [[nodiscard]] char* Free();
    // Hands the buffer Free gave, holding length bytes, over to be fed.
    void Hand(size_t length);
    // Waits until everything handed over was fed; throws what feed threw.
    void Drain();

private:
    static constexpr size_t kBuffers = 3;

    void Run();
    void ThrowFailure();

    const Feed feed_;
    std::vector<std::vector<char>> buffers_;
    size_t lengths_[kBuffers] = {};
    size_t next_ = 0;    // the buffer the worker fills next
    size_t filled_ = 0;  // handed over and not fed yet
    bool stop_ = false;
    std::exception_ptr failure_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::thread thread_;
};

}  // namespace vko
