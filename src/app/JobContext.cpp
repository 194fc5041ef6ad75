#include "app/JobContext.h"

#include <exception>

#include "app/PathText.h"
#include "app/ProblemText.h"

namespace vko {

void AskPassword(JobContext& c, const QString& boxFile) {
    AppState& state = c.State();
    state.DialogResult = 0;
    const auto answer = c.dialogs.Password(FilePart(boxFile), state.MemorizedPassword);
    if (answer) {
        state.MemorizedPassword = *answer;
        state.DialogResult = 1;
    }
    c.pump();
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

bool ReportProblems(JobContext& c, const QString& heading) {
    const std::vector<FileProblem>& problems = c.shell.Vaultkeep().Problems();
    if (problems.empty()) return false;
    c.shell.UserMessages().Inform(ProblemListText(heading, problems, c.locale),
                                  Messages::Icon::Exclamation);
    return true;
}

}  // namespace vko
