#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "crypto/CCipher.h"
#include "crypto/SecretText.h"
#include "engine/BlockEvents.h"
#include "engine/BlockHost.h"
#include "engine/ExistingFiles.h"
#include "engine/FileProblem.h"
#include "engine/FolderTable.h"
#include "engine/RunNames.h"
#include "util/CTick.h"
#include "util/File.h"

namespace vko {

// Everything a CCipherBlock holds between and during operations. Each operation family
// (scan, create, store, header, extract, single-file extract) works on it through the free
// functions declared in its own header.
// One worker per core.
[[nodiscard]] unsigned DefaultWorkerThreads() noexcept;

struct BlockState {
    explicit BlockState(BlockHost& h) : host(h) {}

    BlockHost& host;
    BlockEvents* observer = nullptr;
    BlockEvents& Events() noexcept { return observer ? *observer : silent; }
    BlockEvents silent;

    // The last box created or read.
    uint8_t blockVersion = 0;
    int16_t compressed = 0;
    std::string rootPath;
    std::string blockName;
    FolderTable folders;
    std::vector<std::string> files;      // records of the last box read, without length byte
    std::vector<int64_t> recordOffsets;  // data-area offset of each record's stored bytes
    std::vector<uint8_t> pathClashes;    // an earlier record or a folder has the same path
    int32_t dataByteCount = 0;
    int32_t headerEnd = 0;
    RunNames::RunADigest runA{};  // names the runs after run A (versions 1 and 2)

    // The files the last operation (or the open single-file session) could not treat as asked.
    std::vector<FileProblem> problems;

    // Extraction: what becomes of files already there; the ones skipped by that choice; the
    // single-file session's choice once the host was asked; the folders cleared of stale
    // temporaries in this job.
    ExistingFiles existingFiles = ExistingFiles::kKeep;
    std::vector<std::string> skipped;
    std::optional<ExistingFiles> sessionExisting;
    std::set<std::string> sweptFolders;

    // Box creation.
    std::vector<std::string> fileList;  // full paths in scan order
    std::vector<int32_t> storedSizes;   // per file, compressed boxes only
    std::string scanExclude;            // a file the scan leaves out (the box being written)
    bool boxHidden = false;             // the scan takes hidden files and folders too
    HiddenCount hiddenLeftOut;          // what the last creation's scan left out as hidden

    // Progress counters and the stopwatch behind the throughput figure.
    int32_t totalBytes = 0;
    int32_t processedBytes = 0;
    int32_t sinceSample = 0;
    CTick tick;

    // Worker threads for file contents; 0 runs everything on the calling thread.
    unsigned workerThreads = DefaultWorkerThreads();

    CCipher cipher;
    std::unique_ptr<InputFile> box;      // the box slot: at most one box open for reading
    crypto::SecretText dynamicPassword;  // keys each file of a single-file extraction
};

}  // namespace vko
