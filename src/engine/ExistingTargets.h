// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "engine/BlockState.h"
#include "engine/ExistingFiles.h"

// What an extraction does with the files it would write that are already there.
namespace vko::ExistingTargets {

// The choice for this job: the engine's own, or under kAsk the host's answer, asked once, with
// the paths of the targets that are there (existing[i] tells for targets[i]), and only when
// there are any; when none is, files that appear later are kept. Nothing when the host
// cancelled the job.
[[nodiscard]] std::optional<ExistingFiles> Settle(BlockState& s,
                                                  const std::vector<std::string>& targets,
                                                  const std::vector<bool>& existing);

// A target that is there and is not replaced: named as kept, or, skipped, remembered as such.
void Leave(BlockState& s, ExistingFiles choice, const std::string& target);

}  // namespace vko::ExistingTargets
