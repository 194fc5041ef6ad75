#include "util/FileFaults.h"

#include <algorithm>
#include <atomic>

#include "util/File.h"

namespace vko::FileFaults {

namespace {

std::atomic<int64_t> writeBudget{-1};
std::atomic<int64_t> readBudget{-1};

size_t Allow(std::atomic<int64_t>& budget, size_t count) noexcept {
    const int64_t left = budget.load();
    if (left < 0) return count;
    const auto allowed = static_cast<size_t>(std::min<int64_t>(left, static_cast<int64_t>(count)));
    budget.store(left - static_cast<int64_t>(allowed));
    return allowed;
}

}  // namespace

void FailWritesAfter(int64_t bytes) noexcept { writeBudget.store(bytes < 0 ? -1 : bytes); }
void FailReadsAfter(int64_t bytes) noexcept { readBudget.store(bytes < 0 ? -1 : bytes); }

void Reset() noexcept {
    writeBudget.store(-1);
    readBudget.store(-1);
}

size_t AllowWrite(size_t count) noexcept { return Allow(writeBudget, count); }
size_t AllowRead(size_t count) noexcept { return Allow(readBudget, count); }

}  // namespace vko::FileFaults
