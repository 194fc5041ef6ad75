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

}  // namespace vko::test
