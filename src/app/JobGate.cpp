// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/JobGate.h"

#include <QScopeGuard>
#include <QTimer>

namespace vko {

JobGate::JobGate(const AppState& state) : state_(state) {}

void JobGate::RunOrDefer(std::function<void()> request) {
    if (Busy())
        Defer(std::move(request));
    else
        request();
}

void JobGate::Defer(std::function<void()> request) {
    deferred_.push_back(std::move(request));
    if (!Busy()) Release();
}

JobGate::Hold::Hold(JobGate& gate) : gate_(gate) {
    if (++gate_.holds_ == 1 && gate_.busyChanged_) gate_.busyChanged_(true);
}

JobGate::Hold::~Hold() {
    if (--gate_.holds_ == 0 && gate_.busyChanged_) gate_.busyChanged_(false);
    gate_.Release();
}

void JobGate::Release() {
    if (Busy() || deferred_.empty() || scheduled_) return;
    // From the event loop, not from inside the code that released the gate.
    scheduled_ = true;
    QTimer::singleShot(0, this, [this] { RunDeferred(); });
}

void JobGate::RunDeferred() {
    scheduled_ = false;
    // A kept request that shows a dialog runs the event loop; the rest wait for it to end
    // rather than open on top of it.
    if (running_) return;
    running_ = true;
    const auto done = qScopeGuard([this] { running_ = false; });
    while (!deferred_.empty()) {
        if (state_.CancelProcess) {
            deferred_.clear();
            return;
        }
        if (Busy()) return;  // the next release schedules the rest
        auto request = std::move(deferred_.front());
        deferred_.pop_front();
        request();
    }
}

}  // namespace vko
