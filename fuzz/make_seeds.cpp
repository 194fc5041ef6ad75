// SPDX-License-Identifier: GPL-3.0-or-later
// Writes the seed corpus of the fuzz targets: real boxes of several shapes made by the engine,
// legacy boxes and forged, hostile ones made field by field, all keyed with the fuzz password.
// Usage: fuzz_seeds OUTPUT_FOLDER
#include <filesystem>
#include <fstream>
#include <functional>
#include <iostream>
#include <string>

#include "FuzzSupport.h"
#include "engine/BoxBuilder.h"
#include "engine/CCipherBlock.h"
#include "engine/HostileBoxes.h"

namespace fs = std::filesystem;
using vko::test::BoxLayout;

namespace {

void Write(const fs::path& path, const std::string& bytes) {
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << bytes;
}

void MakeTrees(const fs::path& root) {
    Write(root / "plain" / "a.txt", "abc");
    Write(root / "plain" / "Sub" / "b.txt", std::string(300, 'b'));
    Write(root / "plain" / "Sub" / "Deeper" / "c.bin", std::string("\x00\x01\x02\xff", 4));
    Write(root / "plain" / "empty.txt", "");
    Write(root / "plain" / "\xc3\xa9t\xc3\xa9" / "\xe2\x82\xac.txt", "euro");
    fs::create_directories(root / "empty");
    Write(root / "onlyempty" / "zero", "");
    for (int i = 0; i < 40; ++i)
        Write(root / "many" / ("d" + std::to_string(i % 7)) / ("f" + std::to_string(i)),
              std::string(static_cast<size_t>(i * 13), static_cast<char>('a' + i % 26)));
}

bool MakeEngineBoxes(const fs::path& out, const fs::path& trees) {
    vko::QuietHost host;
    vko::CCipherBlock engine(host);
    for (const char* tree : {"plain", "empty", "onlyempty", "many"}) {
        for (int16_t compressed : {0, 1}) {
            const std::string name = std::string(tree) + (compressed ? "-z" : "") + ".vkx";
            if (engine.CreateBlock((out / name).string(), tree, vko::fuzz::kPassword,
                                   (trees / tree).string(), 0, compressed) != 1)
                return false;
        }
    }
    return true;
}

// Sound legacy and forged boxes, and a stream that does not expand; the hostile boxes of the
// engine tests join them.
const vko::test::Hostile kForged[] = {
    {"legacy", 0, [](BoxLayout&) {}},
    {"legacy-deep", 0, [](BoxLayout& s) { s.folders.push_back("sub\\deeper\\"); }},
    {"forged-plain", 1, [](BoxLayout&) {}},
    {"forged-compressed", 2, [](BoxLayout&) {}},
    {"damaged-stream", 2,
     [](BoxLayout& s) { s.files[0].stored = vko::test::DamagedStored(std::string(500, 'q')); }},
};

void WriteForged(const fs::path& out, const vko::test::Hostile& forged) {
    BoxLayout layout = vko::test::BaseLayout(forged.version);
    forged.damage(layout);
    Write(out / (std::string(forged.name) + ".vkx"),
          vko::test::BuildBox(layout, vko::fuzz::kPassword));
}

void MakeForgedBoxes(const fs::path& out) {
    for (const vko::test::Hostile& forged : kForged) WriteForged(out, forged);
    for (const vko::test::Hostile& hostile : vko::test::HostileBoxes()) WriteForged(out, hostile);
    for (const vko::test::Damaged& damaged : vko::test::DamagedBoxes())
        WriteForged(out, {damaged.name, damaged.version, damaged.damage});
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::cerr << "usage: fuzz_seeds OUTPUT_FOLDER\n";
        return 2;
    }
    vko::fuzz::Prepare();
    const fs::path out = argv[1];
    const fs::path trees = fs::path(vko::fuzz::Scratch()) / "trees";
    MakeTrees(trees);
    fs::create_directories(out);
    const bool made = MakeEngineBoxes(out, trees);
    if (made) MakeForgedBoxes(out);
    vko::fuzz::RemoveTree(vko::fuzz::Scratch());
    return made ? 0 : 1;
}
