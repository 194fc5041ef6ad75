// Damaged and forged boxes, each fixture named after the fault it holds: every one is refused
// as "Password incorrect or header damaged" before anything is written.
#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <new>

#include "engine/EngineFixture.h"
#include "util/Failure.h"

namespace {
std::atomic<bool> trackAllocations{false};
std::atomic<size_t> largestAllocation{0};

void* TrackedAllocate(std::size_t size) noexcept {
    if (trackAllocations.load(std::memory_order_relaxed)) {
        size_t seen = largestAllocation.load(std::memory_order_relaxed);
        while (size > seen && !largestAllocation.compare_exchange_weak(seen, size)) {
        }
    }
    return std::malloc(size == 0 ? 1 : size);
}
}  // namespace

// Records the largest single allocation while tracking is on. Every unaligned form is
// replaced, so that nothing allocated by one runtime is released by another (sanitizers bring
// their own). The compiler cannot tell that these pair malloc with free, hence the pragma.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
// clang-format off
void* operator new(std::size_t size) {
    if (void* p = TrackedAllocate(size)) return p;
    throw std::bad_alloc();
}
void* operator new[](std::size_t size) { return operator new(size); }
void* operator new(std::size_t n, const std::nothrow_t&) noexcept { return TrackedAllocate(n); }
void* operator new[](std::size_t n, const std::nothrow_t&) noexcept { return TrackedAllocate(n); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { std::free(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { std::free(p); }
// clang-format on
#pragma GCC diagnostic pop

namespace vko::test {
namespace {

namespace fs = std::filesystem;

BoxLayout Base(uint8_t version) {
    BoxLayout layout;
    layout.version = version;
    layout.folders = {"Docs", "sub\\"};
    layout.files = {{0, "a.txt", "hello"}, {2, "b.txt", "world!"}};
    return layout;
}

struct Hostile {
    const char* name;
    uint8_t version;
    std::function<void(BoxLayout&)> damage;
};

void FolderEntry(BoxLayout& s, const char* entry) {
    s.folders[1] = entry;
}
void FileName(BoxLayout& s, std::string name) {
    s.files[0].name = std::move(name);
}

const Hostile kFixtures[] = {
    {"name_with_dotdot", 1, [](BoxLayout& s) { FolderEntry(s, "..\\"); }},
    {"dotdot_inside_folder_entry", 2, [](BoxLayout& s) { FolderEntry(s, "sub\\..\\..\\"); }},
    {"file_name_dotdot", 1, [](BoxLayout& s) { FileName(s, ".."); }},
    {"absolute_name", 1, [](BoxLayout& s) { FolderEntry(s, "\\etc\\"); }},
    {"absolute_file_name", 2, [](BoxLayout& s) { FileName(s, "/etc/passwd"); }},
    {"drive_folder_entry", 1, [](BoxLayout& s) { FolderEntry(s, "C:\\windows\\"); }},
    {"drive_file_name", 1, [](BoxLayout& s) { FileName(s, "C:evil"); }},
    {"file_name_with_separator", 1, [](BoxLayout& s) { FileName(s, "x/y"); }},
    {"file_name_with_backslash", 2, [](BoxLayout& s) { FileName(s, "x\\y"); }},
    {"file_name_with_nul", 1, [](BoxLayout& s) { FileName(s, std::string("a\0b", 3)); }},
    {"empty_file_name", 1, [](BoxLayout& s) { FileName(s, ""); }},
    {"folder_entry_with_slash", 1, [](BoxLayout& s) { FolderEntry(s, "a/../../b\\"); }},
    {"folder_entry_without_separator", 1, [](BoxLayout& s) { FolderEntry(s, "sub"); }},
    {"root_name_with_slash", 1, [](BoxLayout& s) { s.folders[0] = "../x"; }},
    {"duplicate_folder_entries", 1, [](BoxLayout& s) { s.folders.push_back("SUB\\"); }},
    {"folder_table_without_terminator", 1,
     [](BoxLayout& s) { s.folderTable = std::string("Docs\0sub\\", 9); }},
    {"empty_folder_table", 1, [](BoxLayout& s) { s.folderTable = ""; }},
    {"folder_table_past_eof", 1, [](BoxLayout& s) { s.folderLength = 10000; }},
    {"file_table_past_eof", 2, [](BoxLayout& s) { s.fileLength = 10000; }},
    {"huge_folder_table_length", 1, [](BoxLayout& s) { s.folderLength = 0x7FFFFFFF; }},
    {"huge_file_table_length", 1, [](BoxLayout& s) { s.fileLength = 0x7FFFFFFF; }},
    {"file_table_length_above_long_range", 1, [](BoxLayout& s) { s.fileLength = 0xFFFFFFFF; }},
    {"name_past_eof", 1, [](BoxLayout& s) { s.truncateTo = 4; }},
    {"record_past_file_table", 1,
     [](BoxLayout& s) { s.fileTable = "\x40" + RecordBytes(s.files[0], 1); }},
    {"record_without_name", 1,
     [](BoxLayout& s) { s.fileTable = std::string("\x06\0\0\0\0\0\0", 7); }},
    {"folder_number_out_of_range", 1, [](BoxLayout& s) { s.files[1].folder = 3; }},
    {"folder_number_far_out_of_range", 2, [](BoxLayout& s) { s.files[1].folder = 999; }},
    {"stored_sizes_exceed_data_area", 2, [](BoxLayout& s) { s.files[1].storedField = 1000; }},
    {"stored_sizes_short_of_data_area", 1, [](BoxLayout& s) { s.trailing = "x"; }},
    {"plain_size_exceeds_data_area", 1, [](BoxLayout& s) { s.files[0].sizeField = 6; }},
    {"size_above_long_range", 1, [](BoxLayout& s) { s.files[0].sizeField = 0x80000005; }},
    {"data_area_cut_short", 2, [](BoxLayout& s) { s.truncateTo = BuildBox(s, "x").size() - 1; }},
    {"legacy_record_without_name", 0,
     [](BoxLayout& s) { s.fileTable = std::string("\0\0\0\0\0\5", 6); }},
    {"legacy_folder_number_out_of_range", 0, [](BoxLayout& s) { s.files[1].folder = 7; }},
    {"legacy_name_with_dotdot", 0, [](BoxLayout& s) { FolderEntry(s, "..\\"); }},
};

class HostileBoxTest : public EngineFixture {
protected:
    std::string HostileBox(const Hostile& fixture) {
        BoxLayout layout = Base(fixture.version);
        fixture.damage(layout);
        return Forge(layout, std::string(fixture.name) + ".vkx");
    }
};

// The undamaged bases read, so each fixture fails for its damage alone. Reading a fixture never
// allocates more than the file holds.
TEST_F(HostileBoxTest, EveryFixtureIsRefusedAndWritesNothing) {
    for (const uint8_t version : {0, 1, 2}) {
        const std::string target = dir / ("base" + std::to_string(version));
        EXPECT_EQ(engine.ExtractBlock(Forge(Base(version)), target, kPassword), 0);
        EXPECT_EQ(ReadTree(target), (Tree{{"a.txt", "hello"}, {"sub/b.txt", "world!"}}));
    }
    const std::string target = dir / "parent/target";
    fs::create_directories(dir / "parent");
    for (const auto& fixture : kFixtures) {
        SCOPED_TRACE(fixture.name);
        const std::string path = HostileBox(fixture);
        const Tree before = Listing(dir.Str());

        largestAllocation = 0;
        trackAllocations = true;
        const int16_t viewed = engine.ViewBlock(path, kPassword);
        trackAllocations = false;
        EXPECT_EQ(viewed, 1);
        EXPECT_LE(largestAllocation.load(), std::max<size_t>(fs::file_size(path), 4096));

        host.messages.clear();
        EXPECT_EQ(engine.ExtractBlock(path, target, kPassword), 1);
        ASSERT_EQ(host.messages.size(), 1u);
        EXPECT_EQ(host.messages[0].text, kHeaderDamagedMessage);
        EXPECT_EQ(host.messages[0].icon, BlockHost::Icon::Information);
        EXPECT_EQ(engine.DynamicExtractBlock(path, target, kPassword), 1);
        EXPECT_THROW(engine.DynamicExtractToFile(1, target), Failure);
        EXPECT_EQ(Listing(dir.Str()), before);
    }
}

// A sound header whose file "sub" collides with its folder "sub\": the file cannot be written,
// which is an error naming the path; nothing is left behind and the box slot is released.
TEST_F(HostileBoxTest, FileSystemClashEndsInACleanFailure) {
    BoxLayout layout = Base(1);
    layout.files.push_back({0, "sub", "clash"});
    const std::string path = Forge(layout);
    const std::string target = dir / "out";
    try {
        (void)engine.ExtractBlock(path, target, kPassword);
        ADD_FAILURE() << "the clash was not reported";
    } catch (const Failure& failure) {
        EXPECT_THAT(failure.Description(), ::testing::HasSubstr(target));
    }
    EXPECT_TRUE(Leftovers(target).empty());
    EXPECT_EQ(ReadTree(target), (Tree{{"a.txt", "hello"}, {"sub/b.txt", "world!"}}));
    EXPECT_EQ(engine.ViewBlock(path, kPassword), 0);
}

}  // namespace
}  // namespace vko::test
