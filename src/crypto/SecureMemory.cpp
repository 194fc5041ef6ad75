#include "crypto/SecureMemory.h"

namespace vko::crypto {

void EnsureSodium() {
    static const bool started = sodium_init() >= 0;
    if (!started)
        throw Failure(FailureNumber::kOutOfMemory, "The cryptography library could not start",
                      "cipherlib");
}

}  // namespace vko::crypto
