// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/BlockHeader.h"

#include <algorithm>
#include <filesystem>
#include <set>
#include <string_view>

#include "crypto/KeyDerivation.h"
#include "engine/BlockExtract.h"
#include "engine/BoxFormat.h"
#include "engine/BoxPath.h"
#include "engine/BoxSeal.h"
#include "engine/ConvLong.h"
#include "engine/HeaderCheck.h"
#include "util/Failure.h"

namespace vko::BlockHeader {

namespace {

enum : uint8_t { kNoClash, kSameAsEarlier, kFolder };

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

// For each record whether its path clashes: kSameAsEarlier when an earlier record has it (its
// file would replace the one extracted first), kFolder when a folder of the box has it.
std::vector<uint8_t> PathClashes(const std::vector<std::string>& records, uint8_t version,
                                 const std::vector<std::string>& folders) {
    const size_t fixed = version == BoxFormat::kVersionCompressed
                             ? BoxFormat::kCompressedRecordFixed
                             : BoxFormat::kPlainRecordFixed;
    const auto path = [&](uint32_t i) {
        const std::string_view record = records[i];
        if (record.size() < fixed) return std::pair<int32_t, std::string_view>{-1, record};
        const int32_t folder = ConvLong::CharsToWord(record, version);
        return std::pair{folder < 2 ? 0 : folder, record.substr(fixed)};  // 0 and 1: the root
    };
    std::vector<uint32_t> order(records.size());
    for (uint32_t i = 0; i < order.size(); ++i) order[i] = i;
    std::stable_sort(order.begin(), order.end(),
                     [&](uint32_t a, uint32_t b) { return path(a) < path(b); });
    std::vector<uint8_t> clashes(records.size(), kNoClash);
    for (size_t k = 1; k < order.size(); ++k)
        if (path(order[k]).first >= 0 && path(order[k]) == path(order[k - 1]))
            clashes[order[k]] = kSameAsEarlier;
    // A folder entry is its parent's entry and its own name: a record of that folder number
    // and name clashes with it.
    std::set<std::pair<std::string_view, std::string_view>> folderPaths;
    for (size_t i = 1; i < folders.size(); ++i) {
        if (!folders[i].ends_with(BoxFormat::kBoxSeparator)) continue;
        const std::string_view entry(folders[i].data(), folders[i].size() - 1);
        const size_t cut = entry.rfind(BoxFormat::kBoxSeparator);
        const size_t start = cut == std::string_view::npos ? 0 : cut + 1;
        folderPaths.emplace(std::string_view(folders[i]).substr(0, start), entry.substr(start));
    }
    for (uint32_t i = 0; i < records.size() && !folderPaths.empty(); ++i) {
        const auto [folder, name] = path(i);
        const bool inTable = folder == 0 || folder <= static_cast<int32_t>(folders.size());
        if (folder < 0 || !inTable) continue;
        const std::string_view parent = folder == 0 ? std::string_view() : folders[folder - 1];
        if (folderPaths.contains({parent, name})) clashes[i] = kFolder;
    }
    return clashes;
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

// The sum of the stored sizes of the records of the box read last.
int64_t StoredTotal(const BlockState& s) {
    if (s.files.empty()) return 0;
    return s.recordOffsets.back() + Record(s, static_cast<int32_t>(s.files.size()) - 1).Stored;
}

// Read ahead while the key is derived: room for the header of a box of some thousands of files.
constexpr int64_t kHeaderReadAhead = int64_t{4} << 20;

// Reads and checks the header; only a header that passed every check replaces what the engine
// holds, and only then is the box left open. A format 1 box's seal is read and checked too.
int16_t OpenBox(BlockState& s, const std::string& BlockFile, const std::string& Password,
                bool cancellable) {
    if (!NamesAFile(BlockFile)) return BlockResult::kReadNotABox;
    // The key is needed only to decipher the header; opening the box and reading its first
    // bytes need none.
    crypto::KeyDerivation derivation(Password);
    auto box = std::make_unique<InputFile>(BlockFile);
    box->WillNeed(0, kHeaderReadAhead);
    const auto stop = [&s, cancellable] { return cancellable && !s.host.KeepWaiting(); };
    if (!derivation.Wait(stop)) return BlockResult::kReadCancelled;
    HeaderCheck::Keyring keys;
    const auto header = HeaderCheck::ReadHeader(*box, Password, keys);
    if (!header) return BlockResult::kReadNotABox;

    s.blockVersion = header->version;
    s.format = header->format;
    s.compressed = header->version == BoxFormat::kVersionCompressed ? 1 : 0;
    s.blockName = header->name;
    ParseDirBlock(s, header->folderTable);
    ParseFileBlock(s, header->fileTable);
    s.headerEnd = header->headerEnd;
    s.boxLength = box->Length();
    s.runA = header->runA;
    s.ha = header->ha;
    s.hb = header->hb;
    s.sealed = false;
    s.sealDamage.clear();
    s.tags.clear();
    if (header->format == BoxFormat::Format::kSealed) {
        s.dataByteCount = StoredTotal(s);
        s.dataPresent = std::clamp<int64_t>(header->dataBytes, 0, s.dataByteCount);
        BoxSeal::Found seal = BoxSeal::Read(*box, header->stored, header->hb, s.dataByteCount,
                                            s.files.size(), *keys.box);
        s.sealed = seal.sealed;
        s.sealDamage = std::move(seal.damage);
        s.tags = std::move(seal.tags);
    } else {
        s.dataByteCount = s.dataPresent = header->dataBytes;
    }
    s.keys = std::move(keys);
    s.box = std::move(box);
    return BlockResult::kReadOk;
}

// A damaged box still reads: every file it cannot give back whole is named.
void ListDamage(BlockState& s, const std::string& BlockFile) {
    if (auto unsealed = SealDamage(s, BlockFile)) s.problems.push_back(*unsealed);
    for (int32_t i = 0; i < static_cast<int32_t>(s.files.size()); ++i) {
        if (auto reason = Damage(s, i)) s.problems.push_back({EntryPath(s, Record(s, i)), *reason});
    }
    if (auto trailing = TrailingBytes(s, BlockFile)) s.problems.push_back(*trailing);
}

}  // namespace

int16_t ViewBlock(BlockState& s, const std::string& BlockFile, const std::string& Password) {
    const int16_t result = ProcessBlock(s, BlockFile, Password);
    s.CloseBox();
    // Listing needs no key afterwards, whatever the outcome.
    s.cipher.Clear();
    return result;
}

int16_t ProcessBlock(BlockState& s, const std::string& BlockFile, const std::string& Password,
                     bool cancellable) {
    BlockExtract::DynamicClose(s);
    s.problems.clear();
    // A box that cannot be read leaves no password state in the cipher, whichever way it fails.
    try {
        const int16_t result = OpenBox(s, BlockFile, Password, cancellable);
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
    s.pathClashes = PathClashes(s.files, s.blockVersion, s.folders.Entries());
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
    const uint8_t clash = s.pathClashes[static_cast<size_t>(index)];
    if (clash == kSameAsEarlier) return ProblemReason::Duplicate();
    if (clash == kFolder) return ProblemReason::FolderClash();
    const FileRecord record = Record(s, index);
    // An empty file whose compression failed (as older versions stored it) is still empty.
    if (s.compressed == 1 && record.Stored == 0 && record.Size > 0)
        return ProblemReason::NothingStored(record.Size);
    const int64_t start = s.recordOffsets[static_cast<size_t>(index)];
    const int64_t stored = record.Stored;
    const int64_t present = std::clamp<int64_t>(s.dataPresent - start, 0, stored);
    if (present == stored) return std::nullopt;
    return present == 0 ? ProblemReason::Missing() : ProblemReason::CutShort(present, stored);
}

std::optional<FileProblem> SealDamage(const BlockState& s, const std::string& box) {
    if (s.format != BoxFormat::Format::kSealed || s.sealed) return std::nullopt;
    return FileProblem{box, ProblemReason::Unsealed(s.sealDamage)};
}

std::optional<FileProblem> TrailingBytes(const BlockState& s, const std::string& box) {
    if (s.format == BoxFormat::Format::kSealed) return std::nullopt;  // the seal tells
    const auto last = static_cast<int32_t>(s.files.size()) - 1;
    const int64_t end = last < 0 ? 0 : s.recordOffsets.back() + Record(s, last).Stored;
    if (s.dataByteCount <= end) return std::nullopt;
    return FileProblem{box, ProblemReason::TrailingBytes(s.dataByteCount - end)};
}

std::string EntryPath(const BlockState& s, const FileRecord& record) {
    return FolderEntry(s, record.FolderNumber) + record.Name;
}

}  // namespace vko::BlockHeader
