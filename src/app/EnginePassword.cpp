// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/EnginePassword.h"

#include <sodium.h>

#include <QByteArray>
#include <QString>

namespace vko {

EnginePassword::EnginePassword(const MemorizedPassword& password) {
    // The same conversion as any other text bound for the engine, so that boxes made before
    // open alike; both intermediate buffers are unshared and wiped here.
    QString utf16 = password;
    QByteArray utf8 = utf16.toUtf8();
    bytes_.reserve(static_cast<size_t>(utf8.size()));  // one allocation: no stale copy
    bytes_.assign(utf8.constData(), static_cast<size_t>(utf8.size()));
    sodium_memzero(utf8.data(), static_cast<size_t>(utf8.size()));
    sodium_memzero(utf16.data(), static_cast<size_t>(utf16.size()) * sizeof(char16_t));
}

void EnginePassword::Wipe() noexcept {
    sodium_memzero(bytes_.data(), bytes_.size());
}

}  // namespace vko
