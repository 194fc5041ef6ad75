// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/HostileBoxes.h"

#include <string>
#include <utility>

namespace vko::test {

BoxLayout BaseLayout(uint8_t version) {
    BoxLayout layout;
    layout.version = version;
    layout.folders = {"Docs", "sub\\"};
    layout.files = {{0, "a.txt", "hello"}, {2, "b.txt", "world!"}};
    return layout;
}

namespace {

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
    {"size_above_long_range", 1, [](BoxLayout& s) { s.files[0].sizeField = 0x80000005; }},
    {"legacy_record_without_name", 0,
     [](BoxLayout& s) { s.fileTable = std::string("\0\0\0\0\0\5", 6); }},
    {"legacy_folder_number_out_of_range", 0, [](BoxLayout& s) { s.files[1].folder = 7; }},
    {"legacy_name_with_dotdot", 0, [](BoxLayout& s) { FolderEntry(s, "..\\"); }},
};

// The box cut to drop its last bytes. These are older boxes (0.2.0 or legacy), whose data area
// runs to the end of the file; format 1 boxes cut or extended: TamperTest.
std::function<void(BoxLayout&)> CutBy(size_t bytes) {
    return [bytes](BoxLayout& s) {
        s.stream = true;
        s.truncateTo = BuildBox(s, "x").size() - bytes;
    };
}

const Damaged kDamaged[] = {
    {"plain_short_by_one_byte", 1, CutBy(1), "whole", "cut short", false},
    {"plain_short_by_a_whole_file", 1, CutBy(6), "whole", "missing", false},
    {"plain_without_data_area", 1, CutBy(11), "missing", "missing", false},
    {"plain_long_by_one_byte", 1, [](BoxLayout& s) { s.stream = true, s.trailing = "x"; }, "whole",
     "whole", true},
    {"compressed_short_by_one_byte", 2, CutBy(1), "whole", "cut short", false},
    {"compressed_stored_size_past_end", 2,
     [](BoxLayout& s) { s.stream = true, s.files[1].storedField = 1000; }, "whole", "cut short",
     false},
    {"compressed_long_by_a_block", 2,
     [](BoxLayout& s) { s.stream = true, s.trailing = std::string(131072, 'x'); }, "whole",
     "whole", true},
    {"legacy_short_by_one_byte", 0, CutBy(1), "whole", "cut short", false},
};

}  // namespace

std::span<const Hostile> HostileBoxes() {
    return kFixtures;
}

std::span<const Damaged> DamagedBoxes() {
    return kDamaged;
}

}  // namespace vko::test
