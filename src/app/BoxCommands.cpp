#include "app/BoxCommands.h"

#include "app/EnginePassword.h"
#include "app/JobDriver.h"
#include "app/PathText.h"

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
    const QString files =
        count <= 1 ? QString::number(count) + QStringLiteral(" file")
                   : locale.toString(static_cast<qlonglong>(count)) + QStringLiteral(" files");
    return QStringLiteral("Extracted ") + files +
           (warned ? QStringLiteral(" with warnings in ") : QStringLiteral(" in ")) + seconds +
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
    if (choice.Result != 1 && choice.Result != 2) return;
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

void BoxCommands::ExtractSelected(const QString& boxFile, const QString& target) {
    AppShell& shell = c_.shell;
    AppState& state = c_.State();
    CCipherBlock& engine = shell.Vaultkeep();
    const JobGate::Hold hold(c_.gate);
    shell.SetIcon(1);
    shell.SetStatus(QStringLiteral("Extracting ") + FilePart(boxFile) + QStringLiteral("..."));
    const EngineRun run(c_, JobProgress::Plain);
    int16_t opened = BlockResult::kReadNotABox;
    if (EngineFailed(c_,
                     [&] {
                         opened =
                             engine.DynamicExtractBlock(PathBytes(boxFile), PathBytes(target),
                                                        EnginePassword(state.MemorizedPassword));
                     }) ||
        opened != BlockResult::kReadOk) {
        // The engine has told the user why and closed the box; a password that did not open
        // it is not offered again.
        if (opened != BlockResult::kReadOk) state.MemorizedPassword.clear();
        shell.SetIcon(0);
        shell.SetStatus(QStringLiteral("Box not extracted"));
        return;
    }

    // Known once the box is open: a job may have read another box since it was shown.
    const QList<int32_t> entries = ExtractListEntries(state.ExtractList);
    int64_t stored = 0;  // what the engine counts, file by file
    int64_t bytes = 0;
    for (const int32_t entry : entries) {
        if (entry < 1 || entry > static_cast<int32_t>(engine.Files().size())) continue;
        stored += engine.Record(entry - 1).Stored;
        bytes += engine.Record(entry - 1).Size;
    }
    shell.Progress().BeginJob(ExtractProgress(engine), entries.size(), stored);
    bool cancelled = false;
    shell.JobTick().StartTick();
    const bool failed = EngineFailed(c_, [&] {
        for (const int32_t entry : entries) {
            engine.DynamicExtractToFile(entry, PathBytes(target));
            c_.pump();
            cancelled = state.CancelProcess || state.CancelJob;
            if (cancelled) break;
        }
    });
    shell.JobTick().StopTick();
    const bool warned =
        !failed && ReportProblems(c_, QStringLiteral("These files were not extracted:"));
    engine.DynamicClose();
    shell.SetIcon(0);
    if (cancelled) {
        // The file in progress was left as it was; the count of the others is not claimed.
        shell.SetStatus(QStringLiteral("Extraction cancelled"));
    } else if (failed) {
        shell.SetStatus(QStringLiteral("Extraction stopped by an error"));
    } else {
        shell.SetStatus(ExtractedFilesLine(entries.size(),
                                           SecondsText(shell.JobTick().ElapsedTicks(), c_.locale),
                                           c_.locale, warned) +
                        (warned ? QString() : QStringLiteral(": ") + SizeText(bytes, c_.locale)) +
                        QStringLiteral(" into ") + FolderName(state.BoxFolder));
        c_.lstFiles.AddResult(state.BoxFolder,
                              QStringLiteral("Files extracted from ") + FilePart(boxFile));
    }
    if (state.CancelProcess) c_.window.CloseProgram();
}

}  // namespace vko
