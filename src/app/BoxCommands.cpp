// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/BoxCommands.h"

#include "app/DamagedFilesPrompt.h"
#include "app/EnginePassword.h"
#include "app/ExistingFilesPrompt.h"
#include "app/JobDriver.h"
#include "app/PathText.h"
#include "app/VerifyResult.h"

namespace vko {

QList<int32_t> ExtractListEntries(const QString& list) {
    QList<int32_t> entries;
    for (const QString& entry : list.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
        bool ok = false;
        const int32_t number = entry.toInt(&ok);
        if (ok) entries.append(number);
    }
    return entries;
}

QString ExtractedFilesLine(qsizetype count, const QString& seconds, const QLocale& locale,
                           bool warned) {
    if (warned)
        return QStringLiteral("Extracted with warnings in ") + seconds + QStringLiteral(" seconds");
    const QString files =
        count == 1 ? QStringLiteral("1 file")
                   : locale.toString(static_cast<qlonglong>(count)) + QStringLiteral(" files");
    return QStringLiteral("Extracted ") + files + QStringLiteral(" in ") + seconds +
           QStringLiteral(" seconds");
}

void BoxCommands::ViewBox(const QString& boxFile) {
    AppShell& shell = c_.shell;
    AppState& state = c_.State();
    const bool memorized = !state.MemorizedPassword.isEmpty();
    if (memorized) state.DialogResult = 1;
    if (ReadBoxHeader(c_, boxFile, !memorized) != HeaderRead::Opened) return;
    BoxContents contents = ReadContents(shell.Vaultkeep(), c_.locale);
    contents.File = FilePart(boxFile);
    viewedRoot_ = PathFromBytes(shell.Vaultkeep().RootPath());
    viewedFiles_ = contents.Rows.size();
    ReportProblems(c_, QStringLiteral("This box is damaged:"));

    state.PasswordVerified = true;
    state.BoxFile = boxFile;
    state.DialogResult = 0;
    QString folder;  // the box shown as a folder, while this window is open
    const QString name = PathFromBytes(shell.Vaultkeep().BlockName());
    contents.OpenAsFolder = [this, boxFile, name, &folder] {
        return OpenAsFolder(boxFile, name, folder);
    };
    const ContentsChoice choice = c_.dialogs.Contents(contents);
    if (!folder.isEmpty()) {
        views_.Close(folder);
        RemoveListItem(c_.lstFiles, folder);
    }
    if (choice.Result < 1 || choice.Result > 3) return;
    state.DialogResult = choice.Result;
    if (choice.Result == 2) state.ExtractList = choice.ExtractList;
    state.AppTimerMode = 1;
    c_.AppTimer.start();
}

QString BoxCommands::OpenAsFolder(const QString& boxFile, const QString& name, QString& folder) {
    if (!folder.isEmpty()) return folder;
    AppState& state = c_.State();
    if (state.MemorizedPassword.isEmpty()) {
        c_.shell.UserMessages().Inform(
            QStringLiteral("The password is no longer remembered: open the box again."),
            Messages::Icon::Information);
        return {};
    }
    const JobGate::Hold hold(c_.gate);  // opening it keys the engine's cipher for a moment
    folder = views_.Open(boxFile, EnginePassword(state.MemorizedPassword), name);
    if (!folder.isEmpty()) c_.lstFiles.List(folder);
    return folder;
}

void BoxCommands::BeginBoxExtraction() {
    AppState& state = c_.State();
    state.AppTimerMode = 0;
    c_.AppTimer.stop();
    const QString boxFile = state.BoxFile;
    const int16_t choice = state.DialogResult;
    if (choice == 3) {
        VerifyBox(boxFile);
        return;
    }
    if (choice != 1 && choice != 2) return;

    // The root of the box shown, not the engine's: a job may have run in between.
    AskExtractFolder(c_, viewedRoot_, boxFile);
    if (state.DialogResult != 1 || state.BoxFolder.isEmpty()) return;
    state.DialogResult = choice;
    const QString target = WithSeparator(state.BoxFolder);

    if (choice == 1) {
        c_.lstFiles.List(boxFile);  // listed for as long as its job waits and runs
        c_.shell.ExtractQueue.append(boxFile);
        c_.pump();
        c_.Timer.start();
        return;
    }
    ExtractSelected(boxFile, target);
}

bool BoxCommands::OpenForChosen(const QString& boxFile, const QString& target) {
    AppState& state = c_.State();
    int16_t opened = BlockResult::kReadNotABox;
    if (!EngineFailed(c_,
                      [&] {
                          opened = c_.shell.Vaultkeep().DynamicExtractBlock(
                              PathBytes(boxFile), PathBytes(target),
                              EnginePassword(state.MemorizedPassword));
                      }) &&
        opened == BlockResult::kReadOk)
        return true;
    // The engine has told the user why and closed the box; a password that did not open it is
    // not offered again.
    if (opened != BlockResult::kReadOk) state.MemorizedPassword.clear();
    c_.shell.SetIcon(0);
    c_.shell.SetStatus(QStringLiteral("Box not extracted"));
    return false;
}

namespace {

// The chosen entries that name a file of the box read last, less those skipped.
struct ChosenFiles {
    qsizetype files = 0;
    int64_t bytes = 0;
    int64_t stored = 0;  // what the engine counts, file by file
};

ChosenFiles Tally(const CCipherBlock& engine, const QList<int32_t>& entries,
                  const SkippedRecords* skipped = nullptr) {
    ChosenFiles tally;
    for (const int32_t entry : entries) {
        if (entry < 1 || entry > static_cast<int32_t>(engine.Files().size())) continue;
        if (skipped && skipped->Contains(entry - 1)) continue;
        ++tally.files;
        tally.bytes += engine.Record(entry - 1).Size;
        tally.stored += engine.Record(entry - 1).Stored;
    }
    return tally;
}

}  // namespace

void BoxCommands::ExtractSelected(const QString& boxFile, const QString& target) {
    AppShell& shell = c_.shell;
    AppState& state = c_.State();
    CCipherBlock& engine = shell.Vaultkeep();
    const JobGate::Hold hold(c_.gate);
    shell.SetIcon(1);
    shell.SetStatus(QStringLiteral("Extracting ") + FilePart(boxFile) + QStringLiteral("..."));
    const EngineRun run(c_, JobProgress::Plain);
    if (!OpenForChosen(boxFile, target)) return;

    // Known once the box is open: a job may have read another box since it was shown.
    const QList<int32_t> entries = ExtractListEntries(state.ExtractList);
    // Asked before the first file is written, and before the stopwatch starts.
    const ExistingFilesPrompt prompt(c_, state.BoxFolder);
    bool cancelled = false;
    bool failed = EngineFailed(c_, [&] {
        cancelled = !engine.PrepareEntries({entries.begin(), entries.end()}, PathBytes(target));
    });
    shell.Progress().BeginJob(ExtractProgress(engine), entries.size(),
                              Tally(engine, entries).stored);
    shell.JobTick().StartTick();
    if (!failed && !cancelled)
        failed = EngineFailed(c_, [&] {
            for (const int32_t entry : entries) {
                engine.DynamicExtractToFile(entry, PathBytes(target));
                c_.pump();
                cancelled = state.CancelProcess || state.CancelJob;
                if (cancelled) break;
            }
        });
    // Files that do not match their tags are asked about once, then named with the others.
    std::vector<FileProblem> problems = engine.Problems();
    bool writtenAnyway = false;
    if (!failed && !cancelled) {
        DamagedFilesPrompt damaged(c_, boxFile, state.BoxFolder);
        if (damaged.Ask([&](bool asking) {
                asking ? shell.JobTick().StopTick() : shell.JobTick().RestartTick();
            })) {
            writtenAnyway = true;
            failed = EngineFailed(c_, [&] { damaged.WriteAnyway(); });
            cancelled = state.CancelProcess || state.CancelJob;
        }
        problems = damaged.Settle(engine.Problems());
    }
    shell.JobTick().StopTick();
    const bool warned =
        !failed &&
        ReportProblems(c_,
                       writtenAnyway ? QStringLiteral("These files are damaged or were not "
                                                      "extracted:")
                                     : QStringLiteral("These files were not extracted:"),
                       problems);
    const SkippedRecords skipped(engine, state.BoxFolder);
    const ChosenFiles written = Tally(engine, entries, &skipped);
    engine.DynamicClose();
    shell.SetIcon(0);
    if (prompt.Cancelled()) {
        shell.SetStatus(NothingExtractedLine(FolderName(state.BoxFolder)));
    } else if (cancelled) {
        // The file in progress was left as it was; the count of the others is not claimed.
        shell.SetStatus(QStringLiteral("Extraction cancelled"));
    } else if (failed) {
        shell.SetStatus(QStringLiteral("Extraction stopped by an error"));
    } else {
        shell.SetStatus(
            ExtractedFilesLine(written.files,
                               SecondsText(shell.JobTick().ElapsedTicks(), c_.locale), c_.locale,
                               warned) +
            (warned ? QString() : QStringLiteral(": ") + SizeText(written.bytes, c_.locale)) +
            QStringLiteral(" into ") + FolderName(state.BoxFolder) +
            SkippedText(skipped.Count(), c_.locale) +
            UnsealedText(engine.Format() != BoxFormat::Format::kSealed, c_.locale));
        c_.lstFiles.AddResult(state.BoxFolder,
                              QStringLiteral("Files extracted from ") + FilePart(boxFile));
    }
    if (state.CancelProcess) c_.window.CloseProgram();
}

void BoxCommands::VerifyBox(const QString& boxFile) {
    AppShell& shell = c_.shell;
    AppState& state = c_.State();
    CCipherBlock& engine = shell.Vaultkeep();
    const QString name = FilePart(boxFile);
    const JobGate::Hold hold(c_.gate);
    shell.SetIcon(1);
    shell.SetStatus(QStringLiteral("Verifying ") + name + QStringLiteral("..."));
    int16_t result = BlockResult::kReadNotABox;
    shell.JobTick().StartTick();
    bool failed = false;
    {
        const EngineRun run(c_, JobProgress::Plain, viewedFiles_);
        failed = EngineFailed(c_, [&] {
            result =
                engine.VerifyBlock(PathBytes(boxFile), EnginePassword(state.MemorizedPassword));
        });
    }
    shell.JobTick().StopTick();
    shell.SetIcon(0);
    const QString seconds = SecondsText(shell.JobTick().ElapsedTicks(), c_.locale);
    if (failed) {
        shell.SetStatus(QStringLiteral("Verification stopped by an error"));
    } else if (result == BlockResult::kReadNotABox) {
        // The box changed since it was shown; its password is not offered again.
        shell.UserMessages().Inform(QString::fromLatin1(kHeaderDamagedMessage));
        state.MemorizedPassword.clear();
        shell.SetStatus(QStringLiteral("Box not verified"));
    } else if (result != BlockResult::kReadOk || state.CancelProcess) {
        shell.SetStatus(QStringLiteral("Verification cancelled"));
    } else {
        ReportVerification(c_, boxFile, seconds);
    }
    if (state.CancelProcess) c_.window.CloseProgram();
}

}  // namespace vko
