// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/BoxReader.h"

#include <sodium.h>

#include <algorithm>
#include <array>
#include <cstring>

#include "engine/BlockHeader.h"
#include "engine/BlockState.h"
#include "engine/BlockUnpack.h"
#include "engine/BoxPath.h"
#include "engine/UnitPieces.h"
#include "crypto/BoxCipher.h"
#include "crypto/BoxPieces.h"
#include "crypto/SecureMemory.h"
#include "util/Failure.h"

namespace vko {

namespace {

// Nobody to ask and nothing to show: a reader has no user.
QuietHost& NoHost() {
    static QuietHost host;
    return host;
}

int64_t DataOffset(const BlockState& s, size_t entry) {
    return s.headerEnd + s.recordOffsets[entry];
}

}  // namespace

BoxReader::BoxReader() : s_(std::make_unique<BlockState>(NoHost())) {}

BoxReader::~BoxReader() = default;

struct BoxReader::Work {
    explicit Work(const crypto::BoxKeys& keys) : cipher(keys) {}
    crypto::BoxCipher cipher;
    // The longest piece: a whole one and a tail too short to stand alone.
    crypto::SecureBox<std::array<uint8_t, crypto::kPieceBytes + crypto::kWidePieceMinBytes>> piece;
};

// A Work taken for one read and given back after it.
class BoxReader::WorkLoan {
public:
    explicit WorkLoan(const BoxReader& reader) : reader_(reader) {
        std::lock_guard lock(reader_.workMutex_);
        if (!reader_.idleWork_.empty()) {
            work_ = std::move(reader_.idleWork_.back());
            reader_.idleWork_.pop_back();
        }
    }
    ~WorkLoan() {
        if (!work_) return;
        std::lock_guard lock(reader_.workMutex_);
        reader_.idleWork_.push_back(std::move(work_));
    }
    WorkLoan(const WorkLoan&) = delete;
    WorkLoan& operator=(const WorkLoan&) = delete;
    Work& operator*() {
        if (!work_) work_ = std::make_unique<Work>(*reader_.s_->keys.box);
        return *work_;
    }

private:
    const BoxReader& reader_;
    std::unique_ptr<Work> work_;
};

std::unique_ptr<BoxReader> BoxReader::Open(const std::string& box, const std::string& password) {
    std::unique_ptr<BoxReader> reader(new BoxReader());
    BlockState& s = *reader->s_;
    s.workerThreads = 0;
    const int16_t read = BlockHeader::ProcessBlock(s, box, password);
    // The box's own keys are all it needs: the library keeps no key of the password unless a
    // front end holds it.
    s.cipher.Clear();
    if (read != BlockResult::kReadOk) return nullptr;
    for (int32_t i = 0; i < static_cast<int32_t>(s.files.size()); ++i) {
        const FileRecord record = BlockHeader::Record(s, i);
        Entry entry;
        entry.path = BoxPath::ToNativeFolder(BlockUnpack::FolderEntry(s, record.FolderNumber)) +
                     record.Name;
        entry.size = record.Size;
        entry.stored = s.compressed == 1 ? record.Stored : record.Size;
        entry.compressed = s.compressed == 1 && record.Stored > 0;
        entry.damage = BlockHeader::Damage(s, i).value_or(std::string());
        reader->entries_.push_back(std::move(entry));
    }
    const auto& entries = s.folders.Entries();
    for (size_t i = 1; i < entries.size(); ++i)
        if (!entries[i].empty()) reader->folders_.push_back(BoxPath::ToNativeFolder(entries[i]));
    return reader;
}

BoxFormat::Format BoxReader::Format() const noexcept {
    return s_->format;
}
const char* BoxReader::FormatName() const noexcept {
    return BoxFormat::FormatName(s_->format);
}
bool BoxReader::Sealed() const noexcept {
    return s_->sealed;
}
const std::string& BoxReader::SealDamage() const noexcept {
    return s_->sealDamage;
}
const std::string& BoxReader::Name() const noexcept {
    return s_->blockName;
}
const std::string& BoxReader::Root() const noexcept {
    return s_->rootPath;
}
const std::vector<BoxReader::Entry>& BoxReader::Entries() const noexcept {
    return entries_;
}
const std::vector<std::string>& BoxReader::Folders() const noexcept {
    return folders_;
}

void BoxReader::Require(size_t entry) const {
    if (entry >= entries_.size())
        throw Failure(FailureNumber::kInvalidArgument,
                      "The box holds no file number " + std::to_string(entry + 1) + ".");
    if (!entries_[entry].damage.empty())
        throw Failure(FailureNumber::kPathFileAccess,
                      entries_[entry].path + " is " + entries_[entry].damage);
}

size_t BoxReader::ReadPlain(size_t entry, uint64_t offset, std::span<uint8_t> out) const {
    Require(entry);
    const Entry& file = entries_[entry];
    if (file.compressed)
        throw Failure(FailureNumber::kInvalidArgument,
                      file.path + " is compressed: its stored bytes must be expanded first.");
    return ReadUnit(entry, static_cast<uint64_t>(file.size), offset, out);
}

std::unique_ptr<crypto::SealHash> BoxReader::StartPass(size_t entry) const {
    Require(entry);
    if (!s_->keys.box) return nullptr;
    return std::make_unique<crypto::SealHash>(*s_->keys.box);
}

size_t BoxReader::ReadPlain(size_t entry, uint64_t offset, std::span<uint8_t> out,
                            crypto::SealHash& pass) const {
    Require(entry);
    const Entry& file = entries_[entry];
    if (file.compressed || !s_->keys.box || pass.Length() != offset)
        throw Failure(FailureNumber::kInvalidArgument,
                      file.path + " cannot be checked in one pass from byte " + std::to_string(offset));
    return ReadUnit(entry, static_cast<uint64_t>(file.size), offset, out, &pass);
}

bool BoxReader::PassHolds(size_t entry, const crypto::SealHash& pass) const {
    Require(entry);
    const std::optional<crypto::SealTag>& tag = s_->tags[entry];
    if (!tag || pass.Length() != static_cast<uint64_t>(entries_[entry].stored)) return false;
    return crypto::BoxCipher(*s_->keys.box).Verify(pass, s_->hb, entry, *tag);
}

size_t BoxReader::ReadStoredAt(size_t entry, uint64_t offset, std::span<uint8_t> out) const {
    Require(entry);
    return ReadUnit(entry, static_cast<uint64_t>(entries_[entry].stored), offset, out);
}

size_t BoxReader::ReadUnit(size_t entry, uint64_t size, uint64_t offset,
                           std::span<uint8_t> out, crypto::SealHash* pass) const {
    if (offset >= size || out.empty()) return 0;
    const uint64_t end = std::min<uint64_t>(size, offset + out.size());
    const BlockState& s = *s_;
    if (!s.keys.box) {  // a stream: from the entry's start
        uint64_t at = 0;
        BlockUnpack::DecipherStored(s, static_cast<int32_t>(entry), DataOffset(s, entry),
                                    static_cast<int64_t>(end), [&](const char* bytes, size_t n) {
                                        const uint64_t from = std::max(at, offset);
                                        if (from < at + n)
                                            std::memcpy(out.data() + (from - offset),
                                                        bytes + (from - at), at + n - from);
                                        at += n;
                                    });
        return static_cast<size_t>(end - offset);
    }
    WorkLoan work(*this);
    crypto::BoxCipher& cipher = (*work).cipher;
    const std::string label = BlockUnpack::FileLabel(s, static_cast<int32_t>(entry));
    for (uint64_t i = crypto::PieceIndexAt(size, offset); i <= crypto::PieceIndexAt(size, end - 1);
         ++i) {
        const crypto::PieceSpan span = crypto::PieceAt(size, i);
        const int64_t at = DataOffset(s, entry) + static_cast<int64_t>(span.offset);
        if (span.offset >= offset && span.offset + span.length <= end) {
            // Deciphered where the caller wants it: no copy of it anywhere else.
            const std::span<uint8_t> whole = out.subspan(span.offset - offset, span.length);
            s.box->ReadAt(at, reinterpret_cast<char*>(whole.data()), whole.size());
            if (pass) pass->Absorb(whole);
            cipher.DecipherPiece(label, i, whole);
            continue;
        }
        // A piece the range cuts: deciphered whole in locked memory, and the part asked for
        // copied out.
        const std::span<uint8_t> piece = std::span((*work).piece->data(), span.length);
        s.box->ReadAt(at, reinterpret_cast<char*>(piece.data()), piece.size());
        const uint64_t from = std::max(span.offset, offset);
        const uint64_t to = std::min(span.offset + span.length, end);
        if (pass)
            pass->Absorb(piece.subspan(from - span.offset, to - from));
        cipher.DecipherPiece(label, i, piece);
        std::memcpy(out.data() + (from - offset), piece.data() + (from - span.offset), to - from);
        sodium_memzero(piece.data(), piece.size());
    }
    return static_cast<size_t>(end - offset);
}

std::string BoxReader::ReadStored(size_t entry) const {
    Require(entry);
    std::string stored;
    stored.reserve(static_cast<size_t>(entries_[entry].stored));
    BlockUnpack::DecipherStored(*s_, static_cast<int32_t>(entry), DataOffset(*s_, entry),
                                entries_[entry].stored,
                                [&](const char* bytes, size_t n) { stored.append(bytes, n); });
    return stored;
}

std::optional<bool> BoxReader::CheckTag(size_t entry) const {
    Require(entry);
    const BlockState& s = *s_;
    if (!s.keys.box) return std::nullopt;
    const std::optional<crypto::SealTag>& tag = s.tags[entry];
    if (!tag) return false;
    crypto::SealHash hash(*s.keys.box);
    std::vector<char> chunk(static_cast<size_t>(BoxFormat::kBlockSize));
    const int64_t stored = entries_[entry].stored;
    for (int64_t done = 0; done < stored;) {
        const auto n = static_cast<size_t>(std::min<int64_t>(stored - done, BoxFormat::kBlockSize));
        s.box->ReadAt(DataOffset(s, entry) + done, chunk.data(), n);
        hash.Absorb({reinterpret_cast<const uint8_t*>(chunk.data()), n});
        done += static_cast<int64_t>(n);
    }
    return crypto::BoxCipher(*s.keys.box).Verify(hash, s.hb, entry, *tag);
}

}  // namespace vko
