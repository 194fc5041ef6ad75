// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/JobContext.h"

#include <QFileInfo>

#include <exception>

#include "app/EnginePassword.h"
#include "app/PathText.h"
#include "app/ProblemText.h"
#include "engine/BoxProbe.h"

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

EngineRun::EngineRun(JobContext& c, JobProgress kind, int64_t files, int64_t bytesOfEachFile)
    : c_(c) {
    c_.State().CancelJob = false;
    ++c_.enginesRunning;
    c_.view.ShowJobRunning(true);
    c_.shell.Progress().BeginJob(kind, files, bytesOfEachFile);
}

EngineRun::~EngineRun() {
    if (--c_.enginesRunning == 0) c_.view.ShowJobRunning(false);
    c_.State().CancelJob = false;
}

JobProgress ExtractProgress(const CCipherBlock& engine) {
    return engine.Compressed() == 1 ? JobProgress::CompressedExtract : JobProgress::Plain;
}

namespace {

// A file that cannot be a box (missing, a folder, a text file) is told so at once: no
// password could ever open it.
bool IsBoxFileCandidate(JobContext& c, const QString& boxFile) {
    const BoxProbe::Verdict verdict = BoxProbe::Probe(PathBytes(boxFile));
    if (verdict == BoxProbe::Verdict::kCouldBeBox) return true;
    c.shell.UserMessages().Inform(PathFromBytes(BoxProbe::Explain(verdict, PathBytes(boxFile))));
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

QString ExtractFolderProposal(const QString& defaultFolder, const QString& name) {
    const QString base =
        WithSeparator(defaultFolder.mid(1, 1) == QLatin1String(":") ? defaultFolder.left(3)
                                                                    : defaultFolder);
    // A folder that exists may hold newer versions of the box's files: the proposal is always
    // a folder of its own ("Photos", else "Photos (2)", "Photos (3)", ...).
    const auto taken = [](const QString& path) {
        const QFileInfo info(path);
        return info.exists() || info.isSymLink();
    };
    QString proposal = base + name;
    for (int n = 2; taken(proposal); ++n)
        proposal = base + name + QStringLiteral(" (%1)").arg(n);
    return proposal;
}

void AskExtractFolder(JobContext& c, const QString& rootName, const QString& boxFile) {
    AppState& state = c.State();
    state.DialogResult = 0;
    QString name = rootName;
    if (name.isEmpty()) name = QFileInfo(boxFile).completeBaseName();
    if (name.isEmpty()) name = QStringLiteral("Untitled");
    const auto answer = c.dialogs.ExtractFolder(ExtractFolderProposal(state.DefaultFolder, name));
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

bool ReportProblems(JobContext& c, const QString& heading) {
    return ReportProblems(c, heading, c.shell.Vaultkeep().Problems());
}

bool ReportProblems(JobContext& c, const QString& heading,
                    const std::vector<FileProblem>& problems) {
    if (problems.empty()) return false;
    c.shell.UserMessages().Inform(ProblemListText(heading, problems, c.locale),
                                  Messages::Icon::Exclamation);
    return true;
}

}  // namespace vko
