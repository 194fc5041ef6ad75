// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/DamagedFilesPrompt.h"

#include <map>

#include "app/BoxContents.h"
#include "app/EnginePassword.h"
#include "app/PathText.h"
#include "app/ProblemText.h"
#include "engine/CCipherBlock.h"

namespace vko {

QString DamagedFilesQuestion(const std::vector<std::string>& damaged, const QString& box,
                             const QString& folder, const QLocale& locale, int shownAtMost) {
    const bool one = damaged.size() == 1;
    QString text = one ? QStringLiteral("A file of ") + box +
                             QStringLiteral(
                                 " failed its check against the box's seal: it is damaged, or "
                                 "was changed after the box was made. It was not written:\n")
                       : locale.toString(static_cast<qlonglong>(damaged.size())) +
                             QStringLiteral(" files of ") + box +
                             QStringLiteral(
                                 " failed their check against the box's seal: they are "
                                 "damaged, or were changed after the box was made. They were not "
                                 "written:\n");
    text += PathsBelow(damaged, folder, locale, shownAtMost);
    const QString them = one ? QStringLiteral("it") : QStringLiteral("them");
    return text + QStringLiteral("\n\nWrite ") + them +
           (one ? QStringLiteral(" as it is") : QStringLiteral(" as they are")) +
           QStringLiteral(", named as damaged, or leave ") + them + QStringLiteral(" out?");
}

DamagedFilesPrompt::DamagedFilesPrompt(JobContext& c, QString box, QString folder)
    : c_(c), box_(std::move(box)), folder_(std::move(folder)) {
    const CCipherBlock& engine = c_.shell.Vaultkeep();
    paths_ = engine.Unverified();
    if (paths_.empty()) return;
    // Each path is the first record of that path: extraction takes no later one.
    std::set<std::string> left(paths_.begin(), paths_.end());
    const std::string base = PathBytes(WithSeparator(folder_));
    const auto records = static_cast<int32_t>(engine.Files().size());
    for (int32_t i = 0; i < records && !left.empty(); ++i)
        if (left.erase(base + EntryPath(engine, engine.Record(i))) > 0) numbers_.push_back(i + 1);
}

bool DamagedFilesPrompt::Ask(const std::function<void(bool)>& around) {
    if (paths_.empty()) return false;
    if (around) around(true);
    const bool write = c_.shell.UserMessages().AskWriteDamaged(
        DamagedFilesQuestion(paths_, FilePart(box_), folder_, c_.locale));
    if (around) around(false);
    if (write) written_.insert(paths_.begin(), paths_.end());
    return write;
}

void DamagedFilesPrompt::WriteAnyway() {
    CCipherBlock& engine = c_.shell.Vaultkeep();
    const AppState& state = c_.State();
    // Only these files are written as they are; the next extraction leaves damaged files out.
    struct KeepDamaged {
        explicit KeepDamaged(CCipherBlock& e) : engine(e) { engine.SetKeepDamaged(true); }
        ~KeepDamaged() { engine.SetKeepDamaged(false); }
        CCipherBlock& engine;
    } keep(engine);
    int64_t stored = 0;
    for (const int32_t number : numbers_) stored += engine.Record(number - 1).Stored;
    c_.shell.Progress().BeginJob(ExtractProgress(engine), static_cast<int64_t>(numbers_.size()),
                                 stored);
    for (const int32_t number : numbers_) {
        engine.DynamicExtractToFile(number, PathBytes(WithSeparator(folder_)));
        c_.pump();
        if (state.CancelProcess || state.CancelJob) break;
    }
}

std::vector<FileProblem> DamagedFilesPrompt::Settle(
    const std::vector<FileProblem>& problems) const {
    std::vector<FileProblem> settled;
    std::map<std::string, size_t> at;  // where each file written anyway is named
    std::set<std::pair<std::string, std::string>> said;
    for (const FileProblem& problem : problems) {
        if (written_.contains(problem.path)) {
            const auto [place, first] = at.try_emplace(problem.path, settled.size());
            if (!first) {
                settled[place->second] = problem;
                continue;
            }
        } else if (!said.insert({problem.path, problem.reason}).second) {
            continue;
        }
        settled.push_back(problem);
    }
    return settled;
}

DamagedOutcome OfferDamagedFiles(JobContext& c, const QString& box, const QString& folder,
                                 bool replace, const std::function<void(bool)>& around) {
    CCipherBlock& engine = c.shell.Vaultkeep();
    std::vector<FileProblem> problems = engine.Problems();
    DamagedFilesPrompt damaged(c, box, folder);
    if (!damaged.Ask(around)) return {problems, false};
    // The files to be written were not there, or were to be replaced.
    engine.SetExistingFiles(replace ? ExistingFiles::kReplace : ExistingFiles::kKeep);
    bool opened = false;
    (void)EngineFailed(c, [&] {
        opened = engine.DynamicExtractBlock(PathBytes(box), PathBytes(folder),
                                            EnginePassword(c.State().MemorizedPassword)) ==
                 BlockResult::kReadOk;
        if (opened) damaged.WriteAnyway();
    });
    if (opened) problems.insert(problems.end(), engine.Problems().begin(), engine.Problems().end());
    engine.DynamicClose();
    return {damaged.Settle(problems), true};
}

}  // namespace vko
