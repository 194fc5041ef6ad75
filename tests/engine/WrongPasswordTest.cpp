// Random wrong passwords against boxes of several shapes: every one must be refused by the
// header check, with nothing written. The count is printed so that it can be quoted.
#include <cstdio>
#include <filesystem>
#include <optional>
#include <random>

#include "engine/EngineFixture.h"

namespace vko::test {
namespace {

namespace fs = std::filesystem;

constexpr int kTriesPerShape = 1000;

// A folder tree boxed by CreateBlock, or (for the legacy layout, which is only read) a box
// written field by field.
struct Shape {
    const char* name;
    Tree tree;
    int16_t compression = 0;
    std::optional<BoxLayout> legacy;
};

Tree ManyFiles() {
    Tree tree;
    const char* folders[] = {"", "a/", "b/", "b/c/"};
    for (int i = 0; i < 60; ++i)
        tree[std::string(folders[i % 4]) + "f" + std::to_string(i)] =
            RandomBytes(static_cast<size_t>(i * 37), static_cast<uint32_t>(i));
    return tree;
}

std::vector<Shape> Shapes() {
    BoxLayout legacy;
    legacy.version = 0;
    legacy.folders = {"Docs", "a\\", "b\\"};
    for (int i = 0; i < 30; ++i)
        legacy.files.push_back(
            {i % 3 == 0 ? 0 : i % 3 + 1, "f" + std::to_string(i),
             RandomBytes(static_cast<size_t>(i * 11), static_cast<uint32_t>(i))});
    return {{"one file", {{"a.txt", "hello"}}, 0, std::nullopt},
            {"many files", ManyFiles(), 0, std::nullopt},
            {"compressed", ManyFiles(), 1, std::nullopt},
            {"empty folder", {}, 0, std::nullopt},
            {"legacy", {}, 0, legacy}};
}

std::string RandomPassword(std::mt19937& random) {
    std::uniform_int_distribution<int> length(1, 24);
    std::uniform_int_distribution<int> byte(32, 126);
    std::string password(static_cast<size_t>(length(random)), ' ');
    for (auto& c : password) c = static_cast<char>(byte(random));
    return password;
}

class WrongPasswordTest : public EngineFixture {
protected:
    std::string MakeBox(const Shape& shape) {
        const std::string path = dir / (std::string(shape.name) + ".vkx");
        if (shape.legacy) return Forge(*shape.legacy, std::string(shape.name) + ".vkx");
        const std::string source = dir / shape.name;
        MakeTree(source, shape.tree);
        EXPECT_EQ(engine.CreateBlock(path, shape.name, kPassword, source, 0, shape.compression), 1);
        return path;
    }
};

TEST_F(WrongPasswordTest, EveryRandomWrongPasswordIsCaught) {
    std::mt19937 random(20240601);
    int tried = 0;
    int caught = 0;
    for (const auto& shape : Shapes()) {
        const std::string path = MakeBox(shape);
        ASSERT_EQ(engine.ViewBlock(path, kPassword), 0) << shape.name;
        const std::string target = dir / "target";
        int caughtHere = 0;
        for (int i = 0; i < kTriesPerShape; ++i) {
            std::string password = RandomPassword(random);
            if (password == kPassword) continue;
            ++tried;
            const int16_t result = engine.ExtractBlock(path, target, password);
            if (result == 1 && !fs::exists(target)) ++caughtHere;
            fs::remove_all(target);
        }
        caught += caughtHere;
        std::printf("wrong passwords, %s: caught %d of %d\n", shape.name, caughtHere,
                    kTriesPerShape);
    }
    std::printf("wrong passwords: caught %d of %d\n", caught, tried);
    EXPECT_EQ(caught, tried);
    EXPECT_EQ(host.messages.size(), static_cast<size_t>(tried));
}

}  // namespace
}  // namespace vko::test
