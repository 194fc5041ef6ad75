#include "engine/BlockHeader.h"

#include <algorithm>
#include <filesystem>

#include "engine/BlockExtract.h"
#include "engine/BoxFormat.h"
#include "engine/BoxPath.h"
#include "engine/ConvLong.h"
#include "engine/HeaderCheck.h"
#include "util/Failure.h"

namespace vko::BlockHeader {

namespace {

bool NamesAFile(const std::string& path) {
    std::error_code error;
    return std::filesystem::is_regular_file(path, error);
}

// Every piece of the legacy table, as the layout splits it (an empty table holds no record).
std::vector<std::string> SplitLegacy(const std::string& block) {
    std::vector<std::string> records;
    if (block.empty()) return records;
    const std::string separator(BoxFormat::kLegacyRecordSeparator, 4);
    size_t start = 0;
    while (true) {
        const size_t end = block.find(separator, start);
        records.push_back(block.substr(start, end - start));
        if (end == std::string::npos) return records;
        start = end + separator.size();
    }
}

// Records led by their length byte; a record cut short by the table's end keeps what is there.
std::vector<std::string> SplitCurrent(const std::string& block) {
    std::vector<std::string> records;
    size_t p = 0;
    while (p < block.size()) {
        const auto length = static_cast<uint8_t>(block[p]);
        records.push_back(block.substr(p + 1, length));
        p += 1 + static_cast<size_t>(length);
    }
    return records;
}

// Where each record's stored bytes start in the data area, so that any file is found at once.
std::vector<int64_t> RecordOffsets(const std::vector<std::string>& records, uint8_t version) {
    std::vector<int64_t> offsets;
    offsets.reserve(records.size());
    int64_t offset = 0;
    for (const auto& record : records) {
        offsets.push_back(offset);
        const auto decoded = HeaderCheck::DecodeRecord(record, version);
        if (decoded) offset += decoded->Stored;
    }
    return offsets;
}

// The folder-table entry of a record's folder; empty for the boxed folder itself.
std::string FolderEntry(const BlockState& s, int32_t folderNumber) {
    const auto& entries = s.folders.Entries();
    const bool inSubFolder =
        folderNumber >= 2 && folderNumber <= static_cast<int32_t>(entries.size());
    return inSubFolder ? entries[static_cast<size_t>(folderNumber) - 1] : std::string();
}

void ClearQuietly(CCipher& cipher) noexcept {
    try {
        cipher.Clear();
    } catch (...) {
        // Only the constant key could not be made; the next keying replaces the state anyway.
    }
}

// Reads and checks the header; only a header that passed every check replaces what the engine
// holds, and only then is the box left open.
int16_t OpenBox(BlockState& s, const std::string& BlockFile, const std::string& Password) {
    if (!NamesAFile(BlockFile)) return BlockResult::kReadNotABox;
    auto box = std::make_unique<InputFile>(BlockFile);
    const auto header = HeaderCheck::ReadHeader(*box, s.cipher, Password);
    if (!header) return BlockResult::kReadNotABox;

    s.blockVersion = header->version;
    s.compressed = header->version == BoxFormat::kVersionCompressed ? 1 : 0;
    s.blockName = header->name;
    ParseDirBlock(s, header->folderTable);
    ParseFileBlock(s, header->fileTable);
    s.dataByteCount = static_cast<int32_t>(header->dataBytes);
    s.headerEnd = static_cast<int32_t>(header->headerEnd);
    s.runA = header->runA;
    s.box = std::move(box);
    return BlockResult::kReadOk;
}

// A damaged box still reads: every file it cannot give back whole is named.
void ListDamage(BlockState& s, const std::string& BlockFile) {
    for (int32_t i = 0; i < static_cast<int32_t>(s.files.size()); ++i) {
        if (auto reason = Damage(s, i)) s.problems.push_back({EntryPath(s, Record(s, i)), *reason});
    }
    if (auto trailing = TrailingBytes(s, BlockFile)) s.problems.push_back(*trailing);
}

}  // namespace

int16_t ViewBlock(BlockState& s, const std::string& BlockFile, const std::string& Password) {
    s.cipher.Initilize(Password);
    const int16_t result = ProcessBlock(s, BlockFile, Password);
    s.box.reset();
    // Listing needs no key afterwards, whatever the outcome.
    s.cipher.Clear();
    return result;
}

int16_t ProcessBlock(BlockState& s, const std::string& BlockFile, const std::string& Password) {
    BlockExtract::DynamicClose(s);
    s.problems.clear();
    // A box that cannot be read leaves no password state in the cipher, whichever way it fails.
    try {
        const int16_t result = OpenBox(s, BlockFile, Password);
        if (result != BlockResult::kReadOk) ClearQuietly(s.cipher);
        if (result == BlockResult::kReadOk) ListDamage(s, BlockFile);
        return result;
    } catch (...) {
        ClearQuietly(s.cipher);
        throw;
    }
}

void ParseDirBlock(BlockState& s, const std::string& block) {
    if (block.empty()) return;
    s.folders.Clear();
    size_t start = 0;
    while (true) {
        const size_t end = block.find('\0', start);
        const std::string piece = block.substr(start, end - start);
        if (start == 0) s.rootPath = piece;
        s.folders.Add(BoxPath::AsciiLower(piece));
        if (end == std::string::npos) return;
        start = end + 1;
    }
}

void ParseFileBlock(BlockState& s, const std::string& block) {
    s.files =
        s.blockVersion == BoxFormat::kVersionLegacy ? SplitLegacy(block) : SplitCurrent(block);
    s.recordOffsets = RecordOffsets(s.files, s.blockVersion);
}

void ParseBlockInfo(BlockState& s, int32_t Index, std::string& BlockFile, std::string& FilePath,
                    int32_t& filesize) {
    if (s.host.CancelRequested()) return;
    const FileRecord record = Record(s, Index);
    filesize = s.compressed == 1 ? record.Stored : record.Size;
    BlockFile = record.Name;
    FilePath = FolderEntry(s, record.FolderNumber);
}

FileRecord Record(const BlockState& s, int32_t index) {
    if (index < 0 || static_cast<size_t>(index) >= s.files.size())
        throw Failure(FailureNumber::kInvalidArgument,
                      "The box holds no file number " + std::to_string(index + 1) + ".");
    return HeaderCheck::DecodeRecord(s.files[static_cast<size_t>(index)], s.blockVersion)
        .value_or(FileRecord{});
}

std::optional<std::string> Damage(const BlockState& s, int32_t index) {
    const int64_t start = s.recordOffsets[static_cast<size_t>(index)];
    const int64_t stored = Record(s, index).Stored;
    const int64_t present = std::clamp<int64_t>(s.dataByteCount - start, 0, stored);
    if (present == stored) return std::nullopt;
    return present == 0 ? ProblemReason::Missing() : ProblemReason::CutShort(present, stored);
}

std::optional<FileProblem> TrailingBytes(const BlockState& s, const std::string& box) {
    const auto last = static_cast<int32_t>(s.files.size()) - 1;
    const int64_t end = last < 0 ? 0 : s.recordOffsets.back() + Record(s, last).Stored;
    if (s.dataByteCount <= end) return std::nullopt;
    return FileProblem{box, ProblemReason::TrailingBytes(s.dataByteCount - end)};
}

std::string EntryPath(const BlockState& s, const FileRecord& record) {
    return FolderEntry(s, record.FolderNumber) + record.Name;
}

}  // namespace vko::BlockHeader
