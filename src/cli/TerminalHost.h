// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <vector>

#include "engine/BlockHost.h"

namespace vko::cli {

// The engine's host on a command line: the cancel flag comes from the signal handlers and
// messages go to standard error. It asks nothing about damage: a damaged file is named among
// the engine's problems, and the run goes on with the files after it.
class TerminalHost : public BlockHost {
public:
    bool CancelRequested() override;
    void PumpMessages() override {}
    void ShowMessage(const std::string& text, Icon icon) override;
    bool AskYesNo(const std::string& text) override;
    bool AsksAboutDamage() override { return false; }

    // Whether the engine has already shown this exact text (so vkx does not repeat it).
    [[nodiscard]] bool HasShown(const std::string& text) const;

private:
    std::vector<std::string> shown_;
};

// Prints "vkx: " + text on standard error, one line per line of text.
void PrintError(const std::string& text);

}  // namespace vko::cli
