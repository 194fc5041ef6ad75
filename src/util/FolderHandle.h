// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <memory>
#include <string>

namespace vko {

// An open folder. What lies below it is made, entered, renamed and removed through the handle,
// never through a symbolic link, so nothing reached this way can lie anywhere else, even when
// a link is put in the place of a folder while the work goes on.
class FolderHandle {
public:
    // Opens the folder at path; links on the way are followed, since the caller chose the path.
    // Throws Failure naming it.
    [[nodiscard]] static std::shared_ptr<const FolderHandle> Open(const std::string& path);
    // The same, after making the folder and every missing folder above it (private: 0700).
    [[nodiscard]] static std::shared_ptr<const FolderHandle> Make(const std::string& path);
    ~FolderHandle();
    FolderHandle(const FolderHandle&) = delete;
    FolderHandle& operator=(const FolderHandle&) = delete;

    // The folder name directly below this one, made first when it is missing (private: 0700).
    // Nothing when name is a symbolic link, which is never followed. Any other failure (a file in
    // the way, no permission) throws Failure naming the path. made, when given, tells whether
    // this call made the folder.
    [[nodiscard]] std::shared_ptr<const FolderHandle> Enter(const std::string& name,
                                                            bool* made = nullptr) const;
    // The folder name directly below this one if it is there; nothing when it is missing, a
    // link or not a folder. Makes nothing.
    [[nodiscard]] std::shared_ptr<const FolderHandle> Find(const std::string& name) const;
    // Whether anything (a link included, not followed) is there as name.
    [[nodiscard]] bool Holds(const std::string& name) const noexcept;
    // Removes name from this folder if it is there (a link is removed, not followed).
    void Remove(const std::string& name) const noexcept;

    [[nodiscard]] int Descriptor() const noexcept { return descriptor_; }
    // The folder's path with a separator at its end (empty for the current folder), for
    // messages.
    [[nodiscard]] const std::string& Path() const noexcept { return path_; }

private:
    FolderHandle(int descriptor, std::string path);

    int descriptor_;
    std::string path_;
};

}  // namespace vko
