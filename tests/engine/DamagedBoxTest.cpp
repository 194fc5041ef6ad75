// Boxes whose tables are sound but whose data area is cut short or has bytes appended: they read,
// every file the box holds whole comes out, and every other one is named, never written cut.
#include <algorithm>
#include <filesystem>

#include "engine/EngineFixture.h"
#include "engine/HostileBoxes.h"

using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::StartsWith;

namespace vko::test {
namespace {

namespace fs = std::filesystem;

class DamagedBoxTest : public EngineFixture {
protected:
    // The problems expected of a fixture, with each file named by path(entry).
    template <class Name>
    void ExpectProblems(const Damaged& fixture, const std::string& boxPath, Name path) {
        std::vector<std::string> expected;
        const std::pair<const char*, const char*> files[] = {{"a.txt", fixture.a},
                                                             {"sub\\b.txt", fixture.b}};
        for (const auto& [entry, fate] : files)
            if (std::string(fate) != "whole") expected.push_back(path(entry) + ": " + fate);
        if (fixture.trailing) expected.push_back(boxPath + ": trailing");
        std::vector<std::string> seen;
        for (const FileProblem& problem : engine.Problems()) {
            const bool trailing = problem.reason.find("follow") != std::string::npos;
            seen.push_back(
                problem.path + ": " +
                (trailing ? "trailing" : problem.reason.substr(0, problem.reason.find(':'))));
        }
        EXPECT_EQ(seen, expected);
    }

    // The whole files of a fixture, as extracted.
    static Tree WholeFiles(const Damaged& fixture) {
        Tree tree;
        if (std::string(fixture.a) == "whole") tree["a.txt"] = "hello";
        if (std::string(fixture.b) == "whole") tree["sub/b.txt"] = "world!";
        return tree;
    }
};

TEST_F(DamagedBoxTest, WholeFilesComeOutAndTheOthersAreNamed) {
    for (const Damaged& fixture : DamagedBoxes()) {
        SCOPED_TRACE(fixture.name);
        BoxLayout layout = BaseLayout(fixture.version);
        fixture.damage(layout);
        const std::string path = Forge(layout, std::string(fixture.name) + ".vkx");
        const std::string target = dir / fixture.name;

        // A wrong password still cannot read it.
        EXPECT_EQ(engine.ViewBlock(path, "wrong"), 1);
        EXPECT_EQ(engine.ExtractBlock(path, target, "wrong"), 1);
        EXPECT_FALSE(fs::exists(target));
        host.messages.clear();

        ASSERT_EQ(engine.ViewBlock(path, kPassword), 0);
        EXPECT_EQ(engine.Files().size(), 2u);
        ExpectProblems(fixture, path, [](const std::string& entry) { return entry; });

        ASSERT_EQ(engine.ExtractBlock(path, target, kPassword), 0);
        EXPECT_EQ(ReadTree(target), WholeFiles(fixture));
        ExpectProblems(fixture, path, [&](std::string entry) {
            std::replace(entry.begin(), entry.end(), '\\', '/');
            return target + "/" + entry;
        });
        EXPECT_THAT(host.messages, IsEmpty());
        EXPECT_THAT(Leftovers(target), IsEmpty());

        // File by file: the files asked for and not held whole are named.
        const std::string single = target + "-single";
        ASSERT_EQ(engine.DynamicExtractBlock(path, single, kPassword), 0);
        EXPECT_THAT(engine.Problems(), IsEmpty());
        engine.DynamicExtractToFile(1, single);
        engine.DynamicExtractToFile(2, single);
        EXPECT_EQ(ReadTree(single), WholeFiles(fixture));
        EXPECT_EQ(engine.Problems().size(), 2 - WholeFiles(fixture).size());
        engine.DynamicClose();
    }
}

TEST_F(DamagedBoxTest, ReasonsSayHowMuchIsThere) {
    BoxLayout layout = BaseLayout(1);
    layout.files.push_back({0, "big", std::string(5000, 'z')});
    layout.truncateTo = BuildBox(layout, kPassword).size() - 1000;
    const std::string path = Forge(layout);
    ASSERT_EQ(engine.ViewBlock(path, kPassword), 0);
    EXPECT_EQ(engine.Problems(),
              (std::vector<FileProblem>{
                  {"big", "cut short: the box ends after 4,000 of its 5,000 bytes"}}));
    layout.truncateTo.reset();
    layout.trailing = "xy";
    ASSERT_EQ(engine.ViewBlock(Forge(layout), kPassword), 0);
    ASSERT_EQ(engine.Problems().size(), 1u);
    EXPECT_THAT(engine.Problems()[0].reason, StartsWith("2 bytes follow the last file's contents"));
}

}  // namespace
}  // namespace vko::test
