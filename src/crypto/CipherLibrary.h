// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <mutex>
#include <string_view>

#include "crypto/BoxKeys.h"
#include "crypto/CipherKey.h"
#include "crypto/CipherStream.h"
#include "crypto/KeyCache.h"

namespace vko::crypto {

// The state behind the cipher library's functions: the one stream of the process and the key
// cache it is keyed from.
//
// The stream has one user at a time. The key cache is also reached from the thread of a job
// that took in a key derived ahead of time (KeyDerivation) and from a front end releasing a
// KeyHold while a job runs, so every use of it, copying a key out included, happens under one
// lock.
class CipherLibrary {
public:
    [[nodiscard]] static CipherLibrary& Instance();

    // Restarts the stream under password's key: an unnamed run (h = 0), or the run named run.
    void Key(std::string_view password);
    void Key(std::string_view password, std::string_view run);
    // Unkeys the stream; the password key goes too unless a KeyHold keeps it.
    void Clear() noexcept;
    // The stream, keyed with the clearing key when nothing keyed it since the last Clear.
    [[nodiscard]] CipherStream& KeyedStream();

    // Copies password's key into key (a RunKey's own box), deriving it when it is not cached.
    void CopyKey(std::string_view password, CipherKey& key);
    // Writes the box subkeys of password's key into subkeys (a BoxKeys' own box), deriving the
    // key when it is not cached; the key itself stays in the cache.
    void CopyBoxSubkeys(std::string_view password, BoxSubkeys& subkeys);
    // For a derivation run outside the lock (KeyDerivation): whether the cache already holds
    // password's key, the cost to derive at, and taking the result in.
    [[nodiscard]] bool Holds(std::string_view password);
    [[nodiscard]] KeyCost Cost();
    void Adopt(std::string_view password, const CipherKey& key);

    void Hold() noexcept;
    void Release() noexcept;

    // Runs use(keys) under the lock, for test probes and settings.
    template <class Use>
    decltype(auto) WithKeys(Use use) {
        const std::lock_guard lock(mutex_);
        return use(keys_);
    }

private:
    CipherLibrary() = default;
    template <class Start>
    void Restart(std::string_view password, Start start);

    std::mutex mutex_;
    KeyCache keys_;
    CipherStream stream_;
    long holds_ = 0;
};

}  // namespace vko::crypto
