// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/WorkList.h"

#include <QFileInfo>

namespace vko {

void WorkList::lstFiles_OLEDragDrop(const QStringList& paths) {
    // The entries of work still waiting or running stay listed.
    c_.lstFiles.KeepOnly(c_.shell.CreateQueue + c_.shell.ExtractQueue);
    c_.window.FocusMainWindow();
    for (const QString& path : paths) {
        if (QFileInfo(path).isDir())
            c_.shell.CreateQueue.append(path);
        else
            c_.shell.DroppedBoxes.append(path);
        const int row = c_.lstFiles.rowCount();
        c_.lstFiles.insertRows(row, 1);
        c_.lstFiles.setData(c_.lstFiles.index(row), path);
    }
    if (paths.isEmpty()) return;
    c_.Timer.start();
    c_.State().AppTimerMode = 2;
    c_.AppTimer.start();
}

void WorkList::lstFiles_DblClick(const QString& entry) {
    if (entry.isEmpty()) return;
    // A folder is work to box or a place files went to: it is shown, never read as a box.
    if (QFileInfo(entry).isDir()) {
        c_.window.ShowFolder(entry);
        return;
    }
    c_.gate.RunOrDefer([this, entry] { commands_.ViewBox(entry); });
}

void WorkList::lstFiles_KeyUp(int key, Qt::KeyboardModifiers modifiers, int selectedRow) {
    const auto held = modifiers & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier);
    if (key != Qt::Key_Delete || held != Qt::NoModifier) return;
    if (selectedRow < 0 || selectedRow >= c_.lstFiles.rowCount()) return;
    c_.lstFiles.removeRows(selectedRow, 1);
}

void WorkList::mnuFileNewBox() {
    const QString folder = c_.dialogs.FolderToBox();
    if (folder.isEmpty()) return;
    c_.lstFiles.List(folder);  // listed for as long as its job waits and runs
    c_.shell.CreateQueue.append(folder);
    c_.Timer.start();
}

void WorkList::mnuFileOpenBox() {
    c_.gate.RunOrDefer([this] { OpenBoxFile(QString()); });
}

bool WorkList::mnuFileCancelJob() {
    if (c_.enginesRunning == 0) return false;
    c_.State().CancelJob = true;
    return true;
}

void WorkList::OpenBoxFile(const QString& Path) {
    c_.State().PasswordVerified = false;
    QString answer = Path;
    if (Path.isEmpty()) {
        answer = c_.dialogs.OpenBox(c_.State().DefaultFolder);
        if (!answer.trimmed().isEmpty()) {
            c_.lstFiles.KeepOnly(c_.shell.CreateQueue + c_.shell.ExtractQueue);
            c_.lstFiles.List(answer);
        }
    }
    if (!answer.trimmed().isEmpty()) commands_.ViewBox(answer);
}

void WorkList::AppTimer_Timer() {
    if (c_.AppTimer.isActive()) c_.AppTimer.stop();
    if (c_.gate.Busy()) {
        // Fires again once the job is over; the mode it was armed with is kept.
        c_.gate.Defer([this] { c_.AppTimer.start(); });
        return;
    }
    AppState& state = c_.State();
    if (state.AppTimerMode == 1) commands_.BeginBoxExtraction();
    if (state.AppTimerMode == 2 && !c_.shell.DroppedBoxes.isEmpty())
        OpenBoxFile(c_.shell.DroppedBoxes.first());
}

}  // namespace vko
