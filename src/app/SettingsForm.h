#pragma once

#include <QString>

#include "app/AppState.h"

namespace vko {

// What the settings dialog holds when the user confirms it.
struct SettingsForm {
    QString Path;
    QString Password;
    bool Ask = false;
    bool ClearPassword = false;
    bool UseCompression = false;
};

// Takes the confirmed dialog into state and tells whether a persisted setting changed; a new
// password alone is not a change, since it is never stored.
[[nodiscard]] bool ApplySettingsForm(AppState& state, const SettingsForm& form);

}  // namespace vko
