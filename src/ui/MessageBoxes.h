#pragma once

#include <memory>

#include "app/Messages.h"

namespace vko {

// Modal message boxes titled with the application title.
class MessageBoxes : public Messages {
public:
    void Inform(const QString& text, Icon icon = Icon::Information) override;
    bool AskYesNo(const QString& text) override;
};

// Messages written to the error stream instead of shown, questions answered Yes; for
// scripted runs of the whole program (VKO_TEST_MESSAGES=print), never for users.
class PrintedMessages : public Messages {
public:
    void Inform(const QString& text, Icon icon = Icon::Information) override;
    bool AskYesNo(const QString& text) override;
};

// Message boxes, or printed messages when the environment asks for them.
[[nodiscard]] std::unique_ptr<Messages> MessagesForEnvironment();

}  // namespace vko
