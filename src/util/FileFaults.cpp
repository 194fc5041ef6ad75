// SPDX-License-Identifier: GPL-3.0-or-later
#include "util/FileFaults.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <mutex>
#include <set>

#include "util/File.h"
#include "util/SourceFile.h"

namespace vko::FileFaults {

namespace {

std::atomic<int64_t> writeBudget{-1};
std::atomic<int64_t> readBudget{-1};
// Ordinary runs only read the flag; the sets are taken under the lock when a test denies or
// holds a path.
std::atomic<bool> anyDenied{false};
std::atomic<bool> syncFails{false};
std::atomic<bool> noAnonymous{false};
std::mutex deniedLock;
std::set<std::string> denied;
std::set<std::string> held;
std::condition_variable released;

// Workers read and write at once, so the budget is taken in one exchange: two calls that both
// saw the same balance would otherwise each spend it, and more bytes would pass than allowed.
size_t Allow(std::atomic<int64_t>& budget, size_t count) noexcept {
    int64_t left = budget.load();
    int64_t allowed = 0;
    do {
        if (left < 0) return count;
        allowed = std::min<int64_t>(left, static_cast<int64_t>(count));
    } while (!budget.compare_exchange_weak(left, left - allowed));
    return static_cast<size_t>(allowed);
}

}  // namespace

void FailWritesAfter(int64_t bytes) noexcept {
    writeBudget.store(bytes < 0 ? -1 : bytes);
}
void FailReadsAfter(int64_t bytes) noexcept {
    readBudget.store(bytes < 0 ? -1 : bytes);
}

void DenyReading(const std::string& path) {
    const std::lock_guard lock(deniedLock);
    denied.insert(path);
    anyDenied.store(true);
}

void FailSyncs() noexcept {
    syncFails.store(true);
}
void NoAnonymousFiles() noexcept {
    noAnonymous.store(true);
}

void HoldOpening(const std::string& path) {
    const std::lock_guard lock(deniedLock);
    held.insert(path);
    anyDenied.store(true);
}

void Reset() noexcept {
    writeBudget.store(-1);
    readBudget.store(-1);
    syncFails.store(false);
    noAnonymous.store(false);
    const std::lock_guard lock(deniedLock);
    denied.clear();
    held.clear();
    anyDenied.store(false);
    released.notify_all();
}

bool ReadingDenied(const std::string& path) noexcept {
    if (!anyDenied.load()) return false;
    const std::lock_guard lock(deniedLock);
    return denied.contains(path);
}

bool SyncFails() noexcept {
    return syncFails.load();
}
bool AnonymousFilesRefused() noexcept {
    return noAnonymous.load();
}

void WaitIfHeld(const std::string& path) {
    if (!anyDenied.load()) return;
    std::unique_lock lock(deniedLock);
    released.wait(lock, [&] { return !held.contains(path); });
}

size_t AllowWrite(size_t count) noexcept {
    return Allow(writeBudget, count);
}
size_t AllowRead(size_t count) noexcept {
    return Allow(readBudget, count);
}

}  // namespace vko::FileFaults
