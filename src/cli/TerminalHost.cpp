// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/TerminalHost.h"

#include <algorithm>
#include <cstdio>

#include "cli/CancelSignal.h"
#include "cli/DisplayText.h"
#include "cli/StatusLine.h"

namespace vko::cli {

bool TerminalHost::CancelRequested() {
    return CancelSignal::Raised();
}

void TerminalHost::ShowMessage(const std::string& text, Icon) {
    shown_.push_back(text);
    PrintError(text);
}

// The engine's only question is whether to abort after a damaged file, which it does not ask
// a host that AsksAboutDamage() says no to: any other would be answered No, which changes
// nothing.
bool TerminalHost::AskYesNo(const std::string& text) {
    shown_.push_back(text);
    return false;
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
