#include <filesystem>
#include <functional>

#include "engine/CreateFixture.h"
#include "engine/CreatePlan.h"
#include "util/Failure.h"

namespace fs = std::filesystem;
using ::testing::HasSubstr;
using ::testing::IsEmpty;

namespace vko::test {
namespace {

class CreateLimitsTest : public CreateFixture {
protected:
    void SetUp() override {
        CreateFixture::SetUp();
        box = dir / "new/deeper/box.vkx";
    }
};

void Sparse(const std::string& path, int64_t size) {
    WriteFile(path, "");
    fs::resize_file(path, static_cast<uintmax_t>(size));
}

struct Limit {
    const char* label;
    Tree tree;
    std::function<void(const std::string& root)> prepare;
    std::string boxName;
    int16_t compression;
    std::vector<std::string> mentions;  // relative to the source folder; "" = the folder
    std::string text;                   // a further piece of the message
};

// Every limit is checked before anything is written, with a message naming the path.
TEST_F(CreateLimitsTest, RefusedBeforeAnythingIsWritten) {
    const std::string longName(250, 'n');
    const int64_t twoGiB = int64_t{1} << 31;
    const Limit limits[] = {
        {"box name", {{"a.txt", "a"}}, nullptr, std::string(256, 'b'), 0, {}, "256 bytes"},
        {"file name", {{longName, "a"}}, nullptr, "Box", 0, {longName}, "249"},
        {"compressed file name",
         {{longName.substr(4), "a"}},
         nullptr,
         "Box",
         1,
         {longName.substr(4)},
         "245"},
        {"backslash in file name", {{"a\\b.txt", "a"}}, nullptr, "Box", 0, {"a\\b.txt"}, ""},
        {"backslash in folder name", {{"x\\y/f.txt", "f"}}, nullptr, "Box", 0, {"x\\y/"}, ""},
        {"drive-like file name", {{"c:notes.txt", "n"}}, nullptr, "Box", 0, {"c:notes.txt"}, ""},
        {"names that meet in lower case",
         {{"Sub/x.txt", "1"}, {"sub/x.txt", "2"}},
         nullptr,
         "Box",
         0,
         {"Sub/x.txt", "sub/x.txt"},
         "lower case"},
        {"file meets a folder",
         {{"sub", "file"}, {"SUB/x.txt", "2"}},
         nullptr,
         "Box",
         0,
         {"sub"},
         "lower case"},
        {"2 GiB file",
         {},
         [&](const std::string& r) { Sparse(r + "/big", twoGiB); },
         "Box",
         0,
         {"big"},
         CreatePlan::kTooLargeAdvice},
        {"total above 2 GiB",
         {},
         [&](const std::string& r) {
             Sparse(r + "/one", twoGiB / 4 * 3);
             Sparse(r + "/two", twoGiB / 4 * 3);
         },
         "Box",
         0,
         {""},
         CreatePlan::kTooLargeText},
        {"compression level", {{"a.txt", "a"}}, nullptr, "Box", 2, {}, "Compression level 2"},
    };
    for (const Limit& limit : limits) {
        SCOPED_TRACE(limit.label);
        fs::remove_all(root);
        MakeTree(root, limit.tree);
        if (limit.prepare) limit.prepare(root);
        try {
            (void)engine.CreateBlock(box, limit.boxName, kPassword, root, 0, limit.compression);
            ADD_FAILURE() << "no failure";
        } catch (const Failure& failure) {
            for (const std::string& path : limit.mentions)
                EXPECT_THAT(failure.Description(), HasSubstr(root + "/" + path));
            if (limit.mentions.empty()) {
                EXPECT_THAT(failure.Description(), HasSubstr(box));
            }
            EXPECT_THAT(failure.Description(), HasSubstr(limit.text));
        }
        EXPECT_FALSE(fs::exists(dir / "new"));
    }
    EXPECT_THAT(host.messages, IsEmpty());
}

TEST_F(CreateLimitsTest, NamesAtTheLimitFit) {
    MakeTree(root, {{std::string(249, 'p'), "plain"}});
    EXPECT_EQ(Create(0, 0, std::string(255, 'b')), 1);
    fs::remove_all(root);
    MakeTree(root, {{std::string(245, 'c'), "compressed"}});
    EXPECT_EQ(Create(1), 1);
    EXPECT_EQ(Decode().records.at(0).name, std::string(245, 'c'));
}

TEST_F(CreateLimitsTest, MissingFolderIsRefused) {
    try {
        (void)Create();
        ADD_FAILURE() << "no failure";
    } catch (const Failure& failure) {
        EXPECT_THAT(failure.Description(), HasSubstr(root));
    }
    EXPECT_FALSE(fs::exists(dir / "new"));
}

TEST(FolderCountTest, AtMost65535Entries) {
    FolderTable folders;
    folders.Add("Docs");
    for (int i = 2; i <= 65535; ++i) folders.Add("f" + std::to_string(i) + "\\");
    EXPECT_NO_THROW(CreatePlan::CheckFolderCount(folders, "/data/Docs/"));
    folders.Add("one\\more\\");
    try {
        CreatePlan::CheckFolderCount(folders, "/data/Docs/");
        ADD_FAILURE() << "no failure";
    } catch (const Failure& failure) {
        EXPECT_THAT(failure.Description(), HasSubstr("/data/Docs/one/more/"));
    }
}

}  // namespace
}  // namespace vko::test
