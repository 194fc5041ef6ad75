// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/ExistingTargets.h"

#include "engine/FileProblem.h"

namespace vko::ExistingTargets {

std::optional<ExistingFiles> Settle(BlockState& s, const std::vector<std::string>& targets,
                                    const std::vector<bool>& existing) {
    if (s.existingFiles != ExistingFiles::kAsk) return s.existingFiles;
    std::vector<std::string> there;
    for (size_t i = 0; i < targets.size(); ++i)
        if (existing[i]) there.push_back(targets[i]);
    if (there.empty()) return ExistingFiles::kKeep;
    switch (s.host.AskExistingFiles(there)) {
        case ExistingAnswer::kReplace:
            return ExistingFiles::kReplace;
        case ExistingAnswer::kSkip:
            return ExistingFiles::kSkip;
        case ExistingAnswer::kCancel:
            break;
    }
    return std::nullopt;
}

void Leave(BlockState& s, ExistingFiles choice, const std::string& target) {
    if (choice == ExistingFiles::kSkip)
        s.skipped.push_back(target);
    else
        s.problems.push_back({target, ProblemReason::Exists()});
}

}  // namespace vko::ExistingTargets
