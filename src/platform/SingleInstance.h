// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QLockFile>
#include <QString>

namespace vko {

// Tells whether another instance of the program runs, through a lock file that this process
// holds for its lifetime. The lock of a process that has died is taken over.
class SingleInstance {
public:
    explicit SingleInstance(const QString& lockFile = DefaultLockFile());

    // True when another live process holds the lock. A lock file that cannot be used at all
    // (an unwritable folder) does not stop the program.
    [[nodiscard]] bool OtherInstanceRunning();

    // "vaultkeep-orb.lock" in the user's runtime folder.
    [[nodiscard]] static QString DefaultLockFile();

private:
    QLockFile lock_;
};

}  // namespace vko
