#pragma once

#include <QString>

#include "engine/BlockHost.h"

namespace vko {

// The user's attention: modal message boxes titled with the application title. Tests answer
// through their own implementation so that nothing ever blocks.
class Messages {
public:
    using Icon = BlockHost::Icon;

    virtual ~Messages() = default;

    // A message with an OK button.
    virtual void Inform(const QString& text, Icon icon = Icon::Information) = 0;
    // A question with Yes and No buttons; true for Yes.
    [[nodiscard]] virtual bool AskYesNo(const QString& text) = 0;
};

}  // namespace vko
