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

BoxLayout Base(uint8_t version) {
    BoxLayout layout;
    layout.version = version;
    layout.folders = {"Docs", "sub\\"};
    layout.files = {{0, "a.txt", "hello"}, {2, "b.txt", "world!"}};
    return layout;
}

struct Forged {
    const char* name;
    uint8_t version;
    std::function<void(BoxLayout&)> change;
};

// Sound legacy and forged boxes: each hostile one holds one fault the reader must refuse.
const Forged kForged[] = {
    {"legacy", 0, [](BoxLayout&) {}},
    {"legacy-deep", 0, [](BoxLayout& s) { s.folders.push_back("sub\\deeper\\"); }},
    {"forged-plain", 1, [](BoxLayout&) {}},
    {"forged-compressed", 2, [](BoxLayout&) {}},
    {"dotdot-folder", 1, [](BoxLayout& s) { s.folders[1] = "..\\"; }},
    {"dotdot-inside", 2, [](BoxLayout& s) { s.folders[1] = "sub\\..\\..\\"; }},
    {"dotdot-file", 1, [](BoxLayout& s) { s.files[0].name = ".."; }},
    {"absolute-folder", 1, [](BoxLayout& s) { s.folders[1] = "\\etc\\"; }},
    {"absolute-file", 2, [](BoxLayout& s) { s.files[0].name = "/etc/passwd"; }},
    {"drive-folder", 1, [](BoxLayout& s) { s.folders[1] = "C:\\windows\\"; }},
    {"separator-in-name", 1, [](BoxLayout& s) { s.files[0].name = "x/y"; }},
    {"nul-in-name", 1, [](BoxLayout& s) { s.files[0].name = std::string("a\0b", 3); }},
    {"folder-past-eof", 1, [](BoxLayout& s) { s.folderLength = 10000; }},
    {"file-table-past-eof", 2, [](BoxLayout& s) { s.fileLength = 10000; }},
    {"huge-file-table", 1, [](BoxLayout& s) { s.fileLength = 0x7FFFFFFF; }},
    {"folder-number-out-of-range", 2, [](BoxLayout& s) { s.files[1].folder = 999; }},
    {"stored-exceeds-data", 2, [](BoxLayout& s) { s.files[1].storedField = 1000; }},
    {"size-above-long", 1, [](BoxLayout& s) { s.files[0].sizeField = 0x80000005; }},
    {"data-cut-short", 2, [](BoxLayout& s) { s.truncateTo = 60; }},
    {"damaged-stream", 2,
     [](BoxLayout& s) { s.files[0].stored = vko::test::DamagedStored(std::string(500, 'q')); }},
    {"legacy-folder-out-of-range", 0, [](BoxLayout& s) { s.files[1].folder = 7; }},
};

void MakeForgedBoxes(const fs::path& out) {
    for (const Forged& forged : kForged) {
        BoxLayout layout = Base(forged.version);
        forged.change(layout);
        Write(out / (std::string(forged.name) + ".vkx"),
              vko::test::BuildBox(layout, vko::fuzz::kPassword));
    }
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
