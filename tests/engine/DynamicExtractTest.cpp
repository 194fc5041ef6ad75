// Extracting chosen files: repeats, failed expansion, misuse. Every file of boxes of
// every shape, in any order, into folders that do not exist yet: RoundTripTest.
#include <filesystem>

#include "crypto/CCipher.h"
#include "engine/EngineFixture.h"
#include "util/Failure.h"

namespace vko::test {
namespace {

class DynamicExtractTest : public EngineFixture {
protected:
    // Three files, one two folders down; in a compressed box their stored sizes differ from
    // their sizes, so a wrong offset shows.
    static BoxLayout Layout(uint8_t version) {
        BoxLayout layout;
        layout.version = version;
        layout.folders = {"Docs", "a\\b\\"};
        layout.files = {{0, "one.txt", std::string(5000, 'x')},
                        {2, "two.bin", RandomBytes(140000, 7)},
                        {0, "three.txt", "third"}};
        return layout;
    }

    std::string target = dir / "out";
};

TEST_F(DynamicExtractTest, SameFileTwiceReplacesTargetAndLeftoverZlib) {
    const BoxLayout layout = Layout(2);
    WriteFile(target + "/a/b/two.bin", "old");
    WriteFile(target + "/a/b/two.bin.zlib", "leftover");
    ASSERT_EQ(engine.DynamicExtractBlock(Forge(layout), target, kPassword), 0);
    engine.DynamicExtractToFile(2, target);
    CCipher().Initilize("something else");  // the application may key the cipher in between
    engine.DynamicExtractToFile(2, target);
    EXPECT_EQ(ReadTree(target), (Tree{{"a/b/two.bin", layout.files[1].contents}}));
}

TEST_F(DynamicExtractTest, FailedExpansionKeepsTheStreamAndAnyGoodFile) {
    BoxLayout layout;
    layout.version = 2;
    layout.files = {{0, "bad", "x", DamagedStored("x")}, {0, "bad2", "y", DamagedStored("y")}};
    WriteFile(target + "/bad2", "good old");
    ASSERT_EQ(engine.DynamicExtractBlock(Forge(layout), target, kPassword), 0);
    engine.DynamicExtractToFile(1, target);
    engine.DynamicExtractToFile(2, target);
    ASSERT_EQ(host.messages.size(), 2u);
    EXPECT_EQ(host.messages[0].text, "Error Decompressing " + target + "/bad.zlib");
    EXPECT_EQ(host.messages[0].icon, BlockHost::Icon::None);
    EXPECT_EQ(ReadTree(target), (Tree{{"bad.zlib", DamagedStored("x")},
                                      {"bad2", "good old"},
                                      {"bad2.zlib", DamagedStored("y")}}));
}

TEST_F(DynamicExtractTest, MisuseAndWrongPasswordAreFailuresNotCrashes) {
    const std::string path = Forge(Layout(1));
    EXPECT_THROW(engine.DynamicExtractToFile(1, target), Failure);  // nothing open yet
    EXPECT_THROW((void)engine.ExtractBlock(path, "", kPassword), Failure);
    EXPECT_THROW((void)engine.DynamicExtractBlock(path, "", kPassword), Failure);
    ASSERT_EQ(engine.DynamicExtractBlock(path, target, kPassword), 0);
    EXPECT_THROW(engine.DynamicExtractToFile(1, ""), Failure);  // never the file-system root
    for (const int32_t number : {0, -1, 4})
        EXPECT_THROW(engine.DynamicExtractToFile(number, target), Failure);
    engine.DynamicClose();
    engine.DynamicClose();
    EXPECT_THROW(engine.DynamicExtractToFile(1, target), Failure);

    const std::string never = dir / "never";
    EXPECT_EQ(engine.DynamicExtractBlock(path, never, "wrong"), 1);
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0].text, kHeaderDamagedMessage);
    EXPECT_THROW(engine.DynamicExtractToFile(1, never), Failure);
    EXPECT_FALSE(std::filesystem::exists(never));
}

}  // namespace
}  // namespace vko::test
