// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string_view>

#include "crypto/CipherKey.h"
#include "crypto/CipherStream.h"
#include "crypto/SecureMemory.h"

namespace vko::crypto {

// The key of one password, held for work that runs several cipher runs at once (every file of
// a box is a run of its own). The key comes from the library's key cache, so it is derived
// once for the library and these together; construct on the thread that keys the library.
// Start() only reads the key and may be called from any thread.
class RunKey {
public:
    explicit RunKey(std::string_view password);

    // Restarts run under this key: unnamed, or as the run named name.
    void Start(CipherStream& run) const noexcept { run.Key(*key_); }
    void Start(CipherStream& run, std::string_view name) const noexcept { run.Key(*key_, name); }

private:
    SecureBox<CipherKey> key_;
};

}  // namespace vko::crypto
