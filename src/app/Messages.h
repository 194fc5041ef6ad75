// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <functional>

#include "engine/BlockHost.h"
#include "engine/ExistingFiles.h"

namespace vko {

// The user's attention: modal message boxes titled with the application title. Tests answer
// through their own implementation so that nothing ever blocks.
class Messages {
public:
    using Icon = BlockHost::Icon;
    // The answer a question gives when the user just presses Enter.
    enum class Answer { Yes, No };

    virtual ~Messages() = default;

    // A message with an OK button.
    virtual void Inform(const QString& text, Icon icon = Icon::Information) = 0;
    // A message with an OK button under a title of its own.
    virtual void Report(const QString& /*title*/, const QString& text, Icon icon) {
        Inform(text, icon);
    }
    // A question with Yes and No buttons; true for Yes.
    [[nodiscard]] virtual bool AskYesNo(const QString& text, Answer preferred = Answer::Yes) = 0;
    // The same question without waiting for it: answered gets true for Yes once the user has
    // answered, and whatever runs meanwhile (a job inside the engine) goes on as it was. This
    // default asks, and answers, at once.
    virtual void AskYesNoLater(const QString& text, std::function<void(bool)> answered,
                               Answer preferred = Answer::Yes) {
        answered(AskYesNo(text, preferred));
    }
    // The question about the files an extraction would write that are already there, with
    // Replace, Skip and Cancel; Escape and the close box cancel.
    [[nodiscard]] virtual ExistingAnswer AskExistingFiles(const QString& text) = 0;
    // The question about the files an extraction left out because their contents do not match
    // their tags, with Write Anyway and Leave Out; true for Write Anyway. Enter, Escape and the
    // close box leave them out.
    [[nodiscard]] virtual bool AskWriteDamaged(const QString& text) = 0;
};

}  // namespace vko
