// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <functional>

#include "app/AppState.h"
#include "app/Messages.h"
#include "engine/BlockHost.h"

namespace vko {

// Connects the box engine to the application: the cancel flags of the shared state, the
// message loop, and the user's message boxes.
class EngineHost : public BlockHost {
public:
    using Pump = std::function<void()>;
    using ExistingQuestion = std::function<ExistingAnswer(const std::vector<std::string>&)>;

    // pump defaults to running the pending events of the current thread.
    EngineHost(const AppState& state, Messages& messages, Pump pump = {});

    bool CancelRequested() override;
    void PumpMessages() override;
    void ShowMessage(const std::string& text, Icon icon) override;
    bool AskYesNo(const std::string& text) override;
    ExistingAnswer AskExistingFiles(const std::vector<std::string>& existing) override;

    // Who answers the engine's question about files already there; without anyone (as when
    // no extraction has said how to ask) the job is cancelled and nothing is replaced.
    void AnswerExistingWith(ExistingQuestion question) { existing_ = std::move(question); }

private:
    const AppState& state_;
    Messages& messages_;
    Pump pump_;
    ExistingQuestion existing_;
};

}  // namespace vko
