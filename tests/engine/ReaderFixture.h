#pragma once

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/BoxBuilder.h"
#include "engine/CCipherBlock.h"
#include "engine/FakeHost.h"
#include "support/TestFiles.h"

namespace vko::test {

// An engine with a recording host and observer, a scratch folder, and boxes written there.
class ReaderFixture : public ::testing::Test {
protected:
    static constexpr const char* kPassword = "correct horse";

    void SetUp() override {
        UseFastKeys();
        engine.SetEvents(&events);
    }

    // Writes the box below the scratch folder and returns its path.
    std::string Box(const BoxSpec& spec, const std::string& name = "box.vkx") {
        const std::string path = dir / name;
        WriteBox(path, spec, kPassword);
        return path;
    }

    TempDir dir;
    FakeHost host;
    EventRecorder events;
    CCipherBlock engine{host};
};

// Every entry below root, folders included ("sub/" -> ""), so that a test can see that nothing
// was added, removed or changed.
[[nodiscard]] Tree Listing(const std::string& root);

// Files below root that a finished or stopped extraction must not leave: temporaries of
// atomic writes and ".zlib" files.
[[nodiscard]] std::vector<std::string> Leftovers(const std::string& root);

}  // namespace vko::test
