// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <memory>

#include "app/Messages.h"

class QWidget;

namespace vko {

// Modal message boxes titled with the application title, over the window in front.
class MessageBoxes : public Messages {
public:
    void Inform(const QString& text, Icon icon = Icon::Information) override;
    void Report(const QString& title, const QString& text, Icon icon) override;
    bool AskYesNo(const QString& text, Answer preferred = Answer::Yes) override;
    // Window-modal over the window in front (else the main window, even hidden), with no event
    // loop of its own: a job that lets window messages run keeps running under it.
    void AskYesNoLater(const QString& text, std::function<void(bool)> answered,
                       Answer preferred = Answer::Yes) override;
    // Window-modal over the window in front; Enter skips.
    ExistingAnswer AskExistingFiles(const QString& text) override;
    // Window-modal over the window in front, with a warning icon.
    bool AskWriteDamaged(const QString& text) override;
};

// Messages written to the error stream instead of shown, questions answered Yes (files already
// there: Skip, so that nothing is replaced without a person; damaged files: left out); for
// scripted runs of the whole program (VKO_TEST_MESSAGES=print), never for users.
class PrintedMessages : public Messages {
public:
    void Inform(const QString& text, Icon icon = Icon::Information) override;
    bool AskYesNo(const QString& text, Answer preferred = Answer::Yes) override;
    ExistingAnswer AskExistingFiles(const QString& text) override;
    bool AskWriteDamaged(const QString& text) override;
};

// Message boxes that are also written to the error stream, so that a scripted run can check
// what it answers (VKO_TEST_MESSAGES=log).
class LoggedMessages : public MessageBoxes {
public:
    void Inform(const QString& text, Icon icon = Icon::Information) override;
    void Report(const QString& title, const QString& text, Icon icon) override;
    bool AskYesNo(const QString& text, Answer preferred = Answer::Yes) override;
    void AskYesNoLater(const QString& text, std::function<void(bool)> answered,
                       Answer preferred = Answer::Yes) override;
    ExistingAnswer AskExistingFiles(const QString& text) override;
    bool AskWriteDamaged(const QString& text) override;
};

// The window a message box belongs over: the modal dialog in front, else the active window,
// else the main window when it is shown; nothing when no window of the program is shown.
[[nodiscard]] QWidget* FrontWindow();

// Message boxes, or printed or logged ones when the environment asks for them.
[[nodiscard]] std::unique_ptr<Messages> MessagesForEnvironment();

}  // namespace vko
