// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include "app/AppState.h"

namespace vko {

// What the settings dialog holds when the user confirms it. "ShowDialog" is not among it: no
// job consults that setting, so the dialog does not offer it, and its stored value is kept.
struct SettingsForm {
    QString Path;
    QString Password;
    bool ClearPassword = false;
    bool UseCompression = false;
};

// Takes the confirmed dialog into state and tells whether a persisted setting changed; a new
// password alone is not a change, since it is never stored.
[[nodiscard]] bool ApplySettingsForm(AppState& state, const SettingsForm& form);

}  // namespace vko
