// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/SpanFile.h"

namespace vko {

SpanFile::SpanFile(TargetFolders& folders, std::string entry, std::string name)
    : folders_(folders), entry_(std::move(entry)), name_(std::move(name)) {}

bool SpanFile::Ready() {
    const std::lock_guard lock(open_);
    if (tried_) return !stopped_;
    tried_ = true;
    TargetFolders::Entered entered = folders_.Enter(entry_);
    if (!entered.folder) {
        refusal_ = std::move(entered.refusal);
        stopped_ = true;
        return false;
    }
    try {
        target_ = std::make_unique<AtomicFile>(std::move(entered.folder), name_);
    } catch (const Failure& failure) {
        failure_ = failure;
        stopped_ = true;
        throw;
    }
    return true;
}

bool SpanFile::WriteAt(int64_t offset, const char* bytes, size_t count) {
    const std::shared_lock writing(file_);
    if (stopped_ || !target_) return false;
    try {
        target_->Out().WriteAt(offset, bytes, count);
    } catch (const Failure& failure) {
        const std::lock_guard lock(open_);
        if (!failure_) failure_ = failure;
        stopped_ = true;
        throw;
    }
    return true;
}

std::string SpanFile::Refusal() const {
    const std::lock_guard lock(open_);
    return refusal_;
}

std::optional<Failure> SpanFile::WriteFailure() const {
    const std::lock_guard lock(open_);
    return failure_;
}

void SpanFile::Drop() noexcept {
    stopped_ = true;
    const std::unique_lock alone(file_);
    target_.reset();
}

bool SpanFile::Place(bool replace) {
    const std::unique_lock alone(file_);
    if (!target_) return false;
    bool placed = true;
    try {
        if (replace)
            target_->Commit(AtomicFile::Durability::kOrdered);
        else
            placed = target_->CommitNew(AtomicFile::Durability::kOrdered);
    } catch (const Failure& failure) {
        const std::lock_guard lock(open_);
        failure_ = failure;
        target_.reset();
        throw;
    }
    target_.reset();
    return placed;
}

}  // namespace vko
