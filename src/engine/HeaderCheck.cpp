#include "engine/HeaderCheck.h"

#include <unordered_set>

#include "engine/BoxFormat.h"
#include "engine/BoxPath.h"
#include "engine/ConvLong.h"

namespace vko::HeaderCheck {

namespace {

constexpr size_t kLongWidth = 4;
constexpr size_t kWordWidth = 2;
constexpr std::string_view kLegacySeparator(BoxFormat::kLegacyRecordSeparator, 4);

size_t FixedRecordPart(uint8_t version) {
    return version == BoxFormat::kVersionCompressed ? BoxFormat::kCompressedRecordFixed
                                                    : BoxFormat::kPlainRecordFixed;
}

// A long field, or nothing when its bytes say more than 2,147,483,647 (a long field never
// does; reading such bytes as 0 would let a damaged length pass as an empty table).
std::optional<int32_t> LongField(std::string_view bytes, uint8_t version) {
    const char top = version == BoxFormat::kVersionLegacy ? bytes[0] : bytes[kLongWidth - 1];
    if ((static_cast<uint8_t>(top) & 0x80) != 0) return std::nullopt;
    return ConvLong::CharsToLong(bytes.substr(0, kLongWidth), version);
}

// Sequential reads that never take more than what is left of the file, so a length read from
// a damaged header can never make us allocate more than the file holds.
class FieldReader {
public:
    FieldReader(InputFile& box, CCipher& cipher) : box_(box), cipher_(cipher) {}

    bool Take(int64_t count, std::string& out, bool decipher) {
        if (count < 0 || count > box_.Length() - box_.Position()) return false;
        out.resize(static_cast<size_t>(count));
        box_.ReadExactly(out.data(), out.size());
        if (decipher) cipher_.CipherInPlace(out.data(), out.size());
        return true;
    }

