// SPDX-License-Identifier: GPL-3.0-or-later
#include "crypto/KeyHold.h"

#include "crypto/CipherLibrary.h"

namespace vko::crypto {

// Reaching the library first also makes sure it outlives a hold kept in a static object.
KeyHold::KeyHold() {
    CipherLibrary::Instance().Hold();
}

KeyHold::~KeyHold() {
    CipherLibrary::Instance().Release();
}

}  // namespace vko::crypto
