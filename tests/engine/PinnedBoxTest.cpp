// Boxes of each version made at full key cost, checked in with the tree they hold: every later
// build must read them and make them again byte for byte, so that no change to the cipher or
// the layout breaks stored boxes unnoticed.
#include "crypto/KeyHold.h"
#include "crypto/cipherlib_testing.h"
#include "engine/EngineFixture.h"

namespace vko::test {
namespace {

constexpr const char* kPinnedPassword = "pinned box password";
const std::string kPinned = VKO_PINNED_DIR;

class PinnedBoxTest : public EngineFixture {
protected:
    void SetUp() override {
        EngineFixture::SetUp();
        cipherlib_testing::UseFastKeyDerivation(false);
    }
    void TearDown() override {
        cipherlib_testing::UseFastKeyDerivation(true);
        EngineFixture::TearDown();
    }
};

TEST_F(PinnedBoxTest, ReadAndMadeAgainByteForByte) {
    const crypto::KeyHold hold;  // one derivation at full cost for every step
    const Tree tree = ReadTree(kPinned + "/tree");
    for (const auto& [file, compression] : {std::pair{"plain.vkx", 0}, {"compressed.vkx", 1}}) {
        SCOPED_TRACE(file);
        const std::string pinned = kPinned + "/" + file;
        const std::string target = dir / (std::string(file) + ".out");
        ASSERT_EQ(engine.ExtractBlock(pinned, target, kPinnedPassword), 0);
        EXPECT_EQ(ReadTree(target), tree);
        ASSERT_EQ(engine.CreateBlock(box, "Pinned", kPinnedPassword, kPinned + "/tree", 0,
                                     static_cast<int16_t>(compression)),
                  1);
        EXPECT_EQ(ReadFile(box), ReadFile(pinned));
    }
}

}  // namespace
}  // namespace vko::test
