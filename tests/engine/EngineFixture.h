#pragma once

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/BoxBuilder.h"
#include "engine/CCipherBlock.h"
#include "engine/FakeHost.h"
#include "support/TestFiles.h"
#include "util/File.h"

namespace vko::test {

// An engine with a recording host and observer in a scratch folder: a source folder "Docs" to
// box, the box it goes to, and boxes forged field by field.
class EngineFixture : public ::testing::Test {
protected:
    static constexpr const char* kPassword = "correct horse";

    void SetUp() override {
        UseFastKeys();
        engine.SetEvents(&events);
    }
    void TearDown() override { FileFaults::Reset(); }

    int16_t Create(int16_t compression = 0, int16_t shred = 0, const std::string& name = "Box") {
        return engine.CreateBlock(box, name, kPassword, root, shred, compression);
    }
    [[nodiscard]] std::string Source(const std::string& relative) const {
        return root + "/" + relative;
    }
    // Writes the box below the scratch folder and returns its path.
    std::string Forge(const BoxLayout& layout, const std::string& name = "forged.vkx") {
        WriteBox(dir / name, layout, kPassword);
        return dir / name;
    }

    TempDir dir;
    std::string root = dir / "Docs";
    std::string box = dir / "out/box.vkx";
    FakeHost host;
    EventRecorder events;
    CCipherBlock engine{host};
};

// A file of a box as stored: its record and its deciphered stored bytes.
struct StoredFile {
    FileRecord record;
    std::string bytes;
};
// Every file of the box at path, through the engine's header reader; a box whose records do not
// add up to its data area is a test failure.
[[nodiscard]] std::vector<StoredFile> ReadStored(const std::string& path,
                                                 const std::string& password);
// The plain bytes of a compressed file's stored bytes ("<damaged>" when they do not expand).
[[nodiscard]] std::string Expand(const std::string& stored);

// Every entry below root, folders included ("sub/" -> ""), so that a test can see that nothing
// was added, removed or changed.
[[nodiscard]] Tree Listing(const std::string& root);
// Temporaries of atomic writes and ".zlib" files below root: a finished or stopped operation
// leaves none.
[[nodiscard]] std::vector<std::string> Leftovers(const std::string& root);

}  // namespace vko::test
