// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <ostream>
#include <string>
#include <vector>

#include "compress/modCompress.h"
#include "crypto/CCipher.h"
#include "engine/BoxBuilder.h"
#include "engine/BoxReader.h"
#include "engine/CCipherBlock.h"
#include "engine/FakeHost.h"
#include "support/TestFiles.h"
#include "util/File.h"

namespace vko {
inline void PrintTo(const FileProblem& problem, std::ostream* out) {
    *out << problem.path << ": " << problem.reason;
}
}  // namespace vko

namespace vko::test {

// An engine with a recording host and observer in a scratch folder: a source folder "Docs" to
// box, the box it goes to, and boxes forged field by field.
class EngineFixture : public ::testing::Test {
protected:
    static constexpr const char* kPassword = "correct horse";

    void SetUp() override {
        UseFastKeys();
        engine.SetEvents(&events);
    }
    void TearDown() override { FileFaults::Reset(); }

    int16_t Create(int16_t compression = 0, int16_t shred = 0, const std::string& name = "Box") {
        return engine.CreateBlock(box, name, kPassword, root, shred, compression);
    }
    [[nodiscard]] std::string Source(const std::string& relative) const {
        return root + "/" + relative;
    }
    // Writes the box below the scratch folder and returns its path.
    std::string Forge(const BoxLayout& layout, const std::string& name = "forged.vkx") {
        WriteBox(dir / name, layout, kPassword);
        return dir / name;
    }

    TempDir dir;
    std::string root = dir / "Docs";
    std::string box = dir / "out/box.vkx";
    FakeHost host;
    EventRecorder events;
    CCipherBlock engine{host};
};

// A file of a box as stored: its record and its deciphered stored bytes.
struct StoredFile {
    FileRecord record;
    std::string bytes;
};

// Every file of the box at path, through the engine's reader; a box that is not sealed is a test
// failure (so every record lies in its data area, and every tag verifies).
inline std::vector<StoredFile> ReadStored(const std::string& path, const std::string& password) {
    QuietHost quiet;
    CCipherBlock engine(quiet);
    const auto reader = BoxReader::Open(path, password);
    std::vector<StoredFile> files;
    if (!reader || !reader->Sealed() || engine.ViewBlock(path, password) != 0) {
        ADD_FAILURE() << path << " does not read back sealed";
        return files;
    }
    for (size_t i = 0; i < reader->Entries().size(); ++i) {
        EXPECT_EQ(reader->CheckTag(i), true) << reader->Entries()[i].path;
        files.push_back({engine.Record(static_cast<int32_t>(i)), reader->ReadStored(i)});
    }
    return files;
}

// The plain bytes of a compressed file's stored bytes ("<damaged>" when they do not expand).
inline std::string Expand(const std::string& stored) {
    modCompress::ByteArray source(stored.begin(), stored.end()), plain;
    int32_t result = 0;
    if (!modCompress::DecompressData(source, plain, result, -1)) return "<damaged>";
    return {plain.begin(), plain.end()};
}

// Every entry below root, folders as "sub/" -> "" and links as "-> target", never followed, so
// that a test can see that nothing was added, removed or changed.
inline Tree Listing(const std::string& root) {
    namespace fs = std::filesystem;
    Tree tree;
    for (const auto& entry : fs::recursive_directory_iterator(root)) {
        const std::string relative = entry.path().lexically_relative(root).generic_string();
        if (entry.is_symlink())
            tree[relative] = "-> " + fs::read_symlink(entry.path()).string();
        else if (entry.is_directory())
            tree[relative + "/"] = "";
        else
            tree[relative] = ReadFile(entry.path().string());
    }
    return tree;
}

// Temporaries of atomic writes and ".zlib" files below root: a finished or stopped operation
// leaves none.
inline std::vector<std::string> Leftovers(const std::string& root) {
    std::vector<std::string> found;
    if (!std::filesystem::exists(root)) return found;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(root)) {
        const std::string name = entry.path().filename().string();
        if (name.ends_with(AtomicFile::kTempSuffix) || name.ends_with(".zlib"))
            found.push_back(entry.path().string());
    }
    return found;
}

}  // namespace vko::test
