// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/ExtractCommand.h"

#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <set>

#include "cli/BoxListing.h"
#include "cli/CancelSignal.h"
#include "cli/EntrySelection.h"
#include "cli/PasswordSource.h"
#include "cli/ProblemReport.h"
#include "cli/ProgressObserver.h"
#include "cli/RunSummary.h"
#include "cli/Terminal.h"
#include "cli/TerminalHost.h"
#include "crypto/CCipher.h"
#include "engine/CCipherBlock.h"
#include "util/PathParts.h"

namespace vko::cli {

namespace {

// Leaves no password state in the cipher stream, whichever way the command ends; the key
// itself goes with the Password.
struct ClearKeyOnExit {
    ~ClearKeyOnExit() { CCipher().Clear(); }
};

// Closes the box of a single-file extraction, also when an entry fails.
struct DynamicSession {
    explicit DynamicSession(CCipherBlock& e) : engine(e) {}
    ~DynamicSession() { engine.DynamicClose(); }
    DynamicSession(const DynamicSession&) = delete;
    DynamicSession& operator=(const DynamicSession&) = delete;
    CCipherBlock& engine;
};

// After a run the engine counted as finished: files the engine named as problems (damaged or
// missing in the box, already there, refused, not writable) make the run done in part.
ExitCode Finished(const CCipherBlock& engine) {
    if (CancelSignal::Raised()) return ExitCode::kCancelled;
    return ReportProblems(engine.Problems());
}

// One extraction: the engine, its host and observer, and where from and to.
struct Extraction {
    CCipherBlock& engine;
    const TerminalHost& host;
    ProgressObserver& progress;
    const std::string& box;
    const std::string& folder;
    const std::string& password;

    [[nodiscard]] ExitCode All() const {
        switch (engine.ExtractBlock(box, folder, password)) {
            case BlockResult::kExtractDone:
                return Finished(engine);
            case BlockResult::kExtractNotABox:
                ReportBadHeader(host);
                return ExitCode::kBadHeader;
            case BlockResult::kExtractCancelled:
                return ExitCode::kCancelled;
            default:  // the engine asks this host nothing, so nothing is abandoned
                return ExitCode::kCancelled;
        }
    }

    [[nodiscard]] ExitCode Chosen(const BoxListing& listing,
                                  const std::vector<int32_t>& numbers) const {
        if (engine.DynamicExtractBlock(box, folder, password) != BlockResult::kReadOk) {
            ReportBadHeader(host);
            return ExitCode::kBadHeader;
        }
        DynamicSession session(engine);
        int64_t total = 0;
        for (int32_t number : numbers) total += listing.files[number - 1].stored;
        progress.SpanEntries(total);
        int64_t before = 0;
        for (int32_t number : numbers) {
            if (CancelSignal::Raised()) break;
            progress.BeginEntry(before);
            engine.DynamicExtractToFile(number, folder);
            before += listing.files[number - 1].stored;
        }
        return Finished(engine);
    }
};

// The files written and what was read for them: the whole box, or the chosen entries' data;
// files skipped because they were there are not counted as written.
RunSummary Extracted(const BoxListing& listing, const std::vector<int32_t>& numbers,
                     const std::string& box, const std::string& folder,
                     const std::vector<std::string>& skipped,
                     std::chrono::steady_clock::time_point started) {
    RunSummary summary{"Extracted into " + folder, 0, 0, 0, started};
    const std::set<std::string> left(skipped.begin(), skipped.end());
    const auto count = [&](const BoxEntry& entry) {
        std::string path = entry.path;
        std::replace(path.begin(), path.end(), '\\', kPathSeparator);
        if (left.contains(AddBackslash(folder) + path)) return;
        ++summary.files;
        summary.bytesIn += entry.stored;
        summary.bytesOut += entry.size;
    };
    if (numbers.empty()) {
        for (const BoxEntry& entry : listing.files) count(entry);
        summary.bytesIn = static_cast<int64_t>(std::filesystem::file_size(box));
    }
    for (int32_t number : numbers) count(listing.files[number - 1]);
    return summary;
}

}  // namespace

ExitCode RunExtract(const ExtractOptions& options) {
    RequireReadableBox(options.box);
    Password password = ReadPassword(options.passwordFile, PasswordUse::kOpen);
    if (CancelSignal::Raised()) return ExitCode::kCancelled;

    ClearKeyOnExit clearKey;
    const auto started = std::chrono::steady_clock::now();
    TerminalHost host;
    CCipherBlock engine(host);
    if (options.threads != 0) engine.SetWorkerThreads(options.threads);
    auto listing = ReadListing(engine, host, options.box, password.Text());
    if (!listing) return ExitCode::kBadHeader;
    std::vector<int32_t> numbers = ResolveEntries(*listing, options.entries);
    std::string folder =
        options.dir.empty() ? DefaultExtractFolder(*listing, options.box) : options.dir;

    ProgressObserver progress(ProgressStyleFor(options.quiet));
    engine.SetEvents(&progress);
    engine.SetExistingFiles(options.existing);
    engine.SetKeepDamaged(options.keepDamaged);
    Extraction extraction{engine, host, progress, options.box, folder, password.Text()};
    const ExitCode code = numbers.empty() ? extraction.All() : extraction.Chosen(*listing, numbers);
    if (code == ExitCode::kDone && !options.quiet)
        PrintSummary(Extracted(*listing, numbers, options.box, folder, engine.Skipped(), started));
    return code;
}

}  // namespace vko::cli
