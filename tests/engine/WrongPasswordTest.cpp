// Random wrong passwords against boxes of several shapes: every one must be refused by the
// header check, with nothing written. The count is printed so that it can be quoted.
#include <cstdio>
#include <filesystem>
#include <random>

#include "engine/ReaderFixture.h"

namespace vko::test {
namespace {

namespace fs = std::filesystem;

constexpr int kTriesPerShape = 1000;

struct Shape {
    const char* name;
    BoxSpec spec;
};

std::vector<Shape> Shapes() {
    std::vector<Shape> shapes;
    BoxSpec one;
    one.files = {{0, "a.txt", "hello"}};
    shapes.push_back({"one file", one});

    BoxSpec many;
    many.folders = {"Docs", "a\\", "b\\", "b\\c\\"};
    for (int i = 0; i < 60; ++i)
        many.files.push_back({i % 4 == 0 ? 0 : i % 4 + 1, "f" + std::to_string(i),
                              RandomBytes(static_cast<size_t>(i * 37), static_cast<uint32_t>(i))});
    shapes.push_back({"many files", many});

    BoxSpec compressed = many;
    compressed.version = 2;
    shapes.push_back({"compressed", compressed});

    BoxSpec empty;
    shapes.push_back({"empty folder", empty});

    BoxSpec legacy = many;
    legacy.version = 0;
    shapes.push_back({"legacy", legacy});
    return shapes;
}

std::string RandomPassword(std::mt19937& random) {
    std::uniform_int_distribution<int> length(1, 24);
    std::uniform_int_distribution<int> byte(32, 126);
    std::string password(static_cast<size_t>(length(random)), ' ');
    for (auto& c : password) c = static_cast<char>(byte(random));
    return password;
}

class WrongPasswordTest : public ReaderFixture {};

TEST_F(WrongPasswordTest, EveryRandomWrongPasswordIsCaught) {
    std::mt19937 random(20240601);
    int tried = 0;
    int caught = 0;
    for (const auto& shape : Shapes()) {
        const std::string path = Box(shape.spec, std::string(shape.name) + ".vkx");
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
