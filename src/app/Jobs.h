// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QLocale>
#include <QTimer>

#include "app/BoxCommands.h"
#include "app/JobContext.h"
#include "app/JobDriver.h"
#include "app/JobGate.h"
#include "app/WorkList.h"
#include "app/WorkListModel.h"

namespace vko {

// The main window's work: the work list's entries, the job driver, the box commands and the
// gestures, bound to the driver timer and the deferred-action timer.
class Jobs {
public:
    // pump defaults to running the pending events once.
    Jobs(AppShell& shell, ShellView& view, JobDialogs& dialogs, JobWindow& window, QTimer& Timer,
         QTimer& AppTimer, JobContext::Pump pump = {}, QLocale locale = QLocale());
    Jobs(const Jobs&) = delete;
    Jobs& operator=(const Jobs&) = delete;

    [[nodiscard]] WorkListModel& lstFiles() noexcept { return list_; }
    [[nodiscard]] JobGate& Gate() noexcept { return gate_; }
    [[nodiscard]] JobDriver& Driver() noexcept { return driver_; }
    [[nodiscard]] BoxCommands& Commands() noexcept { return commands_; }
    [[nodiscard]] WorkList& Work() noexcept { return work_; }

private:
    JobGate gate_;
    WorkListModel list_;
    JobContext context_;
    JobDriver driver_;
    BoxCommands commands_;
    WorkList work_;
};

}  // namespace vko
