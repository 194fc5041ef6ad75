// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/BlockCreate.h"

#include <filesystem>
#include <vector>

#include "crypto/BoxCipher.h"
#include "crypto/KeyDerivation.h"
#include "engine/BlockScan.h"
#include "engine/BoxSeal.h"
#include "engine/BlockShred.h"
#include "engine/BlockStore.h"
#include "engine/BoxFormat.h"
#include "engine/CCipherBlock.h"
#include "engine/ConvLong.h"
#include "engine/CreatePlan.h"
#include "util/Failure.h"
#include "util/File.h"
#include "util/PathParts.h"

namespace fs = std::filesystem;

namespace vko::BlockCreate {

namespace {

using CreatePlan::PlannedFile;

// Leaves the process-wide cipher keyed with a constant on every way out, so that no
// password-derived state outlives the call, cancelled or failed ones included.
class CipherGuard {
public:
    explicit CipherGuard(CCipher& cipher) : cipher_(cipher) {}
    ~CipherGuard() {
        try {
            cipher_.Clear();
        } catch (...) {
            // Nothing is left to protect when even the constant key cannot be made.
        }
    }
    CipherGuard(const CipherGuard&) = delete;
    CipherGuard& operator=(const CipherGuard&) = delete;

private:
    CCipher& cipher_;
};

void CheckCompressionLevel(int16_t level, const std::string& BlockFile) {
    if (level <= 1) return;
    throw Failure(FailureNumber::kInvalidArgument,
                  "Compression level " + std::to_string(level) + " cannot be used for " +
                      BlockFile + "; a box is either plain (0) or compressed (1).");
}

// The folder to box, absolute, with "." and ".." resolved as written and no trailing separator
// ("" for the file-system root), so that its last component is the folder's own name: a name
// of "." or ".." would make a box that can never be read.
std::string FolderToBox(const std::string& Path) {
    std::error_code error;
    std::string folder =
        Path.empty() ? std::string() : fs::absolute(Path, error).lexically_normal().string();
    while (!folder.empty() && folder.back() == kPathSeparator) folder.pop_back();
    if (Path.empty() || error || !fs::is_directory(folder.empty() ? "/" : folder, error))
        throw Failure(FailureNumber::kPathNotFound,
                      "The folder \"" + Path + "\" does not exist or is not a folder.");
    return folder;
}

std::vector<std::string> ScanFolder(BlockState& s, const std::string& BlockFile, bool& cancelled) {
    s.scanExclude = BlockFile;
    try {
        auto files = BlockScan::GetAllFiles(s, s.rootPath, "*.*", true, cancelled);
        s.scanExclude.clear();
        return files;
    } catch (...) {
        s.scanExclude.clear();
        throw;
    }
}

bool Cancelled(BlockState& s) {
    return s.host.CancelRequested();
}

void PumpEveryTenth(BlockState& s, size_t number) {
    if (number % 10 == 0) s.host.PumpMessages();
}

// The header as it is written: each field a unit labelled after the plain fields before it.
class HeaderUnits {
public:
    HeaderUnits(const crypto::BoxKeys& keys, uint8_t version)
        : cipher_(keys), stored_(1, static_cast<char>(version)) {}

