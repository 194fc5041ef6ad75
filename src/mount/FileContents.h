// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <list>
#include <memory>
#include <mutex>
#include <span>
#include <string>
#include <vector>

#include "mount/LockedBuffer.h"
#include "mount/MountSource.h"

namespace vko::mount {

class ReadAhead;

// The plain bytes of a box's files, for reads at any offset from any thread.
//
// A plain file of a source with random access is deciphered piece by piece as reads touch it;
// once a reader goes forward through it, a ReadAhead deciphers ahead of it (a few files at a
// time), dropped when the reader seeks or the file is closed.
// Any other file (compressed, or of a box whose files are cipher runs) is expanded whole on its
// first read into locked memory, within a cap on the total held: the least recently used files
// are dropped (wiped) to make room and expanded again when read again. A file larger than the
// cap is read forward from a kept state, which starts again only for a read behind it.
//
// A plain file's tag is checked once all of it has been read (by the ReadAhead that read it
// from its first byte, else in a pass of its own); any other file's before any byte of it is
// handed out. A file that fails its tag, or whose stream is damaged, is named once
// through the damaged callback and every read of it fails from then on.
class FileContents {
public:
    using Damaged = std::function<void(const std::string& path, const std::string& why)>;

    FileContents(MountSource& source, uint64_t cap, Damaged damaged);
    ~FileContents();

    // Copies the bytes of file index from offset into out: their count (0 past the end), or
    // -EIO when the file is damaged or the box cannot be read.
    [[nodiscard]] long Read(size_t index, uint64_t offset, std::span<uint8_t> out);

    // File index was opened, or closed; its ReadAhead goes with its last close.
    void Opened(size_t index);
    void Closed(size_t index);

    // Whether file index has been read whole and found sound (its tag checked, its stream
    // expanded to its end): what the kernel may keep of it can be trusted across opens.
    [[nodiscard]] bool Verified(size_t index) const;

    // Bytes of expanded files held now.
    [[nodiscard]] uint64_t Held() const;
    // Drops and wipes everything held.
    void Clear();

private:
    struct State;
    class Forward;

    [[nodiscard]] long ReadPieces(size_t index, uint64_t offset, std::span<uint8_t> out);
    // Serves the read from the file's ReadAhead when it can, starting one for a forward read.
    void ReadPlain(size_t index, uint64_t offset, std::span<uint8_t> out);
    // A ReadAhead of file index from byte from; nothing when enough of them run already.
    [[nodiscard]] std::shared_ptr<ReadAhead> StartAhead(size_t index, uint64_t from);
    [[nodiscard]] long ReadForward(size_t index, uint64_t offset, std::span<uint8_t> out);
    [[nodiscard]] std::shared_ptr<LockedBuffer> Hold(size_t index);
    [[nodiscard]] std::shared_ptr<LockedBuffer> Expand(size_t index);
    void MakeRoom(uint64_t bytes);
    // Records that file index is damaged (naming it once) and returns -EIO.
    long Fail(size_t index, const std::string& why);
    [[nodiscard]] bool TagHolds(size_t index);

    MountSource& source_;
    const std::vector<MountEntry>& entries_;
    const uint64_t cap_;
    Damaged damaged_;
    std::vector<std::unique_ptr<State>> states_;

    mutable std::mutex heldMutex_;  // guards held_, lru_ and every State's whole
    uint64_t held_ = 0;             // bytes held or reserved for an expansion under way
    std::list<size_t> lru_;         // held files, most recently read first
    std::atomic<unsigned> aheads_{0};  // ReadAheads running
};

}  // namespace vko::mount
