#include "engine/BlockCreate.h"

#include <filesystem>
#include <future>
#include <vector>

#include "crypto/RunKey.h"
#include "engine/BlockScan.h"
#include "engine/BlockShred.h"
#include "engine/BlockStore.h"
#include "engine/BoxFormat.h"
#include "engine/CCipherBlock.h"
#include "engine/ConvLong.h"
#include "engine/CreatePlan.h"
#include "engine/RunNames.h"
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

void WriteCiphered(BlockState& s, OutputFile& out, std::string bytes) {
    s.cipher.CipherInPlace(bytes.data(), bytes.size());
    out.Write(bytes);
}

bool Cancelled(BlockState& s) {
    return s.host.CancelRequested();
}

void PumpEveryTenth(BlockState& s, size_t number) {
    if (number % 10 == 0) s.host.PumpMessages();
}

// The version byte, then run A: the box name, D and the folder table, entry by entry. Names the
// later runs after what run A holds.
bool WriteHeader(BlockState& s, OutputFile& out, const std::string& BlockName,
                 const std::string& Password) {
    s.blockVersion = s.compressed == 1 ? BoxFormat::kVersionCompressed : BoxFormat::kVersionPlain;
    out.Write(std::string(1, static_cast<char>(s.blockVersion)));
    s.cipher.InitilizeRun(Password, RunNames::kRunA);
    const auto folderTableLength = static_cast<int32_t>(s.folders.Count() + s.folders.TextLength());
    WriteCiphered(s, out, std::string(1, static_cast<char>(BlockName.size())));
    WriteCiphered(s, out, BlockName);
    WriteCiphered(s, out, ConvLong::LongToChars(folderTableLength));
    std::string folderTable;
    size_t number = 0;
    for (const std::string& entry : s.folders.Entries()) {
        folderTable += entry + '\0';
        WriteCiphered(s, out, entry + '\0');
        PumpEveryTenth(s, ++number);
        if (Cancelled(s)) return false;
    }
    s.runA = RunNames::OfRunA(BlockName, folderTable);
    return true;
}

// A file-table record with its length byte. The first pass writes the measured size in both
// size fields; the final one what was actually taken and stored.
std::string Record(const PlannedFile& file, bool compressed, bool final) {
    std::string record =
        ConvLong::WordToChars(file.folder) +
        ConvLong::LongToChars(final ? file.bytes : static_cast<int32_t>(file.size));
    if (compressed)
        record += ConvLong::LongToChars(final ? file.stored : static_cast<int32_t>(file.size));
    record += file.name;
    return static_cast<char>(record.size()) + record;
}

// Run A goes on over the first pass, which only reserves the table's room.
bool WriteFirstTable(BlockState& s, OutputFile& out, const std::vector<PlannedFile>& files) {
    const auto count = static_cast<int32_t>(files.size());
    for (int32_t i = 0; i < count; ++i) {
        const PlannedFile& file = files[static_cast<size_t>(i)];
        WriteCiphered(s, out, Record(file, s.compressed == 1, false));
        s.totalBytes += static_cast<int32_t>(file.size);
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

// Every file's stored bytes are a run of their own.
bool StoreContents(BlockState& s, OutputFile& out, std::vector<PlannedFile>& files,
                   const std::string& Password) {
    s.Events().CreatingFileBlock();
    s.tick.StartTick();
    s.storedSizes.clear();
    s.sinceSample = 0;
    return s.compressed == 1 ? BlockStore::StoreCompressedFiles(s, out, files, Password)
                             : BlockStore::StorePlainFiles(s, out, files, Password);
}

// Run B: F over its placeholder, then the final records over the first pass.
bool WriteFinalTable(BlockState& s, OutputFile& out, const std::vector<PlannedFile>& files,
                     int64_t placeholder, const std::string& Password) {
    out.Seek(placeholder);
    s.cipher.InitilizeRun(Password, RunNames::RunB(s.runA));
    WriteCiphered(s, out, ConvLong::LongToChars(TableLength(files, s.compressed == 1)));
    size_t number = 0;
    for (const PlannedFile& file : files) {
        WriteCiphered(s, out, Record(file, s.compressed == 1, true));
        if (Cancelled(s)) return false;
        PumpEveryTenth(s, ++number);
    }
    return true;
}

// Writes the box beside its target and puts it in place only when it is complete.
bool WriteBox(BlockState& s, const std::string& BlockFile, const std::string& BlockName,
              const std::string& Password, std::vector<PlannedFile>& files) {
    BlockScan::CreateAllFolders(BlockFile);
    AtomicFile::RemoveStaleTemps(BlockFile);
    AtomicFile box(BlockFile);
    OutputFile& out = box.Out();
    if (!WriteHeader(s, out, BlockName, Password)) return false;
    const int64_t placeholder = out.Position();
    out.Write(BoxFormat::kPlaceholder, BoxFormat::kPlaceholderSize);
    s.totalBytes = 0;
    s.processedBytes = 0;
    if (!WriteFirstTable(s, out, files)) return false;
    if (!StoreContents(s, out, files, Password)) return false;
    // The files left out lose their records; the data area follows the final table.
    std::erase_if(files, [](const PlannedFile& file) { return file.leftOut; });
    const int64_t tableEnd =
        placeholder + BoxFormat::kPlaceholderSize + TableLength(files, s.compressed == 1);
    BlockStore::PackDataArea(out, files, tableEnd);
    if (!WriteFinalTable(s, out, files, placeholder, Password)) return false;
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
    auto keyReady = std::async(std::launch::async, [&Password] { crypto::PrepareKey(Password); });
    bool cancelled = false;
    s.fileList = ScanFolder(s, BlockFile, cancelled);
    s.Events().CreatingBlock();
    if (cancelled) return BlockResult::kCreateCancelled;

    std::vector<PlannedFile> files = CreatePlan::Plan(s, BlockFile, BlockName, s.compressed == 1);
    keyReady.get();
    if (!WriteBox(s, BlockFile, BlockName, Password, files)) return BlockResult::kCreateCancelled;

    if (Shread == 1 && !Cancelled(s)) BlockShred::ShredSources(s, StoredWhole(files));
    s.tick.StopTick();
    return BlockResult::kCreateDone;
}

}  // namespace vko::BlockCreate