    // Enciphers plain as the unit labelled label and returns its stored bytes.
    std::string Add(const std::string& label, const std::string& plain) {
        hasher_.Add(plain);
        std::string unit = plain;
        cipher_.EncipherUnit(label, {reinterpret_cast<uint8_t*>(unit.data()), unit.size()});
        stored_ += unit;
        return unit;
    }
    [[nodiscard]] crypto::Digest256 Digest() const { return hasher_.Digest(); }
    // The box's bytes from its first one to the end of the last unit added.
    [[nodiscard]] const std::string& Stored() const noexcept { return stored_; }

private:
    crypto::BoxCipher cipher_;
    crypto::HeaderHasher hasher_;
    std::string stored_;
};

// The version byte, N, the box name, D and the folder table; s.ha labels every file after them.
bool WriteHeader(BlockState& s, OutputFile& out, const std::string& BlockName,
                 HeaderUnits& units) {
    namespace label = crypto::unit_label;
    out.Write(units.Stored());
    const auto n = static_cast<uint8_t>(BlockName.size());
    out.Write(units.Add(label::N(), std::string(1, static_cast<char>(n))));
    out.Write(units.Add(label::Name(n), BlockName));
    std::string folderTable;
    size_t number = 0;
    for (const std::string& entry : s.folders.Entries()) {
        folderTable += entry + '\0';
        PumpEveryTenth(s, ++number);
        if (Cancelled(s)) return false;
    }
    const std::string d = ConvLong::LongToChars(static_cast<int32_t>(folderTable.size()));
    out.Write(units.Add(label::D(units.Digest()), d));
    out.Write(units.Add(label::Folders(units.Digest()), folderTable));
    s.ha = units.Digest();
    return true;
}

// A file-table record with its length byte: what was actually taken and stored.
std::string Record(const PlannedFile& file, bool compressed) {
    std::string record = ConvLong::WordToChars(file.folder) + ConvLong::LongToChars(file.bytes);
    if (compressed) record += ConvLong::LongToChars(file.stored);
    record += file.name;
    return static_cast<char>(record.size()) + record;
}

// The first pass only reserves the table's room: its length does not depend on any size.
bool ReserveTable(BlockState& s, OutputFile& out, const std::vector<PlannedFile>& files) {
    const auto count = static_cast<int32_t>(files.size());
    const size_t fixed =
        1 + (s.compressed == 1 ? BoxFormat::kCompressedRecordFixed : BoxFormat::kPlainRecordFixed);
    for (int32_t i = 0; i < count; ++i) {
        const PlannedFile& file = files[static_cast<size_t>(i)];
        out.Write(std::string(fixed + file.name.size(), '\0'));
        s.totalBytes += file.size;
        if (Cancelled(s)) return false;
        s.Events().BuildingHeader(i + 1, count);
        PumpEveryTenth(s, static_cast<size_t>(i) + 1);
    }
    return true;
}

// F: the bytes of the records of files, length bytes included.
int32_t TableLength(const std::vector<PlannedFile>& files, bool compressed) {
    const int32_t fixed =
        1 + (compressed ? BoxFormat::kCompressedRecordFixed : BoxFormat::kPlainRecordFixed);
    int32_t length = 0;
    for (const PlannedFile& file : files) length += fixed + static_cast<int32_t>(file.name.size());
    return length;
}

bool StoreContents(BlockState& s, OutputFile& out, std::vector<PlannedFile>& files,
                   const crypto::BoxKeys& keys) {
    s.Events().CreatingFileBlock();
    s.tick.StartTick();
    s.storedSizes.clear();
    s.sinceSample = 0;
    return s.compressed == 1 ? BlockStore::StoreCompressedFiles(s, out, files, keys)
                             : BlockStore::StorePlainFiles(s, out, files, keys);
}

// F and the final file table over the room reserved for them.
void WriteFinalTable(BlockState& s, OutputFile& out, const std::vector<PlannedFile>& files,
                     int64_t placeholder, HeaderUnits& units) {
    namespace label = crypto::unit_label;
    std::string table;
    size_t number = 0;
    for (const PlannedFile& file : files) {
        table += Record(file, s.compressed == 1);
        PumpEveryTenth(s, ++number);
    }
    const auto f = static_cast<uint32_t>(table.size());
    out.Seek(placeholder);
    out.Write(units.Add(label::F(s.ha), ConvLong::LongToChars(static_cast<int32_t>(f))));
    out.Write(units.Add(label::Files(s.ha, f), table));
}

// Writes the box beside its target and puts it in place only when it is complete: header, data
// area, final file table, and the seal after the data area.
bool WriteBox(BlockState& s, const std::string& BlockFile, const std::string& BlockName,
              const std::string& Password, std::vector<PlannedFile>& files) {
    BlockScan::CreateAllFolders(BlockFile);
    AtomicFile::RemoveStaleTemps(BlockFile);
    AtomicFile box(BlockFile);
    OutputFile& out = box.Out();
    const crypto::BoxKeys keys(Password);
    s.blockVersion = s.compressed == 1 ? BoxFormat::kVersionCompressed : BoxFormat::kVersionPlain;
    s.format = BoxFormat::Format::kSealed;
    HeaderUnits units(keys, s.blockVersion);
    if (!WriteHeader(s, out, BlockName, units)) return false;
    const int64_t placeholder = out.Position();
    out.Write(BoxFormat::kPlaceholder, BoxFormat::kPlaceholderSize);
    s.totalBytes = 0;
    s.processedBytes = 0;
    if (!ReserveTable(s, out, files)) return false;
    if (!StoreContents(s, out, files, keys)) return false;
    if (Cancelled(s)) return false;
    // The files left out lose their records; the data area follows the final table.
    std::erase_if(files, [](const PlannedFile& file) { return file.leftOut; });
    const int64_t tableEnd =
        placeholder + BoxFormat::kPlaceholderSize + TableLength(files, s.compressed == 1);
    BlockStore::PackDataArea(out, files, tableEnd);
    const int64_t dataEnd = files.empty() ? tableEnd : files.back().offset + files.back().stored;
    WriteFinalTable(s, out, files, placeholder, units);
    std::vector<crypto::SealHash> hashes;
    hashes.reserve(files.size());
    for (const PlannedFile& file : files) hashes.push_back(*file.seal);
    out.Seek(dataEnd);
    out.Write(BoxSeal::Make(units.Stored(), units.Digest(), hashes, keys));
    box.Commit();
    return true;
}

// Only files stored whole may be destroyed: the others are in the box in part, or not at all.
std::vector<std::string> StoredWhole(const std::vector<PlannedFile>& files) {
    std::vector<std::string> paths;
    for (const PlannedFile& file : files)
        if (!file.changed) paths.push_back(file.path);
    return paths;
}

}  // namespace

int16_t CreateBlock(BlockState& s, const std::string& BlockFile, const std::string& BlockName,
                    const std::string& Password, const std::string& Path, int16_t Shread,
                    int16_t CompressionLevel) {
    CheckCompressionLevel(CompressionLevel, BlockFile);
    s.problems.clear();
    s.hiddenLeftOut = {};
    const std::string folder = FolderToBox(Path);
    CipherGuard guard(s.cipher);
    s.compressed = CompressionLevel;
    s.rootPath = folder + kPathSeparator;
    s.folders.Clear();
    s.folders.Add(GetFilePart(folder));

    // The key derivation takes a core for a good while, and the scan needs no cipher.
    crypto::KeyDerivation derivation(Password);
    bool cancelled = false;
    s.fileList = ScanFolder(s, BlockFile, cancelled);
    s.Events().CreatingBlock();
    if (cancelled) return BlockResult::kCreateCancelled;

    std::vector<PlannedFile> files = CreatePlan::Plan(s, BlockFile, BlockName, s.compressed == 1);
    if (!derivation.Wait([&s] { return !s.host.KeepWaiting(); }))
        return BlockResult::kCreateCancelled;
    if (!WriteBox(s, BlockFile, BlockName, Password, files)) return BlockResult::kCreateCancelled;

    if (Shread == 1 && !Cancelled(s)) BlockShred::ShredSources(s, StoredWhole(files));
    s.tick.StopTick();
    return BlockResult::kCreateDone;
}

}  // namespace vko::BlockCreate
