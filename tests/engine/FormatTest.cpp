// The bytes of boxes the engine writes.
#include "crypto/CCipher.h"
#include "crypto/KeyHold.h"
#include "crypto/cipherlib_testing.h"
#include "engine/EngineFixture.h"

namespace vko::test {
namespace {

using FormatTest = EngineFixture;

std::string Bytes(const char* literal, size_t size) {
    return std::string(literal, size);
}

// Box "B" of folder Docs holding a.txt of 3 bytes: the version byte, run A (name and folder
// table) at offset 1, run B (file table) at 12, the file's run at 28, each run named.
TEST_F(FormatTest, WorkedExampleByteForByteAndBack) {
    MakeTree(root, {{"a.txt", "xyz"}});
    ASSERT_EQ(Create(0, 0, "B"), 1);
    const std::string raw = ReadFile(box);
    ASSERT_EQ(raw.size(), 31u);
    CCipher cipher;
    const auto run = [&](const std::string& name, size_t from, size_t count) {
        cipher.InitilizeRun(kPassword, name);
        return cipher.Cipher(raw.substr(from, count));
    };
    EXPECT_EQ(raw[0], '\x01');
    const std::string runA = run("vko run A", 1, 11);
    EXPECT_EQ(runA, Bytes("\x01"
                          "B\x05\0\0\0Docs\0",
                          11));
    const std::string h = RunADigest(runA);
    EXPECT_EQ(run("vko run B" + h, 12, 16), Bytes("\x0c\0\0\0\x0b\0\0\x03\0\0\0a.txt", 16));
    EXPECT_EQ(run("vko file" + h + Bytes("\0\0", 2) + "a.txt", 28, 3), "xyz");

    ASSERT_EQ(engine.ViewBlock(box, kPassword), 0);
    EXPECT_EQ(engine.HeaderEnd(), 28);
    EXPECT_EQ(engine.DataByteCount(), 3);
    EXPECT_THAT(engine.Files(), ::testing::ElementsAre(Bytes("\0\0\3\0\0\0a.txt", 11)));
}

// Boxes of each version made at full key cost, checked in with the tree they hold: every later
// build must read them and make them again byte for byte, so that no change to the cipher or
// the layout breaks stored boxes unnoticed. (That the runs of a box never share keystream and
// that records describe the data area: the independent reader in tests/format.)
TEST_F(FormatTest, PinnedBoxesReadAndAreMadeAgainByteForByte) {
    cipherlib_testing::UseFastKeyDerivation(false);
    const crypto::KeyHold hold;  // one derivation at full cost for every step
    const std::string pinned = VKO_PINNED_DIR;
    const Tree tree = ReadTree(pinned + "/tree");
    for (const auto& [file, compression] : {std::pair{"plain.vkx", 0}, {"compressed.vkx", 1}}) {
        SCOPED_TRACE(file);
        const std::string target = dir / (std::string(file) + ".out");
        ASSERT_EQ(engine.ExtractBlock(pinned + "/" + file, target, "pinned box password"), 0);
        EXPECT_EQ(ReadTree(target), tree);
        ASSERT_EQ(engine.CreateBlock(box, "Pinned", "pinned box password", pinned + "/tree", 0,
                                     static_cast<int16_t>(compression)),
                  1);
        EXPECT_EQ(ReadFile(box), ReadFile(pinned + "/" + file));
    }
    cipherlib_testing::UseFastKeyDerivation(true);
}

}  // namespace
}  // namespace vko::test
