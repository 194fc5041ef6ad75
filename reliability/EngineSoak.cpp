// SPDX-License-Identifier: GPL-3.0-or-later
// Soak: random folder trees through create -> list -> extract -> compare, plain and compressed,
// with random cancels, over many cycles. Every difference is printed; the exit code is the
// number of cycles (or checks, in the other modes) that went wrong, capped at 100.
//
//   engine_soak [--mode cycles|passwords|flips] [--seed N] [--cycles N]
//
// "passwords" tries N random wrong passwords on boxes of five shapes; "flips" flips every bit
// of a small box's header and one bit of every byte of its data area (SoakModes.h).
//
// The trees hold names with spaces, dots and non-ASCII characters, folders up to five deep,
// empty files and sizes around the cipher's 131,072-byte block. Folder names come back in
// lower case, which the comparison expects.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "SoakModes.h"
#include "engine/CCipherBlock.h"
#include "engine/FakeHost.h"
#include "support/TestFiles.h"
#include "util/Failure.h"
#include "util/File.h"

namespace fs = std::filesystem;
using vko::test::Tree;

namespace {

constexpr const char* kPassword = "soak secret";

struct Options {
    std::string mode = "cycles";
    uint32_t seed = 1;
    int cycles = 500;
};

struct Totals {
    int cycles = 0, compressed = 0, files = 0, createCancels = 0, extractCancels = 0;
    int singleFiles = 0, failed = 0;
    int64_t bytes = 0;
};

std::string AsciiLower(std::string text) {
    for (char& c : text) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
    return text;
}

class Soak {
public:
    explicit Soak(uint32_t seed) : rng_(seed) {}
    bool Cycle(int number, Totals& totals);

private:
    int Pick(int low, int high) { return std::uniform_int_distribution<int>(low, high)(rng_); }
    bool Chance(int percent) { return Pick(1, 100) <= percent; }
    std::string Name(bool folder);
    size_t Size();
    Tree RandomTree(std::set<std::string>& folders);
    bool Check(bool ok, int cycle, const std::string& what);
    bool Create(int cycle, bool compressed, Totals& totals, bool& cancelled);
    bool ExtractWhole(int cycle, const Tree& expected, Totals& totals);
    bool ExtractOne(int cycle, const Tree& expected, Totals& totals);

