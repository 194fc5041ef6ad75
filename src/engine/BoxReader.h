// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "engine/BoxFormat.h"

namespace vko {

struct BlockState;
namespace crypto {
class BoxCipher;
class SealHash;
}

// Random access to the files of one box, for a read-only view of it (a file system that shows
// a box as a folder): no events, no host, nothing written, no Qt. Open reads and checks the
// header (and a format 1 box's seal) once; then any entry's bytes can be read in any order,
// deciphering only what is asked for. Every read method may be called from several threads at
// once; the box file stays open until the reader goes, and its keys are wiped with it.
//
// Reads give the bytes the box holds without checking them: CheckTag tells whether a format 1
// entry's stored bytes match their tag (a view shows an entry that fails as damaged).
class BoxReader {
public:
    struct Entry {
        std::string path;       // below the folder it is extracted into, as extraction writes
                                // it: folders lower case, "/" between them ("sub/b.txt")
        int64_t size = 0;       // plain bytes
        int64_t stored = 0;     // bytes in the data area
        bool compressed = false;  // its stored bytes are a zlib stream and its length trailer
        std::string damage;     // why it cannot be read whole (the box ends before its end, its
                                // path is there twice, ...); empty when it can
    };

    // Opens box with password. Nothing when the file is not a box, the password is wrong or the
    // header is damaged (which cannot be told apart); a Failure when the file cannot be read.
    [[nodiscard]] static std::unique_ptr<BoxReader> Open(const std::string& box,
                                                         const std::string& password);
    ~BoxReader();
    BoxReader(const BoxReader&) = delete;
    BoxReader& operator=(const BoxReader&) = delete;

    [[nodiscard]] BoxFormat::Format Format() const noexcept;
    // "1", "0.2" or "legacy".
    [[nodiscard]] const char* FormatName() const noexcept;
    // A format 1 box exactly as long as its header, data area and seal, whose header tag and
    // seal tag verify. Older boxes are never sealed.
    [[nodiscard]] bool Sealed() const noexcept;
    // Why a format 1 box is not sealed ("its seal is cut short"); empty when it is, or older.
    [[nodiscard]] const std::string& SealDamage() const noexcept;
    [[nodiscard]] const std::string& Name() const noexcept;  // the box name
    [[nodiscard]] const std::string& Root() const noexcept;  // the boxed folder's name
    // The files, in table order (the index is what the methods below take).
    [[nodiscard]] const std::vector<Entry>& Entries() const noexcept;
    // Every folder below the root as extraction makes it ("sub/", "sub/deeper/"), also those
    // that hold no file of their own.
    [[nodiscard]] const std::vector<std::string>& Folders() const noexcept;

    // Up to out.size() plain bytes of a plain entry from offset on (fewer at its end, none past
    // it); returns how many. A format 1 entry deciphers only the pieces that hold them; an
    // older box's entry deciphers its stream from the entry's start. Throws Failure for an
    // entry that is compressed or damaged, or when the box cannot be read.
    [[nodiscard]] size_t ReadPlain(size_t entry, uint64_t offset, std::span<uint8_t> out) const;
    // A check of a format 1 entry's tag made during one pass over its plain bytes from the first
    // (ReadPlain with the pass, then PassHolds), so that a file read whole needs no second pass
    // over its stored bytes. Nothing for an older box, which carries no tags.
    [[nodiscard]] std::unique_ptr<crypto::SealHash> StartPass(size_t entry) const;
    // ReadPlain that also absorbs the stored bytes it reads into pass; offset must be where the
    // pass stands (pass.Length()).
    [[nodiscard]] size_t ReadPlain(size_t entry, uint64_t offset, std::span<uint8_t> out,
                                   crypto::SealHash& pass) const;
    // Whether pass absorbed all of the entry's stored bytes and they match its tag.
    [[nodiscard]] bool PassHolds(size_t entry, const crypto::SealHash& pass) const;
    // An entry's whole stored bytes, deciphered: for a compressed entry its stream to expand.
    // Throws Failure for a damaged entry, or when the box cannot be read.
    [[nodiscard]] std::string ReadStored(size_t entry) const;
    // Up to out.size() of an entry's stored bytes, deciphered, from offset on (fewer at their
    // end): for a compressed entry a stretch of its stream. A format 1 entry deciphers only the
    // pieces that hold them; an older box's entry deciphers from its start. Throws Failure for a
    // damaged entry, or when the box cannot be read.
    [[nodiscard]] size_t ReadStoredAt(size_t entry, uint64_t offset, std::span<uint8_t> out) const;
    // Format 1: whether the entry's stored bytes match its tag (reads them all); false when the
    // seal holds no tag for it. Older boxes, which carry no tags: nothing.
    [[nodiscard]] std::optional<bool> CheckTag(size_t entry) const;

private:
    BoxReader();
    void Require(size_t entry) const;
    // Bytes [offset, offset + out.size()) of the entry's unit of unitBytes bytes, within it.
    // A pass, when given, absorbs the stored bytes read before they are deciphered.
    size_t ReadUnit(size_t entry, uint64_t unitBytes, uint64_t offset, std::span<uint8_t> out,
                    crypto::SealHash* pass = nullptr) const;

    // What one read deciphers with: a cipher, and locked memory for a piece the read cuts.
    // Kept for the next read once a read is done (making a cipher sets up its AES contexts
    // and guarded memory, which costs more than deciphering a piece), as many as reads ran
    // at once, whichever threads they ran on.
    struct Work;
    class WorkLoan;

    std::unique_ptr<BlockState> s_;
    mutable std::mutex workMutex_;
    mutable std::vector<std::unique_ptr<Work>> idleWork_;
    std::vector<Entry> entries_;
    std::vector<std::string> folders_;
};

}  // namespace vko
