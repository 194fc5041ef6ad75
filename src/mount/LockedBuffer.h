// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>

// Memory for deciphered bytes: locked into RAM so that it is never written to swap, left out of
// core dumps, and wiped before it is given back.
namespace vko::mount {

class LockedBuffer {
public:
    // Nothing when the memory cannot be mapped or locked (the caller falls back or refuses).
    [[nodiscard]] static std::unique_ptr<LockedBuffer> Make(size_t bytes);
    ~LockedBuffer();
    LockedBuffer(const LockedBuffer&) = delete;
    LockedBuffer& operator=(const LockedBuffer&) = delete;

    [[nodiscard]] uint8_t* Data() noexcept { return data_; }
    [[nodiscard]] const uint8_t* Data() const noexcept { return data_; }
    [[nodiscard]] size_t Size() const noexcept { return size_; }
    [[nodiscard]] std::span<uint8_t> Span() noexcept { return {data_, size_}; }

private:
    LockedBuffer(uint8_t* data, size_t size, size_t mapped) noexcept
        : data_(data), size_(size), mapped_(mapped) {}

    uint8_t* data_;
    size_t size_;
    size_t mapped_;
};

// What this process may lock, in bytes, after raising its soft limit to the hard one;
// SIZE_MAX when there is no limit (or the process may lock without one).
[[nodiscard]] size_t LockableBytes() noexcept;

// zlib's allocator hooks: its state and window hold plain bytes too.
void* ZlibLockedAlloc(void* opaque, unsigned items, unsigned size);
void ZlibLockedFree(void* opaque, void* address);

}  // namespace vko::mount
