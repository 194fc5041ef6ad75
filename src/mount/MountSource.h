// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

// What the folder view needs of an open box: its files, their bytes deciphered, and their tags.
// The view never sees a password, a key or an enciphered byte; a source keeps those to itself.
namespace vko::mount {

// One file of the box as the view shows it.
struct MountEntry {
    std::string path;  // relative, "/" between folders, as extraction would write it
    uint64_t size = 0;     // plain bytes
    uint64_t stored = 0;   // bytes in the box's data area
    bool compressed = false;  // the stored bytes are a zlib stream and its trailer
};

// A file the view leaves out, and why (damaged in the box, or its path taken by another).
struct LeftOut {
    std::string path;
    std::string reason;
};

// A file's stored bytes, deciphered, handed out from the first to the last in one pass.
class StoredStream {
public:
    virtual ~StoredStream() = default;
    // Fills out with the next bytes; fewer only at the end (0 once every byte was given).
    // Throws Failure when the box cannot be read.
    virtual size_t Read(std::span<uint8_t> out) = 0;
};

// A check of a plain file's tag made while it is read once from its first byte to its last.
class TagPass {
public:
    virtual ~TagPass() = default;
};

class MountSource {
public:
    virtual ~MountSource() = default;

    [[nodiscard]] virtual const std::vector<MountEntry>& Entries() const = 0;
    [[nodiscard]] virtual const std::vector<LeftOut>& LeftOutFiles() const = 0;
    // Folders the box holds besides those its files' paths imply ("sub/", "sub/deeper/").
    [[nodiscard]] virtual const std::vector<std::string>& Folders() const {
        static const std::vector<std::string> none;
        return none;
    }

    // Whether a plain file can be read at any offset (ReadPlain), deciphering only what the
    // read touches; otherwise every file is read through Stream, from its start.
    [[nodiscard]] virtual bool RandomAccess() const = 0;
    // The bytes [offset, offset + out.size()) of plain file index, all within its size.
    virtual void ReadPlain(size_t index, uint64_t offset, std::span<uint8_t> out) = 0;
    // A pass for ReadPlain that checks plain file index's tag on the way (PassHolds once it has
    // read every byte, in order from the first); nothing when the source cannot.
    [[nodiscard]] virtual std::unique_ptr<TagPass> StartPass(size_t) { return nullptr; }
    // ReadPlain, continuing pass where it stands (offset is the bytes it has read).
    virtual void ReadPlain(size_t index, uint64_t offset, std::span<uint8_t> out, TagPass& pass) = 0;
    [[nodiscard]] virtual bool PassHolds(size_t, const TagPass&) { return false; }
    // Bytes a plain file is deciphered in at a time (the unit of ReadPlain's work); the view
    // checks a file's tag once every one of them has been read.
    [[nodiscard]] virtual uint64_t PieceBytes() const = 0;

    // A new pass over the stored bytes of file index; safe to call from several threads.
    [[nodiscard]] virtual std::unique_ptr<StoredStream> Stream(size_t index) = 0;

    // Whether the box carries a tag for each file.
    [[nodiscard]] virtual bool Sealed() const = 0;
    // Whether file index's stored bytes are what its tag says (always true without tags).
    [[nodiscard]] virtual bool CheckTag(size_t index) = 0;
};

}  // namespace vko::mount
