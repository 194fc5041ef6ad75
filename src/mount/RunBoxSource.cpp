// SPDX-License-Identifier: GPL-3.0-or-later
#include "mount/RunBoxSource.h"

#include <algorithm>

#include "crypto/CipherStream.h"
#include "engine/BlockHeader.h"
#include "engine/BlockUnpack.h"
#include "engine/BoxPath.h"
#include "engine/CCipherBlock.h"
#include "util/Failure.h"

namespace vko::mount {

namespace {

class RunStream final : public StoredStream {
public:
    RunStream(InputFile& box, int64_t offset, uint64_t stored) : box_(box), at_(offset), left_(stored) {}
    crypto::CipherStream& Run() noexcept { return run_; }

    size_t Read(std::span<uint8_t> out) override {
        const auto count = static_cast<size_t>(std::min<uint64_t>(out.size(), left_));
        if (count == 0) return 0;
        box_.ReadAt(at_, reinterpret_cast<char*>(out.data()), count);
        run_.Transform(out.data(), out.data(), count);
        at_ += static_cast<int64_t>(count);
        left_ -= count;
        return count;
    }

private:
    InputFile& box_;
    int64_t at_;
    uint64_t left_;
    crypto::CipherStream run_;
};

}  // namespace

RunBoxSource::RunBoxSource(const std::string& password) : key_(password) {}

std::unique_ptr<RunBoxSource> RunBoxSource::Open(const std::string& box,
                                                 const std::string& password) {
    // The source copies the password's key for its files' runs; the header reader keys the
    // process-wide cipher, which is cleared of it again whatever happens.
    std::unique_ptr<RunBoxSource> source(new RunBoxSource(password));
    CCipher cipher;
    struct ClearOnExit {
        CCipher& c;
        ~ClearOnExit() { c.Clear(); }
    } clear{cipher};
    cipher.Initilize(password);
    BlockState& s = source->state_;
    if (BlockHeader::ProcessBlock(s, box, password) != BlockResult::kReadOk) return nullptr;
    for (int32_t i = 0; i < static_cast<int32_t>(s.files.size()); ++i) {
        const FileRecord record = BlockHeader::Record(s, i);
        const std::string path =
            BoxPath::ToNativeFolder(BlockUnpack::FolderEntry(s, record.FolderNumber)) + record.Name;
        if (auto damage = BlockHeader::Damage(s, i)) {
            source->leftOut_.push_back({path, *damage});
            continue;
        }
        source->entries_.push_back({path, static_cast<uint64_t>(record.Size),
                                    static_cast<uint64_t>(record.Stored), s.compressed == 1});
        source->records_.push_back({s.headerEnd + s.recordOffsets[static_cast<size_t>(i)],
                                    BlockUnpack::FileRun(s, i)});
    }
    return source;
}

void RunBoxSource::ReadPlain(size_t, uint64_t, std::span<uint8_t>) {
    throw Failure(FailureNumber::kInvalidArgument,
                  "This box's files can only be read from their start.");
}

std::unique_ptr<StoredStream> RunBoxSource::Stream(size_t index) {
    const Record& record = records_.at(index);
    auto stream = std::make_unique<RunStream>(*state_.box, record.offset, entries_[index].stored);
    if (record.run)
        key_.Start(stream->Run(), *record.run);
    else
        key_.Start(stream->Run());
    return stream;
}

}  // namespace vko::mount
