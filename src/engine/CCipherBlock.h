// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "engine/BlockEvents.h"
#include "engine/BlockHost.h"
#include "engine/BoxFormat.h"
#include "engine/ExistingFiles.h"
#include "engine/FileProblem.h"

namespace vko {

// Result codes of the engine's operations.
namespace BlockResult {
inline constexpr int16_t kCreateCancelled = 0;  // CreateBlock
inline constexpr int16_t kCreateDone = 1;
inline constexpr int16_t kReadOk = 0;  // ViewBlock, ProcessBlock, DynamicExtractBlock
inline constexpr int16_t kReadNotABox = 1;
inline constexpr int16_t kReadCancelled = 3;  // ProcessBlock when cancellable
inline constexpr int16_t kExtractDone = 0;  // ExtractBlock
inline constexpr int16_t kExtractNotABox = 1;
inline constexpr int16_t kExtractCancelled = 3;
inline constexpr int16_t kExtractAbandoned = 100;
inline constexpr int16_t kVerifyCancelled = 3;  // VerifyBlock (else kReadOk or kReadNotABox)
}  // namespace BlockResult

// The message shown for a header that cannot be read.
inline constexpr const char* kHeaderDamagedMessage = "Password incorrect or header damaged";

// One file record of the box read last, decoded.
struct FileRecord {
    int32_t FolderNumber = 0;  // 0 or 1: the boxed folder itself; k: folder-table entry k
    int32_t Size = 0;          // uncompressed size
    int32_t Stored = 0;        // bytes in the data area (the size in a plain box)
    std::string Name;          // file name without its folder
};

// The box engine: turns a folder tree into a box file and back.
//
// Operations report their outcome as the result codes above; failures they do not handle
// themselves (file-system errors, limits a folder exceeds) leave them as vko::Failure. The
// engine has one box slot: at most one box is open for reading at a time. It uses the
// process-wide cipher, so one operation runs at a time.
class CCipherBlock {
public:
    explicit CCipherBlock(BlockHost& host);
    ~CCipherBlock();
    CCipherBlock(const CCipherBlock&) = delete;
    CCipherBlock& operator=(const CCipherBlock&) = delete;

    // The observer of the engine's events (may be null).
    void SetEvents(BlockEvents* events) noexcept;
    // Worker threads that read, compress and encipher file contents (one per core unless set);
    // 0 does everything on the calling thread. Boxes and extracted files are the same whatever
    // the number; only when sources are read can differ.
    void SetWorkerThreads(unsigned threads) noexcept;

    // Whether creation boxes hidden files and folders (names beginning with "."); by default it
    // leaves them out and counts them.
    void SetHiddenFiles(bool box) noexcept;

    // Boxes the folder Path into BlockFile: 1 done, 0 cancelled. Shread 1 overwrites and
    // removes the sources afterwards. CompressionLevel 1 makes a compressed box.
    [[nodiscard]] int16_t CreateBlock(const std::string& BlockFile, const std::string& BlockName,
                                      const std::string& Password, const std::string& Path,
                                      int16_t Shread, int16_t CompressionLevel = 0);

    // Reads the header and closes the box: 0 read, 1 not a box or wrong password. A format 1
    // box's header tag and seal are checked too: a box that is not sealed reads, and is named
    // among the problems as damaged.
    [[nodiscard]] int16_t ViewBlock(const std::string& BlockFile, const std::string& Password);
    // Reads the header and leaves the box open (with its keys) for reading files.
    [[nodiscard]] int16_t ProcessBlock(const std::string& BlockFile, const std::string& Password);
    // What extraction does where a file it would write is already there; kKeep unless set.
    // Under kAsk the host is asked once per job, before anything is written; its kCancel ends
    // ExtractBlock with 3 (cancelled). Extracted files and folders are made private (0600,
    // 0700); a file that replaces another keeps its mode less setuid, setgid and sticky.
    void SetExistingFiles(ExistingFiles policy) noexcept;

    // Whether extraction writes a file of a format 1 box whose stored bytes do not match their
    // tag all the same; by default it does not. Either way the file is named among the problems
    // and in Unverified().
    void SetKeepDamaged(bool keep) noexcept;

    // Unpacks the whole box into Path: 0 done, 1 not a box, 3 cancelled, 100 abandoned. Files
    // that could not be written, or were kept, are named in Problems(); the run goes on after
    // them. Each file of a format 1 box is checked against its tag before it is put in place. A compressed file whose stream does not expand is named and its stream kept under a
    // new name beside it ("<name>.zlib", "<name>.1.zlib", ...), which the host is shown when it
    // AsksAboutDamage (with the question whether to abort).
    [[nodiscard]] int16_t ExtractBlock(const std::string& BlockFile, const std::string& Path,
                                       const std::string& Password);

