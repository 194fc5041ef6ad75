#pragma once

#include <string>
#include <vector>

#include "engine/BlockHost.h"

namespace vko::cli {

// The engine's host on a command line: the cancel flag comes from the signal handlers, messages
// go to standard error, and questions are asked on the terminal (Yes when there is none, so an
// unattended run stops rather than ploughing on after damage).
class TerminalHost : public BlockHost {
public:
    bool CancelRequested() override;
    void PumpMessages() override {}
    void ShowMessage(const std::string& text, Icon icon) override;
    bool AskYesNo(const std::string& text) override;

    // Whether the engine has already shown this exact text (so vkx does not repeat it).
    [[nodiscard]] bool HasShown(const std::string& text) const;
    // Whether the engine reported anything at all: a run that returns success after reporting
    // a problem did not fully succeed.
    [[nodiscard]] bool ReportedProblems() const noexcept { return !shown_.empty(); }

private:
    std::vector<std::string> shown_;
};

// Prints "vkx: " + text on standard error, one line per line of text.
void PrintError(const std::string& text);

}  // namespace vko::cli
