#include "app/JobDriver.h"

#include "app/AppInfo.h"
#include "app/EnginePassword.h"
#include "app/PathText.h"
#include "app/StatusText.h"

namespace vko {

QString SecondsText(int32_t milliseconds, const QLocale& locale) {
    return locale.toString(milliseconds / 1000.0, 'f', 2);
}

QString BatchResultLine(int creates, int extracts, int32_t jobsDone, const QString& seconds,
                        int jobsWarned, const HiddenCount& hidden) {
    const QString in =
        jobsWarned > 0 ? QStringLiteral(" with warnings in ") : QStringLiteral(" in ");
    const std::string hiddenText = HiddenText(hidden);
    const QString leftOut = hiddenText.empty() ? QString()
                                               : QStringLiteral("; ") + TextFromBytes(hiddenText) +
                                                     QStringLiteral(" left out");
    if (creates >= 1)
        return jobsDone >= 1
                   ? QStringLiteral("Created") + in + seconds + QStringLiteral(" seconds") + leftOut
                   : QStringLiteral("Box not created");
    if (extracts >= 1)
        return jobsDone >= 1
                   ? QStringLiteral("Extracted") + in + seconds + QStringLiteral(" seconds")
                   : QStringLiteral("Box not extracted");
    return {};
}

void JobDriver::Timer_Timer() {
    if (!c_.Timer.isActive()) return;
    c_.Timer.stop();
    if (c_.State().CancelProcess) return;
    // A tick that arrives while a job is on the call stack (the engine lets timers run) must
    // not start a second batch over the same engine.
    if (c_.gate.Busy()) {
        c_.gate.Defer([this] { Resume(); });
        return;
    }
    const JobGate::Hold hold(c_.gate);
    RunBatch();
}

void JobDriver::Resume() {
    if (!c_.shell.CreateQueue.isEmpty() || !c_.shell.ExtractQueue.isEmpty()) c_.Timer.start();
}

void JobDriver::RunBatch() {
    AppShell& shell = c_.shell;
    AppState& state = c_.State();
    shell.JobsDone = 0;
    jobsWarned_ = 0;
    hidden_ = {};
    StartClock();
    shell.Busy = true;
    int creates = 0;
    int extracts = 0;

    while (!shell.CreateQueue.isEmpty()) {
        const QString item = shell.CreateQueue.first();  // the queue may grow during the job
        RunCreateJob(item);
        if (state.CancelProcess) {
            c_.window.CloseProgram();
            return;
        }
        RemoveListItem(c_.lstFiles, item);
        shell.CreateQueue.removeFirst();
        ++creates;
    }
    while (!shell.ExtractQueue.isEmpty() && !state.CancelProcess) {
        const QString item = shell.ExtractQueue.first();
        (void)RunExtractJob(item);
        if (state.CancelProcess) {
            c_.window.CloseProgram();
            return;
        }
        RemoveListItem(c_.lstFiles, item);
        shell.ExtractQueue.removeFirst();
        ++extracts;
        if (!shell.DroppedBoxes.isEmpty()) shell.DroppedBoxes.removeFirst();
        state.AppTimerMode = 2;
        c_.AppTimer.start();
    }
    FinishBatch(creates, extracts);
}

void JobDriver::FinishBatch(int creates, int extracts) {
    AppShell& shell = c_.shell;
    AppState& state = c_.State();
    PauseClock();
    shell.SetIcon(0);
    const QString line = BatchResultLine(creates, extracts, shell.JobsDone,
                                         SecondsText(shell.JobTick().ElapsedTicks(), c_.locale),
                                         jobsWarned_, hidden_);
    if (!line.isNull()) shell.SetStatus(line);
    if (state.ClearPassword == 1) state.MemorizedPassword.clear();
    state.PasswordVerified = false;
    shell.Busy = false;
    shell.SetTitle(QString());
    if (state.CancelProcess) c_.window.CloseProgram();
}

void JobDriver::ShowJobCaption(const char* kind) {
    c_.view.ShowCaption(CaptionText(QString(), c_.shell.AppVersion()) + QLatin1String(kind));
}

void JobDriver::ShowJobStarting(const QString& status) {
    c_.shell.SetIcon(1);
    c_.shell.SetStatus(status);
}

void JobDriver::RunCreateJob(const QString& item) {
    AppShell& shell = c_.shell;
    AppState& state = c_.State();
    ShowJobCaption(" [create]");
    state.FilesInBox = 0;
    PauseClock();
    CreateBoxForm proposal = ProposeCreateBox(item, state);
    ApplyCreateBox(state, c_.dialogs.CreateBox(proposal));
    WipeText(proposal.Password);
    WipeText(proposal.Password2);
    c_.window.FocusMainWindow();
    ResumeClock();
    if (state.BoxFolder.isEmpty()) return;

    ShowJobStarting(QStringLiteral("Locating Box Contents..."));
    c_.pump();
    int16_t result = BlockResult::kCreateCancelled;
    const EngineRun run(
        c_, state.BoxCompression == 1 ? JobProgress::CompressedCreate : JobProgress::Plain);
    const bool failed = EngineFailed(c_, [&] {
        result = shell.Vaultkeep().CreateBlock(PathBytes(state.BoxFile), TextBytes(state.BoxName),
                                               EnginePassword(state.MemorizedPassword),
                                               PathBytes(state.BoxFolder), 0, state.BoxCompression);
    });
    if (failed || result != BlockResult::kCreateDone) return;
    ++shell.JobsDone;
    hidden_ += shell.Vaultkeep().HiddenLeftOut();
    c_.lstFiles.AddResult(state.BoxFile, QStringLiteral("Box made from ") + state.BoxFolder);
    PauseClock();
    if (ReportProblems(c_, QStringLiteral("The box was made, but these files are not in it as "
                                          "they were:")))
        ++jobsWarned_;
    ResumeClock();
}

int16_t JobDriver::RunExtractJob(const QString& item) {
    constexpr int16_t kNotAsked = 2;
    AppShell& shell = c_.shell;
    AppState& state = c_.State();
    PauseClock();
    ShowJobCaption(" [extract]");
    // A box just opened from the contents window is not asked for again.
    const bool verified = !state.MemorizedPassword.isEmpty() && state.PasswordVerified;
    state.PasswordVerified = false;
    switch (ReadBoxHeader(c_, item, !verified)) {
        case HeaderRead::NotAsked:
            return kNotAsked;
        case HeaderRead::Failed:
            ResumeClock();
            return BlockResult::kExtractDone;
        case HeaderRead::Opened:
            break;
    }

    if (state.BoxFolder.isEmpty())
        AskExtractFolder(c_, PathFromBytes(shell.Vaultkeep().RootPath()));
    ResumeClock();
    if (state.BoxFolder.isEmpty() || state.DialogResult != 1) return kNotAsked;

    ShowJobStarting(QStringLiteral("Extracting ") + FilePart(item) + QStringLiteral("..."));
    int16_t result = BlockResult::kExtractNotABox;
    const EngineRun run(c_, ExtractProgress(shell.Vaultkeep()));
    if (EngineFailed(c_, [&] {
            result = shell.Vaultkeep().ExtractBlock(PathBytes(item), PathBytes(state.BoxFolder),
                                                    EnginePassword(state.MemorizedPassword));
        }))
        return BlockResult::kExtractNotABox;
    // The engine has said why the box did not open; its password is not kept for the next.
    if (result == BlockResult::kExtractNotABox) state.MemorizedPassword.clear();
    if (result != BlockResult::kExtractDone) return result;
    ++shell.JobsDone;
    c_.lstFiles.AddResult(state.BoxFolder,
                          QStringLiteral("Files extracted from ") + FilePart(item));
    PauseClock();
    if (ReportProblems(c_, QStringLiteral("The box was extracted, except for these files:")))
        ++jobsWarned_;
    ResumeClock();
    return result;
}

void JobDriver::StartClock() {
    c_.shell.JobTick().StartTick();
    clockRunning_ = true;
}

void JobDriver::PauseClock() {
    if (!clockRunning_) return;
    c_.shell.JobTick().StopTick();
    clockRunning_ = false;
}

void JobDriver::ResumeClock() {
    c_.shell.JobTick().RestartTick();
    clockRunning_ = true;
}

}  // namespace vko
