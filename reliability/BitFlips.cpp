#include <algorithm>
#include <filesystem>
#include <iostream>

#include "SoakModes.h"
#include "compress/modCompress.h"
#include "engine/CCipherBlock.h"
#include "engine/FakeHost.h"
#include "engine/ScratchDir.h"
#include "support/TestFiles.h"
#include "util/Failure.h"

namespace fs = std::filesystem;

namespace vko::soak {
namespace {

constexpr const char* kPassword = "flip secret";

// A file of the box: where its stored bytes lie and where its record ends in the header.
struct Holder {
    int64_t offset;  // in the data area
    int32_t stored;
    std::string path;
    size_t recordEnd;
};

class Flipper {
public:
    explicit Flipper(int16_t compression) : compression_(compression) {
        test::MakeTree(dir_ / "Docs", sources_);
        (void)engine_.CreateBlock(box_, "Docs", kPassword, dir_ / "Docs", 0, compression);
        original_ = test::ReadFile(box_);
        (void)engine_.ViewBlock(box_, kPassword);
        headerEnd_ = static_cast<size_t>(engine_.HeaderEnd());
        size_t tableBytes = 0;
        for (const std::string& record : engine_.Files()) tableBytes += record.size() + 1;
        tableStart_ = headerEnd_ - tableBytes - 4;
        size_t recordEnd = headerEnd_ - tableBytes;
        int64_t offset = 0;
        for (int32_t i = 0; i < static_cast<int32_t>(engine_.Files().size()); ++i) {
            const FileRecord record = engine_.Record(i);
            std::string path =
                (record.FolderNumber < 2 ? "" : engine_.Directory(record.FolderNumber)) + record.Name;
            std::replace(path.begin(), path.end(), '\\', '/');
            recordEnd += engine_.Files()[static_cast<size_t>(i)].size() + 1;
            holders_.push_back({offset, record.Stored, path, recordEnd});
            offset += record.Stored;
        }
    }

    // Every bit of the header: refused with nothing written, or read (damaged or not) with the
    // files whose records precede the flip whole.
    void Header() {
        int refused = 0, damaged = 0, read = 0;
        for (size_t byte = 0; byte < headerEnd_; ++byte)
            for (int bit = 0; bit < 8; ++bit) {
                const int16_t result = Extract(byte, bit);
                if (result == 1) {
                    ++refused;
                    Expect(!fs::exists(target_), byte, "refused, yet the target was made");
                    continue;
                }
                ++(engine_.Problems().empty() ? read : damaged);
                if (byte < tableStart_) continue;  // run A names every file's run
                for (const Holder& holder : holders_) {
                    if (holder.recordEnd > byte) break;
                    const auto found = tree_.find(holder.path);
                    Expect(found != tree_.end() && found->second == sources_.at(holder.path), byte,
                           holder.path + " before the flip is not whole");
                }
            }
        std::cout << "header of " << headerEnd_ << " bytes, " << refused + damaged + read
                  << " flips: " << refused << " refused, " << damaged << " damaged, " << read
                  << " read\n";
    }

    // One bit of every stored byte: only the file holding it differs; a plain file from that
    // byte on, a compressed one as a stream that no longer expands.
    void Data() {
        int flips = 0;
        for (const Holder& holder : holders_)
            for (int32_t p = 0; p < holder.stored; ++p, ++flips) {
                const size_t byte = headerEnd_ + static_cast<size_t>(holder.offset + p);
                Expect(Extract(byte, p % 8) == 0, byte, "data flip not read");
                for (const auto& [path, contents] : sources_)
                    if (path != holder.path)
                        Expect(tree_.count(path) && tree_.at(path) == contents, byte,
                               path + " garbled by a flip in " + holder.path);
                if (compression_ != 0) continue;
                const std::string& got = tree_[holder.path];
                const std::string& want = sources_.at(holder.path);
                const auto at = static_cast<size_t>(p);
                Expect(got.size() == want.size() && got.compare(0, at, want, 0, at) == 0 &&
                           got[at] != want[at],
                       byte, holder.path + " not garbled exactly from the flipped byte");
            }
        std::cout << "data area: " << flips << " flips\n";
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
    test::ScratchDir dir_;
    std::string box_ = dir_ / "box.vkx", flipped_ = dir_ / "flipped.vkx";
    std::string parent_ = dir_ / "parent", target_ = dir_ / "parent/target";
    test::FakeHost host_;
    CCipherBlock engine_{host_};
    std::string original_;
    size_t headerEnd_ = 0, tableStart_ = 0;
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
        flipper.Data();
        failures += flipper.failures;
    }
    std::cout << failures << " flips broke a rule\n";
    return failures;
}

}  // namespace vko::soak
