// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <vector>

#include "engine/ExistingFiles.h"

namespace vko {

// What the box engine needs from the program around it: the cancel flag, a chance for the
// user interface to breathe during long operations, and the user's attention for messages.
class BlockHost {
public:
    enum class Icon { None, Information, Question, Exclamation };

    virtual ~BlockHost() = default;

    // The application's cancel flag; the engine polls it and stops at its next check.
    [[nodiscard]] virtual bool CancelRequested() = 0;
    // Lets pending window messages run (a no-op without a user interface).
    virtual void PumpMessages() = 0;
    // Asked about twenty times a second while the engine waits for its worker threads (one may
    // be stuck on a hung mount): lets the user interface run, and false gives up the wait, which
    // ends the operation as cancelled.
    [[nodiscard]] virtual bool KeepWaiting() {
        PumpMessages();
        return !CancelRequested();
    }
    // A message with an OK button.
    virtual void ShowMessage(const std::string& text, Icon icon) = 0;
    // A question with Yes and No buttons; true for Yes.
    [[nodiscard]] virtual bool AskYesNo(const std::string& text) = 0;
    // Whether someone is there to be told of a damaged file the moment it is found (a message,
    // or whether to abort the rest). Without, the file is only named among the operation's
    // problems and the work goes on.
    [[nodiscard]] virtual bool AsksAboutDamage() { return true; }
    // Asked once per extraction job, before anything is written, when files it would write are
    // already there (existing: their paths). Unless overridden nobody can answer, and nothing
    // is replaced: the job is cancelled.
    [[nodiscard]] virtual ExistingAnswer AskExistingFiles(
        const std::vector<std::string>& /*existing*/) {
        return ExistingAnswer::kCancel;
    }
};

// A host with no user: never cancels, ignores messages, never asks about damage (damaged files
// are named among the problems), answers any other question Yes.
class QuietHost : public BlockHost {
public:
    bool CancelRequested() override { return false; }
    void PumpMessages() override {}
    void ShowMessage(const std::string&, Icon) override {}
    bool AskYesNo(const std::string&) override { return true; }
    bool AsksAboutDamage() override { return false; }
};

}  // namespace vko
