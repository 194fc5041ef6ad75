#include "engine/FileProblem.h"

namespace vko {

namespace {

std::string Grouped(int64_t value) {
    std::string digits = std::to_string(value < 0 ? -value : value);
    for (auto at = static_cast<int64_t>(digits.size()) - 3; at > 0; at -= 3)
        digits.insert(static_cast<size_t>(at), 1, ',');
    return value < 0 ? "-" + digits : digits;
}

}  // namespace

std::string ByteCountText(int64_t bytes) {
    return Grouped(bytes) + (bytes == 1 ? " byte" : " bytes");
}

namespace ProblemReason {

std::string Unreadable(const std::string& why, const std::string& path) {
    const std::string suffix = ": " + path;
    const bool namesPath = why.size() > suffix.size() && why.ends_with(suffix);
    return "could not be read: " + (namesPath ? why.substr(0, why.size() - suffix.size()) : why);
}

std::string ChangedSize(int64_t stored) {
    return "changed size while it was boxed: " + ByteCountText(stored) +
           (stored == 1 ? " was stored" : " were stored");
}

std::string NotCompressed(const std::string& why) {
    return "Error compressing: " + why;
}

std::string Missing() {
    return "missing: the box ends before its contents";
}

std::string CutShort(int64_t present, int64_t stored) {
    return "cut short: the box ends after " + Grouped(present) + " of its " + ByteCountText(stored);
}

std::string TrailingBytes(int64_t extra) {
    return ByteCountText(extra) + (extra == 1 ? " follows" : " follow") +
           " the last file's contents: the box is damaged or was joined to another file";
}

std::string ThroughLink(const std::string& link) {
    return "not extracted: its folder is a symbolic link (" + link + ")";
}

}  // namespace ProblemReason

}  // namespace vko
