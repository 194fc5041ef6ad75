// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "crypto/CCipher.h"
#include "engine/BlockEvents.h"
#include "engine/BlockHost.h"
#include "engine/ExistingFiles.h"
#include "engine/FileProblem.h"
#include "engine/FolderTable.h"
#include "crypto/SealHash.h"
#include "engine/HeaderCheck.h"
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
    int64_t dataByteCount = 0;  // format 1: the sum of the stored sizes; else the data area's
    int64_t dataPresent = 0;    // bytes of the data area the file holds (format 1: up to the sum)
    int64_t boxLength = 0;
    int64_t headerEnd = 0;
    BoxFormat::Format format = BoxFormat::Format::kSealed;
    RunNames::RunADigest runA{};  // 0.2.0: names the runs after run A
    crypto::Digest256 ha{};       // format 1: labels the files' units
    crypto::Digest256 hb{};       // format 1: binds every tag to the header
    bool sealed = false;          // format 1 box whose seal verifies
    std::string sealDamage;       // format 1: why the box is not sealed
    std::vector<std::optional<crypto::SealTag>> tags;  // format 1: T_k where the box holds it
    HeaderCheck::Keyring keys;    // of the open box (the box slot), wiped when it closes

    // The files the last operation (or the open single-file session) could not treat as asked.
    std::vector<FileProblem> problems;
    // Format 1: the files of the last extraction or verification (or of the open single-file
    // session) whose stored bytes did not match their tag, as problems name them.
    std::vector<std::string> unverified;
    bool keepDamaged = false;  // extraction writes a file that fails its tag all the same

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
    int64_t totalBytes = 0;
    int64_t processedBytes = 0;
    int64_t sinceSample = 0;
    CTick tick;

    // Worker threads for file contents; 0 runs everything on the calling thread.
    unsigned workerThreads = DefaultWorkerThreads();

    CCipher cipher;
    std::unique_ptr<InputFile> box;      // the box slot: at most one box open for reading
    // Empties the box slot; the keys of the box go with it.
    void CloseBox() noexcept {
        box.reset();
        keys = {};
    }
};

}  // namespace vko
