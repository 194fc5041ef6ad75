// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QSize>
#include <QString>
#include <QVariant>
#include <cstdint>

#include "app/AppState.h"

namespace vko {

// The four persisted settings in INI files: the current location, read at start-up and
// written by Save, and a legacy location that is only ever read.
class SettingsStore {
public:
    // Explicit files, for tests and for callers that keep settings elsewhere.
    SettingsStore(QString currentFile, QString legacyFile);

    // The user's files: "<config>/Vaultkeep Software/Vaultkeep Orb.ini" and the legacy
    // "<config>/Vaultkeep Orb/Vaultkeep Orb.ini".
    [[nodiscard]] static SettingsStore ForUser();

    // Reads DefaultFolder, ShowDialog, ClearPassword and UseCompression. Without a "Path"
    // anywhere, DefaultFolder is left empty for the caller to choose.
    void Load(AppState& state) const;

    // Writes all four settings to the current location; false when the file could not be
    // written.
    [[nodiscard]] bool Save(const AppState& state) const;

    // The size a window was left at, in the current file's own section beside the settings;
    // an invalid size when none was kept.
    [[nodiscard]] QSize WindowSize(const QString& window) const;
    void SaveWindowSize(const QString& window, QSize size) const;

    [[nodiscard]] const QString& CurrentFile() const noexcept { return current_; }
    [[nodiscard]] const QString& LegacyFile() const noexcept { return legacy_; }

private:
    QString current_;
    QString legacy_;
};

// A stored number: decimal text of a 16-bit integer, spaces around it allowed; anything
// else (absent, empty, fractional, out of range, not a number) gives fallback.
[[nodiscard]] int16_t SettingToInt16(const QVariant& value, int16_t fallback);

}  // namespace vko
