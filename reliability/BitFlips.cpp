// SPDX-License-Identifier: GPL-3.0-or-later
#include <algorithm>
#include <filesystem>
#include <iostream>

#include "SoakModes.h"
#include "compress/modCompress.h"
#include "engine/CCipherBlock.h"
#include "engine/FakeHost.h"
#include "support/TestFiles.h"
#include "util/Failure.h"

namespace fs = std::filesystem;

namespace vko::soak {
namespace {

constexpr const char* kPassword = "flip secret";

// A file of the box: where its stored bytes lie.
struct Holder {
    int64_t offset;  // in the data area
    int32_t stored;
    std::string path;
};

class Flipper {
public:
    explicit Flipper(int16_t compression) : compression_(compression) {
        test::MakeTree(dir_ / "Docs", sources_);
        (void)engine_.CreateBlock(box_, "Docs", kPassword, dir_ / "Docs", 0, compression);
        original_ = test::ReadFile(box_);
        (void)engine_.ViewBlock(box_, kPassword);
        headerEnd_ = static_cast<size_t>(engine_.HeaderEnd());
        int64_t offset = 0;
        for (int32_t i = 0; i < static_cast<int32_t>(engine_.Files().size()); ++i) {
            const FileRecord record = engine_.Record(i);
            std::string path =
                (record.FolderNumber < 2 ? "" : engine_.Directory(record.FolderNumber)) +
                record.Name;
            std::replace(path.begin(), path.end(), '\\', '/');
            holders_.push_back({offset, record.Stored, path});
            offset += record.Stored;
        }
    }

    // Every bit of the header: refused with nothing written (each unit labels the next, so a
    // flip garbles the rest of the header), or read with nothing written that is not whole.
    void Header() {
        int refused = 0, read = 0;
        for (size_t byte = 0; byte < headerEnd_; ++byte)
            for (int bit = 0; bit < 8; ++bit) {
                const int16_t result = Extract(byte, bit);
                ++(result == 1 ? refused : read);
                Expect(result == 1 ? !fs::exists(target_) : AllWrittenWhole(), byte,
                       "a header flip wrote something that is not whole");
            }
        std::cout << "header of " << headerEnd_ << " bytes, " << refused + read << " flips: "
                  << refused << " refused, " << read << " read\n";
    }

    // One bit of every stored byte and every bit of the seal: the box reads; the file whose
    // bytes or tag hold the flip is named and not written, every other file is written whole.
    void DataAndSeal() {
        int flips = 0;
        const size_t sealStart = original_.size() - 16 * (holders_.size() + 2);
        for (size_t byte = headerEnd_; byte < original_.size(); ++byte, ++flips) {
            Expect(Extract(byte, static_cast<int>(byte % 8)) == 0, byte, "flip not read");
            std::string hit;
            for (size_t k = 0; k < holders_.size(); ++k) {
                const Holder& holder = holders_[k];
                const size_t at = headerEnd_ + static_cast<size_t>(holder.offset);
                const bool inData = byte >= at && byte < at + static_cast<size_t>(holder.stored);
                if (inData || (byte >= sealStart + 16 * k && byte < sealStart + 16 * (k + 1)))
                    hit = holder.path;
            }
            Expect(AllWrittenWhole() && !tree_.contains(hit) &&
                       tree_.size() + (hit.empty() ? 0 : 1) == sources_.size(),
                   byte, "not every file but " + hit + " written whole");
            Expect(!engine_.Problems().empty(), byte, "the flip is not named");
        }
        std::cout << "data area and seal: " << flips << " flips\n";
    }

    int failures = 0;

private:
    int16_t Extract(size_t byte, int bit) {
        std::string bytes = original_;
        bytes[byte] = static_cast<char>(bytes[byte] ^ (1 << bit));
        test::WriteFile(flipped_, bytes);
        fs::remove_all(parent_);
        fs::create_directories(parent_);
        host_ = test::FakeHost{};
        host_.QueueAnswer(false);  // a stream that does not expand: go on with the next file
        int16_t result = -1;
        try {
            result = engine_.ExtractBlock(flipped_, target_, kPassword);
        } catch (const Failure& failure) {
            Expect(false, byte, "Failure: " + failure.Description());
        }
        for (const auto& entry : fs::directory_iterator(parent_))
            Expect(entry.path().string() == target_, byte, "written outside the target");
        tree_ = fs::exists(target_) ? test::ReadTree(target_) : test::Tree();
        return result;
    }
    bool AllWrittenWhole() const {
        for (const auto& [path, contents] : tree_)
            if (!sources_.contains(path) || sources_.at(path) != contents) return false;
        return true;
    }
    void Expect(bool ok, size_t byte, const std::string& what) {
        if (ok) return;
        ++failures;
        std::cerr << (compression_ ? "compressed" : "plain") << ", byte " << byte << ": " << what
                  << "\n";
    }

    const test::Tree sources_{{"a.txt", "hello world"},
                              {"empty", ""},
                              {"sub/b.bin", test::RandomBytes(300, 21)},
                              {"sub/deep/c.txt", std::string(150, 't')}};
    int16_t compression_;
    test::TempDir dir_{true};
    std::string box_ = dir_ / "box.vkx", flipped_ = dir_ / "flipped.vkx";
    std::string parent_ = dir_ / "parent", target_ = dir_ / "parent/target";
    test::FakeHost host_;
    CCipherBlock engine_{host_};
    std::string original_;
    size_t headerEnd_ = 0;
    std::vector<Holder> holders_;
    test::Tree tree_;
};

}  // namespace

int BitFlips() {
    modCompress::SetErrorReporter([](const std::string&, const std::string&) {});  // expected
    int failures = 0;
    for (const int16_t compression : {0, 1}) {
        std::cout << (compression ? "compressed box: " : "plain box: ");
        Flipper flipper(compression);
        flipper.Header();
        flipper.DataAndSeal();
        failures += flipper.failures;
    }
    std::cout << failures << " flips broke a rule\n";
    return failures;
}

}  // namespace vko::soak
