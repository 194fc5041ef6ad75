// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <vector>

#include "engine/FileProblem.h"

namespace vko {

// An open folder descriptor, closed with the object.
class OpenFolder {
public:
    // The folder at path, links followed (the caller chose it), of any length.
    [[nodiscard]] static OpenFolder At(const std::string& path);
    // The folder name directly below this one; a link is never followed.
    [[nodiscard]] OpenFolder Below(const std::string& name) const;

    OpenFolder(OpenFolder&& other) noexcept : descriptor_(other.descriptor_), error_(other.error_) {
        other.descriptor_ = -1;
    }
    OpenFolder& operator=(OpenFolder&&) = delete;
    ~OpenFolder();

    [[nodiscard]] int Descriptor() const noexcept { return descriptor_; }
    // Why it could not be opened (an errno value); 0 when it is open.
    [[nodiscard]] int Error() const noexcept { return error_; }

private:
    explicit OpenFolder(int descriptor);

    int descriptor_;
    int error_;
};

// One folder of a tree to box, read through its open descriptor, so that no path length limits
// how deep the tree goes. Regular files and links to them are files; folders that are not links
// are folders; pipes, sockets, devices and links to folders are passed over as system entries.
// Names beginning with "." are hidden: left out and counted unless withHidden.
struct FolderListing {
    struct Entry {
        std::string name;
        bool folder = false;
    };

    std::vector<Entry> entries;         // sorted by name bytes, so a tree always boxes alike
    std::vector<FileProblem> problems;  // links that cannot be followed, a listing that failed
    HiddenCount hidden;

    // path names the folder in problems and ends in a separator.
    [[nodiscard]] static FolderListing Of(const OpenFolder& folder, const std::string& path,
                                          bool withHidden);
};

}  // namespace vko
