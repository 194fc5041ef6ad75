// SPDX-License-Identifier: GPL-3.0-or-later
#include "mount/Inflater.h"

#include <zlib.h>

#include <algorithm>
#include <array>

#include "compress/CompressTrailer.h"
#include "compress/modCompress.h"
#include "util/Failure.h"

namespace vko::mount {

namespace {

constexpr size_t kInputBytes = 64 * 1024;
constexpr uint64_t kTrailer = modCompress::kTrailerSize;

}  // namespace

Inflater::Inflater(std::unique_ptr<StoredStream> stored, const MountEntry& entry)
    : stored_(std::move(stored)),
      streamBytes_(entry.stored >= kTrailer ? entry.stored - kTrailer : 0),
      size_(entry.size),
      input_(LockedBuffer::Make(kInputBytes)),
      z_(std::make_unique<z_stream_s>()) {
    if (entry.stored < kTrailer) throw DamagedFile("its stored bytes are too short to expand");
    if (!input_)
        throw Failure(FailureNumber::kOutOfMemory, "No memory could be locked to expand a file.");
    *z_ = {};
    z_->zalloc = ZlibLockedAlloc;
    z_->zfree = ZlibLockedFree;
    if (inflateInit(z_.get()) != Z_OK)
        throw Failure(FailureNumber::kOutOfMemory, "No memory could be locked to expand a file.");
}

Inflater::~Inflater() {
    inflateEnd(z_.get());
}

void Inflater::Refill() {
    const auto want = static_cast<size_t>(std::min<uint64_t>(kInputBytes, streamBytes_ - consumed_));
    size_t got = 0;
    while (got < want) {
        const size_t n = stored_->Read(input_->Span().subspan(got, want - got));
        if (n == 0) throw DamagedFile("its stored bytes end early");
        got += n;
    }
    consumed_ += got;
    z_->next_in = input_->Data();
    z_->avail_in = static_cast<uInt>(got);
}

void Inflater::Finish() {
    std::array<uint8_t, kTrailer> trailer{};
    size_t got = 0;
    while (got < trailer.size()) {
        const size_t n = stored_->Read(std::span(trailer).subspan(got));
        if (n == 0) throw DamagedFile("its stored bytes end early");
        got += n;
    }
    std::optional<int32_t> recorded;
    try {
        recorded = modCompress::ReadTrailer(trailer.data(), "");
    } catch (const Failure&) {
        throw DamagedFile("its length trailer is damaged");
    }
    if (!recorded || static_cast<uint64_t>(*recorded) != size_)
        throw DamagedFile("its length trailer does not match its size");
    ended_ = true;
}

size_t Inflater::Read(std::span<uint8_t> out) {
    size_t filled = 0;
    // Once the size is reached the stream must end at once: one more call, with room for a
    // byte that must not come, finds its end and checks the trailer.
    uint8_t spare = 0;
    while (!ended_ && (filled < out.size() || produced_ == size_)) {
        if (z_->avail_in == 0 && consumed_ < streamBytes_) Refill();
        uint8_t* to = filled < out.size() ? out.data() + filled : &spare;
        const size_t room = filled < out.size() ? out.size() - filled : 1;
        z_->next_out = to;
        z_->avail_out = static_cast<uInt>(std::min<size_t>(room, 1u << 30));
        const int code = inflate(z_.get(), Z_NO_FLUSH);
        const auto made = static_cast<size_t>(z_->next_out - to);
        produced_ += made;
        if (produced_ > size_) throw DamagedFile("it expands to more than its size");
        if (to != &spare) filled += made;
        if (code == Z_STREAM_END) {
            if (z_->avail_in != 0 || consumed_ != streamBytes_)
                throw DamagedFile("its zlib stream ends before its stored bytes");
            if (produced_ != size_) throw DamagedFile("it expands to less than its size");
            Finish();
            break;
        }
        if (code == Z_BUF_ERROR && z_->avail_in == 0 && consumed_ == streamBytes_)
            throw DamagedFile("its zlib stream is cut short");
        if (code != Z_OK && code != Z_BUF_ERROR) throw DamagedFile("its zlib stream is damaged");
    }
    return filled;
}

}  // namespace vko::mount
