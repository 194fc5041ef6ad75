// SPDX-License-Identifier: GPL-3.0-or-later
#include "mount/LockedBuffer.h"

#include <sodium.h>
#include <sys/mman.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cstdint>
#include <cstring>

namespace vko::mount {

std::unique_ptr<LockedBuffer> LockedBuffer::Make(size_t bytes) {
    const size_t page = static_cast<size_t>(sysconf(_SC_PAGESIZE));
    const size_t mapped = bytes == 0 ? page : (bytes + page - 1) / page * page;
    void* address = mmap(nullptr, mapped, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (address == MAP_FAILED) return nullptr;
    if (mlock(address, mapped) != 0) {
        munmap(address, mapped);
        return nullptr;
    }
    madvise(address, mapped, MADV_DONTDUMP);
    madvise(address, mapped, MADV_DONTFORK);
    return std::unique_ptr<LockedBuffer>(
        new LockedBuffer(static_cast<uint8_t*>(address), bytes, mapped));
}

LockedBuffer::~LockedBuffer() {
    sodium_memzero(data_, mapped_);
    munlock(data_, mapped_);
    munmap(data_, mapped_);
}

size_t LockableBytes() noexcept {
    rlimit limit{};
    if (getrlimit(RLIMIT_MEMLOCK, &limit) != 0) return 0;
    if (limit.rlim_cur != limit.rlim_max) {
        limit.rlim_cur = limit.rlim_max;
        (void)setrlimit(RLIMIT_MEMLOCK, &limit);
    }
    if (limit.rlim_cur == RLIM_INFINITY || geteuid() == 0) return SIZE_MAX;
    return static_cast<size_t>(limit.rlim_cur);
}

namespace {

// Each block remembers its length in the locked page it starts with.
constexpr size_t kHeader = 64;

}  // namespace

void* ZlibLockedAlloc(void*, unsigned items, unsigned size) {
    const size_t bytes = static_cast<size_t>(items) * size;
    auto buffer = LockedBuffer::Make(bytes + kHeader);
    if (!buffer) return nullptr;
    LockedBuffer* owner = buffer.release();
    std::memcpy(owner->Data(), &owner, sizeof owner);
    return owner->Data() + kHeader;
}

void ZlibLockedFree(void*, void* address) {
    if (!address) return;
    LockedBuffer* owner = nullptr;
    std::memcpy(&owner, static_cast<uint8_t*>(address) - kHeader, sizeof owner);
    delete owner;
}

}  // namespace vko::mount
