// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <deque>
#include <functional>

#include "app/AppState.h"

namespace vko {

// Keeps the box engine to one operation at a time. The engine lets window messages run in the
// middle of its work, so timer ticks, menu commands and double clicks arrive while a job is on
// the call stack. Whatever holds the gate (a job batch, a box command inside the engine) makes
// such requests wait: they are kept in order and run from the event loop once the last hold is
// released. After a confirmed cancel nothing kept runs any more.
class JobGate : public QObject {
public:
    explicit JobGate(const AppState& state);

    [[nodiscard]] bool Busy() const noexcept { return holds_ > 0; }
    // Called with true when the first hold is taken and with false when the last goes.
    void OnBusyChanged(std::function<void(bool)> changed) { busyChanged_ = std::move(changed); }

    // Runs request now when nothing holds the gate, or keeps it for later.
    void RunOrDefer(std::function<void()> request);
    // Keeps request for the next release, even when idle now.
    void Defer(std::function<void()> request);
    [[nodiscard]] size_t Deferred() const noexcept { return deferred_.size(); }

    // Holds the gate for its lifetime.
    class Hold {
    public:
        explicit Hold(JobGate& gate);
        ~Hold();
        Hold(const Hold&) = delete;
        Hold& operator=(const Hold&) = delete;

    private:
        JobGate& gate_;
    };

private:
    void Release();
    void RunDeferred();

    const AppState& state_;
    int holds_ = 0;
    bool scheduled_ = false;
    bool running_ = false;  // a kept request is on the call stack
    std::deque<std::function<void()>> deferred_;
    std::function<void(bool)> busyChanged_;
};

}  // namespace vko
