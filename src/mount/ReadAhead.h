// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <exception>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <thread>

#include "mount/LockedBuffer.h"
#include "mount/MountSource.h"

namespace vko::mount {

// Deciphers a plain file ahead of a reader going forward through it, on a thread of its own,
// so that the kernel's next request finds its bytes ready: the reply is then a copy, and the
// deciphering runs beside the kernel's copying instead of before it.
//
// What it holds is bounded (a locked ring of kRingBytes, wiped when it goes): it runs at most
// a ring ahead of the furthest byte asked for and keeps about kBehind bytes behind it for requests
// that arrive out of order. Started at the file's first byte, it also checks the file's tag on
// the way (TagResult), which spares a second pass over the stored bytes.
class ReadAhead {
public:
    // Small enough to fit, with the view's other buffers, within the 8 MiB a user may
    // commonly lock; a ring of 12 of the kernel's 128 KiB requests keeps the thread ahead.
    static constexpr uint64_t kChunk = uint64_t{256} << 10;  // deciphered at a time
    static constexpr uint64_t kRingBytes = 8 * kChunk;
    static constexpr uint64_t kBehind = 2 * kChunk;
    // Every read (at most 1 MiB) must fit beside what is kept behind it.
    static_assert(kRingBytes >= (uint64_t{1} << 20) + kChunk && kRingBytes >= kBehind + kChunk);
    // At once in a view: each takes a thread and a ring; more than the cores gains nothing.
    static constexpr unsigned kMaxRunning = 2;

    // Nothing when no memory can be locked for the ring or no thread started: the caller reads
    // directly. from is where the reader stands.
    [[nodiscard]] static std::unique_ptr<ReadAhead> Start(MountSource& source, size_t index,
                                                          uint64_t size, uint64_t from);
    // Stops the thread; the ring is wiped.
    ~ReadAhead();
    ReadAhead(const ReadAhead&) = delete;
    ReadAhead& operator=(const ReadAhead&) = delete;

    enum class Got {
        kServed,  // out holds the bytes
        kBehind,  // a little behind what it keeps (a request late): read them directly
        kJumped   // far from it (the reader seeks): read them directly and drop it
    };
    // Copies the bytes at offset into out (all within the file), waiting for them when they
    // are within reach. Throws what the thread failed with (the box cannot be read).
    [[nodiscard]] Got Read(uint64_t offset, std::span<uint8_t> out);

    // Whether the file's stored bytes match its tag, once a pass started at its first byte has
    // read them all; nothing before, or when it did not start there.
    [[nodiscard]] std::optional<bool> TagResult() const;

private:
    ReadAhead(MountSource& source, size_t index, uint64_t size, uint64_t from,
              std::unique_ptr<LockedBuffer> ring);
    void Run();
    void CopyOut(uint64_t offset, std::span<uint8_t> out) const;

    MountSource& source_;
    const size_t index_;
    const uint64_t size_;
    std::unique_ptr<LockedBuffer> ring_;
    std::unique_ptr<TagPass> pass_;

    mutable std::mutex mutex_;
    std::condition_variable progress_;  // produced_, floor_, stop_ or error_ changed
    uint64_t floor_;     // bytes before it may be overwritten; none from it on
    uint64_t produced_;  // the bytes from the first chunk to this one are deciphered
    uint64_t asked_;     // the end of the furthest read
    bool stop_ = false;
    std::exception_ptr error_;
    std::optional<bool> tag_;
    std::thread thread_;
};

}  // namespace vko::mount
