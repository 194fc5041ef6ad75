// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <stdexcept>
#include <string>

#include "mount/LockedBuffer.h"
#include "mount/MountSource.h"

struct z_stream_s;

namespace vko::mount {

// A file whose bytes are not what the box says: the view answers EIO for it.
class DamagedFile : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The plain bytes of a compressed file, expanded from its stored bytes in one forward pass: a
// zlib stream that must end exactly where its 17-byte trailer starts and expand to exactly the
// size the record and the trailer give. zlib's state and the input lie in locked memory.
class Inflater {
public:
    Inflater(std::unique_ptr<StoredStream> stored, const MountEntry& entry);
    ~Inflater();
    Inflater(const Inflater&) = delete;
    Inflater& operator=(const Inflater&) = delete;

    // The next plain bytes; fewer than out.size() only at the end. Throws DamagedFile.
    size_t Read(std::span<uint8_t> out);
    [[nodiscard]] uint64_t Position() const noexcept { return produced_; }
    // Every stored byte was read and checked: the stream, its end and its trailer.
    [[nodiscard]] bool Ended() const noexcept { return ended_; }

private:
    void Refill();
    void Finish();

    std::unique_ptr<StoredStream> stored_;
    const uint64_t streamBytes_;  // stored bytes before the trailer
    const uint64_t size_;
    std::unique_ptr<LockedBuffer> input_;
    std::unique_ptr<z_stream_s> z_;
    uint64_t consumed_ = 0;  // stream bytes taken from stored_
    uint64_t produced_ = 0;
    bool ended_ = false;
};

}  // namespace vko::mount
