// SPDX-License-Identifier: GPL-3.0-or-later
#include "mount/BoxReaderSource.h"

#include <algorithm>
#include <cstring>

#include "crypto/BoxPieces.h"
#include "crypto/SealHash.h"
#include "util/Failure.h"

namespace vko::mount {

namespace {

// The stored bytes of a file, deciphered a stretch at a time where the read asks for them.
class PieceStored final : public StoredStream {
public:
    PieceStored(const BoxReader& reader, size_t entry) : reader_(reader), entry_(entry) {}
    size_t Read(std::span<uint8_t> out) override {
        const size_t n = reader_.ReadStoredAt(entry_, at_, out);
        at_ += n;
        return n;
    }

private:
    const BoxReader& reader_;
    const size_t entry_;
    uint64_t at_ = 0;
};

// The hash of the stored bytes read so far.
struct HashPass final : TagPass {
    explicit HashPass(std::unique_ptr<crypto::SealHash> h) : hash(std::move(h)) {}
    std::unique_ptr<crypto::SealHash> hash;
};

}  // namespace

BoxReaderSource::BoxReaderSource(std::unique_ptr<BoxReader> reader) : reader_(std::move(reader)) {
    const auto& entries = reader_->Entries();
    for (size_t i = 0; i < entries.size(); ++i) {
        const BoxReader::Entry& e = entries[i];
        if (!e.damage.empty()) {
            leftOut_.push_back({e.path, e.damage});
            continue;
        }
        entries_.push_back({e.path, static_cast<uint64_t>(e.size), static_cast<uint64_t>(e.stored),
                            e.compressed});
        indices_.push_back(i);
    }
    if (!reader_->SealDamage().empty())
        leftOut_.push_back({"(the box)", reader_->SealDamage() + "; no file is verified"});
}

void BoxReaderSource::ReadPlain(size_t index, uint64_t offset, std::span<uint8_t> out) {
    if (reader_->ReadPlain(indices_.at(index), offset, out) != out.size())
        throw Failure(FailureNumber::kDeviceIo, entries_[index].path + " ends early");
}

std::unique_ptr<TagPass> BoxReaderSource::StartPass(size_t index) {
    auto hash = reader_->StartPass(indices_.at(index));
    if (!hash) return nullptr;
    return std::make_unique<HashPass>(std::move(hash));
}

void BoxReaderSource::ReadPlain(size_t index, uint64_t offset, std::span<uint8_t> out, TagPass& pass) {
    if (reader_->ReadPlain(indices_.at(index), offset, out, *static_cast<HashPass&>(pass).hash) !=
        out.size())
        throw Failure(FailureNumber::kDeviceIo, entries_[index].path + " ends early");
}

bool BoxReaderSource::PassHolds(size_t index, const TagPass& pass) {
    return reader_->PassHolds(indices_.at(index), *static_cast<const HashPass&>(pass).hash);
}

uint64_t BoxReaderSource::PieceBytes() const {
    return crypto::kPieceBytes;
}

std::unique_ptr<StoredStream> BoxReaderSource::Stream(size_t index) {
    return std::make_unique<PieceStored>(*reader_, indices_.at(index));
}

bool BoxReaderSource::CheckTag(size_t index) {
    return reader_->CheckTag(indices_.at(index)).value_or(true);
}

}  // namespace vko::mount