    std::mt19937 rng_;
    vko::test::TempDir dir_{true};
    std::string root_ = dir_ / "Tree";
    std::string box_ = dir_ / "box.vkx";
    std::string out_ = dir_ / "out";
};

std::string Soak::Name(bool folder) {
    static const std::vector<std::string> pieces = [] {
        std::vector<std::string> split;
        std::istringstream all(
            "a|B|c|Doc|x y|r\xc3\xa9sum\xc3\xa9|\xe6\x97\xa5\xe6\x9c\xac|\xc3\x9f|-|_|1|2023|.|~|"
            "\xf0\x9f\x93\x81|Mix|z");
        for (std::string piece; std::getline(all, piece, '|');) split.push_back(piece);
        return split;
    }();
    std::string name;
    const int count = Pick(1, 4);
    for (int i = 0; i < count; ++i)
        name += pieces[static_cast<size_t>(Pick(0, static_cast<int>(pieces.size()) - 1))];
    if (name.front() == '.') name.insert(0, "n");  // hidden names are not boxed
    if (!folder && Chance(50)) name += Chance(50) ? ".txt" : ".bin";
    return name;
}

size_t Soak::Size() {
    switch (Pick(0, 9)) {
        case 0:
            return 0;
        case 1:
            return 1;
        case 2:
            return static_cast<size_t>(131072 + Pick(-2, 2));
        case 3:
            return static_cast<size_t>(Pick(131072, 300000));
        default:
            return static_cast<size_t>(Pick(2, 6000));
    }
}

// Relative paths as the files are made; folders listed separately so that two names that
// differ only in ASCII case never meet in one box, where they would merge.
Tree Soak::RandomTree(std::set<std::string>& lowered) {
    Tree tree;
    std::vector<std::string> folders = {""};
    const int folderCount = Pick(0, 6);
    for (int i = 0; i < folderCount; ++i) {
        const std::string& parent =
            folders[static_cast<size_t>(Pick(0, static_cast<int>(folders.size()) - 1))];
        if (std::count(parent.begin(), parent.end(), '/') >= 5) continue;
        const std::string folder = parent + Name(true) + "/";
        if (lowered.insert(AsciiLower(folder)).second) folders.push_back(folder);
    }
    const int fileCount = Pick(1, 25);
    for (int i = 0; i < fileCount; ++i) {
        const std::string& folder =
            folders[static_cast<size_t>(Pick(0, static_cast<int>(folders.size()) - 1))];
        const std::string path = folder + Name(false);
        if (lowered.count(AsciiLower(path) + "/"))
            continue;  // a file may not share a folder's name
        tree[path] = Chance(30) ? std::string(Size(), 'q') : vko::test::RandomBytes(Size(), rng_());
    }
    return tree;
}

// How the tree comes back: folder components in ASCII lower case, file names as they were.
Tree Expected(const Tree& tree) {
    Tree expected;
    for (const auto& [path, contents] : tree) {
        const size_t name = path.rfind('/') + 1;  // 0 for a file in the top folder
        expected[AsciiLower(path.substr(0, name)) + path.substr(name)] = contents;
    }
    return expected;
}

bool Soak::Check(bool ok, int cycle, const std::string& what) {
    if (!ok) std::cerr << "cycle " << cycle << ": " << what << "\n";
    return ok;
}

bool Leftovers(const std::string& root) {
    if (!fs::exists(root)) return false;
    for (const auto& entry : fs::recursive_directory_iterator(root)) {
        const std::string name = entry.path().filename().string();
        if (name.ends_with(vko::AtomicFile::kTempSuffix) || name.ends_with(".zlib")) return true;
    }
    return false;
}

bool Soak::Create(int cycle, bool compressed, Totals& totals, bool& cancelled) {
    const std::string before = fs::exists(box_) ? vko::test::ReadFile(box_) : std::string();
    vko::test::FakeHost host;
    if (Chance(20)) host.CancelAtPoll(Pick(1, 80));
    vko::CCipherBlock engine(host);
    const int16_t result =
        engine.CreateBlock(box_, "Tree", kPassword, root_, 0, compressed ? 1 : 0);
    bool ok =
        Check(host.messages.empty(), cycle,
              "create reported " + (host.messages.empty() ? std::string() : host.messages[0].text));
    ok &= Check(!Leftovers(dir_.Str()), cycle, "create left a temporary file");
    cancelled = result == vko::BlockResult::kCreateCancelled;
    if (cancelled) {
        ++totals.createCancels;
        ok &= Check(!fs::exists(box_) || vko::test::ReadFile(box_) == before, cycle,
                    "a cancelled create changed the previous box");
    }
    return ok;
}

bool Soak::ExtractWhole(int cycle, const Tree& expected, Totals& totals) {
    fs::remove_all(out_);
    vko::test::FakeHost host;
    const bool cancel = Chance(20);
    if (cancel) host.CancelAtPoll(Pick(1, 40));
    vko::CCipherBlock engine(host);
    const int16_t result = engine.ExtractBlock(box_, out_, kPassword);
    bool ok = Check(!Leftovers(out_), cycle, "extraction left a temporary file");
    const Tree got = fs::exists(out_) ? vko::test::ReadTree(out_) : Tree();
    if (result == vko::BlockResult::kExtractCancelled) {
        ++totals.extractCancels;
        for (const auto& [path, contents] : got) {
            const auto want = expected.find(path);
            ok &= Check(want != expected.end() && want->second == contents, cycle,
                        "a cancelled extraction left " + path + " incomplete or unknown");
        }
        return ok;
    }
    ok &= Check(result == vko::BlockResult::kExtractDone, cycle,
                "extraction returned " + std::to_string(result));
    ok &= Check(got == expected, cycle, "the extracted tree differs");
    if (got != expected) {
        for (const auto& [path, contents] : expected)
            if (!got.count(path) || got.at(path) != contents)
                std::cerr << "  differs or missing: " << path << "\n";
        for (const auto& [path, contents] : got)
            if (!expected.count(path)) std::cerr << "  unexpected: " << path << "\n";
    }
    return ok;
}

bool Soak::ExtractOne(int cycle, const Tree& expected, Totals& totals) {
    vko::test::FakeHost host;
    vko::CCipherBlock engine(host);
    const std::string single = dir_ / "single";
    fs::remove_all(single);
    if (!Check(engine.DynamicExtractBlock(box_, single, kPassword) == 0, cycle,
               "single: not opened"))
        return false;
    const auto count = static_cast<int32_t>(engine.Files().size());
    const int32_t number = Pick(1, count);
    engine.DynamicExtractToFile(number, single);
    engine.DynamicClose();
    ++totals.singleFiles;
    const Tree got = vko::test::ReadTree(single);
    bool ok = Check(got.size() == 1, cycle, "single: " + std::to_string(got.size()) + " files");
    for (const auto& [path, contents] : got) {
        const auto want = expected.find(path);
        ok &= Check(want != expected.end() && want->second == contents, cycle,
                    "single: " + path + " differs");
    }
    return ok;
}

bool Soak::Cycle(int number, Totals& totals) {
    fs::remove_all(root_);
    std::set<std::string> lowered;
    const Tree tree = RandomTree(lowered);
    vko::test::MakeTree(root_, tree);
    const bool compressed = Chance(50);
    ++totals.cycles;
    totals.compressed += compressed ? 1 : 0;
    totals.files += static_cast<int>(tree.size());
    for (const auto& [path, contents] : tree) totals.bytes += static_cast<int64_t>(contents.size());

    bool cancelled = false;
    bool ok = Create(number, compressed, totals, cancelled);
    if (cancelled) return ok;
    const Tree expected = Expected(tree);
    {
        vko::test::FakeHost host;
        vko::CCipherBlock engine(host);
        ok &= Check(engine.ViewBlock(box_, kPassword) == 0, number, "list: not read");
        ok &= Check(engine.Files().size() == expected.size(), number, "list: wrong file count");
        int64_t listed = 0;
        for (int32_t i = 0; i < static_cast<int32_t>(engine.Files().size()); ++i)
            listed += engine.Record(i).Size;
        int64_t total = 0;
        for (const auto& [path, contents] : expected)
            total += static_cast<int64_t>(contents.size());
        ok &= Check(listed == total, number, "list: sizes do not add up");
    }
    ok &= ExtractWhole(number, expected, totals);
    if (Chance(30)) ok &= ExtractOne(number, expected, totals);
    return ok;
}

Options Parse(int argc, char** argv) {
    Options options;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string flag = argv[i];
        if (flag == "--mode") {
            options.mode = argv[i + 1];
            continue;
        }
        const long value = std::strtol(argv[i + 1], nullptr, 10);
        if (flag == "--seed")
            options.seed = static_cast<uint32_t>(value);
        else if (flag == "--cycles")
            options.cycles = static_cast<int>(value);
        else
            throw std::invalid_argument(flag);
    }
    if (argc % 2 == 0) throw std::invalid_argument(argv[argc - 1]);
    if (options.mode != "cycles" && options.mode != "passwords" && options.mode != "flips")
        throw std::invalid_argument(options.mode);
    return options;
}

}  // namespace

