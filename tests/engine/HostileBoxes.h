// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <functional>
#include <span>

#include "engine/BoxBuilder.h"

namespace vko::test {

// A sound box of the given version: folder "Docs" with "sub\", a.txt ("hello") at the root and
// sub\b.txt ("world!"). Every hostile box is this one with one fault.
BoxLayout BaseLayout(uint8_t version);

// One fault the reader must refuse before writing anything, named after the fault.
struct Hostile {
    const char* name;
    uint8_t version;
    std::function<void(BoxLayout&)> damage;
};

// The engine tests refuse every one of them; the fuzzers start from them.
std::span<const Hostile> HostileBoxes();

// A sound box whose data area is shorter or longer than its stored sizes add up to: damaged,
// not unreadable. What becomes of each file: "whole", "cut short" or "missing".
struct Damaged {
    const char* name;
    uint8_t version;
    std::function<void(BoxLayout&)> damage;
    const char* a;  // a.txt
    const char* b;  // sub\b.txt
    bool trailing;  // bytes follow the last file's contents
};

// The engine tests read every one of them; the fuzzers start from them too.
std::span<const Damaged> DamagedBoxes();

}  // namespace vko::test
