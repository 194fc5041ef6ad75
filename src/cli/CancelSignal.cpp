// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/CancelSignal.h"

#include <csignal>
#include <initializer_list>

namespace vko::cli::CancelSignal {

namespace {

volatile std::sig_atomic_t raised = 0;

// Async-signal-safe: only the flag is touched here.
extern "C" void OnSignal(int) {
    raised = raised + 1;
}

}  // namespace

void Install() {
    struct sigaction action {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = 0;
    for (int number : {SIGINT, SIGTERM, SIGHUP}) sigaction(number, &action, nullptr);
}

bool Raised() noexcept {
    return raised != 0;
}

int Count() noexcept {
    return raised;
}

}  // namespace vko::cli::CancelSignal