    bool TakeLong(int32_t& value, uint8_t version, bool decipher) {
        std::string bytes;
        if (!Take(kLongWidth, bytes, decipher)) return false;
        const auto field = LongField(bytes, version);
        if (!field) return false;
        value = *field;
        return true;
    }

private:
    InputFile& box_;
    CCipher& cipher_;
};

// Versions 1 and 2: run A holds the name and the folder table, run B, named after run A, the
// file table; every file of the data area is a run of its own.
std::optional<RawHeader> ReadCurrent(FieldReader& in, uint8_t version, CCipher& cipher,
                                     const std::string& password) {
    RawHeader header;
    header.version = version;
    std::string nameLength;
    int32_t d = 0;
    int32_t f = 0;
    cipher.InitilizeRun(password, RunNames::kRunA);
    if (!in.Take(1, nameLength, true)) return std::nullopt;
    if (!in.Take(static_cast<uint8_t>(nameLength[0]), header.name, true)) return std::nullopt;
    if (!in.TakeLong(d, version, true) || !in.Take(d, header.folderTable, true))
        return std::nullopt;
    header.runA = RunNames::OfRunA(header.name, header.folderTable);
    cipher.InitilizeRun(password, RunNames::RunB(header.runA));
    if (!in.TakeLong(f, version, true) || !in.Take(f, header.fileTable, true)) return std::nullopt;
    cipher.Initilize(password);
    return header;
}

// The legacy layout: lengths are stored in the clear and the whole header, from the first
// byte on, is one run.
std::optional<RawHeader> ReadLegacy(FieldReader& in) {
    RawHeader header;
    header.version = BoxFormat::kVersionLegacy;
    std::string nameLength;
    int32_t d = 0;
    int32_t f = 0;
    if (!in.Take(1, nameLength, false)) return std::nullopt;
    if (!in.Take(static_cast<uint8_t>(nameLength[0]), header.name, true)) return std::nullopt;
    if (!in.TakeLong(d, header.version, false) || !in.Take(d, header.folderTable, true))
        return std::nullopt;
    if (!in.TakeLong(f, header.version, false) || !in.Take(f, header.fileTable, true))
        return std::nullopt;
    return header;
}

// Entry 1 is only shown and proposed as a folder name, never joined to a path by the engine,
// but it must still be one name; later entries must stay inside the extraction folder. A
// duplicate would shift the numbers of the entries after it.
bool AreSoundFolders(const std::vector<std::string>& entries) {
    if (entries.empty()) return false;
    const std::string& root = entries.front();
    if (root == "." || root == ".." || root.find('/') != std::string::npos) return false;
    std::unordered_set<std::string> seen;
    for (size_t i = 0; i < entries.size(); ++i) {
        if (i > 0 && !BoxPath::IsSafeFolderEntry(entries[i])) return false;
        if (!seen.insert(BoxPath::AsciiLower(entries[i])).second) return false;
    }
    return true;
}

std::optional<std::vector<std::string>> SplitLegacyRecords(std::string_view table) {
    std::vector<std::string> records;
    if (table.empty()) return records;
    size_t start = 0;
    while (true) {
        const size_t end = table.find(kLegacySeparator, start);
        const std::string_view piece = table.substr(start, end - start);
        if (piece.size() <= FixedRecordPart(BoxFormat::kVersionLegacy)) return std::nullopt;
        records.emplace_back(piece);
        if (end == std::string_view::npos) return records;
        start = end + kLegacySeparator.size();
    }
}

}  // namespace

std::optional<RawHeader> ReadHeader(InputFile& box, CCipher& cipher, const std::string& password) {
    FieldReader in(box, cipher);
    std::string first;
    if (!in.Take(1, first, false)) return std::nullopt;
    const auto version = static_cast<uint8_t>(first[0]);
    std::optional<RawHeader> header;
    if (version == BoxFormat::kVersionPlain || version == BoxFormat::kVersionCompressed) {
        header = ReadCurrent(in, version, cipher, password);
    } else {
        cipher.CipherInPlace(first.data(), 1);
        if (first[0] != BoxFormat::kLegacyMark) return std::nullopt;
        header = ReadLegacy(in);
    }
    if (!header) return std::nullopt;
    header->headerEnd = box.Position();
    header->dataBytes = box.Length() - box.Position();
    if (!IsSound(*header)) return std::nullopt;
    return header;
}

bool IsSound(const RawHeader& header) {
    if (header.headerEnd > BoxFormat::kMaxLong || header.dataBytes > BoxFormat::kMaxLong)
        return false;
    const auto folders = SplitFolderTable(header.folderTable);
    if (!folders || !AreSoundFolders(*folders)) return false;
    const auto records = SplitRecords(header.fileTable, header.version);
    if (!records) return false;
    const auto folderCount = static_cast<int32_t>(folders->size());
    int64_t stored = 0;
    for (const auto& text : *records) {
        const auto record = DecodeRecord(text, header.version);
        if (!record || record->FolderNumber > folderCount) return false;
        if (!BoxPath::IsSafeFileName(record->Name)) return false;
        stored += record->Stored;
        if (stored > BoxFormat::kMaxLong) return false;  // more than any box can hold
    }
    // A data area shorter or longer than the stored sizes is a damaged box, not a wrong
    // password: the tables above are what a wrong password cannot pass.
    return true;
}

std::optional<std::vector<std::string>> SplitFolderTable(std::string_view table) {
    if (table.empty() || table.back() != '\0') return std::nullopt;
    table.remove_suffix(1);
    std::vector<std::string> entries;
    size_t start = 0;
    while (true) {
        const size_t end = table.find('\0', start);
        entries.emplace_back(table.substr(start, end - start));
        if (end == std::string_view::npos) return entries;
        start = end + 1;
    }
}

std::optional<std::vector<std::string>> SplitRecords(std::string_view table, uint8_t version) {
    if (version == BoxFormat::kVersionLegacy) return SplitLegacyRecords(table);
    const size_t fixed = FixedRecordPart(version);
    std::vector<std::string> records;
    size_t p = 0;
    while (p < table.size()) {
        const auto length = static_cast<uint8_t>(table[p]);
        if (length <= fixed || length > table.size() - p - 1) return std::nullopt;
        records.emplace_back(table.substr(p + 1, length));
        p += 1 + length;
    }
    return records;
}

std::optional<FileRecord> DecodeRecord(std::string_view record, uint8_t version) {
    const size_t fixed = FixedRecordPart(version);
    if (record.size() < fixed) return std::nullopt;
    const auto size = LongField(record.substr(kWordWidth), version);
    const auto stored = version == BoxFormat::kVersionCompressed
                            ? LongField(record.substr(kWordWidth + kLongWidth), version)
                            : size;
    if (!size || !stored) return std::nullopt;
    FileRecord decoded;
    decoded.FolderNumber = ConvLong::CharsToWord(record, version);
    decoded.Size = *size;
    decoded.Stored = *stored;
    decoded.Name = std::string(record.substr(fixed));
    return decoded;
}

}  // namespace vko::HeaderCheck
