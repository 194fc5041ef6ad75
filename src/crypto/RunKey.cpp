// SPDX-License-Identifier: GPL-3.0-or-later
#include "crypto/RunKey.h"

#include "crypto/CipherLibrary.h"

namespace vko::crypto {

RunKey::RunKey(std::string_view password) {
    CipherLibrary::Instance().CopyKey(password, *key_);
}

}  // namespace vko::crypto
