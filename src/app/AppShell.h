// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDateTime>
#include <QLocale>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>

#include "app/AppState.h"
#include "app/CompressionReports.h"
#include "app/EngineHost.h"
#include "app/Messages.h"
#include "app/ProgressDisplay.h"
#include "app/SettingsStore.h"
#include "app/ShellView.h"
#include "engine/CCipherBlock.h"
#include "util/CTick.h"

namespace vko {

// The main window's logic: start-up, settings, the status routines, hiding and ending the
// program. The window itself only draws and forwards.
class AppShell {
public:
    using Clock = std::function<QTime()>;
    using FolderSource = std::function<QString()>;

    // firstStartFolder gives DefaultFolder when no setting names one; ticks times the jobs.
    AppShell(ShellView& view, Messages& messages, SettingsStore settings,
             FolderSource firstStartFolder, Clock clock = {}, QLocale locale = QLocale(),
             CTick::Clock ticks = SystemTickCount);
    ~AppShell();
    AppShell(const AppShell&) = delete;
    AppShell& operator=(const AppShell&) = delete;

    // Start-up. A later start never gets this far: it hands its paths (or only the wish to see
    // the window) to the running instance and ends.
    void Form_Load();

    // The window is closing: returns true (cancel) to keep it. endRequested is true when
    // CloseProgram started the close, false for the close box or the system. During a job
    // the user is asked first, without stopping the job; Yes ends the program later.
    [[nodiscard]] bool Form_Unload(bool endRequested);

    void SetStatus(const QString& message);
    void SetTitle(const QString& message);
    void SetIcon(int16_t icon);

    void ShowMainWindow();
    void ForgetPassword();
    void SaveSettings();

    [[nodiscard]] AppState& State() noexcept { return state_; }
    [[nodiscard]] Messages& UserMessages() noexcept { return messages_; }
    [[nodiscard]] const SettingsStore& Settings() const noexcept { return settings_; }
    [[nodiscard]] const QString& AppVersion() const noexcept { return version_; }
    [[nodiscard]] bool Ended() const noexcept { return ended_; }

    // Objects owned for the life of the window; they outlive a shutdown that happens while
    // one of them is still on the call stack.
    [[nodiscard]] CCipherBlock& Vaultkeep() { return *vaultkeep_; }
    [[nodiscard]] EngineHost& Host() { return *host_; }
    [[nodiscard]] CTick& JobTick() { return *jobTick_; }
    [[nodiscard]] ProgressDisplay& Progress() { return *progress_; }
    QStringList ExtractQueue;
    QStringList CreateQueue;
    QStringList DroppedBoxes;
    bool Busy = false;
    int32_t JobsDone = 0;

private:
    void AskToEndDuringJob();
    // Cancels what runs, saves the settings, closes the other windows and leaves the loop.
    void End();

    ShellView& view_;
    Messages& messages_;
    SettingsStore settings_;
    FolderSource firstStartFolder_;
    Clock clock_;
    QLocale locale_;
    CTick::Clock ticks_;
    AppState state_;
    QString version_;
    bool ended_ = false;
    bool exitAsked_ = false;  // the question before ending during a job is on screen
    bool toldStillRunning_ = false;
    std::unique_ptr<CompressionReports> compressionReports_;
    std::unique_ptr<EngineHost> host_;
    std::unique_ptr<ProgressDisplay> progress_;
    std::unique_ptr<CCipherBlock> vaultkeep_;
    std::unique_ptr<CTick> jobTick_;
};

// The question asked before the program ends in the middle of a job.
[[nodiscard]] QString ExitDuringJobQuestion();

}  // namespace vko
