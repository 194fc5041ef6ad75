// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringList>
#include <Qt>

#include "app/BoxCommands.h"
#include "app/JobContext.h"

namespace vko {

// The user's gestures on the work list and the File menu, turned into queued work, and the
// deferred-action timer. Requests that would open a box while a job runs wait until it ends.
class WorkList {
public:
    WorkList(JobContext& context, BoxCommands& commands) : c_(context), commands_(commands) {}

    // Paths dropped on the list: folders become create jobs, anything else a box to open.
    void lstFiles_OLEDragDrop(const QStringList& paths);
    // The selected entry's text (empty when nothing is selected): a box is opened, a folder
    // shown in the file manager.
    void lstFiles_DblClick(const QString& entry);
    // Delete without Shift, Ctrl or Alt removes the selected row (-1: none) from the list only.
    void lstFiles_KeyUp(int key, Qt::KeyboardModifiers modifiers, int selectedRow);

    void mnuFileNewBox();
    void mnuFileOpenBox();
    // Stops the engine call that runs at its next check; false when none runs.
    bool mnuFileCancelJob();
    // Opens the box at Path, or asks for one when Path is empty.
    void OpenBoxFile(const QString& Path);
    void AppTimer_Timer();

private:
    JobContext& c_;
    BoxCommands& commands_;
};

}  // namespace vko
