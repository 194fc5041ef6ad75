// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <cstdint>

#include "app/MemorizedPassword.h"

namespace vko {

// The variables that every window and the box engine share for the life of the process.
// Check-box mirrors hold 0 or 1; strings are empty and numbers 0 when the process starts.
struct AppState {
    QString DefaultFolder;                     // settings key "Path"
    vko::MemorizedPassword MemorizedPassword;  // never persisted; in guarded memory
    int16_t ShowDialog = 0;
    int16_t ClearPassword = 0;
    int16_t UseCompression = 0;
    bool CancelProcess = false;  // goes true once, when a running job is cancelled at exit
    bool CancelJob = false;      // the running job alone is to stop; cleared when it has
    int16_t DialogResult = 0;    // 0 none or cancelled, 1 OK / extract all, 2 extract selected
    bool PasswordVerified = false;
    QString BoxFile;
    QString BoxName;
    QString BoxFolder;
    int16_t BoxCompression = 0;
    QString ExtractList;
    int32_t AppTimerMode = 0;  // 0 nothing, 1 begin extraction, 2 open next dropped box
    int32_t FilesInBox = 0;
};

}  // namespace vko
