// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "mount/BoxTree.h"
#include "mount/FileContents.h"
#include "mount/LockedBuffer.h"
#include "mount/MountSource.h"

struct fuse_session;

namespace vko::mount {

// Why a view could not be mounted; nothing was left mounted.
class MountError : public std::runtime_error {
public:
    enum class Kind {
        kMountPoint,  // the folder cannot take it (MountPoint::Refusal)
        kNoFuse,      // the machine has no usable FUSE
        kFailed       // the mount itself failed
    };
    MountError(Kind kind, const std::string& message) : std::runtime_error(message), kind_(kind) {}
    [[nodiscard]] Kind WhatKind() const noexcept { return kind_; }

private:
    Kind kind_;
};

// A box shown as a read-only folder through FUSE, served on threads of its own. Folders are
// 0500 and files 0400 for the user who mounted it, with the box file's times; nobody else may
// enter it. Nothing deciphered is written anywhere: it lives in locked memory (FileContents)
// and in the kernel's page cache, which drops it when the view ends.
class FolderView {
public:
    struct Options {
        std::string box;  // the box file, whose times the view shows
        uint64_t cap = uint64_t{256} << 20;  // expanded files held at most (bytes)
        unsigned threads = 4;
        FileContents::Damaged damaged;  // called for each damaged file, from a serving thread
    };

    // Mounts source on folder (an empty folder) and starts serving it. Throws MountError.
    [[nodiscard]] static std::unique_ptr<FolderView> Mount(std::unique_ptr<MountSource> source,
                                                           const std::string& folder,
                                                           Options options);
    // Stop()s.
    ~FolderView();
    FolderView(const FolderView&) = delete;
    FolderView& operator=(const FolderView&) = delete;

    [[nodiscard]] const std::string& Folder() const noexcept { return folder_; }

    // Detaches the view from its folder. Programs that hold files in it keep reading them; the
    // view ends once the last of them is closed (or at Stop).
    void Unmount();
    // Whether the view has ended: unmounted (here or by fusermount3 -u) and nothing held open.
    [[nodiscard]] bool Ended() const noexcept { return running_.load() == 0; }
    // Waits until the view ends or timeout passes; true when it ended.
    bool WaitEnded(std::chrono::milliseconds timeout);
    // Ends the view now: unmounted if it is not, serving stopped (reads of files still held
    // open fail), everything held wiped.
    void Stop();

    // The box's files the view does not show, and why.
    [[nodiscard]] const std::vector<LeftOut>& LeftOutFiles() const noexcept { return leftOut_; }

    // Bytes of expanded files held now.
    [[nodiscard]] uint64_t Held() const { return contents_.Held(); }

private:
    FolderView(std::unique_ptr<MountSource> source, std::string folder, Options options);
    void Serve(LockedBuffer& request);
    friend struct ViewOps;

    std::unique_ptr<MountSource> source_;
    std::string folder_;
    Options options_;
    std::vector<LeftOut> leftOut_;
    BoxTree tree_;
    FileContents contents_;
    struct timespec times_[3]{};  // access, modification, change
    uint64_t totalBytes_ = 0;
    uid_t uid_;
    gid_t gid_;

    fuse_session* session_ = nullptr;
    bool mounted_ = false;
    std::mutex stateMutex_;
    std::vector<std::thread> threads_;
    std::vector<std::unique_ptr<LockedBuffer>> buffers_;  // one reply buffer per thread
    std::atomic<unsigned> running_{0};
    std::mutex endMutex_;
    std::condition_variable ended_;
};

}  // namespace vko::mount
