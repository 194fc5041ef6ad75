// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <cstdint>

#include "app/StatusText.h"

namespace vko {

// What the shell logic needs from the main window and its notification-area icon.
class ShellView {
public:
    virtual ~ShellView() = default;

    // Puts the idle image into the tray's picture, binds the tray to it, gives it tip and
    // shows the icon.
    virtual void BindTray(const QString& tip) = 0;
    virtual void ShowTrayImage(int16_t icon) = 0;  // 0 idle, 1 busy
    virtual void ShowTrayTip(const QString& tip) = 0;
    virtual void ShowIndicator(const IndicatorLook& look) = 0;
    virtual void ShowCaption(const QString& caption) = 0;
    virtual void ShowStatus(const QString& text) = 0;
    [[nodiscard]] virtual QString StatusText() const = 0;
    // The indicator's text alone; its colours stay.
    virtual void ShowBusyText(const QString& text) = 0;
    // While an engine call runs: its progress bar (from 0) and the way to cancel it.
    virtual void ShowJobRunning(bool running) = 0;
    // The progress bar's percentage; -1 for work of unknown length, such as a folder scan.
    virtual void ShowProgress(int percent) = 0;
    // The commands that open windows of their own. A window opened from inside a job would
    // hold the job until it closed, so they are unavailable while work holds the engine.
    virtual void EnableWindowCommands(bool enabled) = 0;

    // Hides the main window (or minimizes it where there is no notification area).
    virtual void HideMainWindow() = 0;
    // Says in a message from the notification-area icon that the program runs on there; false
    // when there is no icon to say it from.
    virtual bool TellStillRunning() = 0;
    virtual void ShowMainWindow() = 0;
    // Closes every other window, the most recently opened first.
    virtual void CloseOtherWindows() = 0;
    virtual void DeleteTrayIcon() = 0;
    // Leaves the event loop; the objects are released once every caller has returned.
    virtual void EndProgram() = 0;
};

}  // namespace vko
