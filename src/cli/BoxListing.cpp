// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/BoxListing.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "cli/ExitCode.h"
#include "engine/BoxProbe.h"
#include "util/Failure.h"

namespace vko::cli {

std::string EntryPath(const CCipherBlock& engine, const FileRecord& record) {
    if (record.FolderNumber < 2) return record.Name;
    return engine.Directory(record.FolderNumber) + record.Name;
}

BoxListing Collect(const CCipherBlock& engine) {
    BoxListing listing;
    listing.name = engine.BlockName();
    listing.root = engine.RootPath();
    listing.version = engine.BlockVersion();
    listing.compressed = engine.Compressed() == 1;
    const auto count = static_cast<int32_t>(engine.Files().size());
    listing.files.reserve(static_cast<size_t>(count));
    for (int32_t i = 0; i < count; ++i) {
        FileRecord record = engine.Record(i);
        listing.files.push_back({i + 1, EntryPath(engine, record), record.Size, record.Stored});
        listing.totalSize += record.Size;
    }
    return listing;
}

void RequireReadableBox(const std::string& box) {
    struct stat status {};
    if (::stat(box.c_str(), &status) != 0) throw FailureFromErrno(errno, box, "box");
    if (S_ISDIR(status.st_mode)) throw FailureFromErrno(EISDIR, box, "box");
    if (::access(box.c_str(), R_OK) != 0) throw FailureFromErrno(errno, box, "box");
    const BoxProbe::Verdict verdict = BoxProbe::Probe(box);
    if (verdict == BoxProbe::Verdict::kNotABox)
        throw CommandError(ExitCode::kBadHeader, BoxProbe::Explain(verdict, box));
    if (verdict != BoxProbe::Verdict::kCouldBeBox)
        throw CommandError(ExitCode::kFileSystem, BoxProbe::Explain(verdict, box));
}

bool ReadHeader(CCipherBlock& engine, TerminalHost& host, const std::string& box,
                const std::string& password) {
    RequireReadableBox(box);
    if (engine.ViewBlock(box, password) == BlockResult::kReadOk) return true;
    ReportBadHeader(host);
    return false;
}

std::optional<BoxListing> ReadListing(CCipherBlock& engine, TerminalHost& host,
                                      const std::string& box, const std::string& password) {
    if (!ReadHeader(engine, host, box, password)) return std::nullopt;
    return Collect(engine);
}

void ReportBadHeader(const TerminalHost& host) {
    if (!host.HasShown(kHeaderDamagedMessage)) PrintError(kHeaderDamagedMessage);
}

}  // namespace vko::cli
