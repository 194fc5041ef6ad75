// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/CreateCommand.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>

#include "cli/CancelSignal.h"
#include "cli/PasswordSource.h"
#include "cli/ProblemReport.h"
#include "cli/ProgressObserver.h"
#include "cli/RunSummary.h"
#include "cli/Terminal.h"
#include "cli/TerminalHost.h"
#include "engine/BoxFormat.h"
#include "engine/CCipherBlock.h"
#include "util/Failure.h"
#include "util/PathParts.h"

namespace vko::cli {

namespace {

// The engine names the box's root entry after the last component of the path it is given, so
// "." or "photos/" must reach it as a full path ending in the folder's real name.
std::string AbsoluteFolder(const std::string& folder) {
    auto path = std::filesystem::absolute(folder).lexically_normal();
    if (!path.has_filename() && path.has_parent_path() && path != path.root_path())
        path = path.parent_path();
    return path.string();
}

void RequireReadableFolder(const std::string& folder) {
    struct stat status {};
    if (::stat(folder.c_str(), &status) != 0) throw FailureFromErrno(errno, folder, "create");
    if (!S_ISDIR(status.st_mode)) throw FailureFromErrno(ENOTDIR, folder, "create");
    if (::access(folder.c_str(), R_OK | X_OK) != 0) throw FailureFromErrno(errno, folder, "create");
}

// What is in the box's place is checked before the password is asked: a folder, a device or a
// pipe is never replaced (a link is followed to the file it leads to).
void RequireBoxNotFolder(const std::string& box) {
    struct stat status {};
    if (::stat(box.c_str(), &status) != 0 || S_ISREG(status.st_mode)) return;
    if (S_ISDIR(status.st_mode)) throw FailureFromErrno(EISDIR, box, "create");
    throw Failure(FailureNumber::kPathFileAccess,
                  "\"" + box +
                      "\" is not a regular file: a box can only be written as a new file "
                      "or over a regular file.");
}

struct CreatePlan {
    std::string folder;
    std::string box;
    std::string name;
};

CreatePlan Plan(const CreateOptions& options) {
    if (options.box == "-")
        throw UsageError(
            "a box cannot go to standard output (-o -): it is written in more than one pass, so "
            "it needs a file; give the box file's name");
    CreatePlan plan;
    plan.folder = AbsoluteFolder(options.folder);
    RequireReadableFolder(plan.folder);
    std::string folderName = GetFilePart(plan.folder);
    if (folderName.empty())
        throw UsageError("cannot box the root folder \"" + plan.folder +
                         "\": box a folder below it");
    std::string box = options.box.empty() ? folderName + ".vkx" : options.box;
    plan.box = std::filesystem::absolute(box).lexically_normal().string();
    RequireBoxNotFolder(plan.box);
    plan.name = options.name.empty() ? folderName : options.name;
    if (plan.name.size() > static_cast<size_t>(BoxFormat::kMaxBoxName))
        throw UsageError("the box name is longer than " + std::to_string(BoxFormat::kMaxBoxName) +
                         " bytes");
    return plan;
}

// The box just written: its files and their bytes as the engine reported them, and its size.
RunSummary Created(const ProgressObserver& progress, const CreatePlan& plan,
                   std::chrono::steady_clock::time_point started) {
    return {"Created " + plan.box, progress.TableFiles(), progress.TableBytes(),
            static_cast<int64_t>(std::filesystem::file_size(plan.box)), started};
}

// "2 hidden files left out (--hidden boxes them)"; empty when none were.
std::string HiddenNote(const HiddenCount& hidden) {
    const std::string text = HiddenText(hidden);
    return text.empty() ? text : text + " left out (--hidden boxes them)";
}

// A folder the format cannot hold in one box gets an exit code of its own.
int16_t CreateBox(CCipherBlock& engine, const CreatePlan& plan, const Password& password,
                  bool compress) {
    try {
        return engine.CreateBlock(plan.box, plan.name, password.Text(), plan.folder, 0,
                                  compress ? 1 : 0);
    } catch (const Failure& failure) {
        if (failure.Number() != FailureNumber::kOverflow) throw;
        throw CommandError(ExitCode::kTooMuch, failure.Description());
    }
}

}  // namespace

ExitCode RunCreate(const CreateOptions& options) {
    CreatePlan plan = Plan(options);
    if (plan.name.size() > 255)
        throw UsageError("the box name is " + std::to_string(plan.name.size()) +
                         " bytes long; a box name holds at most 255 bytes");
    Password password = ReadPassword(options.passwordFile, PasswordUse::kCreate);
    if (CancelSignal::Raised()) return ExitCode::kCancelled;

    TerminalHost host;
    ProgressObserver progress(ProgressStyleFor(options.quiet));
    CCipherBlock engine(host);
    if (options.threads != 0) engine.SetWorkerThreads(options.threads);
    engine.SetEvents(&progress);
    engine.SetHiddenFiles(options.hidden);
    const auto started = std::chrono::steady_clock::now();
    const int16_t result = CreateBox(engine, plan, password, options.compress);
    if (result != BlockResult::kCreateDone || CancelSignal::Raised()) return ExitCode::kCancelled;
    const ExitCode code = ReportProblems(engine.Problems());
    const std::string hidden = HiddenNote(engine.HiddenLeftOut());
    if (options.quiet) return code;
    if (code == ExitCode::kDone)
        PrintSummary(Created(progress, plan, started), hidden);
    else if (!hidden.empty())
        PrintError(hidden);
    return code;
}

}  // namespace vko::cli
