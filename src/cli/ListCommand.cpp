// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/ListCommand.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <nlohmann/json.hpp>

#include "cli/BoxListing.h"
#include "cli/DisplayText.h"
#include "cli/PasswordSource.h"
#include "cli/ProblemReport.h"
#include "cli/StandardStreams.h"
#include "util/Failure.h"

namespace vko::cli {

namespace {

// Long paths would push every size far to the right; beyond this they just stick out.
constexpr size_t kMaxPathColumn = 60;

// Writes one piece of the listing; a listing that cannot be written is stopped at once rather
// than written on into the void for every remaining file.
void Write(const std::string& text) {
    if (std::fputs(text.c_str(), stdout) < 0 || std::ferror(stdout))
        throw FailureFromErrno(errno != 0 ? errno : EIO, "standard output");
}

// Whether every tag of the box can be checked, and what its seal said.
const char* SealText(const CCipherBlock& engine) {
    if (engine.Format() != BoxFormat::Format::kSealed) return "no (this format has no seal)";
    return engine.Sealed() ? "yes" : "no (damaged)";
}

void PrintText(const CCipherBlock& engine) {
    Write("Box:         " + ForDisplay(engine.BlockName()) + "\n");
    Write("Root folder: " + ForDisplay(engine.RootPath()) + "\n");
    Write("Version:     " + std::to_string(engine.BlockVersion()) + "\n");
    Write(std::string("Compressed:  ") + (engine.Compressed() == 1 ? "yes" : "no") + "\n");
    Write(std::string("Format:      ") + BoxFormat::FormatName(engine.Format()) + "\n");
    Write(std::string("Sealed:      ") + SealText(engine) + "\n");
    const auto count = static_cast<int32_t>(engine.Files().size());
    size_t pathWidth = 0;
    for (int32_t i = 0; i < count; ++i)
        pathWidth = std::max(pathWidth, EntryPath(engine, engine.Record(i)).size());
    pathWidth = std::min(pathWidth, kMaxPathColumn);
    const int numberWidth = static_cast<int>(std::to_string(count).size());
    int64_t total = 0;
    for (int32_t i = 0; i < count; ++i) {
        const FileRecord record = engine.Record(i);
        char size[32];
        std::snprintf(size, sizeof size, "  %12lld\n", static_cast<long long>(record.Size));
        std::string number = std::to_string(i + 1);
        std::string path = ForDisplay(EntryPath(engine, record));
        number.insert(0, static_cast<size_t>(numberWidth) - number.size(), ' ');
        if (path.size() < pathWidth) path.append(pathWidth - path.size(), ' ');
        Write(number + "  " + path + size);
        total += record.Size;
    }
    Write(std::to_string(count) + (count == 1 ? " file, " : " files, ") + std::to_string(total) +
          " bytes\n");
}

// "key": "text", and beside it "keyHex": the exact bytes, when text is not UTF-8 (the readable
// form then holds U+FFFD for each byte that is not).
std::string TextMember(const std::string& key, const std::string& text) {
    using Json = nlohmann::json;
    std::string member = "\"" + key + "\": ";
    try {
        return member + Json(text).dump();
    } catch (const Json::type_error&) {
        member += Json(text).dump(-1, ' ', false, Json::error_handler_t::replace);
    }
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string hex;
    for (unsigned char byte : text) {
        hex += kDigits[byte >> 4];
        hex += kDigits[byte & 15];
    }
    return member + ", \"" + key + "Hex\": \"" + hex + "\"";
}

// Paths in JSON have "/" between folders, as they are written on the command line.
std::string JsonPath(std::string path) {
    std::replace(path.begin(), path.end(), '\\', '/');
    return path;
}

// What comes before element index of a JSON array whose elements have a line each.
std::string ElementStart(size_t index) {
    return index == 0 ? "\n    " : ",\n    ";
}

// What closes a JSON array of count elements.
std::string ArrayEnd(size_t count) {
    return count == 0 ? "]" : "\n  ]";
}

std::string FileElement(const CCipherBlock& engine, int32_t index) {
    const FileRecord record = engine.Record(index);
    return "{\"index\": " + std::to_string(index + 1) + ", " +
           TextMember("path", JsonPath(EntryPath(engine, record))) +
           ", \"size\": " + std::to_string(record.Size) +
           ", \"stored\": " + std::to_string(record.Stored) + "}";
}

// Written as it is read, one file a line: a box of millions of files needs no more memory to
// list than to open.
void PrintJson(const CCipherBlock& engine) {
    Write("{\n  " + TextMember("name", engine.BlockName()) + ",\n");
    Write("  " + TextMember("root", engine.RootPath()) + ",\n");
    Write("  \"version\": " + std::to_string(engine.BlockVersion()) + ",\n");
    Write(std::string("  \"compressed\": ") + (engine.Compressed() == 1 ? "true" : "false") +
          ",\n");
    Write(std::string("  \"format\": \"") + BoxFormat::FormatName(engine.Format()) + "\",\n");
    Write(std::string("  \"sealed\": ") + (engine.Sealed() ? "true" : "false") +
          ",\n  \"files\": [");
    const auto count = static_cast<int32_t>(engine.Files().size());
    int64_t total = 0;
    for (int32_t i = 0; i < count; ++i) {
        Write(ElementStart(static_cast<size_t>(i)) + FileElement(engine, i));
        total += engine.Record(i).Size;
    }
    Write(ArrayEnd(static_cast<size_t>(count)) + ",\n  \"totalSize\": " + std::to_string(total) +
          ",\n  \"problems\": [");
    const auto& problems = engine.Problems();
    for (size_t i = 0; i < problems.size(); ++i)
        Write(ElementStart(i) + "{" + TextMember("path", JsonPath(problems[i].path)) + ", " +
              TextMember("reason", problems[i].reason) + "}");
    Write(ArrayEnd(problems.size()) + "\n}\n");
}

}  // namespace

ExitCode RunList(const ListOptions& options) {
    RequireReadableBox(options.box);
    Password password = ReadPassword(options.passwordFile, PasswordUse::kOpen);
    TerminalHost host;
    CCipherBlock engine(host);
    if (!ReadHeader(engine, host, options.box, password.Text())) return ExitCode::kBadHeader;
    if (options.json)
        PrintJson(engine);
    else
        PrintText(engine);
    StandardStreams::RequireWritten();  // the listing first, then what is wrong with it
    return ReportProblems(engine.Problems());
}

}  // namespace vko::cli