    // Checks every tag of a box and writes nothing: 0 read (a box that is not sealed or carries
    // no seal, each file missing, cut or not matching its tag are named in Problems(), the last
    // also in Unverified()), 1 not a box or wrong password, 3 cancelled.
    [[nodiscard]] int16_t VerifyBlock(const std::string& BlockFile, const std::string& Password);

    // Opens a box for extracting chosen files: 0 ready, 1 not readable (box closed).
    [[nodiscard]] int16_t DynamicExtractBlock(const std::string& BlockFile, const std::string& Path,
                                              const std::string& Password);
    // Under kAsk, asks the host once about the chosen files (FileNumbers, counted from 1) that
    // are already there below Path, before any of them is written; false when the host
    // cancelled (then write nothing). Call it after DynamicExtractBlock; without it a chosen file
    // that is there is kept. Under the other policies it asks nothing and returns true.
    [[nodiscard]] bool PrepareEntries(const std::vector<int32_t>& fileNumbers,
                                      const std::string& Path);
    // Extracts file FileNumber (counted from 1) of the open box below Path, as ExtractBlock
    // would (a damaged stream is shown with a message instead of the question).
    void DynamicExtractToFile(int32_t FileNumber, const std::string& Path);
    void DynamicClose();

    // Header parsing, exposed for callers that read records themselves.
    void ParseDirBlock(const std::string& block);
    void ParseFileBlock(const std::string& block);
    void ParseBlockInfo(int32_t Index, std::string& BlockFile, std::string& FilePath,
                        int32_t& filesize);

    // Folder scan and folder table.
    [[nodiscard]] std::vector<std::string> GetAllFiles(const std::string& Path,
                                                       const std::string& filespec,
                                                       bool RecurseDirs);
    void AddDir(const std::string& Path, bool bForceAdd = false);
    [[nodiscard]] int32_t GetPathNumber(const std::string& Path) const;
    [[nodiscard]] static std::string GetPathFromFile(const std::string& Pathname);
    static void CreateAllFolders(const std::string& mPathToCheck);
    [[nodiscard]] std::vector<std::string> GetDirectories(const std::string& Path,
                                                          int32_t Attributes = 0,
                                                          bool IncludePath = false);
    void CleanUp();

    // The files the last CreateBlock, ViewBlock or ProcessBlock, ExtractBlock, or the current
    // single-file session (DynamicExtractBlock to DynamicClose) could not treat as asked: left
    // out of a box, stored changed, missing from a damaged box, or refused at extraction. A done
    // result with problems is done in part. Cleared when the next such operation starts.
    [[nodiscard]] const std::vector<FileProblem>& Problems() const noexcept;
    // The files of the last extraction or VerifyBlock (or of the open single-file session) whose
    // stored bytes did not match their tag, as Problems() names them.
    [[nodiscard]] const std::vector<std::string>& Unverified() const noexcept;
    // The files the last extraction (or the open single-file session) left alone because they
    // were there and the choice was to skip them.
    [[nodiscard]] const std::vector<std::string>& Skipped() const noexcept;

    // What the last CreateBlock left out as hidden (nothing when it boxed hidden files).
    [[nodiscard]] HiddenCount HiddenLeftOut() const noexcept;

    // Properties of the last box created or read.
    [[nodiscard]] uint8_t BlockVersion() const noexcept;
    [[nodiscard]] int16_t Compressed() const noexcept;
    [[nodiscard]] const std::string& RootPath() const noexcept;
    [[nodiscard]] const std::string& BlockName() const noexcept;
    // The folder table, entry 1 first (index 0 of the vector).
    [[nodiscard]] const std::vector<std::string>& Directories() const noexcept;
    // Folder-table entry by its number (from 1); empty for 0 or a number past the table.
    [[nodiscard]] std::string Directory(int32_t number) const;
    // The file records of the last box read, without their length byte, from index 0.
    [[nodiscard]] const std::vector<std::string>& Files() const noexcept;
    [[nodiscard]] FileRecord Record(int32_t index) const;
    // How the box read last is enciphered (FormatName: "1", "0.2", "legacy"), and whether it is
    // sealed: format 1, exactly as long as its header, data area and seal, which verifies.
    [[nodiscard]] BoxFormat::Format Format() const noexcept;
    [[nodiscard]] bool Sealed() const noexcept;
    // Why a format 1 box read last is not sealed ("its seal is cut short"); empty when it is
    // sealed, or older.
    [[nodiscard]] const std::string& SealDamage() const noexcept;
    // The sum of the stored sizes (format 1; older boxes: the bytes after the header).
    [[nodiscard]] int64_t DataByteCount() const noexcept;
    [[nodiscard]] int64_t HeaderEnd() const noexcept;

private:
    std::unique_ptr<struct BlockState> s_;
};

}  // namespace vko
