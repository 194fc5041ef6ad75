#pragma once

#include <list>
#include <memory>
#include <mutex>
#include <string>
#include <utility>

#include "util/FolderHandle.h"

namespace vko {

// The folders an extraction writes into. The extraction folder is the user's choice and may be
// reached through links; every folder below it is made and entered without following one. A
// folder of the box whose path meets a symbolic link already in the target is refused, and so
// is every file in it: nothing is ever written through a link outside the target.
class TargetFolders {
public:
    // root is the extraction folder with its separator; it is made, with its parents, when
    // missing. Throws Failure.
    explicit TargetFolders(const std::string& root);

    struct Entered {
        std::shared_ptr<const FolderHandle> folder;  // null when refused
        std::string link;                            // the link that refused it
    };
    // The folder of a box folder entry ("photos\2024\"; empty for the extraction folder), made
    // when missing. Safe to call from several threads. Throws Failure when a folder cannot be
    // made for any reason other than a link.
    [[nodiscard]] Entered Enter(const std::string& entry);

private:
    [[nodiscard]] Entered Walk(const std::string& entry) const;

    // Folders entered last: the files of one folder follow each other in a box.
    static constexpr size_t kRecent = 16;

    std::string root_;
    std::shared_ptr<const FolderHandle> handle_;
    std::mutex mutex_;
    std::list<std::pair<std::string, Entered>> recent_;  // most recent first
};

}  // namespace vko
