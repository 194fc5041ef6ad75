// Writes the seed corpus of the fuzz targets: real boxes of several shapes, keyed with the
// fuzz password. Usage: fuzz_seeds OUTPUT_FOLDER
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>

#include "FuzzSupport.h"
#include "engine/CCipherBlock.h"

namespace fs = std::filesystem;

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
    fs::create_directories(root / "empty");
    for (int i = 0; i < 40; ++i)
        Write(root / "many" / ("d" + std::to_string(i % 7)) / ("f" + std::to_string(i)),
              std::string(static_cast<size_t>(i * 13), static_cast<char>('a' + i % 26)));
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
    vko::QuietHost host;
    vko::CCipherBlock engine(host);
    for (const char* tree : {"plain", "empty", "many"}) {
        for (int16_t compressed : {0, 1}) {
            const std::string name = std::string(tree) + (compressed ? "-z" : "") + ".vkx";
            if (engine.CreateBlock((out / name).string(), tree, vko::fuzz::kPassword,
                                   (trees / tree).string(), 0, compressed) != 1)
                return 1;
        }
    }
    vko::fuzz::RemoveTree(vko::fuzz::Scratch());
    return 0;
}
