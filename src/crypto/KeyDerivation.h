// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <functional>
#include <memory>
#include <string_view>
#include <thread>

namespace vko::crypto {

// The key of a password derived on a thread of its own, so that an operation can scan a folder
// or open a box meanwhile; once Wait has it, it is in the cipher library's key cache like a key
// derived there (BoxKeys and RunKey find it without a second derivation). Nothing starts when
// the cache already holds it.
//
// The derivation itself cannot be interrupted, so a stop does not wait for it: the thread is
// left to finish on its own, with its own copy of the password and its key in guarded memory,
// both wiped when it ends, and the key never reaches the cache. A stop therefore ends at once,
// whatever the cost of the derivation.
class KeyDerivation {
public:
    explicit KeyDerivation(std::string_view password);
    ~KeyDerivation();  // leaves a derivation that still runs to end on its own
    KeyDerivation(const KeyDerivation&) = delete;
    KeyDerivation& operator=(const KeyDerivation&) = delete;

    // Waits for the key, asking stop about twenty times a second; true once the key is in the
    // cache, false when stop said to give up (the derivation is abandoned). Throws Failure 7 when
    // the derivation ran out of memory.
    [[nodiscard]] bool Wait(const std::function<bool()>& stop);

private:
    struct State;

    std::string_view password_;
    std::shared_ptr<State> state_;  // none when nothing was started or it was taken in
    std::thread thread_;
};

}  // namespace vko::crypto
