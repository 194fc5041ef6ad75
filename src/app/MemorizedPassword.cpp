// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/MemorizedPassword.h"

#include <cstring>
#include <string_view>

namespace vko {

MemorizedPassword& MemorizedPassword::operator=(const QString& text) {
    // Straight from the QString's own UTF-16 buffer: no intermediate copy is made.
    Assign(std::string_view(reinterpret_cast<const char*>(text.utf16()),
                            static_cast<size_t>(text.size()) * sizeof(char16_t)));
    return *this;
}

void MemorizedPassword::Assign(std::string_view bytes) {
    // Another password: the old one's key goes (when no one else holds it) before it is replaced.
    if (bytes != secret_.View()) keyHold_.reset();
    secret_ = bytes;
    if (secret_.empty())
        keyHold_.reset();
    else if (!keyHold_)
        keyHold_.emplace();
}

MemorizedPassword::operator QString() const {
    QString text(static_cast<qsizetype>(secret_.size() / sizeof(char16_t)), Qt::Uninitialized);
    if (!secret_.empty()) std::memcpy(text.data(), secret_.data(), secret_.size());
    return text;
}

void WipeText(QString& text) noexcept {
    // data() on a string nobody else shares writes to its own buffer without copying it.
    if (text.isDetached() && !text.isEmpty())
        std::memset(static_cast<void*>(text.data()), 0,
                    static_cast<size_t>(text.size()) * sizeof(QChar));
    text.clear();
}

}  // namespace vko
