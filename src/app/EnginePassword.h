// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

#include "app/MemorizedPassword.h"

namespace vko {

// The memorized password as the UTF-8 bytes the engine takes, for the length of one engine
// call. The bytes are wiped when it goes out of scope, and no other copy outlives the
// constructor, so a job leaves no readable password on the heap behind it.
class EnginePassword {
public:
    explicit EnginePassword(const MemorizedPassword& password);
    ~EnginePassword() { Wipe(); }
    EnginePassword(const EnginePassword&) = delete;
    EnginePassword& operator=(const EnginePassword&) = delete;

    operator const std::string&() const noexcept { return bytes_; }  // NOLINT: passed to the engine

    // Zeroes the bytes in place; they stay allocated (and zero) until destruction.
    void Wipe() noexcept;

private:
    std::string bytes_;
};

}  // namespace vko
