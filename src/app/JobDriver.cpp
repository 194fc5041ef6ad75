// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/JobDriver.h"

#include <QFileInfo>

#include "app/AppInfo.h"
#include "app/DamagedFilesPrompt.h"
#include "app/EnginePassword.h"
#include "app/ExistingFilesPrompt.h"
#include "app/PathText.h"
#include "app/StatusText.h"

namespace vko {

QString SecondsText(int32_t milliseconds, const QLocale& locale) {
    return locale.toString(milliseconds / 1000.0, 'f', 2);
}

namespace {

// ": 8 files, 1.56 GB into Big.vkx (1.20 MB)", or ": into 2 boxes" without counts.
QString AmountText(const BatchAmount& amount, bool counted, const char* several,
                   const QLocale& locale) {
    QString text = QStringLiteral(": ");
    if (counted)
        text += FileCountText(amount.files, locale) + QStringLiteral(", ") +
                SizeText(amount.bytes, locale) + QLatin1Char(' ');
    text += QStringLiteral("into ");
    if (amount.places.size() != 1)
        return text + QString::number(amount.places.size()) + QLatin1Char(' ') +
               QLatin1String(several);
    text += amount.places.first();
    if (amount.boxSize >= 0) text += QStringLiteral(" (") + SizeText(amount.boxSize, locale) + ')';
    return text;
}

// "; 3 hidden files left out", or nothing when none was.
QString HiddenLeftOutText(const HiddenCount& hidden) {
    const std::string text = HiddenText(hidden);
    return text.empty() ? QString() : QStringLiteral("; ") + TextFromBytes(text) +
                                          QStringLiteral(" left out");
}

}  // namespace

QString UnsealedText(int64_t boxes, const QLocale& locale) {
    if (boxes <= 0) return {};
    return QStringLiteral("; ") + locale.toString(static_cast<qlonglong>(boxes)) +
           (boxes == 1 ? QStringLiteral(" box") : QStringLiteral(" boxes")) +
           QStringLiteral(" not verified: older boxes carry no seal");
}

QString BatchResultLine(int creates, int extracts, int32_t jobsDone, const QString& seconds,
                        int jobsWarned, const BatchAmount& amount, const QLocale& locale) {
    const QString in =
        jobsWarned > 0 ? QStringLiteral(" with warnings in ") : QStringLiteral(" in ");
    const bool counted = jobsWarned == 0;
    if (creates >= 1)
        return jobsDone >= 1 ? QStringLiteral("Created") + in + seconds +
                                   QStringLiteral(" seconds") +
                                   AmountText(amount, counted, "boxes", locale) +
                                   HiddenLeftOutText(amount.hidden)
                             : QStringLiteral("Box not created");
    if (extracts < 1) return {};
    if (jobsDone >= 1)
        return QStringLiteral("Extracted") + in + seconds + QStringLiteral(" seconds") +
               AmountText(amount, counted, "folders", locale) +
               SkippedText(amount.skipped, locale) + UnsealedText(amount.unsealed, locale);
    if (amount.stoppedFiles > 0)
        return QStringLiteral("Extraction stopped: ") + FileCountText(amount.stoppedFiles, locale) +
               QStringLiteral(" already extracted into ") + amount.stoppedIn;
    if (!amount.cancelledIn.isEmpty()) return NothingExtractedLine(amount.cancelledIn);
    return QStringLiteral("Box not extracted");
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
    amount_ = BatchAmount{};
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
    if (amount_.places.size() != 1) amount_.boxSize = -1;
    const QString line = BatchResultLine(creates, extracts, shell.JobsDone,
                                         SecondsText(shell.JobTick().ElapsedTicks(), c_.locale),
                                         jobsWarned_, amount_, c_.locale);
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
    // The job's progress does not stay on the status line under the next job's dialog.
    const bool made = !failed && result == BlockResult::kCreateDone;
    shell.SetStatus((made ? QStringLiteral("Made ") : QStringLiteral("Not made: ")) +
                    FilePart(state.BoxFile));
    if (!made) return;
    ++shell.JobsDone;
    amount_.files += state.FilesInBox;
    amount_.bytes += shell.Progress().BytesTotal();
    amount_.places << FilePart(state.BoxFile);
    amount_.boxSize = QFileInfo(state.BoxFile).size();
    amount_.hidden += shell.Vaultkeep().HiddenLeftOut();
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
        AskExtractFolder(c_, PathFromBytes(shell.Vaultkeep().RootPath()), item);
    ResumeClock();
    if (state.BoxFolder.isEmpty() || state.DialogResult != 1) return kNotAsked;

    ShowJobStarting(QStringLiteral("Extracting ") + FilePart(item) + QStringLiteral("..."));
    int16_t result = BlockResult::kExtractNotABox;
    const EngineRun run(c_, ExtractProgress(shell.Vaultkeep()));
    const QString folder = FolderName(state.BoxFolder);
    // The time the user spends on the question about files already there is not the job's.
    const ExistingFilesPrompt prompt(
        c_, state.BoxFolder, [this](bool asking) { asking ? PauseClock() : ResumeClock(); });
    const bool failed = EngineFailed(c_, [&] {
        result = shell.Vaultkeep().ExtractBlock(PathBytes(item), PathBytes(state.BoxFolder),
                                                EnginePassword(state.MemorizedPassword));
    });
    if (prompt.Cancelled()) {
        shell.SetStatus(NothingExtractedLine(folder));
        amount_.cancelledIn = folder;
        return result;
    }
    shell.SetStatus((!failed && result == BlockResult::kExtractDone
                         ? QStringLiteral("Extracted into ")
                         : QStringLiteral("Not all extracted into ")) +
                    folder);
    if (failed) return BlockResult::kExtractNotABox;
    // The engine has said why the box did not open; its password is not kept for the next.
    if (result == BlockResult::kExtractNotABox) state.MemorizedPassword.clear();
    if (result != BlockResult::kExtractDone) {
        amount_.stoppedFiles += shell.Progress().Figures().filesDone;
        amount_.stoppedIn = folder;
        return result;
    }
    ++shell.JobsDone;
    CountBox(shell.Vaultkeep(), state.BoxFolder);
    amount_.places << folder;
    if (shell.Vaultkeep().Format() != BoxFormat::Format::kSealed) ++amount_.unsealed;
    c_.lstFiles.AddResult(state.BoxFolder,
                          QStringLiteral("Files extracted from ") + FilePart(item));
    // Files that do not match their tags are asked about once, then named with the others.
    const DamagedOutcome damaged =
        OfferDamagedFiles(c_, item, state.BoxFolder, prompt.Replaced(),
                          [this](bool asking) { asking ? PauseClock() : ResumeClock(); });
    PauseClock();
    if (ReportProblems(c_,
                       damaged.written
                           ? QStringLiteral("The box was extracted; these files are damaged or "
                                            "were left out:")
                           : QStringLiteral("The box was extracted, except for these files:"),
                       damaged.problems))
        ++jobsWarned_;
    ResumeClock();
    return result;
}

void JobDriver::CountBox(const CCipherBlock& engine, const QString& folder) {
    const SkippedRecords skipped(engine, folder);
    const auto records = static_cast<int32_t>(engine.Files().size());
    for (int32_t i = 0; i < records; ++i) {
        if (skipped.Contains(i)) continue;
        amount_.bytes += engine.Record(i).Size;
        ++amount_.files;
    }
    amount_.skipped += skipped.Count();
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
