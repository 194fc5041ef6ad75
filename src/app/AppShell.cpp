// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/AppShell.h"

#include "app/AppInfo.h"
#include "app/FolderViews.h"
#include "app/PathText.h"

namespace vko {

QString ExitDuringJobQuestion() {
    return QStringLiteral("Cancel current process?\n\n") + QString::fromLatin1(kAppTitle) +
           QStringLiteral(" will close. To stop only the running job, use File, Cancel Job.");
}

AppShell::AppShell(ShellView& view, Messages& messages, SettingsStore settings,
                   FolderSource firstStartFolder, Clock clock, QLocale locale,
                   CTick::Clock ticks)
    : view_(view),
      messages_(messages),
      settings_(std::move(settings)),
      firstStartFolder_(std::move(firstStartFolder)),
      clock_(std::move(clock)),
      locale_(std::move(locale)),
      ticks_(std::move(ticks)) {
    if (!clock_) clock_ = [] { return QTime::currentTime(); };
}

AppShell::~AppShell() = default;

void AppShell::Form_Load() {
    compressionReports_ = std::make_unique<CompressionReports>(messages_);
    host_ = std::make_unique<EngineHost>(state_, messages_);
    progress_ = std::make_unique<ProgressDisplay>(
        view_, state_, *host_, [this](const QString& text) { SetStatus(text); }, locale_);
    vaultkeep_ = std::make_unique<CCipherBlock>(*host_);
    vaultkeep_->SetEvents(progress_.get());
    ExtractQueue.clear();
    CreateQueue.clear();
    DroppedBoxes.clear();
    jobTick_ = std::make_unique<CTick>(ticks_);

    version_ = vko::AppVersion();
    view_.BindTray(TrayTipText(false, version_));
    SetTitle(QString());
    settings_.Load(state_);
    if (state_.DefaultFolder.isEmpty() && firstStartFolder_)
        state_.DefaultFolder = WithSeparator(firstStartFolder_());
    SetIcon(0);
    SetStatus(QStringLiteral("Ready"));
    FolderViews::CleanUp();  // what a crash left open
}

bool AppShell::Form_Unload(bool endRequested) {
    if (!endRequested) {
        view_.HideMainWindow();
        // Once is enough for the user to learn where the program went.
        if (!toldStillRunning_) toldStillRunning_ = view_.TellStillRunning();
        return true;
    }
    if (ended_) return false;
    if (Busy) {
        AskToEndDuringJob();
        return !ended_;
    }
    End();
    return false;
}

void AppShell::AskToEndDuringJob() {
    // Asked once; a second Exit while the question is up leaves it as it is.
    if (exitAsked_) return;
    exitAsked_ = true;
    // The job runs on while the user thinks: the question waits in the event loop that the
    // job lets run, not in a loop of its own inside it. No leaves everything as it was.
    messages_.AskYesNoLater(ExitDuringJobQuestion(), [this](bool yes) {
        exitAsked_ = false;
        if (yes && !ended_) End();
    });
}

void AppShell::End() {
    Busy = false;
    state_.CancelProcess = true;
    SaveSettings();
    view_.CloseOtherWindows();
    view_.DeleteTrayIcon();
    ended_ = true;
    // The engine, the queues and the stopwatch stay until the shell itself goes, after the
    // event loop has returned: a job that was cancelled may still be inside one of them.
    view_.EndProgram();
}

void AppShell::SetStatus(const QString& message) {
    view_.ShowStatus(StatusLineText(message, clock_(), locale_));
}

void AppShell::SetTitle(const QString& message) {
    view_.ShowCaption(CaptionText(message, version_));
}

void AppShell::SetIcon(int16_t icon) {
    view_.ShowTrayImage(icon == 0 ? 0 : 1);
    view_.ShowTrayTip(TrayTipText(icon != 0, version_));
    view_.ShowIndicator(IndicatorFor(icon));
}

void AppShell::ShowMainWindow() {
    view_.ShowMainWindow();
}

void AppShell::ForgetPassword() {
    state_.MemorizedPassword.clear();
    view_.ShowStatus(QString());
}

void AppShell::SaveSettings() {
    if (!settings_.Save(state_))
        messages_.Inform(QStringLiteral("The settings could not be saved to ") +
                             settings_.CurrentFile() + QStringLiteral("."),
                         Messages::Icon::Exclamation);
}

}  // namespace vko
