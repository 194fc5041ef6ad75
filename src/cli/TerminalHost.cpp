#include "cli/TerminalHost.h"

#include <algorithm>
#include <cstdio>

#include "cli/CancelSignal.h"
#include "cli/DisplayText.h"
#include "cli/ExitCode.h"
#include "cli/StatusLine.h"
#include "cli/Terminal.h"

namespace vko::cli {

bool TerminalHost::CancelRequested() {
    return CancelSignal::Raised();
}

void TerminalHost::ShowMessage(const std::string& text, Icon) {
    shown_.push_back(text);
    PrintError(text);
}

bool TerminalHost::AskYesNo(const std::string& text) {
    shown_.push_back(text);
    StatusLine::Clear();
    auto terminal = Terminal::Open();
    if (!terminal) {
        PrintError(text + " yes (no terminal to ask on)");
        return true;
    }
    for (;;) {
        std::string answer;
        try {
            answer = terminal->ReadLine(ForDisplay(text, true) + " [Y/n] ");
        } catch (const CommandError&) {
            return true;  // Ctrl-C at the question: stop; the cancel flag is already set
        }
        if (answer.empty() || answer == "y" || answer == "Y" || answer == "yes") return true;
        if (answer == "n" || answer == "N" || answer == "no") return false;
    }
}

bool TerminalHost::HasShown(const std::string& text) const {
    return std::find(shown_.begin(), shown_.end(), text) != shown_.end();
}

void PrintError(const std::string& text) {
    StatusLine::Clear();
    std::string body = ForDisplay(text, true);
    std::fprintf(stderr, "vkx: %s\n", body.c_str());
    std::fflush(stderr);
}

}  // namespace vko::cli
