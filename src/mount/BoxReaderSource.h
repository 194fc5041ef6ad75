// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "engine/BoxReader.h"
#include "mount/MountSource.h"

namespace vko::mount {

// A box read through the engine's BoxReader: a plain file of a format 1 box is deciphered
// piece by piece where a read touches it, and every file's tag is checked; a file of an older
// box is deciphered from its start, so it is read through Stream like a compressed one.
class BoxReaderSource final : public MountSource {
public:
    explicit BoxReaderSource(std::unique_ptr<BoxReader> reader);

    const std::vector<MountEntry>& Entries() const override { return entries_; }
    const std::vector<LeftOut>& LeftOutFiles() const override { return leftOut_; }
    const std::vector<std::string>& Folders() const override { return reader_->Folders(); }
    bool RandomAccess() const override { return reader_->Format() == BoxFormat::Format::kSealed; }
    void ReadPlain(size_t index, uint64_t offset, std::span<uint8_t> out) override;
    std::unique_ptr<TagPass> StartPass(size_t index) override;
    void ReadPlain(size_t index, uint64_t offset, std::span<uint8_t> out, TagPass& pass) override;
    bool PassHolds(size_t index, const TagPass& pass) override;
    uint64_t PieceBytes() const override;
    std::unique_ptr<StoredStream> Stream(size_t index) override;
    bool Sealed() const override { return reader_->Format() == BoxFormat::Format::kSealed; }
    bool CheckTag(size_t index) override;

private:
    std::unique_ptr<BoxReader> reader_;
    std::vector<MountEntry> entries_;
    std::vector<size_t> indices_;  // each entry's index in the reader
    std::vector<LeftOut> leftOut_;
};

}  // namespace vko::mount
