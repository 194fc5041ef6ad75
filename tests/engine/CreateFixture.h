#pragma once

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>

#include "engine/BoxDecoder.h"
#include "engine/CCipherBlock.h"
#include "engine/FakeHost.h"
#include "engine/ReaderFixture.h"
#include "support/TestFiles.h"
#include "util/File.h"

namespace vko::test {

// An engine with a recording host and observer, a source folder "Docs" in a scratch folder,
// and the box it is made into.
class CreateFixture : public ::testing::Test {
protected:
    static constexpr const char* kPassword = "create secret";

    void SetUp() override {
        UseFastKeys();
        engine.SetEvents(&events);
    }
    void TearDown() override { FileFaults::Reset(); }

    int16_t Create(int16_t compression = 0, int16_t shred = 0, const std::string& name = "Box") {
        return engine.CreateBlock(box, name, kPassword, root, shred, compression);
    }
    [[nodiscard]] DecodedBox Decode() const { return DecodeBox(box, kPassword); }
    [[nodiscard]] std::string Source(const std::string& relative) const {
        return root + "/" + relative;
    }

    TempDir dir;
    std::string root = dir / "Docs";
    std::string box = dir / "out/box.vkx";
    FakeHost host;
    EventRecorder events;
    CCipherBlock engine{host};
};

}  // namespace vko::test
