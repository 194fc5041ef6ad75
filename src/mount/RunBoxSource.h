// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "crypto/RunKey.h"
#include "engine/BlockHost.h"
#include "engine/BlockState.h"
#include "mount/MountSource.h"

namespace vko::mount {

// A box whose files are cipher runs (boxes of 0.2.0 and legacy boxes): a file can only be
// deciphered from its first byte, so every file is read through Stream.
class RunBoxSource final : public MountSource {
public:
    // Reads the header of box with password. Nothing when the password is wrong or the header
    // damaged; throws Failure when the box cannot be read at all.
    [[nodiscard]] static std::unique_ptr<RunBoxSource> Open(const std::string& box,
                                                            const std::string& password);

    const std::vector<MountEntry>& Entries() const override { return entries_; }
    const std::vector<LeftOut>& LeftOutFiles() const override { return leftOut_; }
    bool RandomAccess() const override { return false; }
    void ReadPlain(size_t index, uint64_t offset, std::span<uint8_t> out) override;
    void ReadPlain(size_t index, uint64_t offset, std::span<uint8_t> out, TagPass&) override {
        ReadPlain(index, offset, out);
    }
    uint64_t PieceBytes() const override { return 0; }
    std::unique_ptr<StoredStream> Stream(size_t index) override;
    bool Sealed() const override { return false; }
    bool CheckTag(size_t) override { return true; }

private:
    struct Record {
        int64_t offset = 0;  // in the box file
        std::optional<std::string> run;
    };

    RunBoxSource(const std::string& password);

    QuietHost host_;
    BlockState state_{host_};
    crypto::RunKey key_;
    std::vector<MountEntry> entries_;
    std::vector<Record> records_;
    std::vector<LeftOut> leftOut_;
};

}  // namespace vko::mount
