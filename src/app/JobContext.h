// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QLocale>
#include <QTimer>
#include <functional>

#include "app/AppShell.h"
#include "app/JobDialogs.h"
#include "app/JobGate.h"
#include "app/JobWindow.h"
#include "app/ShellView.h"
#include "app/WorkListModel.h"

namespace vko {

// What the job driver, the box commands and the work list share: the shell with its engine
// and queues, the window, the dialogs, the work list's entries and the two timers.
struct JobContext {
    using Pump = std::function<void()>;

    AppShell& shell;
    ShellView& view;
    JobDialogs& dialogs;
    JobWindow& window;
    JobGate& gate;
    WorkListModel& lstFiles;
    QTimer& Timer;     // the job driver's timer
    QTimer& AppTimer;  // the deferred-action timer
    Pump pump;         // lets pending window messages run once
    QLocale locale;
    int enginesRunning = 0;  // EngineRun scopes alive

    [[nodiscard]] AppState& State() { return shell.State(); }
};

// One engine call of a job. While it runs, the window shows its progress from zero (the
// arguments of ProgressDisplay::BeginJob) and offers to cancel it; a cancel is spent when the call ends, so it
// never stops the next one.
class EngineRun {
public:
    EngineRun(JobContext& c, JobProgress kind, int64_t files = 0, int64_t bytesOfEachFile = 0);
    ~EngineRun();
    EngineRun(const EngineRun&) = delete;
    EngineRun& operator=(const EngineRun&) = delete;

private:
    JobContext& c_;
};

// The password prompt for boxFile: DialogResult 1 and the typed password on OK; both left as
// they were on Cancel (DialogResult 0 then).
void AskPassword(JobContext& c, const QString& boxFile);

// The progress kind of extracting the box whose header engine has read.
[[nodiscard]] JobProgress ExtractProgress(const CCipherBlock& engine);

// How reading a box's header ended.
enum class HeaderRead { Opened, NotAsked, Failed };

// Reads boxFile's header with the memorized password, asking for one first when askFirst. A
// password that does not open the box is forgotten at once and the user asked again, until
// the box opens (Opened) or a prompt is cancelled (NotAsked). Failed: no box could be read at
// all, and the user has been told why.
[[nodiscard]] HeaderRead ReadBoxHeader(JobContext& c, const QString& boxFile, bool askFirst);

// The extraction-folder prompt proposing a new folder named rootName (the box file's name when
// the box has no root name) in the default folder, or on its drive root where it has one:
// BoxFolder and DialogResult 1 on OK, both left as they were on Cancel.
void AskExtractFolder(JobContext& c, const QString& rootName, const QString& boxFile);
// base + name, or base + "name (2)", "name (3)", ... for the first that does not exist yet.
[[nodiscard]] QString ExtractFolderProposal(const QString& defaultFolder, const QString& name);

// Reports a failure that left an engine call (its message names the path) and returns true,
// or returns false when call finished.
[[nodiscard]] bool EngineFailed(JobContext& c, const std::function<void()>& call);

// Shows, under heading, the one message that names every file the engine's last operation
// could not treat as asked; returns whether there was any.
bool ReportProblems(JobContext& c, const QString& heading);
// The same for problems gathered over more than one engine call.
bool ReportProblems(JobContext& c, const QString& heading,
                    const std::vector<FileProblem>& problems);

}  // namespace vko
