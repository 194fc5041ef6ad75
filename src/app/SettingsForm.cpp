// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/SettingsForm.h"

namespace vko {

namespace {
int16_t Checked(bool ticked) {
    return ticked ? 1 : 0;
}
}  // namespace

bool ApplySettingsForm(AppState& state, const SettingsForm& form) {
    state.MemorizedPassword = form.Password;
    const bool changed = form.Path != state.DefaultFolder ||
                         Checked(form.ClearPassword) != state.ClearPassword ||
                         Checked(form.UseCompression) != state.UseCompression;
    state.DefaultFolder = form.Path;
    state.ClearPassword = Checked(form.ClearPassword);
    state.UseCompression = Checked(form.UseCompression);
    return changed;
}

}  // namespace vko
