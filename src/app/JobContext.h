#pragma once

#include <QLocale>
#include <QStringListModel>
#include <QTimer>
#include <functional>

#include "app/AppShell.h"
#include "app/JobDialogs.h"
#include "app/JobGate.h"
#include "app/JobWindow.h"
#include "app/ShellView.h"

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
    QStringListModel& lstFiles;
    QTimer& Timer;     // the job driver's timer
    QTimer& AppTimer;  // the deferred-action timer
    Pump pump;         // lets pending window messages run once
    QLocale locale;

    [[nodiscard]] AppState& State() { return shell.State(); }
};

// The password prompt for boxFile: DialogResult 1 and the typed password on OK; both left as
// they were on Cancel (DialogResult 0 then).
void AskPassword(JobContext& c, const QString& boxFile);

// The extraction-folder prompt proposing a folder named rootName beside the default folder
// (on the default folder's drive root where it has one), or the default folder itself for an
// empty rootName: BoxFolder and DialogResult 1 on OK, both left as they were on Cancel.
void AskExtractFolder(JobContext& c, const QString& rootName);
[[nodiscard]] QString ExtractFolderProposal(const QString& defaultFolder, const QString& rootName);

// Reports a failure that left an engine call (its message names the path) and returns true,
// or returns false when call finished.
[[nodiscard]] bool EngineFailed(JobContext& c, const std::function<void()>& call);

// Shows, under heading, the one message that names every file the engine's last operation
// could not treat as asked; returns whether there was any.
bool ReportProblems(JobContext& c, const QString& heading);

}  // namespace vko