int main(int argc, char** argv) {
    Options options;
    try {
        options = Parse(argc, argv);
    } catch (const std::exception& e) {
        std::cerr
            << "unknown argument " << e.what()
            << "\nusage: engine_soak [--mode cycles|passwords|flips] [--seed N] [--cycles N]\n";
        return 2;
    }
    vko::test::UseFastKeys();
    if (options.mode == "passwords")
        return std::min(vko::soak::WrongPasswords(options.seed, options.cycles), 100);
    if (options.mode == "flips") return std::min(vko::soak::BitFlips(), 100);
    Soak soak(options.seed);
    Totals totals;
    for (int cycle = 1; cycle <= options.cycles; ++cycle) {
        try {
            if (!soak.Cycle(cycle, totals)) ++totals.failed;
        } catch (const std::exception& e) {
            std::cerr << "cycle " << cycle << ": " << e.what() << "\n";
            ++totals.failed;
        }
    }
    std::cout << "seed " << options.seed << ": " << totals.cycles << " cycles ("
              << totals.compressed << " compressed), " << totals.files << " files, " << totals.bytes
              << " bytes, " << totals.createCancels << " creates and " << totals.extractCancels
              << " extractions cancelled, " << totals.singleFiles << " single-file extractions\n"
              << totals.cycles - totals.failed << " passed, " << totals.failed << " failed\n";
    return std::min(totals.failed, 100);
}
