// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/HeaderCheck.h"

#include <unordered_set>

#include "crypto/BoxCipher.h"
#include "crypto/CipherStream.h"

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
// a damaged header can never make us allocate more than the file holds. Every byte taken is also
// kept as stored, for the header's tag.
class FieldReader {
public:
    explicit FieldReader(InputFile& box) : box_(box) {}

    bool Take(int64_t count, std::string& out) {
        if (count < 0 || count > box_.Length() - box_.Position()) return false;
        out.resize(static_cast<size_t>(count));
        box_.ReadExactly(out.data(), out.size());
        stored_ += out;
        return true;
    }

    // Takes count bytes and deciphers them with run (a stream run, or nothing for clear bytes).
    bool Take(int64_t count, std::string& out, crypto::CipherStream* run) {
        if (!Take(count, out)) return false;
        if (run) run->Transform(Bytes(out), Bytes(out), out.size());
        return true;
    }

    // Takes a unit of count bytes and deciphers it under label; adds the plain bytes to hasher.
    bool TakeUnit(int64_t count, std::string& out, crypto::BoxCipher& cipher,
                  const std::string& label, crypto::HeaderHasher& hasher) {
        if (!Take(count, out)) return false;
        cipher.DecipherUnit(label, {Bytes(out), out.size()});
        hasher.Add(out);
        return true;
    }

    bool TakeLong(int32_t& value, uint8_t version, crypto::CipherStream* run) {
        std::string bytes;
        if (!Take(kLongWidth, bytes, run)) return false;
        return Long(bytes, version, value);
    }

    static bool Long(const std::string& bytes, uint8_t version, int32_t& value) {
        const auto field = LongField(bytes, version);
        if (field) value = *field;
        return field.has_value();
    }

    [[nodiscard]] std::string& Stored() noexcept { return stored_; }

private:
    static uint8_t* Bytes(std::string& text) { return reinterpret_cast<uint8_t*>(text.data()); }

    InputFile& box_;
    std::string stored_;
};

// Format 1: every field a unit of its own, each labelled after the plain fields before it.
std::optional<RawHeader> ReadSealed(FieldReader& in, uint8_t version, const crypto::BoxKeys& keys) {
    namespace label = crypto::unit_label;
    crypto::BoxCipher cipher(keys);
    crypto::HeaderHasher hasher;
    RawHeader header;
    header.version = version;
    header.format = BoxFormat::Format::kSealed;
    std::string n, d, f;
    int32_t dValue = 0, fValue = 0;
    if (!in.TakeUnit(1, n, cipher, label::N(), hasher)) return std::nullopt;
    const auto nValue = static_cast<uint8_t>(n[0]);
    if (!in.TakeUnit(nValue, header.name, cipher, label::Name(nValue), hasher)) return std::nullopt;
    if (!in.TakeUnit(kLongWidth, d, cipher, label::D(hasher.Digest()), hasher) ||
        !FieldReader::Long(d, version, dValue))
        return std::nullopt;
    if (!in.TakeUnit(dValue, header.folderTable, cipher, label::Folders(hasher.Digest()), hasher))
        return std::nullopt;
    header.ha = hasher.Digest();
    if (!in.TakeUnit(kLongWidth, f, cipher, label::F(header.ha), hasher) ||
        !FieldReader::Long(f, version, fValue))
        return std::nullopt;
    if (!in.TakeUnit(fValue, header.fileTable, cipher,
                     label::Files(header.ha, static_cast<uint32_t>(fValue)), hasher))
        return std::nullopt;
    header.hb = hasher.Digest();
    header.stored = std::move(in.Stored());
    return header;
}

// 0.2.0: run A holds the name and the folder table, run B, named after run A, the file table;
// every file of the data area is a run of its own.
std::optional<RawHeader> ReadStream(FieldReader& in, uint8_t version, const crypto::RunKey& key) {
    RawHeader header;
    header.version = version;
    header.format = BoxFormat::Format::kStream;
    std::string nameLength;
    int32_t d = 0;
    int32_t f = 0;
    crypto::CipherStream run;
    key.Start(run, RunNames::kRunA);
    if (!in.Take(1, nameLength, &run)) return std::nullopt;
    if (!in.Take(static_cast<uint8_t>(nameLength[0]), header.name, &run)) return std::nullopt;
    if (!in.TakeLong(d, version, &run) || !in.Take(d, header.folderTable, &run))
        return std::nullopt;
    header.runA = RunNames::OfRunA(header.name, header.folderTable);
    key.Start(run, RunNames::RunB(header.runA));
    if (!in.TakeLong(f, version, &run) || !in.Take(f, header.fileTable, &run)) return std::nullopt;
    return header;
}

// The legacy layout: lengths are stored in the clear and the whole header, from the first
// byte on (which the caller has deciphered), is one run.
std::optional<RawHeader> ReadLegacy(FieldReader& in, crypto::CipherStream& run) {
    RawHeader header;
    header.version = BoxFormat::kVersionLegacy;
    header.format = BoxFormat::Format::kLegacy;
    std::string nameLength;
    int32_t d = 0;
    int32_t f = 0;
    if (!in.Take(1, nameLength, nullptr)) return std::nullopt;
    if (!in.Take(static_cast<uint8_t>(nameLength[0]), header.name, &run)) return std::nullopt;
    if (!in.TakeLong(d, header.version, nullptr) || !in.Take(d, header.folderTable, &run))
        return std::nullopt;
    if (!in.TakeLong(f, header.version, nullptr) || !in.Take(f, header.fileTable, &run))
        return std::nullopt;
    return header;
}

// A header read, measured and checked; nothing when it is not sound.
std::optional<RawHeader> Checked(std::optional<RawHeader> header, const InputFile& box) {
    if (!header) return std::nullopt;
    header->headerEnd = box.Position();
    header->dataBytes = box.Length() - box.Position();
    if (!IsSound(*header)) return std::nullopt;
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

std::optional<RawHeader> ReadHeader(InputFile& box, const std::string& password,
                                    Keyring& keys) {
    std::string first;
    if (!FieldReader(box).Take(1, first)) return std::nullopt;
    const auto version = static_cast<uint8_t>(first[0]);
    if (version == BoxFormat::kVersionPlain || version == BoxFormat::kVersionCompressed) {
        keys.box = std::make_unique<crypto::BoxKeys>(password);
        FieldReader sealed(box);
        sealed.Stored() = first;
        if (auto header = Checked(ReadSealed(sealed, version, *keys.box), box)) return header;
        keys.box.reset();
        // Not format 1 with this password: perhaps a box of 0.2.0.
        keys.stream = std::make_unique<crypto::RunKey>(password);
        box.Seek(1);
        FieldReader stream(box);
        return Checked(ReadStream(stream, version, *keys.stream), box);
    }
    keys.stream = std::make_unique<crypto::RunKey>(password);
    crypto::CipherStream run;
    keys.stream->Start(run);
    if (static_cast<char>(run.Transform(version)) != BoxFormat::kLegacyMark) return std::nullopt;
    FieldReader legacy(box);
    return Checked(ReadLegacy(legacy, run), box);
}

bool IsSound(const RawHeader& header) {
    // Older boxes were never longer than a long field: a wrong password has less room to pass.
    const bool older = header.format != BoxFormat::Format::kSealed;
    if (older && (header.headerEnd > BoxFormat::kMaxLong || header.dataBytes > BoxFormat::kMaxLong))
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
        if (older && stored > BoxFormat::kMaxLong) return false;  // more than it could hold
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
