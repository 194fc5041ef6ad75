#include "app/WorkList.h"

#include <QFileInfo>

namespace vko {

void WorkList::lstFiles_OLEDragDrop(const QStringList& paths) {
    c_.lstFiles.setStringList({});
    c_.window.FocusMainWindow();
    QStringList listed;
    for (const QString& path : paths) {
        if (QFileInfo(path).isDir())
            c_.shell.CreateQueue.append(path);
        else
            c_.shell.DroppedBoxes.append(path);
        listed.append(path);
    }
    c_.lstFiles.setStringList(listed);
    if (paths.isEmpty()) return;
    c_.Timer.start();
    c_.State().AppTimerMode = 2;
    c_.AppTimer.start();
}

void WorkList::lstFiles_DblClick(const QString& entry) {
    if (entry.isEmpty()) return;
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
    c_.shell.CreateQueue.append(folder);
    c_.Timer.start();
}

void WorkList::mnuFileOpenBox() {
    c_.gate.RunOrDefer([this] { OpenBoxFile(QString()); });
}

void WorkList::OpenBoxFile(const QString& Path) {
    c_.State().PasswordVerified = false;
    QString answer = Path;
    if (Path.isEmpty()) {
        answer = c_.dialogs.OpenBox(c_.State().DefaultFolder);
        if (!answer.trimmed().isEmpty()) c_.lstFiles.setStringList({answer});
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
