// SPDX-License-Identifier: GPL-3.0-or-later
#include <filesystem>
#include <iostream>
#include <random>

#include "SoakModes.h"
#include "engine/BoxBuilder.h"
#include "engine/CCipherBlock.h"
#include "engine/FakeHost.h"
#include "support/TestFiles.h"

namespace fs = std::filesystem;

namespace vko::soak {
namespace {

constexpr const char* kPassword = "correct horse";

test::Tree ManyFiles() {
    test::Tree tree;
    const char* folders[] = {"", "a/", "b/", "b/c/"};
    for (int i = 0; i < 60; ++i)
        tree[std::string(folders[i % 4]) + "f" + std::to_string(i)] =
            test::RandomBytes(static_cast<size_t>(i * 37), static_cast<uint32_t>(i));
    return tree;
}

// The boxes tried: made by the engine, and a legacy box written field by field.
std::vector<std::string> Boxes(const test::TempDir& dir, CCipherBlock& engine) {
    const std::pair<const char*, test::Tree> trees[] = {
        {"one file", {{"a.txt", "hello"}}}, {"many files", ManyFiles()}, {"empty folder", {}}};
    std::vector<std::string> boxes;
    for (const auto& [name, tree] : trees) {
        test::MakeTree(dir / name, tree);
        boxes.push_back(dir / (std::string(name) + ".vkx"));
        (void)engine.CreateBlock(boxes.back(), name, kPassword, dir / name, 0, 0);
    }
    boxes.push_back(dir / "compressed.vkx");
    (void)engine.CreateBlock(boxes.back(), "c", kPassword, dir / "many files", 0, 1);
    test::BoxLayout legacy;
    legacy.version = 0;
    legacy.folders = {"Docs", "a\\", "b\\"};
    for (int i = 0; i < 30; ++i)
        legacy.files.push_back({i % 3 == 0 ? 0 : i % 3 + 1, "f" + std::to_string(i),
                                test::RandomBytes(static_cast<size_t>(i * 11), uint32_t(i))});
    boxes.push_back(dir / "legacy.vkx");
    test::WriteBox(boxes.back(), legacy, kPassword);
    return boxes;
}

}  // namespace

int WrongPasswords(uint32_t seed, int triesPerShape) {
    test::TempDir dir{true};
    test::FakeHost host;
    CCipherBlock engine(host);
    std::mt19937 random(seed);
    std::uniform_int_distribution<int> length(1, 24), byte(32, 126);
    int tried = 0, missed = 0;
    for (const std::string& box : Boxes(dir, engine)) {
        if (engine.ViewBlock(box, kPassword) != 0) {
            std::cerr << box << " does not open with its own password\n";
            return 1;
        }
        for (int i = 0; i < triesPerShape; ++i) {
            std::string password(static_cast<size_t>(length(random)), ' ');
            for (char& c : password) c = static_cast<char>(byte(random));
            if (password == kPassword) continue;
            ++tried;
            const std::string target = dir / "target";
            if (engine.ExtractBlock(box, target, password) != 1 || fs::exists(target)) {
                std::cerr << box << ": wrong password \"" << password << "\" not refused\n";
                ++missed;
            }
            fs::remove_all(target);
        }
    }
    std::cout << "wrong passwords: caught " << tried - missed << " of " << tried << "\n";
    return missed;
}

}  // namespace vko::soak
