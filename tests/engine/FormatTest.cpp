// SPDX-License-Identifier: GPL-3.0-or-later
// The bytes of boxes the engine writes.
#include "crypto/CCipher.h"
#include "crypto/KeyHold.h"
#include "crypto/cipherlib_testing.h"
#include "engine/EngineFixture.h"

namespace vko::test {
namespace {

using FormatTest = EngineFixture;

// Box "B" of folder Docs holding a.txt of 3 bytes: the version byte, the units of N at 1, the name
// at 2, D at 3, the folder table at 7, F at 12, the file table at 16 and the file at 28, then the
// seal's three tags; the box made by a second rendering of the layout (BoxBuilder) is the same.
TEST_F(FormatTest, WorkedExampleByteForByteAndBack) {
    MakeTree(root, {{"a.txt", "xyz"}});
    ASSERT_EQ(Create(0, 0, "B"), 1);
    const std::string raw = ReadFile(box);
    BoxLayout layout;
    layout.name.assign(1, 'B');  // not = "B": GCC 12 under ASan warns falsely of overlap there
    layout.files = {{0, "a.txt", "xyz"}};
    EXPECT_EQ(raw.size(), 31u + 3 * 16);
    EXPECT_EQ(raw, BuildBox(layout, kPassword));

    ASSERT_EQ(engine.ViewBlock(box, kPassword), 0);
    EXPECT_EQ(engine.HeaderEnd(), 28);
    EXPECT_EQ(engine.DataByteCount(), 3);
    EXPECT_TRUE(engine.Sealed());
    EXPECT_THAT(engine.Files(), ::testing::ElementsAre(std::string("\0\0\3\0\0\0a.txt", 11)));
}

// Boxes of each format made at full key cost, checked in with the tree they hold: every later
// build must read them, and make the format 1 ones again byte for byte, so that no change to the
// cipher or the layout breaks stored boxes unnoticed. (The independent reader in tests/format
// reads them too, seal included.)
TEST_F(FormatTest, PinnedBoxesReadAndAreMadeAgainByteForByte) {
    cipherlib_testing::UseFastKeyDerivation(false);
    const crypto::KeyHold hold;  // one derivation at full cost for every step
    const std::string pinned = VKO_PINNED_DIR;
    const Tree tree = ReadTree(pinned + "/tree");
    const std::tuple<const char*, int16_t, BoxFormat::Format> boxes[] = {
        {"plain.vkx", 0, BoxFormat::Format::kSealed},
        {"compressed.vkx", 1, BoxFormat::Format::kSealed},
        {"plain-0.2.vkx", 0, BoxFormat::Format::kStream},
        {"compressed-0.2.vkx", 1, BoxFormat::Format::kStream}};
    for (const auto& [file, compression, format] : boxes) {
        SCOPED_TRACE(file);
        const std::string target = dir / (std::string(file) + ".out");
        ASSERT_EQ(engine.ExtractBlock(pinned + "/" + file, target, "pinned box password"), 0);
        EXPECT_EQ(engine.Format(), format);
        EXPECT_THAT(engine.Problems(), ::testing::IsEmpty());
        EXPECT_EQ(ReadTree(target), tree);
        if (format != BoxFormat::Format::kSealed) continue;
        ASSERT_EQ(engine.CreateBlock(box, "Pinned", "pinned box password", pinned + "/tree", 0,
                                     compression),
                  1);
        EXPECT_EQ(ReadFile(box), ReadFile(pinned + "/" + file));
    }
    cipherlib_testing::UseFastKeyDerivation(true);
}

// Someone who can write into a folder that is boxed again and again puts the stored bytes of a
// file, taken from one box, at that file's path: the next box must not hold the file's plain
// bytes (nor the plain stream of a compressed box) anywhere.
TEST_F(FormatTest, StoredBytesPutBackAtTheirPathDoNotComeOutPlain) {
    const std::string secret = RandomBytes(5000, 7);
    for (const int16_t compression : {0, 1}) {
        SCOPED_TRACE(compression);
        MakeTree(root, {{"secret.txt", secret}});
        ASSERT_EQ(Create(compression), 1);
        const std::string plain = ReadStored(box, kPassword).at(0).bytes;
        ASSERT_EQ(engine.ViewBlock(box, kPassword), 0);
        const auto start = static_cast<size_t>(engine.HeaderEnd());
        const auto stored = static_cast<size_t>(engine.Record(0).Stored);
        WriteFile(Source("secret.txt"), ReadFile(box).substr(start, stored));
        ASSERT_EQ(Create(compression), 1);
        ASSERT_EQ(engine.ViewBlock(box, kPassword), 0);
        const std::string again = ReadFile(box).substr(static_cast<size_t>(engine.HeaderEnd()));
        EXPECT_EQ(again.find(plain.substr(0, 16)), std::string::npos);
        EXPECT_EQ(again.find(secret.substr(0, 16)), std::string::npos);
    }
}

// Two boxes of one folder and password whose names differ (in bytes, not in length) agree from
// offset 2 on (after the version byte and N) about as often as chance has it, one byte in 256.
TEST_F(FormatTest, BoxesWithOtherNamesShareNothingBeyondChance) {
    MakeTree(root, {{"a.bin", std::string(100000, 'a')}, {"sub/b.txt", RandomBytes(30000, 3)}});
    ASSERT_EQ(Create(0, 0, "Alpha"), 1);
    const std::string first = ReadFile(box);
    ASSERT_EQ(Create(0, 0, "Bravo"), 1);
    const std::string second = ReadFile(box);
    ASSERT_EQ(first.size(), second.size());
    size_t equal = 0;
    for (size_t i = 2; i < first.size(); ++i) equal += first[i] == second[i] ? 1 : 0;
    EXPECT_LT(equal, 2 * first.size() / 256) << equal << " of " << first.size();
}

}  // namespace
}  // namespace vko::test
