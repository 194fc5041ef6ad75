#include "app/JobContext.h"

#include <QFileInfo>
#include <exception>

#include "app/EnginePassword.h"
#include "app/PathText.h"

namespace vko {

void AskPassword(JobContext& c, const QString& boxFile) {
    AppState& state = c.State();
    state.DialogResult = 0;
    auto answer = c.dialogs.Password(FilePart(boxFile), state.MemorizedPassword);
    if (answer) {
        state.MemorizedPassword = *answer;
        WipeText(*answer);
        state.DialogResult = 1;
    }
    c.pump();
}

EngineRun::EngineRun(JobContext& c, JobProgress kind) : c_(c) {
    c_.State().CancelJob = false;
    ++c_.enginesRunning;
    c_.view.ShowJobRunning(true);
    c_.shell.Progress().BeginJob(kind);
}

EngineRun::~EngineRun() {
    if (--c_.enginesRunning == 0) c_.view.ShowJobRunning(false);
    c_.State().CancelJob = false;
}

JobProgress ExtractProgress(const CCipherBlock& engine) {
    return engine.Compressed() == 1 ? JobProgress::CompressedExtract : JobProgress::Plain;
}

namespace {

// A path that cannot hold a box at all gets its own message, never a password prompt.
bool IsBoxFileCandidate(JobContext& c, const QString& boxFile) {
    const QFileInfo info(boxFile);
    if (info.isFile()) return true;
    c.shell.UserMessages().Inform(
        info.exists() ? QStringLiteral("\"%1\" is a folder, not a box file.").arg(boxFile)
                      : QStringLiteral("The box file \"%1\" cannot be found.").arg(boxFile));
    return false;
}

}  // namespace

HeaderRead ReadBoxHeader(JobContext& c, const QString& boxFile, bool askFirst) {
    AppState& state = c.State();
    if (!IsBoxFileCandidate(c, boxFile)) return HeaderRead::Failed;
    for (bool ask = askFirst;; ask = true) {
        if (ask) {
            AskPassword(c, boxFile);
            if (state.MemorizedPassword.isEmpty() || state.DialogResult == 0)
                return HeaderRead::NotAsked;
        }
        int16_t read = BlockResult::kReadNotABox;
        {
            const JobGate::Hold hold(c.gate);
            if (EngineFailed(c, [&] {
                    read = c.shell.Vaultkeep().ViewBlock(PathBytes(boxFile),
                                                         EnginePassword(state.MemorizedPassword));
                }))
                return HeaderRead::Failed;
        }
        if (read == BlockResult::kReadOk) return HeaderRead::Opened;
        c.shell.UserMessages().Inform(QString::fromLatin1(kHeaderDamagedMessage));
        state.MemorizedPassword.clear();
    }
}

QString ExtractFolderProposal(const QString& defaultFolder, const QString& rootName) {
    if (rootName.isEmpty()) return defaultFolder;
    const QString base =
        defaultFolder.mid(1, 1) == QLatin1String(":") ? defaultFolder.left(3) : defaultFolder;
    return WithSeparator(base) + rootName;
}

void AskExtractFolder(JobContext& c, const QString& rootName) {
    AppState& state = c.State();
    state.DialogResult = 0;
    const auto answer =
        c.dialogs.ExtractFolder(ExtractFolderProposal(state.DefaultFolder, rootName));
    if (answer) {
        state.BoxFolder = *answer;
        state.DialogResult = 1;
    }
    c.pump();
}

bool EngineFailed(JobContext& c, const std::function<void()>& call) {
    try {
        call();
        return false;
    } catch (const std::exception& error) {  // vko::Failure above all
        c.shell.UserMessages().Inform(PathFromBytes(error.what()), Messages::Icon::Exclamation);
        return true;
    }
}

}  // namespace vko
